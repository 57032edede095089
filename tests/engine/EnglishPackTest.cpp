#include "framework/KvEnglishPack.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/KvLanguageForms.h"
#include "framework/KvMessageDialog.h"
#include "framework/KvMultiLang.h"
#include "framework/KvSettings.h"

namespace
{
// The lines of one section, in canonical order.
QStringList SectionLines(TKvMultiLangLan& pack, const QString& section)
{
    pack.SortData();
    const QStringList data = pack.Data();
    const qsizetype start = data.indexOf(u'[' + section + u']');
    if (start < 0)
        return {};
    const qsizetype end = data.indexOf(QString(), start);
    return data.mid(start + 1, end - start - 1);
}
} // namespace

// Fails when a form changed and lang/builtin/English.lan was not regenerated
// (run varnelo-lang-harvest and commit the pack).
TEST(EnglishPack, FormSectionsAreTheHarvestOfTheForms)
{
    ReleaseSettingsStore();
    TKvMultiLangData harvested;
    QString error;
    ASSERT_TRUE(HarvestLanguageForms(harvested, error)) << error.toStdString();
    ReleaseSettingsStore();

    TKvMultiLangLan builtIn;
    builtIn.LoadFromBytes(BuiltInEnglishPack());
    QStringList packForms;
    for (const QString& section : builtIn.Sections())
        if (!TKvMultiLangLan::IsFixedSection(section))
            packForms.append(section);
    QStringList forms;
    for (const TKvLanguageForm& form : LanguageForms())
        forms.append(form.ClassName);
    std::sort(packForms.begin(), packForms.end());
    std::sort(forms.begin(), forms.end());
    EXPECT_EQ(packForms, forms) << "the forms and the pack's form sections differ: run varnelo-lang-harvest";
    for (const QString& form : forms)
        EXPECT_EQ(SectionLines(builtIn, form), SectionLines(harvested.CurrentPack(), form))
            << "[" << form.toStdString() << "] is stale: run varnelo-lang-harvest";
}

TEST(EnglishPack, StoredInCanonicalOrder)
{
    TKvMultiLangLan pack;
    pack.LoadFromBytes(BuiltInEnglishPack());
    const QStringList before = pack.Data();
    pack.SortData();
    EXPECT_EQ(pack.Data(), before);
    EXPECT_EQ(pack.Sections().mid(0, 3), QStringList({"SkinRes", "LibRes", "AppRes"}));
}

TEST(KvMessageDialog, ShowsTheRequestAndReportsTheAnswer)
{
    TKvMessageRequest request;
    request.Text = QStringLiteral("Exit anyway?");
    request.Caption = QStringLiteral("Varnelo");
    request.Kind = EKvMsgDlgType::Confirmation;
    request.Buttons = KMbOK | KMbCancel;
    request.CaptionOK = QStringLiteral("Gut");
    request.CaptionCancel = QStringLiteral("Abbrechen");
    request.ShowCheckBox = true;
    request.CheckBoxCaption = QStringLiteral("Nicht mehr zeigen");

    const auto box = BuildKvMessageBox(nullptr, request);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Varnelo"));
    EXPECT_EQ(box->text(), QStringLiteral("Exit anyway?"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    QStringList captions;
    for (QAbstractButton* b : box->buttons())
        captions.append(b->text());
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, QStringList({"Abbrechen", "Gut"}));
    ASSERT_NE(box->checkBox(), nullptr);
    EXPECT_EQ(box->checkBox()->text(), QStringLiteral("Nicht mehr zeigen"));

    const struct
    {
        const char* button; // nullptr: closed without a button
        bool tick;
        int result;
    } rows[] = {{"Gut", true, KMrOK}, {"Abbrechen", false, KMrCancel}, {nullptr, true, KMrCancel}};
    for (const auto& row : rows) {
        QAbstractButton* clicked = nullptr;
        for (QAbstractButton* b : box->buttons())
            if (row.button && b->text() == QString::fromLatin1(row.button))
                clicked = b;
        box->checkBox()->setChecked(row.tick);
        const TKvMessageAnswer answer = KvMessageBoxAnswer(*box, clicked);
        EXPECT_EQ(answer.Result, row.result) << (row.button ? row.button : "closed");
        EXPECT_EQ(answer.Checked, row.tick) << (row.button ? row.button : "closed");
    }

    request.Buttons = KMbYes | KMbNo;
    request.ShowCheckBox = false;
    const auto yesNo = BuildKvMessageBox(nullptr, request);
    EXPECT_EQ(yesNo->checkBox(), nullptr);
    EXPECT_EQ(KvMessageBoxAnswer(*yesNo, nullptr).Result, KMrNo);
    EXPECT_EQ(KvMessageBoxAnswer(*yesNo, yesNo->defaultButton()).Result, KMrYes);

    // A song title with markup in a message stays text.
    request.Text = QStringLiteral("<img src=x> <b>Song</b> already exists");
    EXPECT_EQ(BuildKvMessageBox(nullptr, request)->textFormat(), Qt::PlainText);
}

TEST(KvMessageDialog, ModalShowingEndsWithTheClickedButton)
{
    TKvMessageRequest request;
    request.Text = QStringLiteral("Please enter the keyword.");
    request.Buttons = KMbOK;
    request.CaptionOK = QStringLiteral("OK");
    // The test's hand on the mouse: click the button as soon as the box is up.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                box->buttons().first()->click();
    });
    EXPECT_EQ(ShowKvMessageDialog(nullptr, request).Result, KMrOK);
}
