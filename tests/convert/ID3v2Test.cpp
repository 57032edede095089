#include "convert/ID3v2.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "convert/ID3v1.h"

using namespace TestSupport;

namespace
{
const QByteArray KAudio = QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(2000, '\x33');

QByteArray Frame(const char* id, const QByteArray& data, char flags2 = 0)
{
    QByteArray f(id, 4);
    const auto n = static_cast<quint32>(data.size());
    f.append(static_cast<char>(n >> 24)).append(static_cast<char>(n >> 16));
    f.append(static_cast<char>(n >> 8)).append(static_cast<char>(n));
    f.append('\0').append(flags2);
    return f + data;
}

// A tag of the given major version; frames plus padding, size field synchsafe.
QByteArray Tag(char version, const QByteArray& frames, int padding = 0)
{
    const auto size = static_cast<quint32>(frames.size() + padding);
    QByteArray t("ID3", 3);
    t.append(version).append('\0').append('\0');
    for (int shift = 21; shift >= 0; shift -= 7)
        t.append(static_cast<char>((size >> shift) & 0x7F));
    return t + frames + QByteArray(padding, '\0');
}

QByteArray Latin1Text(const QByteArray& text) { return QByteArray(1, '\0') + text; }

class ID3v2Test : public ::testing::Test
{
protected:
    QTemporaryDir FDir;
    QString Path(const QString& name) const { return FDir.filePath(name); }
};

TEST_F(ID3v2Test, CompactTagLayout)
{
    TID3v2 tag;
    tag.SetTitle("Hello");
    tag.SetAlbum("X");
    const QByteArray bytes = tag.BuildTag();
    ASSERT_EQ(bytes.size(), 38);
    EXPECT_EQ(bytes.left(10), QByteArray("ID3\x03\0\0\0\0\0\x1C", 10));
    EXPECT_EQ(bytes.mid(10), Frame("TIT2", Latin1Text("Hello")) + Frame("TALB", Latin1Text("X")));
    EXPECT_FALSE(bytes.contains("TPE1"));
}

TEST_F(ID3v2Test, AllFramesInTableOrderAndCommentLayout)
{
    TID3v2 tag;
    tag.SetComment("nice");
    tag.SetGenre("Rock");
    tag.SetYear("2009");
    tag.SetTrack(7);
    tag.SetAlbum("B");
    tag.SetArtist("A");
    tag.SetTitle("T");
    const QByteArray expected = Frame("TIT2", Latin1Text("T")) + Frame("TPE1", Latin1Text("A")) +
                                Frame("TALB", Latin1Text("B")) + Frame("TRCK", Latin1Text("7")) +
                                Frame("TYER", Latin1Text("2009")) +
                                Frame("TCON", Latin1Text("Rock")) +
                                Frame("COMM", QByteArray("\0eng\0nice", 9));
    EXPECT_EQ(tag.BuildTag().mid(10), expected);
}

TEST_F(ID3v2Test, SynchsafeSizeOfALargeTag)
{
    TID3v2 tag;
    // 20000 bytes of frames: one title frame of 11 + 19989 bytes.
    tag.SetTitle(QString(19989, u'a'));
    const QByteArray bytes = tag.BuildTag();
    ASSERT_EQ(bytes.size(), 20010);
    EXPECT_EQ(bytes.mid(6, 4), QByteArray("\x00\x01\x1C\x20", 4));
}

TEST_F(ID3v2Test, NonLatinTextIsWrittenAsUtf16WithByteOrderMark)
{
    TID3v2 tag;
    tag.SetTitle(QStringLiteral(u"\u65E5\u672C"));
    tag.SetComment(QStringLiteral(u"\u00E9\u0436"));
    const QByteArray bytes = tag.BuildTag();
    EXPECT_EQ(bytes.mid(10), Frame("TIT2", QByteArray("\x01\xFF\xFE\xE5\x65\x2C\x67", 7)) +
                                 Frame("COMM", QByteArray("\x01" "eng\xFF\xFE\0\0\xFF\xFE\xE9\0\x36\x04", 14)));
}

TEST_F(ID3v2Test, ReadsFramesInEveryTextEncoding)
{
    struct Row
    {
        const char* Name;
        QByteArray Frames;
        QString Title;
        uint8_t Track;
        QString Genre;
        QString Comment;
    };
    const Row rows[] = {
        {"Latin-1, track 03/10, genre (13)",
         Frame("TIT2", Latin1Text("  Caf\xE9 \0junk")) + Frame("TRCK", Latin1Text("03/10")) +
             Frame("TCON", Latin1Text("(13)")),
         QStringLiteral(u"Caf\u00E9"), 3, "", ""},
        {"genre (17)Rock, comment with description",
         Frame("TCON", Latin1Text("(17)Rock")) +
             Frame("COMM", QByteArray("\0engdesc\0nice", 13)),
         "", 0, "Rock", "nice"},
        {"genre with parentheses later stays", Frame("TCON", Latin1Text("Rock (Live)")), "", 0,
         "Rock (Live)", ""},
        {"UTF-16 LE with BOM",
         Frame("TIT2", QByteArray("\x01\xFF\xFE\xE5\x65\x2C\x67\0\0", 9)) +
             Frame("COMM", QByteArray("\x01" "eng\xFF\xFE\0\0\xFF\xFE" "o\0k\0", 14)),
         QStringLiteral(u"\u65E5\u672C"), 0, "", "ok"},
        {"UTF-16 BE with BOM", Frame("TIT2", QByteArray("\x01\xFE\xFF\x65\xE5", 5)),
         QStringLiteral(u"\u65E5"), 0, "", ""},
        {"UTF-16 BE without BOM", Frame("TIT2", QByteArray("\x02\x04\x36", 3)),
         QStringLiteral(u"\u0436"), 0, "", ""},
        {"UTF-8", Frame("TIT2", QByteArray("\x03\xD0\xB6z", 4)), QStringLiteral(u"\u0436z"), 0,
         "", ""},
        {"later frame of the same ID wins, odd UTF-16 byte ignored",
         Frame("TIT2", Latin1Text("first")) + Frame("TIT2", QByteArray("\x01\xFF\xFEx\0y", 6)),
         "x", 0, "", ""},
        {"track that is no number", Frame("TRCK", Latin1Text("abc")), "", 0, "", ""},
        {"compressed frame is skipped",
         Frame("TIT2", Latin1Text("zzzz"), '\x80') + Frame("TALB", Latin1Text("B")), "", 0, "",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = Path("read.mp3");
        ASSERT_TRUE(WriteFile(file, Tag(3, row.Frames, 16) + KAudio));
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(file));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.VersionID(), 3);
        EXPECT_EQ(tag.Size(), row.Frames.size() + 16 + 10);
        EXPECT_EQ(tag.Title(), row.Title);
        EXPECT_EQ(tag.Track(), row.Track);
        EXPECT_EQ(tag.Genre(), row.Genre);
        EXPECT_EQ(tag.Comment(), row.Comment);
    }
}

