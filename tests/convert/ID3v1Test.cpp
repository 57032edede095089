#include "convert/ID3v1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace TestSupport;

namespace
{
const QByteArray KAudio = QByteArray(300, '\x55');

QByteArray RawTag(const QByteArray& title, const QByteArray& comment30, uint8_t genre)
{
    QByteArray tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, title.size(), title);
    tag.replace(97, comment30.size(), comment30);
    tag[127] = static_cast<char>(genre);
    return tag;
}

class ID3v1Test : public ::testing::Test
{
protected:
    QTemporaryDir FDir;
    QString Path(const QString& name) const { return FDir.filePath(name); }
};

TEST_F(ID3v1Test, SavedLayoutMatchesFieldOffsets)
{
    struct Row
    {
        const char* Name;
        QString Title;
        QString Comment;
        uint8_t Track;
        int GenreId; // -1: none set
        QByteArray ExpectTitle;
        QByteArray ExpectComment; // all 30 bytes at offset 97
        uint8_t ExpectGenre;
    };
    const QByteArray comment30 = QByteArray(30, 'c');
    const Row rows[] = {
        {"plain v1.0, no genre", "Song", "", 0, -1, "Song", QByteArray(30, '\0'), 255},
        {"35-byte title cut to 30", QString(35, u't'), "", 0, 12, QByteArray(30, 't'),
         QByteArray(30, '\0'), 12},
        {"trailing spaces dropped", "Hi   \t ", "", 0, 0, "Hi", QByteArray(30, '\0'), 0},
        {"track 0 keeps the 30-byte comment", "", QString(30, u'c'), 0, 17, "", comment30, 17},
        {"track 3 writes 28 bytes, 0, 3", "", QString(30, u'c'), 3, 17, "",
         QByteArray(28, 'c') + QByteArray("\0\x03", 2), 17},
        {"non-Latin-1 becomes ?", QStringLiteral(u"a\u65E5b"), "", 0, -1, "a?b",
         QByteArray(30, '\0'), 255},
        {"Latin-1 stays one byte", QStringLiteral(u"Caf\u00E9"), "", 0, -1, "Caf\xE9",
         QByteArray(30, '\0'), 255},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = Path("layout.mp3");
        ASSERT_TRUE(WriteFile(file, KAudio));
        TID3v1 tag;
        tag.SetTitle(row.Title);
        tag.SetArtist("Artist");
        tag.SetAlbum("Album");
        tag.SetYear("19999");
        tag.SetComment(row.Comment);
        tag.SetTrack(row.Track);
        if (row.GenreId >= 0)
            tag.SetGenreID(static_cast<uint8_t>(row.GenreId));
        ASSERT_TRUE(tag.SaveToFile(file));

        const QByteArray bytes = ReadFile(file);
        ASSERT_EQ(bytes.size(), KAudio.size() + 128);
        EXPECT_EQ(bytes.left(KAudio.size()), KAudio);
        const QByteArray t = bytes.mid(KAudio.size());
        EXPECT_EQ(t.left(3), "TAG");
        EXPECT_EQ(t.mid(3, 30), row.ExpectTitle + QByteArray(30 - row.ExpectTitle.size(), '\0'));
        EXPECT_EQ(t.mid(33, 30), "Artist" + QByteArray(24, '\0'));
        EXPECT_EQ(t.mid(63, 30), "Album" + QByteArray(25, '\0'));
        EXPECT_EQ(t.mid(93, 4), "1999");
        EXPECT_EQ(t.mid(97, 30), row.ExpectComment);
        EXPECT_EQ(static_cast<uint8_t>(t[127]), row.ExpectGenre);
    }
}

