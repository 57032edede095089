#include "framework/KvMultiLangLan.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/NameValueList.h"
#include "framework/KvEnglishPack.h"

namespace
{
QString Prop(TKvMultiLangLan& pack, const QString& form, const QString& comp, const QString& prop)
{
    QString value = QStringLiteral("<untouched>");
    pack.GetProp(form, comp, prop, value);
    return value;
}

const QString KSample = QStringLiteral(
    "[TfrmMain]\r\n"
    "btnOk.Caption=Schlie\u00DFen\r\n"
    "lblInfo.Caption=Gr\u00FC\u00DFe<BR>aus K\u00F6ln\r\n");
} // namespace

TEST(KvMultiLangLan, EveryEncodingGivesTheSameText)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"utf-8 with mark", QByteArray("\xEF\xBB\xBF") + KSample.toUtf8()},
        {"utf-16le with mark", QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE)(KSample)},
        {"utf-16be with mark", QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE)(KSample)},
        {"latin-1 without mark", KSample.toLatin1()},
    };
    for (const auto& row : rows) {
        TKvMultiLangLan pack;
        pack.LoadFromBytes(row.bytes);
        EXPECT_EQ(Prop(pack, "TfrmMain", "btnOk", "Caption"), QStringLiteral("Schlie\u00DFen")) << row.name;
        EXPECT_EQ(Prop(pack, "TfrmMain", "lblInfo", "Caption"), QStringLiteral("Gr\u00FC\u00DFe\r\naus K\u00F6ln"))
            << row.name;
    }
}

TEST(KvMultiLangLan, LinesAreTrimmedAndNamesMatchWithoutCase)
{
    QByteArray bytes("garbage=before any section\n"
                     "[ tfrmmain ]\r"
                     " \t btnOk.Caption \t=  Ok  \t\r\n"
                     "; comment=not an entry\n"
                     "\n"
                     "a line without equals sign\n"
                     "btnok.caption=second one loses\n"
                     "[TfrmMain]\n"
                     "lblOther.Caption=in a duplicate section\n"
                     "[AppRes]\n"
                     "Cut=before");
    bytes += '\0';
    bytes += "after=lost\n";
    TKvMultiLangLan pack;
    pack.LoadFromBytes(bytes);
    const struct
    {
        const char* form;
        const char* comp;
        const char* prop;
        const char* expected;
    } rows[] = {
        {"TFRMMAIN", "BTNOK", "CAPTION", "Ok"},
        {"tfrmmain", "btnOk", "Caption", "Ok"},
        {"TfrmMain", "", "garbage", "<untouched>"},
        {"TfrmMain", "", "; comment", "<untouched>"},
        {"TfrmMain", "", "a line without equals sign", "<untouched>"},
        {"TfrmMain", "lblOther", "Caption", "<untouched>"}, // the first section of a name is the one found
        {"AppRes", "", "Cut", "before"},
        {"AppRes", "", "after", "<untouched>"}, // a NUL ends the text
    };
    for (const auto& row : rows)
        EXPECT_EQ(Prop(pack, row.form, row.comp, row.prop), QString::fromLatin1(row.expected))
            << row.form << " " << row.comp << "." << row.prop;
}

