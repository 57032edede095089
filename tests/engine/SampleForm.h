#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui
{
class frmSample;
}
class TKvMultiLang;

// A small real form built from a Designer file, translated by its own client.
class TfrmSample final : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmSample(QWidget* parent = nullptr);
    ~TfrmSample() override;

    Ui::frmSample* Form() const { return FUi.get(); }
    TKvMultiLang* Lang() const { return FLang; }

private:
    std::unique_ptr<Ui::frmSample> FUi;
    TKvMultiLang* FLang = nullptr;
};
