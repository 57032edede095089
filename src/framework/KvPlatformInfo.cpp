#include "framework/KvPlatformInfo.h"

#include <QStringList>
#include <QSysInfo>

QString OsVersionText()
{
    const QStringList parts = QSysInfo::kernelVersion().split(u'.');
    const QString major = parts.value(0, QStringLiteral("0"));
    const QString minor = parts.value(1, QStringLiteral("0"));
    return major + u'_' + minor + u'_' + QSysInfo::prettyProductName().left(128);
}

int SystemLanguageId(const QLocale& locale)
{
    struct TRow
    {
        QLocale::Language Language;
        QLocale::Territory Territory; // AnyTerritory: the language's default
        int Id;
    };
    static const TRow rows[] = {
        {QLocale::C, QLocale::AnyTerritory, 0x0409},
        {QLocale::English, QLocale::UnitedKingdom, 0x0809},
        {QLocale::English, QLocale::Australia, 0x0C09},
        {QLocale::English, QLocale::Canada, 0x1009},
        {QLocale::English, QLocale::AnyTerritory, 0x0409},
        {QLocale::German, QLocale::Austria, 0x0C07},
        {QLocale::German, QLocale::Switzerland, 0x0807},
        {QLocale::German, QLocale::AnyTerritory, 0x0407},
        {QLocale::French, QLocale::Canada, 0x0C0C},
        {QLocale::French, QLocale::Belgium, 0x080C},
        {QLocale::French, QLocale::AnyTerritory, 0x040C},
        {QLocale::Spanish, QLocale::Mexico, 0x080A},
        {QLocale::Spanish, QLocale::AnyTerritory, 0x0C0A},
        {QLocale::Portuguese, QLocale::Portugal, 0x0816},
        {QLocale::Portuguese, QLocale::AnyTerritory, 0x0416},
        {QLocale::Chinese, QLocale::Taiwan, 0x0404},
        {QLocale::Chinese, QLocale::HongKong, 0x0C04},
        {QLocale::Chinese, QLocale::AnyTerritory, 0x0804},
        {QLocale::Italian, QLocale::AnyTerritory, 0x0410},
        {QLocale::Japanese, QLocale::AnyTerritory, 0x0411},
        {QLocale::Korean, QLocale::AnyTerritory, 0x0412},
        {QLocale::Dutch, QLocale::AnyTerritory, 0x0413},
        {QLocale::NorwegianBokmal, QLocale::AnyTerritory, 0x0414},
        {QLocale::Polish, QLocale::AnyTerritory, 0x0415},
        {QLocale::Russian, QLocale::AnyTerritory, 0x0419},
        {QLocale::Swedish, QLocale::AnyTerritory, 0x041D},
        {QLocale::Turkish, QLocale::AnyTerritory, 0x041F},
        {QLocale::Arabic, QLocale::AnyTerritory, 0x0401},
        {QLocale::Czech, QLocale::AnyTerritory, 0x0405},
        {QLocale::Danish, QLocale::AnyTerritory, 0x0406},
        {QLocale::Greek, QLocale::AnyTerritory, 0x0408},
        {QLocale::Finnish, QLocale::AnyTerritory, 0x040B},
        {QLocale::Hebrew, QLocale::AnyTerritory, 0x040D},
        {QLocale::Hungarian, QLocale::AnyTerritory, 0x040E},
        {QLocale::Ukrainian, QLocale::AnyTerritory, 0x0422},
        {QLocale::Vietnamese, QLocale::AnyTerritory, 0x042A},
        {QLocale::Thai, QLocale::AnyTerritory, 0x041E},
        {QLocale::Indonesian, QLocale::AnyTerritory, 0x0421},
    };
    for (const TRow& row : rows)
        if (row.Language == locale.language() &&
            (row.Territory == QLocale::AnyTerritory || row.Territory == locale.territory()))
            return row.Id;
    return 0;
}
