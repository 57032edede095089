#include "ProgramRun.h"

#include <QProcess>

#include "TestSupport.h"

namespace TestSupport
{
TProgramRun RunProcess(const QString& program, const QStringList& args, const TRunOptions& options)
{
    constexpr int KLimitMs = 300000;
    QProcess process;
    if (options.Env)
        process.setProcessEnvironment(*options.Env);
    process.start(program, args);
    TProgramRun run;
    if (!process.waitForStarted())
        return run;
    const bool ended = options.ProcessEvents
                           ? WaitUntil([&] { return process.state() == QProcess::NotRunning; }, KLimitMs)
                           : process.waitForFinished(KLimitMs);
    if (!ended) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.ExitCode = process.exitCode();
    run.Out = process.readAllStandardOutput();
    run.Err = process.readAllStandardError();
    return run;
}

TProgramRun RunProgram(const QString& name, const QStringList& args, const TRunOptions& options)
{
    return RunProcess(ProgramDir() + u'/' + name, args, options);
}
} // namespace TestSupport