TEST_F(ID3v2Test, OtherVersionsAndDamagedHeadersAreNotScanned)
{
    struct Row
    {
        const char* Name;
        QByteArray Bytes;
        bool Exists;
        int Size;
    };
    const QByteArray frames = Frame("TIT2", Latin1Text("v"));
    QByteArray huge = Tag(3, frames);
    huge[6] = 0x7F; // claims far more than the file holds
    const Row rows[] = {
        {"v2.4 tag", Tag(4, frames) + KAudio, true, static_cast<int>(frames.size()) + 10},
        {"size beyond the file", huge + KAudio, true, 0},
        {"no tag", KAudio, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = Path("other.mp3");
        ASSERT_TRUE(WriteFile(file, row.Bytes));
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(file));
        EXPECT_EQ(tag.Exists(), row.Exists);
        EXPECT_EQ(tag.Size(), row.Size);
        EXPECT_EQ(tag.Title(), "");
    }
}

TEST_F(ID3v2Test, ShortFilesAndRemovingWithoutTagFail)
{
    const QString tiny = Path("tiny.mp3");
    ASSERT_TRUE(WriteFile(tiny, "ID3\x03"));
    TID3v2 tag;
    EXPECT_FALSE(tag.ReadFromFile(tiny));
    tag.SetTitle("x");
    EXPECT_FALSE(tag.SaveToFile(tiny));
    EXPECT_EQ(ReadFile(tiny), "ID3\x03");
    EXPECT_FALSE(tag.SaveToFile(Path("missing.mp3")));
    EXPECT_FALSE(QFileInfo::exists(Path("missing.mp3")));

    const QString plain = Path("plain.mp3");
    ASSERT_TRUE(WriteFile(plain, KAudio));
    EXPECT_FALSE(tag.RemoveFromFile(plain));
    EXPECT_EQ(ReadFile(plain), KAudio);
    EXPECT_FALSE(QFileInfo::exists(plain + "~"));
}

