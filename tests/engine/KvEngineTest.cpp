#include "framework/KvEngine.h"

#include <QMenu>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "DemoSite.h"
#include "EngineFixture.h"
#include "common/UrlFunctions.h"
#include "framework/KvEngineDesktop.h"
#include "framework/KvPlatformInfo.h"

namespace
{
// Answers like a user would, and records what was shown.
struct TScriptedDialog
{
    int Result = KMrOK;
    bool Tick = false;
    std::vector<TKvMessageRequest> Shown;

    TKvMessageDialog Dialog()
    {
        return [this](const TKvMessageRequest& request) {
            Shown.push_back(request);
            return TKvMessageAnswer{Result, Tick};
        };
    }
};

// The parameters of an installation query string (the first part, the time stamp, as "TIME").
TNameValueList QueryParams(const QString& query)
{
    TNameValueList list;
    const QStringList parts = query.split(u'&');
    list.Add(QStringLiteral("TIME=") + parts.first());
    for (const QString& part : parts.mid(1))
        list.Add(part);
    return list;
}

using KvEngineTest = TEngineFixture;
} // namespace

TEST_F(KvEngineTest, FirstEngineIsTheApplicationEngineAndOwnsTheOuterSettingsLayers)
{
    EXPECT_EQ(TKvEngine::AppEngine(), FEngine);
    QWidget otherForm;
    TKvEngine second(&otherForm);
    EXPECT_EQ(TKvEngine::AppEngine(), FEngine);

    EXPECT_EQ(SettingsStore().GetSettingString("Path.Languages"), QStringLiteral("lang"));
    Set("App.Name", "Forced");
    EXPECT_EQ(SettingsStore().GetSettingString("App.Name"), QStringLiteral("Forced"));
    FForm.reset();
    EXPECT_EQ(TKvEngine::AppEngine(), nullptr);
    EXPECT_EQ(SettingsStore().GetSettingString("App.Name"), QStringLiteral("ConstName"));
    EXPECT_EQ(SettingsStore().GetSettingString("Path.Languages"), QString());

    EXPECT_THROW(TKvEngine(nullptr), std::invalid_argument);
    QObject notAForm;
    EXPECT_THROW(TKvEngine{&notAForm}, std::invalid_argument);
}

TEST_F(KvEngineTest, StringsComeFromTheLanguageData)
{
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QStringLiteral("Ready"));
    EXPECT_EQ(FEngine->GetLibString("Update.LastVersionAlready"),
              QStringLiteral("Your Varnelo is the latest version already."));
    EXPECT_EQ(FEngine->GetLibStringEx("lblTimer.Caption", {"5"}), QStringLiteral("This window will close in 5 sec(s)..."));
    EXPECT_EQ(FEngine->GetLibStringEx("TfrmKvAboutForm.CopyRightLine3", {"Deutsch"}),
              QStringLiteral("Deutsch is tranlated by {2}"));
    EXPECT_EQ(FEngine->GetAppString("No.Such.Key"), QString());
    EXPECT_EQ(FEngine->AppName(), QStringLiteral("Varnelo"));

    FEngine->SetLanguageData(nullptr);
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QString());
    EXPECT_EQ(FEngine->AppName(), QStringLiteral("ConstName"));
}

