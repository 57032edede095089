// varnelo-cli categories: the category overview from the service information.
#include "cli/CliCommand.h"
#include "cli/SearchCliSupport.h"
#include "common/NameValueList.h"
#include "search/uCenterViewPages.h"
#include "search/uMDDef.h"

namespace
{
int RunCategories(const QStringList& arguments)
{
    TSearchCliOptions options;
    QString problem = ParseSearchCliOptions(arguments, false, options);
    if (problem.isEmpty() && !options.Positional.isEmpty())
        problem = QStringLiteral("no arguments besides --html");
    if (!problem.isEmpty()) {
        CliError(QStringLiteral("categories: ") + problem);
        return 2;
    }
    TNameValueList list;
    LoadCategoryList(list);
    const int count = list.Values(QStringLiteral("categories_count")).toInt();
    for (int n = 0; n < count; ++n) {
        const QString id = QString::number(n);
        CliPrint(QStringLiteral("%1\t%2\t%3")
                     .arg(id, list.Values(id + QStringLiteral("_name")).replace(u'/', QLatin1String(" & ")),
                          list.Values(id + QStringLiteral("_url"))));
    }
    if (options.HtmlFile.isEmpty())
        return 0;
    const TPageBuild html = MakeCategoryHtml(list, TemplateFilePath(QStringLiteral("res\\categories_en.html")));
    if (!html.Ok) {
        CliError(QStringLiteral("categories: ") + html.Error);
        return 1;
    }
    return WriteHtmlFile(options.HtmlFile, html.Html) ? 0 : 1;
}
} // namespace

TCliCommand MakeCategoriesCommand()
{
    return {QStringLiteral("categories"), QStringLiteral("categories [--html FILE]"),
            QStringLiteral("list the categories of the service information (number, name, address)"), RunCategories};
}
