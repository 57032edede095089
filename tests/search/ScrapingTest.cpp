#include "search/uCenterViewScraping.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "TestSupport.h"
#include "common/NameValueList.h"

namespace
{
// A small page format with one entry per <li>; each test row changes what it needs.
TResultPatterns SimplePatterns()
{
    TResultPatterns p;
    p.Entry = QStringLiteral("<li>(.*)</li>");
    p.Id = QStringLiteral("id=([A-Za-z0-9_-]+)");
    p.Title = QStringLiteral("title: (.*)$");
    p.Duration = QStringLiteral("time=(<i>[0-9:]+</i>)");
    p.Popularity = QStringLiteral("views=([0-9, ]+);");
    p.Pages = QStringLiteral("<a class=p>(.*)</a>");
    return p;
}

QStringList Scrape(const QString& page, const TResultPatterns& patterns, QString* error = nullptr)
{
    TNameValueList list;
    QString errorText;
    const bool ok = ScrapeResultPage(page, patterns, list, errorText);
    EXPECT_EQ(ok, errorText.isEmpty());
    if (error)
        *error = errorText;
    return list.Lines();
}
} // namespace

TEST(Scraping, ResultPageEntriesAndPager)
{
    const QString page = QStringLiteral(
        "<ul>\r\n"
        "<li>id=a1 time=<i>3:45</i> views=1,234,567;\r\ntitle: Tom &amp; Jerry &#39;Live&#39;\r\n</li>\r\n"
        "<li>no identifier here\r\ntitle: Lost</li>\r\n"
        "<li>id=c3 time=<i>10:00</i>\ntitle: \u0391\u03b8\u03ae\u03bd\u03b1 &quot;live&quot;\n</li>\n"
        "</ul><a class=p>1</a> <a class=p>2</a>\r<a class=p>3</a>");
    EXPECT_EQ(Scrape(page, SimplePatterns()).filter(QRegularExpression(QStringLiteral("^(?!POPULARITY2)"))),
              (QStringList{
                  QStringLiteral("ID0=a1"), QStringLiteral("TITLE0=Tom & Jerry 'Live'"),
                  QStringLiteral("DURATION0=<i>3:45</i>"), QStringLiteral("POPULARITY0=60"),
                  // Entry 1 yields nothing but keeps its number; the line break of a CR LF
                  // page is not part of a title.
                  QStringLiteral("ID2=c3"), QStringLiteral("TITLE2=\u0391\u03b8\u03ae\u03bd\u03b1 \"live\""),
                  QStringLiteral("DURATION2=<i>10:00</i>"), QStringLiteral("PAGE0=1"), QStringLiteral("PAGE1=2"),
                  QStringLiteral("PAGE2=3")}));
}

