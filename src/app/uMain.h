#pragma once

#include <QMainWindow>

class TKvEngine;
class TKvMultiLangData;

// The main window. For now a frame with the framework's components (the language store,
// the engine and the form's language client) that the run routine creates, shows and destroys.
class TfrmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override = default;
    Q_DISABLE_COPY_MOVE(TfrmMain)

    TKvEngine* Engine() const { return FEngine; }
    TKvMultiLangData* LanguageData() const { return FLanguageData; }

private:
    TKvMultiLangData* FLanguageData;
    TKvEngine* FEngine;
};
