// varnelo-cli resolve and fetch against a running varnelo-demo-site program.
#include <QTemporaryDir>

#include "DemoSiteFixture.h"
#include "DemoVideo.h"
#include "ProgramRun.h"
#include "TestSupport.h"
#include "common/NameValueList.h"

using TestSupport::ReadFile;
using TestSupport::RunProgram;
using TestSupport::TDemoSiteProgram;
using TestSupport::TProgramRun;

namespace
{
TProgramRun RunCli(const QStringList& args)
{
    return RunProgram(QStringLiteral("varnelo-cli"), args);
}

QStringList SetArgs(const TNameValueList& values)
{
    QStringList args;
    for (const QString& line : values.Lines())
        args << QStringLiteral("--set") << line;
    return args;
}
} // namespace

TEST(ResolveCommand, PrintsAnAddressThatFetchDownloadsWhole)
{
    TDemoSiteProgram site;
    ASSERT_TRUE(site.Start());
    // The same media the program serves: both sides share the test media folder.
    TDemoSite local;
    const TDemoSong& song = local.Songs().front();
    const struct
    {
        int method;
        const char* extension;
    } rows[] = {{0, "flv"}, {1, "flv"}, {2, "flv"}};
    QTemporaryDir dir;
    for (const auto& row : rows) {
        const TProgramRun resolved =
            RunCli(SetArgs(DemoResolverSettings(site.BaseUrl(), row.method)) << QStringLiteral("resolve") << song.Id);
        ASSERT_EQ(resolved.ExitCode, 0) << "method " << row.method << ": " << resolved.Err.toStdString();
        const QString address = QString::fromUtf8(resolved.Out).trimmed();
        EXPECT_TRUE(address.startsWith(site.BaseUrl())) << address.toStdString();
        EXPECT_FALSE(address.contains(u'\n')) << "one line: " << address.toStdString();

        const QString file = dir.filePath(QStringLiteral("stream%1.bin").arg(row.method));
        const TProgramRun fetched = RunCli({QStringLiteral("fetch"), address, QStringLiteral("-o"), file});
        ASSERT_EQ(fetched.ExitCode, 0) << address.toStdString() << ": " << fetched.Err.toStdString();
        const QByteArray media = ReadFile(local.MediaFile(song.Id, QString::fromLatin1(row.extension)));
        ASSERT_FALSE(media.isEmpty());
        EXPECT_TRUE(ReadFile(file) == media) << "method " << row.method << ": " << address.toStdString();
    }
}

TEST(ResolveCommand, FailuresExitNonZeroWithAReason)
{
    TDemoSiteProgram site;
    ASSERT_TRUE(site.Start());
    TNameValueList noMap = DemoResolverSettings(site.BaseUrl(), 2);
    const TDemoSite local;
    noMap.SetValue(QStringLiteral("WatchURL"), site.BaseUrl() + QStringLiteral("/watch?map=none&v="));
    const struct
    {
        const char* name;
        QStringList args;
        int exitCode;
        const char* message;
    } rows[] = {
        {"unknown video", SetArgs(DemoResolverSettings(site.BaseUrl(), 1)) << "resolve" << "nosuchvideo", 1,
         "the answer holds no token"},
        {"no map", SetArgs(noMap) << "resolve" << local.Songs().front().Id, 1, "the watch page holds no stream map"},
        {"no service information", {"resolve", "x"}, 1, "no service information"},
        {"no identifier", {"resolve"}, 2, "one video identifier"},
    };
    for (const auto& row : rows) {
        const TProgramRun run = RunCli(row.args);
        EXPECT_EQ(run.ExitCode, row.exitCode) << row.name << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << row.name << ": " << run.Out.toStdString();
        EXPECT_TRUE(run.Err.contains(row.message)) << row.name << ": " << run.Err.toStdString();
    }
}
