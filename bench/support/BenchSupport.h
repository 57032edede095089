#pragma once

#include <QProcess>
#include <QString>

#include <sys/types.h>

// What the benchmarks share: the demo site as a program of its own (so only the client's
// work lands on each side's CPU figure), curl processes and the measures beside them.
namespace BenchSupport
{
struct TMeasure
{
    bool Ok = false;
    double Wall = 0; // seconds
    double Cpu = 0;  // user + system seconds
};

// CPU time of this process so far, in seconds.
double SelfCpu();
// Keeps the fastest of the rounds: the machine is shared, the best run is the least
// disturbed. A failed round fails the whole measure.
void Keep(TMeasure& best, const TMeasure& m, bool first);

// Starts `curl -s -o file url`; 0 when it could not start.
pid_t StartCurl(const QString& url, const QString& file);
// Waits for a curl started by StartCurl and adds its CPU time; true when it succeeded.
bool WaitCurl(pid_t pid, double& cpu);

// varnelo-demo-site beside the running benchmark.
QString DefaultSiteProgram();

// The demo site program with the short media on a free port, killed when this object goes.
class TBenchSite final
{
public:
    explicit TBenchSite(const QString& program) : FProgram(program) {}
    ~TBenchSite() { Stop(); }
    Q_DISABLE_COPY_MOVE(TBenchSite)

    // Starts it and waits for its port; reports on stderr when it could not.
    bool Start();
    void Stop();
    // "http://127.0.0.1:<port>".
    QString BaseUrl() const { return FBaseUrl; }

private:
    QString FProgram;
    QProcess FProcess;
    QString FBaseUrl;
};
} // namespace BenchSupport
