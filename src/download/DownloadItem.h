#pragma once

#include "common/NameValueList.h"
#include "download/DownloadTypes.h"
#include "net/HttpCharset.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class THttpDownloadThread;
class TYoutubeFLVGet;

// One download task: the address to fetch, the file to fill, the redirect step that first
// turns the address into the real stream address, its state and progress, and the
// application's data for the task (Comment). All members are used on the main thread.
class TDownloadItem final
{
public:
    // Sender is the item; url is its URL at the time of the call.
    using TOnItemProgressEvent =
        std::function<void(TDownloadItem* sender, const QString& url, qint64 totalSize, qint64 readed)>;
    using TOnItemDoneFileEvent =
        std::function<void(TDownloadItem* sender, const QString& url, const QString& fileName, qint64 fileSize)>;
    using TOnItemStateChangedEvent =
        std::function<void(TDownloadItem* sender, const QString& url, EDownloadState state)>;
    using TOnItemDoneStringEvent =
        std::function<void(TDownloadItem* sender, const QString& url, const QString& result)>;
    using TNotifyEvent = std::function<void(TDownloadItem* sender)>;
    using TOnRedirectEvent = std::function<void(TDownloadItem* sender, const QString& resultContent,
                                                QString& url, TRedirOptions& redirectOption)>;
    // Called on worker threads.
    using TOnLog = std::function<void(const QString& line)>;
    // Configures the item's resolver before each of its requests.
    using TOnBeforeFlvGet = std::function<void(TYoutubeFLVGet* sender)>;

    TDownloadItem();
    ~TDownloadItem();
    Q_DISABLE_COPY_MOVE(TDownloadItem)

    QString AcceptTypes = QStringLiteral("*/*");
    QString Agent = QStringLiteral("MultiDownloader");
    bool BinaryData = false; // a response without Content-Length is not read
    QString URL;             // first the address given, then the resolved one
    bool UseCache = false;
    QString FileName;
    QString UserName;
    QString Password;
    QString PostQuery;
    QString Referer;
    bool WaitThread = false; // Download returns only once the transfer has ended
    TNameValueList Comment;
    QString Caption;
    EDownloadType DownloadType = KFile;
    int ProgressPercent = 0;
    TRedirOptions RedirectOptions;
    TRedirOptions OrgRedirectOptions;
    int YoutubeVideoFmt = -1;

    TOnItemProgressEvent OnProgress;
    TOnItemDoneFileEvent OnDoneFile;
    TOnItemStateChangedEvent OnStateChanged;
    TOnItemDoneStringEvent OnDoneString;
    TNotifyEvent OnError;
    TOnRedirectEvent OnRedirectEvent;
    TOnLog OnLog;

    EDownloadState DownloadState() const { return FDownloadState; }
    const QString& ResultString() const { return FResultString; }
    // The address the task was added with.
    const QString& URLOrg() const { return FURLOrg; }
    void SetURLOrg(const QString& url) { FURLOrg = url; }
    // The item's stream resolver. Stopping a resolution replaces it with a fresh one.
    TYoutubeFLVGet* FLVGet() const { return FFLVGet.get(); }
    void SetOnBeforeFlvGet(const TOnBeforeFlvGet& handler);
    bool IsTransferring() const { return FThread != nullptr; }

    // Starts the task: a text fetch when a redirect is pending, else the file transfer.
    void Download();
    // Stops the task unless it is finished: announces KAbort, then KReady.
    void Abort();
    // As Abort, announcing only KReady: the task goes back to the queue.
    void Reset();
    // Puts the task back in the queue with its address and redirect as first given.
    void ReDownload();
    // Restores a task from the saved list, without announcing anything.
    void RestoreState(EDownloadState state);

private:
    struct TResolverLink;
    void MakeResolver();
    void RetireResolver();
    void StopResolving();
    void Stop(bool announceAbort);
    void DownloadToFile();
    void DownloadToString();
    void StartTransfer(bool toFile);
    void SetDownloadState(EDownloadState state);
    void TransferEnded(const THttpDownloadThread& worker);
    void RunRedirect();
    void StreamAddressGot(const QString& url);
    void ResolveFailed(const QString& reason);
    void DetachWorker();
    void Log(const QString& line) const;

    QString FURLOrg;
    std::shared_ptr<THttpDownloadThread> FThread;
    bool FAbort = false;
    bool FDestroyFlag = false;
    bool FResolving = false; // a stream address is being resolved for this task
    THttpCharset FHttpCharset = THttpCharset::KAnsi;
    std::shared_ptr<TYoutubeFLVGet> FFLVGet;
    std::shared_ptr<TResolverLink> FResolverLink; // shared with the resolver's handlers
    TOnBeforeFlvGet FOnBeforeFlvGet;
    EDownloadState FDownloadState = KReady;
    QString FResultString;
    // Expires when the item is destroyed: steps that call out to handlers check it before
    // they touch the item again, since a handler may remove the task.
    std::shared_ptr<int> FAlive = std::make_shared<int>(0);
};