TEST_F(KvEngineTest, MessageBoxRemembersATickedAnswer)
{
    TScriptedDialog user;
    FEngine->MessageDialog = user.Dialog();

    user.Tick = true;
    user.Result = KMrOK;
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::ContinueLastTask), KMrOK);
    ASSERT_EQ(user.Shown.size(), 1u);
    const TKvMessageRequest& shown = user.Shown.front();
    EXPECT_EQ(shown.Text, QStringLiteral("Would you like to restart the incomplete task?"));
    EXPECT_EQ(shown.Caption, QStringLiteral("Varnelo"));
    EXPECT_EQ(shown.Kind, EKvMsgDlgType::Confirmation);
    EXPECT_EQ(shown.KindCaption, QStringLiteral("Confirm"));
    EXPECT_EQ(shown.Buttons, KMbOK | KMbCancel);
    EXPECT_TRUE(shown.ShowCheckBox);
    EXPECT_EQ(shown.CheckBoxCaption, QStringLiteral("Do not display this message again"));
    EXPECT_EQ(shown.CaptionOK, QStringLiteral("OK"));
    EXPECT_EQ(shown.CaptionNo, QStringLiteral("&No"));

    // Later showings answer at once with the remembered button.
    user.Result = KMrCancel;
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::ContinueLastTask), KMrOK);
    EXPECT_EQ(FEngine->ShowMessageEx("MsgBox.ContinueLastTask", {}, 24, EKvMsgDlgType::Confirmation,
                                     KMbOK | KMbCancel, 0, false),
              KMrOK);
    EXPECT_EQ(user.Shown.size(), 1u);

    // A suppressed box with a default result gives that default, whatever was stored.
    user.Shown.clear();
    user.Result = KMrCancel;
    EXPECT_EQ(FEngine->ShowMessageEx("MsgBox.RemoveAll", {}, 31, EKvMsgDlgType::Confirmation, KMbOK | KMbCancel, 0,
                                     false),
              KMrCancel);
    EXPECT_EQ(FEngine->ShowMessageEx("MsgBox.RemoveAll", {}, 31, EKvMsgDlgType::Confirmation, KMbOK | KMbCancel,
                                     KMrOK, false),
              KMrOK);
    EXPECT_EQ(user.Shown.size(), 1u);
}

TEST_F(KvEngineTest, MessageBoxWithoutTickOrNumberShowsEveryTime)
{
    TScriptedDialog user;
    FEngine->MessageDialog = user.Dialog();
    user.Result = KMrNo;
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::RemoveTask), KMrNo);
    EXPECT_FALSE(user.Shown.back().ShowCheckBox);
    user.Tick = true; // a box without a number cannot be suppressed
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::RemoveTask), KMrNo);
    user.Tick = false;
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::DirNotExists), KMrNo);
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::DirNotExists), KMrNo);
    EXPECT_EQ(user.Shown.size(), 4u);
}

TEST_F(KvEngineTest, MessageBoxTexts)
{
    TScriptedDialog user;
    FEngine->MessageDialog = user.Dialog();
    FStore->CurrentPack().SetProp("AppRes", "", "Greeting", "Hello {1} from {AppName}, {1}!");
    const struct
    {
        const char* name;
        QStringList args;
        bool lib;
        const char* expected;
    } rows[] = {
        {"Greeting", {"Ann"}, false, "Hello Ann from Varnelo, Ann!"},
        {"MsgBox.NotThere", {}, false, "[AppRes]MsgBox.NotThere"},
        {"Not.There.Either", {"x"}, true, "[LibRes]Not.There.Either"},
        {"Greeting", {"Ann"}, true, "[LibRes]Greeting"},
    };
    for (const auto& row : rows) {
        FEngine->ShowMessageEx(row.name, row.args, 0, EKvMsgDlgType::Information, KMbOK, 0, row.lib);
        EXPECT_EQ(user.Shown.back().Text, QString::fromUtf8(row.expected)) << row.name;
    }
    FEngine->ShowErrorMessage("Update.NetError", "ignored", true);
    EXPECT_EQ(user.Shown.back().Kind, EKvMsgDlgType::Error);
    EXPECT_TRUE(user.Shown.back().Text.startsWith("Can't connect to Varnelo Update Server."));
}

TEST_F(KvEngineTest, MessageBoxWithoutADialogTakesTheCautiousAnswer)
{
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::TerminateDown), KMrCancel);
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::RemoveTask), KMrNo);
    EXPECT_EQ(FEngine->ShowMessage(KvMsg::TaskExists), KMrOK);
}

