#include "common/MemIniFile.h"

#include "TestSupport.h"

#include <QTemporaryDir>

TEST(MemIniFile, ReadsTheFileRules)
{
    TMemIniFile ini;
    ini.SetText(QStringLiteral("orphan=1\n ; comment\n[Setting]\n  App.Name =  Varnelo = Tool \nEmpty=\n"
                               "app.name=second\n[other]\nx=1\r\n[SETTING]\nlate=2\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("setting"), QStringLiteral("APP.NAME"), QString()), QStringLiteral("Varnelo = Tool"));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("setting"), QStringLiteral("Empty")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("setting"), QStringLiteral("Empty"), QStringLiteral("d")), QString());
    EXPECT_EQ(ini.ReadString(QStringLiteral("setting"), QStringLiteral("late"), QString()), QStringLiteral("2"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("setting"), QStringLiteral("orphan")));
    EXPECT_EQ(ini.ReadSections(), (QStringList{QStringLiteral("Setting"), QStringLiteral("other")}));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("other"), QStringLiteral("x"), 0), 1);
}

TEST(MemIniFile, SavesAtomicallyAndReadsBack)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/setting.dat");
    TMemIniFile ini(file);
    ini.WriteString(QStringLiteral("setting"), QStringLiteral("Title"), QStringLiteral("日本 ; not a comment"));
    ini.WriteInteger(QStringLiteral("setting"), QStringLiteral("RunTimes"), 3);
    ini.WriteBool(QStringLiteral("ShowAgain"), QStringLiteral("5"), false);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("setting.dat")});

    TMemIniFile back(file);
    EXPECT_EQ(back.ReadString(QStringLiteral("SETTING"), QStringLiteral("title"), QString()), QStringLiteral("日本 ; not a comment"));
    EXPECT_FALSE(back.ReadBool(QStringLiteral("ShowAgain"), QStringLiteral("5"), true));
    back.EraseSection(QStringLiteral("showagain"));
    back.DeleteKey(QStringLiteral("setting"), QStringLiteral("TITLE"));
    EXPECT_EQ(back.ReadSections(), QStringList{QStringLiteral("setting")});
    EXPECT_EQ(back.ReadSection(QStringLiteral("setting")), QStringList{QStringLiteral("RunTimes")});

    // A folder that cannot be written fails and leaves nothing behind.
    EXPECT_FALSE(back.SaveToFile(dir.path() + QStringLiteral("/missing/setting.dat")));
}

TEST(MemIniFile, ReadsLatin1FilesThatAreNotUtf8)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/old.ini");
    ASSERT_TRUE(TestSupport::WriteFile(file, "[a]\nname=Caf\xE9\n"));
    EXPECT_EQ(TMemIniFile(file).ReadString(QStringLiteral("a"), QStringLiteral("name"), QString()), QStringLiteral("Café"));
}
