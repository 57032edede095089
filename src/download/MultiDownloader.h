#pragma once

#include "download/DownloadItem.h"
#include "download/DownloadList.h"
#include "download/DownloadTypes.h"

#include <QString>
#include <QtGlobal>

#include <memory>

// The download scheduler: owns the download list and keeps at most MaxTasks of its tasks
// at work. Whenever a place may have become free (Resume) it walks the list from the top,
// starts the waiting tasks that are within the limit and puts the surplus back to
// waiting. Its handlers reach the list (and new items) through SyncEvents. Used on the
// main thread only; only OnLog is called from worker threads.
class TMultiDownloader final
{
public:
    TMultiDownloader();
    ~TMultiDownloader();
    Q_DISABLE_COPY_MOVE(TMultiDownloader)

    TDownloadList::TOnProgressEvent OnProgress;
    TDownloadList::TOnStateChangedEvent OnStateChanged;
    TDownloadList::TOnFinishedEvent OnFinishedEvent;
    TDownloadItem::TNotifyEvent OnErrorEvent;
    TDownloadItem::TOnRedirectEvent OnRedirectEvent;
    TDownloadItem::TOnLog OnLog;
    // Installed as OnBeforeGet of every item's resolver (configures it before each request).
    TDownloadItem::TOnBeforeFlvGet OnBeforeFlvGet;
    int YouTubeVideoFmt = -1;

    // No bounds: 0 or less lets nothing start.
    int MaxTasks() const { return FDownloadList->MaxTasks(); }
    void SetMaxTasks(int maxTasks) { FDownloadList->SetMaxTasks(maxTasks); }

    // The list, with the current handlers copied into it.
    TDownloadList* DownloadList();

    // Adds a task (not started: call Resume). False for a duplicate, which is dropped.
    bool Append(const QString& url, const QString& saveFileName, bool needRedirect,
                ERedirectTheme redirectTheme, const QString& redirectURL);
    void Resume();
    void StopAll();
    // True while a task is actually at work (not waiting, finished or failed).
    bool IsDownloading() const;
    int GetUnfinishedTasksCount() const;
    void SyncEvents();

private:
    std::unique_ptr<TDownloadList> FDownloadList;
};