TEST_F(KvEngineTest, PageAddresses)
{
    const struct
    {
        const char* page;
        const char* setting; // nullptr: not set
        const char* address; // without parameters; "<exe>" is the program folder
        const char* withParams; // how the address with parameters starts; nullptr: no parameters
    } rows[] = {
        {"support", "http://maker.example/support.php", "http://maker.example/support.php",
         "http://maker.example/support.php?ACTION=support&"},
        {"eula", "http://maker.example/x.php?lang=en&", "http://maker.example/x.php?lang=en&",
         "http://maker.example/x.php?lang=en&ACTION=eula&"},
        {"home", "http://maker.example/x.php?", "http://maker.example/x.php?", "http://maker.example/x.php?ACTION=home&"},
        {"help", "HTTPS://maker.example/h?a=1", "HTTPS://maker.example/h?a=1", "HTTPS://maker.example/h?a=1&ACTION=help&"},
        {"Update", "  ", "http://maker.example/redirect.php", "http://maker.example/redirect.php?ACTION=Update&"},
        {"other", nullptr, "http://maker.example/redirect.php", "http://maker.example/redirect.php?ACTION=other&"},
        {"local", "%EXEPATH%/res/about.html", "<exe>/res/about.html", nullptr},
        {"file", "/usr/share/doc/varnelo/index.html", "/usr/share/doc/varnelo/index.html", nullptr},
        {"a&b=c", nullptr, "http://maker.example/redirect.php", "http://maker.example/redirect.php?ACTION=a%26b%3Dc&"},
    };
    Set("URL.Redirect", "http://maker.example/redirect.php");
    for (const auto& row : rows) {
        if (row.setting)
            FEngine->SettingOverwrite().Add(QStringLiteral("URL.%1=%2").arg(row.page, row.setting));
        const QString address = QString::fromLatin1(row.address).replace("<exe>", FProgramDir->path());
        EXPECT_EQ(FEngine->GetURL(row.page, false), address) << row.page;
        const QString url = FEngine->GetURL(row.page, true);
        if (row.withParams) {
            EXPECT_TRUE(url.startsWith(QString::fromLatin1(row.withParams))) << row.page << ": " << url.toStdString();
            EXPECT_TRUE(url.contains("&PID=")) << row.page;
        } else {
            EXPECT_EQ(url, address) << row.page;
        }
    }
    SetEmpty("URL.Redirect");
    EXPECT_EQ(FEngine->GetURL("nowhere", true), QString());
}

TEST_F(KvEngineTest, InstallationQueryString)
{
    const struct
    {
        const char* name;
        QList<QPair<QString, QString>> settings;
        QString channelFile; // content of the machine-wide channel value; null: none
        QList<QPair<QString, QString>> expected;
    } rows[] = {
        {"defaults", {{"App.PID", "P1"}, {"App.SubVer", "7"}}, QString(),
         {{"PID", "P1"}, {"VER", "01020304"}, {"SVER", "7"}, {"CHL", "756E6B6E6F77"}, {"LANG", ""}}},
        {"magic word", {{"App.PID", ""}, {"App.MagicWord", "m\u00E4gic word"}, {"Language", "Deutsch"}}, QString(),
         {{"PID", "m%E4gic+word"}, {"LANG", "Deutsch"}}},
        {"two parts", {{"App.Ver", "1.2"}}, QString(), {{"VER", "00000000"}}},
        {"five parts", {{"App.Ver", "1.2.3.4.5"}}, QString(), {{"VER", "00000000"}}},
        {"large part", {{"App.Ver", "1.2.3.300 beta"}}, QString(), {{"VER", "0102032C"}}},
        {"channel", {{"App.RegPath", "Varnelo"}}, QStringLiteral("\"C:\\Downloads\\setup_web.exe\""),
         {{"CHL", "73657475705F7765622E657865"}}},
        {"channel path", {{"App.RegPath", "Varnelo"}}, QStringLiteral("/home/u/varnelo-site7.run"),
         {{"CHL", "7661726E656C6F2D73697465372E72756E"}}},
        {"no reg path", {}, QStringLiteral("ignored"), {{"CHL", "756E6B6E6F77"}}},
    };
    for (const auto& row : rows) {
        FEngine->SettingOverwrite().Clear();
        for (const auto& s : row.settings)
            FEngine->SettingOverwrite().Add(s.first + u'=' + s.second);
        const QString machine = qEnvironmentVariable("VARNELO_MACHINE_REG_DIR") + QStringLiteral("/Varnelo");
        QDir(machine).removeRecursively();
        if (!row.channelFile.isNull()) {
            QDir().mkpath(machine);
            TestSupport::WriteFile(machine + QStringLiteral("/CHL"), row.channelFile.toUtf8());
        }
        const QString query = FEngine->GetURLParam();
        const TNameValueList params = QueryParams(query);
        EXPECT_TRUE(QRegularExpression("^[0-9]{5}$").match(params.Values("TIME")).hasMatch()) << row.name;
        const QStringList order = {"TIME", "PID", "LANG", "DAY", "RUNTIME", "VER", "SVER", "WVER", "WLANG", "CHL"};
        ASSERT_EQ(params.Count(), order.size()) << row.name << ": " << query.toStdString();
        for (int i = 0; i < order.size(); ++i)
            EXPECT_EQ(params.Names(i), order[i]) << row.name;
        for (const auto& e : row.expected)
            EXPECT_EQ(params.Values(e.first), e.second) << row.name << ": " << e.first.toStdString();
        EXPECT_EQ(params.Values("WVER"), EncodeURLTextAnsi(OsVersionText())) << row.name;
        EXPECT_EQ(params.Values("WLANG"), QString::number(SystemLanguageId())) << row.name;
        EXPECT_EQ(params.Values("RUNTIME"), QString::number(SettingsStore().RunTimes())) << row.name;
    }
}

