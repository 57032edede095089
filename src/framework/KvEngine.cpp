#include "framework/KvEngine.h"

#include <algorithm>
#include <stdexcept>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTime>

#include "common/DebugLog.h"
#include "common/FileFunctions.h"
#include "common/PathFunctions.h"
#include "common/SystemFunctions.h"
#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"
#include "framework/KvDesignTime.h"
#include "framework/KvEnglishPack.h"
#include "framework/KvInstanceChannel.h"
#include "framework/KvMain.h"
#include "framework/KvMultiLang.h"
#include "framework/KvPlatformInfo.h"
#include "framework/KvSettings.h"

namespace
{
const QString KTag = QStringLiteral("KvEngine");
const QString KEnglish = QStringLiteral("English");
TKvEngine* GAppEngine = nullptr;

QString Setting(const QString& name)
{
    return SettingsStore().GetSettingString(name);
}

QString Enc(const QString& text)
{
    return EncodeURLTextAnsi(text);
}
} // namespace

TKvEngine::TKvEngine(QObject* hostForm) : QObject(hostForm), FForm(hostForm)
{
    if (!hostForm || !hostForm->isWidgetType())
        throw std::invalid_argument("TKvEngine must be owned by a form");
    FSettingDefault.Add(QStringLiteral("Path.Skins=skins"));
    FSettingDefault.Add(QStringLiteral("Path.Languages=lang"));
    FArguments = QCoreApplication::arguments().mid(1);
    if (!GAppEngine) {
        GAppEngine = this;
        SettingsStore().SetEngineLayers(&FSettingOverwrite, &FSettingDefault);
        // From now on the engine answers a second copy of the program.
        ConnectInstanceServer(AppInstanceServer());
    }
    FDebug = DebugMode();
}

TKvEngine::~TKvEngine()
{
    if (GAppEngine == this) {
        GAppEngine = nullptr;
        SettingsStore().SetEngineLayers(nullptr, nullptr);
    }
    if (FInstanceServer) {
        // A second copy asking from now on finds a copy that is going away.
        FInstanceServer->Handlers.OnIfBusy = [] { return 1; };
        FInstanceServer->Handlers.OnBringtoFront = nullptr;
        FInstanceServer->Handlers.OnCmdParam = nullptr;
    }
}

TKvEngine* TKvEngine::AppEngine()
{
    return GAppEngine;
}

void TKvEngine::SetLanguageMenuItem(std::unique_ptr<IKvChoiceMenu> menu)
{
    FLanguageMenuItem = std::move(menu);
}

void TKvEngine::SetTitleIncludeVer(bool value)
{
    FTitleIncludeVer = value;
    ComputeTitle();
}

QString TKvEngine::AppName()
{
    if (FLanguageData) {
        FLanguageData->RefreshAppName();
        if (!FLanguageData->AppName().isEmpty())
            return FLanguageData->AppName();
    }
    return Setting(QStringLiteral("App.Name"));
}

bool TKvEngine::SessionEnding() const
{
    // No query yet means no session end, however young the machine's uptime is.
    return FQueryEndSessionTime.isValid() && FQueryEndSessionTime.elapsed() < 300000;
}

// ---------------------------------------------------------------- life cycle

void TKvEngine::Loaded()
{
    if (KvDesignTime())
        return;
    FInLoaded = true;
    struct TReset
    {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInLoaded};
    if (OnSkinStartup)
        OnSkinStartup();
    const QString language = Setting(QStringLiteral("Language"));
    SetLanguage(language.isEmpty() ? KEnglish : language);
    if (FLanguageMenuItem && FLanguageMenuItem->Count() == 0) {
        const QStringList list = LanguageList();
        if (list.size() > 1) {
            for (const QString& name : list)
                FLanguageMenuItem->Add(name, name.compare(FLanguage, Qt::CaseInsensitive) == 0,
                                       [this, name] { SetLanguage(name); });
        } else {
            FLanguageMenuItem->SetVisible(false);
        }
    }
    QMetaObject::invokeMethod(this, &TKvEngine::InitPost, Qt::QueuedConnection);
}

void TKvEngine::InitPost()
{
    if (!FInInited)
        return;
    if (OnLanguageChanged)
        OnLanguageChanged();
    if (OnSkinChanged)
        OnSkinChanged();
    ComputeTitle();
    if (SettingsStore().GetSettingBool(QStringLiteral("Update.BeginAuto")))
        AppUpdateAuto();
    if (!FArguments.isEmpty() && IsHandOverArgument(FArguments.first()))
        HandOver(FArguments.first());
    FInInited = false;
}

