// varnelo-cli fetch against a running varnelo-demo-site, both as separate programs.
#include <QDir>
#include <QTemporaryDir>

#include <memory>

#include "DemoSiteFixture.h"
#include "ProgramRun.h"
#include "TestSupport.h"

namespace
{
using TestSupport::TProgramRun;

class CliFetch : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        FSite = std::make_unique<TestSupport::TDemoSiteProgram>();
        if (FSite->Start())
            FBaseUrl = FSite->BaseUrl();
    }

    static void TearDownTestSuite() { FSite.reset(); }

    static TProgramRun Fetch(const QStringList& args)
    {
        return TestSupport::RunProgram(QStringLiteral("varnelo-cli"), QStringList{QStringLiteral("fetch")} + args);
    }

    static inline std::unique_ptr<TestSupport::TDemoSiteProgram> FSite;
    static inline QString FBaseUrl;
};

TEST_F(CliFetch, FileAndTextArriveExactly)
{
    ASSERT_FALSE(FBaseUrl.isEmpty());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("body.bin"));
    const TProgramRun file = Fetch({FBaseUrl + QStringLiteral("/bytes/123457"), QStringLiteral("-o"), out});
    EXPECT_EQ(file.ExitCode, 0) << file.Err.toStdString();
    EXPECT_TRUE(TestSupport::ReadFile(out) == DemoBytes(0, 123457));

    const TProgramRun text = Fetch({FBaseUrl + QStringLiteral("/text/utf8"), QStringLiteral("--charset"), QStringLiteral("utf8")});
    EXPECT_EQ(text.ExitCode, 0) << text.Err.toStdString();
    EXPECT_EQ(text.Out, DemoSampleText(false).toUtf8());

    const TProgramRun post = Fetch({FBaseUrl + QStringLiteral("/echo"), QStringLiteral("--post"), QStringLiteral("a=b c"),
                             QStringLiteral("--post"), QStringLiteral("x=&")});
    EXPECT_EQ(post.ExitCode, 0) << post.Err.toStdString();
    EXPECT_EQ(post.Out, QByteArray("a=b+c&x=%26"));
}

TEST_F(CliFetch, MediaFileMatchesTheSitesCopy)
{
    ASSERT_FALSE(FBaseUrl.isEmpty());
    TDemoSite site; // only to name the cached file the program serves
    const QString id = site.Songs().front().Id;
    const QString cached = site.MediaFile(id, QStringLiteral("mp4"));
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("song.mp4"));
    const TProgramRun run = Fetch({FBaseUrl + QStringLiteral("/media/%1.mp4").arg(id), QStringLiteral("-o"), out});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(!cached.isEmpty() && TestSupport::ReadFile(out) == TestSupport::ReadFile(cached));
}

TEST_F(CliFetch, FailuresExitNonZeroWithAReason)
{
    ASSERT_FALSE(FBaseUrl.isEmpty());
    struct TRow
    {
        QStringList Args;
        int ExitCode;
        const char* InMessage;
    };
    QTemporaryDir dir;
    const TRow rows[] = {
        {{FBaseUrl + QStringLiteral("/no/such/page")}, 1, "404"},
        {{FBaseUrl + QStringLiteral("/bytes/1000?fault=500"), QStringLiteral("-o"), dir.filePath(QStringLiteral("x"))}, 1, "500"},
        {{FBaseUrl + QStringLiteral("/bytes/1000?fault=reset"), QStringLiteral("-o"), dir.filePath(QStringLiteral("y"))}, 1,
         "fetch failed"},
        {{FBaseUrl}, 1, "No host"}, // no "/" after the host
        {{}, 2, "missing URL"},
        {{FBaseUrl, QStringLiteral("--charset"), QStringLiteral("ebcdic")}, 2, "unknown charset"},
    };
    for (const TRow& row : rows) {
        const TProgramRun run = Fetch(row.Args);
        const std::string name = row.Args.join(u' ').toStdString();
        EXPECT_EQ(run.ExitCode, row.ExitCode) << name;
        EXPECT_TRUE(run.Err.contains(row.InMessage)) << name << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << name;
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
} // namespace
