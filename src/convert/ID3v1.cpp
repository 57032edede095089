#include "convert/ID3v1.h"

#include <QFile>

#include "common/TextFunctions.h"
#include "convert/TagFileFunctions.h"

namespace
{
constexpr qint64 KTagSize = 128;

// Converts to the ANSI code page, drops trailing blanks and keeps at most maxBytes.
QByteArray ToTagText(const QString& value, qsizetype maxBytes)
{
    return TrimRightBytes(TrimRightBytes(ToAnsi(value)).left(maxBytes));
}

QByteArray TagField(const QByteArray& tag, qsizetype offset, qsizetype size)
{
    return TrimRightBytes(tag.mid(offset, size));
}

bool ReadLastBytes(const QString& fileName, QByteArray& tag)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < KTagSize || !file.seek(file.size() - KTagSize))
        return false;
    tag = file.read(KTagSize);
    return tag.size() == KTagSize;
}

bool HasTagMark(const QByteArray& tag) { return tag.startsWith("TAG"); }

void PutField(QByteArray& tag, qsizetype offset, const QByteArray& text)
{
    tag.replace(offset, text.size(), text);
}
} // namespace

TID3v1::TID3v1() { ResetData(); }

void TID3v1::ResetData()
{
    FExists = false;
    FVersionID = 1;
    FTitle.clear();
    FArtist.clear();
    FAlbum.clear();
    FYear.clear();
    FComment.clear();
    FTrack = 0;
    FGenreID = 255;
}

QString TID3v1::Title() const { return FromAnsi(FTitle); }
QString TID3v1::Artist() const { return FromAnsi(FArtist); }
QString TID3v1::Album() const { return FromAnsi(FAlbum); }
QString TID3v1::Year() const { return FromAnsi(FYear); }
QString TID3v1::Comment() const { return FromAnsi(FComment); }
QString TID3v1::Genre() const { return ID3v1GenreName(FGenreID); }

void TID3v1::SetTitle(const QString& value) { FTitle = ToTagText(value, 30); }
void TID3v1::SetArtist(const QString& value) { FArtist = ToTagText(value, 30); }
void TID3v1::SetAlbum(const QString& value) { FAlbum = ToTagText(value, 30); }
void TID3v1::SetYear(const QString& value) { FYear = ToTagText(value, 4); }
void TID3v1::SetComment(const QString& value) { FComment = ToTagText(value, 30); }

bool TID3v1::ReadFromFile(const QString& fileName)
{
    ResetData();
    QByteArray tag;
    if (!ReadLastBytes(fileName, tag))
        return false;
    if (!HasTagMark(tag))
        return true;
    FExists = true;
    const char b125 = tag[125];
    const char b126 = tag[126];
    const bool v11 = (b125 == 0 && b126 != 0) || (b125 == ' ' && b126 != ' ');
    FVersionID = v11 ? 2 : 1;
    FTitle = TagField(tag, 3, 30);
    FArtist = TagField(tag, 33, 30);
    FAlbum = TagField(tag, 63, 30);
    FYear = TagField(tag, 93, 4);
    FComment = TagField(tag, 97, v11 ? 28 : 30);
    FTrack = v11 ? static_cast<uint8_t>(b126) : 0;
    FGenreID = static_cast<uint8_t>(tag[127]);
    return true;
}

bool TID3v1::RemoveFromFile(const QString& fileName)
{
    QByteArray tag;
    if (!ReadLastBytes(fileName, tag))
        return false;
    if (!HasTagMark(tag))
        return true;
    if (!MakeFileWritable(fileName))
        return false;
    QFile file(fileName);
    return file.resize(file.size() - KTagSize);
}

bool TID3v1::SaveToFile(const QString& fileName)
{
    QByteArray tag(KTagSize, '\0');
    PutField(tag, 0, "TAG");
    PutField(tag, 3, FTitle);
    PutField(tag, 33, FArtist);
    PutField(tag, 63, FAlbum);
    PutField(tag, 93, FYear);
    PutField(tag, 97, FComment);
    if (FTrack != 0) {
        tag[125] = 0;
        tag[126] = static_cast<char>(FTrack);
    }
    tag[127] = static_cast<char>(FGenreID);

    if (!RemoveFromFile(fileName) || !MakeFileWritable(fileName))
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size()))
        return false;
    return file.write(tag) == KTagSize && file.flush();
}
