// varnelo-cli keywords: one page of a category's keyword list, fetched and scraped the way
// the centre view does it.
#include "cli/CliCommand.h"
#include "cli/SearchCliSupport.h"
#include "common/NameValueList.h"
#include "search/uCenterViewPages.h"
#include "search/uCenterViewScraping.h"
#include "search/uCenterViewSearch.h"
#include "search/uMDDef.h"

namespace
{
int RunKeywords(const QStringList& arguments)
{
    TSearchCliOptions options;
    QString problem = ParseSearchCliOptions(arguments, true, options);
    bool isNumber = false;
    const int categoryID = options.Positional.value(0).toInt(&isNumber);
    if (problem.isEmpty() && (options.Positional.size() != 1 || !isNumber))
        problem = QStringLiteral("one CATEGORYID (a number from the categories command), please");
    if (!problem.isEmpty()) {
        CliError(QStringLiteral("keywords: ") + problem);
        return 2;
    }
    TNameValueList list;
    LoadCategoryList(list);
    const QString url = CategoryPageURL(list, QString::number(categoryID), options.Page);
    if (url.isEmpty()) {
        CliError(QStringLiteral("keywords: category %1 has no address (setting \"c_%1_url\")").arg(categoryID));
        return 1;
    }
    QString page;
    if (!FetchPageText(url, page, problem)) {
        CliError(QStringLiteral("keywords: ") + problem);
        return 1;
    }
    if (!ScrapeKeywordPage(page, TKeywordPatterns::FromSettings(), list, problem)) {
        CliError(QStringLiteral("keywords: ") + problem);
        return 1;
    }
    const int count = list.Values(QStringLiteral("KEYWORD_COUNT")).toInt();
    for (int a = 0; a < count; ++a)
        CliPrint(QStringLiteral("%1\t%2").arg(a).arg(list.Values(QStringLiteral("KEYWORD_") + QString::number(a))));
    const TKeywordPageInfo info = KeywordPageInfoFromSettings(categoryID, options.Page);
    if (info.Pages >= 2)
        CliPrint(QStringLiteral("page %1 of %2").arg(options.Page).arg(info.Pages));
    if (options.HtmlFile.isEmpty())
        return 0;
    const TPageBuild html = MakeKeywordListHtml(list, info, TemplateFilePath(QStringLiteral("res\\keywordlist_en.html")));
    if (!html.Ok) {
        CliError(QStringLiteral("keywords: ") + html.Error);
        return 1;
    }
    return WriteHtmlFile(options.HtmlFile, html.Html) ? 0 : 1;
}
} // namespace

TCliCommand MakeKeywordsCommand()
{
    return {QStringLiteral("keywords"), QStringLiteral("keywords CATEGORYID [--page N] [--html FILE]"),
            QStringLiteral("one page of a category's song list, one keyword a line"), RunKeywords};
}
