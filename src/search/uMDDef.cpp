#include "search/uMDDef.h"

#include <algorithm>

#include "framework/KvSettings.h"
#include "search/uCenterViewPages.h"
#include "search/uCenterViewScraping.h"

namespace
{
QString Setting(const QString& name)
{
    return SettingsStore().GetSettingString(name);
}

// Category counts come from the server: keep a broken one from walking billions of names.
constexpr int KMaxCategories = 10000;
} // namespace

bool TCurrentInfo::GetMDInfo()
{
    MDInfo.Clear();
    const QString searchKeyUrl = Setting(QStringLiteral("SearchKeyURL"));
    if (searchKeyUrl.isEmpty()) {
        if (OnShowMessage)
            OnShowMessage(QStringLiteral("MsgBox.InfoGetting"));
        return false;
    }
    MDInfo.Add(QStringLiteral("SearchKeyURL=") + searchKeyUrl);
    MDInfo.Add(QStringLiteral("DownloadURL=") + Setting(QStringLiteral("DownloadURL")));
    return true;
}

TResolverServiceInfo TResolverServiceInfo::FromSettings()
{
    TKvSettings& store = SettingsStore();
    TResolverServiceInfo info;
    info.WatchPattern = store.GetSettingString(QStringLiteral("WatchPattern"));
    info.WatchPattern2 = store.GetSettingString(QStringLiteral("WatchPattern2"));
    info.SplitStr = store.GetSettingString(QStringLiteral("FLVSplitStr"));
    info.NeedURLDecode = store.GetSettingInteger(QStringLiteral("FLVNeedDecode")) != 0;
    info.GetVideoURI = store.GetSettingString(QStringLiteral("FLVGetVideoURI"));
    info.WatchURI = store.GetSettingString(QStringLiteral("WatchURL"));
    info.GetInfoURI = store.GetSettingString(QStringLiteral("GetInfoURL"));
    info.Method = store.GetSettingInteger(QStringLiteral("GetMethod"));
    info.FLVURLFormat = store.GetSettingString(QStringLiteral("FLVURLFormat"));
    return info;
}

TResultPatterns TResultPatterns::FromSettings()
{
    return {Setting(QStringLiteral("Pattern.entry")),    Setting(QStringLiteral("Pattern.id")),
            Setting(QStringLiteral("Pattern.title")),    Setting(QStringLiteral("Pattern.duration")),
            Setting(QStringLiteral("Pattern.popularity2")), Setting(QStringLiteral("Pattern.pages"))};
}

TKeywordPatterns TKeywordPatterns::FromSettings()
{
    return {Setting(QStringLiteral("c_pattern_entry")), Setting(QStringLiteral("c_pattern_title")),
            Setting(QStringLiteral("c_pattern_artist"))};
}

void LoadCategoryList(TNameValueList& list)
{
    list.Clear();
    const QString countText = Setting(QStringLiteral("categories_count"));
    list.SetValue(QStringLiteral("categories_count"), countText);
    bool ok = false;
    const int count = std::min(countText.toInt(&ok, 10), KMaxCategories);
    for (int n = 0; ok && n < count; ++n) {
        const QString number = QString::number(n);
        // SetValue adds no line for an empty value.
        list.SetValue(number + QStringLiteral("_name"),
                      Setting(QStringLiteral("c_") + number + QStringLiteral("_name")));
        list.SetValue(number + QStringLiteral("_url"),
                      Setting(QStringLiteral("c_") + number + QStringLiteral("_url")));
    }
}

TKeywordPageInfo KeywordPageInfoFromSettings(int categoryID, int categoryPage)
{
    TKvSettings& store = SettingsStore();
    TKeywordPageInfo info;
    info.CategoryID = categoryID;
    info.CategoryPage = categoryPage;
    info.Pages = store.GetSettingInteger(QStringLiteral("c_pages"));
    info.PageTitle = store.GetSettingString(QStringLiteral("c_pagetitle"));
    return info;
}
