#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/TextFileEncoding.h"

namespace
{
QByteArray Utf16(const QString& text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

TEST(TextFileEncodingTest, TheMarkChoosesTheEncodingAndANulEndsTheText)
{
    const QString text = QStringLiteral("[Info]\r\nLanguage=D\u00e9utsch \u20ac");
    const struct
    {
        const char* Name;
        QByteArray Bytes;
        QString Expected;
    } rows[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF" + text.toUtf8(), text},
        {"UTF-16 LE mark", Utf16(text, false), text},
        {"UTF-16 BE mark", Utf16(text, true), text},
        {"no mark is Latin-1", QByteArray("Caf\xE9"), QStringLiteral("Caf\u00e9")},
        {"UTF-8 without mark stays bytes", QByteArray("\xC3\xA9"), QStringLiteral("\u00c3\u00a9")},
        {"NUL ends the text", QByteArray("ab\0cd", 5), QStringLiteral("ab")},
        {"odd UTF-16 length drops the half character", QByteArray("\xFF\xFE" "a\0b", 5), QStringLiteral("a")},
        {"mark only", QByteArray("\xFF\xFE"), QString()},
        {"empty", QByteArray(), QString()},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DecodeMarkedText(row.Bytes), row.Expected) << row.Name;
}
} // namespace
