#include "download/DownloadList.h"

#include "common/MemIniFile.h"
#include "download/DownloadListFile.h"
#include "download/DownloadScheduling.h"
#include "download/MultiDownloader.h"

TDownloadList::TDownloadList(TMultiDownloader* parent)
    : FParent(parent)
{
}

TDownloadList::~TDownloadList() = default;

TDownloadItem* TDownloadList::Items(int index) const
{
    if (index < 0 || index >= ItemCount())
        return nullptr;
    return FItemList[index].Item.get();
}

QString TDownloadList::EntryText(int index) const
{
    if (index < 0 || index >= ItemCount())
        return QString();
    return FItemList[index].Text;
}

bool TDownloadList::Append(std::unique_ptr<TDownloadItem> item)
{
    if (!item || GetIndexByORGURL(item->URL, false) >= 0 || IsSaveFileNameExists(item->FileName))
        return false;
    TDownloadItem* p = item.get();
    if (p->URLOrg().isEmpty())
        p->SetURLOrg(p->URL);
    p->OnProgress = [this](TDownloadItem* sender, const QString&, qint64 totalSize, qint64 readed) {
        RelayProgress(sender, totalSize, readed);
    };
    p->OnDoneFile = [this](TDownloadItem* sender, const QString&, const QString& fileName, qint64 fileSize) {
        RelayDoneFile(sender, fileName, fileSize);
    };
    p->OnDoneString = [this](TDownloadItem* sender, const QString&, const QString& result) {
        RelayDoneString(sender, result);
    };
    p->OnStateChanged = [this](TDownloadItem* sender, const QString&, EDownloadState state) {
        RelayStateChanged(sender, state);
    };
    p->OnError = OnErrorEvent;
    p->OnRedirectEvent = OnRedirectEvent;
    if (FParent) {
        p->OnLog = FParent->OnLog;
        p->SetOnBeforeFlvGet(FParent->OnBeforeFlvGet);
    }
    FItemList.push_back({p->URL.trimmed(), std::move(item)});
    return true;
}

void TDownloadList::Remove(TDownloadItem* item)
{
    RemoveByIndex(IndexOf(item));
}

void TDownloadList::RemoveByIndex(int index)
{
    if (index < 0 || index >= ItemCount())
        return;
    // Out of the list first: the item is gone for every handler before it is freed.
    std::unique_ptr<TDownloadItem> item = std::move(FItemList[index].Item);
    FItemList.erase(FItemList.begin() + index);
}

int TDownloadList::IndexOf(const TDownloadItem* item) const
{
    for (int i = 0; i < ItemCount(); ++i)
        if (FItemList[i].Item.get() == item)
            return i;
    return -1;
}

int TDownloadList::GetIndexByURL(const QString& url, bool includeFinished) const
{
    for (int i = 0; i < ItemCount(); ++i) {
        const TDownloadItem& item = *FItemList[i].Item;
        if ((includeFinished || item.DownloadState() != KFinished) && item.URL == url)
            return i;
    }
    return -1;
}

int TDownloadList::GetIndexByORGURL(const QString& url, bool includeFinished) const
{
    for (int i = 0; i < ItemCount(); ++i) {
        const TDownloadItem& item = *FItemList[i].Item;
        if ((includeFinished || item.DownloadState() != KFinished) && item.URLOrg() == url)
            return i;
    }
    return -1;
}

