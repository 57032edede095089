#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

class QCoreApplication;
class TKvInstanceServer;

// The command-line switches: "-" or "/" followed by the letter, in any case, anywhere
// among the arguments.
struct TKvSwitches
{
    bool Install = false;   // i: do nothing
    bool Uninstall = false; // u: do nothing
    bool Stop = false;      // s: close the running copy and end
    bool Restart = false;   // r: close the running copy, wait, start
    bool Debug = false;     // d: keep a debug log whatever the settings say
    bool Autorun = false;   // a: started at log-on; start only when "App.Autorun" allows it
    bool Hidden = false;    // h: do not show the main form at start
};

// The arguments without the program name.
TKvSwitches ParseSwitches(const QStringList& arguments);
// Whether a first argument is handed to the running copy: anything but a switch. Only "-"
// and a one-letter "/x" count as switches, since absolute paths here start with "/".
bool IsHandOverArgument(const QString& argument);

// The start-up debug flag, decided once by the run routine.
bool DebugMode();
// The file the debug log goes to while the debug flag is set.
QString DebugLogFileName();

// The answering side of this run's instance channel, for the engine to take over;
// nullptr outside the message loop or when no channel could be opened.
TKvInstanceServer* AppInstanceServer();

// The main form's class: the running copy answers under this name.
inline const QString KMainFormClass = QStringLiteral("TfrmMain");

// A second copy's view of the running one. FindAppWindow gives the channel name of the copy
// that answers "Kv GetAppID" with this process's "App.ID", or "" when there is none.
QString FindAppWindow(const QString& className);
// True when a running copy was found and asked to close.
bool CloseRunningApp(const QString& className);
void BringRunningAppToFront(const QString& className);
void SendParamToRunningApp(const QString& className, const QString& text);

// The parts of start-up that need the desktop, supplied by the program.
struct TKvRunHooks
{
    // The application object, made once the switches show that the program really starts;
    // a QCoreApplication when empty.
    std::function<std::unique_ptr<QCoreApplication>(int& argc, char** argv)> CreateApplication;
    // Whether Control and Shift are held down now (false when empty).
    std::function<bool()> IsDebugChordHeld;
    // Refuses the start when it answers false.
    std::function<bool()> StartupPredicate;
    // Splash, main form and message loop; gets the switches and the answering side of the
    // instance channel (nullptr when none could be opened). Returns the exit code.
    // Runs the bare event loop when empty.
    std::function<int(const TKvSwitches& switches, TKvInstanceServer* server)> RunMainForm;
};

// The whole start of the program: switches, debug flag, single instance, main form, message
// loop, and the settings store released last. Returns the process's exit code.
int RunApplication(int& argc, char** argv, const TKvRunHooks& hooks);
