#include "search/uCenterViewSearch.h"

#include "common/NameValueList.h"
#include "common/UrlFunctions.h"

TNameValueList MakeSearchRequest(const TNameValueList& mdInfo, const QString& keyword, int page)
{
    TNameValueList request = mdInfo;
    request.SetValue(QStringLiteral("SearchKeyURL"),
                     request.Values(QStringLiteral("SearchKeyURL")) + EncodeURLTextUtf8(keyword));
    request.SetValue(QStringLiteral("Page"), QString::number(page > 0 ? page : 1));
    request.SetValue(QStringLiteral("SearchKey"), keyword);
    return request;
}

QString SearchRequestURL(const TNameValueList& request)
{
    QString url = request.Values(QStringLiteral("SearchKeyURL"));
    if (url.isEmpty())
        return QString();
    const QString page = request.Values(QStringLiteral("Page"));
    if (!page.isEmpty())
        url += QStringLiteral("&page=") + page;
    return url;
}

QString CategoryPageURL(const TNameValueList& categoryList, const QString& categoryID, int page)
{
    const QString url = categoryList.Values(categoryID + QStringLiteral("_url"));
    return url.isEmpty() ? QString() : url + QStringLiteral("&p=") + QString::number(page);
}
