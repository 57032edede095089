#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>

class TNameValueList;

// The system's single-byte ("ANSI") code page is ISO-8859-1 (Latin-1) here.
// Characters it cannot hold become "?".
QByteArray ToAnsi(const QString& text);
QString FromAnsi(const QByteArray& bytes);

// Decimal, or hexadecimal after "$" or "0x"; surrounding blanks and any failure give defaultValue.
int SafeStrToInt(const QString& text, int defaultValue);
// True when text starts with prefix, ignoring ASCII letter case. An empty prefix gives true.
bool StartsWithText(const QString& text, const QString& prefix);
// Replaces "{1}", "{2}", ... by the arguments, one after the other, on the running result.
QString FormatPlaceholders(const QString& templateText, const QStringList& arguments);
// Appends the pieces of text between delimiters to list, empty pieces included;
// an empty text appends nothing.
void SplitString(const QString& text, QChar delimiter, QStringList& list);
void SplitString(const QString& text, QChar delimiter, TNameValueList& list);
// "a.b.c.d" (before the first space) packed as one byte each; anything else gives 0.
uint32_t VersionToInt(const QString& version);
// Two upper-case hexadecimal digits for the low byte of each character.
QString CharsToHex(const QString& text);

// Rectangles as "left,top,right,bottom".
QString RectToStr(const QRect& rect);
// Sets rect only when text has exactly four comma-separated parts.
void StrToRect(const QString& text, QRect& rect);
// Fits source into target keeping its proportions (scaling up or down), centred.
QRect FitRectProportional(const QRect& source, const QRect& target);
