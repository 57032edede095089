#include "download/DownloadListFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "TestSupport.h"
#include "common/MemIniFile.h"

namespace
{
TDownloadListRecord Record(const QString& url, const QStringList& comment, EDownloadState state)
{
    TDownloadListRecord r;
    r.URL = url;
    r.FileName = QStringLiteral("/tmp/x/") + QString(url).remove(u'/').remove(u':') + QStringLiteral(".mtd");
    r.Caption = QString();
    r.Comment = TNameValueList(comment);
    r.State = state;
    r.RedirectOptions = {true, KYouTube, QString()};
    return r;
}

QList<TDownloadListRecord> RoundTrip(const QList<TDownloadListRecord>& records)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("downloadlist.sav"));
    TMemIniFile out;
    WriteDownloadListRecords(records, out);
    EXPECT_TRUE(out.SaveToFile(path));
    TMemIniFile in;
    in.LoadFromFile(path);
    return ReadDownloadListRecords(in);
}

// Comments as the application writes them: name=value lines with blanks, commas, quotes,
// non-Latin letters and values far beyond the 2047 characters a profile reader would keep.
TEST(DownloadListFile, CommentsSurviveWhole)
{
    const QString longValue = QStringLiteral("TempPath=") + QString(5000, u'x') + QStringLiteral("end");
    const struct
    {
        const char* Name;
        QStringList Lines;
    } rows[] = {
        {"plain", {"Action=2", "Id=abcdefghijk"}},
        {"blank inside", {"Id=1", "Title=Some Song"}},
        {"one quoted line alone", {"Title=Some Song"}},
        {"comma", {"Title=Rock, Paper", "Artist=A,B"}},
        {"double quotes", {"Title=\"Quoted\" Song", "Album=\"\""}},
        {"single quotes around", {"Title='x'"}},
        {"non-Latin", {QStringLiteral("Title=Пісня 歌"), "Artist=Ü"}},
        {"long value", {longValue}},
        {"empty comment", {}},
        {"leading and trailing blanks in a value", {"Title=  padded  "}},
    };
    QList<TDownloadListRecord> records;
    for (const auto& row : rows)
        records.append(Record(QStringLiteral("http://h/watch?v=") + row.Name, row.Lines, KReady));
    const QList<TDownloadListRecord> back = RoundTrip(records);
    ASSERT_EQ(back.size(), records.size());
    for (int i = 0; i < back.size(); ++i)
        EXPECT_EQ(back[i].Comment.Lines(), records[i].Comment.Lines()) << rows[i].Name;
}

TEST(DownloadListFile, StatesAndRedirectsComeBack)
{
    QList<TDownloadListRecord> records = {
        Record("http://h/1", {"Id=1"}, KFinished),
        Record("http://h/2", {"Id=2"}, KFailed),
        Record("http://h/3", {"Id=3"}, KDownloading),
        Record("http://h/4", {"Id=4"}, KReady),
    };
    records[3].RedirectOptions = {false, KDirect, QStringLiteral("http://h/final?a=1&b=2")};
    records[1].Caption = QStringLiteral("caption, with comma");
    const QList<TDownloadListRecord> back = RoundTrip(records);
    ASSERT_EQ(back.size(), 4);
    const EDownloadState expected[] = {KFinished, KReady, KReady, KReady};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back[i].State, expected[i]) << i;
        EXPECT_EQ(back[i].URL, records[i].URL) << i;
        EXPECT_EQ(back[i].FileName, records[i].FileName) << i;
        EXPECT_EQ(back[i].Caption, records[i].Caption) << i;
        EXPECT_EQ(back[i].RedirectOptions, records[i].RedirectOptions) << i;
    }
}

// A line break inside a value would end the INI line and cut off the rest of the task.
TEST(DownloadListFile, LineBreaksInValuesDoNotCutTheTask)
{
    QList<TDownloadListRecord> records = {Record("http://h/1", {"Title=two\nlines", "SavePath=/m/a.mp3"}, KReady)};
    records[0].Caption = QStringLiteral("a\r\nb");
    const QList<TDownloadListRecord> back = RoundTrip(records);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].Comment.Values("Title"), QStringLiteral("two lines"));
    EXPECT_EQ(back[0].Comment.Values("SavePath"), QStringLiteral("/m/a.mp3"));
    EXPECT_EQ(back[0].Caption, QStringLiteral("a  b"));
}

TEST(DownloadListFile, BrokenFilesGiveNoJunkTasks)
{
    const struct
    {
        const char* Name;
        const char* Text;
        QStringList Urls;
        QList<EDownloadState> States;
    } rows[] = {
        {"empty file", "", {}, {}},
        {"no count", "[0]\nURL=http://a\n", {}, {}},
        {"huge count", "[Global]\nItemCount=2147483647\n[0]\nURL=http://a\n", {"http://a"}, {KReady}},
        {"negative count", "[Global]\nItemCount=-5\n[0]\nURL=http://a\n", {}, {}},
        {"count not a number", "[Global]\nItemCount=x\n[0]\nURL=http://a\n", {}, {}},
        {"missing section skipped", "[Global]\nItemCount=3\n[0]\nURL=http://a\n[2]\nURL=http://c\nState=5\n",
         {"http://a", "http://c"}, {KReady, KFinished}},
        {"state out of range", "[Global]\nItemCount=1\n[0]\nURL=http://a\nState=99\n", {"http://a"}, {KReady}},
        {"state missing", "[Global]\nItemCount=1\n[0]\nURL=http://a\n", {"http://a"}, {KReady}},
    };
    for (const auto& row : rows) {
        TMemIniFile ini;
        ini.SetText(QString::fromUtf8(row.Text));
        const QList<TDownloadListRecord> records = ReadDownloadListRecords(ini);
        QStringList urls;
        QList<EDownloadState> states;
        for (const TDownloadListRecord& r : records) {
            urls.append(r.URL);
            states.append(r.State);
        }
        EXPECT_EQ(urls, row.Urls) << row.Name;
        EXPECT_EQ(states, row.States) << row.Name;
    }
}

TEST(DownloadListFile, DefaultsOfAMinimalSection)
{
    TMemIniFile ini;
    ini.SetText(QStringLiteral("[Global]\nItemCount=1\n[0]\nURL=http://a\n"));
    const QList<TDownloadListRecord> records = ReadDownloadListRecords(ini);
    ASSERT_EQ(records.size(), 1);
    // A task saved without its redirect keys is a video task.
    EXPECT_EQ(records[0].RedirectOptions, (TRedirOptions{false, KYouTube, QString()}));
    EXPECT_TRUE(records[0].Comment.IsEmpty());
}
} // namespace
