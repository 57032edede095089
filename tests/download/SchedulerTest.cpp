#include <gtest/gtest.h>

#include "DemoSite.h"
#include "DownloadTestFixture.h"
#include "TestSupport.h"

namespace
{
using TestSupport::ReadFile;
using TestSupport::WaitUntil;

using SchedulerTest = DownloadTest;

QString Bytes(int n, const char* fault = nullptr)
{
    QString url = DownloadTest::Site->BaseUrl() + QStringLiteral("/bytes/%1").arg(n);
    if (fault)
        url += QStringLiteral("?fault=") + QString::fromLatin1(fault);
    return url;
}

TEST_F(SchedulerTest, TwoOfFiveRunAndTheThirdStartsWhenOneFinishes)
{
    Md->SetMaxTasks(2);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(AppendDirect(Bytes(300000 + i), File(QStringLiteral("t%1.bin").arg(i))));
    Md->Resume();
    EXPECT_EQ(StateLetters(), QStringLiteral("BBRRR"));
    ASSERT_TRUE(WaitAllSettled());
    EXPECT_EQ(StateLetters(), QStringLiteral("FFFFF"));

    int finishedSoFar = 0;
    for (const TStateEvent& e : StateLog) {
        EXPECT_LE(e.Busy, 2) << "state " << e.State << " of task " << e.Index;
        if (e.State == KFinished)
            ++finishedSoFar;
        if (e.State == KBeforeConnecting && e.Index >= 2) {
            EXPECT_GE(finishedSoFar, e.Index - 1) << "task " << e.Index << " started early";
        }
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ReadFile(File(QStringLiteral("t%1.bin").arg(i))), DemoBytes(0, 300000 + i)) << i;
    EXPECT_LE(Site->MaxInFlight(), 2);
}

TEST_F(SchedulerTest, FailedTasksTakeNoPlace)
{
    Md->SetMaxTasks(2);
    ASSERT_TRUE(AppendDirect(Bytes(1000, "404"), File(QStringLiteral("0"))));
    ASSERT_TRUE(AppendDirect(Bytes(1001, "500"), File(QStringLiteral("1"))));
    for (int i = 2; i < 5; ++i)
        ASSERT_TRUE(AppendDirect(Bytes(5000000 + i, "drip:5"), File(QString::number(i))));
    Md->Resume();
    ASSERT_TRUE(WaitUntil([&] { return StateLetters().startsWith(QStringLiteral("XX")); }));
    EXPECT_EQ(StateLetters().mid(2, 3).count(u'R'), 1) << StateLetters().toStdString();
    EXPECT_EQ(Md->DownloadList()->Items(4)->DownloadState(), KReady) << StateLetters().toStdString();
    Md->StopAll();
}

TEST_F(SchedulerTest, LoweringTheLimitPutsTheSurplusBack)
{
    Md->SetMaxTasks(3);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AppendDirect(Bytes(5000000 + i, "drip:5"), File(QString::number(i))));
    Md->Resume();
    ASSERT_TRUE(WaitUntil([&] { return StateLetters() == QStringLiteral("DDD"); }));
    Md->SetMaxTasks(1);
    Md->Resume();
    EXPECT_EQ(StateLetters(), QStringLiteral("DRR"));
    EXPECT_FALSE(Md->DownloadList()->Items(1)->IsTransferring());
    EXPECT_TRUE(Md->IsDownloading());
    Md->StopAll();
    EXPECT_EQ(StateLetters(), QStringLiteral("RRR"));
    EXPECT_FALSE(Md->IsDownloading());
    EXPECT_EQ(Md->GetUnfinishedTasksCount(), 3);
}

TEST_F(SchedulerTest, MovingAWaitingTaskUpTakesEffectAtResume)
{
    Md->SetMaxTasks(1);
    ASSERT_TRUE(AppendDirect(Bytes(5000000, "drip:5"), File(QStringLiteral("0"))));
    ASSERT_TRUE(AppendDirect(Bytes(5000001, "drip:5"), File(QStringLiteral("1"))));
    Md->Resume();
    ASSERT_TRUE(WaitUntil([&] { return StateLetters() == QStringLiteral("DR"); }));
    Md->DownloadList()->MoveUp(1);
    EXPECT_EQ(StateLetters(), QStringLiteral("RD"));
    Md->Resume();
    EXPECT_EQ(StateLetters(), QStringLiteral("BR"));
    Md->StopAll();
}

TEST_F(SchedulerTest, LimitZeroStartsNothing)
{
    Md->SetMaxTasks(0);
    ASSERT_TRUE(AppendDirect(Bytes(10), File(QStringLiteral("0"))));
    Md->Resume();
    EXPECT_EQ(StateLetters(), QStringLiteral("R"));
}

// A task put back in the queue while its old transfer still runs stays waiting when it is
// started again; Resume must not pick it for ever.
TEST_F(SchedulerTest, ResumeDoesNotSpinOnATaskThatCannotStart)
{
    Md->SetMaxTasks(1);
    ASSERT_TRUE(AppendDirect(Bytes(5000000, "drip:5"), File(QStringLiteral("0"))));
    Md->Resume();
    TDownloadItem* item = Md->DownloadList()->Items(0);
    ASSERT_TRUE(WaitUntil([&] { return item->DownloadState() == KDownloading; }));
    item->ReDownload();
    EXPECT_EQ(item->DownloadState(), KReady);
    Md->Resume(); // returns
    EXPECT_EQ(item->DownloadState(), KReady);
    Md->StopAll();
}

TEST_F(SchedulerTest, DuplicatesAreRefused)
{
    const QString url = Bytes(2000);
    ASSERT_TRUE(AppendDirect(url, File(QStringLiteral("Song.mtd"))));
    EXPECT_FALSE(AppendDirect(url, File(QStringLiteral("other.mtd")))) << "same address";
    EXPECT_FALSE(AppendDirect(url + QStringLiteral("&x"), File(QStringLiteral("SONG.MTD")))) << "file name case";
    EXPECT_EQ(Md->DownloadList()->ItemCount(), 1);
}

// A finished task and a new one for the same address: every event of the new task is
// reported at the new task's row, and the finished row stays as it was.
TEST_F(SchedulerTest, EventsBelongToTheTaskThatRaisedThem)
{
    const QString url = Bytes(50000);
    ASSERT_TRUE(AppendDirect(url, File(QStringLiteral("first.bin"))));
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());
    ASSERT_TRUE(AppendDirect(url, File(QStringLiteral("second.bin")))) << "a finished task is no duplicate";
    StateLog.clear();
    ProgressIndexes.clear();
    Finished.clear();
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());
    EXPECT_EQ(StateLetters(), QStringLiteral("FF"));
    EXPECT_TRUE(StatesOf(0).isEmpty());
    EXPECT_EQ(StatesOf(1), (QList<EDownloadState>{KBeforeConnecting, KDownloading, KFinished}));
    EXPECT_FALSE(ProgressIndexes.contains(0));
    ASSERT_EQ(Finished.size(), 1);
    EXPECT_EQ(Finished[0].Index, 1);
    EXPECT_EQ(Md->DownloadList()->GetIndexByURL(url, false), -1);
    EXPECT_EQ(Md->DownloadList()->GetIndexByURL(url, true), 0);
}
} // namespace
