#include "common/FileFunctions.h"

#include "common/PathFunctions.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

QString GetAppFileName()
{
    const QString fromApp = QCoreApplication::applicationFilePath();
    if (!fromApp.isEmpty())
        return fromApp;
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString GetAppPath()
{
    const QString overridden = qEnvironmentVariable("VARNELO_PROGRAM_DIR");
    if (!overridden.isEmpty())
        return IncludeBackslash(GetLongPath(overridden));
    return IncludeBackslash(GetLongPath(QFileInfo(GetAppFileName()).absolutePath()));
}

QString GetAppDir()
{
    const QString path = GetAppPath();
    return path.left(path.size() - 1);
}

QString GetTempDir()
{
    return IncludeBackslash(QDir::tempPath());
}

QString GetUniqueFileName(const QString& folder, const QString& prefix, const QString& extension)
{
    for (;;) {
        const quint32 number = QRandomGenerator::global()->bounded(0xFFFFFu);
        const QString name = prefix + QString::number(number, 16).toUpper() + u'.' + extension;
        const QString path = CombinePath(folder, name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

void ListFiles(const QString& mask, QStringList& list, bool fullPath)
{
    const QString m = SlashToBackslash(mask);
    const qsizetype slash = m.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? m.left(slash + 1) : QString();
    const QString pattern = m.mid(slash + 1);
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList names = dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names)
        list.append(fullPath ? folder + name : name);
}

bool ClearDirectory(const QString& folder, bool recursive)
{
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            if (recursive) {
                ClearDirectory(entry.absoluteFilePath(), true);
                dir.rmdir(entry.fileName());
            }
        } else {
            QFile::remove(entry.absoluteFilePath());
        }
    }
    return true;
}

void WriteTextFile(const QString& text, const QString& fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toLatin1());
}

bool GetFileCreationTime(const QString& path, QDateTime& time)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    QDateTime t = info.birthTime();
    if (!t.isValid())
        t = info.metadataChangeTime();
    if (!t.isValid())
        return false;
    time = t.toUTC();
    return true;
}

bool CheckFileAccess(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}
