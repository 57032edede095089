// Feeds outside text to the URL decoding helpers: DecodeURLText either decodes or raises
// EConvertError, and ParseURLParams never fails, with or without decoding.
#include <cstddef>
#include <cstdint>

#include <QString>

#include "common/NameValueList.h"
#include "common/UrlFunctions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        DecodeURLText(bytes);
    } catch (const EConvertError&) {
    }
    const QString text = QString::fromLatin1(bytes);
    for (const bool decode : {false, true}) {
        TNameValueList params;
        ParseURLParams(text, params, decode);
    }
    return 0;
}
