#pragma once

#include <QString>

// Paths use "/" as separator. The historical names are kept: "backslash" means the
// platform's separator here.

// Every "\" becomes "/".
QString SlashToBackslash(const QString& path);
// Empty stays empty; otherwise normalised and ending with exactly one "/" more than before
// unless it already ends with "/".
QString IncludeBackslash(const QString& path);
// A relative path holding ":" (a URL or scheme) or an absolute one is taken as it is;
// against an absolute base a relative path is appended; a relative base returns the
// relative path unchanged.
QString CombinePath(const QString& base, const QString& relative);
// CombinePath of the folder part of fileName (up to its last "/") and relative.
QString GetPathRelativeToFile(const QString& fileName, const QString& relative);
// The canonical form of an existing path (links resolved); the input when it does not exist.
QString GetLongPath(const QString& path);
// The file name without its last extension ("English.lan" → "English").
QString ExtractFileTitle(const QString& path);
// Strips surrounding blanks and control characters, then deletes \ : / " ' | ? * > < and line breaks.
QString MakeValidFileName(const QString& text);
