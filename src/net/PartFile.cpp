#include "net/PartFile.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>

#include "common/FileFunctions.h"

TPartFile::~TPartFile()
{
    Discard();
}

bool TPartFile::Open(const QString& target)
{
    Discard();
    if (target.isEmpty())
        return false;
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    FTarget = target;
    // NewOnly: a file that appeared after the name was chosen is never taken over.
    for (int attempt = 0; attempt < 8; ++attempt) {
        FFile.setFileName(GetUniqueFileName(folder + u'/', QStringLiteral("sg"), QStringLiteral("tmp")));
        if (FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
    }
    return false;
}

bool TPartFile::Write(const char* data, qint64 size)
{
    return FFile.isOpen() && FFile.write(data, size) == size;
}

bool TPartFile::Commit()
{
    if (!FFile.isOpen())
        return false;
    FFile.close();
    // rename(2) replaces the target in one step.
    if (FFile.error() != QFileDevice::NoError ||
        std::rename(QFile::encodeName(FFile.fileName()).constData(), QFile::encodeName(FTarget).constData()) != 0) {
        QFile::remove(FFile.fileName());
        return false;
    }
    FFile.setFileName(QString());
    return true;
}

void TPartFile::Discard()
{
    if (FFile.fileName().isEmpty())
        return;
    FFile.close();
    QFile::remove(FFile.fileName());
    FFile.setFileName(QString());
}
