#pragma once

#include <QByteArray>
#include <QString>

// Text frames of an ID3v2.3 tag.
//
// Writing: text that Latin-1 can hold is written with text encoding 0, one byte per
// character; any other text with encoding 1 (UTF-16 with byte-order mark), so that titles in
// other scripts are not lost. Reading understands encodings 0 to 3 (2 and 3 are ID3v2.4's
// UTF-16BE and UTF-8, which some writers put into v2.3 tags too).
namespace ID3v2Frames
{
// The whole frame: 10-byte header (ID, plain big-endian data size, zero flags) and data.
// A comment frame ("COMM") carries the language "eng" and an empty description.
QByteArray EncodeTextFrame(const char* frameId, const QString& text);
// The text of a frame's data (encoding byte first), up to its first terminator, as in
// ID3v2.3 where anything after the terminator is to be ignored. For a comment frame the
// language and the description are skipped.
QString DecodeFrameText(const QByteArray& data, bool isComment);
} // namespace ID3v2Frames
