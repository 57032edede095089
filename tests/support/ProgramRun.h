#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace TestSupport
{
// What a program run to its end left behind.
struct TProgramRun
{
    int ExitCode = -1; // -1 when it crashed or had to be killed at the time limit
    QByteArray Out;
    QByteArray Err;
};

struct TRunOptions
{
    // The environment of the program; this process's own when none is given.
    std::optional<QProcessEnvironment> Env;
    // Process this process's events while waiting (when it is the peer the program talks
    // to). Off by default, so that nothing of the test runs behind its back meanwhile.
    bool ProcessEvents = false;
};

// Runs a program (a path, or a name looked up in PATH such as "ffmpeg") to its end. The
// time limit only keeps a hanging program from hanging the suite.
TProgramRun RunProcess(const QString& program, const QStringList& args, const TRunOptions& options = {});
// The same for a built program of ours, by its name in ProgramDir() (e.g. "varnelo-cli").
TProgramRun RunProgram(const QString& name, const QStringList& args, const TRunOptions& options = {});
} // namespace TestSupport
