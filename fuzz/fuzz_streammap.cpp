// Feeds outside text to every parser of the video info resolver: the key list of a watch
// page, the parameter text with its maps, pipe maps, stream maps and the address format.
// The first line of the input is also used as the format and as the key-list separator.
#include <QString>

#include <cstddef>
#include <cstdint>

#include "common/UrlFunctions.h"
#include "video/YoutubeFLVParse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QString firstLine = lineEnd < 0 ? text : text.left(lineEnd);

    const TNameValueList keys = ParseWatchKeyList(text, firstLine.left(4));
    try {
        WatchKeyListToken(keys, true);
    } catch (const EConvertError&) {
    }
    try {
        const TWatchMap map = ChooseWatchMap(text);
        if (map.Kind == TWatchMap::KPipeMap)
            PipeMapAddress(map.Map);
        else if (map.Kind == TWatchMap::KStreamMap)
            StreamMapAddress(map.Map, firstLine);
    } catch (const EConvertError&) {
    }
    PipeMapAddress(text);
    try {
        StreamMapAddress(text, QString());
    } catch (const EConvertError&) {
    }
    try {
        StreamMapAddress(text, firstLine);
    } catch (const EConvertError&) {
    }
    try {
        FormatFLVURL(firstLine, StreamMapArguments(text));
    } catch (const EConvertError&) {
    }
    return 0;
}
