#include <gtest/gtest.h>

#include "ProgramSandbox.h"
#include "TestSupport.h"
#include "framework/KvInstanceChannel.h"

// The real program against itself: two processes, a fresh user, no display where none is
// needed.
namespace
{
QStringList HandedOver(const TProgramSandbox& run)
{
    QStringList texts;
    const QString marker = QStringLiteral("[KvMain] CmdParam: ");
    for (const QString& line : QString::fromUtf8(TestSupport::ReadFile(run.DebugLog())).split(u'\n')) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0)
            texts.append(line.mid(at + marker.size()));
    }
    return texts;
}

bool WaitForExit(QProcess& process)
{
    return TestSupport::WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 60000);
}

TEST(StartupTest, TheFirstStartCreatesTheSettingsAndEachStartCountsOnce)
{
    TProgramSandbox run;
    QProcess& first = run.Start({});
    ASSERT_TRUE(run.WaitUntilReady());
    // The count comes first; the engine then records the language it chose.
    EXPECT_EQ(TestSupport::ReadFile(run.SettingFile()), QByteArray("[setting]\nRunTimes=1\nLanguage=English\n\n"));
    // Killed like a crash: its lock and socket stay behind and must not block the next start.
    first.kill();
    ASSERT_TRUE(WaitForExit(first));

    QProcess& second = run.Start({});
    ASSERT_TRUE(run.WaitUntilReady());
    EXPECT_TRUE(TestSupport::ReadFile(run.SettingFile()).contains("RunTimes=2\n"));
    int code = -1;
    ASSERT_TRUE(run.Run({QStringLiteral("-s")}, code, false));
    ASSERT_TRUE(WaitForExit(second));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
}

TEST(StartupTest, ASecondCopyHandsOverItsFirstArgumentUnlessItIsASwitchAndEnds)
{
    TProgramSandbox run;
    QProcess& first = run.Start({QStringLiteral("-d")});
    ASSERT_TRUE(run.WaitUntilReady());

    const QString path = QStringLiteral("/tmp/My Music/Song \u00e4 \u4e2d.mp3");
    const QList<QStringList> starts = {
        {QStringLiteral("-h"), QStringLiteral("/tmp/x.mp3")},
        {QString()},
        {path, QStringLiteral("-d")},
    };
    for (const QStringList& arguments : starts) {
        SCOPED_TRACE(arguments.join(u'|').toStdString());
        int code = -1;
        ASSERT_TRUE(run.Run(arguments, code)) << "a second copy ends by itself";
        EXPECT_EQ(code, 0);
    }
    // Requests are answered in order: once the last one is there, all are.
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return HandedOver(run).size() >= 2; }));
    EXPECT_EQ(HandedOver(run), (QStringList{QString(), path}));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST(StartupTest, StopClosesTheRunningCopyAndNeedsNoDisplay)
{
    for (const QString& stop : {QStringLiteral("-s"), QStringLiteral("/S")}) {
        SCOPED_TRACE(stop.toStdString());
        TProgramSandbox run;
        QProcess& first = run.Start({});
        ASSERT_TRUE(run.WaitUntilReady());
        int code = -1;
        ASSERT_TRUE(run.Run({stop}, code, false));
        EXPECT_EQ(code, 0);
        ASSERT_TRUE(WaitForExit(first));
        EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(first.exitCode(), 0);
    }
    // With nothing running there is nothing to stop, and no window either.
    TProgramSandbox idle;
    int code = -1;
    ASSERT_TRUE(idle.Run({QStringLiteral("-s")}, code, false));
    EXPECT_EQ(code, 0);
}

TEST(StartupTest, InstallAndUninstallSwitchesEndAtOnceAndTouchNoData)
{
    const QList<QStringList> rows = {
        {QStringLiteral("-i")},
        {QStringLiteral("/U")},
        {QStringLiteral("/tmp/song.mp3"), QStringLiteral("-I")},
    };
    for (const QStringList& arguments : rows) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        TProgramSandbox run;
        int code = -1;
        ASSERT_TRUE(run.Run(arguments, code, false));
        EXPECT_EQ(code, 0);
        EXPECT_FALSE(run.AnyDataFolderExists());
    }
}

TEST(StartupTest, AutorunStartsOnlyWhenTheSettingAllowsIt)
{
    {
        TProgramSandbox refused;
        int code = -1;
        ASSERT_TRUE(refused.Run({QStringLiteral("-a")}, code)) << "ends by itself";
        EXPECT_EQ(code, 0);
    }
    TProgramSandbox allowed("App.Autorun=1\n");
    QProcess& process = allowed.Start({QStringLiteral("/a")});
    ASSERT_TRUE(allowed.WaitUntilReady());
    EXPECT_EQ(allowed.Ask(KvRequest::GetAppID), 777);
    EXPECT_EQ(allowed.Ask(KvRequest::CloseApp), 0);
    ASSERT_TRUE(WaitForExit(process));
}

TEST(StartupTest, TheDebugSwitchAndSettingsTurnTheLogOn)
{
    // Each start is refused right after the debug decision ("-a" without "App.Autorun").
    const struct
    {
        const char* Name;
        QStringList Arguments;
        QByteArray Settings;
        bool Logged;
    } rows[] = {
        {"nothing", {}, "", false},
        {"-d", {"-D"}, "", true},
        {"Debug.Enabled", {}, "Debug.Enabled=1\n", true},
        {"Debug.Enabled as text", {}, "Debug.Enabled=true\n", false},
        {"Debug.Disabled vetoes Debug.Enabled", {}, "Debug.Enabled=1\nDebug.Disabled=1\n", false},
        {"-d wins over Debug.Disabled", {"/d"}, "Debug.Disabled=1\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TProgramSandbox run;
        run.WriteSettings(row.Settings);
        int code = -1;
        ASSERT_TRUE(run.Run(QStringList(row.Arguments) << QStringLiteral("-a"), code));
        const QByteArray log = TestSupport::ReadFile(run.DebugLog());
        EXPECT_EQ(log.contains("Enter Debug Mode..."), row.Logged) << log.toStdString();
        // The store's own lines go to the same channel.
        EXPECT_EQ(log.contains("[KvSettings] Setting Not Found :App.Autorun"), row.Logged) << log.toStdString();
    }
}

TEST(StartupTest, RestartClosesTheRunningCopyAndTakesItsPlace)
{
    TProgramSandbox run;
    QProcess& first = run.Start({});
    ASSERT_TRUE(run.WaitUntilReady());
    QProcess& second = run.Start({QStringLiteral("-r")});
    ASSERT_TRUE(WaitForExit(first));
    ASSERT_TRUE(run.WaitUntilReady());
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_EQ(run.Ask(KvRequest::CloseApp), 0);
    ASSERT_TRUE(WaitForExit(second));
}
} // namespace
