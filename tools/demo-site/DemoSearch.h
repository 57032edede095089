#pragma once

#include <QString>

#include "common/NameValueList.h"

struct TDemoSong;

// The demo site's search side (SearchRoutes.cpp) as the program sees it:
//
//   /results?search_query=KEYWORD&page=N   result page: ten entries a page and a pager.
//       Every keyword has KDemoResultCount results made from the catalogue (the songs whose
//       title or artist shares a word with the keyword first), so several pages exist.
//       Special keywords: "noresults" (no entry), "hostile" (entries whose titles and
//       identifiers carry markup, script and link pieces).
//   /charts?cat=N&p=P                      keyword page of category N: chart rows of song
//       and artist, among them a "__title__" placeholder row and a row without artist.
//   /hot                                   the "Hot Songs" page of the maker's server.
//   /info                                  the small information page shown beside it.

constexpr int KDemoResultCount = 25;
constexpr int KDemoResultsPerPage = 10;
constexpr int KDemoChartPages = 3;

// The service information that makes the program search, scrape and resolve against the
// site at baseUrl ("http://127.0.0.1:<port>"), as settings name=value lines: search
// address and patterns, categories and their patterns, and the resolver's nine values.
// Also the maker's page addresses "URL.HomeURL" and "URL.InfoURL" for the hot-songs page.
TNameValueList DemoServiceInfo(const QString& baseUrl);
// The same as the update server's "__MODIFY__." lines, and as an "oem.const.dat" file text.
QString DemoServiceInfoModifyLines(const QString& baseUrl);
QString DemoServiceInfoConstFile(const QString& baseUrl);

// The pages themselves (what the routes serve), for tests that need no HTTP.
QString DemoResultPage(const QString& keyword, int page);
QString DemoChartPage(int category, int page);

// One entry of a result list as the site shows it.
struct TDemoResult
{
    QString Id;
    QString Title; // as text (the page escapes it)
    int Duration = 0;
    int Views = -1; // -1: the page shows no view count
};
QList<TDemoResult> DemoResults(const QString& keyword);
