#include "net/HttpCharset.h"

#include <QStringDecoder>

#include "common/TextFunctions.h"

QString DecodeHttpBody(const QByteArray& bytes, THttpCharset charset)
{
    switch (charset) {
    case THttpCharset::KUnicode: {
        // Code units taken as they are, unpaired surrogates included.
        const qsizetype count = bytes.size() / 2;
        QString text(count, Qt::Uninitialized);
        const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
        for (qsizetype i = 0; i < count; ++i)
            text[i] = QChar(static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
        return text;
    }
    case THttpCharset::KUTF8: {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    case THttpCharset::KAnsi:
    default:
        return FromAnsi(bytes);
    }
}