bool TDownloadList::IsSaveFileNameExists(const QString& fileName) const
{
    for (const TEntry& entry : FItemList)
        if (entry.Item->FileName.compare(fileName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QList<EDownloadState> TDownloadList::States() const
{
    QList<EDownloadState> states;
    states.reserve(ItemCount());
    for (const TEntry& entry : FItemList)
        states.append(entry.Item->DownloadState());
    return states;
}

int TDownloadList::GetIdleIndex() const
{
    return ::GetIdleIndex(States(), FMaxTasks);
}

void TDownloadList::Exchange(int indexA, int indexB)
{
    if (indexA < 0 || indexB < 0 || indexA >= ItemCount() || indexB >= ItemCount())
        return;
    std::swap(FItemList[indexA], FItemList[indexB]);
}

void TDownloadList::MoveUp(int index)
{
    if (index >= 1)
        Exchange(index, index - 1);
}

void TDownloadList::MoveDown(int index)
{
    if (index >= 0 && index + 1 < ItemCount())
        Exchange(index, index + 1);
}

void TDownloadList::ClearAll()
{
    // Handlers of the announcements may change the list, so positions are read afresh.
    for (int i = 0; i < ItemCount(); ++i)
        FItemList[i].Item->Abort();
    std::vector<TEntry> old = std::move(FItemList);
    FItemList.clear();
}

void TDownloadList::ClearCompleted()
{
    for (int i = ItemCount() - 1; i >= 0; --i)
        if (FItemList[i].Item->DownloadState() == KFinished)
            RemoveByIndex(i);
}

void TDownloadList::ClearInCompleted()
{
    for (int i = ItemCount() - 1; i >= 0; --i)
        if (FItemList[i].Item->DownloadState() != KFinished)
            RemoveByIndex(i);
}

bool TDownloadList::SaveToFile(const QString& fileName) const
{
    QList<TDownloadListRecord> records;
    records.reserve(ItemCount());
    for (const TEntry& entry : FItemList) {
        const TDownloadItem& item = *entry.Item;
        records.append({entry.Text, item.FileName, item.Caption, item.Comment, item.DownloadState(),
                        item.OrgRedirectOptions});
    }
    TMemIniFile ini;
    WriteDownloadListRecords(records, ini);
    return ini.SaveToFile(fileName);
}

void TDownloadList::LoadFromFile(const QString& fileName)
{
    TMemIniFile ini;
    ini.LoadFromFile(fileName);
    for (const TDownloadListRecord& record : ReadDownloadListRecords(ini)) {
        auto item = std::make_unique<TDownloadItem>();
        item->URL = record.URL;
        item->FileName = record.FileName;
        item->Caption = record.Caption;
        item->Comment = record.Comment;
        item->RestoreState(record.State);
        item->RedirectOptions = record.RedirectOptions;
        item->OrgRedirectOptions = record.RedirectOptions;
        Append(std::move(item));
    }
}

// The relays find the item by identity rather than by its current address: two tasks
// may fetch the same address (a finished task and a new one for the same song), and
// each event belongs to the row of the item that raised it.
void TDownloadList::RelayProgress(TDownloadItem* item, qint64 totalSize, qint64 readed)
{
    const int index = IndexOf(item);
    if (index < 0)
        return;
    if (totalSize > 0)
        item->ProgressPercent = static_cast<int>(readed * 100 / totalSize);
    // The text fetch of a pending redirect moves the percentage but is not reported.
    if (OnProgress && !item->RedirectOptions.YesINeedRedirect)
        OnProgress(this, index, totalSize, readed);
}

void TDownloadList::RelayDoneFile(TDownloadItem* item, const QString& fileName, qint64 fileSize)
{
    const int index = IndexOf(item);
    if (index >= 0 && fileSize != 0 && OnFinishedEvent)
        OnFinishedEvent(this, index, fileName, QString(), fileSize);
}

void TDownloadList::RelayDoneString(TDownloadItem* item, const QString& result)
{
    const int index = IndexOf(item);
    if (index >= 0 && OnFinishedEvent)
        OnFinishedEvent(this, index, QString(), result, result.size());
}

void TDownloadList::RelayStateChanged(TDownloadItem* item, EDownloadState state)
{
    const int index = IndexOf(item);
    if (index >= 0 && OnStateChanged)
        OnStateChanged(this, index, state);
    if (state == KFinished && FParent)
        FParent->Resume();
}
