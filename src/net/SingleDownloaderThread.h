#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include <curl/curl.h>

#include "common/MainThread.h"
#include "net/ChunkProgress.h"
#include "net/PartFile.h"
#include "net/SingleDownloader.h"


// Splits a request address into the secure flag, the host (with a port, when one is
// written) and the path with its query. The scheme "http://" and then "https://" are
// removed (letter case ignored); without a "/" after the scheme host and path are empty.
void ParseRequestURL(const QString& url, bool& secure, QString& host, QString& path);

// The snapshot of one request.
struct TSingleDownloadRequest
{
    QString AcceptTypes;
    QString Agent;
    QString URL;
    QString FileName;
    QString UserName;
    QString Password;
    QString ContentType;
    QString PostQuery;
    QString Referer;
    bool BinaryData = false;
    bool UseCache = false;
    bool ToFile = false;
    THttpCharset Charset = THttpCharset::KAnsi;
};

struct TSingleDownloadResult
{
    bool Result = false;
    bool ToFile = false;
    QString FileName;
    int64_t FileSize = 0; // the Content-Length, 0 without one
    QString StringResult;
};

// What a request shares with its component: the link that detaches it, the completion
// flag (main thread only) and the lock that keeps log calls out of an Abort.
struct TSingleDownloadState
{
    TWorkerLinkPtr Link = std::make_shared<TWorkerLink>();
    bool Finished = false;
    std::mutex LogLock;
};

// The worker of one TSingleDownloader request, over one libcurl easy handle on a thread of
// its own. It never touches the component: progress goes through the link (blocking), the
// result is queued through it, and it frees itself when its body ends.
class TSingleDownloaderThread final
{
public:
    using TOnDone = std::function<void(const TSingleDownloadResult& result)>;

    TSingleDownloaderThread(TSingleDownloadRequest request, TOnProgressEvent progress, TOnLog onLog,
                            std::shared_ptr<TSingleDownloadState> state, TOnDone onDone);
    ~TSingleDownloaderThread();
    TSingleDownloaderThread(const TSingleDownloaderThread&) = delete;
    TSingleDownloaderThread& operator=(const TSingleDownloaderThread&) = delete;

    // Runs the body on a new thread, which owns and frees the worker.
    static void Start(std::unique_ptr<TSingleDownloaderThread> thread);

    const TSingleDownloadRequest& Request() const { return FRequest; }
    int64_t BytesReaded() const { return FBytesReaded; }
    int64_t BytesToRead() const { return FBytesToRead; }
    bool HttpSSL() const { return FHttpSSL; }

private:
    void Execute();
    bool Perform();
    bool Terminated() const;
    // Looks at the final answer's status and Content-Length before its body is taken.
    bool CheckAnswer();
    void Log(const QString& line);
    size_t Receive(const char* data, size_t size);
    // The complete chunks not reported yet to OnProgress, in one hand-over (the worker waits).
    void HandOverProgress();
    static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
    static int XferInfoCallback(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    TSingleDownloadRequest FRequest;
    TOnProgressEvent FTProgress;
    TOnLog FOnLog;
    std::shared_ptr<TSingleDownloadState> FState;
    TOnDone FOnDone;

    TSingleDownloadResult FResult;
    CURL* FCurl = nullptr; // the easy handle while Perform runs
    std::unique_ptr<TPartFile> FFile;
    QByteArray FText;
    TChunkProgress FChunks;
    bool FHeadersChecked = false;
    bool FRefused = false; // the answer was refused before its body was read
    int64_t FBytesToRead = 0;
    int64_t FBytesReaded = 0;
    bool FHttpSSL = false;
};
