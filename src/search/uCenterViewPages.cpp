#include "search/uCenterViewPages.h"

#include <algorithm>

#include <QUrl>

#include "common/FileFunctions.h"
#include "common/NameValueList.h"
#include "common/PathFunctions.h"
#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"
#include "search/BrimTpl.h"
#include "search/uCenterViewScraping.h"

namespace
{
// Counts come from the service information: a count beyond this is taken as this, so a
// broken value cannot make a page of millions of entries.
constexpr int KMaxItems = 10000;

int ReadCount(const QString& text, int defaultValue)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::min(value, KMaxItems) : defaultValue;
}

// A value for an "xmd:" link: URL-encoded as the link reader decodes it, then made safe
// for the attribute it stands in.
QString LinkValue(const QString& text)
{
    return HtmlEscape(EncodeURLTextAnsi(text));
}

// Numeric references and the few named ones that text (rather than markup) uses.
QString DecodeEntities(const QString& text)
{
    static const QList<QPair<QLatin1String, QChar>> named = {
        {QLatin1String("amp"), u'&'},  {QLatin1String("lt"), u'<'},   {QLatin1String("gt"), u'>'},
        {QLatin1String("quot"), u'"'}, {QLatin1String("apos"), u'\''}, {QLatin1String("nbsp"), QChar(0xA0)}};
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // References are short: look for the ";" within a few characters only.
        const qsizetype semicolon = text[i] == u'&' ? QStringView(text).mid(i + 1, 10).indexOf(u';') : -1;
        const qsizetype end = semicolon < 0 ? -1 : i + 1 + semicolon;
        if (end < 0) {
            result += text[i];
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, end - i - 1);
        bool decoded = false;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive) ? name.mid(2).toUInt(&ok, 16)
                                                                                       : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                result += QString::fromUcs4(&c, 1);
                decoded = true;
            }
        } else {
            for (const auto& [entity, c] : named)
                if (name == entity) {
                    result += c;
                    decoded = true;
                    break;
                }
        }
        if (decoded)
            i = end;
        else
            result += text[i];
    }
    return result;
}

// Scraped text as the site meant it to read: its character references decoded, then
// escaped again, so an ordinary title reads as on the site and markup shows as text.
QString DisplayText(const QString& text)
{
    return HtmlEscape(DecodeEntities(text));
}

TPageBuild Failed(const QString& error)
{
    return {false, QString(), error};
}

TPageBuild Rendered(TBrimTpl& tpl)
{
    tpl.MakeHtml();
    return {true, tpl.OutPutHtml(), QString()};
}
} // namespace

QString PageAppPath()
{
    QString url = QUrl::fromLocalFile(GetAppPath()).toString(QUrl::FullyEncoded);
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

QString TemplateFilePath(const QString& relative)
{
    return GetAppPath() + SlashToBackslash(relative);
}

QString HtmlEscape(const QString& text)
{
    QString result;
    result.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': result += QLatin1String("&amp;"); break;
        case u'<': result += QLatin1String("&lt;"); break;
        case u'>': result += QLatin1String("&gt;"); break;
        case u'"': result += QLatin1String("&quot;"); break;
        case u'\'': result += QLatin1String("&#39;"); break;
        default: result += c;
        }
    }
    return result;
}

TPageBuild MakeResultHtml(TNameValueList& searchResult, int currentPage, const QString& templateFile)
{
    try {
        TBrimTpl tpl;
        tpl.LoadTpl(templateFile);
        const QString appPath = HtmlEscape(PageAppPath());
        tpl.SetVar(QStringLiteral("SC_KEY"), HtmlEscape(searchResult.Values(QStringLiteral("SEARCHKEY"))));
        tpl.SetVar(QStringLiteral("APP_PATH"), appPath);

        // Entry numbers are play indices: an entry that is not shown keeps its number, and
        // the walk ends at the first number without an identifier.
        int j = 0;
        int shown = 0;
        for (;; ++j) {
            const QString n = QString::number(j);
            const QString id = searchResult.Values(QStringLiteral("ID") + n);
            if (id.isEmpty())
                break;
            const QString title = searchResult.Values(QStringLiteral("TITLE") + n);
            const QString duration = searchResult.Values(QStringLiteral("DURATION") + n);
            if (title.isEmpty() || duration.isEmpty())
                continue;
            tpl.BeginBlock(QStringLiteral("youtube"));
            tpl.SetVar(QStringLiteral("YT_TITLE"), DisplayText(title));
            tpl.SetVar(QStringLiteral("YT_TITLE_URL"), HtmlEscape(TitleToURLText(title)));
            tpl.SetVar(QStringLiteral("RUN_TIME"), DisplayText(StripTags(duration)));
            tpl.SetVar(QStringLiteral("YT_ID"), LinkValue(id));
            tpl.SetVar(QStringLiteral("YT_LONG"), HtmlEscape(GetRuntimeLong(duration)));
            tpl.SetVar(QStringLiteral("APP_PATH"), appPath);
            tpl.SetVar(QStringLiteral("POPULARITY"),
                       HtmlEscape(searchResult.Values(QStringLiteral("POPULARITY") + n).remove(u'.')));
            tpl.SetVar(QStringLiteral("ID"), n);
            tpl.SetVar(QStringLiteral("DOWNLOADTAB_CLASS"),
                       shown % 2 == 0 ? QStringLiteral("downloadtab_white") : QStringLiteral("downloadtab_gray"));
            tpl.EndBlock(QStringLiteral("youtube"));
            ++shown;
        }
        // The player steps through the entries up to this count.
        searchResult.SetValue(QStringLiteral("VCOUNT"), QString::number(j));

        for (int k = 0;; ++k) {
            const QString page = searchResult.Values(QStringLiteral("PAGE") + QString::number(k));
            if (page.isEmpty())
                break;
            tpl.BeginBlock(QStringLiteral("pages"));
            bool ok = false;
            const int number = page.toInt(&ok, 10);
            if ((ok ? number : -1) == currentPage) {
                tpl.SetVar(QStringLiteral("CURRENTPAGE"), QString::number(currentPage));
            } else {
                tpl.SetVar(QStringLiteral("PAGE"), DisplayText(page));
                tpl.SetVar(QStringLiteral("PAGE_ID"), LinkValue(page));
            }
            tpl.EndBlock(QStringLiteral("pages"));
        }
        return Rendered(tpl);
    } catch (const ETplError& e) {
        return Failed(e.Message());
    }
}

