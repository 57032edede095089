#include "download/MultiDownloader.h"

#include <QSet>

#include "download/DownloadScheduling.h"

TMultiDownloader::TMultiDownloader()
    : FDownloadList(std::make_unique<TDownloadList>(this))
{
}

TMultiDownloader::~TMultiDownloader()
{
    OnFinishedEvent = nullptr;
    OnProgress = nullptr;
    OnStateChanged = nullptr;
    SyncEvents();
    FDownloadList.reset();
}

TDownloadList* TMultiDownloader::DownloadList()
{
    SyncEvents();
    return FDownloadList.get();
}

void TMultiDownloader::SyncEvents()
{
    FDownloadList->OnProgress = OnProgress;
    FDownloadList->OnStateChanged = OnStateChanged;
    FDownloadList->OnFinishedEvent = OnFinishedEvent;
    FDownloadList->OnErrorEvent = OnErrorEvent;
    FDownloadList->OnRedirectEvent = OnRedirectEvent;
}

bool TMultiDownloader::Append(const QString& url, const QString& saveFileName, bool needRedirect,
                              ERedirectTheme redirectTheme, const QString& redirectURL)
{
    auto item = std::make_unique<TDownloadItem>();
    item->URL = url;
    item->FileName = saveFileName;
    item->YoutubeVideoFmt = YouTubeVideoFmt;
    item->RedirectOptions = {needRedirect, redirectTheme, redirectURL};
    item->OrgRedirectOptions = item->RedirectOptions;
    item->SetOnBeforeFlvGet(OnBeforeFlvGet);
    SyncEvents();
    return FDownloadList->Append(std::move(item));
}

void TMultiDownloader::Resume()
{
    SyncEvents();
    // An item that stays waiting after Download (one whose old transfer still runs) must
    // not be picked again and again.
    QSet<const TDownloadItem*> started;
    for (;;) {
        const int index = FDownloadList->GetIdleIndex();
        TDownloadItem* item = FDownloadList->Items(index);
        if (!item || started.contains(item))
            break;
        started.insert(item);
        item->Download();
    }
    // Handlers of the resets may change the list: take the items first, then check each.
    QList<TDownloadItem*> surplus;
    for (int index : GetSurplusIndexes(FDownloadList->States(), MaxTasks()))
        surplus.append(FDownloadList->Items(index));
    for (TDownloadItem* item : surplus)
        if (FDownloadList->IndexOf(item) >= 0)
            item->Reset();
}

void TMultiDownloader::StopAll()
{
    for (int i = 0; i < FDownloadList->ItemCount(); ++i)
        FDownloadList->Items(i)->Abort();
}

bool TMultiDownloader::IsDownloading() const
{
    for (EDownloadState state : FDownloadList->States())
        if (state != KReady && state != KFinished && state != KFailed)
            return true;
    return false;
}

int TMultiDownloader::GetUnfinishedTasksCount() const
{
    int count = 0;
    for (EDownloadState state : FDownloadList->States())
        if (state != KFinished)
            ++count;
    return count;
}
