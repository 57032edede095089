#include "common/NameValueList.h"

#include "TestSupport.h"

TEST(NameValueList, FirstNameWinsCaseInsensitiveAndEmptyRemoves)
{
    TNameValueList list(QStringList{QStringLiteral("TITLE1=a"), QStringLiteral("title1=b"), QStringLiteral("x")});
    EXPECT_EQ(list.Values(QStringLiteral("Title1")), QStringLiteral("a"));
    list.SetValue(QStringLiteral("TITLE1"), QStringLiteral("c=d"));
    EXPECT_EQ(list.Lines(), (QStringList{QStringLiteral("TITLE1=c=d"), QStringLiteral("title1=b"), QStringLiteral("x")}));
    list.SetValue(QStringLiteral("title1"), QString());
    EXPECT_EQ(list.Values(QStringLiteral("TITLE1")), QStringLiteral("b"));
    list.SetValue(QStringLiteral("new"), QStringLiteral("1"));
    EXPECT_EQ(list.Lines().last(), QStringLiteral("new=1"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("x")), -1); // a line without "=" has no name
}

TEST(NameValueList, CommaTextRoundTripsAwkwardItems)
{
    const QStringList items{
        QStringLiteral("plain=1"),
        QStringLiteral("TITLE=a, b \"quoted\""),
        QString(),
        QStringLiteral("path=/home/x y/z.mp3"),
        QString(5000, u'v'),
        QStringLiteral("tab=\tx"),
        QStringLiteral("ümlaut=日本"),
    };
    TNameValueList list(items);
    TNameValueList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(back.Lines(), items);
}

TEST(NameValueList, CommaTextKeepsASingleEmptyLine)
{
    TNameValueList list(QStringList{QString()});
    TNameValueList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(back.Lines(), QStringList{QString()});
}

TEST(NameValueList, SetCommaTextReadsHandWrittenForms)
{
    const struct
    {
        const char* text;
        QStringList expected;
    } rows[] = {
        {"a,b", {QStringLiteral("a"), QStringLiteral("b")}},
        {"a b", {QStringLiteral("a"), QStringLiteral("b")}}, // an unquoted blank separates too
        {" \"x,y\" , z ", {QStringLiteral("x,y"), QStringLiteral("z")}},
        {"\"say \"\"hi\"\"\"", {QStringLiteral("say \"hi\"")}},
        {"a,", {QStringLiteral("a"), QString()}},
        {"\"unterminated", {QStringLiteral("unterminated")}},
        {"", {}},
    };
    for (const auto& row : rows) {
        TNameValueList list;
        list.SetCommaText(QString::fromLatin1(row.text));
        EXPECT_EQ(list.Lines(), row.expected) << "row " << row.text;
    }
}

TEST(NameValueList, TextSplitsAnyLineBreak)
{
    TNameValueList list;
    list.SetText(QStringLiteral("a=1\r\nb=2\rc=3\n"));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Values(QStringLiteral("C")), QStringLiteral("3"));
    EXPECT_EQ(list.Text(), QStringLiteral("a=1\nb=2\nc=3\n"));
}
