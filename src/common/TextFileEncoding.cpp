#include "common/TextFileEncoding.h"

#include "common/TextFunctions.h"

#include <QStringDecoder>

QString DecodeMarkedText(const QByteArray& bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QStringDecoder(QStringDecoder::Utf8).decode(bytes.mid(3));
    else if (bytes.startsWith("\xFF\xFE"))
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    else if (bytes.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    else
        text = FromAnsi(bytes);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}
