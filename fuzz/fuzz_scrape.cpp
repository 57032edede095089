// Feeds a page from the site to the scraping step with the demo site's patterns, then
// renders the scraped lists, as the centre view does with every page it fetches.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "DemoSearch.h"
#include "common/NameValueList.h"
#include "search/uCenterViewPages.h"
#include "search/uCenterViewScraping.h"

namespace
{
struct TSetup
{
    TResultPatterns Result;
    TKeywordPatterns Keyword;
    QTemporaryDir Dir;
    QString Template;

    TSetup()
    {
        const TNameValueList info = DemoServiceInfo(QStringLiteral("http://127.0.0.1:1"));
        Result = {info.Values(QStringLiteral("Pattern.entry")),    info.Values(QStringLiteral("Pattern.id")),
                  info.Values(QStringLiteral("Pattern.title")),    info.Values(QStringLiteral("Pattern.duration")),
                  info.Values(QStringLiteral("Pattern.popularity2")), info.Values(QStringLiteral("Pattern.pages"))};
        Keyword = {info.Values(QStringLiteral("c_pattern_entry")), info.Values(QStringLiteral("c_pattern_title")),
                   info.Values(QStringLiteral("c_pattern_artist"))};
        Template = QDir(Dir.path()).filePath(QStringLiteral("tpl.html"));
        QFile file(Template);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write("{SC_KEY}<!-- begin block youtube -->{ID}{YT_ID}{YT_TITLE}{YT_TITLE_URL}{RUN_TIME}{YT_LONG}"
                   "{POPULARITY}{DOWNLOADTAB_CLASS}<!-- end block youtube --><!-- begin block pages -->"
                   "{PAGE}{PAGE_ID}{CURRENTPAGE}<!-- end block pages --><!-- begin block keywords -->"
                   "{KEYWORD}{KEYWORDTITLE}<!-- end block keywords -->{TITLE}\n");
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TSetup setup;
    const QString page =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;

    TNameValueList result({QStringLiteral("SearchKey=") + page.left(64)});
    if (!ScrapeResultPage(page, setup.Result, result, error))
        std::abort(); // the demo patterns are valid: only their matches vary
    const TPageBuild resultPage = MakeResultHtml(result, 2, setup.Template);
    if (!resultPage.Ok)
        std::abort();

    TNameValueList categories({QStringLiteral("categories_count=1"), QStringLiteral("0_name=") + page.left(32)});
    if (!ScrapeKeywordPage(page, setup.Keyword, categories, error))
        std::abort();
    MakeKeywordListHtml(categories, TKeywordPageInfo{0, 1, 3, page.left(16)}, setup.Template);
    MakeCategoryHtml(categories, setup.Template);

    GetRuntimeLong(page);
    TitleToURLText(page);
    PopularityFromViewCount(page);
    return 0;
}
