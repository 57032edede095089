#include "framework/KvEngineDesktop.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

#include "common/DesktopFunctions.h"
#include "framework/KvMessageDialog.h"
#include "framework/KvWidgetPropAdapters.h"

TKvMenuChoices::TKvMenuChoices(QMenu* menu) : FMenu(menu)
{
}

int TKvMenuChoices::Count() const
{
    return FMenu ? static_cast<int>(FMenu->actions().size()) : 0;
}

QString TKvMenuChoices::Caption(int index) const
{
    return FMenu ? FMenu->actions().value(index)->text() : QString();
}

void TKvMenuChoices::Add(const QString& caption, bool checked, std::function<void()> onClick)
{
    if (!FMenu)
        return;
    QAction* action = FMenu->addAction(caption);
    action->setCheckable(true);
    action->setChecked(checked);
    QObject::connect(action, &QAction::triggered, action, [onClick = std::move(onClick)] { onClick(); });
}

void TKvMenuChoices::SetChecked(int index, bool checked)
{
    if (FMenu && index < FMenu->actions().size())
        FMenu->actions()[index]->setChecked(checked);
}

void TKvMenuChoices::SetVisible(bool visible)
{
    if (FMenu)
        FMenu->menuAction()->setVisible(visible);
}

void AttachEngineDesktop(TKvEngine& engine, QWidget* window)
{
    RegisterWidgetPropAdapters();
    QPointer<QWidget> owner(window);
    engine.MessageDialog = [owner](const TKvMessageRequest& request) { return ShowKvMessageDialog(owner, request); };
    engine.OnOpenURL = [owner](const QString& url) { return OpenURLInBrowser(owner, url); };
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QObject::connect(app, &QGuiApplication::commitDataRequest, &engine, [&engine] { engine.QueryEndSession(); });
}
