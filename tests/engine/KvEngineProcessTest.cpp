#include "framework/KvEngine.h"

#include <QWidget>

#include <gtest/gtest.h>

#include "ProgramSandbox.h"
#include "TestSupport.h"
#include "common/NameValueList.h"
#include "common/SystemFunctions.h"
#include "framework/KvInstanceChannel.h"
#include "framework/KvMain.h"
#include "framework/KvSettings.h"

// This test process is the running copy: an engine on a form answering on the sandbox's
// instance channel. The second copy is the real program, started as a user would.
namespace
{
QString SandboxGuid(const TProgramSandbox& run)
{
    TNameValueList lines;
    lines.SetText(QString::fromUtf8(TestSupport::ReadFile(run.Root() + QStringLiteral("/program/const.dat"))));
    return lines.Values(QStringLiteral("App.GUID"));
}

TEST(KvEngineProcess, ASecondCopyMeetsABusyEngineUntilInitPost)
{
    TProgramSandbox run;
    const QString guid = SandboxGuid(run);
    ASSERT_FALSE(guid.isEmpty());
    // The single-instance lock of the sandbox, held by this process.
    qputenv("XDG_RUNTIME_DIR", (run.Root() + QStringLiteral("/run")).toLocal8Bit());
    ASSERT_TRUE(CheckSingleInstance(QStringLiteral("Global\\") + guid));

    QWidget form;
    TKvEngine engine(&form);
    engine.SetCommandLine({});
    engine.SettingOverwrite().SetValue(QStringLiteral("App.ID"), QStringLiteral("777"));
    QStringList files;
    engine.OnCmdFile = [&](const QString& file) { files.append(file); };
    TKvInstanceServer server;
    ASSERT_TRUE(server.Listen(InstanceChannelName(KMainFormClass, guid)));
    engine.ConnectInstanceServer(&server);
    // Record the requests that only a copy that is not busy may send.
    QStringList fronts;
    const auto bringToFront = server.Handlers.OnBringtoFront;
    server.Handlers.OnBringtoFront = [&] {
        fronts.append(QStringLiteral("BringtoFront"));
        return bringToFront();
    };
    server.Handlers.OnForceForeground = [&] {
        fronts.append(QStringLiteral("ForceForeground"));
        return 1;
    };

    const QString path = QStringLiteral("/tmp/My Music/Song \u00e4 \u4e2d & 'x'.mp3");
    int code = -1;
    ASSERT_TRUE(run.Run({path}, code)) << "the second copy ends by itself";
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !files.isEmpty(); }));
    EXPECT_EQ(files, QStringList({path}));
    EXPECT_TRUE(fronts.isEmpty()) << fronts.join(u' ').toStdString();

    engine.InitPost();
    ASSERT_TRUE(run.Run({QStringLiteral("-h")}, code));
    EXPECT_EQ(fronts, QStringList({"BringtoFront", "ForceForeground"}));
    TestSupport::ProcessEventsFor(50);
    EXPECT_EQ(files.size(), 1) << "a switch is never handed over";
    ReleaseSettingsStore();
}

// Both copies real: the running program's engine answers and delivers the hand-over.
TEST(KvEngineProcess, TheProgramsEngineDeliversTheHandOver)
{
    TProgramSandbox run;
    QProcess& first = run.Start({QStringLiteral("-d")});
    ASSERT_TRUE(run.WaitUntilReady()) << "answers 0 once InitPost has run";
    const QString path = QStringLiteral("/tmp/My Music/Song \u00e4 \u4e2d.mp3");
    int code = -1;
    ASSERT_TRUE(run.Run({path}, code));
    EXPECT_EQ(code, 0);
    const QString line = QStringLiteral("[KvEngine] CmdParam: ") + path + u'\n';
    EXPECT_TRUE(TestSupport::WaitUntil(
        [&] { return QString::fromUtf8(TestSupport::ReadFile(run.DebugLog())).contains(line); }));
    EXPECT_EQ(run.Ask(KvRequest::GetAppID), 777);
    EXPECT_EQ(run.Ask(KvRequest::CloseApp), 0);
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return first.state() == QProcess::NotRunning; }, 60000));
}
} // namespace
