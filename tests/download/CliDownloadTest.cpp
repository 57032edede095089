#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "DemoSite.h"
#include "DemoVideo.h"
#include "ProgramRun.h"
#include "TestSupport.h"

namespace
{
using TestSupport::ReadFile;
using TestSupport::TProgramRun;

TProgramRun RunCli(const QStringList& args)
{
    return TestSupport::RunProgram(QStringLiteral("varnelo-cli"), args);
}

class CliDownloadTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Site.Start(0)); }
    void TearDown() override { Site.Stop(); }

    // The resolver settings of the demo site as --set options.
    QStringList SettingOptions() const
    {
        QStringList options;
        const TNameValueList settings = DemoResolverSettings(Site.BaseUrl(), 1);
        for (int i = 0; i < settings.Count(); ++i)
            options << QStringLiteral("--set") << settings[i];
        return options;
    }

    TDemoSite Site;
    QTemporaryDir Dir;
};

// Ten songs with at most three transfers at once: every file equals the served media.
TEST_F(CliDownloadTest, TenSongsThreeAtATime)
{
    QStringList args = SettingOptions();
    args << QStringLiteral("download") << QStringLiteral("--max-tasks") << QStringLiteral("3");
    struct TExpected
    {
        QString File;
        QString Media;
    };
    QList<TExpected> expected;
    const auto& songs = Site.Songs();
    for (int i = 0; i < 10; ++i) {
        const TDemoSong& song = songs[i % songs.size()];
        const QString file = Dir.filePath(QStringLiteral("song%1.mtd").arg(i));
        if (i < 5) {
            args << QStringLiteral("youtube:") + song.Id + u'=' + file;
            expected.append({file, Site.MediaFile(song.Id, QStringLiteral("flv"))});
        } else {
            args << Site.BaseUrl() + QStringLiteral("/media/") + song.Id + QStringLiteral(".mp4=") + file;
            expected.append({file, Site.MediaFile(song.Id, QStringLiteral("mp4"))});
        }
    }
    Site.ResetCounters();
    const TProgramRun run = RunCli(args);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("10 of 10 tasks finished")) << run.Out.toStdString();
    for (const TExpected& e : expected) {
        const QByteArray media = ReadFile(e.Media);
        ASSERT_FALSE(media.isEmpty());
        EXPECT_EQ(ReadFile(e.File), media) << e.File.toStdString();
    }
    EXPECT_GE(Site.MaxInFlight(), 1);
    EXPECT_LE(Site.MaxInFlight(), 3);
}

// A failed task makes the exit code non-zero; the saved list keeps it for a later run,
// which resumes it and finishes.
TEST_F(CliDownloadTest, ListFileIsSavedAndResumed)
{
    const QString list = Dir.filePath(QStringLiteral("downloadlist.sav"));
    const QString good = Dir.filePath(QStringLiteral("good.bin"));
    const QString bad = Dir.filePath(QStringLiteral("bad.bin"));
    Site.SetFault(QStringLiteral("/bytes/2000"), {EDemoFault::ServerError, 0});
    TProgramRun run = RunCli({QStringLiteral("download"), QStringLiteral("--list"), list,
                          Site.BaseUrl() + QStringLiteral("/bytes/1000=") + good,
                          Site.BaseUrl() + QStringLiteral("/bytes/2000=") + bad});
    EXPECT_EQ(run.ExitCode, 1) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("failed")) << run.Err.toStdString();
    EXPECT_EQ(ReadFile(good), DemoBytes(0, 1000));

    Site.ClearFaults();
    Site.ResetCounters();
    run = RunCli({QStringLiteral("download"), QStringLiteral("--list"), list});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(ReadFile(bad), DemoBytes(0, 2000));
    EXPECT_EQ(Site.RequestCount(QStringLiteral("/bytes/1000")), 0) << "a finished task is not fetched again";
}

TEST_F(CliDownloadTest, BadArgumentsAreRefused)
{
    const QStringList rows[] = {
        {QStringLiteral("download")},
        {QStringLiteral("download"), QStringLiteral("no-file-given")},
        {QStringLiteral("download"), QStringLiteral("--max-tasks"), QStringLiteral("0"), QStringLiteral("http://x=y")},
    };
    for (const QStringList& args : rows)
        EXPECT_EQ(RunCli(args).ExitCode, 2) << args.join(u' ').toStdString();
}
} // namespace
