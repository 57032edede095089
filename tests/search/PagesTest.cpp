#include "search/uCenterViewPages.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "TestSupport.h"
#include "common/NameValueList.h"

namespace
{
// The rendered lines that start with prefix, prefix removed.
QStringList Rows(const QString& html, const QString& prefix)
{
    QStringList rows;
    for (const QString& line : html.split(QStringLiteral("\r\n")))
        if (line.startsWith(prefix))
            rows.append(line.mid(prefix.size()));
    return rows;
}

TNameValueList ListOf(const QStringList& lines)
{
    return TNameValueList(lines);
}

QString Fixture(const char* name)
{
    return TestSupport::FixturePath(QStringLiteral("search/") + QString::fromUtf8(name));
}
} // namespace

TEST(ResultPage, ShownAndSkippedEntries)
{
    const struct
    {
        const char* name;
        QStringList lines;
        QStringList entries; // ID|class|YT_ID
        const char* vcount;
    } cases[] = {
        {"entry without duration is skipped but counted",
         {"ID0=a", "TITLE0=A", "DURATION0=1:00", "ID1=b", "TITLE1=B", "DURATION1=1:00", "ID2=c", "TITLE2=C",
          "ID3=d", "TITLE3=D", "DURATION3=1:00", "ID4=e", "TITLE4=E", "DURATION4=1:00"},
         {"0|downloadtab_white|a", "1|downloadtab_gray|b", "3|downloadtab_white|d", "4|downloadtab_gray|e"},
         "5"},
        {"walk ends at the first missing identifier",
         {"ID0=a", "TITLE0=A", "DURATION0=1:00", "TITLE1=B", "DURATION1=1:00", "ID2=c", "TITLE2=C", "DURATION2=1:00"},
         {"0|downloadtab_white|a"},
         "1"},
        {"entry without title is skipped", {"ID0=a", "DURATION0=1:00", "ID1=b", "TITLE1=B", "DURATION1=1:00"},
         {"1|downloadtab_white|b"}, "2"},
        {"empty list", {"SEARCHKEY=x"}, {}, "0"},
    };
    for (const auto& c : cases) {
        TNameValueList list = ListOf(c.lines);
        const TPageBuild page = MakeResultHtml(list, 1, Fixture("result_vars.html"));
        ASSERT_TRUE(page.Ok) << c.name << ": " << page.Error.toStdString();
        QStringList entries;
        for (const QString& row : Rows(page.Html, QStringLiteral("E ")))
            entries.append(row.section(u'|', 0, 2));
        EXPECT_EQ(entries, c.entries) << c.name;
        EXPECT_EQ(list.Values(QStringLiteral("VCOUNT")), QString::fromUtf8(c.vcount)) << c.name;
    }
}

TEST(ResultPage, EntryValues)
{
    TNameValueList list = ListOf({
        "SearchKey=piano & \"strings\"",
        "ID0=a1-_B",
        "TITLE0=Tom & Jerry's \"Live\"",
        "DURATION0=<span class=\"d\">3:45</span>",
        "POPULARITY0=4.5",
        "ID1=x'\"><script>alert(1)</script>&ACTION=Download&ID=evil",
        "TITLE1=<img src=x onerror=alert(1)>",
        "DURATION1=<b onmouseover=alert(1)>1:00</b>",
        "POPULARITY1=60",
        "ID2=c",
        "TITLE2=Rock &amp; Roll &lt;Live&gt; &#233;t&#xE9; &bogus; &#0; & more",
        "DURATION2=&nbsp;2:00",
    });
    const TPageBuild page = MakeResultHtml(list, 1, Fixture("result_vars.html"));
    ASSERT_TRUE(page.Ok) << page.Error.toStdString();
    EXPECT_EQ(Rows(page.Html, QStringLiteral("KEY=")).value(0).section(u'|', 0, 0),
              u"piano &amp; &quot;strings&quot;");
    const QStringList rows = Rows(page.Html, QStringLiteral("E "));
    ASSERT_EQ(rows.size(), 3);
    const QStringList ordinary = rows[0].split(u'|');
    // ID|class|YT_ID|YT_TITLE|YT_TITLE_URL|RUN_TIME|YT_LONG|POPULARITY|APP_PATH
    EXPECT_EQ(ordinary[2], u"a1-_B");
    EXPECT_EQ(ordinary[3], u"Tom &amp; Jerry&#39;s &quot;Live&quot;");
    EXPECT_EQ(ordinary[4], u"Tom+%2526+Jerry&#39;s+%2522Live%2522");
    EXPECT_EQ(ordinary[5], u"3:45");
    EXPECT_EQ(ordinary[6], u"225");
    EXPECT_EQ(ordinary[7], u"45");
    EXPECT_TRUE(ordinary[8].startsWith(QStringLiteral("file:///"))) << ordinary[8].toStdString();
    EXPECT_TRUE(ordinary[8].endsWith(u'/'));

    const QStringList hostile = rows[1].split(u'|');
    EXPECT_EQ(hostile[2], u"x&#39;%22%3E%3Cscript%3Ealert(1)%3C%2Fscript%3E%26ACTION%3DDownload%26ID%3Devil");
    EXPECT_EQ(hostile[3], u"&lt;img src=x onerror=alert(1)&gt;");
    EXPECT_EQ(hostile[4], u"");
    EXPECT_EQ(hostile[5], u"1:00");
    // The site's own character references read as on the site; the rest is text.
    EXPECT_EQ(rows[2].split(u'|')[3], u"Rock &amp; Roll &lt;Live&gt; \u00e9t\u00e9 &amp;bogus; &amp;#0; &amp; more");
    EXPECT_EQ(rows[2].split(u'|')[5], u"\u00a02:00");
    for (const QString& field : hostile)
        EXPECT_FALSE(field.contains(u'<') || field.contains(u'"') || field.contains(u'>')) << field.toStdString();
}

