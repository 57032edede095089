#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include <curl/curl.h>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "common/MainThread.h"
#include "download/DownloadTypes.h"
#include "net/ChunkProgress.h"
#include "net/HttpCharset.h"

// One transfer of a download item on a thread of its own: a GET (or a POST when PostQuery
// is set) whose body goes to a file or is kept as text. The worker runs on a snapshot of
// the request and shares with its starter only this object and a TWorkerLink: after Detach
// none of its handlers runs.
//
// Progress is reported per 16384-byte chunk (TChunkProgress), each chunk followed by the
// KDownloading state, on the main thread while the worker waits. The calls of all chunks of
// one socket read (up to KCurlReadBlock bytes) go in one hand-over, as a thread round trip
// per chunk would cost more than the transfer itself over a fast line. The end handler is
// queued to the main thread after the last progress call.
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
    static int XferInfoCallback(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    void Execute();
    bool Perform();
    bool BeginBody(TTransfer& transfer);
    bool Receive(TTransfer& transfer, const char* data, qint64 size);
    // The complete chunks not reported yet to the progress and state handlers, in one hand-over.
    void HandOverProgress(TTransfer& transfer);
    void Log(const QString& line) const;

    const TRequest FRequest;
    const TProgressHandler FTProgress;
    const TStateHandler FTStateChange;
    const TLogHandler FOnLog;
    const TEndHandler FOnEnded;
    const TWorkerLinkPtr FLink = std::make_shared<TWorkerLink>();
    // Held around each log call and by Detach, so no log call runs after a detach.
    mutable std::mutex FLogLock;

    std::atomic<bool> FTResult{false};
    qint64 FTFileSize = 0; // Content-Length of the answer, 0 when it has none
    qint64 BytesReaded = 0;
    QString FTStringResult;
};