TEST_F(KvEngineTest, SystemLanguageIdentifiers)
{
    const struct
    {
        const char* locale;
        int id;
    } rows[] = {{"en_US", 1033}, {"en_GB", 2057}, {"de_DE", 1031}, {"de_AT", 3079}, {"zh_CN", 2052},
                {"zh_TW", 1028}, {"pt_BR", 1046}, {"ja_JP", 1041}, {"C", 1033},     {"sw_KE", 0}};
    for (const auto& row : rows)
        EXPECT_EQ(SystemLanguageId(QLocale(QString::fromLatin1(row.locale))), row.id) << row.locale;
}

TEST_F(KvEngineTest, TafoLinksAreCancelledAndOpenTheirPage)
{
    QStringList opened;
    FEngine->OnOpenURL = [&](const QString& url) {
        opened.append(url);
        return true;
    };
    Set("URL.support", "http://maker.example/support");
    const struct
    {
        const char* url;
        bool cancel;
        const char* opens; // start of the opened address; nullptr: nothing opened
    } rows[] = {
        {"tafo:?PAGE=support", true, "http://maker.example/support?ACTION=support&"},
        {"TAFO://open?x=1&PAGE=supp%6Frt", true, "http://maker.example/support?ACTION=support&"},
        {"tafo:PAGE=support", true, "http://maker.example/support?ACTION=support&"},
        {"tafo:?x=1", true, nullptr},
        {"tafo:?PAGE=", true, nullptr},
        {"tafo:?PAGE=%zz", true, nullptr},
        {"http://maker.example/?PAGE=support", false, nullptr},
    };
    for (const auto& row : rows) {
        opened.clear();
        EXPECT_EQ(FEngine->WebBeforeNavigate2(QString::fromLatin1(row.url)), row.cancel) << row.url;
        if (row.opens) {
            ASSERT_EQ(opened.size(), 1) << row.url;
            EXPECT_TRUE(opened.first().startsWith(QString::fromLatin1(row.opens))) << row.url;
        } else {
            EXPECT_TRUE(opened.isEmpty()) << row.url;
        }
    }
}

TEST_F(KvEngineTest, TitleFollowsNameVersionAndSettings)
{
    int changes = 0;
    FEngine->OnTitleChange = [&] { ++changes; };
    FEngine->InitPost();
    EXPECT_EQ(FEngine->AppTitle(), QStringLiteral("Varnelo  1.2.3.4"));
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Varnelo  1.2.3.4"));
    FEngine->SetTitleIncludeVer(false);
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Varnelo"));
    EXPECT_EQ(changes, 2);

    Set("App.NoAutoTitle", "1");
    FEngine->SetTitleIncludeVer(true);
    EXPECT_EQ(FEngine->AppTitle(), QStringLiteral("Varnelo  1.2.3.4"));
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Varnelo"));
    EXPECT_EQ(changes, 2);
}

