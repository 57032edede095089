#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Full path of the running program.
QString GetAppFileName();
// The program folder, ending with "/". Overridden by VARNELO_PROGRAM_DIR (used by tests that
// run a library without its program).
QString GetAppPath();
// GetAppPath without its trailing "/".
QString GetAppDir();
// The system temporary folder, ending with "/".
QString GetTempDir();

// A path folder/prefix + random hexadecimal + "." + extension that does not exist yet.
QString GetUniqueFileName(const QString& folder, const QString& prefix, const QString& extension);
// Appends the files (not folders) matching mask ("folder/*.lan"), bare or with the folder.
void ListFiles(const QString& mask, QStringList& list, bool fullPath);
// Deletes every file in folder (and, recursively, its subfolders); the folder stays.
bool ClearDirectory(const QString& folder, bool recursive);
// Creates or truncates the file and writes the text as one byte per character (Latin-1).
void WriteTextFile(const QString& text, const QString& fileName);
// Birth time where the file system records it, else the last status change; UTC.
bool GetFileCreationTime(const QString& path, QDateTime& time);
// Whether the current user may write to the file or folder.
bool CheckFileAccess(const QString& path);
