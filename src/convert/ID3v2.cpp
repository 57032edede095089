#include "convert/ID3v2.h"

#include <QFile>
#include <QFileInfo>

#include <array>

#include "convert/ID3v1.h"
#include "convert/ID3v2Frames.h"
#include "convert/ID3v2Rebuild.h"
#include "convert/TagFileFunctions.h"

namespace
{
// The supported frames, in the order they are written.
enum EFrame { KTitle, KArtist, KAlbum, KTrack, KYear, KGenre, KComment, KFrameCount };
constexpr std::array<const char*, KFrameCount> KFrameIds = {"TIT2", "TPE1", "TALB", "TRCK",
                                                            "TYER", "TCON", "COMM"};
// Only the start of a frame's data is looked at; tag texts are short.
constexpr qint64 KMaxFrameData = 500;

int FrameIndex(const QByteArray& id)
{
    for (int i = 0; i < KFrameCount; ++i)
        if (id == KFrameIds[static_cast<size_t>(i)])
            return i;
    return -1;
}

quint32 BigEndian32(const QByteArray& bytes, qsizetype offset)
{
    quint32 value = 0;
    for (qsizetype i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// "5/12" gives 5; anything that is not a track number gives 0.
uint8_t ParseTrack(const QString& text)
{
    bool ok = false;
    const int track = text.section(u'/', 0, 0).trimmed().toInt(&ok);
    return ok && track > 0 && track <= 255 ? static_cast<uint8_t>(track) : 0;
}

// "(17)Rock" gives "Rock" and "(13)" nothing: the numeric references in parentheses at the
// start are dropped. Parentheses later in a name ("Rock (Live)") stay.
QString ParseGenre(const QString& text)
{
    QString genre = text;
    while (genre.startsWith(u'(') && !genre.startsWith(u"((")) {
        const qsizetype close = genre.indexOf(u')');
        if (close < 0)
            break;
        genre = genre.mid(close + 1);
    }
    return TrimText(genre);
}

// Reads the text frames of an ID3v2.3 tag of tagSize bytes (header included).
std::array<QString, KFrameCount> ScanFrames(QFile& file, qint64 tagSize)
{
    std::array<QString, KFrameCount> frames;
    const qint64 fileSize = file.size();
    qint64 pos = 10;
    while (pos < tagSize && pos < fileSize) {
        if (!file.seek(pos))
            break;
        const QByteArray header = file.read(10);
        if (header.size() < 10 || header[0] < 'A' || header[0] > 'Z')
            break;
        const qint64 dataSize = BigEndian32(header, 4);
        // Compressed or encrypted data is no text we could show.
        const bool packed = (static_cast<unsigned char>(header[9]) & 0xC0) != 0;
        const int index = FrameIndex(header.left(4));
        if (index >= 0 && !packed) {
            const QByteArray data = file.read(qMin(dataSize, KMaxFrameData));
            frames[static_cast<size_t>(index)] = ID3v2Frames::DecodeFrameText(data, index == KComment);
        }
        pos += 10 + dataSize;
    }
    return frames;
}

void PutSynchsafe(QByteArray& tag, qsizetype offset, quint32 value)
{
    for (int i = 3; i >= 0; --i) {
        tag[offset + i] = static_cast<char>(value & 0x7F);
        value >>= 7;
    }
}
} // namespace

TID3v2::TID3v2() { ResetData(); }

void TID3v2::ResetData()
{
    FExists = false;
    FVersionID = 0;
    FSize = 0;
    FTitle.clear();
    FArtist.clear();
    FAlbum.clear();
    FTrack = 0;
    FYear.clear();
    FGenre.clear();
    FComment.clear();
}

void TID3v2::SetTitle(const QString& value) { FTitle = TrimRightText(value); }
void TID3v2::SetArtist(const QString& value) { FArtist = TrimRightText(value); }
void TID3v2::SetAlbum(const QString& value) { FAlbum = TrimRightText(value); }
void TID3v2::SetYear(const QString& value) { FYear = TrimRightText(value); }
void TID3v2::SetGenre(const QString& value) { FGenre = TrimRightText(value); }
void TID3v2::SetComment(const QString& value) { FComment = TrimRightText(value); }

bool TID3v2::ReadFromFile(const QString& fileName)
{
    ResetData();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(10);
    if (header.size() < 10)
        return false;
    if (!header.startsWith("ID3"))
        return true;
    FExists = true;
    FVersionID = static_cast<uint8_t>(header[3]);
    FSize = ID3v2TagSize(header, file.size());
    if (FVersionID != 3 || FSize <= 0)
        return true;

    const auto frames = ScanFrames(file, FSize);
    FTitle = TrimText(frames[KTitle]);
    FArtist = TrimText(frames[KArtist]);
    FAlbum = TrimText(frames[KAlbum]);
    FTrack = ParseTrack(TrimText(frames[KTrack]));
    FYear = TrimText(frames[KYear]);
    FGenre = ParseGenre(TrimText(frames[KGenre]));
    FComment = TrimText(frames[KComment]);
    return true;
}

QByteArray TID3v2::BuildTag() const
{
    const std::array<QString, KFrameCount> texts = {
        FTitle, FArtist, FAlbum, FTrack != 0 ? QString::number(FTrack) : QString(),
        FYear,  FGenre,  FComment};
    QByteArray tag("ID3\x03\0\0\0\0\0\0", 10);
    for (size_t i = 0; i < texts.size(); ++i)
        if (!texts[i].isEmpty())
            tag.append(ID3v2Frames::EncodeTextFrame(KFrameIds[i], texts[i]));
    PutSynchsafe(tag, 6, static_cast<quint32>(tag.size() - 10));
    return tag;
}

bool TID3v2::SaveToFile(const QString& fileName)
{
    const QByteArray tag = BuildTag();
    return RebuildID3v2File(fileName, &tag);
}

bool TID3v2::RemoveFromFile(const QString& fileName) { return RebuildID3v2File(fileName, nullptr); }

void WriteMp3Tags(const QString& filePath, const QString& title, const QString& artist,
                  const QString& album)
{
    if (!QFileInfo(filePath).isFile())
        return;
    TID3v1 v1;
    v1.ReadFromFile(filePath);
    v1.SetTitle(title);
    v1.SetArtist(artist);
    v1.SetAlbum(album);
    v1.SaveToFile(filePath);

    // A tag of another version is read without its frames, so nothing of it is kept.
    TID3v2 v2;
    v2.ReadFromFile(filePath);
    v2.SetTitle(title);
    v2.SetArtist(artist);
    v2.SetAlbum(album);
    v2.SaveToFile(filePath);
}