TEST_F(KvEngineTest, LanguageChoiceFallsBackToEnglish)
{
    WriteProgramFile("lang/Deutsch.lan", "[AppRes]\nStatus.Ready=Bereit\n[Info]\nTranslator=Hans\n");
    WriteProgramFile("lang/amharic.lan", "[AppRes]\n");
    WriteProgramFile("lang/ENGLISH.lan", "[AppRes]\nStatus.Ready=Ready (file)\n");
    WriteProgramFile("lang/readme.txt", "not a pack");
    QDir().mkpath(FProgramDir->path() + "/lang/Folder.lan");
    EXPECT_EQ(FEngine->LanguageList(), QStringList({"English", "amharic", "Deutsch"}));

    int changed = 0;
    FEngine->OnLanguageChanged = [&] { ++changed; };
    Set("Language", "Klingon");
    FEngine->Loaded();
    EXPECT_EQ(FEngine->Language(), QStringLiteral("English"));
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QStringLiteral("Ready"));
    FEngine->SettingOverwrite().Clear();
    EXPECT_EQ(SettingsStore().GetSettingString("Language"), QStringLiteral("English"));
    EXPECT_EQ(changed, 0); // held back during Loaded

    FEngine->SetLanguage("Deutsch");
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QStringLiteral("Bereit"));
    EXPECT_EQ(FEngine->LanguageTranslator(), QStringLiteral("Hans"));
    EXPECT_EQ(SettingsStore().GetSettingString("Language"), QStringLiteral("Deutsch"));
    EXPECT_EQ(changed, 1);

    // Back to a language without a file: the current pack is emptied.
    FEngine->SetLanguage("Default");
    EXPECT_EQ(FEngine->Language(), QStringLiteral("English"));
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QStringLiteral("Ready"));
    EXPECT_EQ(FEngine->LanguageTranslator(), QString());
    EXPECT_EQ(changed, 2);
}

TEST_F(KvEngineTest, EnglishFileInTheFolderIsLoaded)
{
    WriteProgramFile("lang/English.lan", "[AppRes]\nStatus.Ready=Ready (file)\n");
    FEngine->Loaded();
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QStringLiteral("Ready (file)"));
    EXPECT_EQ(FEngine->LanguageList(), QStringList({"English"}));
}

TEST_F(KvEngineTest, LanguageMenu)
{
    WriteProgramFile("lang/Deutsch.lan", "[AppRes]\nStatus.Ready=Bereit\n");
    WriteProgramFile("lang/Catal\xC3\xA0.lan", "[AppRes]\nStatus.Ready=Preparat\n");
    QMenu menu;
    FEngine->SetLanguageMenuItem(std::make_unique<TKvMenuChoices>(&menu));
    Set("Language", "Deutsch");
    FEngine->Loaded();
    FEngine->SettingOverwrite().Clear();
    QStringList captions;
    QStringList checked;
    for (QAction* a : menu.actions()) {
        captions.append(a->text());
        if (a->isChecked())
            checked.append(a->text());
    }
    EXPECT_EQ(captions, QStringList({"English", QStringLiteral("Catal\u00E0"), "Deutsch"}));
    EXPECT_EQ(checked, QStringList({"Deutsch"}));
    menu.actions()[1]->trigger();
    EXPECT_EQ(FEngine->GetAppString("Status.Ready"), QStringLiteral("Preparat"));
    EXPECT_FALSE(menu.actions()[2]->isChecked());
    EXPECT_TRUE(menu.actions()[1]->isChecked());

    // With English alone the menu is hidden.
    QWidget form;
    TKvMultiLangData store;
    TKvEngine engine(&form);
    engine.SetLanguageData(&store);
    QMenu lonely;
    QDir(FProgramDir->path() + "/lang").removeRecursively();
    engine.SetLanguageMenuItem(std::make_unique<TKvMenuChoices>(&lonely));
    engine.Loaded();
    EXPECT_TRUE(lonely.actions().isEmpty());
    EXPECT_FALSE(lonely.menuAction()->isVisible());
}

