#include "convert/ID3v2Frames.h"

#include <cstring>

namespace ID3v2Frames
{
namespace
{
enum ETextEncoding : char { KLatin1 = 0, KUtf16Bom = 1, KUtf16BE = 2, KUtf8 = 3 };

bool FitsLatin1(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

QByteArray Utf16WithBom(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

void AppendBigEndian32(QByteArray& out, quint32 value)
{
    out.append(static_cast<char>(value >> 24));
    out.append(static_cast<char>(value >> 16));
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value));
}

bool IsWide(char encoding) { return encoding == KUtf16Bom || encoding == KUtf16BE; }

// Length of the string starting at offset, up to its terminator or the end of the data.
qsizetype StringLength(const QByteArray& data, qsizetype offset, char encoding)
{
    if (!IsWide(encoding)) {
        const qsizetype end = data.indexOf('\0', offset);
        return (end < 0 ? data.size() : end) - offset;
    }
    qsizetype pos = offset;
    while (pos + 1 < data.size() && !(data[pos] == 0 && data[pos + 1] == 0))
        pos += 2;
    return qMin(pos, data.size()) - offset;
}

qsizetype TerminatorLength(char encoding) { return IsWide(encoding) ? 2 : 1; }

QString DecodeUtf16(const QByteArray& bytes, bool defaultBigEndian)
{
    bool bigEndian = defaultBigEndian;
    qsizetype start = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false;
            start = 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true;
            start = 2;
        }
    }
    QString text;
    text.reserve((bytes.size() - start) / 2);
    for (qsizetype i = start; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        text.append(QChar(static_cast<char16_t>((hi << 8) | lo)));
    }
    return text;
}

QString DecodeString(const QByteArray& bytes, char encoding)
{
    switch (encoding) {
    case KUtf16Bom:
        // Without a byte-order mark, take the little-endian order Windows writers use.
        return DecodeUtf16(bytes, false);
    case KUtf16BE:
        return DecodeUtf16(bytes, true);
    case KUtf8:
        return QString::fromUtf8(bytes);
    default:
        return QString::fromLatin1(bytes);
    }
}
} // namespace

QByteArray EncodeTextFrame(const char* frameId, const QString& text)
{
    const bool latin1 = FitsLatin1(text);
    QByteArray data(1, latin1 ? KLatin1 : KUtf16Bom);
    if (std::strcmp(frameId, "COMM") == 0) {
        data.append("eng");
        // The empty description and its terminator.
        data.append(latin1 ? QByteArray(1, '\0') : QByteArray("\xFF\xFE\0\0", 4));
    }
    data.append(latin1 ? text.toLatin1() : Utf16WithBom(text));

    QByteArray frame(frameId, 4);
    AppendBigEndian32(frame, static_cast<quint32>(data.size()));
    frame.append(2, '\0');
    frame.append(data);
    return frame;
}

QString DecodeFrameText(const QByteArray& data, bool isComment)
{
    if (data.isEmpty())
        return {};
    // An unknown encoding is read as single bytes.
    const char encoding = data[0] >= KLatin1 && data[0] <= KUtf8 ? data[0] : char(KLatin1);
    qsizetype offset = 1;
    if (isComment) {
        offset += 3; // language
        offset += StringLength(data, qMin(offset, data.size()), encoding) + TerminatorLength(encoding);
    }
    if (offset >= data.size())
        return {};
    return DecodeString(data.mid(offset, StringLength(data, offset, encoding)), encoding);
}
} // namespace ID3v2Frames
