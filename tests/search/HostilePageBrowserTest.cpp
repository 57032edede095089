// Pages built from hostile site data, loaded into a real browser engine: no script of the
// data runs and the only links are the program's own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "DemoSearch.h"
#include "TestSupport.h"
#include "common/NameValueList.h"
#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"
#include "search/uCenterViewPages.h"
#include "search/uCenterViewScraping.h"

// Under AddressSanitizer: the prebuilt browser engine frees some of its own objects with a
// sized delete of another type, and keeps caches alive until exit. Neither is this
// program's code, so this test program alone does not report them.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0:detect_leaks=0";
}

namespace
{
// Lets no navigation happen and remembers every one that was asked for.
class TRecordingPage final : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QList<QUrl> Navigations;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && url.scheme() == u"data")
            return true; // setHtml itself
        Navigations.append(url);
        return false;
    }
};

// Everything the checks need, read from the loaded page in one go.
const char* KInspect = R"JS(
(function () {
  var attrs = [];
  document.querySelectorAll('*').forEach(function (e) {
    for (var i = 0; i < e.attributes.length; ++i) {
      var n = e.attributes[i].name.toLowerCase();
      if (n.indexOf('on') === 0) attrs.push(e.tagName + ' ' + n);
    }
  });
  return JSON.stringify({
    pwned: typeof window.__pwned === 'undefined' ? null : String(window.__pwned),
    scripts: Array.from(document.scripts).map(function (s) { return s.getAttribute('src') || 'inline: ' + s.text; }),
    handlers: attrs,
    hrefs: Array.from(document.querySelectorAll('[href]')).map(function (e) { return e.getAttribute('href'); }),
    srcs: Array.from(document.querySelectorAll('[src]')).map(function (e) { return e.getAttribute('src'); }),
    iframes: document.querySelectorAll('iframe, object, embed, form, base, meta[http-equiv=refresh]').length,
    titles: Array.from(document.querySelectorAll('.title, .category span, .keywords a span, h1'))
                 .map(function (e) { return e.textContent; }),
    styled: getComputedStyle(document.body).userSelect === 'none',
    scriptLoaded: typeof ShowIcon === 'function' && typeof ShowDIcon === 'function'
  });
})()
)JS";

class HostilePage : public ::testing::Test
{
protected:
    // The engine reads these once, when the first page is made; the test may run outside
    // CTest's environment (and as root, where Chromium's sandbox refuses to start).
    static void SetUpTestSuite()
    {
        if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    }

    // Loads the page the way the centre view does and returns what KInspect reports.
    QJsonObject LoadAndInspect(const QString& html)
    {
        bool loaded = false;
        bool ok = false;
        QObject::connect(&FPage, &QWebEnginePage::loadFinished, [&](bool success) {
            loaded = true;
            ok = success;
        });
        FPage.setHtml(html, QUrl::fromLocalFile(TestSupport::ProgramDir() + u'/'));
        EXPECT_TRUE(TestSupport::WaitUntil([&] { return loaded; }));
        EXPECT_TRUE(ok);
        // Broken images fail and handlers would fire within this time; nothing may happen.
        TestSupport::ProcessEventsFor(500);
        const QVariant result = RunScript(QString::fromUtf8(KInspect));
        return QJsonDocument::fromJson(result.toString().toUtf8()).object();
    }

    QVariant RunScript(const QString& script)
    {
        bool done = false;
        QVariant result;
        FPage.runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        EXPECT_TRUE(TestSupport::WaitUntil([&] { return done; }));
        return result;
    }

    void ExpectOnlyOwnContent(const QJsonObject& page, const char* name)
    {
        EXPECT_TRUE(page.value(QStringLiteral("pwned")).isNull()) << name << ": a script of the data ran";
        EXPECT_TRUE(page.value(QStringLiteral("handlers")).toArray().isEmpty())
            << name << ": " << QJsonDocument(page.value(QStringLiteral("handlers")).toArray()).toJson().toStdString();
        EXPECT_EQ(page.value(QStringLiteral("iframes")).toInt(), 0) << name;
        const QString appPath = PageAppPath();
        for (const QJsonValue script : page.value(QStringLiteral("scripts")).toArray())
            EXPECT_EQ(script.toString(), appPath + QStringLiteral("res/page/page.js")) << name;
        for (const QJsonValue href : page.value(QStringLiteral("hrefs")).toArray()) {
            const QString link = href.toString();
            EXPECT_TRUE(link.startsWith(QStringLiteral("xmd:")) || link == appPath + QStringLiteral("res/page/style.css"))
                << name << ": " << link.toStdString();
        }
        for (const QJsonValue src : page.value(QStringLiteral("srcs")).toArray())
            EXPECT_TRUE(src.toString().startsWith(appPath)) << name << ": " << src.toString().toStdString();
        EXPECT_TRUE(page.value(QStringLiteral("styled")).toBool()) << name << ": the style sheet did not load";
        EXPECT_TRUE(page.value(QStringLiteral("scriptLoaded")).toBool()) << name << ": the page script did not load";
        EXPECT_TRUE(FPage.Navigations.isEmpty()) << name << ": " << FPage.Navigations.first().toString().toStdString();
    }

    TRecordingPage FPage;
};

// The link's parameters as the program reads them (decoded, names in upper case).
TNameValueList LinkParams(const QString& link)
{
    TNameValueList params;
    ParseURLParams(link, params, true);
    return params;
}
} // namespace

