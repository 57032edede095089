#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TNameValueList;

// One language pack in memory: an INI-like text with sections [Info], [BasicRes],
// [SkinRes], [LibRes], [AppRes] and one section per form class.
//
// The pack is held in two forms: the text lines (as loaded, assigned and saved) and the
// parsed sections (as searched and changed). At most one of them is stale at any time;
// every operation first brings the form it needs up to date.
//
// Section and entry names are matched without regard to letter case and the first one
// of a name wins. Values escape a line break as "<BR>" and a space as "<SP>".
class TKvMultiLangLan final
{
public:
    TKvMultiLangLan() = default;

    // The text form; assigning it marks the parsed form stale.
    QStringList Data();
    void SetData(const QStringList& lines);

    // Reads a file: a UTF-8 (EF BB BF) or UTF-16 (FF FE, FE FF) byte-order mark selects that
    // encoding, anything else is Latin-1; a NUL character ends the text. False, with the pack
    // left as it was, when the file cannot be read.
    bool LoadFromFile(const QString& fileName);
    void LoadFromBytes(const QByteArray& bytes);
    void LoadFromString(const QString& text);
    // Every line followed by CR LF.
    QString ToString();
    // Sorts the pack into its canonical order and writes it atomically, in Latin-1 when
    // every character fits, else as UTF-8 with a byte-order mark (so nothing is lost).
    bool SaveToFile(const QString& fileName);
    void AssignTo(TKvMultiLangLan& dest);

    void ClearAll();
    // Removes every section except the fixed ones ([Info], [BasicRes], [SkinRes], [LibRes], [AppRes]).
    void ClearAllForm();
    void ClearForm(const QString& form);

    // Section form, entry comp + "." + prop (prop alone when comp is empty). The value has
    // its escapes undone; false, with value untouched, when there is no such entry.
    bool GetProp(const QString& form, const QString& comp, const QString& prop, QString& value);
    // Writes the entry with its value escaped: an existing entry keeps its place, a new one
    // goes to the end of its section, a new section to the end of the pack.
    void SetProp(const QString& form, const QString& comp, const QString& prop, const QString& value);
    // Sets every named entry of the section in list (unescaped; an empty value removes the name).
    void GetSectionStrings(const QString& section, TNameValueList& list);

    // The fixed sections first in their own order, the others by name; lines sorted within
    // each section except [Info].
    void SortData();
    // Render the parsed form as text, respectively parse the text form.
    void UpdateData();
    void ApplyData();

    // Section names in pack order.
    QStringList Sections();

    static QString Escape(const QString& value);
    static QString Unescape(const QString& value);
    static bool IsFixedSection(const QString& section);

private:
    struct TSection
    {
        QString Name;
        QStringList Lines; // "name=value" entries and any other lines, as read
    };

    TSection* FindSection(const QString& name);
    static int IndexOfName(const QStringList& lines, const QString& name);

    QStringList FData;
    QList<TSection> FIniData;
    bool FbModified = false; // parsed form changed, text form stale
    bool FbToApply = true;   // text form changed, parsed form stale
};
