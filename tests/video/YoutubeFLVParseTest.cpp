#include "video/YoutubeFLVParse.h"

#include "common/UrlFunctions.h"

#include "TestSupport.h"

namespace
{
// One entry of a url_encoded_fmt_stream_map as the site sends it: the stream's own URL is
// encoded once inside the entry, the entry's other fields follow.
QString StreamMapEntryText(const QString& streamUrl, const QString& type, const QString& itag)
{
    return QStringLiteral("url=") + EncodeURLTextAnsi(streamUrl) + QStringLiteral("&quality=small&type=")
           + EncodeURLTextAnsi(type) + QStringLiteral("&itag=") + itag;
}

const QString KFullStreamUrl = QStringLiteral(
    "http://h.example/videoplayback?sparams=id,itag&fexp=900,901&algorithm=throttle-factor&burst=40"
    "&cp=U0&expire=1300&factor=1.25&gcr=us&id=abc&ip=1.2.3.4&ipbits=8&itag=5&key=yt1&ms=au&mt=13"
    "&mv=m&signature=S.1&sver=3&upn=up");
} // namespace

TEST(YoutubeFLVParse, WatchKeyListToken)
{
    const struct
    {
        const char* keyList;
        const char* splitStr;
        bool decode;
        const char* token;
    } rows[] = {
        {"\"video_id\": \"abc\", \"t\": \"vjV%2Fa1%3D\", \"l\": \"42\"", ",", true, "vjV/a1="},
        {"\"video_id\": \"abc\", \"t\": \"vjV%2Fa1%3D\"", ",", false, "vjV%2Fa1%3D"},
        {"&t=x+y&fmt=5", "&", true, "x y"},
        {"a:1;;T:upper", ";;", false, "upper"}, // names ignore letter case; long separator
        {"t:first,t:second", ",", false, "first"},
        {"\"t\": \"only\"", "", false, "only"}, // no separator: the whole text is one line
        {"\"video_id\": \"abc\"", ",", true, ""},
        {"", ",", true, ""},
    };
    for (const auto& row : rows) {
        const TNameValueList keys =
            ParseWatchKeyList(QString::fromLatin1(row.keyList), QString::fromLatin1(row.splitStr));
        EXPECT_EQ(WatchKeyListToken(keys, row.decode), QString::fromLatin1(row.token)) << row.keyList;
    }
    const TNameValueList bad = ParseWatchKeyList(QStringLiteral("t: ab%G1"), QStringLiteral(","));
    EXPECT_THROW(WatchKeyListToken(bad, true), EConvertError);
    EXPECT_EQ(WatchKeyListToken(bad, false), QStringLiteral("ab%G1"));
}

TEST(YoutubeFLVParse, TokenStreamURL)
{
    EXPECT_EQ(TokenStreamURL(QStringLiteral("http://h/get_video?asv=3&video_id="), QStringLiteral("ID"),
                             QStringLiteral("abc")),
              QStringLiteral("http://h/get_video?asv=3&video_id=ID&t=abc"));
}

TEST(YoutubeFLVParse, ChooseWatchMap)
{
    const struct
    {
        const char* text;
        TWatchMap::EKind kind;
        const char* name;
        const char* map;
    } rows[] = {
        {"a=1&fmt_url_map=5%7Chttp%3A%2F%2Fh%2Fa&fmt_stream_map=", TWatchMap::KPipeMap, "fmt_url_map",
         "5|http://h/a"},
        {"fmt_url_map=5%7Cu&fmt_stream_map=6%7Cs", TWatchMap::KPipeMap, "fmt_stream_map", "6|s"},
        {"url_encoded_fmt_stream_map=x%2Cy&fmt_url_map=5%7Cu", TWatchMap::KPipeMap, "fmt_url_map", "5|u"},
        {"url_encoded_fmt_stream_map=url%3Dx%2Cy", TWatchMap::KStreamMap, "url_encoded_fmt_stream_map",
         "url=x,y"},
        {"<html>\nFMT_URL_MAP=5%7Ca}\n", TWatchMap::KPipeMap, "fmt_url_map", "5|a}"},
        {"fmt_url_map&fmt_stream_map=&video_id=x", TWatchMap::KNone, "", ""},
        {"", TWatchMap::KNone, "", ""},
    };
    for (const auto& row : rows) {
        const TWatchMap got = ChooseWatchMap(QString::fromLatin1(row.text));
        EXPECT_EQ(got.Kind, row.kind) << row.text;
        EXPECT_EQ(got.Name, QString::fromLatin1(row.name)) << row.text;
        EXPECT_EQ(got.Map, QString::fromLatin1(row.map)) << row.text;
    }
    EXPECT_THROW(ChooseWatchMap(QStringLiteral("fmt_url_map=5%7")), EConvertError);
}

TEST(YoutubeFLVParse, PipeMapAddress)
{
    const struct
    {
        const char* map;
        const char* address;
    } rows[] = {
        {"5|first,34|second,6|third", "third"},
        {"5|first,4|second", "first"},
        {"7|a,3|b", "a"},
        {"x|a,0x10|b", "b"}, // read like any integer setting: hexadecimal too
        {"|a", "a"},
        {"5|a|extra,junk,", "a"},
        {"5|,3|b", "b"}, // an empty address is no choice yet
        {"nothing,usable", ""},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PipeMapAddress(QString::fromLatin1(row.map)), QString::fromLatin1(row.address)) << row.map;
}

