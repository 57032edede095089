#pragma once

#include <memory>

#include "framework/KvMessages.h"

class QAbstractButton;
class QMessageBox;
class QWidget;

// The desktop message dialog: a modal QMessageBox with the request's kind, buttons and
// captions, and the "Do not display this message again" check box when asked for.
std::unique_ptr<QMessageBox> BuildKvMessageBox(QWidget* parent, const TKvMessageRequest& request);
// The answer for the button the user pressed (nullptr: the box was closed without one).
TKvMessageAnswer KvMessageBoxAnswer(const QMessageBox& box, const QAbstractButton* clicked);
// Builds, shows modally and answers.
TKvMessageAnswer ShowKvMessageDialog(QWidget* parent, const TKvMessageRequest& request);
