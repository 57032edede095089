#pragma once

#include <QString>

class TNameValueList;

// The pages the centre view shows, rendered from local templates with TBrimTpl. Every
// text that came from outside (the site's pages, the service information, the keyword)
// is recorded HTML-escaped, and values that go into "xmd:" links are URL-encoded first,
// so a hostile title or identifier shows as text and cannot add markup or link parameters.

struct TPageBuild
{
    bool Ok = false;
    QString Html;
    QString Error; // why the page could not be built (template file, template, category name)
};

// State of the keyword-list page besides the category list.
struct TKeywordPageInfo
{
    int CategoryID = 0;   // FCategoryID: the category whose keywords are shown
    int CategoryPage = 1; // FCategoryPage: its page
    int Pages = 0;        // setting "c_pages": a pager is shown from 2 on
    QString PageTitle;    // setting "c_pagetitle", appended to the category name
};

// The program folder as pages refer to it ("{APP_PATH}res/..."): a file URL ending in "/".
QString PageAppPath();
// A template named by a program-relative path such as "res\result_en.html".
QString TemplateFilePath(const QString& relative);

// Text safe in HTML content and in attribute values of either quote style.
QString HtmlEscape(const QString& text);

// The search result page from the search result list; appends "VCOUNT" to the list.
TPageBuild MakeResultHtml(TNameValueList& searchResult, int currentPage, const QString& templateFile);
// The category overview from the category list ("More & Other" last).
TPageBuild MakeCategoryHtml(const TNameValueList& categoryList, const QString& templateFile);
// One category's keyword list, after its keyword page has been scraped.
TPageBuild MakeKeywordListHtml(const TNameValueList& categoryList, const TKeywordPageInfo& info,
                               const QString& templateFile);
