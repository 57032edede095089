// TYoutubeFLVGet against the demo site over loopback.
#include <QTemporaryDir>

#include <memory>

#include "DemoSiteFixture.h"
#include "DemoVideo.h"
#include "TestSupport.h"
#include "common/NameValueList.h"
#include "net/SingleDownloader.h"
#include "video/YoutubeFLVGet.h"

using TestSupport::DemoSite;
using TestSupport::ProcessEventsFor;
using TestSupport::ReadFile;
using TestSupport::WaitUntil;

namespace
{
QString Base()
{
    return DemoSite().BaseUrl();
}

QString SongId(int i = 0)
{
    return DemoSite().Songs().at(static_cast<size_t>(i)).Id;
}

QString TokenUrl(const QString& id)
{
    return Base() + QStringLiteral("/get_video?asv=3&video_id=") + id + QStringLiteral("&t=") + DemoVideoToken(id);
}

// Everything a resolver reported, in order: "got <url> <fmt>", "bad <msg>", "failed <reason>".
struct TRecorder
{
    QStringList Events;
    int BeforeGet = 0;

    void Attach(TYoutubeFLVGet& flv)
    {
        flv.OnURIGot = [this](const QString& url, int fmt) { Events.append(QStringLiteral("got %1 %2").arg(url).arg(fmt)); };
        flv.OnBadResponse = [this](const QString& msg) { Events.append(QStringLiteral("bad ") + msg); };
        flv.OnResolveFailed = [this](const QString& reason) { Events.append(QStringLiteral("failed ") + reason); };
        flv.OnBeforeGet = [this](TYoutubeFLVGet*) { ++BeforeGet; };
    }
    bool Ended() const
    {
        return !Events.isEmpty() && !Events.last().startsWith(QStringLiteral("bad "));
    }
};

// A resolver set up as the configuration handler does, for the given method.
void Configure(TYoutubeFLVGet& flv, int method)
{
    const TNameValueList values = DemoResolverSettings(Base(), method);
    flv.ApplyServiceInfo([&values](const QString& name) { return values.Values(name); });
}

// Replaces "?" of a configured address prefix by "?<switches>&".
QString WithSwitches(const QString& prefix, const QString& switches)
{
    if (switches.isEmpty())
        return prefix;
    return QString(prefix).replace(QStringLiteral("?"), QStringLiteral("?") + switches + u'&');
}

class YoutubeFLVGetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DemoSite().ClearFaults();
        DemoSite().ResetCounters();
    }
};
} // namespace

