#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include "net/HttpCharset.h"

class TNameValueList;
class TSingleDownloaderThread;
struct TSingleDownloadResult;
struct TSingleDownloadState;

// iTotalSize is the Content-Length (0 without one), iReaded the body bytes received so far.
using TOnProgressEvent = std::function<void(TSingleDownloaderThread* sender, int iTotalSize, int iReaded)>;
class TSingleDownloader;
using TOnDoneFileEvent = std::function<void(TSingleDownloader* sender, const QString& strFileName, int iFileSize)>;
using TOnDoneStringEvent = std::function<void(TSingleDownloader* sender, const QString& strResult)>;
using TSingleDownloaderNotify = std::function<void(TSingleDownloader* sender)>;
// Called on the worker thread: a handler must be safe to call from another thread.
using TOnLog = std::function<void(const QString& aLog)>;

// Performs one HTTP(S) request at a time on a worker thread and hands the result back on
// the main thread, as decoded text (GetString) or as a file (GetFile).
//
// The worker runs on a snapshot of the properties below, so they may be changed while a
// request runs. Only 2xx answers succeed; redirects are followed; a file request writes a
// temporary file beside FileName and replaces FileName only when the whole body arrived.
class TSingleDownloader final
{
public:
    TSingleDownloader();
    ~TSingleDownloader();
    TSingleDownloader(const TSingleDownloader&) = delete;
    TSingleDownloader& operator=(const TSingleDownloader&) = delete;

    // Properties (copied into the worker when a request starts).
    QString AcceptTypes = QStringLiteral("*/*"); // the one Accept type; empty sends "*"
    QString Agent;                              // User-Agent; empty sends none
    bool BinaryData = false;                    // the answer must carry a Content-Length
    QString URL;                                // "http://..." or "https://..."
    bool UseCache = false;                      // plain HTTP: false asks caches for a fresh copy
    QString FileName;                           // destination of a file request
    QString UserName;
    QString Password;
    QString ContentType; // complete header line(s) sent with a POST; empty: form-urlencoded
    QString PostQuery;   // request body; not empty makes the request a POST
    QString Referer;
    bool WaitThread = false; // GetString/GetFile return only after the request ended
    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    TSingleDownloaderNotify OnError; // failed and not aborted
    TOnLog OnLog;
    THttpCharset HttpCharset = THttpCharset::KAnsi;

    // Start a request; ignored while one of this component is still running.
    void GetString();
    void GetFile();
    // Detaches the running request: no event of it fires afterwards, and a new request
    // may start at once. The worker stops at its next check and cleans up by itself.
    void Abort();

    // PostQuery := name=value pairs joined by "&", values URL-encoded from Latin-1.
    void SetPostValues(const TNameValueList& slValues);
    // A multipart body (TFilePostGen) into PostQuery and its header into ContentType.
    void SetUploadFiles(const TNameValueList& slValues, const TNameValueList* slFiles);

    bool Busy() const { return static_cast<bool>(FThread); }
    // Success of the last completed request; whether the last request was aborted.
    bool LastResult() const { return FResult; }
    bool Aborted() const { return FAbort; }

private:
    void Start(bool toFile);
    void ThreadDone(const TSingleDownloadResult& result);

    // The running request (its link and completion flag), shared with its worker.
    std::shared_ptr<TSingleDownloadState> FThread;
    bool FResult = false;
    bool FAbort = false;
};
