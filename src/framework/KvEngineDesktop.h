#pragma once

#include <QPointer>

#include "framework/KvEngine.h"

class QMenu;
class QWidget;

// Language (or skin) choices as checkable entries of a desktop menu.
class TKvMenuChoices final : public IKvChoiceMenu
{
public:
    explicit TKvMenuChoices(QMenu* menu);

    int Count() const override;
    QString Caption(int index) const override;
    void Add(const QString& caption, bool checked, std::function<void()> onClick) override;
    void SetChecked(int index, bool checked) override;
    void SetVisible(bool visible) override;

private:
    QPointer<QMenu> FMenu;
};

// Gives the engine its desktop: the message dialog over window, the web browser for pages,
// the end-of-session notice and the widget adapters of the translation walk.
void AttachEngineDesktop(TKvEngine& engine, QWidget* window);
