#include "download/DownloadItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include "common/MainThread.h"
#include "download/HttpDownloadThread.h"
#include "video/YoutubeFLVGet.h"

// The resolver's handlers reach the item through this link, which the item cuts when it
// lets the resolver go: a resolver may be retired from inside one of its own events.
struct TDownloadItem::TResolverLink
{
    TDownloadItem* Item = nullptr;
};

TDownloadItem::TDownloadItem()
{
    MakeResolver();
}

TDownloadItem::~TDownloadItem()
{
    FDestroyFlag = true;
    RetireResolver();
    DetachWorker();
}

void TDownloadItem::MakeResolver()
{
    auto link = std::make_shared<TResolverLink>();
    link->Item = this;
    FResolverLink = link;
    FFLVGet = std::make_shared<TYoutubeFLVGet>();
    FFLVGet->OnURIGot = [link](const QString& url, int) {
        if (link->Item)
            link->Item->StreamAddressGot(url);
    };
    // The resolver may still find an address after a bad response (its fallback request),
    // so the task fails here but keeps listening.
    FFLVGet->OnBadResponse = [link](const QString&) {
        if (link->Item && link->Item->FResolving)
            link->Item->SetDownloadState(KFailed);
    };
    FFLVGet->OnResolveFailed = [link](const QString& reason) {
        if (link->Item)
            link->Item->ResolveFailed(reason);
    };
    FFLVGet->OnBeforeGet = FOnBeforeFlvGet;
}

void TDownloadItem::RetireResolver()
{
    FResolverLink->Item = nullptr;
    // Freed from the event loop, not here: this may run inside one of its events. Freeing
    // it cancels its request.
    PostToMainThread(nullptr, [resolver = std::move(FFLVGet)] {});
}

void TDownloadItem::SetOnBeforeFlvGet(const TOnBeforeFlvGet& handler)
{
    FOnBeforeFlvGet = handler;
    FFLVGet->OnBeforeGet = handler;
}

void TDownloadItem::Download()
{
    if (URL.isEmpty()) {
        SetDownloadState(KFailed);
        return;
    }
    if (FURLOrg.isEmpty())
        FURLOrg = URL;
    // An answer of an earlier resolution must not redirect this run.
    StopResolving();
    if (!FileName.isEmpty())
        QDir().mkpath(QFileInfo(FileName).absolutePath());
    if (RedirectOptions.YesINeedRedirect)
        DownloadType = KString;
    if (DownloadType == KFile)
        DownloadToFile();
    else
        DownloadToString();
}

void TDownloadItem::DownloadToFile()
{
    StartTransfer(true);
}

void TDownloadItem::DownloadToString()
{
    StartTransfer(false);
}

