#include "video/YoutubeFLVParse.h"

#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"

namespace
{
// The built-in layout, its placeholders addressing StreamMapArguments by position.
const char* const KBuiltInFLVURLFormat =
    "%0:s?sparams=%17:s&fexp=%6:s&algorithm=throttle-factor&itag=%11:s&ip=%9:s&burst=40&sver=3"
    "&signature=%16:s&expire=%4:s&key=yt1&ipbits=8&factor=%5:s&id=%8:s&cp=%3:s&upn=%19:s";

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A name=value list of the pieces of text between "&".
TNameValueList SplitAtAmpersand(const QString& text)
{
    TNameValueList list;
    SplitString(text, u'&', list);
    return list;
}

// "itag=5" as a whole value: "itag=53" is another format.
bool HasFormat5(const QString& entry)
{
    static const QString key = QStringLiteral("itag=5");
    for (qsizetype at = entry.indexOf(key); at >= 0; at = entry.indexOf(key, at + 1)) {
        const qsizetype after = at + key.size();
        if (after >= entry.size() || !IsAsciiDigit(entry[after]))
            return true;
    }
    return false;
}

[[noreturn]] void ThrowBadFormat(const QString& format)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}
} // namespace

QString DefaultFLVURLFormat()
{
    return QStringLiteral(
        "%s?sparams=%s&fexp=%s&algorithm=throttle-factor&itag=%s&ip=%s&burst=40&sver=3&signature=%s"
        "&expire=%s&key=yt1&ipbits=8&factor=%s&id=%s&cp=%s&upn=%s");
}

QString DecodeURLTextAnsi(const QString& text)
{
    return FromAnsi(DecodeURLText(ToAnsi(text)));
}

TNameValueList ParseWatchKeyList(const QString& keyList, const QString& splitStr)
{
    QString text = keyList;
    if (!splitStr.isEmpty())
        text.replace(splitStr, QStringLiteral("\n"));
    text.replace(u':', u'=');
    text.remove(u'"');
    text.remove(u' ');
    TNameValueList keys;
    keys.SetText(text);
    return keys;
}

QString WatchKeyListToken(const TNameValueList& keys, bool needURLDecode)
{
    const QString token = keys.Values(QStringLiteral("t"));
    return needURLDecode ? DecodeURLTextAnsi(token) : token;
}

QString TokenStreamURL(const QString& getVideoURI, const QString& id, const QString& token)
{
    return getVideoURI + id + QStringLiteral("&t=") + token;
}

TWatchMap ChooseWatchMap(const QString& paramText)
{
    TNameValueList params;
    params.SetText(QString(paramText).replace(u'&', u'\n'));
    static const struct
    {
        const char* Name;
        TWatchMap::EKind Kind;
    } KMaps[] = {
        {"fmt_stream_map", TWatchMap::KPipeMap},
        {"fmt_url_map", TWatchMap::KPipeMap},
        {"url_encoded_fmt_stream_map", TWatchMap::KStreamMap},
    };
    for (const auto& m : KMaps) {
        const QString name = QString::fromLatin1(m.Name);
        const QString value = params.Values(name);
        if (!value.isEmpty())
            return {m.Kind, name, DecodeURLTextAnsi(value)};
    }
    return {};
}

QString PipeMapAddress(const QString& map)
{
    QString address;
    for (const QString& entry : map.split(u',')) {
        const QStringList parts = entry.split(u'|');
        if (parts.size() < 2)
            continue;
        if (address.isEmpty() || SafeStrToInt(parts[0], 0) > 5)
            address = parts[1];
    }
    return address;
}

QString StreamMapEntry(const QString& map)
{
    QString chosen;
    for (const QString& entry : map.split(u','))
        if (entry.contains(QStringLiteral("x-flv")) && HasFormat5(entry))
            chosen = DecodeURLTextAnsi(entry);
    return chosen;
}

QStringList StreamMapArguments(const QString& entry)
{
    const qsizetype question = entry.indexOf(u'?');
    const TNameValueList head = SplitAtAmpersand(question < 0 ? entry : entry.left(question));
    const TNameValueList query = SplitAtAmpersand(question < 0 ? QString() : entry.mid(question + 1));
    const auto q = [&query](const char* name) { return query.Values(QString::fromLatin1(name)); };
    return {
        head.Values(QStringLiteral("url")),
        q("algorithm"),
        q("burst"),
        q("cp"),
        q("expire"),
        q("factor"),
        EncodeURLTextAnsi(q("fexp")),
        q("gcr"),
        q("id"),
        q("ip"),
        q("ipbits"),
        q("itag"),
        q("key"),
        q("ms"),
        q("mt"),
        q("mv"),
        q("signature"),
        EncodeURLTextAnsi(q("sparams")),
        q("sver"),
        q("upn"),
    };
}

QString FormatFLVURL(const QString& format, const QStringList& args)
{
    QString out;
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        if (++i >= n)
            ThrowBadFormat(format);
        if (format[i] == u'%') {
            out += u'%';
            continue;
        }
        qsizetype digitsEnd = i;
        while (digitsEnd < n && IsAsciiDigit(format[digitsEnd]) && digitsEnd - i < 6)
            ++digitsEnd;
        if (digitsEnd > i && digitsEnd < n && format[digitsEnd] == u':') {
            next = format.mid(i, digitsEnd - i).toLongLong();
            i = digitsEnd + 1;
        }
        if (i >= n || (format[i] != u's' && format[i] != u'S') || next >= args.size())
            ThrowBadFormat(format);
        out += args[next++];
    }
    return out;
}

QString StreamMapAddress(const QString& map, const QString& format)
{
    const QString entry = StreamMapEntry(map);
    if (entry.isEmpty())
        return {};
    const bool builtIn = format.isEmpty() || format == DefaultFLVURLFormat();
    return FormatFLVURL(builtIn ? QString::fromLatin1(KBuiltInFLVURLFormat) : format,
                        StreamMapArguments(entry));
}
