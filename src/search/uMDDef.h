#pragma once

#include <QString>

#include <functional>

#include "common/NameValueList.h"

struct TKeywordPageInfo;

// The current search, play position and the snapshot of the service information a search
// needs. One per process, owned by the main window; used on the user-interface thread.
//
// The service information itself (where to search, how to cut pages into entries, how to
// resolve a stream, which categories exist) is a set of named settings that the update
// check stores; it is read through the settings store each time it is needed.
class TCurrentInfo final
{
public:
    TCurrentInfo() = default;
    Q_DISABLE_COPY_MOVE(TCurrentInfo)

    QString DownloadListFileName;
    TNameValueList MDInfo; // "SearchKeyURL=" and "DownloadURL=" lines, rebuilt by GetMDInfo
    int Page = 0;          // result page asked for, 1 for a new search
    int PID = 0;           // play index of the entry previewed last, -1 for none
    QString Keyword;       // without the advanced-search prefix
    QString FlvURL;        // stream address of the current preview
    int FlashPlayerWidth = 0;
    int FlashPlayerHeight = 0;

    // Shows an application message by its key; the main window connects it to the engine.
    std::function<void(const QString& messageKey)> OnShowMessage;

    // Rebuilds MDInfo and tells whether the service information for a search has arrived;
    // shows "MsgBox.InfoGetting" when it has not.
    bool GetMDInfo();
};

// The service information's values for the video information resolver.
struct TResolverServiceInfo
{
    QString WatchPattern;   // "WatchPattern"
    QString WatchPattern2;  // "WatchPattern2"
    QString SplitStr;       // "FLVSplitStr"
    bool NeedURLDecode = false; // "FLVNeedDecode", non-zero number
    QString GetVideoURI;    // "FLVGetVideoURI"
    QString WatchURI;       // "WatchURL"
    QString GetInfoURI;     // "GetInfoURL"
    int Method = 0;         // "GetMethod": 0 from get-info, 1 from watch, 2 from watch 2
    QString FLVURLFormat;   // "FLVURLFormat"

    static TResolverServiceInfo FromSettings();
};

// Replaces list by the category list of the overview: "categories_count" and, for each
// category n with a value, the lines n "_name" and n "_url".
void LoadCategoryList(TNameValueList& list);
// The keyword-list page's settings ("c_pages", "c_pagetitle") for a category and page.
TKeywordPageInfo KeywordPageInfoFromSettings(int categoryID, int categoryPage);
