#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// An INI file held in memory. Section and key names are matched without regard to case;
// lines are trimmed; lines starting with ";" are comments; blanks around the first "=" are
// dropped and the value is the rest of the line, taken unchanged. Files are read as UTF-8
// (with or without a byte-order mark; a file that is not valid UTF-8 is read as Latin-1)
// and written as UTF-8, atomically: a temporary file beside the target is renamed over it.
class TMemIniFile final
{
public:
    TMemIniFile() = default;
    explicit TMemIniFile(const QString& fileName);

    // Replaces the content with the file's; a missing or unreadable file gives an empty one.
    void LoadFromFile(const QString& fileName);
    void SetText(const QString& text);
    QString Text() const;
    // Writes the whole content to FileName(); false when the file could not be written.
    bool UpdateFile() const;
    bool SaveToFile(const QString& fileName) const;

    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);
    void Clear() { FSections.clear(); }

    QStringList ReadSections() const;
    // The key names of a section, in file order.
    QStringList ReadSection(const QString& section) const;
    // The name=value lines of a section, in file order.
    QStringList ReadSectionValues(const QString& section) const;

private:
    struct TEntry
    {
        QString Name;
        QString Value;
    };
    struct TSection
    {
        QString Name;
        QList<TEntry> Entries;
    };

    const TSection* FindSection(const QString& section) const;
    TSection* FindSection(const QString& section);
    TSection& SectionFor(const QString& section);

    QString FFileName;
    QList<TSection> FSections;
};
