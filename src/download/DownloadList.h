#pragma once

#include "download/DownloadItem.h"
#include "download/DownloadTypes.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

class TMultiDownloader;

// The download tasks in display order. Owns its items, relays their events to the
// scheduler's handlers with the item's position, refuses duplicates and keeps itself in
// the download list file. Used on the main thread only.
class TDownloadList final
{
public:
    // Sender is the list.
    using TOnProgressEvent =
        std::function<void(TDownloadList* sender, int index, qint64 totalSize, qint64 readed)>;
    using TOnStateChangedEvent = std::function<void(TDownloadList* sender, int index, EDownloadState currentState)>;
    using TOnFinishedEvent = std::function<void(TDownloadList* sender, int index, const QString& fileName,
                                                const QString& resultString, qint64 resultLength)>;

    explicit TDownloadList(TMultiDownloader* parent);
    ~TDownloadList();
    Q_DISABLE_COPY_MOVE(TDownloadList)

    // Copies of the scheduler's handlers (TMultiDownloader::SyncEvents refreshes them).
    TOnProgressEvent OnProgress;
    TOnStateChangedEvent OnStateChanged;
    TOnFinishedEvent OnFinishedEvent;
    TDownloadItem::TNotifyEvent OnErrorEvent;
    TDownloadItem::TOnRedirectEvent OnRedirectEvent;

    int MaxTasks() const { return FMaxTasks; }
    void SetMaxTasks(int maxTasks) { FMaxTasks = maxTasks; }

    int ItemCount() const { return static_cast<int>(FItemList.size()); }
    // The item at that position; nullptr outside the list.
    TDownloadItem* Items(int index) const;
    // The address the entry was appended with, trimmed; empty outside the list.
    QString EntryText(int index) const;

    // Takes the item unless an unfinished task was added with the same address or any
    // task has the same file name (letter case ignored); a refused item is freed.
    bool Append(std::unique_ptr<TDownloadItem> item);
    // Free the item (a running transfer is abandoned without events); outside: nothing.
    void Remove(TDownloadItem* item);
    void RemoveByIndex(int index);
    int IndexOf(const TDownloadItem* item) const;
    int GetIndexByURL(const QString& url, bool includeFinished) const;
    int GetIndexByORGURL(const QString& url, bool includeFinished) const;
    bool IsSaveFileNameExists(const QString& fileName) const;
    // The next task to start, or -1.
    int GetIdleIndex() const;
    QList<EDownloadState> States() const;

    void Exchange(int indexA, int indexB);
    void MoveUp(int index);
    void MoveDown(int index);

    // Aborts every task (announced), then frees them all.
    void ClearAll();
    // Remove the finished, respectively the unfinished tasks, keeping the others' order.
    void ClearCompleted();
    void ClearInCompleted();

    // Writes the list file atomically; false when it could not be written.
    bool SaveToFile(const QString& fileName) const;
    // Appends the tasks of a list file: finished ones as finished, the others waiting.
    // A missing or broken file adds nothing.
    void LoadFromFile(const QString& fileName);

private:
    struct TEntry
    {
        QString Text;
        std::unique_ptr<TDownloadItem> Item;
    };

    void RelayProgress(TDownloadItem* item, qint64 totalSize, qint64 readed);
    void RelayDoneFile(TDownloadItem* item, const QString& fileName, qint64 fileSize);
    void RelayDoneString(TDownloadItem* item, const QString& result);
    void RelayStateChanged(TDownloadItem* item, EDownloadState state);

    int FMaxTasks = 5;
    std::vector<TEntry> FItemList;
    TMultiDownloader* const FParent;
};