TEST(KvMultiLangLan, EscapesWorkBothWays)
{
    TKvMultiLangLan pack;
    pack.LoadFromString(QStringLiteral("[AppRes]\nPadded=<SP>both ends<sp>\nTwoLines=first<br>second\n"
                                       "Literal=<b>bold</b> <BRx>\n"));
    EXPECT_EQ(Prop(pack, "AppRes", "", "Padded"), QStringLiteral(" both ends "));
    EXPECT_EQ(Prop(pack, "AppRes", "", "TwoLines"), QStringLiteral("first\r\nsecond"));
    EXPECT_EQ(Prop(pack, "AppRes", "", "Literal"), QStringLiteral("<b>bold</b> <BRx>"));

    pack.SetProp("AppRes", "", "Written", QStringLiteral("one\r\ntwo\nthree\rfour"));
    pack.SetProp("AppRes", "", "Spaced", QStringLiteral("  lead and trail "));
    EXPECT_TRUE(pack.ToString().contains(QStringLiteral("Written=one<BR>two<BR>three<BR>four\r\n")));
    EXPECT_TRUE(pack.ToString().contains(QStringLiteral("Spaced=<SP><SP>lead and trail<SP>\r\n")));

    // Read back through the text form, as a saved and reloaded pack would be.
    TKvMultiLangLan reloaded;
    reloaded.LoadFromString(pack.ToString());
    EXPECT_EQ(Prop(reloaded, "AppRes", "", "Written"), QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
    EXPECT_EQ(Prop(reloaded, "AppRes", "", "Spaced"), QStringLiteral("  lead and trail "));
}

TEST(KvMultiLangLan, SetPropKeepsPlacesAndAppendsNewOnes)
{
    TKvMultiLangLan pack;
    pack.LoadFromString(QStringLiteral("[A]\nx=1\ny=2\n[B]\nz=3\n"));
    pack.SetProp("a", "", "X", QStringLiteral("one"));
    pack.SetProp("A", "", "w", QStringLiteral("new"));
    pack.SetProp("C", "comp", "Caption", QString());
    EXPECT_EQ(pack.Data(), QStringList({"[A]", "X=one", "y=2", "w=new", "", "[B]", "z=3", "", "[C]", "comp.Caption=", ""}));
}

TEST(KvMultiLangLan, SectionStringsOverwriteAndRemove)
{
    TKvMultiLangLan pack;
    pack.LoadFromString(QStringLiteral("[SkinRes]\nMSG_BTN_OK=Gut\nMSG_BTN_NO=\nnot an entry\nTWO=a<BR>b\n"));
    TNameValueList list(QStringList({"MSG_BTN_OK=OK", "MSG_BTN_NO=&No", "OTHER=kept"}));
    pack.GetSectionStrings("skinres", list);
    EXPECT_EQ(list.Lines(), QStringList({"MSG_BTN_OK=Gut", "OTHER=kept", "TWO=a\r\nb"}));
}

TEST(KvMultiLangLan, SortDataPutsFixedSectionsFirst)
{
    const struct
    {
        const char* name;
        const char* input;
        QStringList expected;
    } rows[] = {
        {"mixed",
         "[TfrmMain]\nb=2\nA=1\n[AppRes]\nzeta=z\nAlpha=a\n[Info]\nVersion=2\nLanguage=Deutsch\n[TfrmAbout]\nx=1\n",
         {"[Info]", "Version=2", "Language=Deutsch", "", "[AppRes]", "Alpha=a", "zeta=z", "", "[TfrmAbout]", "x=1", "",
          "[TfrmMain]", "A=1", "b=2", ""}},
        {"fixed only",
         "[AppRes]\nk=v\n[LibRes]\nk=v\n[SkinRes]\nk=v\n[BasicRes]\nk=v\n[Info]\nk=v\n",
         {"[Info]", "k=v", "", "[BasicRes]", "k=v", "", "[SkinRes]", "k=v", "", "[LibRes]", "k=v", "", "[AppRes]", "k=v", ""}},
        {"no fixed", "[b]\nk=v\n[A]\nk=v\n", {"[A]", "k=v", "", "[b]", "k=v", ""}},
    };
    for (const auto& row : rows) {
        TKvMultiLangLan pack;
        pack.LoadFromString(QString::fromLatin1(row.input));
        pack.SortData();
        EXPECT_EQ(pack.Data(), row.expected) << row.name;
    }
}

TEST(KvMultiLangLan, SaveWritesCanonicalLatin1OrLosslessUtf8)
{
    QTemporaryDir dir;
    TKvMultiLangLan pack;
    pack.LoadFromString(QStringLiteral("[TfrmMain]\nb=Caf\u00E9\n[Info]\nLanguage=X\n"));
    const QString latin = dir.filePath("latin.lan");
    ASSERT_TRUE(pack.SaveToFile(latin));
    EXPECT_EQ(TestSupport::ReadFile(latin), QByteArray("[Info]\r\nLanguage=X\r\n\r\n[TfrmMain]\r\nb=Caf\xE9\r\n\r\n"));

    pack.SetProp("TfrmMain", "", "c", QStringLiteral("\u4E2D\u6587"));
    const QString wide = dir.filePath("wide.lan");
    ASSERT_TRUE(pack.SaveToFile(wide));
    EXPECT_TRUE(TestSupport::ReadFile(wide).startsWith("\xEF\xBB\xBF"));
    TKvMultiLangLan reloaded;
    ASSERT_TRUE(reloaded.LoadFromFile(wide));
    EXPECT_EQ(Prop(reloaded, "TfrmMain", "", "c"), QStringLiteral("\u4E2D\u6587"));
    EXPECT_EQ(Prop(reloaded, "TfrmMain", "", "b"), QStringLiteral("Caf\u00E9"));
}

TEST(KvMultiLangLan, UnreadableFileLeavesThePack)
{
    QTemporaryDir dir;
    TKvMultiLangLan pack;
    pack.LoadFromString(QStringLiteral("[AppRes]\nk=v\n"));
    EXPECT_FALSE(pack.LoadFromFile(dir.filePath("missing.lan")));
    EXPECT_FALSE(pack.LoadFromFile(dir.path())); // a folder
    EXPECT_EQ(Prop(pack, "AppRes", "", "k"), QStringLiteral("v"));
}

TEST(KvMultiLangLan, BuiltInEnglishPack)
{
    TKvMultiLangLan pack;
    pack.LoadFromBytes(BuiltInEnglishPack());
    TNameValueList skin;
    pack.GetSectionStrings("SkinRes", skin);
    EXPECT_EQ(skin.Count(), 121);
    EXPECT_EQ(skin.Values("MSG_CAP_SHOWFLAG"), QStringLiteral("Do not display this message again"));
    EXPECT_EQ(Prop(pack, "AppRes", "", "AppName"), QStringLiteral("Varnelo"));
    EXPECT_EQ(Prop(pack, "LibRes", "", "Update.NetError").count(QStringLiteral("\r\n")), 5);
    EXPECT_FALSE(pack.Sections().contains(QStringLiteral("Info")));

    pack.ClearAllForm();
    EXPECT_EQ(pack.Sections(), QStringList({"SkinRes", "LibRes", "AppRes"}));
    pack.ClearForm("libres");
    EXPECT_EQ(pack.Sections(), QStringList({"SkinRes", "AppRes"}));
    pack.ClearAll();
    EXPECT_TRUE(pack.Sections().isEmpty());
    EXPECT_TRUE(pack.ToString().isEmpty());
}