TEST(YoutubeFLVParse, StreamMapEntryTakesTheLastFlashVideoOfFormat5)
{
    const QString flv5a = StreamMapEntryText(QStringLiteral("http://h/a?itag=5"), QStringLiteral("video/x-flv"),
                                             QStringLiteral("5"));
    const QString flv5b = StreamMapEntryText(QStringLiteral("http://h/b?itag=5"), QStringLiteral("video/x-flv"),
                                             QStringLiteral("5"));
    const QString flv34 = StreamMapEntryText(QStringLiteral("http://h/c?itag=34"), QStringLiteral("video/x-flv"),
                                             QStringLiteral("34"));
    const QString flv53 = StreamMapEntryText(QStringLiteral("http://h/d"), QStringLiteral("video/x-flv"),
                                             QStringLiteral("53"));
    const QString mp4 = StreamMapEntryText(QStringLiteral("http://h/e?itag=5"), QStringLiteral("video/mp4"),
                                           QStringLiteral("18"));
    const struct
    {
        const char* name;
        QString map;
        QString entry;
    } rows[] = {
        {"single", flv5a, DecodeURLTextAnsi(flv5a)},
        {"last wins", flv5a + u',' + mp4 + u',' + flv5b, DecodeURLTextAnsi(flv5b)},
        {"only format 34", flv34, QString()},
        {"format 53 is not 5", flv53, QString()},
        {"not flash video", mp4, QString()},
        {"empty", QString(), QString()},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StreamMapEntry(row.map), row.entry) << row.name;
    EXPECT_THROW(StreamMapEntry(QStringLiteral("type=x-flv&itag=5&url=%ZZ")), EConvertError);
}

TEST(YoutubeFLVParse, StreamMapArgumentsByPosition)
{
    const QString entry =
        DecodeURLTextAnsi(StreamMapEntryText(KFullStreamUrl, QStringLiteral("video/x-flv"), QStringLiteral("5")));
    const QStringList args = StreamMapArguments(entry);
    const QStringList expected = {
        "http://h.example/videoplayback", "throttle-factor", "40", "U0", "1300", "1.25", "900%2C901", "us", "abc",
        "1.2.3.4", "8", "5", "yt1", "au", "13", "m", "S.1", "id%2Citag", "3", "up"};
    EXPECT_EQ(args, expected);

    // Missing names are empty; an entry without "?" has no query part.
    const QStringList bare = StreamMapArguments(QStringLiteral("itag=5&url=http://h/x"));
    ASSERT_EQ(bare.size(), 20);
    EXPECT_EQ(bare[0], QStringLiteral("http://h/x"));
    for (int i = 1; i < 20; ++i)
        EXPECT_TRUE(bare[i].isEmpty()) << "position " << i;
}

TEST(YoutubeFLVParse, FormatFLVURL)
{
    const QStringList abc = {"a", "b", "c"};
    const struct
    {
        const char* format;
        const char* result; // nullptr: the format is refused
    } rows[] = {
        {"%s-%s", "a-b"},
        {"%1:s-%s", "b-c"},
        {"%2:s%0:s%s", "cab"},
        {"100%%%s", "100%a"},
        {"%S", "a"},
        {"no placeholder", "no placeholder"},
        {"", ""},
        {"%s%", nullptr},
        {"%d", nullptr},
        {"%3:s", nullptr},
        {"%2:s%s", nullptr},
        {"%s%s%s%s", nullptr},
        {"%:s", nullptr},
        {"%99999999999:s", nullptr},
        {"%-5s", nullptr},
    };
    for (const auto& row : rows) {
        if (row.result) {
            EXPECT_EQ(FormatFLVURL(QString::fromLatin1(row.format), abc), QString::fromLatin1(row.result))
                << row.format;
        } else {
            EXPECT_THROW(FormatFLVURL(QString::fromLatin1(row.format), abc), EConvertError) << row.format;
        }
    }
}

TEST(YoutubeFLVParse, StreamMapAddressLayouts)
{
    const QString map = StreamMapEntryText(KFullStreamUrl, QStringLiteral("video/x-flv"), QStringLiteral("5"));
    const QString builtIn = QStringLiteral(
        "http://h.example/videoplayback?sparams=id%2Citag&fexp=900%2C901&algorithm=throttle-factor&itag=5"
        "&ip=1.2.3.4&burst=40&sver=3&signature=S.1&expire=1300&key=yt1&ipbits=8&factor=1.25&id=abc&cp=U0&upn=up");
    const struct
    {
        const char* name;
        QString format;
        QString address;
    } rows[] = {
        {"stored default", DefaultFLVURLFormat(), builtIn},
        {"not configured", QString(), builtIn},
        {"indexed", QStringLiteral("%0:s?id=%8:s&itag=%11:s&sig=%16:s&%%"),
         QStringLiteral("http://h.example/videoplayback?id=abc&itag=5&sig=S.1&%")},
        {"plain", QStringLiteral("%s|%s"), QStringLiteral("http://h.example/videoplayback|throttle-factor")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StreamMapAddress(map, row.format), row.address) << row.name;
    EXPECT_TRUE(StreamMapAddress(QStringLiteral("itag=34&type=x-flv"), QString()).isEmpty());
    EXPECT_THROW(StreamMapAddress(map, QStringLiteral("%20:s")), EConvertError);
}
