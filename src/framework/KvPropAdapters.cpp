#include "framework/KvPropAdapters.h"

#include <algorithm>
#include <deque>
#include <vector>

#include <QMutex>
#include <QObject>
#include <QVariant>

namespace
{
bool IsWidget(const QObject* obj)
{
    return obj->isWidgetType();
}

// An action without a tool tip of its own reports its text, stripped as Qt strips it;
// that derived tip is no text of the action's and is harvested as empty.
QString OwnActionToolTip(const QObject* action)
{
    const QString tip = action->property("toolTip").toString();
    QString text = action->property("text").toString();
    text.remove(QStringLiteral("..."));
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'&')
            text.remove(i, 1);
    return tip == text.trimmed() ? QString() : tip;
}

// The adapters that need nothing but Qt's meta-properties, so the walk works without
// the widget library. Registered before any other, they win over later ones of the same name.
QList<TKvPropAdapter> CoreAdapters()
{
    using KvPropAdapters::MetaProperty;
    QList<TKvPropAdapter> list;
    TKvPropAdapter formCaption = MetaProperty("QWidget", QStringLiteral("Caption"), "windowTitle");
    formCaption.Applies = [](const QObject* obj, const TKvPropContext& c) { return c.IsForm && IsWidget(obj); };
    list.append(formCaption);
    list.append(MetaProperty("QAbstractButton", QStringLiteral("Caption"), "text"));
    list.append(MetaProperty("QLabel", QStringLiteral("Caption"), "text"));
    list.append(MetaProperty("QGroupBox", QStringLiteral("Caption"), "title"));
    list.append(MetaProperty("QMenu", QStringLiteral("Caption"), "title"));
    list.append(MetaProperty("QDockWidget", QStringLiteral("Caption"), "windowTitle"));
    list.append(MetaProperty("QAction", QStringLiteral("Caption"), "text"));
    TKvPropAdapter actionHint = MetaProperty("QAction", QStringLiteral("Hint"), "toolTip", QStringLiteral("string"));
    actionHint.Get = OwnActionToolTip;
    list.append(actionHint);
    list.append(MetaProperty("QWidget", QStringLiteral("Hint"), "toolTip", QStringLiteral("string")));
    return list;
}

struct TRegistry
{
    QMutex Lock;
    std::deque<TKvPropAdapter> Adapters; // only appended to: handed-out pointers stay valid
    std::vector<std::function<bool(const QObject*)>> ActionTests;

    TRegistry()
    {
        const QList<TKvPropAdapter> core = CoreAdapters();
        Adapters.assign(core.begin(), core.end());
    }
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}
} // namespace

namespace KvPropAdapters
{
void Register(TKvPropAdapter adapter)
{
    TRegistry& r = Registry();
    QMutexLocker locker(&r.Lock);
    r.Adapters.push_back(std::move(adapter));
}

void RegisterActionLinkTest(std::function<bool(const QObject*)> test)
{
    TRegistry& r = Registry();
    QMutexLocker locker(&r.Lock);
    r.ActionTests.push_back(std::move(test));
}

QList<const TKvPropAdapter*> PropsOf(const QObject* obj, const TKvPropContext& context)
{
    TRegistry& r = Registry();
    QMutexLocker locker(&r.Lock);
    QList<const TKvPropAdapter*> props;
    for (const TKvPropAdapter& a : r.Adapters) {
        const bool taken = std::any_of(props.begin(), props.end(), [&](const TKvPropAdapter* p) {
            return p->Name.compare(a.Name, Qt::CaseInsensitive) == 0;
        });
        if (!taken && a.Applies(obj, context))
            props.append(&a);
    }
    std::stable_sort(props.begin(), props.end(), [](const TKvPropAdapter* a, const TKvPropAdapter* b) {
        return a->Name.compare(b->Name, Qt::CaseInsensitive) < 0;
    });
    return props;
}

bool IsActionLinked(const QObject* obj)
{
    TRegistry& r = Registry();
    QMutexLocker locker(&r.Lock);
    return std::any_of(r.ActionTests.begin(), r.ActionTests.end(), [&](const auto& test) { return test(obj); });
}

TKvPropAdapter MetaProperty(const char* className, const QString& name, const char* qtProperty, const QString& typeName)
{
    TKvPropAdapter a;
    a.Name = name;
    a.TypeName = typeName;
    a.Kind = EKvPropKind::String;
    a.Applies = [className](const QObject* obj, const TKvPropContext&) { return obj->inherits(className); };
    a.Get = [qtProperty](const QObject* obj) { return obj->property(qtProperty).toString(); };
    a.Set = [qtProperty](QObject* obj, const QString& value) { obj->setProperty(qtProperty, value); };
    return a;
}
} // namespace KvPropAdapters
