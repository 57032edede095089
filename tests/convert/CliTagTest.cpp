#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "MediaFixtures.h"
#include "TestSupport.h"

using namespace MediaFixtures;
using namespace TestSupport;

namespace
{
QString Cli() { return QDir(ProgramDir()).filePath("varnelo-cli"); }

// mutagen's reading of the ID3v2 tag (without merging ID3v1) and of the last 128 bytes.
const char* const KMutagenScript = R"(
import json, sys
from mutagen.id3 import ID3, ParseID3v1
name = sys.argv[1]
tag = ID3(name, v2_version=3, translate=False, load_v1=False)
with open(name, 'rb') as f:
    f.seek(-128, 2)
    v1 = ParseID3v1(f.read(), v2_version=3) or {}
def text(frames, key):
    frame = frames.get(key)
    return str(frame.text[0]) if frame is not None and frame.text else ''
def enc(key):
    frame = tag.get(key)
    return int(frame.encoding) if frame is not None else -1
print(json.dumps({'version': list(tag.version),
    'title': text(tag, 'TIT2'), 'artist': text(tag, 'TPE1'), 'album': text(tag, 'TALB'),
    'titleEncoding': enc('TIT2'), 'frames': sorted(tag.keys()),
    'v1title': text(v1, 'TIT2'), 'v1artist': text(v1, 'TPE1'), 'v1album': text(v1, 'TALB')}))
)";

QJsonObject ReadWithMutagen(const QString& file)
{
    QString out, err;
    const int code = MediaFixtures::Run("/usr/bin/python3", {"-c", KMutagenScript, file}, &out, &err);
    EXPECT_EQ(code, 0) << err.toStdString();
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

// A converted song, made once.
QString ConvertedSong()
{
    static QTemporaryDir folder;
    static QString song;
    if (song.isEmpty()) {
        const QString path = folder.filePath("song.mp3");
        QString out, err;
        const int code = MediaFixtures::Run(Cli(), {"convert", Media(KMp4), path, "--bitrate", "192", "--length", "3"},
                             &out, &err);
        EXPECT_EQ(code, 0) << err.toStdString();
        EXPECT_EQ(out.trimmed(), path);
        if (code == 0)
            song = path;
    }
    return song;
}

TEST(CliConvert, ConvertsWithBitrateAndLength)
{
    const QString song = ConvertedSong();
    ASSERT_FALSE(song.isEmpty());
    const TAudioInfo info = Probe(song);
    EXPECT_EQ(info.Codec, "mp3");
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.BitRate, 192000);
    EXPECT_NEAR(info.Duration, 3.0, 0.15);
}

TEST(CliConvert, FailuresExitNonZeroAndLeaveNoFile)
{
    struct Row
    {
        const char* Name;
        QStringList Args; // OUT is appended
        int Code;
    };
    const Row rows[] = {
        {"truncated input", {"convert", Media(KTruncatedFlv)}, 1},
        {"not media", {"convert", Media(KGarbage)}, 1},
        {"bad bitrate", {"convert", Media(KFlv), "--bitrate", "x"}, 2},
        {"missing output", {"convert"}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        QTemporaryDir folder;
        QString err;
        const QStringList args =
            row.Args.size() > 1 ? row.Args + QStringList{folder.filePath("out.mp3")} : row.Args;
        EXPECT_EQ(MediaFixtures::Run(Cli(), args, nullptr, &err), row.Code);
        EXPECT_FALSE(err.isEmpty());
        EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST(CliTag, MutagenReadsBackWhatWasWritten)
{
    const QString song = ConvertedSong();
    ASSERT_FALSE(song.isEmpty());
    const double duration = Probe(song).Duration;
    struct Row
    {
        const char* Name;
        QString Title;
        QString Artist;
        QString Album;
        int TitleEncoding; // 0 Latin-1, 1 UTF-16 with BOM
        QString V1Title;   // what the single-byte tag can hold
    };
    const Row rows[] = {
        {"Latin-1", QStringLiteral(u"Caf\u00E9 del Mar"), QStringLiteral(u"K\u00FCnstler"),
         QStringLiteral(u"Stra\u00DFe"), 0, QStringLiteral(u"Caf\u00E9 del Mar")},
        {"Japanese", QStringLiteral(u"\u65E5\u672C\u306E\u6B4C"),
         QStringLiteral(u"\u30A2\u30FC\u30C6\u30A3\u30B9\u30C8"), "Album", 1, "????"},
        {"Cyrillic with an emoji, no album", QStringLiteral(u"\u041F\u0435\u0441\u043D\u044F \U0001F3B5"),
         QStringLiteral(u"\u0410\u0440\u0442\u0438\u0441\u0442"), "", 1, "????? ?"},
        {"long Latin-1 title", QString(40, u'x'), "A", "B", 0, QString(30, u'x')},
    };
    QTemporaryDir folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = folder.filePath("tagged.mp3");
        QFile::remove(file);
        ASSERT_TRUE(QFile::copy(song, file));
        QString err;
        ASSERT_EQ(MediaFixtures::Run(Cli(), {"tag", file, "--title", row.Title, "--artist", row.Artist, "--album", row.Album},
                      nullptr, &err),
                  0)
            << err.toStdString();

        const QJsonObject tag = ReadWithMutagen(file);
        EXPECT_EQ(tag["version"].toArray(), QJsonArray({2, 3, 0}));
        EXPECT_EQ(tag["title"].toString(), row.Title);
        EXPECT_EQ(tag["artist"].toString(), row.Artist);
        EXPECT_EQ(tag["album"].toString(), row.Album);
        EXPECT_EQ(tag["titleEncoding"].toInt(), row.TitleEncoding);
        EXPECT_EQ(tag["v1title"].toString(), row.V1Title);
        EXPECT_EQ(tag["v1artist"].toString().size(), row.Artist.size());
        EXPECT_EQ(tag["v1album"].toString(), row.Album);

        EXPECT_TRUE(DecodesCleanly(file));
        EXPECT_NEAR(Probe(file).Duration, duration, 0.03);

        QString shown;
        ASSERT_EQ(MediaFixtures::Run(Cli(), {"tag", "--show", file}, &shown), 0);
        EXPECT_TRUE(shown.contains("ID3v2: 2.3")) << shown.toStdString();
        EXPECT_TRUE(shown.contains("ID3v2.Title: " + row.Title)) << shown.toStdString();
        EXPECT_TRUE(shown.contains("ID3v1.Title: " + row.V1Title)) << shown.toStdString();
    }
}

TEST(CliTag, MissingFileFails)
{
    QTemporaryDir folder;
    EXPECT_EQ(MediaFixtures::Run(Cli(), {"tag", folder.filePath("none.mp3"), "--title", "x"}), 1);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("none.mp3")));
    EXPECT_EQ(MediaFixtures::Run(Cli(), {"tag"}), 2);
}
} // namespace
