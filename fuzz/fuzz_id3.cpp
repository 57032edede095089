// The ID3v1 and ID3v2 readers, and the ID3v2 rebuild, on arbitrary file contents. The
// rebuild must keep everything after the old tag (all of the file when the tag's size is
// damaged) behind the new tag.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "convert/ID3v1.h"
#include "convert/ID3v2.h"
#include "convert/ID3v2Rebuild.h"

namespace
{
QByteArray Read(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString name = dir.filePath("fuzz.mp3");
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Write(name, bytes);

    TID3v1 v1;
    if (v1.ReadFromFile(name) != (size >= 128))
        std::abort();
    TID3v2 v2;
    if (v2.ReadFromFile(name) != (size >= 10))
        std::abort();
    if (size < 10)
        return 0;

    // Keep whatever was read and write it back in front of the audio.
    const qsizetype skip = bytes.startsWith("ID3") ? ID3v2TagSize(bytes.left(10), bytes.size()) : 0;
    v2.SetTitle(v2.Title() + QStringLiteral(u"\u00E9\u65E5"));
    if (!v2.SaveToFile(name) || Read(name) != v2.BuildTag() + bytes.mid(skip))
        std::abort();
    // Frames are read up to their first 500 bytes: longer texts come back cut.
    TID3v2 again;
    if (!again.ReadFromFile(name) || (v2.Title().size() < 240 && again.Title() != v2.Title()) ||
        (v2.Comment().size() < 240 && again.Comment() != v2.Comment()))
        std::abort();
    if (!again.RemoveFromFile(name) || Read(name) != bytes.mid(skip))
        std::abort();
    return 0;
}
