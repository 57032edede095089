#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The ID3v2 tag at the start of an audio file. Reads the text frames of an ID3v2.3 tag and
// writes a compact ID3v2.3 tag of up to seven text frames without padding.
class TID3v2 final
{
public:
    TID3v2();

    void ResetData();
    // True when the first 10 bytes of the file could be read, whether or not they start a tag.
    bool ReadFromFile(const QString& fileName);
    // True when a tag was found and removed.
    bool RemoveFromFile(const QString& fileName);
    // True when the file was rewritten with the new tag in front (an old tag is replaced).
    bool SaveToFile(const QString& fileName);
    // The tag SaveToFile writes: the 10-byte header and the frames.
    QByteArray BuildTag() const;

    bool Exists() const { return FExists; }
    uint8_t VersionID() const { return FVersionID; }
    // Size of the found tag including its header; 0 when unknown.
    int32_t Size() const { return FSize; }
    QString Title() const { return FTitle; }
    QString Artist() const { return FArtist; }
    QString Album() const { return FAlbum; }
    uint8_t Track() const { return FTrack; }
    QString Year() const { return FYear; }
    QString Genre() const { return FGenre; }
    QString Comment() const { return FComment; }

    void SetTitle(const QString& value);
    void SetArtist(const QString& value);
    void SetAlbum(const QString& value);
    void SetTrack(uint8_t value) { FTrack = value; }
    void SetYear(const QString& value);
    void SetGenre(const QString& value);
    void SetComment(const QString& value);

private:
    bool FExists = false;
    uint8_t FVersionID = 0;
    int32_t FSize = 0;
    QString FTitle;
    QString FArtist;
    QString FAlbum;
    uint8_t FTrack = 0;
    QString FYear;
    QString FGenre;
    QString FComment;
};

// Tags a converted MP3 file with title, artist and album: first the ID3v1 tag at its end,
// then the ID3v2.3 tag at its start. Year, comment, track and genre of existing tags are
// kept (of an ID3v2 tag only when it is version 2.3). Does nothing when the file does not
// exist; failures are not reported.
void WriteMp3Tags(const QString& filePath, const QString& title, const QString& artist,
                  const QString& album);
