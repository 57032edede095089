#include "DemoRoutes.h"

#include "DemoSite.h"

#include <httplib.h>

void RegisterSearchRoutes(TDemoSite& /*site*/, httplib::Server& /*server*/)
{
}
