// Feeds outside bytes to the language-pack reader: every encoding, the section and entry
// rules, the escapes, lookups, section merges, the canonical order and a re-read of the text.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "common/NameValueList.h"
#include "framework/KvMultiLangLan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TKvMultiLangLan pack;
    pack.LoadFromBytes(bytes);
    QString value;
    for (const QString& section : pack.Sections()) {
        TNameValueList list;
        pack.GetSectionStrings(section, list);
        for (int i = 0; i < list.Count(); ++i)
            pack.GetProp(section, QString(), list.Names(i), value);
    }
    pack.GetProp(QStringLiteral("AppRes"), QString(), QStringLiteral("AppName"), value);
    pack.SetProp(QStringLiteral("TfrmMain"), QStringLiteral("btnOk"), QStringLiteral("Caption"), value);
    pack.SortData();
    TKvMultiLangLan again;
    again.LoadFromString(pack.ToString());
    again.ClearAllForm();
    return 0;
}
