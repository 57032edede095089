#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "common/NameValueList.h"
#include "framework/KvInstanceChannel.h"
#include "framework/KvMessages.h"
#include "net/SingleDownloader.h"

class TKvMultiLangData;

// A menu under which the engine offers choices (the languages); the desktop one is in the
// GUI library (KvChoiceMenu.h).
class IKvChoiceMenu
{
public:
    virtual ~IKvChoiceMenu() = default;
    virtual int Count() const = 0;
    virtual QString Caption(int index) const = 0;
    virtual void Add(const QString& caption, bool checked, std::function<void()> onClick) = 0;
    virtual void SetChecked(int index, bool checked) = 0;
    virtual void SetVisible(bool visible) = 0;
};

// The framework's central component on the main form: application strings of the current
// language, message boxes that remember "do not show again", addresses of the maker's pages,
// the window title, the language choice, the answers to a second copy of the program and a
// background cache of downloaded files.
//
// The first engine constructed is the application engine (AppEngine) until it is destroyed;
// its SettingOverwrite and SettingDefault lists are the strongest and the weakest layer of
// the settings store. Lives on the user-interface thread.
class TKvEngine final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TKvEngine)

public:
    // The host form (a widget) owns the engine; anything else throws std::invalid_argument.
    explicit TKvEngine(QObject* hostForm);
    ~TKvEngine() override;

    static TKvEngine* AppEngine();

    // ---- properties
    TKvMultiLangData* LanguageData() const { return FLanguageData; }
    void SetLanguageData(TKvMultiLangData* data) { FLanguageData = data; }
    void SetLanguageMenuItem(std::unique_ptr<IKvChoiceMenu> menu);
    TNameValueList& SettingOverwrite() { return FSettingOverwrite; }
    TNameValueList& SettingDefault() { return FSettingDefault; }
    bool TitleIncludeVer() const { return FTitleIncludeVer; }
    void SetTitleIncludeVer(bool value);
    // The arguments after the program name (the process's own by default).
    void SetCommandLine(const QStringList& arguments) { FArguments = arguments; }

    std::function<void(const QString& strFileName)> OnCmdFile;
    std::function<void()> OnTitleChange;
    std::function<void()> OnLanguageChanged;
    std::function<void()> OnSkinChanged;

    // Seams filled by the desktop and by later parts: the page launcher, the message dialog,
    // the skin start-up, the restore from the tray, the update check and the About box.
    std::function<bool(const QString& url)> OnOpenURL;
    TKvMessageDialog MessageDialog;
    std::function<void()> OnSkinStartup;
    std::function<bool()> OnRestoreFromTray;
    std::function<void()> OnAppUpdateAuto;
    std::function<void()> OnAppAbout;

    bool Debug() const { return FDebug; }
    QString AppName();
    const QString& AppTitle() const { return FAppTitle; }
    bool SessionEnding() const;
    bool IsInitialising() const { return FInInited; }

    // ---- life cycle: Loaded once the host form is built; InitPost follows from the loop.
    void Loaded();
    void InitPost();

    // ---- languages
    const QString& Language() const { return FLanguage; }
    void SetLanguage(const QString& name);
    QStringList LanguageList();
    QString LanguageTranslator();
    // Links the form's language clients that have no store to this engine's (framework forms
    // call this; it registers them without applying).
    void AssignLanguageClients(QObject* form);

    // ---- strings
    QString GetLibString(const QString& strName);
    QString GetAppString(const QString& strName);
    QString GetLibStringEx(const QString& strName, const QStringList& args);
    QString GetAppStringEx(const QString& strName, const QStringList& args);

    // ---- message boxes; the result is the pressed (or remembered) button, EKvModalResult.
    int ShowMessageEx(const QString& strName, const QStringList& args, int iNumber, EKvMsgDlgType dlgType,
                      TKvMsgButtons buttons, int defaultResult, bool bLib);
    int ShowMessage(const TKvMessage& message, const QStringList& args = {});
    void ShowErrorMessage(const QString& strError, const QString& strErrorParam, bool bLib);

    // ---- pages of the maker
    QString GetURL(const QString& strPage, bool bAddParams);
    QString GetURLParam();
    void ShowPage(const QString& strPage);
    void ShowPageByURL(const QString& strURL);
    // For embedded browsers: true (cancel the navigation) for every "tafo:" link.
    bool WebBeforeNavigate2(const QString& url);

    // ---- background cache; each address is fetched at most once per run.
    void DownloadtoCache(const QString& strURL, const QString& strCacheFile, TOnDoneFileEvent onDone);
    void DownloadtoCacheCancel(const QString& strURL);

    // ---- answers to a second copy of the program
    void ConnectInstanceServer(TKvInstanceServer* server);
    int AnswerGetAppID();
    void AnswerCloseApp();
    int AnswerIfBusy() const { return FInInited ? 1 : 0; }
    int AnswerBringtoFront();
    // Stores a handed-over file name and delivers it to OnCmdFile from the event loop.
    void HandOver(const QString& fileName);
    // The session is about to end.
    void QueryEndSession() { FQueryEndSessionTime.start(); }

    void AppUpdateAuto();
    void AppAbout();

private:
    void CmdParam();
    void ComputeTitle();
    QString SkinString(const QString& name);
    QString ChannelHex();

    QObject* FForm;
    bool FDebug = false;
    TNameValueList FSettingOverwrite;
    TNameValueList FSettingDefault;
    bool FInLoaded = false;
    QString FParamFile;
    bool FInInited = true;
    QString FAppTitle;
    bool FTitleIncludeVer = true;
    QStringList FArguments;

    QString FLanguage;
    TKvMultiLangData* FLanguageData = nullptr;
    QStringList FLanguageList;
    std::unique_ptr<IKvChoiceMenu> FLanguageMenuItem;

    QStringList FDownloadCacheList;
    std::vector<std::unique_ptr<TSingleDownloader>> FDownloaderList;
    QElapsedTimer FQueryEndSessionTime;
    QPointer<TKvInstanceServer> FInstanceServer;
};