TEST_F(YoutubeFLVGetTest, MethodsMapsAndFallbacks)
{
    const QString id = SongId();
    const QString flvUrl = Base() + QStringLiteral("/media/") + id + QStringLiteral(".flv");
    const QString mp4Url = Base() + QStringLiteral("/media/") + id + QStringLiteral(".mp4");
    const QString got = TokenUrl(id) + QStringLiteral(" -1");
    const struct
    {
        const char* name;
        int method;
        const char* watchSwitches;
        const char* infoSwitches;
        QStringList events; // each event, in order, starts with its text
        int watchRequests;
        int infoRequests;
        QString id;
    } rows[] = {
        {"video information", 0, "", "", {"got " + got}, 0, 1, id},
        {"watch page key list", 1, "", "", {"got " + got}, 1, 0, id},
        {"no token on the watch page: bad response, then the fallback", 1, "token=none", "",
         {"bad video_id=" + id + "\n", "got " + got}, 1, 1, id},
        {"watch page fails: the fallback without bad response", 1, "fault=404", "", {"got " + got}, 1, 1, id},
        {"no token anywhere: two bad responses", 1, "token=none", "reply=notoken",
         {"bad video_id=", "bad status=fail\nerrorcode=150\n"}, 1, 1, id},
        {"both requests fail", 1, "fault=500", "fault=404", {"failed "}, 1, 1, id},
        {"unknown identifier", 1, "", "", {"bad ", "bad status=fail\n"}, 1, 1, QStringLiteral("nosuchvideo")},
        {"video information without token", 0, "", "reply=notoken", {"bad status=fail\n"}, 0, 1, id},
        {"video information fails", 0, "", "fault=500", {"failed "}, 0, 1, id},
        {"parameter text, all maps: fmt_stream_map wins", 2, "", "", {"got " + flvUrl + "?fmt=34 -1"}, 1, 0, id},
        {"fmt_url_map: a later format above 5 wins", 2, "map=fmt_url_map", "", {"got " + mp4Url + " -1"}, 1, 0, id},
        {"fmt_stream_map", 2, "map=fmt_stream_map", "", {"got " + flvUrl + "?fmt=34 -1"}, 1, 0, id},
        {"stream map through the address format", 2, "map=url_encoded_fmt_stream_map", "", {"got " + flvUrl + "?id="}, 1, 0, id},
        {"stream map without format 5", 2, "map=flv34only", "",
         {"failed url_encoded_fmt_stream_map has no flash video of format 5"}, 1, 0, id},
        {"no map", 2, "map=none", "", {"failed the watch page holds no stream map"}, 1, 0, id},
        {"malformed map", 2, "map=badescape", "", {"failed Invalid URL encoded character (%G1)"}, 1, 0, id},
        {"the site wants the resolver's user agent", 2, "agent=Mozilla%2F4.0", "", {"got " + flvUrl + "?fmt=34 -1"}, 1, 0, id},
        {"watch page fails on the own thread", 2, "fault=404", "", {"failed "}, 1, 0, id},
    };
    for (const auto& row : rows) {
        DemoSite().ResetCounters();
        TYoutubeFLVGet flv;
        TRecorder r;
        r.Attach(flv);
        Configure(flv, row.method);
        flv.YoutubeWatchURI = WithSwitches(flv.YoutubeWatchURI, QString::fromLatin1(row.watchSwitches));
        flv.YoutubeGetInfoURI = WithSwitches(flv.YoutubeGetInfoURI, QString::fromLatin1(row.infoSwitches));
        flv.YoutubeID = row.id;
        flv.Get();
        ASSERT_TRUE(WaitUntil([&] { return r.Events.size() >= row.events.size(); })) << row.name;
        ProcessEventsFor(50); // nothing else may follow
        ASSERT_EQ(r.Events.size(), row.events.size()) << row.name << ": " << r.Events.join(u'|').toStdString();
        for (qsizetype i = 0; i < row.events.size(); ++i)
            EXPECT_TRUE(r.Events[i].startsWith(row.events[i]))
                << row.name << ": " << r.Events[i].toStdString() << " does not start with " << row.events[i].toStdString();
        EXPECT_EQ(r.BeforeGet, 1) << row.name;
        EXPECT_EQ(DemoSite().RequestCount(QStringLiteral("/watch")), row.watchRequests) << row.name;
        EXPECT_EQ(DemoSite().RequestCount(QStringLiteral("/get_video_info")), row.infoRequests) << row.name;
    }
}