TEST_F(HostilePage, ResultPageRunsNoScriptAndLinksOnlyToTheProgram)
{
    const TNameValueList info = DemoServiceInfo(QStringLiteral("http://127.0.0.1:1"));
    const TResultPatterns patterns{info.Values(QStringLiteral("Pattern.entry")), info.Values(QStringLiteral("Pattern.id")),
                                   info.Values(QStringLiteral("Pattern.title")), info.Values(QStringLiteral("Pattern.duration")),
                                   info.Values(QStringLiteral("Pattern.popularity2")), info.Values(QStringLiteral("Pattern.pages"))};
    TNameValueList list({QStringLiteral("SearchKey=<script>window.__pwned = 'key'</script>\"'")});
    QString error;
    ASSERT_TRUE(ScrapeResultPage(DemoResultPage(QStringLiteral("hostile"), 1), patterns, list, error)) << error.toStdString();
    const TPageBuild build = MakeResultHtml(list, 1, TemplateFilePath(QStringLiteral("res\\result_en.html")));
    ASSERT_TRUE(build.Ok) << build.Error.toStdString();
    const int count = list.Values(QStringLiteral("VCOUNT")).toInt();
    ASSERT_EQ(count, 7);

    const QJsonObject page = LoadAndInspect(build.Html);
    ExpectOnlyOwnContent(page, "result page");

    // Every title shows as the text the site sent; the heading shows the keyword as typed.
    QStringList titles;
    for (const QJsonValue t : page.value(QStringLiteral("titles")).toArray())
        titles.append(t.toString());
    ASSERT_EQ(titles.size(), count + 1);
    EXPECT_EQ(titles[0], u"Results for <script>window.__pwned = 'key'</script>\"'");
    EXPECT_EQ(titles[1], u"<script>window.__pwned = 1;</script>Script In Title");
    EXPECT_EQ(titles[2], u"<img src=x onerror=\"window.__pwned = 2\">Image Handler");
    EXPECT_EQ(titles[7], u"Tom & Jerry's \"Live\" <Acoustic>");

    // Each entry has its preview and download links, each with one ACTION, its own
    // identifier and play index, and nothing added by the data.
    int play = 0;
    int download = 0;
    for (const QJsonValue href : page.value(QStringLiteral("hrefs")).toArray()) {
        const QString link = href.toString();
        const TNameValueList params = LinkParams(link);
        const QString action = params.Values(QStringLiteral("ACTION"));
        if (action != u"Play" && action != u"Download")
            continue;
        (action == u"Play" ? play : download)++;
        const QString pid = params.Values(QStringLiteral("PID"));
        EXPECT_EQ(params.Values(QStringLiteral("ID")), list.Values(QStringLiteral("ID") + pid)) << link.toStdString();
        QStringList names;
        for (int i = 0; i < params.Count(); ++i)
            names.append(params.Names(i).toUpper());
        names.sort();
        EXPECT_EQ(names.removeDuplicates(), 0) << link.toStdString();
        for (const QString& n : names)
            EXPECT_TRUE(QStringList({"ACTION", "ID", "LONG", "PID", "TITLE"}).contains(n)) << link.toStdString();
    }
    EXPECT_EQ(play, 2 * count);
    EXPECT_EQ(download, count);

    // The program's page calls still work under the page's rules.
    RunScript(QStringLiteral("ShowIcon(3); ShowDIcon(4);"));
    EXPECT_EQ(RunScript(QStringLiteral("document.querySelector('#entry3').className + '|' + "
                                       "document.querySelector('#entry4').className"))
                  .toString(),
              u"entry downloadtab_gray playing|entry downloadtab_white downloaded");
}

TEST_F(HostilePage, CategoryAndKeywordPagesShowHostileNamesAsText)
{
    const QString hostile = QStringLiteral("<img src=x onerror=\"window.__pwned = 1\"><script>window.__pwned = 2</script>");
    TNameValueList list({QStringLiteral("categories_count=2"), QStringLiteral("0_name=") + hostile,
                         QStringLiteral("1_name=More/Other"), QStringLiteral("KEYWORD_0=") + hostile,
                         QStringLiteral("KEYWORD_1=x\"&ACTION=Download&ID=evil"), QStringLiteral("KEYWORD_COUNT=2")});
    // The overview decodes "%" escapes and "+" in names: keep the names free of them.
    const TPageBuild overview = MakeCategoryHtml(list, TemplateFilePath(QStringLiteral("res\\categories_en.html")));
    ASSERT_TRUE(overview.Ok) << overview.Error.toStdString();
    QJsonObject page = LoadAndInspect(overview.Html);
    ExpectOnlyOwnContent(page, "category overview");
    EXPECT_TRUE(page.value(QStringLiteral("titles")).toArray().contains(
        QStringLiteral("<img src=x onerror=\"window.__pwned = 1\"><script>window.__pwned = 2< & script>")));

    const TPageBuild keywords = MakeKeywordListHtml(list, TKeywordPageInfo{0, 1, 3, QStringLiteral("<b onclick=x>")},
                                                    TemplateFilePath(QStringLiteral("res\\keywordlist_en.html")));
    ASSERT_TRUE(keywords.Ok) << keywords.Error.toStdString();
    page = LoadAndInspect(keywords.Html);
    ExpectOnlyOwnContent(page, "keyword list");
    int searches = 0;
    for (const QJsonValue href : page.value(QStringLiteral("hrefs")).toArray()) {
        const TNameValueList params = LinkParams(href.toString());
        if (params.Values(QStringLiteral("ACTION")) != u"Search")
            continue;
        // The keyword comes back whole (as UTF-8) and adds no parameter.
        const QString keyword = QString::fromUtf8(ToAnsi(params.Values(QStringLiteral("KEYWORD"))));
        EXPECT_EQ(keyword, list.Values(QStringLiteral("KEYWORD_") + QString::number(searches)));
        EXPECT_EQ(params.Count(), 2) << href.toString().toStdString();
        ++searches;
    }
    EXPECT_EQ(searches, 2);
}