void TDownloadItem::StartTransfer(bool toFile)
{
    if (FThread)
        return;
    FAbort = false;
    THttpDownloadThread::TRequest request;
    request.AcceptTypes = AcceptTypes;
    request.Agent = Agent;
    request.URL = URL;
    request.FileName = FileName;
    request.UserName = UserName;
    request.Password = Password;
    request.PostQuery = PostQuery;
    request.Referer = Referer;
    request.BinaryData = BinaryData;
    request.UseCache = UseCache;
    request.ToFile = toFile;
    request.Charset = FHttpCharset;
    // The worker's handlers run on the main thread and never after the worker was
    // detached, which the item does before it goes away.
    FThread = THttpDownloadThread::Start(
        std::move(request),
        [this](const QString& url, qint64 totalSize, qint64 readed) {
            if (OnProgress)
                OnProgress(this, url, totalSize, readed);
        },
        [this](EDownloadState state) { SetDownloadState(state); }, OnLog,
        [this](const THttpDownloadThread& worker) { TransferEnded(worker); });

    const std::weak_ptr<int> alive = FAlive;
    SetDownloadState(KBeforeConnecting);
    if (!WaitThread)
        return;
    while (!alive.expired() && FThread)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TDownloadItem::SetDownloadState(EDownloadState state)
{
    if (state == FDownloadState || FDestroyFlag)
        return;
    FDownloadState = state;
    if (OnStateChanged)
        OnStateChanged(this, URL, state);
}

void TDownloadItem::Log(const QString& line) const
{
    if (OnLog)
        OnLog(line);
}

void TDownloadItem::TransferEnded(const THttpDownloadThread& worker)
{
    if (FThread.get() != &worker)
        return;
    const std::weak_ptr<int> alive = FAlive;
    // A handler may remove the task or restart it: then this end is no longer its business.
    auto stillMine = [&] { return !alive.expired() && FThread.get() == &worker; };

    Log(QStringLiteral("Finished"));
    const bool result = worker.Result();
    const bool toFile = worker.Request().ToFile;
    if (result && toFile) {
        if (OnDoneFile && worker.FileSize() > 0) {
            OnDoneFile(this, URL, worker.Request().FileName, worker.FileSize());
            if (!stillMine())
                return;
        }
    } else if (result) {
        FResultString = worker.StringResult();
        Log(FResultString);
        if (!RedirectOptions.YesINeedRedirect && OnDoneString) {
            OnDoneString(this, URL, FResultString);
            if (!stillMine())
                return;
        }
    } else if (OnError && !FAbort) {
        FThread.reset();
        OnError(this);
        return;
    }
    FThread.reset();
    if (RedirectOptions.YesINeedRedirect)
        RunRedirect();
    else
        SetDownloadState(result ? KFinished : KFailed);
}

void TDownloadItem::RunRedirect()
{
    RedirectOptions.YesINeedRedirect = false;
    switch (RedirectOptions.RedirectTheme) {
    case KDirect:
        URL = RedirectOptions.RedirectURL;
        DownloadToFile();
        break;
    case KYouTube: {
        // The identifier is what follows the first "=" of the address ("...watch?v=ID").
        const qsizetype equals = URL.indexOf(u'=');
        FFLVGet->YoutubeID = equals < 0 ? URL : URL.mid(equals + 1);
        FResolving = true;
        FFLVGet->Get();
        break;
    }
    case KCustom: {
        const std::weak_ptr<int> alive = FAlive;
        TRedirOptions options;
        if (OnRedirectEvent) {
            OnRedirectEvent(this, FResultString, URL, options);
            if (alive.expired())
                return;
        }
        RedirectOptions = options;
        Download();
        break;
    }
    }
}

void TDownloadItem::StreamAddressGot(const QString& url)
{
    if (!FResolving)
        return;
    FResolving = false;
    if (url.isEmpty()) {
        SetDownloadState(KFailed);
        return;
    }
    URL = url;
    DownloadToFile();
}

void TDownloadItem::ResolveFailed(const QString& reason)
{
    if (!FResolving)
        return;
    FResolving = false;
    Log(QStringLiteral("No stream address: ") + reason);
    SetDownloadState(KFailed);
}

void TDownloadItem::StopResolving()
{
    if (!FResolving)
        return;
    FResolving = false;
    // A fresh resolver: the old one takes its request and every later event with it.
    RetireResolver();
    MakeResolver();
}

void TDownloadItem::DetachWorker()
{
    if (!FThread)
        return;
    FThread->Detach();
    FThread.reset();
}

void TDownloadItem::Stop(bool announceAbort)
{
    if (FDownloadState == KFinished)
        return;
    // Detached first, so that no event of the old transfer can reach a handler of the
    // announcements below.
    DetachWorker();
    FAbort = true;
    StopResolving();
    const std::weak_ptr<int> alive = FAlive;
    if (announceAbort) {
        SetDownloadState(KAbort);
        if (alive.expired())
            return;
    }
    SetDownloadState(KReady);
    if (alive.expired())
        return;
    URL = FURLOrg;
    RedirectOptions = OrgRedirectOptions;
}

void TDownloadItem::Abort()
{
    Stop(true);
}

void TDownloadItem::Reset()
{
    Stop(false);
}

void TDownloadItem::ReDownload()
{
    URL = FURLOrg;
    RedirectOptions = OrgRedirectOptions;
    SetDownloadState(KReady);
}

void TDownloadItem::RestoreState(EDownloadState state)
{
    FDownloadState = state;
    if (state == KFinished)
        ProgressPercent = 100;
}
