#pragma once

#include <QByteArray>
#include <QString>

// Rewrites fileName with newTag in front of its audio, dropping an ID3v2 tag it starts with;
// with newTag null it only drops the tag (and fails when there is none). The new content is
// written to fileName + "~" and renamed over the file, so the file is never without its audio.
bool RebuildID3v2File(const QString& fileName, const QByteArray* newTag);

// Size of the tag whose 10-byte header is given, header included; 0 when it exceeds fileSize.
int32_t ID3v2TagSize(const QByteArray& header, qint64 fileSize);
