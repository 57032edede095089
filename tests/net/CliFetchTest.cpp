// varnelo-cli fetch against a running varnelo-demo-site, both as separate programs.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "DemoSite.h"
#include "TestSupport.h"

namespace
{
class CliFetch : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        FSite = new QProcess();
        FSite->start(QDir(TestSupport::ProgramDir()).filePath(QStringLiteral("varnelo-demo-site")),
                     {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--short"), QStringLiteral("--cache"),
                      TDemoSite::DefaultCacheDir(false)});
        // The first line on stdout is the port, once the media are ready.
        if (FSite->waitForStarted() &&
            TestSupport::WaitUntil([] { return FSite->canReadLine() || FSite->state() != QProcess::Running; }, 120000))
            FBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(QString::fromLatin1(FSite->readLine()).trimmed());
    }

    static void TearDownTestSuite()
    {
        FSite->kill();
        FSite->waitForFinished();
        delete FSite;
        FSite = nullptr;
    }

    struct TRun
    {
        int ExitCode = -1;
        QByteArray Out;
        QByteArray Err;
    };

    static TRun Fetch(const QStringList& args)
    {
        QProcess cli;
        cli.start(QDir(TestSupport::ProgramDir()).filePath(QStringLiteral("varnelo-cli")),
                  QStringList{QStringLiteral("fetch")} + args);
        TRun run;
        if (!cli.waitForFinished(120000))
            return run;
        run.ExitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
        run.Out = cli.readAllStandardOutput();
        run.Err = cli.readAllStandardError();
        return run;
    }

    static inline QProcess* FSite = nullptr;
    static inline QString FBaseUrl;
};

TEST_F(CliFetch, FileAndTextArriveExactly)
{
    ASSERT_FALSE(FBaseUrl.isEmpty());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("body.bin"));
    const TRun file = Fetch({FBaseUrl + QStringLiteral("/bytes/123457"), QStringLiteral("-o"), out});
    EXPECT_EQ(file.ExitCode, 0) << file.Err.toStdString();
    EXPECT_TRUE(TestSupport::ReadFile(out) == DemoBytes(0, 123457));

    const TRun text = Fetch({FBaseUrl + QStringLiteral("/text/utf8"), QStringLiteral("--charset"), QStringLiteral("utf8")});
    EXPECT_EQ(text.ExitCode, 0) << text.Err.toStdString();
    EXPECT_EQ(text.Out, DemoSampleText(false).toUtf8());

    const TRun post = Fetch({FBaseUrl + QStringLiteral("/echo"), QStringLiteral("--post"), QStringLiteral("a=b c"),
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
    const TRun run = Fetch({FBaseUrl + QStringLiteral("/media/%1.mp4").arg(id), QStringLiteral("-o"), out});
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
        const TRun run = Fetch(row.Args);
        const std::string name = row.Args.join(u' ').toStdString();
        EXPECT_EQ(run.ExitCode, row.ExitCode) << name;
        EXPECT_TRUE(run.Err.contains(row.InMessage)) << name << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << name;
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
} // namespace