TEST_F(ID3v2Test, RebuildReplacesTheOldTagAndKeepsAudioAndTrailer)
{
    const QByteArray trailer = "TAG" + QByteArray(125, 'v');
    struct Row
    {
        const char* Name;
        QByteArray Head;
        QByteArray Rest; // what must follow the new tag
    };
    QByteArray huge = Tag(3, Frame("TIT2", Latin1Text("v")));
    huge[6] = 0x7F;
    const Row rows[] = {
        {"encoder's v2.4 tag with padding", Tag(4, Frame("TSSE", Latin1Text("Lavf")), 100),
         KAudio + trailer},
        {"no tag", QByteArray(), KAudio + trailer},
        {"damaged size: nothing is dropped", huge, huge + KAudio + trailer},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = Path("rebuild.mp3");
        ASSERT_TRUE(WriteFile(file, row.Head + KAudio + trailer));
        // A stale "~" file of an earlier failed run is overwritten.
        ASSERT_TRUE(WriteFile(file + "~", "stale leftovers"));
        TID3v2 tag;
        tag.SetTitle("New");
        ASSERT_TRUE(tag.SaveToFile(file));
        const QByteArray newTag = tag.BuildTag();
        EXPECT_EQ(ReadFile(file), newTag + row.Rest);
        EXPECT_FALSE(QFileInfo::exists(file + "~"));
    }
}

TEST_F(ID3v2Test, RemoveDropsTheTagAndKeepsPermissions)
{
    const QString file = Path("remove.mp3");
    ASSERT_TRUE(WriteFile(file, Tag(3, Frame("TIT2", Latin1Text("x"))) + KAudio));
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    TID3v2 tag;
    ASSERT_TRUE(tag.RemoveFromFile(file));
    EXPECT_EQ(ReadFile(file), KAudio);
    EXPECT_EQ(QFileInfo(file).permissions() &
                  (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                   QFileDevice::WriteOther),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
}

TEST_F(ID3v2Test, WriteMp3TagsKeepsOtherFieldsOfExistingTags)
{
    struct Row
    {
        const char* Name;
        char Version;
        QString ExpectYear;
    };
    const Row rows[] = {{"v2.3 tag: year kept", 3, "1987"}, {"v2.4 tag: nothing kept", 4, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = Path("tags.mp3");
        QByteArray v1("TAG", 3);
        v1 += QByteArray(90, '\0') + "2001" + QByteArray(28, '\0') + QByteArray("\0\x05\x11", 3);
        ASSERT_TRUE(WriteFile(file, Tag(row.Version, Frame("TYER", Latin1Text("1987")) +
                                                         Frame("TIT2", Latin1Text("old"))) +
                                        KAudio + v1));
        WriteMp3Tags(file, QStringLiteral(u"\u041F\u0435\u0441\u043D\u044F"), "Artist", "");

        TID3v2 v2;
        ASSERT_TRUE(v2.ReadFromFile(file));
        EXPECT_EQ(v2.VersionID(), 3);
        EXPECT_EQ(v2.Title(), QStringLiteral(u"\u041F\u0435\u0441\u043D\u044F"));
        EXPECT_EQ(v2.Artist(), "Artist");
        EXPECT_EQ(v2.Album(), "");
        EXPECT_EQ(v2.Year(), row.ExpectYear);

        TID3v1 one;
        ASSERT_TRUE(one.ReadFromFile(file));
        EXPECT_EQ(one.Title(), "?????");
        EXPECT_EQ(one.Artist(), "Artist");
        EXPECT_EQ(one.Year(), "2001");
        EXPECT_EQ(one.Track(), 5);
        EXPECT_EQ(one.GenreID(), 0x11);
        const QByteArray bytes = ReadFile(file);
        EXPECT_EQ(bytes.mid(v2.Size(), KAudio.size()), KAudio);
        EXPECT_EQ(bytes.size(), v2.Size() + KAudio.size() + 128);
    }
    WriteMp3Tags(Path("absent.mp3"), "t", "a", "b");
    EXPECT_FALSE(QFileInfo::exists(Path("absent.mp3")));
}
} // namespace