TEST(ResultPage, PagerMarksTheCurrentPage)
{
    const struct
    {
        const char* name;
        QStringList pages;
        int current;
        QStringList expected; // PAGE|PAGE_ID|CURRENTPAGE
    } cases[] = {
        {"middle page", {"PAGE0=1", "PAGE1=2", "PAGE2=3"}, 2, {"1|1|", "||2", "3|3|"}},
        {"not a number", {"PAGE0=next", "PAGE1=1"}, 1, {"next|next|", "||1"}},
        {"hostile pager text", {"PAGE0=2\"><a href=x>&PAGE=9"}, 1,
         {"2&quot;&gt;&lt;a href=x&gt;&amp;PAGE=9|2%22%3E%3Ca+href%3Dx%3E%26PAGE%3D9|"}},
        {"no pager", {}, 1, {}},
    };
    for (const auto& c : cases) {
        TNameValueList list = ListOf(c.pages);
        const TPageBuild page = MakeResultHtml(list, c.current, Fixture("result_vars.html"));
        ASSERT_TRUE(page.Ok) << c.name;
        EXPECT_EQ(Rows(page.Html, QStringLiteral("P ")), c.expected) << c.name;
    }
}

TEST(CategoryPage, MoreAndOtherComesLast)
{
    const struct
    {
        const char* name;
        QStringList lines;
        QStringList expected;
    } cases[] = {
        {"named more", {"categories_count=3", "0_name=Pop", "1_name=More/Other", "2_name=Rock/Metal"},
         {"0|Pop", "2|Rock &amp; Metal", "1|More &amp; Other"}},
        {"no more category", {"categories_count=2", "0_name=Pop", "1_name=R%26B+Soul"},
         {"0|Pop", "1|R&amp;B Soul", "0|More &amp; Other"}},
        {"hostile name", {"categories_count=1", "0_name=<script>alert(1)</script>"},
         // "/" in a name is shown as " & ".
         {"0|&lt;script&gt;alert(1)&lt; &amp; script&gt;", "0|More &amp; Other"}},
        {"count not a number", {"categories_count=many", "0_name=Pop"}, {"0|More &amp; Other"}},
    };
    for (const auto& c : cases) {
        const TPageBuild page = MakeCategoryHtml(ListOf(c.lines), Fixture("categories_vars.html"));
        ASSERT_TRUE(page.Ok) << c.name << ": " << page.Error.toStdString();
        EXPECT_EQ(Rows(page.Html, QStringLiteral("C ")), c.expected) << c.name;
    }

    const TPageBuild broken = MakeCategoryHtml(ListOf({"categories_count=1", "0_name=50%"}), Fixture("categories_vars.html"));
    EXPECT_FALSE(broken.Ok);
    EXPECT_FALSE(broken.Error.isEmpty());
}

