#include <gtest/gtest.h>

#include <QFile>
#include <QMap>

#include <algorithm>
#include <atomic>
#include <memory>

#include "DemoSite.h"
#include "DownloadTestFixture.h"
#include "TestSupport.h"
#include "download/HttpDownloadThread.h"

namespace
{
using TestSupport::ProcessEventsFor;
using TestSupport::ReadFile;
using TestSupport::WaitUntil;

using TransferTest = DownloadTest;

TEST_F(TransferTest, DirectFileTransferDeliversTheBytes)
{
    const int size = 100000;
    const QString file = File(QStringLiteral("sub/dir/a.bin")); // missing folders are made
    ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/%1").arg(size), file));
    QList<qint64> readed;
    Md->OnProgress = [&](TDownloadList*, int, qint64 totalSize, qint64 bytes) {
        EXPECT_EQ(totalSize, size);
        readed.append(bytes);
    };
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());

    EXPECT_EQ(StateLetters(), QStringLiteral("F"));
    EXPECT_EQ(ReadFile(file), DemoBytes(0, size));
    ASSERT_EQ(Finished.size(), 1);
    EXPECT_EQ(Finished[0].Index, 0);
    EXPECT_EQ(Finished[0].FileName, file);
    EXPECT_EQ(Finished[0].Size, size);
    EXPECT_EQ(StatesOf(0), (QList<EDownloadState>{KBeforeConnecting, KDownloading, KFinished}));
    // Progress rises and ends with the whole body, before the finished state.
    ASSERT_FALSE(readed.isEmpty());
    EXPECT_TRUE(std::is_sorted(readed.begin(), readed.end()));
    EXPECT_EQ(readed.last(), size);
    EXPECT_EQ(Md->DownloadList()->Items(0)->ProgressPercent, 100);
}

// Progress comes per 16384-byte chunk, whatever blocks the transport delivers: at every
// chunk end and at the length; each chunk's progress comes before its KDownloading state.
TEST_F(TransferTest, ProgressPerChunkUpToTheLength)
{
    const struct
    {
        const char* Name;
        int Size;
        const char* Query;
    } rows[] = {
        {"one short chunk", 1000, ""},
        {"whole chunks", 2 * 16384, ""},
        {"many chunks per block", 700001, ""},
        {"1 KiB pieces", 50000, "?fault=drip:0"},
    };
    Md->SetMaxTasks(10);
    int i = 0;
    for (const auto& row : rows)
        ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/%1%2").arg(row.Size).arg(QLatin1String(row.Query)),
                                 File(QStringLiteral("p%1.bin").arg(i++))));
    QMap<int, QList<qint64>> readed;
    QMap<int, EDownloadState> stateAtFirst;
    Md->OnProgress = [&](TDownloadList* list, int index, qint64 totalSize, qint64 bytes) {
        EXPECT_EQ(totalSize, rows[index].Size) << rows[index].Name;
        if (!stateAtFirst.contains(index))
            stateAtFirst[index] = list->Items(index)->DownloadState();
        readed[index].append(bytes);
    };
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());

    i = 0;
    for (const auto& row : rows) {
        QList<qint64> expected;
        for (qint64 at = 16384; at < row.Size; at += 16384)
            expected.append(at);
        expected.append(row.Size);
        EXPECT_EQ(expected.size(), (row.Size + 16383) / 16384) << row.Name;
        EXPECT_EQ(readed.value(i), expected) << row.Name;
        EXPECT_EQ(stateAtFirst.value(i, KNone), KBeforeConnecting) << row.Name;
        EXPECT_EQ(StatesOf(i), (QList<EDownloadState>{KBeforeConnecting, KDownloading, KFinished})) << row.Name;
        EXPECT_EQ(ReadFile(File(QStringLiteral("p%1.bin").arg(i))), DemoBytes(0, row.Size)) << row.Name;
        ++i;
    }
}

// Every way the demo site can go wrong ends in KFailed and no finished event; a redirect
// chain is followed to the data.
TEST_F(TransferTest, FaultModesEndInFailed)
{
    const struct
    {
        const char* Fault;
        EDownloadState Expected;
        bool ErrorPage; // the body is not written to the file at all
    } rows[] = {
        {"reset", KFailed, false}, {"short", KFailed, false}, {"nolength", KFailed, false},
        {"404", KFailed, true},    {"500", KFailed, true},    {"loop", KFailed, true},
        {"redirect:3", KFinished, false},
    };
    const int size = 70000;
    Md->SetMaxTasks(10);
    int i = 0;
    for (const auto& row : rows)
        ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/%1?fault=%2").arg(size).arg(row.Fault),
                                 File(QStringLiteral("f%1.bin").arg(i++))));
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());

    i = 0;
    for (const auto& row : rows) {
        const TDownloadItem* item = Md->DownloadList()->Items(i);
        EXPECT_EQ(item->DownloadState(), row.Expected) << row.Fault;
        bool finishedEvent = false;
        for (const TFinishedEvent& f : Finished)
            finishedEvent = finishedEvent || f.Index == i;
        EXPECT_EQ(finishedEvent, row.Expected == KFinished) << row.Fault;
        if (row.ErrorPage) {
            EXPECT_FALSE(QFile::exists(item->FileName)) << row.Fault;
        }
        if (row.Expected == KFinished) {
            EXPECT_EQ(ReadFile(item->FileName), DemoBytes(0, size)) << row.Fault;
        }
        ++i;
    }
}

