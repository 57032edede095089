#include "common/UrlFunctions.h"

#include "common/NameValueList.h"
#include "common/TextFunctions.h"

namespace
{
int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

QByteArray DecodeURLText(const QByteArray& text)
{
    QByteArray result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '+') {
            result += ' ';
        } else if (c == '%') {
            // Positions in messages count from 1, as the caller sees the text.
            if (i + 1 < n && text[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (i + 2 >= n)
                throw EConvertError(
                    QStringLiteral("Error decoding URL style (%XX) encoded string at position %1").arg(i + 1));
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                throw EConvertError(QStringLiteral("Invalid URL encoded character (%1) at position %2")
                                        .arg(QString::fromLatin1(text.mid(i, 3)))
                                        .arg(i + 1));
            result += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            result += c;
        }
    }
    return result;
}

QByteArray EncodeURLText(const QByteArray& text)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray result;
    result.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '@' || c == '!' || c == '$' || c == '\'' || c == '(' || c == ')' || c == '*' ||
                           c == '-' || c == '.' || c == '_';
        if (plain) {
            result += ch;
        } else if (c == ' ') {
            result += '+';
        } else {
            result += '%';
            result += digits[c >> 4];
            result += digits[c & 0xF];
        }
    }
    return result;
}

QString EncodeURLTextAnsi(const QString& text)
{
    return QString::fromLatin1(EncodeURLText(ToAnsi(text)));
}

QString EncodeURLTextUtf8(const QString& text)
{
    return QString::fromLatin1(EncodeURLText(text.toUtf8()));
}

QString DecodeHTMLEntities(const QString& text)
{
    static const struct
    {
        QLatin1String entity;
        QChar character;
    } named[] = {
        {QLatin1String("&amp;"), u'&'},
        {QLatin1String("&lt;"), u'<'},
        {QLatin1String("&gt;"), u'>'},
        {QLatin1String("&quot;"), u'"'},
    };
    auto fail = [&](qsizetype at) {
        throw EConvertError(QStringLiteral("Invalid HTML encoded character (%1) at position %2")
                                .arg(text.mid(at, 2))
                                .arg(at + 1));
    };

    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (text[i] != u'&') {
            result += text[i++];
            continue;
        }
        bool matched = false;
        for (const auto& e : named) {
            if (QStringView(text).mid(i).startsWith(e.entity)) {
                result += e.character;
                i += e.entity.size();
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        if (i + 1 < n && text[i + 1] == u'#') {
            const qsizetype semicolon = text.indexOf(u';', i + 2);
            bool ok = false;
            const uint code = semicolon > i + 2 ? text.mid(i + 2, semicolon - i - 2).toUInt(&ok, 10) : 0;
            if (!ok || code > 0x10FFFF)
                fail(i);
            result += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            i = semicolon + 1;
            continue;
        }
        fail(i);
    }
    return result;
}

void ParseURLParams(const QString& text, TNameValueList& list, bool decode)
{
    QString rest = text;
    const qsizetype question = rest.indexOf(u'?');
    if (question >= 0)
        rest = rest.mid(question + 1);
    const qsizetype colon = rest.indexOf(u':');
    if (colon >= 0)
        rest = rest.mid(colon + 1);

    if (!decode) {
        SplitString(rest, u'&', list);
        return;
    }
    QStringList pieces;
    SplitString(rest, u'&', pieces);
    for (const QString& piece : pieces) {
        // A piece without "=" names nothing and is skipped.
        const qsizetype eq = piece.indexOf(u'=');
        if (eq < 0)
            continue;
        try {
            list.SetValue(piece.left(eq), FromAnsi(DecodeURLText(ToAnsi(piece.mid(eq + 1)))));
        } catch (const EConvertError&) {
            // A piece that does not decode is dropped; the others still count.
        }
    }
}

QString AppendURLQuery(const QString& url, const QString& query)
{
    if (url.isEmpty())
        return query;
    if (!url.contains(u'?'))
        return url + u'?' + query;
    if (url.endsWith(u'&') || url.endsWith(u'?'))
        return url + query;
    return url + u'&' + query;
}
