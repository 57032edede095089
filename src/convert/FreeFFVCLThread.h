#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

#include "common/MainThread.h"

class TFFEncoder;

// Receives the path of a finished MP3 file.
using TOnConvertFinished = std::function<void(const QString& aFileName)>;

// Releases an encoder whose run has ended, on a thread of its own, then hands the output file
// name to the conversion-finished handler on the main thread. Order: read the output name of
// task FIndex, clear the tasks, release the encoder (joining its worker), raise the handler.
// No fixed wait is needed: the encoder's terminate event copies its handler before calling it
// and does not touch the encoder afterwards, so releasing it right away is safe.
class TFreeFFVCLThread final
{
public:
    TFreeFFVCLThread(std::unique_ptr<TFFEncoder> aFFVCL, TOnConvertFinished aOnConvertFinishedEvent,
                     int aIndex, TWorkerLinkPtr aLink);
    ~TFreeFFVCLThread();
    Q_DISABLE_COPY_MOVE(TFreeFFVCLThread)

    // Runs the body on a new thread that frees the object when it ends.
    static void Start(std::unique_ptr<TFreeFFVCLThread> thread);
    // Waits until every started helper has ended (used at shutdown).
    static void WaitForAll();

private:
    void Execute();

    std::unique_ptr<TFFEncoder> FFFVCL;
    int FIndex;
    TOnConvertFinished FOnConvertFinishedEvent;
    TWorkerLinkPtr FLink;
};
