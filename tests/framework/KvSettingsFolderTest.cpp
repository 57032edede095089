#include <optional>
#include <vector>

#include <unistd.h>

#include <QFile>

#include "SettingsFixture.h"
#include "common/FileFunctions.h"
#include "common/MemIniFile.h"
#include "common/PathFunctions.h"
#include "framework/KvSettings.h"

namespace
{
using TSettingsFolderTest = TSettingsFixture;

std::optional<bool> ReadAllUsersFlag()
{
    const TMemIniFile flags(TSettingsFixture::CurrentUserRoot() + QStringLiteral("/cfg/UserFlag.ini"));
    if (!flags.ValueExists(QStringLiteral("Flag"), QStringLiteral("AllUsers")))
        return std::nullopt;
    return flags.ReadBool(QStringLiteral("Flag"), QStringLiteral("AllUsers"), true);
}

TEST_F(TSettingsFolderTest, TheFlagFileChoosesTheFolderAndTheFirstChoiceSticks)
{
    struct TRow
    {
        const char* Name;
        bool NoAllUser;
        std::optional<bool> FlagBefore;
        bool AllUsersWritable;
        bool ExpectAllUser;
        std::optional<bool> FlagAfter;
    };
    const std::vector<TRow> rows = {
        {"no flag, shared folder writable", false, {}, true, true, true},
        {"no flag, shared folder not writable", false, {}, false, false, false},
        {"false flag sticks though writable", false, false, true, false, false},
        {"true flag kept while writable", false, true, true, true, true},
        {"true flag falls back when not writable", false, true, false, false, false},
        {"NoAllUser ignores a true flag", true, true, true, false, true},
        {"NoAllUser writes no flag", true, {}, true, false, {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        if (row.NoAllUser)
            WriteProgramFile(QStringLiteral("const.dat"), "[setting]\nApp.ConfigPath=cfg\nSetting.NoAllUser=1\n");
        if (!row.AllUsersWritable) {
            // A folder below a plain file can never be made.
            const QString blocker = AllUsersRoot() + QStringLiteral("/blocker");
            ASSERT_TRUE(TestSupport::WriteFile(blocker, "x"));
            qputenv("VARNELO_COMMON_APPDATA_DIR", blocker.toLocal8Bit());
        }
        if (row.FlagBefore) {
            QDir().mkpath(CurrentUserRoot() + QStringLiteral("/cfg"));
            ASSERT_TRUE(TestSupport::WriteFile(CurrentUserRoot() + QStringLiteral("/cfg/UserFlag.ini"),
                                               *row.FlagBefore ? "[Flag]\nAllUsers=1\n" : "[Flag]\nAllUsers=0\n"));
        }

        TKvSettings settings;
        EXPECT_EQ(settings.AllUser(), row.ExpectAllUser);
        const QString expectedRoot = row.ExpectAllUser ? AllUsersRoot() : CurrentUserRoot();
        EXPECT_EQ(settings.UserDataPath(), GetLongPath(expectedRoot) + QStringLiteral("/cfg/"));
        EXPECT_TRUE(QFile::exists(settings.UserDataPath() + QStringLiteral("setting.dat")));
        EXPECT_EQ(ReadAllUsersFlag(), row.FlagAfter);
        TearDown();
    }
}

TEST_F(TSettingsFolderTest, SwitchingTheFolderOpensThatFoldersFile)
{
    TKvSettings settings;
    ASSERT_TRUE(settings.AllUser());
    settings.SetSettingstring(QStringLiteral("Where"), QStringLiteral("shared"));
    settings.SetAllUser(false);
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Where")), QString());
    settings.SetSettingstring(QStringLiteral("Where"), QStringLiteral("mine"));
    settings.SetAllUser(true);
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Where")), QStringLiteral("shared"));
    settings.SetAllUserFlag(false);
    EXPECT_EQ(ReadAllUsersFlag(), false);
}

TEST_F(TSettingsFolderTest, WithoutConfigPathTheFolderIsNamedAfterTheProgramPath)
{
    WriteProgramFile(QStringLiteral("const.dat"), "[setting]\nApp.Name=x\n");
    TKvSettings settings;
    QString word = GetAppFileName();
    word.replace(u'/', u'_');
    ASSERT_TRUE(word.startsWith(u'_'));
    EXPECT_EQ(settings.UserDataPathCurrentUser(), CurrentUserRoot() + u'/' + word + u'/');
    EXPECT_EQ(settings.UserDataPathAllUsers(), AllUsersRoot() + u'/' + word + u'/');
}

TEST_F(TSettingsFolderTest, TheFlagFileIsReplacedAtomically)
{
    TKvSettings settings;
    const QString file = CurrentUserRoot() + QStringLiteral("/cfg/UserFlag.ini");
    const QString oldName = file + QStringLiteral(".old");
    ASSERT_TRUE(QFile::copy(file, oldName + QStringLiteral(".copy")));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(oldName).constData()), 0);
    settings.SetAllUserFlag(false);
    EXPECT_EQ(TestSupport::ReadFile(oldName), TestSupport::ReadFile(oldName + QStringLiteral(".copy")));
    EXPECT_EQ(ReadAllUsersFlag(), false);
}
} // namespace
