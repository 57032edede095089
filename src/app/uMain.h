#pragma once

#include <QMainWindow>

// The main window. For now an empty frame that the run routine creates, shows and destroys.
class TfrmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override = default;
    Q_DISABLE_COPY_MOVE(TfrmMain)
};
