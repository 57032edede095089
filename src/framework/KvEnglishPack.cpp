#include "framework/KvEnglishPack.h"

extern const char KvEnglishPackBytes[];
extern const int KvEnglishPackBytesSize;

QByteArray BuiltInEnglishPack()
{
    return QByteArray::fromRawData(KvEnglishPackBytes, KvEnglishPackBytesSize);
}
