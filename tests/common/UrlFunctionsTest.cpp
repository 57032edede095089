#include "common/NameValueList.h"
#include "common/UrlFunctions.h"

#include "TestSupport.h"

TEST(UrlFunctions, DecodeURLText)
{
    EXPECT_EQ(DecodeURLText("a+b%20c%%d%41"), QByteArray("a b c%dA"));
    EXPECT_EQ(DecodeURLText("%e9"), QByteArray("\xE9"));
}

TEST(UrlFunctions, DecodeURLTextRaisesTheDocumentedMessages)
{
    const struct
    {
        const char* text;
        const char* message;
    } rows[] = {
        {"abc%4", "Error decoding URL style (%XX) encoded string at position 4"},
        {"%", "Error decoding URL style (%XX) encoded string at position 1"},
        {"x%G1", "Invalid URL encoded character (%G1) at position 2"},
    };
    for (const auto& row : rows) {
        try {
            DecodeURLText(row.text);
            ADD_FAILURE() << "no error for " << row.text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(row.message)) << "row " << row.text;
        }
    }
}

TEST(UrlFunctions, EncodeURLTextKeepsTheSafeSetOnly)
{
    EXPECT_EQ(EncodeURLText("Az09@!$'()*-._"), QByteArray("Az09@!$'()*-._"));
    EXPECT_EQ(EncodeURLText("a b&c=d/é"), QByteArray("a+b%26c%3Dd%2F%C3%A9"));
    EXPECT_EQ(EncodeURLTextAnsi(QStringLiteral("é")), QStringLiteral("%E9"));
    EXPECT_EQ(EncodeURLTextUtf8(QStringLiteral("é")), QStringLiteral("%C3%A9"));
    EXPECT_EQ(DecodeURLText(EncodeURLText("\x01\xFF + %")), QByteArray("\x01\xFF + %"));
}

TEST(UrlFunctions, DecodeHTMLEntities)
{
    EXPECT_EQ(DecodeHTMLEntities(QStringLiteral("a &amp; b &lt;c&gt; &quot;d&quot; &#233;&#128512;")),
              QStringLiteral("a & b <c> \"d\" é") + QString::fromUcs4(U"\U0001F600", 1));
    for (const char* bad : {"&nbsp;", "&", "&#;", "&#12", "&amq;"}) {
        EXPECT_THROW(DecodeHTMLEntities(QString::fromLatin1(bad)), EConvertError) << bad;
    }
    try {
        DecodeHTMLEntities(QStringLiteral("ab&x"));
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid HTML encoded character (&x) at position 3"));
    }
}

TEST(UrlFunctions, ParseURLParams)
{
    const struct
    {
        const char* text;
        bool decode;
        QStringList expected;
    } rows[] = {
        {"xmd:ACTION=PLAY&ID=a%20b", true, {QStringLiteral("ACTION=PLAY"), QStringLiteral("ID=a b")}},
        {"page?x=1&y=", true, {QStringLiteral("x=1")}},
        {"page?x=1&y=", false, {QStringLiteral("x=1"), QStringLiteral("y=")}},
        {"http://h/p?a=1&A=2&b=%ZZ&c=3", true, {QStringLiteral("A=2"), QStringLiteral("c=3")}},
        {"a=1&novalue&b=2", true, {QStringLiteral("a=1"), QStringLiteral("b=2")}},
        {"", true, {}},
    };
    for (const auto& row : rows) {
        TNameValueList list;
        ParseURLParams(QString::fromLatin1(row.text), list, row.decode);
        EXPECT_EQ(list.Lines(), row.expected) << "row " << row.text;
    }
}

TEST(UrlFunctions, AppendURLQuery)
{
    const struct
    {
        const char* url;
        const char* expected;
    } rows[] = {
        {"", "a=2"}, {"page", "page?a=2"}, {"page?", "page?a=2"}, {"page?x=1&", "page?x=1&a=2"}, {"page?x=1", "page?x=1&a=2"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AppendURLQuery(QString::fromLatin1(row.url), QStringLiteral("a=2")), QString::fromLatin1(row.expected))
            << "row " << row.url;
}
