#pragma once

namespace httplib
{
class Server;
}
class TDemoSite;

// Route modules of the demo site, each in its own file. TDemoSite::Start calls all of
// them before it starts listening. Serve bodies through TDemoSite::ServeData/ServeFile so
// the fault modes and counters apply.
void RegisterVideoRoutes(TDemoSite& site, httplib::Server& server);  // watch pages, video information, streams
void RegisterSearchRoutes(TDemoSite& site, httplib::Server& server); // search and category pages