TPageBuild MakeCategoryHtml(const TNameValueList& categoryList, const QString& templateFile)
{
    static const QString more = QStringLiteral("More & Other");
    try {
        TBrimTpl tpl;
        tpl.LoadTpl(templateFile);
        const QString appPath = HtmlEscape(PageAppPath());
        tpl.SetVar(QStringLiteral("APP_PATH"), appPath);
        const int count = ReadCount(categoryList.Values(QStringLiteral("categories_count")), 0);
        int moreId = 0;
        for (int n = 0; n < count; ++n) {
            const QString name =
                categoryList.Values(QString::number(n) + QStringLiteral("_name")).replace(u'/', QLatin1String(" & "));
            if (name == more) {
                moreId = n;
                continue;
            }
            const QString shownName = FromAnsi(DecodeURLText(ToAnsi(name)));
            tpl.BeginBlock(QStringLiteral("categories"));
            tpl.SetVar(QStringLiteral("APP_PATH"), appPath);
            tpl.SetVar(QStringLiteral("CATEGORY_NAME"), DisplayText(shownName));
            tpl.SetVar(QStringLiteral("ID"), QString::number(n));
            tpl.EndBlock(QStringLiteral("categories"));
        }
        tpl.BeginBlock(QStringLiteral("categories"));
        tpl.SetVar(QStringLiteral("APP_PATH"), appPath);
        tpl.SetVar(QStringLiteral("CATEGORY_NAME"), HtmlEscape(more));
        tpl.SetVar(QStringLiteral("ID"), QString::number(moreId));
        tpl.EndBlock(QStringLiteral("categories"));
        return Rendered(tpl);
    } catch (const ETplError& e) {
        return Failed(e.Message());
    } catch (const EConvertError& e) {
        return Failed(QStringLiteral("category name: %1").arg(e.Message()));
    }
}

TPageBuild MakeKeywordListHtml(const TNameValueList& categoryList, const TKeywordPageInfo& info,
                               const QString& templateFile)
{
    try {
        TBrimTpl tpl;
        tpl.LoadTpl(templateFile);
        tpl.SetVar(QStringLiteral("APP_PATH"), HtmlEscape(PageAppPath()));
        const int count = ReadCount(categoryList.Values(QStringLiteral("KEYWORD_COUNT")), 0);
        for (int a = 0; a < count; ++a) {
            const QString keyword = categoryList.Values(QStringLiteral("KEYWORD_") + QString::number(a));
            tpl.BeginBlock(QStringLiteral("keywords"));
            tpl.SetVar(QStringLiteral("KEYWORD"), HtmlEscape(EncodeURLTextUtf8(keyword)));
            tpl.SetVar(QStringLiteral("KEYWORDTITLE"), DisplayText(keyword));
            tpl.EndBlock(QStringLiteral("keywords"));
        }
        const int pages = std::min(info.Pages, KMaxItems);
        if (pages >= 2) {
            for (int i = 1; i <= pages; ++i) {
                const QString number = QString::number(i);
                tpl.BeginBlock(QStringLiteral("pages"));
                tpl.SetVar(QStringLiteral("PAGE"),
                           i == info.CategoryPage
                               ? QStringLiteral("<b>") + number + QStringLiteral("</b>")
                               : QStringLiteral("<a href=\"xmd:ACTION=Categories&CATEGORYID=%1&CATEGORYPAGE=%2\">%2</a>")
                                     .arg(info.CategoryID)
                                     .arg(number));
                tpl.EndBlock(QStringLiteral("pages"));
            }
        }
        tpl.SetVar(QStringLiteral("TITLE"),
                   DisplayText(categoryList.Values(QString::number(info.CategoryID) + QStringLiteral("_name"))
                               + info.PageTitle));
        return Rendered(tpl);
    } catch (const ETplError& e) {
        return Failed(e.Message());
    }
}
