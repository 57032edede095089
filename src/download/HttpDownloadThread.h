#pragma once

#include "common/MainThread.h"
#include "download/DownloadTypes.h"
#include "net/HttpCharset.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>

// One transfer of a download item on a thread of its own: a GET (or a POST when PostQuery
// is set) whose body goes to a file or is kept as text, in chunks of KChunkSize bytes. The
// worker runs on a snapshot of the request and shares with its starter only this object
// and a TWorkerLink: progress (with the KDownloading state) and the end handler are queued
// to the main thread, and after Detach none of them runs.
//
// Progress is handed over for the first chunk, then at most every KProgressInterval ms,
// and for the last chunk, each time with the latest count. A thread round trip per 16 KiB
// chunk would cost more than the transfer itself over a fast line.
class THttpDownloadThread final : public std::enable_shared_from_this<THttpDownloadThread>
{
public:
    struct TRequest
    {
        QString AcceptTypes;
        QString Agent;
        QString URL;
        QString FileName;
        QString UserName;
        QString Password;
        QString PostQuery;
        QString Referer;
        bool BinaryData = false;
        bool UseCache = false; // libcurl keeps no cache: every transfer is a fresh copy
        bool ToFile = true;
        THttpCharset Charset = THttpCharset::KAnsi;
    };

    // Run on the main thread, the worker waiting.
    using TProgressHandler = std::function<void(const QString& url, qint64 totalSize, qint64 readed)>;
    using TStateHandler = std::function<void(EDownloadState state)>;
    // Runs on the worker thread.
    using TLogHandler = std::function<void(const QString& line)>;
    // Queued to the main thread once the body has returned.
    using TEndHandler = std::function<void(const THttpDownloadThread& worker)>;

    static constexpr int KChunkSize = 16384;
    static constexpr int KProgressInterval = 20;

    // Starts the worker at once (main thread).
    static std::shared_ptr<THttpDownloadThread> Start(TRequest request, TProgressHandler progress,
                                                      TStateHandler stateChange, TLogHandler onLog,
                                                      TEndHandler onEnded);

    // Main thread: from now on no handler of this worker runs; it stops at its next check.
    void Detach();

    // Read on the main thread in the end handler.
    const TRequest& Request() const { return FRequest; }
    bool Result() const { return FTResult.load(); }
    qint64 FileSize() const { return FTFileSize; }
    const QString& StringResult() const { return FTStringResult; }

    // Workers whose thread has not returned yet, detached ones included.
    static int RunningCount();

    THttpDownloadThread(TRequest request, TProgressHandler progress, TStateHandler stateChange,
                        TLogHandler onLog, TEndHandler onEnded);
    Q_DISABLE_COPY_MOVE(THttpDownloadThread)

private:
    struct TTransfer;
    static size_t WriteCallback(char* data, size_t size, size_t count, void* context);
    static int XferInfoCallback(void* context, long long, long long, long long, long long);

    void Execute();
    bool Perform();
    bool BeginBody(TTransfer& transfer);
    bool ReceiveChunk(TTransfer& transfer, const char* data, qint64 size);
    void PostProgress();
    void HandOverProgress();
    void Log(const QString& line) const;

    const TRequest FRequest;
    const TProgressHandler FTProgress;
    const TStateHandler FTStateChange;
    const TLogHandler FOnLog;
    const TEndHandler FOnEnded;
    const TWorkerLinkPtr FLink = std::make_shared<TWorkerLink>();

    std::atomic<bool> FHandOverPending{false};
    std::atomic<qint64> FProgressReaded{0}; // the count the next hand-over shows
    qint64 FShownReaded = 0;                // main thread: the count shown last
    QElapsedTimer FLastHandOver;            // worker thread

    std::atomic<bool> FTResult{false};
    qint64 FTFileSize = 0; // Content-Length of the answer, 0 when it has none
    qint64 BytesReaded = 0;
    QString FTStringResult;
};
