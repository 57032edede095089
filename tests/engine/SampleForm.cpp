#include "SampleForm.h"

#include "framework/KvMultiLang.h"
#include "ui_SampleForm.h"

TfrmSample::TfrmSample(QWidget* parent) : QMainWindow(parent), FUi(std::make_unique<Ui::frmSample>())
{
    FUi->setupUi(this);
    FUi->btnAbout->setDefaultAction(FUi->actAbout);
    FLang = new TKvMultiLang(this);
}

TfrmSample::~TfrmSample() = default;
