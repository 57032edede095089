#include "common/NameValueList.h"
#include "common/TextFunctions.h"

#include "TestSupport.h"

TEST(TextFunctions, SafeStrToIntReadsDecimalAndHexAndFallsBack)
{
    const struct
    {
        const char* text;
        int expected;
    } rows[] = {
        {"42", 42}, {" 7 ", 7}, {"-3", -3}, {"$1F", 31}, {"0x10", 16}, {"0X10", 16},
        {"", -1},   {"abc", -1}, {"1.5", -1}, {"99999999999", -1}, {"$", -1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SafeStrToInt(QString::fromLatin1(row.text), -1), row.expected) << "row " << row.text;
}

TEST(TextFunctions, StartsWithTextIgnoresAsciiCaseOnly)
{
    EXPECT_TRUE(StartsWithText(QStringLiteral("HTTP://x"), QStringLiteral("http://")));
    EXPECT_TRUE(StartsWithText(QStringLiteral("abc"), QString()));
    EXPECT_FALSE(StartsWithText(QStringLiteral("ab"), QStringLiteral("abc")));
    EXPECT_FALSE(StartsWithText(QStringLiteral("Äb"), QStringLiteral("äb")));
}

TEST(TextFunctions, FormatPlaceholdersReplacesInOrderAndKeepsUnknownOnes)
{
    EXPECT_EQ(FormatPlaceholders(QStringLiteral("{1} of {2}"), {QStringLiteral("3"), QStringLiteral("5")}),
              QStringLiteral("3 of 5"));
    EXPECT_EQ(FormatPlaceholders(QStringLiteral("{1} {3}"), {QStringLiteral("a")}), QStringLiteral("a {3}"));
    // A placeholder brought in by an earlier argument is replaced by a later step.
    EXPECT_EQ(FormatPlaceholders(QStringLiteral("{1}"), {QStringLiteral("{2}"), QStringLiteral("x")}),
              QStringLiteral("x"));
}

TEST(TextFunctions, SplitStringKeepsEmptyPieces)
{
    const struct
    {
        const char* text;
        QStringList expected;
    } rows[] = {
        {"", {}},
        {"a,", {QStringLiteral("a"), QString()}},
        {"a,,b,", {QStringLiteral("a"), QString(), QStringLiteral("b"), QString()}},
        {",", {QString(), QString()}},
    };
    for (const auto& row : rows) {
        QStringList list{QStringLiteral("kept")};
        SplitString(QString::fromLatin1(row.text), u',', list);
        EXPECT_EQ(list, QStringList{QStringLiteral("kept")} + row.expected) << "row \"" << row.text << '"';
    }
}

TEST(TextFunctions, VersionToIntPacksFourBytes)
{
    EXPECT_EQ(VersionToInt(QStringLiteral("1.2.3.4")), 16909060u);
    EXPECT_EQ(VersionToInt(QStringLiteral("300.0.0.1")), 0x2C000001u);
    EXPECT_EQ(VersionToInt(QStringLiteral("1.2.3")), 0u);
    EXPECT_EQ(VersionToInt(QStringLiteral("2.0.1.9 beta")), 0x02000109u);
    EXPECT_EQ(VersionToInt(QStringLiteral("1.x.3.4")), 0x01000304u);
}

TEST(TextFunctions, CharsToHexUsesTheLowByte)
{
    EXPECT_EQ(CharsToHex(QStringLiteral("ab")), QStringLiteral("6162"));
    EXPECT_EQ(CharsToHex(QStringLiteral("unknow")), QStringLiteral("756E6B6E6F77"));
    EXPECT_EQ(CharsToHex(QString(QChar(0x0141))), QStringLiteral("41"));
}

TEST(TextFunctions, RectangleTextRoundTripsAndIgnoresWrongPartCounts)
{
    QRect rect;
    rect.setCoords(1, 2, 2, 3); // right and bottom are exclusive in the text form
    EXPECT_EQ(RectToStr(rect), QStringLiteral("1,2,3,4"));

    QRect parsed(5, 5, 5, 5);
    StrToRect(QStringLiteral("1,2,3"), parsed);
    EXPECT_EQ(parsed, QRect(5, 5, 5, 5));
    StrToRect(QStringLiteral("10,20,410,320"), parsed);
    EXPECT_EQ(RectToStr(parsed), QStringLiteral("10,20,410,320"));
    EXPECT_EQ(parsed.width(), 400);
    StrToRect(QStringLiteral("a,2,3,4"), parsed);
    EXPECT_EQ(RectToStr(parsed), QStringLiteral("0,2,3,4"));
}

TEST(TextFunctions, FitRectProportionalCentresAndScales)
{
    const struct
    {
        QRect source, target, expected;
    } rows[] = {
        {QRect(0, 0, 200, 100), QRect(0, 0, 100, 100), QRect(0, 25, 100, 50)}, // wider: full width
        {QRect(0, 0, 50, 100), QRect(10, 10, 100, 100), QRect(35, 10, 50, 100)}, // taller, scaled up
        {QRect(0, 0, 0, 0), QRect(0, 0, 100, 80), QRect(50, 40, 0, 0)},
        {QRect(0, 0, 10, 10), QRect(0, 0, 0, 50), QRect(0, 0, 0, 50)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FitRectProportional(row.source, row.target), row.expected)
            << "source " << row.source.width() << "x" << row.source.height();
}

TEST(TextFunctions, AnsiIsLatin1WithQuestionMarks)
{
    EXPECT_EQ(ToAnsi(QStringLiteral("Café")), QByteArray("Caf\xE9"));
    EXPECT_EQ(ToAnsi(QStringLiteral("日本")), QByteArray("??"));
    EXPECT_EQ(ToAnsi(QStringLiteral("a") + QString::fromUcs4(U"\U0001F3B5", 1) + QStringLiteral("b")), QByteArray("a?b"));
    EXPECT_EQ(FromAnsi(QByteArray("\xE9")), QStringLiteral("é"));
}
