#pragma once

#include <QString>
#include <QStringList>

#include "common/NameValueList.h"

// The text surgery of the video info resolver: cutting watch pages, video-information
// answers and stream maps apart and building the stream address. All of it works on
// outside text; the functions that URL-decode throw EConvertError (common/UrlFunctions.h)
// on a malformed escape, everything else never throws.

// The stored default of FLVURLFormat. Its placeholders stand for the values named before
// them (url, sparams, fexp, itag, ip, signature, expire, factor, id, cp, upn), not for the
// argument positions, so this text (or an empty one) selects the built-in address layout.
QString DefaultFLVURLFormat();

// Text URL-decoded over its Latin-1 bytes. Throws EConvertError.
QString DecodeURLTextAnsi(const QString& text);

// Key list of a watch page (method KFromWatch): every separator becomes a line break,
// ":" becomes "=", double quotes and spaces are dropped; the result as name=value lines.
TNameValueList ParseWatchKeyList(const QString& keyList, const QString& splitStr);
// The token "t" of a parsed key list, URL-decoded when needURLDecode. Throws EConvertError.
QString WatchKeyListToken(const TNameValueList& keys, bool needURLDecode);

// The address of a token answer: getVideoURI + id + "&t=" + token.
QString TokenStreamURL(const QString& getVideoURI, const QString& id, const QString& token);

// Which map of a watch page's parameter text (method KFromWatch2) to use.
struct TWatchMap
{
    enum EKind
    {
        KNone,      // no map with a value
        KPipeMap,   // "fmt_stream_map" or "fmt_url_map": format|address entries
        KStreamMap, // "url_encoded_fmt_stream_map": URL-encoded parameter entries
    };
    EKind Kind = KNone;
    QString Name; // the parameter the map came from
    QString Map;  // its URL-decoded value
};
// The parameter text is split at "&" (and line breaks) into name=value lines; the first of
// "fmt_stream_map", "fmt_url_map", "url_encoded_fmt_stream_map" with a value is chosen and
// URL-decoded. Throws EConvertError.
TWatchMap ChooseWatchMap(const QString& paramText);

// Pipe map "fmt|address,fmt|address,...": the first usable entry, replaced by every later
// one whose format number is above 5. Empty when no entry has two parts.
QString PipeMapAddress(const QString& map);

// Stream map: the URL-decoded last entry that is flash video of format 5; empty when
// there is none. Throws EConvertError.
QString StreamMapEntry(const QString& map);
// The 20 values FLVURLFormat addresses by position, taken from a chosen (decoded) entry:
// url, algorithm, burst, cp, expire, factor, fexp (URL-encoded), gcr, id, ip, ipbits, itag,
// key, ms, mt, mv, signature, sparams (URL-encoded), sver, upn.
QStringList StreamMapArguments(const QString& entry);
// Formats "%s" (next argument), "%n:s" (argument n; later "%s" continue after n) and "%%".
// Throws EConvertError on any other conversion or a missing argument.
QString FormatFLVURL(const QString& format, const QStringList& args);
// The whole stream-map step: the address built from the chosen entry with format
// (the built-in layout for an empty or default format); empty when no entry qualifies.
// Throws EConvertError.
QString StreamMapAddress(const QString& map, const QString& format);
