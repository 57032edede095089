#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace BenchSupport
{
namespace
{
double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}
} // namespace

double SelfCpu()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
}

void Keep(TMeasure& best, const TMeasure& m, bool first)
{
    if (!m.Ok)
        best.Ok = false;
    else if (first || (best.Ok && m.Wall < best.Wall))
        best = m;
}

pid_t StartCurl(const QString& url, const QString& file)
{
    const QByteArray u = url.toUtf8();
    const QByteArray f = file.toLocal8Bit();
    char* argv[] = {const_cast<char*>("curl"), const_cast<char*>("-s"), const_cast<char*>("-o"),
                    const_cast<char*>(f.constData()), const_cast<char*>(u.constData()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0)
        return 0;
    return pid;
}

bool WaitCurl(pid_t pid, double& cpu)
{
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid)
        return false;
    cpu += Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

QString DefaultSiteProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("varnelo-demo-site"));
}

bool TBenchSite::Start()
{
    FProcess.start(FProgram, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--short")});
    // The port comes first on stdout, once the media are ready.
    if (!FProcess.waitForStarted() || !FProcess.waitForReadyRead(300000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(FProgram));
        return false;
    }
    FBaseUrl = QStringLiteral("http://127.0.0.1:") + QString::fromLatin1(FProcess.readLine()).trimmed();
    return true;
}

void TBenchSite::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.kill();
    FProcess.waitForFinished();
}
} // namespace BenchSupport
