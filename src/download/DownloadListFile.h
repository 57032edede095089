#pragma once

#include "common/NameValueList.h"
#include "download/DownloadTypes.h"

#include <QList>
#include <QString>

class TMemIniFile;

// One task as the saved download list keeps it.
struct TDownloadListRecord
{
    QString URL; // the address the task was added with, trimmed
    QString FileName;
    QString Caption;
    TNameValueList Comment;
    EDownloadState State = KReady;
    TRedirOptions RedirectOptions; // the redirect as given when the task was added

    bool operator==(const TDownloadListRecord&) const = default;
};

// The download list file: [Global] ItemCount, then one section per task named by its
// position ([0], [1], ...) with URL, FileName, Caption, Comment (comma text), State,
// INeedRedirect, RedirectTheme and RedirectURL.
void WriteDownloadListRecords(const QList<TDownloadListRecord>& records, TMemIniFile& ini);
// Reads what WriteDownloadListRecords wrote. The file comes from disk, so it is taken as
// untrusted: a count beyond the sections present, missing sections and numbers out of
// range do not produce junk tasks.
QList<TDownloadListRecord> ReadDownloadListRecords(const TMemIniFile& ini);
