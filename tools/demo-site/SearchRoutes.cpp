// The video site's search and chart pages, the maker's hot-songs page, and the service
// information that matches them.
#include "DemoRoutes.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>

#include <httplib.h>

#include "DemoSearch.h"
#include "DemoSite.h"
#include "DemoVideo.h"

namespace
{
const QStringList KVariants = {QString(), QStringLiteral(" (Live)"), QStringLiteral(" (Acoustic Version)"),
                               QStringLiteral(" (Remix)")};

// Category names as the maker's server sends them: "/" is shown as " & " and
// "More/Other" is always listed last by the program.
const QStringList KCategories = {QStringLiteral("Pop"),          QStringLiteral("Rock/Metal"),
                                 QStringLiteral("Jazz/Blues"),   QStringLiteral("More/Other"),
                                 QStringLiteral("Chanson fran\u00e7aise"), QStringLiteral("Electronic")};

QString Escape(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        case u'\'': out += QLatin1String("&#39;"); break;
        default: out += c;
        }
    }
    return out;
}

QString Duration(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString Thousands(int n)
{
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return digits;
}

bool SharesAWord(const TDemoSong& song, const QString& keyword)
{
    const QString haystack = (song.Title + u' ' + song.Artist).toCaseFolded();
    for (const QString& word : keyword.toCaseFolded().split(u' ', Qt::SkipEmptyParts))
        if (word.size() >= 3 && haystack.contains(word))
            return true;
    return false;
}

// Hostile entries: what a compromised or spoofed site could send. Titles carry the
// quotes and ampersands escaped as the site escapes them, everything else raw.
QString HostileEntries()
{
    struct THostile
    {
        const char* id;
        const char* title; // already in the page's form
        const char* duration;
    };
    static const THostile entries[] = {
        {"hx1", "<script>window.__pwned = 1;</script>Script In Title", "<span class=\"video-time\">3:01</span>"},
        {"hx2&ACTION=Download&ID=evil", "<img src=x onerror=&quot;window.__pwned = 2&quot;>Image Handler",
         "<span class=\"video-time\">3:02</span>"},
        {"hx3", "&#39; onmouseover=&#39;window.__pwned = 3&#39; x=&#39;", "<span class=\"video-time\">3:03</span>"},
        {"hx4", "&quot;><a href=&quot;http://evil.example/&quot;>Click</a><b x=&quot;",
         "<span class=\"video-time\">3:04</span>"},
        {"hx5'><script>window.__pwned = 5;</script>", "Identifier With Script",
         "<img src=x onerror=\"window.__pwned = 6\"><span class=\"video-time\">3:05</span>"},
        {"hx6", "Song&amp;ACTION=Download&amp;ID=evil&amp;TITLE=x", "<span class=\"video-time\">3:06</span>"},
        {"hx7", "Tom &amp; Jerry&#39;s &quot;Live&quot; &lt;Acoustic&gt;", "<span class=\"video-time\">3:07</span>"},
    };
    QString html;
    for (const THostile& e : entries)
        html += QStringLiteral("<div class=\"video-entry\">\n"
                               "  <div class=\"video-main-content\" data-vid=\"%1\">\n"
                               "    <h3 class=\"video-title\"><a href=\"/watch?v=x\" title=\"%2\">%2</a></h3>\n"
                               "    <div class=\"video-runtime\">%3</div>\n"
                               "    <div class=\"video-stats\"><span class=\"video-view-count\">12,345 views</span></div>\n"
                               "  </div>\n"
                               "</div><!-- /video-entry -->\n")
                    .arg(QString::fromUtf8(e.id), QString::fromUtf8(e.title), QString::fromUtf8(e.duration));
    return html;
}

QString PageShell(const QString& title, const QString& body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>\n"
                          "<body>\n%2</body></html>\n")
        .arg(Escape(title), body);
}

void ServeHtml(TDemoSite& site, const httplib::Request& request, httplib::Response& response, const QString& html)
{
    site.ServeData(request, response, html.toUtf8(), "text/html; charset=utf-8");
}

int IntParam(const httplib::Request& request, const char* name, int defaultValue)
{
    bool ok = false;
    const int value = QString::fromStdString(request.get_param_value(name)).toInt(&ok);
    return ok ? value : defaultValue;
}
} // namespace

QList<TDemoResult> DemoResults(const QString& keyword)
{
    const QString key = keyword.trimmed();
    if (key.compare(QLatin1String("noresults"), Qt::CaseInsensitive) == 0)
        return {};
    const std::vector<TDemoSong> catalogue = DemoCatalogue();
    std::vector<const TDemoSong*> ordered;
    for (const TDemoSong& s : catalogue)
        if (SharesAWord(s, key))
            ordered.push_back(&s);
    for (const TDemoSong& s : catalogue)
        if (!SharesAWord(s, key))
            ordered.push_back(&s);
    QList<TDemoResult> results;
    for (int n = 0; n < KDemoResultCount; ++n) {
        const TDemoSong& song = *ordered[n % ordered.size()];
        const QString variant = KVariants[(n / static_cast<int>(ordered.size())) % KVariants.size()];
        // Counts spread over several orders of magnitude; every seventh entry hides it.
        const int views = n % 7 == 6 ? -1 : static_cast<int>(std::pow(2.7, (n * 7) % 17)) + 5;
        results.append({song.Id, song.Title + variant, song.Duration, views});
    }
    return results;
}

