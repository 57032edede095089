// The demo site itself: its media are what they claim to be, and its counters see
// concurrent transfers (other subsystems' tests rely on both).
#include <memory>
#include <vector>

#include "DemoSite.h"
#include "ProgramRun.h"
#include "TestSupport.h"
#include "net/SingleDownloader.h"

namespace
{
QString Probe(const QString& file, const QString& entries)
{
    const TestSupport::TProgramRun ffprobe = TestSupport::RunProcess(
        QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"), entries,
                                    QStringLiteral("-of"), QStringLiteral("csv=p=0"), file});
    if (ffprobe.ExitCode != 0)
        return QStringLiteral("<ffprobe failed>");
    return QString::fromUtf8(ffprobe.Out).trimmed();
}

TEST(DemoSite, MediaAreRealFlvAndMp4)
{
    TDemoSite site;
    struct TRow
    {
        const char* Extension;
        QStringList Codecs;
    };
    const TRow rows[] = {
        {"flv", {QStringLiteral("flv1"), QStringLiteral("mp3")}},
        {"mp4", {QStringLiteral("h264"), QStringLiteral("aac")}},
    };
    const TDemoSong& song = site.Songs().back();
    for (const TRow& row : rows) {
        const QString file = site.MediaFile(song.Id, QString::fromLatin1(row.Extension));
        ASSERT_FALSE(file.isEmpty()) << row.Extension;
        QStringList codecs = Probe(file, QStringLiteral("stream=codec_name")).split(u'\n');
        codecs.sort();
        QStringList expected = row.Codecs;
        expected.sort();
        EXPECT_EQ(codecs, expected) << row.Extension;
        const double duration = Probe(file, QStringLiteral("format=duration")).toDouble();
        EXPECT_NEAR(duration, site.MediaDuration(song), 0.5) << row.Extension;
    }
    EXPECT_TRUE(site.MediaFile(QStringLiteral("unknown-id"), QStringLiteral("flv")).isEmpty());
}

TEST(DemoSite, CountsRequestsAndConcurrentTransfers)
{
    TDemoSite site;
    ASSERT_TRUE(site.Start(0));
    std::vector<std::unique_ptr<TSingleDownloader>> downloads;
    int done = 0;
    for (int i = 0; i < 3; ++i) {
        auto sd = std::make_unique<TSingleDownloader>();
        sd->URL = site.BaseUrl() + QStringLiteral("/bytes/40000?fault=drip:10");
        sd->OnDoneString = [&](TSingleDownloader*, const QString&) { ++done; };
        sd->GetString();
        downloads.push_back(std::move(sd));
    }
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return site.InFlight() == 3; }));
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return done == 3; }));
    EXPECT_EQ(site.MaxInFlight(), 3);
    EXPECT_EQ(site.RequestCount(QStringLiteral("/bytes/40000")), 3);
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return site.InFlight() == 0; }));
    site.ResetCounters();
    EXPECT_EQ(site.MaxInFlight(), 0);
    EXPECT_EQ(site.TotalRequests(), 0);
}

TEST(DemoSite, PathFaultsApplyUntilCleared)
{
    TDemoSite site;
    ASSERT_TRUE(site.Start(0));
    site.SetFault(QStringLiteral("/bytes/"), ParseDemoFault(QStringLiteral("404")));
    int errors = 0;
    int done = 0;
    TSingleDownloader sd;
    sd.WaitThread = true;
    sd.URL = site.BaseUrl() + QStringLiteral("/bytes/10");
    sd.OnError = [&](TSingleDownloader*) { ++errors; };
    sd.OnDoneString = [&](TSingleDownloader*, const QString&) { ++done; };
    sd.GetString();
    EXPECT_EQ(errors, 1);
    // The query's fault wins over the path's.
    sd.URL = site.BaseUrl() + QStringLiteral("/bytes/10?fault=redirect:2");
    sd.GetString();
    EXPECT_EQ(done, 1);
    site.ClearFaults();
    sd.URL = site.BaseUrl() + QStringLiteral("/bytes/10");
    sd.GetString();
    EXPECT_EQ(done, 2);
}
} // namespace
