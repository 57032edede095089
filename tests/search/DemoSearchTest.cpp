// The scraping, the pages and varnelo-cli against the demo site's own pages and patterns.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include "DemoSearch.h"
#include "DemoSite.h"
#include "ProgramRun.h"
#include "TestSupport.h"
#include "common/MemIniFile.h"
#include "common/NameValueList.h"
#include "search/uCenterViewPages.h"
#include "search/uCenterViewScraping.h"

namespace
{
TResultPatterns ResultPatternsOf(const TNameValueList& info)
{
    return {info.Values(QStringLiteral("Pattern.entry")),    info.Values(QStringLiteral("Pattern.id")),
            info.Values(QStringLiteral("Pattern.title")),    info.Values(QStringLiteral("Pattern.duration")),
            info.Values(QStringLiteral("Pattern.popularity2")), info.Values(QStringLiteral("Pattern.pages"))};
}

// The title as the result list holds it: the site escapes <, >, quotes and ampersands and
// the scraper undoes only the quotes and ampersands.
QString ListedTitle(const QString& title)
{
    QString t = title;
    return t.replace(u'<', QLatin1String("&lt;")).replace(u'>', QLatin1String("&gt;"));
}

QString Duration(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

TEST(DemoSearch, ResultPagesScrapeIntoTenEntriesAndAPager)
{
    const TNameValueList info = DemoServiceInfo(QStringLiteral("http://127.0.0.1:1"));
    const QList<TDemoResult> results = DemoResults(QStringLiteral("summer rain"));
    ASSERT_EQ(results.size(), KDemoResultCount);
    for (int page = 1; page <= 3; ++page) {
        TNameValueList list;
        QString error;
        ASSERT_TRUE(ScrapeResultPage(DemoResultPage(QStringLiteral("summer rain"), page), ResultPatternsOf(info), list,
                                     error))
            << error.toStdString();
        const int first = (page - 1) * KDemoResultsPerPage;
        const int count = std::min<int>(KDemoResultsPerPage, results.size() - first);
        for (int j = 0; j < count; ++j) {
            const TDemoResult& r = results[first + j];
            const QString n = QString::number(j);
            EXPECT_EQ(list.Values(QStringLiteral("ID") + n), r.Id) << "page " << page << " entry " << j;
            EXPECT_EQ(list.Values(QStringLiteral("TITLE") + n), ListedTitle(r.Title)) << "page " << page << " entry " << j;
            EXPECT_EQ(GetRuntimeLong(list.Values(QStringLiteral("DURATION") + n)), QString::number(r.Duration));
            const QString popularity = list.Values(QStringLiteral("POPULARITY") + n);
            if (r.Views < 0)
                EXPECT_TRUE(popularity.startsWith(QStringLiteral("4."))) << popularity.toStdString();
            else
                EXPECT_EQ(popularity, QString::number(PopularityFromViewCount(QString::number(r.Views))));
        }
        EXPECT_TRUE(list.Values(QStringLiteral("ID") + QString::number(count)).isEmpty());
        EXPECT_EQ(list.Values(QStringLiteral("PAGE0")), u"1");
        EXPECT_EQ(list.Values(QStringLiteral("PAGE2")), u"3");
        EXPECT_TRUE(list.Values(QStringLiteral("PAGE3")).isEmpty()) << "the \"Next\" link is no pager entry";
    }
}

TEST(DemoSearch, ChartPageSkipsPlaceholderAndKeepsTitlesWithoutArtist)
{
    const TNameValueList info = DemoServiceInfo(QStringLiteral("http://127.0.0.1:1"));
    const TKeywordPatterns patterns{info.Values(QStringLiteral("c_pattern_entry")),
                                    info.Values(QStringLiteral("c_pattern_title")),
                                    info.Values(QStringLiteral("c_pattern_artist"))};
    TNameValueList list;
    QString error;
    ASSERT_TRUE(ScrapeKeywordPage(DemoChartPage(1, 2), patterns, list, error)) << error.toStdString();
    EXPECT_EQ(list.Values(QStringLiteral("KEYWORD_COUNT")), u"9");
    for (int a = 0; a < 9; ++a) {
        const QString keyword = list.Values(QStringLiteral("KEYWORD_") + QString::number(a));
        EXPECT_FALSE(keyword.contains(QStringLiteral("__title__")) || keyword.contains(QStringLiteral("Sponsored")));
        EXPECT_EQ(keyword.contains(QStringLiteral(" - ")), a != 6) << keyword.toStdString();
    }
}

// Runs the built varnelo-cli with the demo site's service information.
class DemoSearchCli : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FSite.Start(0)); }
    void TearDown() override { FSite.Stop(); }

    int RunCli(const QStringList& command, QString& out)
    {
        QStringList args;
        const TNameValueList info = DemoServiceInfo(FSite.BaseUrl());
        for (const QString& line : info.Lines())
            args << QStringLiteral("--set") << line;
        const TestSupport::TProgramRun run = TestSupport::RunProgram(QStringLiteral("varnelo-cli"), args + command);
        out = QString::fromUtf8(run.Out);
        std::cerr << run.Err.toStdString();
        return run.ExitCode;
    }

    TDemoSite FSite;
};

