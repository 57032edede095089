#include "framework/KvSettings.h"

#include <algorithm>
#include <memory>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "common/DebugLog.h"
#include "common/FileFunctions.h"
#include "common/NameValueList.h"
#include "common/PathFunctions.h"
#include "common/SystemFunctions.h"
#include "common/TextFileEncoding.h"
#include "common/TextFunctions.h"

namespace
{
const QString KSetting = QStringLiteral("setting");
const QString KShowAgain = QStringLiteral("ShowAgain");
const QString KShowAgainResult = QStringLiteral("ShowAgainModuleResult");
const QString KFlag = QStringLiteral("Flag");
const QString KAllUsers = QStringLiteral("AllUsers");

bool ListHas(const TNameValueList* list, const QString& name)
{
    return list && list->IndexOfName(name) >= 0;
}

// Creates the folder and gives it in canonical form, ending with "/".
QString PrepareFolder(const QString& folder)
{
    QDir().mkpath(folder);
    return IncludeBackslash(GetLongPath(folder));
}

std::unique_ptr<TKvSettings>& ProcessStore()
{
    static std::unique_ptr<TKvSettings> store;
    return store;
}
} // namespace

TKvSettings::TKvSettings(const QString& settingFile)
{
    FSettingFilename = settingFile.isEmpty() ? QStringLiteral("setting.dat") : settingFile;
    const QString constFilename = settingFile.isEmpty() ? QStringLiteral("const.dat") : settingFile;

    FConstDataPath = GetAppPath();
    FConstValueIni.LoadFromFile(FConstDataPath + constFilename);
    FOemValueIni.LoadFromFile(FConstDataPath + QStringLiteral("oem.") + constFilename);

    // Only the constant layers are open yet.
    FConfigPathWord = GetSettingString(QStringLiteral("App.ConfigPath"));
    if (FConfigPathWord.isEmpty()) {
        FConfigPathWord = GetAppFileName();
        for (const QChar c : {u'/', u'\\', u':'})
            FConfigPathWord.replace(c, u'_');
    }
    FUserDataPathCurrentUser = IncludeBackslash(GetShellFolder(QStringLiteral("AppData"))) + FConfigPathWord + u'/';
    FUserDataPathAllUsers =
        IncludeBackslash(GetCommonShellFolder(QStringLiteral("Common AppData"))) + FConfigPathWord + u'/';

    ChooseDataFolder();

    FRunTimes = GetSettingInteger(QStringLiteral("RunTimes"));
    SetSettingInteger(QStringLiteral("RunTimes"), FRunTimes + 1);
}

void TKvSettings::ChooseDataFolder()
{
    if (GetSettingInteger(QStringLiteral("Setting.NoAllUser")) != 0) {
        SetAllUser(false);
        return;
    }
    // The first choice sticks: a false flag stays false, a true one falls back to false as
    // soon as the shared folder cannot be written.
    if (IsAllUserFlagExists()) {
        if (GetAllUserFlag() && !IsAllUserPathWriteable())
            SetAllUserFlag(false);
    } else {
        SetAllUserFlag(IsAllUserPathWriteable());
    }
    SetAllUser(GetAllUserFlag());
}

void TKvSettings::SetEngineLayers(const TNameValueList* settingOverwrite, const TNameValueList* settingDefault)
{
    FSettingOverwrite = settingOverwrite;
    FSettingDefault = settingDefault;
}

QString TKvSettings::GetSettingString(const QString& name)
{
    if (ListHas(FSettingOverwrite, name))
        return FSettingOverwrite->Values(name);
    // Writes held by BeginUpdate are not in the file yet; re-reading would drop them.
    if (FNoCache && !FUpdating && !FSettingIni.FileName().isEmpty())
        FSettingIni.LoadFromFile(FSettingIni.FileName());
    for (const TMemIniFile* ini : {&FSettingIni, &FOemValueIni, &FConstValueIni})
        if (ini->ValueExists(KSetting, name))
            return ini->ReadString(KSetting, name, QString());
    if (ListHas(FSettingDefault, name))
        return FSettingDefault->Values(name);
    DebugLog::LogTag(QStringLiteral("KvSettings"), QStringLiteral("Setting Not Found :") + name);
    return QString();
}

int TKvSettings::GetSettingInteger(const QString& name)
{
    return SafeStrToInt(GetSettingString(name), 0);
}

bool TKvSettings::GetSettingBool(const QString& name)
{
    return GetSettingInteger(name) != 0;
}

double TKvSettings::GetSettingFloat(const QString& name)
{
    bool ok = false;
    const double value = QLocale().toDouble(GetSettingString(name).trimmed(), &ok);
    return ok ? value : 0.0;
}

void TKvSettings::GetSettingRect(const QString& name, QRect& rect)
{
    StrToRect(GetSettingString(name), rect);
}

bool TKvSettings::GetSettingExists(const QString& name) const
{
    return ListHas(FSettingOverwrite, name) || FSettingIni.ValueExists(KSetting, name) ||
           FOemValueIni.ValueExists(KSetting, name) || FConstValueIni.ValueExists(KSetting, name) ||
           ListHas(FSettingDefault, name);
}

