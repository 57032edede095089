#include "framework/KvMainGui.h"

#include <memory>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "common/DesktopFunctions.h"
#include "framework/KvInstanceChannel.h"
#include "framework/KvMain.h"
#include "framework/KvSettings.h"

namespace
{
bool IsDebugChordHeld()
{
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    return held.testFlag(Qt::ControlModifier) && held.testFlag(Qt::ShiftModifier);
}

int RunMainForm(const TKvGuiStart& start, const TKvSwitches& switches, TKvInstanceServer* server)
{
    // 10. The application object exists already (made once the switches allowed a start).
    // 11.
    if (SettingsStore().GetSettingBool(QStringLiteral("App.Splash")) && start.ShowSplash)
        start.ShowSplash();
    // Answers until the main form's engine takes them over: busy until the loop has run
    // once with the main form in place (and shown, unless -h).
    bool busy = true;
    std::unique_ptr<QWidget> mainForm;
    if (server) {
        server->Handlers.OnIfBusy = [&busy] { return busy ? 1 : 0; };
        // No tray icon to restore from yet.
        server->Handlers.OnBringtoFront = [] { return 0; };
        server->Handlers.OnForceForeground = [&mainForm] {
            return mainForm && ForceForegroundWindow(mainForm.get()) ? 1 : 0;
        };
    }
    // 12.
    mainForm.reset(start.CreateMainForm ? start.CreateMainForm() : new QWidget);
    // 13.
    if (!switches.Hidden)
        mainForm->show();
    QTimer::singleShot(0, mainForm.get(), [&busy] { busy = false; });
    // 14.
    const int result = QApplication::exec();
    if (server) {
        // Nothing may reach the form or these locals once the loop has ended.
        server->Handlers.OnIfBusy = [] { return 1; };
        server->Handlers.OnBringtoFront = nullptr;
        server->Handlers.OnForceForeground = nullptr;
    }
    return result;
}
} // namespace

int RunGuiApplication(int& argc, char** argv, const TKvGuiStart& start)
{
    TKvRunHooks hooks;
    hooks.CreateApplication = [](int& c, char** v) -> std::unique_ptr<QCoreApplication> {
        return std::make_unique<QApplication>(c, v);
    };
    hooks.IsDebugChordHeld = IsDebugChordHeld;
    hooks.StartupPredicate = start.StartupPredicate;
    hooks.RunMainForm = [&start](const TKvSwitches& switches, TKvInstanceServer* server) {
        return RunMainForm(start, switches, server);
    };
    return RunApplication(argc, argv, hooks);
}
