#include "convert/TagFileFunctions.h"

#include <QFile>

namespace
{
bool IsBlank(QChar c) { return c.unicode() <= 0x20; }
} // namespace

QString TrimRightText(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return text.left(end);
}

QByteArray TrimRightBytes(const QByteArray& bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && static_cast<unsigned char>(bytes[end - 1]) <= 0x20)
        --end;
    return bytes.left(end);
}

QString TrimText(const QString& text)
{
    qsizetype begin = 0;
    while (begin < text.size() && IsBlank(text[begin]))
        ++begin;
    return TrimRightText(text.mid(begin));
}

bool MakeFileWritable(const QString& fileName)
{
    QFile file(fileName);
    if (!file.exists())
        return false;
    const QFileDevice::Permissions permissions = file.permissions();
    if (permissions & QFileDevice::WriteOwner)
        return true;
    return file.setPermissions(permissions | QFileDevice::WriteOwner);
}
