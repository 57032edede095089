// Feeds outside bytes to the body decoding in every charset and to the address splitting.
// The first byte chooses the charset; the rest is the body and, as Latin-1, the address.
#include <QString>

#include <cstddef>
#include <cstdint>

#include "net/SingleDownloader.h"
#include "net/SingleDownloaderThread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto charset = static_cast<THttpCharset>(data[0] % 3);
    const QByteArray body(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const QString text = DecodeHttpBody(body, charset);
    if (charset == THttpCharset::KUnicode && text.size() != body.size() / 2)
        __builtin_trap();
    if (charset == THttpCharset::KAnsi && text.size() != body.size())
        __builtin_trap();

    bool secure = false;
    QString host;
    QString path;
    ParseRequestURL(QString::fromLatin1(body), secure, host, path);
    if (!path.isEmpty() && !path.startsWith(u'/'))
        __builtin_trap();
    return 0;
}
