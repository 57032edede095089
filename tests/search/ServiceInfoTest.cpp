#include "search/uMDDef.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/NameValueList.h"
#include "framework/KvSettings.h"
#include "search/uCenterViewPages.h"
#include "search/uCenterViewScraping.h"
#include "search/uCenterViewSearch.h"

namespace
{
// Puts values into the strongest settings layer for the life of the object.
class TServiceInfoLayer final
{
public:
    explicit TServiceInfoLayer(const QStringList& lines) : FValues(lines)
    {
        SettingsStore().SetEngineLayers(&FValues, nullptr);
    }
    ~TServiceInfoLayer() { SettingsStore().SetEngineLayers(nullptr, nullptr); }
    Q_DISABLE_COPY_MOVE(TServiceInfoLayer)

private:
    TNameValueList FValues;
};
} // namespace

TEST(ServiceInfo, GetMDInfo)
{
    const struct
    {
        const char* name;
        QStringList settings;
        bool ok;
        QStringList mdInfo;
    } cases[] = {
        {"nothing arrived yet", {"DownloadURL=http://d/"}, false, {}},
        {"download address missing", {"SearchKeyURL=http://s/?q="}, true, {"SearchKeyURL=http://s/?q=", "DownloadURL="}},
        {"both", {"searchkeyurl=http://s/?q=", "DownloadURL=http://d/w?v="}, true,
         {"SearchKeyURL=http://s/?q=", "DownloadURL=http://d/w?v="}},
    };
    for (const auto& c : cases) {
        TServiceInfoLayer layer(c.settings);
        TCurrentInfo info;
        info.MDInfo.Add(QStringLiteral("stale=1"));
        QStringList messages;
        info.OnShowMessage = [&messages](const QString& key) { messages.append(key); };
        EXPECT_EQ(info.GetMDInfo(), c.ok) << c.name;
        EXPECT_EQ(info.MDInfo.Lines(), c.mdInfo) << c.name;
        EXPECT_EQ(messages, c.ok ? QStringList() : QStringList{QStringLiteral("MsgBox.InfoGetting")}) << c.name;
        EXPECT_EQ(info.GetMDInfo(), c.ok) << c.name;
        EXPECT_EQ(messages.size(), c.ok ? 0 : 2) << c.name << ": one message per call";
    }
}

TEST(ServiceInfo, SearchRequestAddress)
{
    TNameValueList mdInfo({QStringLiteral("SearchKeyURL=http://s/results?q="), QStringLiteral("DownloadURL=http://d/")});
    const struct
    {
        const char* keyword;
        int page;
        const char* url;
    } cases[] = {
        {"love song", 2, "http://s/results?q=love+song&page=2"},
        {"caf\xc3\xa9 & \xe6\x9d\xb1", 0, "http://s/results?q=caf%C3%A9+%26+%E6%9D%B1&page=1"},
    };
    for (const auto& c : cases) {
        const TNameValueList request = MakeSearchRequest(mdInfo, QString::fromUtf8(c.keyword), c.page);
        EXPECT_EQ(SearchRequestURL(request), QString::fromUtf8(c.url)) << c.keyword;
        EXPECT_EQ(request.Values(QStringLiteral("SEARCHKEY")), QString::fromUtf8(c.keyword));
        EXPECT_EQ(request.Values(QStringLiteral("DownloadURL")), u"http://d/");
    }
    EXPECT_EQ(SearchRequestURL(TNameValueList()), QString());
}

TEST(ServiceInfo, ValuesAreReadWhenNeeded)
{
    TServiceInfoLayer layer({"FLVNeedDecode=abc", "GetMethod=2", "WatchURL=http://w/", "c_pages=3",
                             "c_pagetitle=: Top", "Pattern.title=first"});
    TResolverServiceInfo resolver = TResolverServiceInfo::FromSettings();
    EXPECT_FALSE(resolver.NeedURLDecode);
    EXPECT_EQ(resolver.Method, 2);
    EXPECT_EQ(resolver.WatchURI, u"http://w/");
    EXPECT_EQ(resolver.SplitStr, QString());
    const TKeywordPageInfo page = KeywordPageInfoFromSettings(4, 2);
    EXPECT_EQ(page.Pages, 3);
    EXPECT_EQ(page.PageTitle, u": Top");
    EXPECT_EQ(page.CategoryID, 4);
    EXPECT_EQ(TResultPatterns::FromSettings().Title, u"first");
    {
        // A new value (as the update check stores it) is used by the very next page.
        TServiceInfoLayer newer({"FLVNeedDecode=1", "Pattern.title=second"});
        EXPECT_TRUE(TResolverServiceInfo::FromSettings().NeedURLDecode);
        EXPECT_EQ(TResultPatterns::FromSettings().Title, u"second");
    }
}

TEST(ServiceInfo, CategoryList)
{
    TServiceInfoLayer layer({"categories_count=3", "c_0_name=Pop", "c_0_url=http://c/0", "c_2_name=More/Other",
                             "c_2_url=http://c/2", "c_9_name=beyond the count"});
    TNameValueList list({QStringLiteral("KEYWORD_0=old")});
    LoadCategoryList(list);
    EXPECT_EQ(list.Lines(), (QStringList{QStringLiteral("categories_count=3"), QStringLiteral("0_name=Pop"),
                                         QStringLiteral("0_url=http://c/0"), QStringLiteral("2_name=More/Other"),
                                         QStringLiteral("2_url=http://c/2")}));
    EXPECT_EQ(CategoryPageURL(list, QStringLiteral("2"), 3), u"http://c/2&p=3");
    EXPECT_EQ(CategoryPageURL(list, QStringLiteral("1"), 1), QString());
}
