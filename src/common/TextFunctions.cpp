#include "common/TextFunctions.h"

#include "common/NameValueList.h"

QByteArray ToAnsi(const QString& text)
{
    // By code point, so a character outside the basic plane (a surrogate pair) is one "?".
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        bytes += c < 0x100 ? static_cast<char>(c) : '?';
    return bytes;
}

QString FromAnsi(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

int SafeStrToInt(const QString& text, int defaultValue)
{
    const QString t = text.trimmed();
    bool ok = false;
    int value = 0;
    if (t.startsWith(u'$'))
        value = t.mid(1).toInt(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toInt(&ok, 16);
    else if (t.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive) || t.startsWith(QLatin1String("-$")))
        value = -t.mid(t[1] == u'$' ? 2 : 3).toInt(&ok, 16);
    else
        value = t.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool StartsWithText(const QString& text, const QString& prefix)
{
    if (prefix.size() > text.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t a = text[i].unicode();
        char16_t b = prefix[i].unicode();
        if (a >= u'a' && a <= u'z')
            a -= 32;
        if (b >= u'a' && b <= u'z')
            b -= 32;
        if (a != b)
            return false;
    }
    return true;
}

QString FormatPlaceholders(const QString& templateText, const QStringList& arguments)
{
    QString result = templateText;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        result.replace(u'{' + QString::number(i + 1) + u'}', arguments[i]);
    return result;
}

namespace
{
template <typename AppendFn>
void SplitInto(const QString& text, QChar delimiter, AppendFn append)
{
    if (text.isEmpty())
        return;
    QString piece;
    for (QChar c : text) {
        if (c == delimiter) {
            append(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    append(piece);
}
} // namespace

void SplitString(const QString& text, QChar delimiter, QStringList& list)
{
    SplitInto(text, delimiter, [&](const QString& piece) { list.append(piece); });
}

void SplitString(const QString& text, QChar delimiter, TNameValueList& list)
{
    SplitInto(text, delimiter, [&](const QString& piece) { list.Add(piece); });
}

uint32_t VersionToInt(const QString& version)
{
    const QString head = version.section(u' ', 0, 0);
    const QStringList parts = head.split(u'.');
    if (parts.size() != 4)
        return 0;
    uint32_t result = 0;
    for (const QString& part : parts)
        result = (result << 8) | (static_cast<uint32_t>(SafeStrToInt(part, 0)) & 0xFF);
    return result;
}

QString CharsToHex(const QString& text)
{
    static const char digits[] = "0123456789ABCDEF";
    QString result;
    result.reserve(text.size() * 2);
    for (QChar c : text) {
        const unsigned low = c.unicode() & 0xFF;
        result += QLatin1Char(digits[low >> 4]);
        result += QLatin1Char(digits[low & 0xF]);
    }
    return result;
}

// QRect's right() and bottom() are inclusive; the text form keeps the exclusive edges,
// so the rectangle is carried through its coordinates.
QString RectToStr(const QRect& rect)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    rect.getCoords(&left, &top, &right, &bottom);
    return QStringLiteral("%1,%2,%3,%4").arg(left).arg(top).arg(right + 1).arg(bottom + 1);
}

void StrToRect(const QString& text, QRect& rect)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return;
    rect.setCoords(SafeStrToInt(parts[0], 0), SafeStrToInt(parts[1], 0), SafeStrToInt(parts[2], 0) - 1,
                   SafeStrToInt(parts[3], 0) - 1);
}

QRect FitRectProportional(const QRect& source, const QRect& target)
{
    const qint64 w = source.width(), h = source.height();
    const qint64 W = target.width(), H = target.height();
    qint64 width = 0, height = 0;
    if (W == 0 || H == 0) {
        width = W;
        height = H;
    } else if (w == 0 || h == 0) {
        width = w;
        height = h;
    } else if (h * W < w * H) {
        width = W;
        height = W * h / w;
    } else {
        width = H * w / h;
        height = H;
    }
    const qint64 left = target.left() + (W - width) / 2;
    const qint64 top = target.top() + (H - height) / 2;
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width), static_cast<int>(height));
}