QString DemoResultPage(const QString& keyword, int page)
{
    QString body = QStringLiteral("<div id=\"results\">\n");
    int pages = 1;
    if (keyword.trimmed().compare(QLatin1String("hostile"), Qt::CaseInsensitive) == 0) {
        body += HostileEntries();
    } else {
        const QList<TDemoResult> results = DemoResults(keyword);
        pages = std::max(1, static_cast<int>((results.size() + KDemoResultsPerPage - 1) / KDemoResultsPerPage));
        const int first = (std::max(page, 1) - 1) * KDemoResultsPerPage;
        for (int n = first; n < first + KDemoResultsPerPage && n < results.size(); ++n) {
            const TDemoResult& r = results[n];
            const QString views = r.Views < 0 ? QStringLiteral("<span class=\"video-views-hidden\"></span>")
                                              : QStringLiteral("<span class=\"video-view-count\">%1 views</span>")
                                                    .arg(Thousands(r.Views));
            body += QStringLiteral("<div class=\"video-entry\">\n"
                                   "  <div class=\"video-main-content\" data-vid=\"%1\">\n"
                                   "    <a href=\"/watch?v=%1\" class=\"video-thumb\"><img src=\"/thumb/%1.jpg\" alt=\"\"></a>\n"
                                   "    <h3 class=\"video-title\"><a href=\"/watch?v=%1\" title=\"%2\">%2</a></h3>\n"
                                   "    <div class=\"video-runtime\"><span class=\"video-time\">%3</span></div>\n"
                                   "    <div class=\"video-stats\">%4</div>\n"
                                   "  </div>\n"
                                   "</div><!-- /video-entry -->\n")
                        .arg(r.Id, Escape(r.Title), Duration(r.Duration), views);
        }
    }
    body += QStringLiteral("</div>\n<div class=\"pager\">\n");
    const QString link = QStringLiteral("/results?search_query=%1&amp;page=")
                             .arg(QString::fromLatin1(QUrl::toPercentEncoding(keyword)));
    for (int p = 1; p <= pages; ++p)
        body += p == page ? QStringLiteral("  <span class=\"pagerCurrent\">%1</span>\n").arg(p)
                          : QStringLiteral("  <a class=\"pagerNotCurrent\" href=\"%1%2\">%2</a>\n").arg(link).arg(p);
    if (page < pages)
        body += QStringLiteral("  <a class=\"pagerNext\" href=\"%1%2\">Next</a>\n").arg(link).arg(page + 1);
    body += QStringLiteral("</div>\n");
    return PageShell(keyword + QStringLiteral(" - Demo Video"), body);
}

QString DemoChartPage(int category, int page)
{
    const std::vector<TDemoSong> catalogue = DemoCatalogue();
    const int count = static_cast<int>(catalogue.size());
    QString rows;
    for (int row = 0; row < 10; ++row) {
        const TDemoSong& song = catalogue[(category * 3 + page * 5 + row) % count];
        QString title = Escape(song.Title);
        QString artist = Escape(song.Artist);
        if (row == 4) { // an advertisement slot the program must skip
            title = QStringLiteral("__title__");
            artist = QStringLiteral("Sponsored");
        } else if (row == 7) { // a song without artist
            artist = QStringLiteral(" ");
        }
        rows += QStringLiteral("<tr class=\"chart-row\"><td class=\"pos\">%1</td><td class=\"song\">%2</td>"
                               "<td class=\"artist\">%3</td></tr>\n")
                    .arg((page - 1) * 10 + row + 1)
                    .arg(title, artist);
    }
    const QString name = KCategories.value(category, QStringLiteral("Unknown"));
    return PageShell(name, QStringLiteral("<h1>%1</h1>\n<table class=\"chart\">\n%2</table>\n").arg(Escape(name), rows));
}

