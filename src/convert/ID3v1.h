#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The 128-byte ID3v1 / ID3v1.1 tag at the end of an audio file. Texts are kept as the
// single bytes of the ANSI code page (Latin-1 here); characters it cannot hold become "?".
class TID3v1 final
{
public:
    TID3v1();

    void ResetData();
    // True when the file could be read, whether or not it holds a tag.
    bool ReadFromFile(const QString& fileName);
    // True when the file has no tag afterwards.
    bool RemoveFromFile(const QString& fileName);
    // True when the old tag (if any) was removed and the new one appended.
    bool SaveToFile(const QString& fileName);

    bool Exists() const { return FExists; }
    uint8_t VersionID() const { return FVersionID; } // 1 = ID3v1.0, 2 = ID3v1.1
    QString Title() const;
    QString Artist() const;
    QString Album() const;
    QString Year() const;
    QString Comment() const;
    uint8_t Track() const { return FTrack; }
    uint8_t GenreID() const { return FGenreID; }
    // The genre name for GenreID below 148, otherwise empty.
    QString Genre() const;

    void SetVersionID(uint8_t value) { FVersionID = value; }
    void SetTitle(const QString& value);
    void SetArtist(const QString& value);
    void SetAlbum(const QString& value);
    void SetYear(const QString& value);
    void SetComment(const QString& value);
    void SetTrack(uint8_t value) { FTrack = value; }
    void SetGenreID(uint8_t value) { FGenreID = value; }

private:
    bool FExists = false;
    uint8_t FVersionID = 1;
    QByteArray FTitle;
    QByteArray FArtist;
    QByteArray FAlbum;
    QByteArray FYear;
    QByteArray FComment;
    uint8_t FTrack = 0;
    uint8_t FGenreID = 255;
};

// The names of the ID3v1 genre list with Winamp's extension (0 to 147), spelt as that list
// spells them; empty for any other number.
QString ID3v1GenreName(int genreId);
