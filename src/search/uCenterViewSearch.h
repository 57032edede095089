#pragma once

#include <QString>

class TNameValueList;

// How the centre view turns a keyword into a request for the site and how a category's
// keyword page is addressed; shared by the view and varnelo-cli.

// The request list of a search (the first lines of the search result list): "SearchKeyURL"
// with the UTF-8, URL-encoded keyword appended, "DownloadURL" as in mdInfo, "Page" (1 for a
// page below 1) and "SearchKey".
TNameValueList MakeSearchRequest(const TNameValueList& mdInfo, const QString& keyword, int page);
// The address fetched for a request list: "SearchKeyURL", then "&page=" and the page.
// Empty when the list has no "SearchKeyURL".
QString SearchRequestURL(const TNameValueList& request);
// The address of a category's keyword page: its "_url" line, "&p=" and the page.
// Empty when the category list has no address for that category.
QString CategoryPageURL(const TNameValueList& categoryList, const QString& categoryID, int page);