// The address of a stream comes from outside: only HTTP and HTTPS are fetched.
TEST_F(TransferTest, OnlyWebAddressesAreFetched)
{
    const char* rows[] = {"file:///etc/hostname", "ftp://127.0.0.1:9/x", "gopher://127.0.0.1:9/x", "", "http://"};
    Md->SetMaxTasks(10);
    int i = 0;
    for (const char* url : rows)
        ASSERT_TRUE(AppendDirect(QString::fromLatin1(url), File(QStringLiteral("o%1").arg(i++))));
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());
    i = 0;
    for (const char* url : rows) {
        EXPECT_EQ(Md->DownloadList()->Items(i)->DownloadState(), KFailed) << url;
        EXPECT_FALSE(QFile::exists(File(QStringLiteral("o%1").arg(i++)))) << url;
    }
}

// A task whose address is a page to read first: KDirect then fetches the address given
// with it, KCustom the one the scheduler's handler picks from the page.
TEST_F(TransferTest, DirectAndCustomRedirects)
{
    const QString page = Base() + QStringLiteral("/text/latin1");
    const QString finalUrl = Base() + QStringLiteral("/bytes/30000");
    ASSERT_TRUE(Md->Append(page, File(QStringLiteral("direct.bin")), true, KDirect, finalUrl));
    QString seenContent;
    Md->OnRedirectEvent = [&](TDownloadItem* sender, const QString& content, QString& url, TRedirOptions& options) {
        seenContent = content;
        url = Base() + QStringLiteral("/bytes/20000");
        options = {}; // nothing more to resolve
        sender->DownloadType = KFile;
    };
    ASSERT_TRUE(Md->Append(page + QStringLiteral("?custom"), File(QStringLiteral("custom.bin")), true, KCustom, QString()));
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());

    EXPECT_EQ(StateLetters(), QStringLiteral("FF"));
    EXPECT_EQ(ReadFile(File(QStringLiteral("direct.bin"))), DemoBytes(0, 30000));
    EXPECT_EQ(ReadFile(File(QStringLiteral("custom.bin"))), DemoBytes(0, 20000));
    EXPECT_EQ(seenContent, DemoSampleText(true));
    // The page fetches are no finished downloads; each file is.
    ASSERT_EQ(Finished.size(), 2);
    EXPECT_EQ(Md->DownloadList()->Items(0)->URL, finalUrl);
    EXPECT_EQ(Md->DownloadList()->Items(0)->URLOrg(), page);
}

// An error page is not the data asked for, even when its Content-Length matches.
TEST_F(TransferTest, ErrorStatusIsAFailureForTextToo)
{
    ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/500?fault=404"), File(QStringLiteral("t.txt"))));
    TDownloadItem* item = Md->DownloadList()->Items(0);
    item->DownloadType = KString;
    item->WaitThread = true;
    item->Download();
    EXPECT_EQ(item->DownloadState(), KFailed);
    EXPECT_TRUE(Finished.isEmpty());
}

TEST_F(TransferTest, TextTransferReportsTheBody)
{
    ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/text/latin1"), File(QStringLiteral("t.txt"))));
    TDownloadItem* item = Md->DownloadList()->Items(0);
    item->DownloadType = KString;
    QString result;
    Md->OnFinishedEvent = [&](TDownloadList*, int, const QString& fileName, const QString& text, qint64 length) {
        EXPECT_TRUE(fileName.isEmpty());
        EXPECT_EQ(length, text.size());
        result = text;
    };
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());
    EXPECT_EQ(item->DownloadState(), KFinished);
    EXPECT_EQ(result, DemoSampleText(true));
    EXPECT_EQ(item->ResultString(), DemoSampleText(true));
}

TEST_F(TransferTest, WaitThreadReturnsAfterTheTransfer)
{
    ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/40000"), File(QStringLiteral("w.bin"))));
    TDownloadItem* item = Md->DownloadList()->Items(0);
    item->WaitThread = true;
    item->Download();
    EXPECT_EQ(item->DownloadState(), KFinished);
    EXPECT_FALSE(item->IsTransferring());
    EXPECT_EQ(Finished.size(), 1);
}