TEST_F(ID3v1Test, ReadsVersionTrackAndFields)
{
    struct Row
    {
        const char* Name;
        QByteArray Tag;
        uint8_t Version;
        uint8_t Track;
        QByteArray Comment;
    };
    const QByteArray c28 = QByteArray(28, 'k');
    const Row rows[] = {
        {"bytes 125/126 = 0/7: v1.1 track 7", RawTag("T", c28 + QByteArray("\0\x07", 2), 1), 2, 7,
         c28},
        {"bytes 125/126 = space/x: v1.1", RawTag("T", c28 + " x", 1), 2, 'x', c28},
        {"bytes 125/126 = 0/0: v1.0", RawTag("T", c28, 1), 1, 0, c28},
        {"full 30-byte comment: v1.0", RawTag("T", QByteArray(30, 'z'), 1), 1, 0,
         QByteArray(30, 'z')},
        {"two trailing spaces: v1.0", RawTag("T", c28 + "  ", 1), 1, 0, c28},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = Path("read.mp3");
        ASSERT_TRUE(WriteFile(file, KAudio + row.Tag));
        TID3v1 tag;
        ASSERT_TRUE(tag.ReadFromFile(file));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.VersionID(), row.Version);
        EXPECT_EQ(tag.Track(), row.Track);
        EXPECT_EQ(tag.Comment(), QString::fromLatin1(row.Comment));
        EXPECT_EQ(tag.Title(), "T");
        EXPECT_EQ(tag.GenreID(), 1);
        EXPECT_EQ(tag.Genre(), "Classic Rock");
    }
}

TEST_F(ID3v1Test, NoTagAndShortFiles)
{
    const QString plain = Path("plain.mp3");
    ASSERT_TRUE(WriteFile(plain, KAudio));
    TID3v1 tag;
    tag.SetTitle("stale");
    EXPECT_TRUE(tag.ReadFromFile(plain));
    EXPECT_FALSE(tag.Exists());
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.GenreID(), 255);
    EXPECT_TRUE(tag.RemoveFromFile(plain));
    EXPECT_EQ(ReadFile(plain), KAudio);

    const QString tiny = Path("tiny.mp3");
    ASSERT_TRUE(WriteFile(tiny, QByteArray(127, 'x')));
    EXPECT_FALSE(tag.ReadFromFile(tiny));
    tag.SetTitle("x");
    EXPECT_FALSE(tag.SaveToFile(tiny));
    EXPECT_EQ(ReadFile(tiny), QByteArray(127, 'x'));
    EXPECT_FALSE(tag.ReadFromFile(Path("missing.mp3")));
}

TEST_F(ID3v1Test, ReplacingATagKeepsLengthAndRemoveCutsIt)
{
    const QString file = Path("replace.mp3");
    ASSERT_TRUE(WriteFile(file, KAudio + RawTag("Old", "", 3)));
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(file));
    tag.SetTitle("New title");
    ASSERT_TRUE(tag.SaveToFile(file));
    EXPECT_EQ(QFileInfo(file).size(), KAudio.size() + 128);
    TID3v1 again;
    ASSERT_TRUE(again.ReadFromFile(file));
    EXPECT_EQ(again.Title(), "New title");
    EXPECT_EQ(again.GenreID(), 3);

    EXPECT_TRUE(again.RemoveFromFile(file));
    EXPECT_EQ(ReadFile(file), KAudio);
}

TEST_F(ID3v1Test, ReadOnlyFileGetsItsWriteBitBack)
{
    const QString file = Path("ro.mp3");
    ASSERT_TRUE(WriteFile(file, KAudio));
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    TID3v1 tag;
    tag.SetTitle("x");
    ASSERT_TRUE(tag.SaveToFile(file));
    EXPECT_TRUE(QFileInfo(file).permissions() & QFileDevice::WriteOwner);
    EXPECT_EQ(QFileInfo(file).size(), KAudio.size() + 128);
}

TEST(ID3v1Genres, NamesAsTheListSpellsThem)
{
    struct Row
    {
        int Id;
        const char* Name;
    };
    const Row rows[] = {{0, "Blues"},        {17, "Rock"},        {67, "Psychadelic"},
                        {79, "Hard Rock"},   {80, "Folk"},        {85, "Bebob"},
                        {92, "Progessive Rock"}, {123, "A capella"}, {144, "Trash Metal"},
                        {147, "Synthpop"},   {148, ""},           {255, ""},
                        {-1, ""}};
    for (const Row& row : rows)
        EXPECT_EQ(ID3v1GenreName(row.Id), row.Name) << "genre " << row.Id;
}
} // namespace
