#pragma once

#include <QByteArray>
#include <QString>

// Small helpers shared by the ID3v1 and ID3v2 code.

// Drops trailing spaces and control characters (everything up to U+0020).
QString TrimRightText(const QString& text);
QByteArray TrimRightBytes(const QByteArray& bytes);
// Drops leading and trailing spaces and control characters.
QString TrimText(const QString& text);
// Gives the owner write permission, so a read-only file can be changed. Linux has no other
// attribute that would stop a tag writer. False when the file does not exist or stays read-only.
bool MakeFileWritable(const QString& fileName);