TEST(Scraping, EntryStopsAtTheFirstMissingPiece)
{
    const struct
    {
        const char* name;
        QString entry;
        QStringList expected;
    } cases[] = {
        {"no id", QStringLiteral("title: T\ntime=<i>1:00</i> views=5;"), {}},
        {"no title", QStringLiteral("id=x time=<i>1:00</i> views=5;"), {QStringLiteral("ID0=x")}},
        {"no duration", QStringLiteral("id=x views=5;\ntitle: T"), {QStringLiteral("ID0=x"), QStringLiteral("TITLE0=T")}},
        {"all four", QStringLiteral("id=x views=1000; time=<i>1:00</i>\ntitle: T"),
         {QStringLiteral("ID0=x"), QStringLiteral("TITLE0=T"), QStringLiteral("DURATION0=<i>1:00</i>"),
          QStringLiteral("POPULARITY0=29")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Scrape(QStringLiteral("<li>") + c.entry + QStringLiteral("</li>"), SimplePatterns()), c.expected)
            << c.name;
}

TEST(Scraping, PopularityWithoutViewCountIsFourPointDigit)
{
    for (int run = 0; run < 20; ++run) {
        const QStringList lines = Scrape(QStringLiteral("<li>id=x time=<i>1:00</i>\ntitle: T</li>"), SimplePatterns());
        ASSERT_EQ(lines.size(), 4);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^POPULARITY0=4\\.[0-8]$")).match(lines[3]).hasMatch())
            << lines[3].toStdString();
    }
}

TEST(Scraping, PopularityFormulaAndLimits)
{
    const struct
    {
        const char* views;
        int expected;
    } cases[] = {
        {"1,234,567", 60}, {"1 000", 29},     {"1000000", 59},    {"2147483647", 92}, {"5000000000", 96},
        {"0", 10},         {"1", 10},         {"2", 10},          {"1024", 30},       {"2048", 33},
        {"abc", 10},       {"", 10},          {"-500", 10},       {"12,3 4", 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PopularityFromViewCount(QString::fromUtf8(c.views)), c.expected) << c.views;
}

TEST(Scraping, TextHelpers)
{
    const struct
    {
        const char* function;
        QString input;
        QString expected;
    } cases[] = {
        {"unescape", QStringLiteral("Tom &amp; Jerry &#39;Live&#39;"), QStringLiteral("Tom & Jerry 'Live'")},
        {"unescape", QStringLiteral("&amp;quot;"), QStringLiteral("&quot;")},
        {"unescape", QStringLiteral("&amp;#39;&quot;"), QStringLiteral("&#39;\"")},
        {"unescape", QStringLiteral("&lt;b&gt;"), QStringLiteral("&lt;b&gt;")},
        {"url", QStringLiteral("Song A"), QStringLiteral("Song+A")},
        {"url", QStringLiteral("A&B=C"), QStringLiteral("A%2526B%253DC")},
        {"url", QStringLiteral("<b>Bold</b> it's <a href=\"x\">here</a>"), QStringLiteral("Bold+it's+here")},
        {"url", QStringLiteral("100% + more"), QStringLiteral("100%2525+%252B+more")},
        {"url", QStringLiteral("caf\u00e9"), QStringLiteral("caf%25E9")},
        {"url", QString(), QString()},
        {"runtime", QStringLiteral("3:45"), QStringLiteral("225")},
        {"runtime", QStringLiteral("<span>12:07</span>"), QStringLiteral("727")},
        {"runtime", QStringLiteral("<span class=\"d\"><b>1:05</b></span>"), QStringLiteral("0")},
        {"runtime", QStringLiteral("5"), QStringLiteral("300")},
        {"runtime", QStringLiteral("1:02:03"), QStringLiteral("62")},
        {"runtime", QStringLiteral("x:7"), QStringLiteral("7")},
        {"runtime", QStringLiteral("99999999:59"), QStringLiteral("5999999999")},
        {"runtime", QString(), QString()},
        {"strip", QStringLiteral("<span class=\"d\">3:45</span>"), QStringLiteral("3:45")},
        {"strip", QStringLiteral("a < b > c"), QStringLiteral("a  c")},
    };
    for (const auto& c : cases) {
        const QString function = QString::fromUtf8(c.function);
        const QString actual = function == u"unescape" ? HtmlUnescape(c.input)
                               : function == u"url"    ? TitleToURLText(c.input)
                               : function == u"strip"  ? StripTags(c.input)
                                                       : GetRuntimeLong(c.input);
        EXPECT_EQ(actual, c.expected) << c.function << " of " << c.input.toStdString();
    }
}

TEST(Scraping, BadPatternsNameThemselves)
{
    const QString page = QStringLiteral("<li>id=a time=<i>1:00</i>\ntitle: T</li><li>id=b</li><a class=p>1</a>");
    const struct
    {
        const char* name;
        QString TResultPatterns::*field;
        const char* value;
        const char* key;
        QStringList linesKept;
    } cases[] = {
        {"empty entry pattern", &TResultPatterns::Entry, "", "Pattern.entry", {QStringLiteral("PAGE0=1")}},
        {"broken entry pattern", &TResultPatterns::Entry, "<li>(", "Pattern.entry", {QStringLiteral("PAGE0=1")}},
        {"broken id pattern", &TResultPatterns::Id, "id=([a-z]", "Pattern.id", {QStringLiteral("PAGE0=1")}},
        {"broken duration pattern", &TResultPatterns::Duration, "time=(?<", "Pattern.duration",
         {QStringLiteral("ID0=a"), QStringLiteral("TITLE0=T"), QStringLiteral("PAGE0=1")}},
        {"empty pager pattern", &TResultPatterns::Pages, "", "Pattern.pages",
         {QStringLiteral("ID0=a"), QStringLiteral("TITLE0=T"), QStringLiteral("DURATION0=<i>1:00</i>"),
          QStringLiteral("POPULARITY0=10"), QStringLiteral("ID1=b")}},
    };
    for (const auto& c : cases) {
        TResultPatterns patterns = SimplePatterns();
        patterns.Popularity = QStringLiteral("(x*)");
        patterns.*c.field = QString::fromUtf8(c.value);
        QString error;
        EXPECT_EQ(Scrape(page, patterns, &error), c.linesKept) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.key))) << c.name << ": " << error.toStdString();
    }
}

