#include "framework/KvMain.h"

#include <QCoreApplication>
#include <QThread>

#include "common/DebugLog.h"
#include "common/SystemFunctions.h"
#include "framework/KvInstanceChannel.h"
#include "framework/KvSettings.h"

namespace
{
const QString KTag = QStringLiteral("KvMain");

bool GDebugMode = false;
TKvInstanceServer* GInstanceServer = nullptr;

QString ChannelName(const QString& className)
{
    return InstanceChannelName(className, SettingsStore().GetSettingString(QStringLiteral("App.GUID")));
}

// Releases the settings store however the run routine ends, after everything that may
// still write settings is gone.
struct TStoreRelease final
{
    TStoreRelease() = default;
    ~TStoreRelease() { ReleaseSettingsStore(); }
    Q_DISABLE_COPY_MOVE(TStoreRelease)
};

void WireDefaultAnswers(TKvInstanceServer& server)
{
    server.Handlers.OnGetAppID = [] { return SettingsStore().GetSettingInteger(QStringLiteral("App.ID")); };
    server.Handlers.OnCloseApp = [] {
        // Ends the loop without the close query, as a window closed from outside.
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    };
    // Busy until the main form takes over the answer.
    server.Handlers.OnIfBusy = [] { return 1; };
}

void DecideDebugMode(const TKvSwitches& switches, const TKvRunHooks& hooks)
{
    TKvSettings& settings = SettingsStore();
    const bool chord = hooks.IsDebugChordHeld && hooks.IsDebugChordHeld();
    GDebugMode = switches.Debug || ((settings.GetSettingBool(QStringLiteral("Debug.Enabled")) || chord) &&
                                    !settings.GetSettingBool(QStringLiteral("Debug.Disabled")));
    if (GDebugMode)
        DebugLog::SetLogFile(DebugLogFileName());
    DebugLog::SetActive(GDebugMode);
    if (GDebugMode)
        DebugLog::Log(QStringLiteral("Enter Debug Mode..."));
}
} // namespace

TKvSwitches ParseSwitches(const QStringList& arguments)
{
    TKvSwitches switches;
    for (const QString& argument : arguments) {
        if (argument.size() != 2 || (argument[0] != u'-' && argument[0] != u'/'))
            continue;
        switch (argument[1].toLower().unicode()) {
        case u'i': switches.Install = true; break;
        case u'u': switches.Uninstall = true; break;
        case u's': switches.Stop = true; break;
        case u'r': switches.Restart = true; break;
        case u'd': switches.Debug = true; break;
        case u'a': switches.Autorun = true; break;
        case u'h': switches.Hidden = true; break;
        default: break;
        }
    }
    return switches;
}

bool IsHandOverArgument(const QString& argument)
{
    if (argument.startsWith(u'-'))
        return false;
    return !(argument.size() == 2 && argument[0] == u'/' && argument[1].isLetter());
}

bool DebugMode()
{
    return GDebugMode;
}

TKvInstanceServer* AppInstanceServer()
{
    return GInstanceServer;
}

QString DebugLogFileName()
{
    return SettingsStore().UserDataPath() + QStringLiteral("debug.log");
}

QString FindAppWindow(const QString& className)
{
    const QString name = ChannelName(className);
    const std::optional<int> id = SendInstanceRequest(name, KvRequest::GetAppID);
    return id && *id == SettingsStore().GetSettingInteger(QStringLiteral("App.ID")) ? name : QString();
}

bool CloseRunningApp(const QString& className)
{
    const QString name = FindAppWindow(className);
    return !name.isEmpty() && SendInstanceRequest(name, KvRequest::CloseApp).has_value();
}

void BringRunningAppToFront(const QString& className)
{
    const QString name = FindAppWindow(className);
    if (name.isEmpty() || SendInstanceRequest(name, KvRequest::IfBusy) == 1)
        return;
    if (SendInstanceRequest(name, KvRequest::BringtoFront) != 1)
        SendInstanceRequest(name, KvRequest::ForceForeground);
}

void SendParamToRunningApp(const QString& className, const QString& text)
{
    const QString name = FindAppWindow(className);
    if (!name.isEmpty())
        SendInstanceRequest(name, KvRequest::CopyData, text);
}

int RunApplication(int& argc, char** argv, const TKvRunHooks& hooks)
{
    // 1. The floating-point control word needs no change on x86-64: SSE masks every
    //    exception by default.
    // 2.
    DebugLog::SetActive(false);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const TKvSwitches switches = ParseSwitches(arguments);

    // 3. No setting is read, no folder made.
    if (switches.Install || switches.Uninstall)
        return 0;

    const TStoreRelease storeRelease;
    // 4. Needs no display: a core application object is enough to talk to the running copy.
    if (switches.Stop) {
        const QCoreApplication app(argc, argv);
        CloseRunningApp(KMainFormClass);
        return 0;
    }

    const std::unique_ptr<QCoreApplication> app =
        hooks.CreateApplication ? hooks.CreateApplication(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);

    // 5.
    if (switches.Restart) {
        CloseRunningApp(KMainFormClass);
        QThread::msleep(2000);
    }

    // 6.
    DecideDebugMode(switches, hooks);
    TKvSettings& settings = SettingsStore();

    // 7.
    if (switches.Autorun && !settings.GetSettingBool(QStringLiteral("App.Autorun")))
        return 0;
    // 8.
    if (hooks.StartupPredicate && !hooks.StartupPredicate())
        return 0;

    // 9.
    if (!settings.GetSettingBool(QStringLiteral("App.Multiple")) &&
        !CheckSingleInstance(QStringLiteral("Global\\") + settings.GetSettingString(QStringLiteral("App.GUID")))) {
        BringRunningAppToFront(KMainFormClass);
        if (!arguments.isEmpty() && IsHandOverArgument(arguments.first()))
            SendParamToRunningApp(KMainFormClass, arguments.first());
        return 0;
    }
    // Listening from here on: requests wait in the socket's queue until the loop runs.
    auto server = std::make_unique<TKvInstanceServer>();
    WireDefaultAnswers(*server);
    if (!server->Listen(ChannelName(KMainFormClass))) {
        DebugLog::LogTag(KTag, QStringLiteral("No instance channel: another copy answers or the socket failed"));
        server.reset();
    }

    // 10 to 14.
    GInstanceServer = server.get();
    const int result = hooks.RunMainForm ? hooks.RunMainForm(switches, server.get()) : app->exec();
    GInstanceServer = nullptr;
    server.reset();
    // 15. storeRelease frees the settings store last, after the main form and the
    //     application object are gone.
    return result;
}
