#include <optional>
#include <vector>

#include <unistd.h>

#include <QFile>
#include <QRect>

#include "SettingsFixture.h"
#include "common/DebugLog.h"
#include "common/NameValueList.h"
#include "common/TextFunctions.h"
#include "framework/KvSettings.h"

namespace
{
using TSettingsTest = TSettingsFixture;

// Collects what reaches the debug channel while it exists.
class TLogCapture final
{
public:
    TLogCapture()
    {
        FWasActive = DebugLog::IsActive();
        DebugLog::SetActive(true);
        FId = DebugLog::AddObserver(
            [](void* context, const QString& tag, const QString& message) {
                static_cast<TLogCapture*>(context)->Lines.append(tag + u'|' + message);
            },
            this);
    }
    ~TLogCapture()
    {
        DebugLog::RemoveObserver(FId);
        DebugLog::SetActive(FWasActive);
    }
    Q_DISABLE_COPY_MOVE(TLogCapture)

    QStringList Lines;

private:
    int FId = 0;
    bool FWasActive = false;
};

TEST_F(TSettingsTest, FirstLayerThatHasTheNameWinsEvenWithAnEmptyValue)
{
    struct TRow
    {
        const char* Name;
        std::optional<const char*> Overwrite, Setting, Oem, Const, Default;
        const char* Expected;
    };
    const std::vector<TRow> rows = {
        {"default only", {}, {}, {}, {}, "d", "d"},
        {"const over default", {}, {}, {}, "c", "d", "c"},
        {"oem over const", {}, {}, "o", "c", "d", "o"},
        {"user file over oem", {}, "s", "o", "c", {}, "s"},
        {"overwrite over all", "w", "s", "o", "c", "d", "w"},
        {"empty user value over const", {}, "", {}, "c", {}, ""},
        {"empty oem value over const", {}, {}, "", "c", {}, ""},
        {"empty overwrite over user file", "", "s", {}, {}, {}, ""},
        {"no layer", {}, {}, {}, {}, {}, ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        const auto line = [](const std::optional<const char*>& v) {
            return v ? QByteArray("Key=") + *v + '\n' : QByteArray();
        };
        WriteProgramFile(QStringLiteral("const.dat"), "[setting]\nApp.ConfigPath=cfg\n" + line(row.Const));
        WriteProgramFile(QStringLiteral("oem.const.dat"), "[setting]\n" + line(row.Oem));
        WriteAllUsersSettings("[setting]\n" + line(row.Setting));
        TNameValueList overwrite;
        TNameValueList defaults;
        if (row.Overwrite)
            overwrite.Add(QStringLiteral("Key=") + QString::fromUtf8(*row.Overwrite));
        if (row.Default)
            defaults.Add(QStringLiteral("Key=") + QString::fromUtf8(*row.Default));

        TKvSettings settings;
        settings.SetEngineLayers(&overwrite, &defaults);
        EXPECT_EQ(settings.GetSettingString(QStringLiteral("key")), QString::fromUtf8(row.Expected));
        const bool anyLayer = row.Overwrite || row.Setting || row.Oem || row.Const || row.Default;
        EXPECT_EQ(settings.GetSettingExists(QStringLiteral("KEY")), anyLayer);
        // Only the user's layer is written.
        settings.SetSettingstring(QStringLiteral("Key"), QStringLiteral("new"));
        EXPECT_EQ(settings.GetSettingString(QStringLiteral("Key")), row.Overwrite ? QString::fromUtf8(*row.Overwrite)
                                                                                   : QStringLiteral("new"));
        TearDown();
    }
}

TEST_F(TSettingsTest, NamesAndSectionsIgnoreLetterCaseAndWritesReplaceTheExistingLine)
{
    WriteProgramFile(QStringLiteral("const.dat"), "[SETTING]\nApp.ConfigPath = cfg\n App.Name = Varnelo Test \n");
    WriteAllUsersSettings("[Setting]\nskin=Blue\n");
    TKvSettings settings;
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("APP.name")), QStringLiteral("Varnelo Test"));
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Skin")), QStringLiteral("Blue"));
    settings.SetSettingstring(QStringLiteral("SKIN"), QStringLiteral("Green"));
    const QString text = QString::fromUtf8(AllUsersSettings());
    EXPECT_EQ(text.count(QStringLiteral("skin="), Qt::CaseInsensitive), 1) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("skin=Green"))) << text.toStdString();
}