TEST_F(YoutubeFLVGetTest, ResolvedAddressesServeTheWholeMedia)
{
    const QString id = SongId(1);
    const QByteArray flvBytes = ReadFile(DemoSite().MediaFile(id, QStringLiteral("flv")));
    const QByteArray mp4Bytes = ReadFile(DemoSite().MediaFile(id, QStringLiteral("mp4")));
    ASSERT_FALSE(flvBytes.isEmpty());
    ASSERT_FALSE(mp4Bytes.isEmpty());
    const struct
    {
        const char* name;
        int method;
        const char* watchSwitches;
        const QByteArray& media;
    } rows[] = {
        {"token address from the video information", 0, "", flvBytes},
        {"token address from the watch page", 1, "", flvBytes},
        {"fmt_stream_map", 2, "map=fmt_stream_map", flvBytes},
        {"fmt_url_map", 2, "map=fmt_url_map", mp4Bytes},
        {"url_encoded_fmt_stream_map", 2, "map=url_encoded_fmt_stream_map", flvBytes},
    };
    QTemporaryDir dir;
    for (const auto& row : rows) {
        TYoutubeFLVGet flv;
        TRecorder r;
        r.Attach(flv);
        Configure(flv, row.method);
        flv.YoutubeWatchURI = WithSwitches(flv.YoutubeWatchURI, QString::fromLatin1(row.watchSwitches));
        flv.YoutubeID = id;
        QString address;
        flv.OnURIGot = [&address](const QString& url, int) { address = url; };
        flv.Get();
        ASSERT_TRUE(WaitUntil([&] { return !address.isEmpty() || !r.Events.isEmpty(); })) << row.name;
        ASSERT_FALSE(address.isEmpty()) << row.name << ": " << r.Events.join(u'|').toStdString();

        TSingleDownloader sd;
        sd.URL = address;
        sd.FileName = dir.filePath(QStringLiteral("stream.bin"));
        bool done = false;
        bool failed = false;
        sd.OnDoneFile = [&done](TSingleDownloader*, const QString&, int) { done = true; };
        sd.OnError = [&failed](TSingleDownloader*) { failed = true; };
        sd.GetFile();
        ASSERT_TRUE(WaitUntil([&] { return done || failed; })) << row.name;
        EXPECT_TRUE(done) << row.name << ": " << address.toStdString();
        EXPECT_TRUE(ReadFile(sd.FileName) == row.media) << row.name << ": " << address.toStdString();
    }
}

TEST_F(YoutubeFLVGetTest, WrongTokenIsRefusedBySite)
{
    // The token address only works with the site's token: fetching it proves the token step
    // took the decoded token of the page.
    TSingleDownloader sd;
    sd.URL = TokenUrl(SongId()) + QStringLiteral("x");
    bool failed = false;
    sd.OnError = [&failed](TSingleDownloader*) { failed = true; };
    sd.GetString();
    EXPECT_TRUE(WaitUntil([&] { return failed; }));
}

TEST_F(YoutubeFLVGetTest, NoEventAfterDestruction)
{
    for (const int method : {0, 1, 2}) {
        TRecorder r;
        {
            TYoutubeFLVGet flv;
            r.Attach(flv);
            Configure(flv, method);
            flv.YoutubeWatchURI = WithSwitches(flv.YoutubeWatchURI, QStringLiteral("fault=drip:100"));
            flv.YoutubeGetInfoURI = WithSwitches(flv.YoutubeGetInfoURI, QStringLiteral("fault=drip:100"));
            flv.YoutubeID = SongId();
            flv.Get();
            ASSERT_TRUE(WaitUntil([] { return DemoSite().InFlight() > 0; })) << "method " << method;
        }
        // The dropped request runs out (or is cut off) on the site; nothing reaches the recorder.
        ASSERT_TRUE(WaitUntil([] { return DemoSite().InFlight() == 0; })) << "method " << method;
        ProcessEventsFor(100);
        EXPECT_TRUE(r.Events.isEmpty()) << "method " << method << ": " << r.Events.join(u'|').toStdString();
    }
}

