#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

class TNameValueList;

// Raised by DecodeURLText and DecodeHTMLEntities on malformed input.
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// "+" is a space, "%XX" a byte, "%%" a single "%". Throws EConvertError on a bad escape.
QByteArray DecodeURLText(const QByteArray& text);
// Keeps A-Z a-z 0-9 @ ! $ ' ( ) * - . _ ; a space becomes "+", any other byte "%XX".
QByteArray EncodeURLText(const QByteArray& text);
// Convenience: text → Latin-1 bytes → EncodeURLText (the form every caller but search uses).
QString EncodeURLTextAnsi(const QString& text);
// Search keywords are encoded from UTF-8.
QString EncodeURLTextUtf8(const QString& text);
// &amp; &lt; &gt; &quot; and &#NNN; ; any other "&" sequence throws EConvertError.
QString DecodeHTMLEntities(const QString& text);
// Everything after the first "?" (and then after the first ":") as name=value pairs.
// With decode, values are URL-decoded (as Latin-1 bytes) and assigned by name.
void ParseURLParams(const QString& text, TNameValueList& list, bool decode);
// Appends a query to a URL with the right "?" or "&".
QString AppendURLQuery(const QString& url, const QString& query);