TEST_F(KvEngineTest, BusyUntilInitPostAndHandOver)
{
    QStringList files;
    FEngine->OnCmdFile = [&](const QString& f) { files.append(f); };
    FEngine->SetCommandLine({"/home/user/My Music/song \u00E4.mp3", "-h"});
    EXPECT_EQ(FEngine->AnswerIfBusy(), 1);
    FEngine->Loaded();
    EXPECT_EQ(FEngine->AnswerIfBusy(), 1);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return FEngine->AnswerIfBusy() == 0; }));
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !files.isEmpty(); }));
    EXPECT_EQ(files, QStringList({QStringLiteral("/home/user/My Music/song \u00E4.mp3")}));
    EXPECT_EQ(FEngine->AnswerGetAppID(), 4242);

    const struct
    {
        QStringList args;
        bool handed;
    } rows[] = {{{"-h"}, false}, {{"/s"}, false}, {{"/S", "file"}, false}, {{""}, true}, {{}, false}};
    for (const auto& row : rows) {
        QWidget form;
        TKvEngine engine(&form);
        QStringList got;
        engine.OnCmdFile = [&](const QString& f) { got.append(f); };
        engine.SetCommandLine(row.args);
        engine.InitPost();
        TestSupport::ProcessEventsFor(20);
        EXPECT_EQ(got.size(), row.handed ? 1 : 0) << row.args.join(' ').toStdString();
    }
}

TEST_F(KvEngineTest, SessionEndingOnlyAfterAQuery)
{
    EXPECT_FALSE(FEngine->SessionEnding());
    FEngine->QueryEndSession();
    EXPECT_TRUE(FEngine->SessionEnding());
}

TEST_F(KvEngineTest, BackgroundCacheFetchesEachAddressOnce)
{
    TDemoSite site;
    ASSERT_TRUE(site.Start());
    QTemporaryDir cache;
    const QString url = site.BaseUrl() + QStringLiteral("/bytes/1000");
    const QString file = cache.filePath(QStringLiteral("banners/deep/one.bin"));
    QStringList done;
    const auto onDone = [&](TSingleDownloader*, const QString& name, int size) {
        done.append(QStringLiteral("%1 %2").arg(name).arg(size));
    };
    FEngine->DownloadtoCache(url, file, onDone);
    FEngine->DownloadtoCache(url.toUpper().replace("HTTP://127.0.0.1", "http://127.0.0.1"), file, onDone);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !done.isEmpty(); }));
    TestSupport::ProcessEventsFor(50);
    EXPECT_EQ(done, QStringList({file + QStringLiteral(" 1000")}));
    EXPECT_EQ(TestSupport::ReadFile(file), DemoBytes(0, 1000));
    EXPECT_EQ(site.RequestCount("/bytes/1000"), 1);

    // A cancelled address reports to nobody and is not fetched again in this run.
    const QString slow = site.BaseUrl() + QStringLiteral("/bytes/3000?fault=drip:5");
    bool slowDone = false;
    FEngine->DownloadtoCache(slow, cache.filePath("slow.bin"), [&](TSingleDownloader*, const QString&, int) {
        slowDone = true;
    });
    FEngine->DownloadtoCacheCancel(slow);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return site.RequestCount("/bytes/3000") == 1 && site.InFlight() == 0; }));
    TestSupport::ProcessEventsFor(100);
    EXPECT_FALSE(slowDone);
    FEngine->DownloadtoCache(slow, cache.filePath("slow.bin"), [&](TSingleDownloader*, const QString&, int) {
        slowDone = true;
    });
    TestSupport::ProcessEventsFor(50);
    EXPECT_EQ(site.RequestCount("/bytes/3000"), 1);

    // An engine destroyed while its downloads run leaves them to finish on their own.
    FEngine->DownloadtoCache(site.BaseUrl() + QStringLiteral("/bytes/4000?fault=drip:5"), cache.filePath("late.bin"),
                             [&](TSingleDownloader*, const QString&, int) { slowDone = true; });
    FForm.reset();
    TestSupport::ProcessEventsFor(100);
    EXPECT_FALSE(slowDone);
}

TEST_F(KvEngineTest, FrameworkFormsGetTheEnginesStore)
{
    QWidget form;
    auto* unlinked = new TKvMultiLang(&form);
    TKvMultiLangData other;
    auto* linked = new TKvMultiLang(&form);
    linked->SetLanguageData(&other);
    FEngine->AssignLanguageClients(&form);
    EXPECT_EQ(unlinked->LanguageData(), FStore);
    EXPECT_EQ(linked->LanguageData(), &other);
    EXPECT_TRUE(FStore->Clients().contains(unlinked));
}
