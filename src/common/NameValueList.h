#pragma once

#include <QString>
#include <QStringList>

// An ordered list of text lines, most of them of the form name=value.
// Names are compared without regard to letter case and the first line with a name wins;
// assigning an empty value removes that line. Numbered items are plain names ("TITLE3").
// Settings defaults, task comments, URL parameters, the service information and the
// search result list are all kept in this form.
class TNameValueList final
{
public:
    TNameValueList() = default;
    explicit TNameValueList(QStringList lines) : FLines(std::move(lines)) {}

    int Count() const { return static_cast<int>(FLines.size()); }
    bool IsEmpty() const { return FLines.isEmpty(); }
    const QString& operator[](int i) const { return FLines[i]; }
    const QStringList& Lines() const { return FLines; }

    void Add(const QString& line) { FLines.append(line); }
    void Insert(int i, const QString& line) { FLines.insert(i, line); }
    void Delete(int i) { FLines.removeAt(i); }
    void Clear() { FLines.clear(); }
    void Move(int from, int to) { FLines.move(from, to); }

    // Index of the first line whose name (the text before the first "=") equals name.
    int IndexOfName(const QString& name) const;
    QString Names(int i) const;
    QString ValueFromIndex(int i) const;

    // Value of the first line with that name; empty when there is none.
    QString Values(const QString& name) const;
    // Replaces the first line of that name or appends one; an empty value removes the line.
    void SetValue(const QString& name, const QString& value);

    // The lines joined by "\n" (with a trailing line break, as a text file).
    QString Text() const;
    // Splits at CR LF, LF or CR.
    void SetText(const QString& text);

    // Comma text: items separated by ","; an item holding a space, comma, double quote or
    // control character is enclosed in double quotes with inner quotes doubled.
    QString CommaText() const;
    void SetCommaText(const QString& text);

    bool operator==(const TNameValueList& other) const = default;

private:
    QStringList FLines;
};
