#pragma once

#include <QByteArray>
#include <QString>

// Text of a file in the installation's encoding rules: a UTF-8 byte-order mark (EF BB BF)
// means UTF-8, FF FE UTF-16 little-endian, FE FF UTF-16 big-endian; any other file is in the
// ANSI code page (Latin-1). The mark is not part of the text, and a NUL character ends it.
QString DecodeMarkedText(const QByteArray& bytes);
