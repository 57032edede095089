#include "ProgramSandbox.h"

#include <future>
#include <iostream>

#include <QDir>
#include <QFile>
#include <QUuid>

#include "ProgramRun.h"
#include "TestSupport.h"
#include "framework/KvInstanceChannel.h"
#include "framework/KvMain.h"

namespace
{
const char* const KFolders[] = {"home", "data", "common", "run", "program"};
}

TProgramSandbox::TProgramSandbox(const QByteArray& extraConstLines)
    : FGuid(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    for (const char* folder : KFolders)
        QDir().mkpath(FRoot.path() + u'/' + QLatin1String(folder));
    QFile::setPermissions(FRoot.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray constDat = "[setting]\nApp.Name=Varnelo\nApp.ID=777\nApp.ConfigPath=vtest\nApp.GUID=" +
                                FGuid.toUtf8() + "\n" + extraConstLines;
    TestSupport::WriteFile(FRoot.path() + QStringLiteral("/program/const.dat"), constDat);
}

TProgramSandbox::~TProgramSandbox()
{
    for (const auto& process : FProcesses) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

QProcessEnvironment TProgramSandbox::Environment(bool withDisplay) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString root = FRoot.path();
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    env.insert(QStringLiteral("VARNELO_APPDATA_DIR"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("VARNELO_COMMON_APPDATA_DIR"), root + QStringLiteral("/common"));
    env.insert(QStringLiteral("VARNELO_PROGRAM_DIR"), root + QStringLiteral("/program"));
    if (withDisplay) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        // Any attempt to open a window would now fail the process.
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    return env;
}

QProcess& TProgramSandbox::Start(const QStringList& arguments, bool withDisplay)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(Environment(withDisplay));
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(TestSupport::ProgramDir() + QStringLiteral("/varnelo"), arguments);
    process->waitForStarted(10000);
    FProcesses.push_back(std::move(process));
    return *FProcesses.back();
}

bool TProgramSandbox::Run(const QStringList& arguments, int& exitCode, bool withDisplay)
{
    const TestSupport::TProgramRun run =
        TestSupport::RunProgram(QStringLiteral("varnelo"), arguments, {Environment(withDisplay), true});
    std::cerr << run.Err.toStdString();
    exitCode = run.ExitCode;
    return run.ExitCode != -1;
}

std::optional<int> TProgramSandbox::Ask(const QString& request) const
{
    const QString name = InstanceChannelName(KMainFormClass, FGuid);
    // The test's own event loop stays free while the request waits.
    auto answer = std::async(std::launch::async, [&] { return SendInstanceRequest(name, request, QString(), 2000); });
    TestSupport::WaitUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return answer.get();
}

bool TProgramSandbox::WaitUntilReady()
{
    return TestSupport::WaitUntil([&] { return Ask(KvRequest::IfBusy) == 0; }, 60000);
}

QString TProgramSandbox::DataFolder() const
{
    return FRoot.path() + QStringLiteral("/common/vtest/");
}

bool TProgramSandbox::AnyDataFolderExists() const
{
    return QFileInfo::exists(FRoot.path() + QStringLiteral("/common/vtest")) ||
           QFileInfo::exists(FRoot.path() + QStringLiteral("/data/vtest"));
}

void TProgramSandbox::WriteSettings(const QByteArray& lines) const
{
    QDir().mkpath(DataFolder());
    TestSupport::WriteFile(SettingFile(), "[setting]\n" + lines);
}
