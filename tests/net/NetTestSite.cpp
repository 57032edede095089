#include "NetTestSite.h"

#include <cstdlib>

TDemoSite& NetTestSite()
{
    static TDemoSite* site = [] {
        auto* s = new TDemoSite();
        if (!s->Start(0))
            std::abort();
        return s;
    }();
    return *site;
}

QString SiteUrl(const QString& path)
{
    return NetTestSite().BaseUrl() + path;
}
