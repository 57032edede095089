#include "framework/KvMultiLang.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "SampleForm.h"
#include "TestSupport.h"
#include "common/NameValueList.h"
#include "framework/KvWidgetPropAdapters.h"
#include "ui_SampleForm.h"

namespace
{
QStringList ComboItems(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

QStringList Headers(const QTreeWidget* view)
{
    QStringList labels;
    for (int i = 0; i < view->columnCount(); ++i)
        labels.append(view->headerItem()->text(i));
    return labels;
}

// A store whose default pack is the English harvest of the sample form.
class KvMultiLangTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterWidgetPropAdapters();
        FForm.Lang()->SetLanguageData(&FStore);
        FStore.CurrentPack().LoadFromString(QStringLiteral("[AppRes]\nAppName=Varnelo\n"));
        FForm.Lang()->UpdateData();
        FStore.CurrentToDefault();
        FStore.ClearCurrentAll();
        FStore.RefreshAppName();
    }

    // The form's texts as the harvest sees them.
    QStringList Harvest()
    {
        TKvMultiLangData store;
        TKvMultiLang* client = FForm.Lang();
        client->SetLanguageData(&store);
        client->UpdateData();
        client->SetLanguageData(&FStore);
        return store.CurrentData();
    }

    QString WriteLan(const QString& name, const QString& text)
    {
        const QString path = FDir.filePath(name);
        TestSupport::WriteFile(path, text.toUtf8().prepend("\xEF\xBB\xBF"));
        return path;
    }

    QTemporaryDir FDir;
    TKvMultiLangData FStore;
    TfrmSample FForm;
};
} // namespace

TEST_F(KvMultiLangTest, HarvestWritesTheFormsTexts)
{
    // Walk order: the form, then its children as Qt holds them; Qt's own helpers are left out.
    QStringList expected = {
        "[TfrmSample]",
        "frmSample.Caption=Sample Form",
        "frmSample.Hint=",
        "actAbout.Caption=&About {AppName}",
        "actAbout.Hint=About the program",
        "actExit.Caption=E&xit...",
        "actExit.Hint=",
        "centralwidget.Hint=",
        "lblTitle.Caption=Title:",
        "lblTitle.Hint=",
        "edtKeyword.Hint=Type a keyword",
        "cbbRate.Hint=",
        "cbbRate.Items=64kps<BR>128kps<BR>192kps<BR>320kps<BR>",
        "lvDL.Columns[0].Caption=Title",
        "lvDL.Columns[1].Caption=Save Location",
        "lvDL.Columns[2].Caption=Length",
        "lvDL.Columns[3].Caption=Status",
        "lvDL.Hint=",
        "pcMain.Hint=",
        "tsHome.Caption=Hot Songs",
        "tsHome.Hint=",
        "tsResult.Caption=Result",
        "tsResult.Hint=",
        "spSkinStdLabel1.Caption=Max Tasks",
        "spSkinStdLabel1.Hint=",
        "btnAbout.Caption=About {AppName}",
        "btnAbout.Hint=About the program",
        "btnOk.Caption=&Ok",
        "btnOk.Hint=Close the window",
        "menubar.Hint=",
        "miHelp.Caption=&Help",
        "miHelp.Hint=",
        "",
    };
    // The stack of a tab control keeps its pages in raise order.
    QStringList harvested = Harvest();
    std::sort(expected.begin(), expected.end());
    std::sort(harvested.begin(), harvested.end());
    EXPECT_EQ(harvested, expected);
}

