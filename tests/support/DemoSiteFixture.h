#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include "DemoSite.h"

namespace TestSupport
{
// One demo site in this process, started on a free port when a test first needs it and
// kept for the whole test program.
TDemoSite& DemoSite();
// DemoSite().BaseUrl() + path.
QString DemoSiteUrl(const QString& path);

// The varnelo-demo-site program with the short test media (the same cache folder as an
// in-process TDemoSite), killed when this object goes.
class TDemoSiteProgram final
{
public:
    TDemoSiteProgram() = default;
    ~TDemoSiteProgram();
    Q_DISABLE_COPY_MOVE(TDemoSiteProgram)

    // Starts it on a free port; false when it did not tell its port.
    bool Start();
    int Port() const { return FPort; }
    // "http://127.0.0.1:<port>".
    QString BaseUrl() const;

private:
    QProcess FProcess;
    int FPort = 0;
};
} // namespace TestSupport
