// Feeds outside text to the INI reader (settings files, language packs) and reads back
// through every lookup; a second parse of the rendered text must give the same sections.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>
#include <QStringList>

#include "common/MemIniFile.h"
#include "common/TextFileEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMemIniFile ini;
    ini.SetText(DecodeMarkedText(bytes));
    for (const QString& section : ini.ReadSections()) {
        for (const QString& key : ini.ReadSection(section)) {
            ini.ReadString(section, key, QString());
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
        }
        ini.ReadSectionValues(section);
    }
    TMemIniFile again;
    again.SetText(ini.Text());
    if (again.ReadSections().size() != ini.ReadSections().size())
        std::abort();
    ini.WriteString(QStringLiteral("setting"), QStringLiteral("RunTimes"), QStringLiteral("1"));
    ini.EraseSection(QStringLiteral("ShowAgain"));
    return 0;
}
