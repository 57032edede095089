#include "app/uMain.h"

#include "framework/KvSettings.h"

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(SettingsStore().GetSettingString(QStringLiteral("App.Name")));
    resize(800, 600);
}
