#include "DemoRoutes.h"

#include "DemoSite.h"

#include <httplib.h>

void RegisterVideoRoutes(TDemoSite& /*site*/, httplib::Server& /*server*/)
{
}