TEST_F(TSettingsTest, NumbersBooleansFloatsAndRectanglesReadAsStored)
{
    struct TRow
    {
        const char* Text;
        int Integer;
        bool Boolean;
    };
    const TRow rows[] = {
        {"1", 1, true},   {"0", 0, false},   {"2", 2, true},        {"-1", -1, true},
        {"true", 0, false}, {"yes", 0, false}, {"$10", 16, true},   {"0x1f", 31, true},
        {" 7 ", 7, true}, {"", 0, false},    {"12abc", 0, false}, {"99999999999", 0, false},
    };
    TKvSettings settings;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        settings.SetSettingstring(QStringLiteral("Value"), QString::fromUtf8(row.Text));
        EXPECT_EQ(settings.GetSettingInteger(QStringLiteral("Value")), row.Integer);
        EXPECT_EQ(settings.GetSettingBool(QStringLiteral("Value")), row.Boolean);
    }

    settings.SetSettingBool(QStringLiteral("Flag"), true);
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Flag")), QStringLiteral("1"));
    settings.SetSettingFloat(QStringLiteral("Ratio"), 2.5);
    EXPECT_DOUBLE_EQ(settings.GetSettingFloat(QStringLiteral("Ratio")), 2.5);
    settings.SetSettingstring(QStringLiteral("Ratio"), QStringLiteral("not a number"));
    EXPECT_DOUBLE_EQ(settings.GetSettingFloat(QStringLiteral("Ratio")), 0.0);

    const QRect box(10, 20, 300, 400);
    settings.SetSettingRect(QStringLiteral("Box"), box);
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Box")), RectToStr(box));
    QRect rect;
    settings.GetSettingRect(QStringLiteral("Box"), rect);
    EXPECT_EQ(rect, box);
    settings.SetSettingstring(QStringLiteral("Box"), QStringLiteral("5,6,7"));
    settings.GetSettingRect(QStringLiteral("Box"), rect);
    EXPECT_EQ(rect, box) << "three parts leave the rectangle alone";
}

TEST_F(TSettingsTest, AMissingNameIsLoggedOnlyByTheStringRead)
{
    TKvSettings settings;
    const TLogCapture log;
    EXPECT_FALSE(settings.GetSettingExists(QStringLiteral("No.Such")));
    EXPECT_TRUE(log.Lines.isEmpty());
    EXPECT_EQ(settings.GetSettingInteger(QStringLiteral("No.Such")), 0);
    EXPECT_EQ(log.Lines, QStringList{QStringLiteral("KvSettings|Setting Not Found :No.Such")});
}

TEST_F(TSettingsTest, RunTimesCountsEachConstructionAndTheFirstStartCreatesTheFile)
{
    const QString file = AllUsersRoot() + QStringLiteral("/cfg/setting.dat");
    ASSERT_FALSE(QFile::exists(file));
    {
        TKvSettings first;
        EXPECT_EQ(first.RunTimes(), 0);
    }
    EXPECT_EQ(AllUsersSettings(), QByteArray("[setting]\nRunTimes=1\n\n"));
    {
        TKvSettings second;
        EXPECT_EQ(second.RunTimes(), 1);
    }
    EXPECT_TRUE(AllUsersSettings().contains("RunTimes=2"));
}

TEST_F(TSettingsTest, AnEmptyUserFileIsCreatedAsASingleSpace)
{
    TKvSettings settings;
    QFile::remove(AllUsersRoot() + QStringLiteral("/cfg/setting.dat"));
    settings.SetAllUser(true);
    EXPECT_EQ(AllUsersSettings(), QByteArray(" "));
}

TEST_F(TSettingsTest, NoCacheSeesAnotherWriterButKeepsHeldWrites)
{
    TKvSettings settings;
    WriteAllUsersSettings("[setting]\nColor=red\n");
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Color")), QString()) << "served from memory";
    settings.SetNoCache(true);
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Color")), QStringLiteral("red"));

    settings.BeginUpdate();
    settings.SetSettingstring(QStringLiteral("Color"), QStringLiteral("blue"));
    EXPECT_EQ(settings.GetSettingString(QStringLiteral("Color")), QStringLiteral("blue"));
    EXPECT_TRUE(AllUsersSettings().contains("Color=red")) << "held until EndUpdate";
    settings.EndUpdate();
    EXPECT_TRUE(AllUsersSettings().contains("Color=blue"));
}

