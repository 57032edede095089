#pragma once

#include <QString>

#include <memory>

#include "DemoSite.h"

// One demo site per test program, started on a free port before the first test needs it.
TDemoSite& NetTestSite();
// BaseUrl() + path.
QString SiteUrl(const QString& path);