TEST(KeywordPage, KeywordsPagerAndTitle)
{
    const TNameValueList list = ListOf({"categories_count=2", "0_name=Pop", "1_name=Rock/Metal", "KEYWORD_0=Artist - Song",
                                        "KEYWORD_1=<img src=x onerror=alert(1)> & Caf\u00e9", "KEYWORD_COUNT=2"});
    TKeywordPageInfo info;
    info.CategoryID = 1;
    info.CategoryPage = 2;
    info.Pages = 3;
    info.PageTitle = QStringLiteral(" Top 100");
    const TPageBuild page = MakeKeywordListHtml(list, info, Fixture("keywordlist_vars.html"));
    ASSERT_TRUE(page.Ok) << page.Error.toStdString();
    EXPECT_EQ(Rows(page.Html, QStringLiteral("T ")), QStringList{QStringLiteral("Rock/Metal Top 100")});
    EXPECT_EQ(Rows(page.Html, QStringLiteral("K ")),
              (QStringList{QStringLiteral("Artist+-+Song|Artist - Song"),
                           QStringLiteral("%3Cimg+src%3Dx+onerror%3Dalert(1)%3E+%26+Caf%C3%A9|"
                                          "&lt;img src=x onerror=alert(1)&gt; &amp; Caf\u00e9")}));
    EXPECT_EQ(Rows(page.Html, QStringLiteral("P ")),
              (QStringList{QStringLiteral("<a href=\"xmd:ACTION=Categories&CATEGORYID=1&CATEGORYPAGE=1\">1</a>"),
                           QStringLiteral("<b>2</b>"),
                           QStringLiteral("<a href=\"xmd:ACTION=Categories&CATEGORYID=1&CATEGORYPAGE=3\">3</a>")}));

    for (int pages : {1, 0, -4}) {
        info.Pages = pages;
        const TPageBuild single = MakeKeywordListHtml(list, info, Fixture("keywordlist_vars.html"));
        ASSERT_TRUE(single.Ok);
        EXPECT_TRUE(Rows(single.Html, QStringLiteral("P ")).isEmpty()) << "c_pages " << pages;
    }
}

TEST(Pages, MissingTemplateStopsTheBuild)
{
    TNameValueList list;
    const QString missing = TestSupport::ResetDataFolders() + QStringLiteral("/none.html");
    EXPECT_FALSE(MakeResultHtml(list, 1, missing).Ok);
    EXPECT_FALSE(MakeCategoryHtml(list, missing).Ok);
    const TPageBuild keyword = MakeKeywordListHtml(list, TKeywordPageInfo(), missing);
    EXPECT_FALSE(keyword.Ok);
    EXPECT_TRUE(keyword.Error.contains(QStringLiteral("none.html"))) << keyword.Error.toStdString();
}

TEST(Pages, InstalledTemplatesCarryTheProgramsLinks)
{
    TNameValueList result = ListOf({"SearchKey=piano", "ID0=a1", "TITLE0=Song A", "DURATION0=3:45", "POPULARITY0=40",
                                    "PAGE0=1", "PAGE1=2"});
    const TPageBuild resultPage = MakeResultHtml(result, 1, TemplateFilePath(QStringLiteral("res\\result_en.html")));
    ASSERT_TRUE(resultPage.Ok) << resultPage.Error.toStdString();
    for (const char* expected : {"xmd:ACTION=Play&amp;ID=a1&amp;PID=0&amp;TITLE=Song+A&amp;LONG=225",
                                 "xmd:ACTION=Download&amp;ID=a1&amp;PID=0&amp;TITLE=Song+A&amp;LONG=225",
                                 "xmd:ACTION=FlipPage&amp;PAGE=2", "id=\"entry0\"", "downloadtab_white", ">piano<"})
        EXPECT_TRUE(resultPage.Html.contains(QString::fromUtf8(expected))) << expected;

    TNameValueList categories = ListOf({"categories_count=2", "0_name=Pop", "1_name=More/Other", "1_url=x"});
    const TPageBuild categoryPage =
        MakeCategoryHtml(categories, TemplateFilePath(QStringLiteral("res\\categories_en.html")));
    ASSERT_TRUE(categoryPage.Ok) << categoryPage.Error.toStdString();
    EXPECT_TRUE(categoryPage.Html.contains(QStringLiteral("xmd:ACTION=Categories&amp;CATEGORYID=1\"")));

    categories.Add(QStringLiteral("KEYWORD_0=Artist - Song"));
    categories.Add(QStringLiteral("KEYWORD_COUNT=1"));
    const TPageBuild keywordPage = MakeKeywordListHtml(categories, TKeywordPageInfo{0, 1, 2, QStringLiteral(" chart")},
                                                       TemplateFilePath(QStringLiteral("res\\keywordlist_en.html")));
    ASSERT_TRUE(keywordPage.Ok) << keywordPage.Error.toStdString();
    for (const char* expected : {"xmd:ACTION=Search&amp;KEYWORD=Artist+-+Song", "Pop chart",
                                 "xmd:ACTION=Categories&CATEGORYID=0&CATEGORYPAGE=2", "xmd:ACTION=Category"})
        EXPECT_TRUE(keywordPage.Html.contains(QString::fromUtf8(expected))) << expected;
}