TEST_F(DemoSearchCli, SearchListsTwoPagesAndWritesThePage)
{
    const QString dir = TestSupport::ResetDataFolders();
    const QList<TDemoResult> results = DemoResults(QStringLiteral("caf\u00e9 sol"));
    for (int page = 1; page <= 2; ++page) {
        const QString html = dir + QStringLiteral("/page%1.html").arg(page);
        QString out;
        ASSERT_EQ(RunCli({QStringLiteral("search"), QStringLiteral("caf\u00e9 sol"), QStringLiteral("--page"),
                          QString::number(page), QStringLiteral("--html"), html},
                         out),
                  0);
        const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), KDemoResultsPerPage + 1) << out.toStdString();
        for (int j = 0; j < KDemoResultsPerPage; ++j) {
            const TDemoResult& r = results[(page - 1) * KDemoResultsPerPage + j];
            const QStringList fields = lines[j].split(u'\t');
            ASSERT_EQ(fields.size(), 5) << lines[j].toStdString();
            EXPECT_EQ(fields[0], QString::number(j));
            EXPECT_EQ(fields[1], r.Id);
            EXPECT_EQ(fields[2], ListedTitle(r.Title));
            EXPECT_EQ(fields[3], Duration(r.Duration));
        }
        EXPECT_EQ(lines.last(), page == 1 ? u"pages: [1] 2 3" : u"pages: 1 [2] 3");

        // The page shows every entry's title as the site shows it, with the program's links.
        const QString written = QString::fromUtf8(TestSupport::ReadFile(html));
        for (int j = 0; j < KDemoResultsPerPage; ++j) {
            const TDemoResult& r = results[(page - 1) * KDemoResultsPerPage + j];
            EXPECT_TRUE(written.contains(u'>' + HtmlEscape(r.Title) + QStringLiteral("</a>"))) << r.Title.toStdString();
            EXPECT_TRUE(written.contains(QStringLiteral("xmd:ACTION=Download&amp;ID=%1&amp;PID=%2&amp;").arg(r.Id).arg(j)));
        }
        EXPECT_EQ(written.count(QStringLiteral("class=\"entry ")), KDemoResultsPerPage);
    }
    EXPECT_EQ(FSite.RequestCount(QStringLiteral("/results")), 2);
}

TEST_F(DemoSearchCli, CategoriesAndKeywords)
{
    const QString dir = TestSupport::ResetDataFolders();
    QString out;
    ASSERT_EQ(RunCli({QStringLiteral("categories"), QStringLiteral("--html"), dir + QStringLiteral("/c.html")}, out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("1\tRock & Metal\t") + FSite.BaseUrl() + QStringLiteral("/charts?cat=1")));
    const QString overview = QString::fromUtf8(TestSupport::ReadFile(dir + QStringLiteral("/c.html")));
    EXPECT_LT(overview.indexOf(QStringLiteral("Electronic")), overview.indexOf(QStringLiteral("More &amp; Other")));

    ASSERT_EQ(RunCli({QStringLiteral("keywords"), QStringLiteral("1"), QStringLiteral("--page"), QStringLiteral("2"),
                      QStringLiteral("--html"), dir + QStringLiteral("/k.html")},
                     out),
              0);
    EXPECT_EQ(out.count(u'\n'), 10) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("page 2 of 3")));
    const QString keywords = QString::fromUtf8(TestSupport::ReadFile(dir + QStringLiteral("/k.html")));
    EXPECT_TRUE(keywords.contains(QStringLiteral("Rock/Metal: Top Songs")));
    EXPECT_TRUE(keywords.contains(QStringLiteral("<b>2</b>")));
    EXPECT_EQ(FSite.RequestCount(QStringLiteral("/charts")), 1);

    EXPECT_EQ(RunCli({QStringLiteral("keywords"), QStringLiteral("42")}, out), 1);
}

TEST_F(DemoSearchCli, MissingServiceInformationIsAnError)
{
    const TestSupport::TProgramRun run =
        TestSupport::RunProgram(QStringLiteral("varnelo-cli"), {QStringLiteral("search"), QStringLiteral("anything")});
    EXPECT_GT(run.ExitCode, 0) << "ends by itself with an error";
    EXPECT_TRUE(run.Out.isEmpty());
}

TEST(DemoSearch, ServiceInformationSurvivesTheConstantFileAndModifyLines)
{
    const QString base = QStringLiteral("http://127.0.0.1:4321");
    const TNameValueList info = DemoServiceInfo(base);
    TMemIniFile constFile;
    constFile.SetText(DemoServiceInfoConstFile(base));
    const QStringList modify = DemoServiceInfoModifyLines(base).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(modify.size(), info.Count());
    for (int i = 0; i < info.Count(); ++i) {
        const QString name = info.Names(i);
        EXPECT_EQ(constFile.ReadString(QStringLiteral("setting"), name, QStringLiteral("<missing>")), info.ValueFromIndex(i))
            << name.toStdString();
        EXPECT_EQ(modify[i], QStringLiteral("__MODIFY__.") + info[i]);
    }
    for (const char* key : {"SearchKeyURL", "DownloadURL", "Pattern.entry", "Pattern.id", "Pattern.title",
                            "Pattern.duration", "Pattern.popularity2", "Pattern.pages", "categories_count",
                            "c_pattern_entry", "c_pattern_title", "c_pattern_artist", "c_pages", "c_pagetitle",
                            "WatchPattern", "WatchPattern2", "FLVSplitStr", "FLVNeedDecode", "FLVGetVideoURI", "WatchURL",
                            "GetInfoURL", "GetMethod", "FLVURLFormat"})
        EXPECT_GE(info.IndexOfName(QString::fromUtf8(key)), 0) << key;
}

TEST(DemoSearch, ProgramPrintsTheModifyLines)
{
    const TestSupport::TProgramRun run = TestSupport::RunProgram(
        QStringLiteral("varnelo-demo-site"), {QStringLiteral("--port"), QStringLiteral("4321"), QStringLiteral("--service-info")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.Out),
              DemoServiceInfoModifyLines(QStringLiteral("http://127.0.0.1:4321")));
}
