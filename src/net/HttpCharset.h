#pragma once

#include <QByteArray>
#include <QString>

// How a received body becomes text.
enum class THttpCharset
{
    KAnsi = 0,    // the system's single-byte code page (Latin-1 here)
    KUnicode = 1, // UTF-16 little-endian
    KUTF8 = 2,
};

// Decodes a body without looking at what the server said about it. A byte-order mark is
// kept (as U+FEFF); KUnicode drops a last odd byte.
QString DecodeHttpBody(const QByteArray& bytes, THttpCharset charset);
