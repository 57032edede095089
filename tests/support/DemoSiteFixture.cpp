#include "DemoSiteFixture.h"

#include <cstdlib>

#include "TestSupport.h"

namespace TestSupport
{
TDemoSite& DemoSite()
{
    // Never freed: tests and detached workers may use it until the process ends.
    static TDemoSite* site = [] {
        auto* s = new TDemoSite();
        if (!s->Start(0))
            std::abort();
        return s;
    }();
    return *site;
}

QString DemoSiteUrl(const QString& path)
{
    return DemoSite().BaseUrl() + path;
}

TDemoSiteProgram::~TDemoSiteProgram()
{
    FProcess.kill();
    FProcess.waitForFinished();
}

bool TDemoSiteProgram::Start()
{
    FProcess.start(ProgramDir() + QStringLiteral("/varnelo-demo-site"),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--short"), QStringLiteral("--cache"),
                    TDemoSite::DefaultCacheDir(false)});
    // The port comes first on stdout, once the media are ready (making them may take long).
    if (!FProcess.waitForStarted() ||
        !WaitUntil([this] { return FProcess.canReadLine() || FProcess.state() != QProcess::Running; }, 300000) ||
        !FProcess.canReadLine())
        return false;
    FPort = FProcess.readLine().trimmed().toInt();
    return FPort > 0;
}

QString TDemoSiteProgram::BaseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(FPort);
}
} // namespace TestSupport
