// Throughput of the download manager beside the curl program (five concurrent 50 MB
// streams, then one 250 MB stream), same files, same server, same run; then the load time
// and resident memory of a saved list of 1000 tasks. The demo site runs as its own process
// so that only the client's work lands on each side's CPU figure.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "download/MultiDownloader.h"

using namespace BenchSupport;

namespace
{
struct TStream
{
    QString Url;
    QString File;
};

bool AllWhole(const std::vector<TStream>& streams, qint64 size)
{
    bool ok = true;
    for (const TStream& s : streams) {
        ok = ok && QFile(s.File).size() == size;
        QFile::remove(s.File);
    }
    return ok;
}

TMeasure Ours(const std::vector<TStream>& streams, qint64 size)
{
    TMultiDownloader md;
    md.SetMaxTasks(static_cast<int>(streams.size()));
    for (const TStream& s : streams)
        md.Append(s.Url, s.File, false, KDirect, QString());
    TDownloadList* list = md.DownloadList();
    const double cpu = SelfCpu();
    QElapsedTimer timer;
    timer.start();
    md.Resume();
    while (md.IsDownloading() || list->GetIdleIndex() >= 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    TMeasure m;
    m.Wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    m.Cpu = SelfCpu() - cpu;
    m.Ok = md.GetUnfinishedTasksCount() == 0;
    m.Ok = AllWhole(streams, size) && m.Ok;
    return m;
}

TMeasure Curl(const std::vector<TStream>& streams, qint64 size)
{
    std::vector<pid_t> pids;
    TMeasure m;
    QElapsedTimer timer;
    timer.start();
    for (const TStream& s : streams) {
        const pid_t pid = StartCurl(s.Url, s.File);
        if (pid == 0)
            return m;
        pids.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : pids)
        ok = WaitCurl(pid, m.Cpu) && ok;
    m.Wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    m.Ok = AllWhole(streams, size) && ok;
    return m;
}

void Row(const char* name, const TMeasure& m, double megabytes)
{
    if (!m.Ok)
        std::printf("  %-22s %10s\n", name, "FAILED");
    else
        std::printf("  %-22s %10.1f %10.3f %10.3f\n", name, megabytes / m.Wall, m.Cpu, m.Wall);
}

bool Shape(const char* title, const QString& base, const QString& folder, int count, qint64 size, int rounds)
{
    std::vector<TStream> streams;
    for (int i = 0; i < count; ++i)
        streams.push_back({base + QStringLiteral("/bytes/%1?stream=%2").arg(size).arg(i),
                           folder + QStringLiteral("/stream%1.bin").arg(i)});
    TMeasure ours;
    TMeasure curl;
    for (int i = 0; i < rounds; ++i) {
        Keep(curl, Curl(streams, size), i == 0);
        Keep(ours, Ours(streams, size), i == 0);
    }
    const double megabytes = static_cast<double>(size) * count / 1e6;
    std::printf("%s (best of %d rounds)\n", title, rounds);
    std::printf("  %-22s %10s %10s %10s\n", "client", "MB/s", "CPU s", "wall s");
    Row("TMultiDownloader", ours, megabytes);
    Row("curl processes", curl, megabytes);
    if (!ours.Ok || !curl.Ok)
        return false;
    std::printf("  throughput ratio to curl: %.2f; CPU ratio: %.2f\n", curl.Wall / ours.Wall, ours.Cpu / curl.Cpu);
    return true;
}

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// A list as the program keeps it: 1000 song tasks with their comment lines.
bool LargeList(const QString& folder)
{
    const QString path = folder + QStringLiteral("/downloadlist.sav");
    {
        TMultiDownloader md;
        for (int i = 0; i < 1000; ++i)
            md.Append(QStringLiteral("http://127.0.0.1:1/watch?v=video%1").arg(i, 5, 10, QChar(u'0')),
                      folder + QStringLiteral("/Downloading/Song number %1.mp3.mtd").arg(i), true, KYouTube, QString());
        TDownloadList* list = md.DownloadList();
        for (int i = 0; i < 1000; ++i)
            list->Items(i)->Comment = TNameValueList(QStringList{
                QStringLiteral("Action=2"), QStringLiteral("Id=video%1").arg(i), QStringLiteral("SC_Key=some keyword"),
                QStringLiteral("Title=Song number %1, \"live\"").arg(i), QStringLiteral("Long=215"),
                QStringLiteral("SavePath=/home/user/Music/Song number %1.mp3").arg(i), QStringLiteral("Page=1"),
                QStringLiteral("ConvertType=.mp3"), QStringLiteral("Popularity=1,234,567"), QStringLiteral("PId=3"),
                QStringLiteral("TempPath=%1/Downloading/Song number %2.mp3.mtd").arg(folder).arg(i),
                QStringLiteral("Artist=Some Artist"), QStringLiteral("Album=Some Album"), QStringLiteral("Bitrate=192")});
        if (!list->SaveToFile(path))
            return false;
    }
    const long before = ResidentKiB();
    QElapsedTimer timer;
    timer.start();
    auto md = std::make_unique<TMultiDownloader>();
    md->DownloadList()->LoadFromFile(path);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const long after = ResidentKiB();
    std::printf("saved list of 1000 tasks (%lld bytes): loaded %d tasks in %.1f ms, resident memory +%.1f MiB\n",
                static_cast<long long>(QFile(path).size()), md->DownloadList()->ItemCount(), ms,
                static_cast<double>(after - before) / 1024.0);
    return md->DownloadList()->ItemCount() == 1000;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int rounds = 2;
    QString site = DefaultSiteProgram();
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == u"--rounds" && !args.isEmpty())
            rounds = std::max(1, args.takeFirst().toInt());
        else if (a == u"--site" && !args.isEmpty())
            site = args.takeFirst();
        else {
            std::fputs("usage: bench_download [--rounds N] [--site PATH-TO-varnelo-demo-site]\n", stderr);
            return 2;
        }
    }

    TBenchSite server(site);
    if (!server.Start())
        return 1;
    const QString base = server.BaseUrl();
    QTemporaryDir dir(QDir(QDir::currentPath()).filePath(QStringLiteral("bench_download-XXXXXX")));

    const qint64 mib = 1024 * 1024;
    bool ok = Shape("five concurrent 50 MiB streams", base, dir.path(), 5, 50 * mib, rounds);
    ok = Shape("one 250 MiB stream", base, dir.path(), 1, 250 * mib, rounds) && ok;
    server.Stop();
    ok = LargeList(dir.path()) && ok;
    return ok ? 0 : 1;
}