TEST(Scraping, KeywordPage)
{
    TKeywordPatterns patterns;
    patterns.Entry = QStringLiteral("<tr>(.*)</tr>");
    patterns.Title = QStringLiteral("<td class=t>([^<]*)</td>");
    patterns.Artist = QStringLiteral("<td class=a>([^<]*)</td>");
    const QString page = QStringLiteral(
        "<table>\n"
        "<tr><td class=t>__title__</td><td class=a>Nobody</td></tr>\n"
        "<tr><td class=t>Rock &amp; Roll</td><td class=a>The Band</td></tr>\n"
        "<tr><td class=t>Solo</td><td class=a> </td></tr>\n"
        "<tr><td class=t></td><td class=a>Empty Title</td></tr>\n"
        "<tr><td class=t>No Artist Cell</td></tr>\n"
        "<tr><td class=t>&quot;Quoted&quot;</td><td class=a>\u30a2\u30fc\u30c6\u30a3\u30b9\u30c8</td></tr>\n"
        "</table>");
    TNameValueList list;
    list.Add(QStringLiteral("categories_count=1"));
    list.Add(QStringLiteral("0_name=Pop"));
    list.Add(QStringLiteral("KEYWORD_0=from page one"));
    list.Add(QStringLiteral("KEYWORD_5=from page one"));
    list.Add(QStringLiteral("keyword_count=6"));
    QString error;
    ASSERT_TRUE(ScrapeKeywordPage(page, patterns, list, error)) << error.toStdString();
    EXPECT_EQ(list.Lines(), (QStringList{QStringLiteral("categories_count=1"), QStringLiteral("0_name=Pop"),
                                         QStringLiteral("KEYWORD_0=Rock & Roll - The Band"),
                                         QStringLiteral("KEYWORD_1=Solo"),
                                         QStringLiteral("KEYWORD_2=\"Quoted\" - \u30a2\u30fc\u30c6\u30a3\u30b9\u30c8"),
                                         QStringLiteral("KEYWORD_COUNT=3")}));

    patterns.Artist = QStringLiteral("(");
    EXPECT_FALSE(ScrapeKeywordPage(page, patterns, list, error));
    EXPECT_TRUE(error.contains(QStringLiteral("c_pattern_artist"))) << error.toStdString();
}

TEST(Scraping, EmptyMatchesDoNotLoop)
{
    TResultPatterns patterns = SimplePatterns();
    patterns.Entry = QStringLiteral("(x*)");
    patterns.Pages = QStringLiteral("()");
    const QStringList lines = Scrape(QStringLiteral("ab\u00e9"), patterns);
    EXPECT_EQ(lines.filter(QStringLiteral("PAGE")).size(), 4);
}
