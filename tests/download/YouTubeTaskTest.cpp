#include <gtest/gtest.h>

#include "DemoSite.h"
#include "DownloadTestFixture.h"
#include "TestSupport.h"

namespace
{
using TestSupport::ReadFile;
using TestSupport::WaitUntil;

using YouTubeTaskTest = DownloadTest;

QString WatchAddress(const QString& id)
{
    return DownloadTest::Site->BaseUrl() + QStringLiteral("/watch?v=") + id;
}

// The whole chain of a task as the application adds it: text fetch of the watch page (no
// progress events), resolution, then the stream into the file with progress events.
TEST_F(YouTubeTaskTest, WatchPageResolutionAndStream)
{
    const struct
    {
        const char* Name;
        int Method;
        const char* Extension; // of the stream the method resolves to
    } rows[] = {
        {"video information", 0, "flv"},
        {"watch page key list", 1, "flv"},
        {"parameter text", 2, "flv"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Md->DownloadList()->ClearAll();
        StateLog.clear();
        ProgressIndexes.clear();
        Finished.clear();
        UseDemoResolver(row.Method);
        const TDemoSong& song = Site->Songs()[row.Method];
        const QString watch = WatchAddress(song.Id);
        const QString file = File(QString::fromLatin1(row.Name) + QStringLiteral(".mtd"));
        ASSERT_TRUE(Md->Append(watch, file, true, KYouTube, QString()));

        // Progress events of the first transfer (the watch page) would come before the
        // second KBeforeConnecting.
        int progressBeforeStream = -1;
        Md->OnProgress = [&](TDownloadList*, int index, qint64, qint64) {
            ProgressIndexes.append(index);
            if (StatesOf(0).count(KBeforeConnecting) < 2)
                progressBeforeStream = index;
        };
        Md->Resume();
        ASSERT_TRUE(WaitAllSettled());

        TDownloadItem* item = Md->DownloadList()->Items(0);
        ASSERT_EQ(item->DownloadState(), KFinished);
        EXPECT_EQ(StatesOf(0), (QList<EDownloadState>{KBeforeConnecting, KDownloading, KBeforeConnecting,
                                                      KDownloading, KFinished}));
        EXPECT_EQ(progressBeforeStream, -1);
        EXPECT_FALSE(ProgressIndexes.isEmpty());
        ASSERT_EQ(Finished.size(), 1);
        EXPECT_EQ(Finished[0].FileName, file);
        const QByteArray media = ReadFile(Site->MediaFile(song.Id, QString::fromLatin1(row.Extension)));
        ASSERT_FALSE(media.isEmpty());
        EXPECT_EQ(ReadFile(file), media);
        EXPECT_EQ(Finished[0].Size, media.size());

        // The item now fetches the stream address; the list still knows the watch address.
        EXPECT_NE(item->URL, watch);
        EXPECT_EQ(Md->DownloadList()->GetIndexByURL(watch, true), -1);
        EXPECT_EQ(Md->DownloadList()->GetIndexByORGURL(watch, true), 0);
        EXPECT_EQ(Md->DownloadList()->EntryText(0), watch);
    }
}

// Without an end-of-resolution report such a task stayed "downloading" for ever.
TEST_F(YouTubeTaskTest, UnresolvableTaskFails)
{
    const struct
    {
        const char* Name;
        int Method;
        const char* Switches;
        const char* Id;
    } rows[] = {
        {"parameter text without maps", 2, "map=none", nullptr},
        {"unknown video, video information", 0, nullptr, "NoSuchVideo"},
        {"unknown video, watch page", 1, nullptr, "NoSuchVideo"},
    };
    int i = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Md->DownloadList()->ClearAll();
        UseDemoResolver(row.Method, row.Switches ? QString::fromLatin1(row.Switches) : QString());
        const QString id = row.Id ? QString::fromLatin1(row.Id) : Site->Songs()[0].Id;
        ASSERT_TRUE(Md->Append(WatchAddress(id), File(QStringLiteral("u%1.mtd").arg(i++)), true, KYouTube, QString()));
        Md->Resume();
        TDownloadItem* item = Md->DownloadList()->Items(0);
        ASSERT_TRUE(WaitUntil([&] { return item->DownloadState() == KFailed; }));
        EXPECT_TRUE(Finished.isEmpty());
        EXPECT_FALSE(Md->IsDownloading());
    }
}

TEST_F(YouTubeTaskTest, AbortDuringTheStreamRestoresTheWatchAddress)
{
    UseDemoResolver(1);
    const QString watch = WatchAddress(Site->Songs()[1].Id);
    Site->SetFault(QStringLiteral("/get_video"), {EDemoFault::Drip, 10});
    ASSERT_TRUE(Md->Append(watch, File(QStringLiteral("a.mtd")), true, KYouTube, QString()));
    Md->Resume();
    TDownloadItem* item = Md->DownloadList()->Items(0);
    ASSERT_TRUE(WaitUntil([&] { return StatesOf(0).count(KBeforeConnecting) == 2 && item->DownloadState() == KDownloading; }));
    ASSERT_NE(item->URL, watch);
    item->Abort();
    EXPECT_EQ(item->DownloadState(), KReady);
    EXPECT_EQ(item->URL, watch);
    EXPECT_TRUE(item->RedirectOptions.YesINeedRedirect);

    // Started again, it goes through the whole chain once more.
    Site->ClearFaults();
    StateLog.clear();
    Md->Resume();
    ASSERT_TRUE(WaitAllSettled());
    EXPECT_EQ(item->DownloadState(), KFinished);
    EXPECT_EQ(ReadFile(item->FileName), ReadFile(Site->MediaFile(Site->Songs()[1].Id, QStringLiteral("flv"))));
}

TEST_F(YouTubeTaskTest, AbortWhileResolvingDropsTheAnswer)
{
    UseDemoResolver(0);
    // The video information answer drips, so the resolution is still running at the abort.
    Site->SetFault(QStringLiteral("/get_video_info"), {EDemoFault::Drip, 200});
    ASSERT_TRUE(Md->Append(WatchAddress(Site->Songs()[2].Id), File(QStringLiteral("r.mtd")), true, KYouTube, QString()));
    Md->Resume();
    TDownloadItem* item = Md->DownloadList()->Items(0);
    ASSERT_TRUE(WaitUntil([&] { return Site->RequestCount(QStringLiteral("/get_video_info")) == 1; }));
    EXPECT_TRUE(Md->IsDownloading()) << "a resolving task is at work";
    item->Abort();
    StateLog.clear();
    Site->ClearFaults();
    TestSupport::ProcessEventsFor(500);
    EXPECT_TRUE(StateLog.isEmpty());
    EXPECT_EQ(item->DownloadState(), KReady);
    EXPECT_EQ(Site->RequestCount(QStringLiteral("/get_video")), 0);
}
} // namespace
