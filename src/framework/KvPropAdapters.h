#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// The named properties through which language packs reach components: "Caption", "Hint",
// "Items", "Columns[i].Caption" ... each mapped onto what the Qt class really has (a button's
// text, a window's title, a combo box's items, a list view's header labels).
//
// One registry serves the translation walk in both directions. The core registers the
// adapters that need only Qt's meta-properties; the GUI library adds those that need widget
// calls (RegisterWidgetPropAdapters).
enum class EKvPropKind
{
    String,     // one text
    Strings,    // a list of lines ("Items")
    Collection, // numbered items with a text each ("Columns[0].Caption")
};

struct TKvPropContext
{
    bool IsForm = false; // the object is the translated form itself
};

struct TKvPropAdapter
{
    QString Name;     // the pack's property name, "Caption"
    QString TypeName; // for ":type" exclusion rules: "TCaption", "string", "TStrings", "TCollection"
    EKvPropKind Kind = EKvPropKind::String;
    // Whether the adapter serves this object.
    std::function<bool(const QObject*, const TKvPropContext&)> Applies;

    std::function<QString(const QObject*)> Get;
    std::function<void(QObject*, const QString&)> Set;

    std::function<QStringList(const QObject*)> GetLines;
    std::function<void(QObject*, const QStringList&)> SetLines;

    QString ItemName; // the item's property, "Caption"
    std::function<int(const QObject*)> Count;
    std::function<QString(const QObject*, int)> GetItem;
    std::function<void(QObject*, int, const QString&)> SetItem;
};

namespace KvPropAdapters
{
// Adds an adapter; an earlier one of the same name that also applies to an object wins.
void Register(TKvPropAdapter adapter);
// Marks objects that are driven by an action (their texts come from the action).
void RegisterActionLinkTest(std::function<bool(const QObject*)> test);

// The adapters serving obj, one per property name, in alphabetical order of name.
QList<const TKvPropAdapter*> PropsOf(const QObject* obj, const TKvPropContext& context);
bool IsActionLinked(const QObject* obj);

// An adapter onto a Qt meta-property of every object that inherits className.
TKvPropAdapter MetaProperty(const char* className, const QString& name, const char* qtProperty,
                            const QString& typeName = QStringLiteral("TCaption"));
} // namespace KvPropAdapters