TEST_F(YoutubeFLVGetTest, NewGetReplacesTheRequestInFlight)
{
    const QString first = SongId(0);
    const QString second = SongId(1);
    // Every pair of methods, the first request slow, so its answer would come after the Get.
    for (const int firstMethod : {0, 1, 2}) {
        for (const int secondMethod : {0, 1, 2}) {
            DemoSite().ResetCounters();
            TYoutubeFLVGet flv;
            TRecorder r;
            r.Attach(flv);
            Configure(flv, firstMethod);
            const QString watch = flv.YoutubeWatchURI;
            const QString info = flv.YoutubeGetInfoURI;
            flv.YoutubeWatchURI = WithSwitches(watch, QStringLiteral("fault=drip:50"));
            flv.YoutubeGetInfoURI = WithSwitches(info, QStringLiteral("fault=drip:50"));
            flv.YoutubeID = first;
            flv.Get();
            ASSERT_TRUE(WaitUntil([] { return DemoSite().InFlight() > 0; }));

            flv.Method = static_cast<TYoutubeFLVGetMethod>(secondMethod);
            flv.YoutubeWatchURI = watch;
            flv.YoutubeGetInfoURI = info;
            flv.YoutubeID = second;
            flv.Get();
            ASSERT_TRUE(WaitUntil([&] { return !r.Events.isEmpty(); }));
            ASSERT_TRUE(WaitUntil([] { return DemoSite().InFlight() == 0; }));
            ProcessEventsFor(100);
            const std::string rowName = "methods " + std::to_string(firstMethod) + " then " + std::to_string(secondMethod);
            ASSERT_EQ(r.Events.size(), 1) << rowName << ": " << r.Events.join(u'|').toStdString();
            EXPECT_TRUE(r.Events[0].startsWith(QStringLiteral("got "))) << rowName;
            EXPECT_TRUE(r.Events[0].contains(second)) << rowName << ": " << r.Events[0].toStdString();
            EXPECT_FALSE(r.Events[0].contains(first)) << rowName << ": " << r.Events[0].toStdString();
        }
    }
}

TEST_F(YoutubeFLVGetTest, OnBeforeGetConfiguresTheRequest)
{
    // The owner's configuration handler runs first; the request uses what it set, and the
    // fallback's switch of Method is visible until the handler resets it.
    TYoutubeFLVGet flv;
    TRecorder r;
    r.Attach(flv);
    const TNameValueList values = DemoResolverSettings(Base(), 1);
    QStringList order;
    flv.OnBeforeGet = [&](TYoutubeFLVGet* sender) {
        order.append(QStringLiteral("before"));
        EXPECT_EQ(sender, &flv);
        sender->ApplyServiceInfo([&values](const QString& name) { return values.Values(name); });
        sender->YoutubeWatchURI = WithSwitches(sender->YoutubeWatchURI, QStringLiteral("token=none"));
    };
    flv.YoutubeID = SongId();
    for (int round = 0; round < 2; ++round) {
        r.Events.clear();
        DemoSite().ResetCounters();
        flv.Get();
        order.append(QStringLiteral("returned"));
        ASSERT_TRUE(WaitUntil([&] { return r.Ended(); }));
        EXPECT_EQ(r.Events.size(), 2) << r.Events.join(u'|').toStdString();
        EXPECT_EQ(r.Events.last(), QStringLiteral("got ") + TokenUrl(SongId()) + QStringLiteral(" -1"));
        EXPECT_EQ(flv.Method, KFromGetInfo);
        EXPECT_EQ(DemoSite().RequestCount(QStringLiteral("/watch")), 1) << "round " << round;
    }
    EXPECT_EQ(order, QStringList({"before", "returned", "before", "returned"}));
}

TEST_F(YoutubeFLVGetTest, NothingToResolveIsReportedLater)
{
    const struct
    {
        const char* name;
        const char* id;
        int method;
        const char* reason;
    } rows[] = {
        {"no identifier", "", 1, "no video identifier"},
        {"unknown method", "x", 7, "unknown method 7"},
    };
    for (const auto& row : rows) {
        DemoSite().ResetCounters();
        TYoutubeFLVGet flv;
        TRecorder r;
        r.Attach(flv);
        Configure(flv, 0);
        flv.Method = static_cast<TYoutubeFLVGetMethod>(row.method);
        flv.YoutubeID = QString::fromLatin1(row.id);
        flv.Get();
        EXPECT_EQ(r.BeforeGet, 1) << row.name;
        EXPECT_TRUE(r.Events.isEmpty()) << row.name << ": never inside Get";
        ASSERT_TRUE(WaitUntil([&] { return !r.Events.isEmpty(); })) << row.name;
        ProcessEventsFor(50);
        EXPECT_EQ(r.Events, QStringList(QStringLiteral("failed ") + QString::fromLatin1(row.reason))) << row.name;
        EXPECT_EQ(DemoSite().TotalRequests(), 0) << row.name;
    }
}

