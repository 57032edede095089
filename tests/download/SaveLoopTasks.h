#pragma once

#include <QString>
#include <QStringList>

#include "common/NameValueList.h"

// The tasks the save-loop helper writes, known to the test that reads them back.
constexpr int KSaveLoopTasks = 300;

inline QString SaveLoopUrl(int i)
{
    return QStringLiteral("http://127.0.0.1:9/watch?v=task%1").arg(i);
}

inline QString SaveLoopFileName(int i)
{
    return QStringLiteral("/tmp/Downloading/Song %1.mp3.mtd").arg(i);
}

inline TNameValueList SaveLoopComment(int i)
{
    return TNameValueList(QStringList{QStringLiteral("Action=2"), QStringLiteral("Id=task%1").arg(i),
                                      QStringLiteral("Title=Song, \"number\" %1").arg(i),
                                      QStringLiteral("SavePath=/home/u/Music/Song %1.mp3").arg(i),
                                      QStringLiteral("TempPath=") + QString(400, QChar(u'a' + i % 26))});
}