TEST_F(KvMultiLangTest, ExclusionRulesLeaveOutWhatTheyName)
{
    const struct
    {
        const char* name;
        QStringList rules;
        bool emptyProp, numberEnd, withAction;
        QStringList gone; // names that must be missing
        QStringList kept; // names that must stay
    } rows[] = {
        {"class", {"QPushButton:"}, false, false, false, {"btnOk.Caption", "btnOk.Hint"}, {"btnAbout.Caption"}},
        {"class and property", {"qlabel:.caption"}, false, false, false,
         {"lblTitle.Caption", "spSkinStdLabel1.Caption"}, {"lblTitle.Hint", "btnOk.Caption"}},
        {"type", {":TStrings"}, false, false, false, {"cbbRate.Items"}, {"cbbRate.Hint"}},
        {"component and property", {"lvDL..Columns"}, false, false, false,
         {"lvDL.Columns[0].Caption", "lvDL.Columns[3].Caption"}, {"lvDL.Hint"}},
        {"component", {"pcMain."}, false, false, false, {"pcMain.Hint"}, {"tsHome.Caption"}},
        {"property", {".Hint"}, false, false, false, {"btnOk.Hint", "frmSample.Hint", "actAbout.Hint"},
         {"btnOk.Caption"}},
        {"empty values", {}, true, false, false, {"lblTitle.Hint", "menubar.Hint"}, {"btnOk.Hint", "lblTitle.Caption"}},
        {"names ending in a digit", {}, false, true, false, {"spSkinStdLabel1.Caption"}, {"lblTitle.Caption"}},
        {"linked to an action", {}, false, false, true, {"btnAbout.Caption", "btnAbout.Hint"}, {"actAbout.Caption"}},
    };
    for (const auto& row : rows) {
        TKvMultiLangData store;
        store.SetExcludeProps(row.rules);
        store.SetExcludeEmptyProp(row.emptyProp);
        store.SetExcludeNumberEndProps(row.numberEnd);
        store.SetExcludeWithAction(row.withAction);
        FForm.Lang()->SetLanguageData(&store);
        FForm.Lang()->UpdateData();
        FForm.Lang()->SetLanguageData(&FStore);
        QString value;
        for (const QString& name : row.gone)
            EXPECT_FALSE(store.GetProp("TfrmSample", QString(), name, value)) << row.name << ": " << name.toStdString();
        for (const QString& name : row.kept)
            EXPECT_TRUE(store.GetProp("TfrmSample", QString(), name, value)) << row.name << ": " << name.toStdString();
    }
}

TEST_F(KvMultiLangTest, ApplyChangesExactlyTheNamedProperties)
{
    const QStringList before = Harvest();
    const QString path = WriteLan("German.lan", QStringLiteral("[Info]\nLanguage=Deutsch\n"
                                                               "[TfrmSample]\n"
                                                               "lvDL.Columns[1].Caption=Speicherort\n"
                                                               "cbbRate.Items=\n"
                                                               "btnMissing.Caption=nobody has me\n"
                                                               "tsResult.Caption=Ergebnis\n"
                                                               "actAbout.Caption=\u00DCber {AppName}\n"
                                                               "actExit.Caption=&Beenden\n"
                                                               "[TfrmOther]\n"
                                                               "lblTitle.Caption=another form's\n"));
    ASSERT_TRUE(FStore.LoadCurrentFromFile(path));
    const Ui::frmSample& ui = *FForm.Form();
    EXPECT_EQ(Headers(ui.lvDL), QStringList({"Title", "Speicherort", "Length", "Status"}));
    EXPECT_TRUE(ComboItems(ui.cbbRate).isEmpty());
    EXPECT_EQ(ui.pcMain->tabText(1), QStringLiteral("Ergebnis"));
    EXPECT_EQ(ui.actAbout->text(), QStringLiteral("\u00DCber Varnelo"));
    // A tip derived from the text follows the translated text.
    EXPECT_EQ(ui.actExit->toolTip(), QStringLiteral("Beenden"));
    EXPECT_EQ(FStore.CurrentLanguage(), QStringLiteral("Deutsch"));

    // Everything else is as designed (the English values were applied as well).
    QStringList after = Harvest();
    QStringList expected = before;
    for (QString& line : expected) {
        if (line.startsWith("lvDL.Columns[1]"))
            line = "lvDL.Columns[1].Caption=Speicherort";
        else if (line.startsWith("cbbRate.Items"))
            line = "cbbRate.Items=";
        else if (line.startsWith("tsResult.Caption"))
            line = "tsResult.Caption=Ergebnis";
        else if (line.startsWith("actExit.Caption"))
            line = QStringLiteral("actExit.Caption=&Beenden");
        else if (line.startsWith("actAbout.Caption"))
            line = QStringLiteral("actAbout.Caption=\u00DCber Varnelo");
        else if (line.startsWith("btnAbout.Caption"))
            line = QStringLiteral("btnAbout.Caption=About Varnelo"); // its English entry, applied after the action's
    }
    EXPECT_EQ(after, expected);
}

