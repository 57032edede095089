// Throughput of a TSingleDownloader file request beside the curl program, same file,
// same server, same run. The demo site runs as its own process so that only the client's
// work lands on each side's CPU figure.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include "BenchSupport.h"
#include "net/SingleDownloader.h"

using namespace BenchSupport;

namespace
{
TMeasure FetchOurs(const QString& url, const QString& file, qint64 size, bool withProgress)
{
    TSingleDownloader sd;
    sd.URL = url;
    sd.FileName = file;
    sd.WaitThread = true;
    sd.BinaryData = true;
    qint64 seen = 0;
    if (withProgress)
        sd.OnProgress = [&](TSingleDownloaderThread*, int, int received) { seen = received; };
    TMeasure m;
    sd.OnDoneFile = [&](TSingleDownloader*, const QString&, int) { m.Ok = true; };
    const double cpu = SelfCpu();
    QElapsedTimer timer;
    timer.start();
    sd.GetFile();
    m.Wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    m.Cpu = SelfCpu() - cpu;
    m.Ok = m.Ok && QFile(file).size() == size && (!withProgress || seen == size);
    QFile::remove(file);
    return m;
}

TMeasure FetchCurl(const QString& url, const QString& file, qint64 size)
{
    TMeasure m;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = StartCurl(url, file);
    if (pid == 0)
        return m;
    const bool exited = WaitCurl(pid, m.Cpu);
    m.Wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    m.Ok = exited && QFile(file).size() == size;
    QFile::remove(file);
    return m;
}

void Row(const char* name, const TMeasure& m, qint64 size)
{
    const double mb = static_cast<double>(size) / 1e6;
    if (!m.Ok)
        std::printf("%-26s %10s\n", name, "FAILED");
    else
        std::printf("%-26s %10.1f %10.3f %10.3f\n", name, mb / m.Wall, m.Cpu, m.Wall);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    qint64 megabytes = 256;
    int rounds = 3;
    QString site = DefaultSiteProgram();
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == u"--mb" && !args.isEmpty())
            megabytes = std::max<qint64>(1, args.takeFirst().toLongLong());
        else if (a == u"--rounds" && !args.isEmpty())
            rounds = std::max(1, args.takeFirst().toInt());
        else if (a == u"--site" && !args.isEmpty())
            site = args.takeFirst();
        else {
            std::fputs("usage: bench_fetch [--mb N] [--rounds N] [--site PATH-TO-varnelo-demo-site]\n", stderr);
            return 2;
        }
    }

    TBenchSite server(site);
    if (!server.Start())
        return 1;
    const qint64 size = megabytes * 1024 * 1024;
    const QString url = server.BaseUrl() + QStringLiteral("/bytes/%1").arg(size);
    QTemporaryDir dir(QDir(QDir::currentPath()).filePath(QStringLiteral("bench_fetch-XXXXXX")));
    const QString file = dir.filePath(QStringLiteral("body.bin"));

    TMeasure ours;
    TMeasure oursProgress;
    TMeasure curl;
    for (int i = 0; i < rounds; ++i) {
        Keep(curl, FetchCurl(url, file, size), i == 0);
        Keep(ours, FetchOurs(url, file, size, false), i == 0);
        Keep(oursProgress, FetchOurs(url, file, size, true), i == 0);
    }
    server.Stop();

    std::printf("fetch of %lld MiB over loopback from %s (best of %d rounds)\n", megabytes, qPrintable(url), rounds);
    std::printf("%-26s %10s %10s %10s\n", "client", "MB/s", "CPU s", "wall s");
    Row("TSingleDownloader", ours, size);
    Row("TSingleDownloader+progress", oursProgress, size);
    Row("curl -o", curl, size);
    if (ours.Ok && oursProgress.Ok && curl.Ok) {
        std::printf("ratio of throughput to curl: %.2f (with progress handler: %.2f)\n", curl.Wall / ours.Wall,
                    curl.Wall / oursProgress.Wall);
        return 0;
    }
    return 1;
}
