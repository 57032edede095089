// Body decoding, address splitting and request bodies: the parts of the downloader that
// work without a network.
#include <QDir>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "common/NameValueList.h"
#include "net/FilePostGen.h"
#include "net/SingleDownloader.h"
#include "net/SingleDownloaderThread.h"

namespace
{
TEST(DecodeHttpBody, DecodesEachCharsetWithoutLookingAtTheText)
{
    struct TRow
    {
        const char* Name;
        QByteArray Bytes;
        THttpCharset Charset;
        QString Expected;
    };
    const TRow rows[] = {
        {"ansi keeps every byte", QByteArray("caf\xE9 \x80\xFF", 7), THttpCharset::KAnsi,
         QStringLiteral("caf\u00E9 \u0080\u00FF")},
        {"ansi with a NUL", QByteArray("a\0b", 3), THttpCharset::KAnsi, QString(QStringLiteral("a")) + QChar(0) + u'b'},
        {"unicode little-endian", QByteArray("A\0\x42\x04", 4), THttpCharset::KUnicode, QStringLiteral("A\u0442")},
        {"unicode drops an odd last byte", QByteArray("A\0B", 3), THttpCharset::KUnicode, QStringLiteral("A")},
        {"unicode keeps its BOM", QByteArray("\xFF\xFEZ\0", 4), THttpCharset::KUnicode, QStringLiteral("\uFEFFZ")},
        {"unicode keeps a lone surrogate", QByteArray("\x00\xD8", 2), THttpCharset::KUnicode,
         QString(QChar(static_cast<char16_t>(0xD800)))},
        {"utf8", QByteArray("\xE6\x9D\xB1 x"), THttpCharset::KUTF8, QStringLiteral("\u6771 x")},
        {"utf8 keeps its BOM", QByteArray("\xEF\xBB\xBFok"), THttpCharset::KUTF8, QStringLiteral("\uFEFFok")},
        {"empty", QByteArray(), THttpCharset::KUTF8, QString()},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(DecodeHttpBody(row.Bytes, row.Charset), row.Expected) << row.Name;
}

TEST(ParseRequestURL, SplitsSchemeHostAndPath)
{
    struct TRow
    {
        QString Url;
        bool Secure;
        QString Host;
        QString Path;
    };
    const TRow rows[] = {
        {QStringLiteral("http://example.com/a/b?x=1"), false, QStringLiteral("example.com"), QStringLiteral("/a/b?x=1")},
        {QStringLiteral("HTTPS://Example.com/"), true, QStringLiteral("Example.com"), QStringLiteral("/")},
        {QStringLiteral("http://127.0.0.1:8080/x"), false, QStringLiteral("127.0.0.1:8080"), QStringLiteral("/x")},
        {QStringLiteral("http://example.com"), false, QString(), QString()},
        {QStringLiteral("example.com/p"), false, QStringLiteral("example.com"), QStringLiteral("/p")},
        {QStringLiteral("http://https://h/p"), true, QStringLiteral("h"), QStringLiteral("/p")},
    };
    for (const TRow& row : rows) {
        bool secure = !row.Secure;
        QString host = QStringLiteral("old");
        QString path = QStringLiteral("old");
        ParseRequestURL(row.Url, secure, host, path);
        EXPECT_EQ(secure, row.Secure) << row.Url.toStdString();
        EXPECT_EQ(host, row.Host) << row.Url.toStdString();
        EXPECT_EQ(path, row.Path) << row.Url.toStdString();
    }
}

TEST(FilePostGen, ValuesOnlyHaveNoClosingLine)
{
    TFilePostGen gen;
    gen.Make(TNameValueList({QStringLiteral("name=J\u00FCrgen & Co"), QStringLiteral("n2=")}), nullptr);
    const QString b = QStringLiteral("---------------------------989989989");
    EXPECT_EQ(gen.PostData(), QStringLiteral("--%1\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\n"
                                             "J%FCrgen+%26+Co\r\n"
                                             "--%1\r\nContent-Disposition: form-data; name=\"n2\"\r\n\r\n\r\n")
                                  .arg(b));
    EXPECT_EQ(gen.Headers(), QStringLiteral("Content-Type: multipart/form-data; boundary=") + b);
}

TEST(FilePostGen, FilesCarryTheirBytesAndAContentTypeByExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray bytes("\x00\x01\xFF\r\n--x", 8);
    struct TRow
    {
        QString FileName;
        QString TypeLine; // empty: no content-type line
    };
    const TRow rows[] = {
        {QStringLiteral("a.JPG"), QStringLiteral("Content-Type: image/pjpeg\r\n")},
        {QStringLiteral("b.jpeg"), QStringLiteral("Content-Type: image/pjpeg\r\n")},
        {QStringLiteral("c.Png"), QStringLiteral("Content-Type: image/x-png\r\n")},
        {QStringLiteral("d.pdf"), QStringLiteral("Content-Type: application/pdf\r\n")},
        {QStringLiteral("e.html"), QStringLiteral("Content-Type: text/html\r\n")},
        {QStringLiteral("f.txt"), QString()},
    };
    const QString b = QStringLiteral("---------------------------989989989");
    for (const TRow& row : rows) {
        const QString path = dir.filePath(row.FileName);
        ASSERT_TRUE(TestSupport::WriteFile(path, bytes));
        TFilePostGen gen;
        const TNameValueList files({QStringLiteral("up=") + path, QStringLiteral("none=")});
        gen.Make(TNameValueList({QStringLiteral("k=v")}), &files);
        const QString expected =
            QStringLiteral("--%1\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv\r\n").arg(b) +
            QStringLiteral("--%1\r\nContent-Disposition: form-data; name=\"up\"; filename=\"%2\"\r\n").arg(b, path) +
            row.TypeLine + QStringLiteral("\r\n") + QString::fromLatin1(bytes) + QStringLiteral("\r\n") +
            QStringLiteral("--%1\r\nContent-Disposition: form-data; name=\"none\"; filename=\"\"\r\n").arg(b) +
            QStringLiteral("Content-Transfer-Encoding: binary\r\n\r\n") + QStringLiteral("--%1--\r\n").arg(b);
        EXPECT_EQ(gen.PostData(), expected) << row.FileName.toStdString();
    }
}

TEST(SingleDownloader, SetPostValuesEncodesValuesOnly)
{
    TSingleDownloader sd;
    sd.ContentType = QStringLiteral("X-Kept: 1");
    sd.SetPostValues(TNameValueList({QStringLiteral("q=a b&c"), QStringLiteral("l\u00E4nge=\u00E4"),
                                     QStringLiteral("empty=")}));
    EXPECT_EQ(sd.PostQuery, QStringLiteral("q=a+b%26c&l\u00E4nge=%E4&empty="));
    EXPECT_EQ(sd.ContentType, QStringLiteral("X-Kept: 1"));
}
} // namespace