void TKvEngine::ComputeTitle()
{
    if (KvDesignTime())
        return;
    QString title = AppName();
    if (FTitleIncludeVer)
        title += QStringLiteral("  ") + Setting(QStringLiteral("App.Ver"));
    FAppTitle = title;
    if (SettingsStore().GetSettingBool(QStringLiteral("App.NoAutoTitle")))
        return;
    // On this desktop the window's title is what the task bar shows.
    FForm->setProperty("windowTitle", title);
    if (OnTitleChange)
        OnTitleChange();
}

// ---------------------------------------------------------------- languages

void TKvEngine::SetLanguage(const QString& name)
{
    if (!FLanguageData)
        return;
    const QString wanted = name.isEmpty() ? QStringLiteral("Default") : name;
    if (wanted == FLanguage)
        return;
    const QString file = CombinePath(GetAppPath(), IncludeBackslash(Setting(QStringLiteral("Path.Languages")))) +
                         wanted + QStringLiteral(".lan");
    bool loaded = false;
    if (QFileInfo(file).isFile()) {
        loaded = FLanguageData->LoadCurrentFromFile(file);
        if (!loaded)
            DebugLog::LogTag(KTag, QStringLiteral("Language file cannot be read: ") + file);
    }
    if (loaded) {
        FLanguage = wanted;
    } else {
        if (!FLanguage.isEmpty())
            FLanguageData->ClearCurrentAll();
        FLanguage = KEnglish;
    }
    SettingsStore().SetSettingstring(QStringLiteral("Language"), FLanguage);
    if (FLanguageMenuItem)
        for (int i = 0; i < FLanguageMenuItem->Count(); ++i)
            FLanguageMenuItem->SetChecked(i, FLanguageMenuItem->Caption(i).compare(FLanguage, Qt::CaseInsensitive) == 0);
    if (!FInLoaded && OnLanguageChanged)
        OnLanguageChanged();
    ComputeTitle();
}

