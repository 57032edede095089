#include "framework/KvMessageDialog.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace
{
const char* const KResultProperty = "kvResult";

QMessageBox::Icon IconOf(EKvMsgDlgType kind)
{
    switch (kind) {
    case EKvMsgDlgType::Warning:
        return QMessageBox::Warning;
    case EKvMsgDlgType::Error:
        return QMessageBox::Critical;
    case EKvMsgDlgType::Information:
        return QMessageBox::Information;
    case EKvMsgDlgType::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
} // namespace

std::unique_ptr<QMessageBox> BuildKvMessageBox(QWidget* parent, const TKvMessageRequest& request)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.Caption);
    box->setIcon(IconOf(request.Kind));
    // Messages carry titles and file names from outside: shown as text, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(request.Text);
    const struct
    {
        EKvMsgButton Button;
        QMessageBox::ButtonRole Role;
        const QString& Caption;
        int Result;
    } buttons[] = {
        {KMbOK, QMessageBox::AcceptRole, request.CaptionOK, KMrOK},
        {KMbYes, QMessageBox::YesRole, request.CaptionYes, KMrYes},
        {KMbNo, QMessageBox::NoRole, request.CaptionNo, KMrNo},
        {KMbCancel, QMessageBox::RejectRole, request.CaptionCancel, KMrCancel},
    };
    QPushButton* escape = nullptr;
    for (const auto& b : buttons) {
        if (!(request.Buttons & b.Button))
            continue;
        QPushButton* button = box->addButton(b.Caption, b.Role);
        button->setProperty(KResultProperty, b.Result);
        if (!box->defaultButton())
            box->setDefaultButton(button);
        // Escape answers the cautious button: Cancel, else No, else the only one.
        if (b.Button == KMbCancel || b.Button == KMbNo || !escape)
            escape = button;
    }
    if (escape)
        box->setEscapeButton(escape);
    if (request.ShowCheckBox)
        box->setCheckBox(new QCheckBox(request.CheckBoxCaption, box.get()));
    return box;
}

TKvMessageAnswer KvMessageBoxAnswer(const QMessageBox& box, const QAbstractButton* clicked)
{
    TKvMessageAnswer answer;
    const QAbstractButton* button = clicked ? clicked : box.escapeButton();
    answer.Result = button ? button->property(KResultProperty).toInt() : KMrCancel;
    answer.Checked = box.checkBox() && box.checkBox()->isChecked();
    return answer;
}

TKvMessageAnswer ShowKvMessageDialog(QWidget* parent, const TKvMessageRequest& request)
{
    const std::unique_ptr<QMessageBox> box = BuildKvMessageBox(parent, request);
    box->exec();
    return KvMessageBoxAnswer(*box, box->clickedButton());
}
