#include "app/uMain.h"

#include "framework/KvEngine.h"
#include "framework/KvEngineDesktop.h"
#include "framework/KvMultiLang.h"
#include "framework/KvSettings.h"

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(SettingsStore().GetSettingString(QStringLiteral("App.Name")));
    resize(800, 600);

    // The framework's components, in the order a form loads them: the store with the
    // built-in English pack, the engine, the form's client; then the engine's start-up.
    FLanguageData = new TKvMultiLangData(this);
    FLanguageData->LoadBuiltInEnglish();
    FEngine = new TKvEngine(this);
    FEngine->SetLanguageData(FLanguageData);
    AttachEngineDesktop(*FEngine, this);
    auto* language = new TKvMultiLang(this);
    language->SetLanguageData(FLanguageData);
    language->Loaded();
    FEngine->Loaded();
}