TEST_F(TSettingsTest, ShowAgainMemoryDefaultsPersistsAndClears)
{
    {
        TKvSettings settings;
        EXPECT_TRUE(settings.GetMessageShowAgainFlag(24));
        EXPECT_EQ(settings.GetMessageShowAgainResult(24), 1);
        settings.SetMessageShowAgainFlag(24, false);
        settings.SetMessageShowAgainResult(24, 7);
    }
    const QByteArray text = AllUsersSettings();
    EXPECT_TRUE(text.contains("[ShowAgain]\n24=0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[ShowAgainModuleResult]\n24=7\n")) << text.toStdString();

    TKvSettings settings;
    EXPECT_FALSE(settings.GetMessageShowAgainFlag(24));
    EXPECT_EQ(settings.GetMessageShowAgainResult(24), 7);
    EXPECT_TRUE(settings.GetMessageShowAgainFlag(25));
    settings.ClearShowAgainFlag();
    EXPECT_TRUE(settings.GetMessageShowAgainFlag(24));
    EXPECT_EQ(settings.GetMessageShowAgainResult(24), 1);
    EXPECT_FALSE(AllUsersSettings().contains("ShowAgain"));
}

TEST_F(TSettingsTest, WritesReplaceTheFileInsteadOfRewritingItInPlace)
{
    // A second name for the old file still holds all of it after a write: the new content
    // went to a new file that was renamed over the old name, so a crash mid-write cannot
    // leave a cut-short file behind.
    TKvSettings settings;
    const QString file = AllUsersRoot() + QStringLiteral("/cfg/setting.dat");
    const QString oldName = file + QStringLiteral(".old");
    const QByteArray before = TestSupport::ReadFile(file);
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(oldName).constData()), 0);
    settings.SetSettingstring(QStringLiteral("Name"), QString(5000, u'x'));
    EXPECT_EQ(TestSupport::ReadFile(oldName), before);
    EXPECT_TRUE(TestSupport::ReadFile(file).contains("Name=xxxx"));
}

TEST_F(TSettingsTest, SlowLanguageStringReadsTheRawValueOfTheConfiguredPack)
{
    WriteProgramFile(QStringLiteral("const.dat"),
                     "[setting]\nApp.ConfigPath=cfg\nPath.Languages=lang\nLanguage=German\n");
    // UTF-16 little-endian with its mark.
    const QString pack = QStringLiteral("[AppRes]\r\nHello= Hallo<BR>Welt \r\nName={AppName} \u00e4\r\n");
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(pack.utf16()), pack.size() * 2);
    WriteProgramFile(QStringLiteral("lang/German.lan"), utf16);
    WriteProgramFile(QStringLiteral("lang/French.lan"), "[AppRes]\nHello=Bonjour\n");

    TKvSettings settings;
    const QString fallback = QStringLiteral("fallback");
    EXPECT_EQ(settings.SlowGetLanguageString(QStringLiteral("appres"), QStringLiteral("hello"), fallback),
              QStringLiteral("Hallo<BR>Welt"));
    EXPECT_EQ(settings.SlowGetLanguageString(QStringLiteral("AppRes"), QStringLiteral("Name"), fallback),
              QStringLiteral("{AppName} \u00e4"));
    EXPECT_EQ(settings.SlowGetLanguageString(QStringLiteral("AppRes"), QStringLiteral("Missing"), fallback), fallback);
    settings.SetSettingstring(QStringLiteral("Language.Force"), QStringLiteral("French"));
    EXPECT_EQ(settings.SlowGetLanguageString(QStringLiteral("AppRes"), QStringLiteral("Hello"), fallback),
              QStringLiteral("Bonjour"));
    settings.SetSettingstring(QStringLiteral("Language.Force"), QStringLiteral("Klingon"));
    EXPECT_EQ(settings.SlowGetLanguageString(QStringLiteral("AppRes"), QStringLiteral("Hello"), fallback), fallback);
}
} // namespace
