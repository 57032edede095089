#pragma once

#include <memory>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

// A sandbox for starting the real program as a new user would: a fresh home, data and
// runtime folders, and a program folder of its own whose "const.dat" gives a GUID unique to
// this sandbox (so parallel tests never meet) and the configuration word "vtest".
class TProgramSandbox final
{
public:
    explicit TProgramSandbox(const QByteArray& extraConstLines = QByteArray());
    ~TProgramSandbox();
    Q_DISABLE_COPY_MOVE(TProgramSandbox)

    // Starts the program with the arguments; the process is owned by the sandbox.
    QProcess& Start(const QStringList& arguments, bool withDisplay = true);
    // Runs the program to its end (its stderr goes to the test's); false when it did not
    // end normally by itself.
    bool Run(const QStringList& arguments, int& exitCode, bool withDisplay = true);
    // The running copy answers "Kv IfBusy" with 0 (its main form is up).
    bool WaitUntilReady();
    // Asks the running copy over the instance channel.
    std::optional<int> Ask(const QString& request) const;

    // The all-users data folder (chosen because the sandbox's one is writable).
    QString DataFolder() const;
    QString SettingFile() const { return DataFolder() + QStringLiteral("setting.dat"); }
    QString DebugLog() const { return DataFolder() + QStringLiteral("debug.log"); }
    // Whether any data folder of the program exists.
    bool AnyDataFolderExists() const;
    // Writes the user's file before a start.
    void WriteSettings(const QByteArray& lines) const;
    QString Root() const { return FRoot.path(); }

private:
    QProcessEnvironment Environment(bool withDisplay) const;

    QTemporaryDir FRoot;
    QString FGuid;
    std::vector<std::unique_ptr<QProcess>> FProcesses;
};
