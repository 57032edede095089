#include "framework/KvWidgetPropAdapters.h"

#include <type_traits>

#include <QComboBox>
#include <QListWidget>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "framework/KvPropAdapters.h"

namespace
{
// A page of a tab control: its caption is the tab's text.
QTabWidget* TabOf(const QObject* page)
{
    const auto* stack = qobject_cast<const QStackedWidget*>(page->parent());
    return stack ? qobject_cast<QTabWidget*>(stack->parent()) : nullptr;
}

template <typename T>
bool Is(const QObject* obj, const TKvPropContext&)
{
    return qobject_cast<const T*>(obj) != nullptr;
}

TKvPropAdapter TabCaption()
{
    TKvPropAdapter a;
    a.Name = QStringLiteral("Caption");
    a.TypeName = QStringLiteral("TCaption");
    a.Applies = [](const QObject* obj, const TKvPropContext& c) { return !c.IsForm && obj->isWidgetType() && TabOf(obj); };
    a.Get = [](const QObject* obj) {
        const auto* page = static_cast<const QWidget*>(obj);
        return TabOf(obj)->tabText(TabOf(obj)->indexOf(page));
    };
    a.Set = [](QObject* obj, const QString& value) {
        auto* page = static_cast<QWidget*>(obj);
        TabOf(obj)->setTabText(TabOf(obj)->indexOf(page), value);
    };
    return a;
}

TKvPropAdapter ComboItems()
{
    TKvPropAdapter a;
    a.Name = QStringLiteral("Items");
    a.TypeName = QStringLiteral("TStrings");
    a.Kind = EKvPropKind::Strings;
    a.Applies = Is<QComboBox>;
    a.GetLines = [](const QObject* obj) {
        const auto* box = static_cast<const QComboBox*>(obj);
        QStringList lines;
        for (int i = 0; i < box->count(); ++i)
            lines.append(box->itemText(i));
        return lines;
    };
    a.SetLines = [](QObject* obj, const QStringList& lines) {
        auto* box = static_cast<QComboBox*>(obj);
        const int index = box->currentIndex();
        box->clear();
        box->addItems(lines);
        if (index < box->count())
            box->setCurrentIndex(index);
    };
    return a;
}

TKvPropAdapter ListItems()
{
    TKvPropAdapter a;
    a.Name = QStringLiteral("Items");
    a.TypeName = QStringLiteral("TStrings");
    a.Kind = EKvPropKind::Strings;
    a.Applies = Is<QListWidget>;
    a.GetLines = [](const QObject* obj) {
        const auto* list = static_cast<const QListWidget*>(obj);
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines.append(list->item(i)->text());
        return lines;
    };
    a.SetLines = [](QObject* obj, const QStringList& lines) {
        auto* list = static_cast<QListWidget*>(obj);
        list->clear();
        list->addItems(lines);
    };
    return a;
}

// List views: the header labels are the columns' captions.
template <typename T>
TKvPropAdapter Columns()
{
    TKvPropAdapter a;
    a.Name = QStringLiteral("Columns");
    a.TypeName = QStringLiteral("TCollection");
    a.Kind = EKvPropKind::Collection;
    a.ItemName = QStringLiteral("Caption");
    a.Applies = Is<T>;
    a.Count = [](const QObject* obj) { return static_cast<const T*>(obj)->columnCount(); };
    if constexpr (std::is_same_v<T, QTreeWidget>) {
        a.GetItem = [](const QObject* obj, int i) { return static_cast<const T*>(obj)->headerItem()->text(i); };
        a.SetItem = [](QObject* obj, int i, const QString& v) { static_cast<T*>(obj)->headerItem()->setText(i, v); };
    } else {
        a.GetItem = [](const QObject* obj, int i) {
            const QTableWidgetItem* item = static_cast<const T*>(obj)->horizontalHeaderItem(i);
            return item ? item->text() : QString();
        };
        a.SetItem = [](QObject* obj, int i, const QString& v) {
            auto* table = static_cast<T*>(obj);
            if (QTableWidgetItem* item = table->horizontalHeaderItem(i))
                item->setText(v);
            else
                table->setHorizontalHeaderItem(i, new QTableWidgetItem(v));
        };
    }
    return a;
}
} // namespace

void RegisterWidgetPropAdapters()
{
    static const bool registered = [] {
        KvPropAdapters::Register(TabCaption());
        KvPropAdapters::Register(ComboItems());
        KvPropAdapters::Register(ListItems());
        KvPropAdapters::Register(Columns<QTreeWidget>());
        KvPropAdapters::Register(Columns<QTableWidget>());
        KvPropAdapters::RegisterActionLinkTest([](const QObject* obj) {
            const auto* button = qobject_cast<const QToolButton*>(obj);
            return button && button->defaultAction();
        });
        return true;
    }();
    Q_UNUSED(registered);
}