TNameValueList DemoServiceInfo(const QString& baseUrl)
{
    TNameValueList info;
    const auto add = [&info](const QString& name, const QString& value) { info.Add(name + u'=' + value); };
    add(QStringLiteral("SearchKeyURL"), baseUrl + QStringLiteral("/results?search_type=&search_query="));
    add(QStringLiteral("DownloadURL"), baseUrl + QStringLiteral("/watch?v="));
    add(QStringLiteral("Pattern.entry"), QStringLiteral("<div class=\"video-entry\">(.*)</div><!-- /video-entry -->"));
    add(QStringLiteral("Pattern.id"), QStringLiteral("data-vid=\"([^\"]+)\""));
    add(QStringLiteral("Pattern.title"), QStringLiteral("<h3 class=\"video-title\"><a [^>]*title=\"([^\"]*)\""));
    add(QStringLiteral("Pattern.duration"), QStringLiteral("<div class=\"video-runtime\">(.*?)</div>"));
    add(QStringLiteral("Pattern.popularity2"), QStringLiteral("<span class=\"video-view-count\">([0-9, ]+) views</span>"));
    add(QStringLiteral("Pattern.pages"),
        QStringLiteral("<(?:span class=\"pagerCurrent\"|a class=\"pagerNotCurrent\"[^>]*)>([0-9]+)</"));
    add(QStringLiteral("categories_count"), QString::number(KCategories.size()));
    for (int n = 0; n < KCategories.size(); ++n) {
        add(QStringLiteral("c_%1_name").arg(n), KCategories[n]);
        add(QStringLiteral("c_%1_url").arg(n), baseUrl + QStringLiteral("/charts?cat=%1").arg(n));
    }
    add(QStringLiteral("c_pattern_entry"), QStringLiteral("<tr class=\"chart-row\">(.*)</tr>"));
    add(QStringLiteral("c_pattern_title"), QStringLiteral("<td class=\"song\">([^<]*)</td>"));
    add(QStringLiteral("c_pattern_artist"), QStringLiteral("<td class=\"artist\">([^<]*)</td>"));
    add(QStringLiteral("c_pages"), QString::number(KDemoChartPages));
    add(QStringLiteral("c_pagetitle"), QStringLiteral(": Top Songs"));
    add(QStringLiteral("URL.HomeURL"), baseUrl + QStringLiteral("/hot"));
    add(QStringLiteral("URL.InfoURL"), baseUrl + QStringLiteral("/info"));
    const TNameValueList resolver = DemoResolverSettings(baseUrl);
    for (const QString& line : resolver.Lines())
        info.Add(line);
    return info;
}

QString DemoServiceInfoModifyLines(const QString& baseUrl)
{
    QString text;
    const TNameValueList info = DemoServiceInfo(baseUrl);
    for (const QString& line : info.Lines())
        text += QStringLiteral("__MODIFY__.") + line + u'\n';
    return text;
}

QString DemoServiceInfoConstFile(const QString& baseUrl)
{
    return QStringLiteral("; Service information of the local demo site at %1\n[setting]\n").arg(baseUrl)
           + DemoServiceInfo(baseUrl).Text();
}

void RegisterSearchRoutes(TDemoSite& site, httplib::Server& server)
{
    server.Get("/results", [&site](const httplib::Request& request, httplib::Response& response) {
        const QString keyword = QString::fromStdString(request.get_param_value("search_query"));
        ServeHtml(site, request, response, DemoResultPage(keyword, IntParam(request, "page", 1)));
    });
    server.Get("/charts", [&site](const httplib::Request& request, httplib::Response& response) {
        const int category = IntParam(request, "cat", -1);
        if (category < 0 || category >= KCategories.size()) {
            response.status = 404;
            return;
        }
        ServeHtml(site, request, response, DemoChartPage(category, std::clamp(IntParam(request, "p", 1), 1, KDemoChartPages)));
    });
    server.Get("/hot", [&site](const httplib::Request& request, httplib::Response& response) {
        QString items;
        for (const TDemoSong& song : DemoCatalogue())
            items += QStringLiteral("<li><a href=\"xmd:ACTION=Search&amp;KEYWORD=%1\">%2</a> <small>%3</small></li>\n")
                         .arg(QString::fromLatin1(QUrl::toPercentEncoding(song.Title)), Escape(song.Title),
                              Escape(song.Artist));
        static const QString style = QStringLiteral(
            "<style>body{font:14px/1.5 system-ui,sans-serif;margin:0;color:#1f2328}"
            "h1{font-size:16px;margin:0;padding:14px 16px;border-bottom:1px solid #e6e8eb}"
            "ol{margin:0;padding:6px 16px 16px 40px}li{padding:6px 0;border-bottom:1px solid #f0f1f3}"
            "a{color:#b8342c;text-decoration:none;font-weight:500}small{color:#6b7280;margin-left:6px}</style>\n");
        ServeHtml(site, request, response,
                  PageShell(QStringLiteral("Hot Songs"),
                            style + QStringLiteral("<h1>Hot Songs this week</h1>\n<ol>\n%1</ol>\n").arg(items)));
    });
    server.Get("/info", [&site](const httplib::Request& request, httplib::Response& response) {
        ServeHtml(site, request, response,
                  PageShell(QStringLiteral("Info"), QStringLiteral("<p>Demo site: every song here is made up.</p>\n")));
    });
}
