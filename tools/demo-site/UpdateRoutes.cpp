#include "DemoRoutes.h"

#include "DemoSite.h"

#include <httplib.h>

void RegisterUpdateRoutes(TDemoSite& /*site*/, httplib::Server& /*server*/)
{
}