TEST_F(TransferTest, AbortAnnouncesAbortThenReadyAndNothingFollows)
{
    const QString url = Base() + QStringLiteral("/bytes/2000000?fault=drip:10");
    ASSERT_TRUE(Md->Append(url, File(QStringLiteral("a.bin")), false, KDirect, QString()));
    Md->Resume();
    TDownloadItem* item = Md->DownloadList()->Items(0);
    ASSERT_TRUE(WaitUntil([&] { return item->DownloadState() == KDownloading; }));

    StateLog.clear();
    item->Abort();
    EXPECT_EQ(StatesOf(0), (QList<EDownloadState>{KAbort, KReady}));
    EXPECT_EQ(item->URL, url);
    const qsizetype progressSeen = ProgressIndexes.size();
    ProcessEventsFor(300);
    EXPECT_EQ(ProgressIndexes.size(), progressSeen);
    EXPECT_EQ(StateLog.size(), 2);
    EXPECT_TRUE(Finished.isEmpty());

    // Abort of a finished task changes nothing.
    ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/1000"), File(QStringLiteral("b.bin"))));
    TDownloadItem* done = Md->DownloadList()->Items(1);
    done->WaitThread = true;
    done->Download();
    ASSERT_EQ(done->DownloadState(), KFinished);
    StateLog.clear();
    done->Abort();
    EXPECT_EQ(done->DownloadState(), KFinished);
    EXPECT_TRUE(StateLog.isEmpty());
}

// The log handler runs on the worker thread; after an abort the worker logs nothing more
// (its last lines, "Transport error ..." and "Transfer failed", included).
TEST_F(TransferTest, NoLogLineAfterAbort)
{
    struct TLogSeen
    {
        std::atomic<bool> Aborted{false};
        std::atomic<int> LinesBefore{0};
        std::atomic<int> LinesAfter{0};
    };
    const auto seen = std::make_shared<TLogSeen>();
    Md->OnLog = [seen](const QString&) { ++(seen->Aborted ? seen->LinesAfter : seen->LinesBefore); };
    ASSERT_TRUE(AppendDirect(Base() + QStringLiteral("/bytes/2000000?fault=drip:10"), File(QStringLiteral("l.bin"))));
    Md->Resume();
    TDownloadItem* item = Md->DownloadList()->Items(0);
    ASSERT_TRUE(WaitUntil([&] { return item->DownloadState() == KDownloading; }));

    item->Abort();
    seen->Aborted = true;
    ASSERT_TRUE(WaitUntil([] { return THttpDownloadThread::RunningCount() == 0; }));
    EXPECT_GT(seen->LinesBefore.load(), 0);
    EXPECT_EQ(seen->LinesAfter.load(), 0);
}

// Removing, clearing or freeing running tasks detaches their workers: no handler runs
// afterwards and no worker touches a freed item (ASan watches this).
TEST_F(TransferTest, RunningTasksCanBeRemovedClearedAndFreed)
{
    const auto drip = [](int n) { return Base() + QStringLiteral("/bytes/%1?fault=drip:5").arg(5000000 + n); };
    Md->SetMaxTasks(10);
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(AppendDirect(drip(i), File(QStringLiteral("r%1.bin").arg(i))));
    Md->Resume();
    TDownloadList* list = Md->DownloadList();
    ASSERT_TRUE(WaitUntil([&] { return StateLetters() == QStringLiteral("DDDDDD"); })) << StateLetters().toStdString();

    list->RemoveByIndex(0);
    list->Remove(list->Items(0));
    EXPECT_EQ(list->ItemCount(), 4);
    // A handler that removes the very task whose event it handles.
    bool removed = false;
    Md->OnProgress = [&](TDownloadList* sender, int index, qint64, qint64) {
        if (!removed && index == 0) {
            removed = true;
            sender->RemoveByIndex(0);
        }
    };
    Md->SyncEvents();
    ASSERT_TRUE(WaitUntil([&] { return list->ItemCount() == 3; })) << StateLetters().toStdString() << " in flight " << Site->InFlight();
    list->ClearAll();
    EXPECT_EQ(list->ItemCount(), 0);

    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(AppendDirect(drip(10 + i), File(QStringLiteral("s%1.bin").arg(i))));
    Md->Resume();
    ASSERT_TRUE(WaitUntil([&] { return StateLetters() == QStringLiteral("DD"); })) << StateLetters().toStdString() << " in flight " << Site->InFlight();
    Md.reset(); // the scheduler goes with its running tasks
    ProcessEventsFor(200);
    EXPECT_TRUE(WaitUntil([] { return THttpDownloadThread::RunningCount() == 0; }));
}
} // namespace