TEST_F(KvMultiLangTest, SecondPackLeavesNothingOfTheFirst)
{
    const QString first = WriteLan("First.lan", QStringLiteral("[TfrmSample]\nbtnOk.Caption=Erster\nlblTitle.Caption=Titel\n"
                                                               "[AppRes]\nAppName=Erstname\n"));
    const QString second = WriteLan("Second.lan", QStringLiteral("[TfrmSample]\nbtnOk.Caption=Zweiter\n"));
    ASSERT_TRUE(FStore.LoadCurrentFromFile(first));
    EXPECT_EQ(FForm.Form()->lblTitle->text(), QStringLiteral("Titel"));
    EXPECT_EQ(FForm.Form()->actAbout->text(), QStringLiteral("&About Erstname"));
    ASSERT_TRUE(FStore.LoadCurrentFromFile(second));
    EXPECT_EQ(FForm.Form()->btnOk->text(), QStringLiteral("Zweiter"));
    EXPECT_EQ(FForm.Form()->lblTitle->text(), QStringLiteral("Title:"));
    // A pack without "AppName" takes the English one.
    EXPECT_EQ(FForm.Form()->actAbout->text(), QStringLiteral("&About Varnelo"));
    EXPECT_EQ(FStore.AppName(), QStringLiteral("Varnelo"));

    // An unreadable file changes nothing.
    EXPECT_FALSE(FStore.LoadCurrentFromFile(FDir.filePath("missing.lan")));
    EXPECT_EQ(FForm.Form()->btnOk->text(), QStringLiteral("Zweiter"));
}

TEST_F(KvMultiLangTest, SectionMergeKeepsEarlierValues)
{
    FStore.CurrentPack().LoadFromString(QStringLiteral("[SkinRes]\nMSG_BTN_OK=Gut\n"));
    FStore.DefaultPack().LoadFromString(QStringLiteral("[SkinRes]\nMSG_BTN_OK=OK\nMSG_BTN_NO=&No\nMSG_BTN_YES=&Yes\n"));
    TNameValueList list(QStringList({"MSG_BTN_YES=Ja"}));
    FStore.GetSectionStrings("SkinRes", list);
    EXPECT_EQ(list.Lines(), QStringList({"MSG_BTN_YES=Ja", "MSG_BTN_OK=Gut", "MSG_BTN_NO=&No"}));
}

TEST_F(KvMultiLangTest, ClientsFollowTheirFormsAndStores)
{
    auto form = std::make_unique<TfrmSample>();
    auto child = std::make_unique<TfrmSample>(form.get());
    child->Lang()->SetLanguageData(&FStore);
    form->Lang()->SetLanguageData(&FStore);
    form->Lang()->SetLanguageData(&FStore); // no duplicate
    EXPECT_EQ(FStore.Clients().size(), 3);
    // A child form with its own client is translated by that client only.
    EXPECT_FALSE(form->Lang()->Components().contains(child->Form()->btnOk));
    child.reset();
    form.reset();
    EXPECT_EQ(FStore.Clients().size(), 1);

    // A client outliving its store is simply without one.
    TfrmSample orphan;
    {
        TKvMultiLangData store;
        orphan.Lang()->SetLanguageData(&store);
    }
    EXPECT_EQ(orphan.Lang()->LanguageData(), nullptr);
    orphan.Lang()->ApplyData();
}

TEST_F(KvMultiLangTest, AutoApplyOnLoad)
{
    FStore.CurrentPack().LoadFromString(QStringLiteral("[TfrmSample]\nbtnOk.Caption=Los\n"));
    TfrmSample form;
    int applied = 0;
    form.Lang()->OnChangeLanguage = [&] { ++applied; };
    form.Lang()->SetLanguageData(&FStore);
    EXPECT_EQ(form.Form()->btnOk->text(), QStringLiteral("&Ok")); // registering does not apply
    form.Lang()->Loaded();
    EXPECT_EQ(form.Form()->btnOk->text(), QStringLiteral("Los"));
    EXPECT_EQ(applied, 1);
    FStore.SetAutoApply(false);
    form.Form()->btnOk->setText("x");
    form.Lang()->Loaded();
    EXPECT_EQ(form.Form()->btnOk->text(), QStringLiteral("x"));
}