void TKvSettings::SetSettingstring(const QString& name, const QString& value)
{
    FSettingIni.WriteString(KSetting, name, value);
    WriteSettingFile();
}

void TKvSettings::SetSettingInteger(const QString& name, int value)
{
    SetSettingstring(name, QString::number(value));
}

void TKvSettings::SetSettingBool(const QString& name, bool value)
{
    SetSettingstring(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TKvSettings::SetSettingFloat(const QString& name, double value)
{
    SetSettingstring(name, QLocale().toString(value, 'g', 15));
}

void TKvSettings::SetSettingRect(const QString& name, const QRect& rect)
{
    SetSettingstring(name, RectToStr(rect));
}

bool TKvSettings::GetMessageShowAgainFlag(int number) const
{
    return FSettingIni.ReadBool(KShowAgain, QString::number(number), true);
}

void TKvSettings::SetMessageShowAgainFlag(int number, bool value)
{
    FSettingIni.WriteBool(KShowAgain, QString::number(number), value);
    WriteSettingFile();
}

int TKvSettings::GetMessageShowAgainResult(int number) const
{
    return FSettingIni.ReadInteger(KShowAgainResult, QString::number(number), 1);
}

void TKvSettings::SetMessageShowAgainResult(int number, int value)
{
    FSettingIni.WriteInteger(KShowAgainResult, QString::number(number), value);
    WriteSettingFile();
}

void TKvSettings::ClearShowAgainFlag()
{
    FSettingIni.EraseSection(KShowAgain);
    FSettingIni.EraseSection(KShowAgainResult);
    WriteSettingFile();
}

QString TKvSettings::UserFlagFileName() const
{
    QDir().mkpath(FUserDataPathCurrentUser);
    return FUserDataPathCurrentUser + QStringLiteral("UserFlag.ini");
}

bool TKvSettings::IsAllUserFlagExists() const
{
    return TMemIniFile(UserFlagFileName()).ValueExists(KFlag, KAllUsers);
}

bool TKvSettings::GetAllUserFlag() const
{
    return TMemIniFile(UserFlagFileName()).ReadBool(KFlag, KAllUsers, true);
}

void TKvSettings::SetAllUserFlag(bool value)
{
    TMemIniFile flags(UserFlagFileName());
    flags.WriteBool(KFlag, KAllUsers, value);
    if (!flags.UpdateFile())
        DebugLog::LogTag(QStringLiteral("KvSettings"), QStringLiteral("Cannot write ") + flags.FileName());
}

bool TKvSettings::IsAllUserPathWriteable() const
{
    return QDir().mkpath(FUserDataPathAllUsers) && CheckFileAccess(FUserDataPathAllUsers);
}

void TKvSettings::SetAllUser(bool value)
{
    FAllUser = value;
    FUserDataPath = PrepareFolder(value ? FUserDataPathAllUsers : FUserDataPathCurrentUser);
    FSettingIni.Clear();
    const QString fileName = FUserDataPath + FSettingFilename;
    if (!QFileInfo::exists(fileName))
        WriteTextFile(QStringLiteral(" "), fileName);
    FSettingIni.LoadFromFile(fileName);
}

void TKvSettings::EndUpdate()
{
    FUpdating = false;
    UpdateSettingINI();
}

void TKvSettings::UpdateSettingINI()
{
    // Written to a temporary file and renamed over the old one: a crash never leaves it cut short.
    if (!FSettingIni.UpdateFile())
        DebugLog::LogTag(QStringLiteral("KvSettings"), QStringLiteral("Cannot write ") + FSettingIni.FileName());
}

void TKvSettings::WriteSettingFile()
{
    if (!FUpdating)
        UpdateSettingINI();
}

int TKvSettings::GetRunDays() const
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int days = 0;
    for (const QString& folder : {GetAppDir(), FUserDataPathCurrentUser, FUserDataPathAllUsers}) {
        QDateTime created;
        if (GetFileCreationTime(folder, created))
            days = std::max(days, static_cast<int>(created.secsTo(now) / 86400));
    }
    return days;
}

QString TKvSettings::SlowGetLanguageString(const QString& section, const QString& name, const QString& defaultValue)
{
    QString language = GetSettingString(QStringLiteral("Language.Force"));
    if (language.isEmpty())
        language = GetSettingString(QStringLiteral("Language"));
    const QString folder = CombinePath(FConstDataPath, GetSettingString(QStringLiteral("Path.Languages")));
    QFile file(IncludeBackslash(folder) + language + QStringLiteral(".lan"));
    if (language.isEmpty() || !file.open(QIODevice::ReadOnly))
        return defaultValue;
    TMemIniFile pack;
    pack.SetText(DecodeMarkedText(file.readAll()));
    return pack.ReadString(section, name, defaultValue);
}

TKvSettings& SettingsStore()
{
    std::unique_ptr<TKvSettings>& store = ProcessStore();
    if (!store)
        store = std::make_unique<TKvSettings>();
    return *store;
}

void ReleaseSettingsStore()
{
    ProcessStore().reset();
}
