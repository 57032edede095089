#include "common/PathFunctions.h"

#include <QFileInfo>

QString SlashToBackslash(const QString& path)
{
    QString result = path;
    result.replace(u'\\', u'/');
    return result;
}

QString IncludeBackslash(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString result = SlashToBackslash(path);
    return result.endsWith(u'/') ? result : result + u'/';
}

QString CombinePath(const QString& base, const QString& relative)
{
    const QString r = SlashToBackslash(relative);
    // A scheme ("file:", "http:") or an absolute path stands on its own.
    if (relative.contains(u':') || r.startsWith(u'/'))
        return r;
    const QString b = SlashToBackslash(base);
    if (b.startsWith(u'/'))
        return IncludeBackslash(b) + r;
    return relative;
}

QString GetPathRelativeToFile(const QString& fileName, const QString& relative)
{
    const QString f = SlashToBackslash(fileName);
    const qsizetype slash = f.lastIndexOf(u'/');
    return CombinePath(slash >= 0 ? f.left(slash + 1) : QString(), relative);
}

QString GetLongPath(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return path;
    // Keep a trailing separator the caller gave.
    return (path.endsWith(u'/') && !canonical.endsWith(u'/')) ? canonical + u'/' : canonical;
}

QString ExtractFileTitle(const QString& path)
{
    const QString f = SlashToBackslash(path);
    const QString name = f.mid(f.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 ? name.left(dot) : name;
}

QString MakeValidFileName(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    QString result = text.mid(begin, end - begin);
    for (const char* bad : {"\\", ":", "/", "\"", "'", "|", "?", "*", ">", "<", "\r\n", "\r", "\n"})
        result.remove(QLatin1String(bad));
    return result;
}
