#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

#include "common/MemIniFile.h"

class TNameValueList;

// The program's named settings. A read looks through five layers, strongest first:
//   1. the engine's forced values (SetEngineLayers), 2. the user's "setting.dat",
//   3. "oem.const.dat", 4. "const.dat" (both in the program folder), 5. the engine's defaults.
// The first layer that has the name gives the value, even an empty one. Only the user's file
// is ever written; every write replaces the whole file atomically unless held by BeginUpdate.
//
// The user's file lives in the current user's data folder or in the folder shared by all
// users; which one is remembered in "UserFlag.ini" of the current user's folder.
// Used from the user-interface thread only.
class TKvSettings final
{
public:
    // An empty name uses "setting.dat" for the user's file and "const.dat" for the constants;
    // any other name is used for both. Construction counts one program start ("RunTimes").
    explicit TKvSettings(const QString& settingFile = QString());
    ~TKvSettings() = default;
    Q_DISABLE_COPY_MOVE(TKvSettings)

    // Layers 1 and 5, owned by the caller (the engine, or varnelo-cli's --set); nullptr = none.
    void SetEngineLayers(const TNameValueList* settingOverwrite, const TNameValueList* settingDefault);

    // "" when no layer has the name; that is logged as "Setting Not Found :<name>".
    QString GetSettingString(const QString& name);
    int GetSettingInteger(const QString& name);
    // True for any text that reads as a non-zero integer ("true" reads as false).
    bool GetSettingBool(const QString& name);
    double GetSettingFloat(const QString& name);
    // Leaves rect as it is unless the value has exactly four parts.
    void GetSettingRect(const QString& name, QRect& rect);
    bool GetSettingExists(const QString& name) const;

    void SetSettingstring(const QString& name, const QString& value);
    void SetSettingInteger(const QString& name, int value);
    void SetSettingBool(const QString& name, bool value);
    void SetSettingFloat(const QString& name, double value);
    void SetSettingRect(const QString& name, const QRect& rect);

    // The answers remembered by message boxes whose "do not show again" box was ticked.
    bool GetMessageShowAgainFlag(int number) const;
    void SetMessageShowAgainFlag(int number, bool value);
    int GetMessageShowAgainResult(int number) const;
    void SetMessageShowAgainResult(int number, int value);
    void ClearShowAgainFlag();

    bool IsAllUserFlagExists() const;
    bool GetAllUserFlag() const;
    void SetAllUserFlag(bool value);
    bool IsAllUserPathWriteable() const;
    bool AllUser() const { return FAllUser; }
    // Switches to the all-users folder (true) or the current user's (false) and opens its file.
    void SetAllUser(bool value);

    // Holds writes in memory until EndUpdate (a flag, not a counter).
    void BeginUpdate() { FUpdating = true; }
    void EndUpdate();
    // Writes the user's file now.
    void UpdateSettingINI();

    // Whole days since the oldest of the program and data folders was created; 0 when none exists.
    int GetRunDays() const;
    // One raw value read straight from the configured language's ".lan" file.
    QString SlowGetLanguageString(const QString& section, const QString& name, const QString& defaultValue);

    int RunTimes() const { return FRunTimes; }
    // The active data folder, ending with "/".
    const QString& UserDataPath() const { return FUserDataPath; }
    const QString& UserDataPathCurrentUser() const { return FUserDataPathCurrentUser; }
    const QString& UserDataPathAllUsers() const { return FUserDataPathAllUsers; }
    // With NoCache the user's file is read again before every lookup (to see other processes' writes).
    bool NoCache() const { return FNoCache; }
    void SetNoCache(bool value) { FNoCache = value; }

private:
    QString UserFlagFileName() const;
    void WriteSettingFile();
    void ChooseDataFolder();

    bool FAllUser = false;
    TMemIniFile FConstValueIni;
    TMemIniFile FOemValueIni;
    TMemIniFile FSettingIni;
    QString FConstDataPath;
    QString FUserDataPath;
    QString FUserDataPathCurrentUser;
    QString FUserDataPathAllUsers;
    int FRunTimes = 0;
    bool FUpdating = false;
    QString FConfigPathWord;
    QString FSettingFilename;
    bool FNoCache = false;
    const TNameValueList* FSettingOverwrite = nullptr;
    const TNameValueList* FSettingDefault = nullptr;
};

// The process-wide store, created on first use.
TKvSettings& SettingsStore();
// Destroys the process-wide store (at the very end of the run); a later SettingsStore()
// creates a new one.
void ReleaseSettingsStore();