QStringList TKvEngine::LanguageList()
{
    if (!FLanguageList.isEmpty())
        return FLanguageList;
    const QString folder = CombinePath(GetAppPath(), IncludeBackslash(Setting(QStringLiteral("Path.Languages"))));
    QStringList files;
    ListFiles(folder + QStringLiteral("*.lan"), files, false);
    QStringList names;
    for (const QString& file : files) {
        const QString title = ExtractFileTitle(file);
        if (title.compare(KEnglish, Qt::CaseInsensitive) != 0)
            names.append(title);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    FLanguageList = QStringList{KEnglish} + names;
    return FLanguageList;
}

void TKvEngine::AssignLanguageClients(QObject* form)
{
    if (!form || !FLanguageData)
        return;
    for (TKvMultiLang* client : form->findChildren<TKvMultiLang*>(QString(), Qt::FindDirectChildrenOnly))
        if (!client->LanguageData())
            client->SetLanguageData(FLanguageData);
}

QString TKvEngine::LanguageTranslator()
{
    return FLanguageData ? FLanguageData->CurrentLanguageTranslator() : QString();
}

// ---------------------------------------------------------------- strings

QString TKvEngine::GetLibString(const QString& strName)
{
    QString value;
    if (FLanguageData && FLanguageData->GetProp(QStringLiteral("LibRes"), QString(), strName, value))
        return value;
    return QString();
}

QString TKvEngine::GetAppString(const QString& strName)
{
    QString value;
    if (FLanguageData && FLanguageData->GetProp(QStringLiteral("AppRes"), QString(), strName, value))
        return value;
    return QString();
}

QString TKvEngine::GetLibStringEx(const QString& strName, const QStringList& args)
{
    return FormatPlaceholders(GetLibString(strName), args);
}

QString TKvEngine::GetAppStringEx(const QString& strName, const QStringList& args)
{
    return FormatPlaceholders(GetAppString(strName), args);
}

QString TKvEngine::SkinString(const QString& name)
{
    QString value;
    if (FLanguageData && FLanguageData->GetProp(QStringLiteral("SkinRes"), QString(), name, value))
        return value;
    static TKvMultiLangLan english = [] {
        TKvMultiLangLan pack;
        pack.LoadFromBytes(BuiltInEnglishPack());
        return pack;
    }();
    english.GetProp(QStringLiteral("SkinRes"), QString(), name, value);
    return value;
}

// ---------------------------------------------------------------- message boxes

int TKvEngine::ShowMessageEx(const QString& strName, const QStringList& args, int iNumber, EKvMsgDlgType dlgType,
                             TKvMsgButtons buttons, int defaultResult, bool bLib)
{
    QString text = bLib ? GetLibString(strName) : GetAppString(strName);
    if (text.isEmpty())
        text = (bLib ? QStringLiteral("[LibRes]") : QStringLiteral("[AppRes]")) + strName;
    text = FormatPlaceholders(text, args);

    TKvSettings& settings = SettingsStore();
    if (iNumber != 0 && !settings.GetMessageShowAgainFlag(iNumber))
        return defaultResult != 0 ? defaultResult : settings.GetMessageShowAgainResult(iNumber);

    static const char* const kindNames[] = {"MSG_CAP_WARNING", "MSG_CAP_ERROR", "MSG_CAP_INFORMATION",
                                            "MSG_CAP_CONFIRM"};
    TKvMessageRequest request;
    request.Text = text;
    request.Caption = AppName();
    request.Kind = dlgType;
    request.KindCaption = SkinString(QString::fromLatin1(kindNames[static_cast<int>(dlgType)]));
    request.Buttons = buttons;
    request.CaptionOK = SkinString(QStringLiteral("MSG_BTN_OK"));
    request.CaptionCancel = SkinString(QStringLiteral("MSG_BTN_CANCEL"));
    request.CaptionYes = SkinString(QStringLiteral("MSG_BTN_YES"));
    request.CaptionNo = SkinString(QStringLiteral("MSG_BTN_NO"));
    request.ShowCheckBox = iNumber != 0;
    request.CheckBoxCaption = SkinString(QStringLiteral("MSG_CAP_SHOWFLAG"));

    if (!MessageDialog) {
        // Nobody can answer: take the cautious button and remember nothing.
        DebugLog::LogTag(KTag, QStringLiteral("Message without a dialog: ") + text);
        return (buttons & KMbCancel) ? KMrCancel : (buttons & KMbNo) ? KMrNo : KMrOK;
    }
    const TKvMessageAnswer answer = MessageDialog(request);
    if (iNumber != 0 && answer.Checked) {
        settings.SetMessageShowAgainFlag(iNumber, false);
        settings.SetMessageShowAgainResult(iNumber, answer.Result);
    }
    return answer.Result;
}

int TKvEngine::ShowMessage(const TKvMessage& message, const QStringList& args)
{
    return ShowMessageEx(QString::fromLatin1(message.Key), args, message.Number, message.Kind, message.Buttons,
                         message.DefaultResult, false);
}

void TKvEngine::ShowErrorMessage(const QString& strError, const QString& strErrorParam, bool bLib)
{
    ShowMessageEx(strError, {strErrorParam}, 0, EKvMsgDlgType::Error, KMbOK, 0, bLib);
}

// ---------------------------------------------------------------- pages

QString TKvEngine::GetURL(const QString& strPage, bool bAddParams)
{
    QString url = Setting(QStringLiteral("URL.") + strPage);
    if (!url.trimmed().isEmpty())
        url.replace(QStringLiteral("%exepath%"), GetAppDir(), Qt::CaseInsensitive);
    else
        url = Setting(QStringLiteral("URL.Redirect"));
    if (bAddParams && StartsWithText(url, QStringLiteral("http")))
        url = AppendURLQuery(url, QStringLiteral("ACTION=") + Enc(strPage) + u'&' + GetURLParam());
    return url;
}

QString TKvEngine::GetURLParam()
{
    TKvSettings& settings = SettingsStore();
    const QTime now = QTime::currentTime();
    QString pid = settings.GetSettingString(QStringLiteral("App.PID"));
    if (pid.isEmpty())
        pid = settings.GetSettingString(QStringLiteral("App.MagicWord"));
    const QString version = QStringLiteral("%1").arg(VersionToInt(settings.GetSettingString(QStringLiteral("App.Ver"))),
                                                     8, 16, QChar(u'0')).toUpper();
    return QStringLiteral("%1%2").arg(now.second(), 2, 10, QChar(u'0')).arg(now.msec(), 3, 10, QChar(u'0')) +
           QStringLiteral("&PID=") + Enc(pid) +
           QStringLiteral("&LANG=") + Enc(settings.GetSettingString(QStringLiteral("Language"))) +
           QStringLiteral("&DAY=") + QString::number(settings.GetRunDays()) +
           QStringLiteral("&RUNTIME=") + QString::number(settings.RunTimes()) +
           QStringLiteral("&VER=") + version +
           QStringLiteral("&SVER=") + QString::number(settings.GetSettingInteger(QStringLiteral("App.SubVer"))) +
           QStringLiteral("&WVER=") + Enc(OsVersionText()) +
           QStringLiteral("&WLANG=") + QString::number(SystemLanguageId()) +
           QStringLiteral("&CHL=") + ChannelHex();
}

QString TKvEngine::ChannelHex()
{
    const QString regPath = Setting(QStringLiteral("App.RegPath"));
    QString channel = QStringLiteral("unknow");
    if (!regPath.isEmpty())
        channel = RegReadString(ERegRoot::LocalMachine, regPath, QStringLiteral("CHL"), channel);
    channel.remove(u'"');
    // An installer's path becomes its file name.
    const qsizetype cut = std::max({channel.lastIndexOf(u'\\'), channel.lastIndexOf(u':'), channel.lastIndexOf(u'/')});
    return CharsToHex(channel.mid(cut + 1));
}

void TKvEngine::ShowPage(const QString& strPage)
{
    ShowPageByURL(GetURL(strPage, true));
}

void TKvEngine::ShowPageByURL(const QString& strURL)
{
    if (strURL.isEmpty())
        return;
    if (!OnOpenURL || !OnOpenURL(strURL))
        DebugLog::LogTag(KTag, QStringLiteral("Page not opened: ") + strURL);
}

bool TKvEngine::WebBeforeNavigate2(const QString& url)
{
    if (!StartsWithText(url, QStringLiteral("tafo:")))
        return false;
    TNameValueList params;
    try {
        ParseURLParams(url, params, true);
    } catch (const EConvertError& e) {
        DebugLog::LogTag(KTag, QStringLiteral("Bad link ") + url + QStringLiteral(": ") + e.Message());
        return true;
    }
    const QString page = params.Values(QStringLiteral("PAGE"));
    if (!page.isEmpty())
        ShowPage(page);
    return true;
}

// ---------------------------------------------------------------- background cache

void TKvEngine::DownloadtoCache(const QString& strURL, const QString& strCacheFile, TOnDoneFileEvent onDone)
{
    for (const QString& known : std::as_const(FDownloadCacheList))
        if (known.compare(strURL, Qt::CaseInsensitive) == 0)
            return;
    auto downloader = std::make_unique<TSingleDownloader>();
    TSingleDownloader& d = *downloader;
    FDownloaderList.push_back(std::move(downloader));
    FDownloadCacheList.append(strURL);
    QDir().mkpath(QFileInfo(strCacheFile).absolutePath());
    d.URL = strURL;
    d.FileName = strCacheFile;
    d.OnDoneFile = std::move(onDone);
    d.GetFile();
}

void TKvEngine::DownloadtoCacheCancel(const QString& strURL)
{
    for (qsizetype i = 0; i < FDownloadCacheList.size(); ++i)
        if (FDownloadCacheList[i].compare(strURL, Qt::CaseInsensitive) == 0)
            FDownloaderList[static_cast<size_t>(i)]->OnDoneFile = nullptr;
}

// ---------------------------------------------------------------- second copies

void TKvEngine::ConnectInstanceServer(TKvInstanceServer* server)
{
    FInstanceServer = server;
    if (!server)
        return;
    QPointer<TKvEngine> self(this);
    TKvInstanceHandlers& h = server->Handlers;
    h.OnGetAppID = [self] { return self ? self->AnswerGetAppID() : 0; };
    h.OnCloseApp = [self] {
        if (self)
            self->AnswerCloseApp();
    };
    h.OnIfBusy = [self] { return self ? self->AnswerIfBusy() : 1; };
    h.OnBringtoFront = [self] { return self ? self->AnswerBringtoFront() : 0; };
    h.OnCmdParam = [self](const QString& fileName) {
        if (self)
            self->HandOver(fileName);
    };
}

int TKvEngine::AnswerGetAppID()
{
    return SettingsStore().GetSettingInteger(QStringLiteral("App.ID"));
}

void TKvEngine::AnswerCloseApp()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

int TKvEngine::AnswerBringtoFront()
{
    return OnRestoreFromTray && OnRestoreFromTray() ? 1 : 0;
}

void TKvEngine::HandOver(const QString& fileName)
{
    FParamFile = fileName;
    QMetaObject::invokeMethod(this, &TKvEngine::CmdParam, Qt::QueuedConnection);
}

void TKvEngine::CmdParam()
{
    DebugLog::LogTag(KTag, QStringLiteral("CmdParam: ") + FParamFile);
    if (OnCmdFile)
        OnCmdFile(FParamFile);
}

void TKvEngine::AppUpdateAuto()
{
    if (OnAppUpdateAuto)
        OnAppUpdateAuto();
}

void TKvEngine::AppAbout()
{
    if (OnAppAbout)
        OnAppAbout();
}
