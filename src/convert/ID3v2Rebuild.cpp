#include "convert/ID3v2Rebuild.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "convert/TagFileFunctions.h"

namespace
{
// An open file descriptor, closed when it goes.
class TFd final
{
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    Q_DISABLE_COPY_MOVE(TFd)
    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    // Closes now and reports whether the data reached the file system.
    bool Close()
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

bool WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool ReadAt(int fd, char* data, qint64 size, off_t offset, qint64& got)
{
    for (;;) {
        const ssize_t n = ::pread(fd, data, static_cast<size_t>(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        got = n;
        return n >= 0;
    }
}

// Copies the source from offset to its end onto the end of target; in the kernel where it can.
bool CopyRest(int source, int target, off_t offset, off_t end)
{
    off_t pos = offset;
    while (pos < end) {
        const ssize_t n = ::copy_file_range(source, &pos, target, nullptr,
                                            static_cast<size_t>(end - pos), 0);
        if (n > 0)
            continue;
        if (n == 0)
            return false; // the file got shorter under us
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return false;
        // The file systems cannot copy between each other: through a buffer.
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        while (pos < end) {
            qint64 got = 0;
            if (!ReadAt(source, buffer.data(), qMin<qint64>(buffer.size(), end - pos), pos, got) ||
                got == 0 || !WriteAll(target, buffer.constData(), got))
                return false;
            pos += static_cast<off_t>(got);
        }
    }
    return true;
}
} // namespace

int32_t ID3v2TagSize(const QByteArray& header, qint64 fileSize)
{
    auto byte = [&](int i) { return static_cast<int32_t>(static_cast<unsigned char>(header[i])); };
    const int32_t size = (byte(6) << 21) + (byte(7) << 14) + (byte(8) << 7) + byte(9) + 10;
    return size > fileSize ? 0 : size;
}

bool RebuildID3v2File(const QString& fileName, const QByteArray* newTag)
{
    if (!MakeFileWritable(fileName))
        return false;
    const QByteArray path = QFile::encodeName(fileName);
    TFd source(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    struct stat info = {};
    if (!source.Valid() || ::fstat(source.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    QByteArray header(10, '\0');
    qint64 got = 0;
    if (!ReadAt(source.Get(), header.data(), 10, 0, got) || got < 10)
        return false;
    const bool hasTag = header.startsWith("ID3");
    if (!newTag && !hasTag)
        return false;

    // A stale "~" file of an earlier run is replaced; the new one is created fresh, so it is
    // never someone else's file or link.
    const QByteArray tempPath = path + '~';
    ::unlink(tempPath.constData());
    TFd target(::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      info.st_mode & 07777));
    if (!target.Valid())
        return false;
    const off_t skip = hasTag ? ID3v2TagSize(header, info.st_size) : 0;
    bool ok = (!newTag || WriteAll(target.Get(), newTag->constData(), newTag->size())) &&
              CopyRest(source.Get(), target.Get(), skip, info.st_size);
    // The mode given to open() was narrowed by the umask; the file keeps its own.
    ok = ok && ::fchmod(target.Get(), info.st_mode & 07777) == 0;
    ok = target.Close() && ok;
    // rename() replaces the file in one step: it always holds either the old or the new content.
    if (!ok || std::rename(tempPath.constData(), path.constData()) != 0) {
        ::unlink(tempPath.constData());
        return false;
    }
    return true;
}