TEST_F(YoutubeFLVGetTest, MissingTokenWithoutBadResponseHandlerIsAFailure)
{
    TYoutubeFLVGet flv;
    TRecorder r;
    r.Attach(flv);
    flv.OnBadResponse = nullptr;
    Configure(flv, 0);
    flv.YoutubeGetInfoURI = WithSwitches(flv.YoutubeGetInfoURI, QStringLiteral("reply=notoken"));
    flv.YoutubeID = SongId();
    flv.Get();
    ASSERT_TRUE(WaitUntil([&] { return !r.Events.isEmpty(); }));
    EXPECT_EQ(r.Events, QStringList(QStringLiteral("failed the answer holds no token")));
}

TEST_F(YoutubeFLVGetTest, HandlerMayFreeTheResolver)
{
    // The download list frees an item (and its resolver) from inside its events.
    auto flv = std::make_unique<TYoutubeFLVGet>();
    Configure(*flv, 1);
    flv->YoutubeWatchURI = WithSwitches(flv->YoutubeWatchURI, QStringLiteral("token=none"));
    flv->YoutubeID = SongId();
    int bad = 0;
    flv->OnBadResponse = [&](const QString&) {
        ++bad;
        flv.reset();
    };
    flv->Get();
    ASSERT_TRUE(WaitUntil([&] { return bad > 0; }));
    ProcessEventsFor(100);
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(DemoSite().RequestCount(QStringLiteral("/get_video_info")), 0) << "no fallback from a freed resolver";

    auto other = std::make_unique<TYoutubeFLVGet>();
    Configure(*other, 2);
    other->YoutubeID = SongId();
    int got = 0;
    other->OnURIGot = [&](const QString&, int) {
        ++got;
        other.reset();
    };
    other->Get();
    ASSERT_TRUE(WaitUntil([&] { return got > 0; }));
    EXPECT_EQ(got, 1);
}

TEST(YoutubeFLVGet, ApplyServiceInfoReadsMissingValuesAsEmpty)
{
    const struct
    {
        const char* needDecode;
        const char* method;
        bool decode;
        TYoutubeFLVGetMethod expectedMethod;
    } rows[] = {
        {"1", "2", true, KFromWatch2},
        {"0", "1", false, KFromWatch},
        {"yes", "x", false, KFromGetInfo}, // not a number counts as 0
        {"", "", false, KFromGetInfo},
        {"-3", "0", true, KFromGetInfo},
    };
    for (const auto& row : rows) {
        TYoutubeFLVGet flv;
        TNameValueList values;
        values.SetValue(QStringLiteral("FLVNeedDecode"), QString::fromLatin1(row.needDecode));
        values.SetValue(QStringLiteral("GetMethod"), QString::fromLatin1(row.method));
        values.SetValue(QStringLiteral("WatchURL"), QStringLiteral("http://w/"));
        flv.ApplyServiceInfo([&values](const QString& name) { return values.Values(name); });
        EXPECT_EQ(flv.NeedURLDecode, row.decode) << row.needDecode;
        EXPECT_EQ(flv.Method, row.expectedMethod) << row.method;
        EXPECT_EQ(flv.YoutubeWatchURI, QStringLiteral("http://w/"));
        EXPECT_TRUE(flv.YoutubeWatchPattern.isEmpty());
        EXPECT_TRUE(flv.FLVURLFormat.isEmpty());
        EXPECT_TRUE(flv.SplitStr.isEmpty());
    }
}
