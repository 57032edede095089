// varnelo-cli search: one result page of the site, fetched, scraped and rendered the way
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
int RunSearch(const QStringList& arguments)
{
    TSearchCliOptions options;
    QString problem = ParseSearchCliOptions(arguments, true, options);
    if (problem.isEmpty() && options.Positional.size() != 1)
        problem = QStringLiteral("one KEYWORD, please (quote it when it has spaces)");
    if (problem.isEmpty() && options.Positional.first().trimmed().isEmpty())
        problem = QStringLiteral("the keyword is empty");
    if (!problem.isEmpty()) {
        CliError(QStringLiteral("search: ") + problem);
        return 2;
    }

    TCurrentInfo info;
    if (!info.GetMDInfo()) {
        CliError(QStringLiteral("search: no service information (the setting \"SearchKeyURL\" is empty)"));
        return 1;
    }
    TNameValueList result = MakeSearchRequest(info.MDInfo, options.Positional.first(), options.Page);
    const QString url = SearchRequestURL(result);
    QString page;
    if (!FetchPageText(url, page, problem)) {
        CliError(QStringLiteral("search: ") + problem);
        return 1;
    }

    const bool scraped = ScrapeResultPage(page, TResultPatterns::FromSettings(), result, problem);
    // Rendering walks the entries as the page shows them and counts them in "VCOUNT".
    const TPageBuild html = MakeResultHtml(result, options.Page, TemplateFilePath(QStringLiteral("res\\result_en.html")));
    const int count = result.Values(QStringLiteral("VCOUNT")).toInt();
    for (int j = 0; j < count; ++j) {
        const QString n = QString::number(j);
        CliPrint(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                     .arg(n, result.Values(QStringLiteral("ID") + n), result.Values(QStringLiteral("TITLE") + n),
                          StripTags(result.Values(QStringLiteral("DURATION") + n)),
                          result.Values(QStringLiteral("POPULARITY") + n)));
    }
    QStringList pager;
    for (int k = 0;; ++k) {
        const QString entry = result.Values(QStringLiteral("PAGE") + QString::number(k));
        if (entry.isEmpty())
            break;
        pager.append(entry == QString::number(options.Page) ? u'[' + entry + u']' : entry);
    }
    CliPrint(QStringLiteral("pages: ") + pager.join(u' '));

    if (!scraped)
        CliError(QStringLiteral("search: ") + problem);
    if (!options.HtmlFile.isEmpty()) {
        if (!html.Ok) {
            CliError(QStringLiteral("search: ") + html.Error);
            return 1;
        }
        if (!WriteHtmlFile(options.HtmlFile, html.Html))
            return 1;
    }
    return scraped ? 0 : 1;
}
} // namespace

TCliCommand MakeSearchCommand()
{
    return {QStringLiteral("search"), QStringLiteral("search KEYWORD [--page N] [--html FILE]"),
            QStringLiteral("search the site: one line per entry (number, id, title, time, popularity) and the pager"),
            RunSearch};
}
