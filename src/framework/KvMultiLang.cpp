#include "framework/KvMultiLang.h"

#include <QRegularExpression>

#include "common/NameValueList.h"
#include "framework/KvDesignTime.h"
#include "framework/KvEnglishPack.h"
#include "framework/KvPropAdapters.h"

namespace
{
const QString KAppRes = QStringLiteral("AppRes");
const QString KAppName = QStringLiteral("AppName");

// A list's text: the value's line breaks separate the lines, a final one adds no empty line.
QStringList TextToLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString LinesToText(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QString ItemPropName(const TKvPropAdapter& a, int index)
{
    return QStringLiteral("%1[%2].%3").arg(a.Name).arg(index).arg(a.ItemName);
}

bool IsLanguageComponent(const QObject* obj)
{
    return qobject_cast<const TKvMultiLang*>(obj) || qobject_cast<const TKvMultiLangData*>(obj);
}

bool HasOwnClient(const QObject* obj)
{
    for (const QObject* child : obj->children())
        if (qobject_cast<const TKvMultiLang*>(child))
            return true;
    return false;
}

// Qt's helper objects ("qt_...") are never translated and their insides are Qt's own (the
// scroll buttons of a tab bar), except for the two that hold the form's widgets.
bool IsContentHost(const QString& name)
{
    return name == u"qt_tabwidget_stackedwidget" || name == u"qt_scrollarea_viewport";
}

// Pre-order over the form's children, skipping unnamed objects (their children still count).
// A child form with its own client is left out whole.
void CollectComponents(const QObject* parent, QList<QObject*>& list)
{
    for (QObject* child : parent->children()) {
        if (IsLanguageComponent(child) || HasOwnClient(child))
            continue;
        const QString name = child->objectName();
        if (name.startsWith(QStringLiteral("qt_")) && !IsContentHost(name))
            continue;
        if (!name.isEmpty() && !IsContentHost(name))
            list.append(child);
        CollectComponents(child, list);
    }
}
} // namespace

// ---------------------------------------------------------------- TKvMultiLangData

TKvMultiLangData::TKvMultiLangData(QObject* parent) : QObject(parent), FExcludeProps(DefaultExcludeProps())
{
    FLangCurrentData.ClearAll();
    FLangDefaultData.ClearAll();
}

TKvMultiLangData::~TKvMultiLangData()
{
    for (TKvMultiLang* client : std::as_const(FClients))
        client->FLanguageData = nullptr;
}

QStringList TKvMultiLangData::DefaultExcludeProps()
{
    return {
        QStringLiteral("TWebBrowser:"), QStringLiteral(":TComponentName"), QStringLiteral(".SkinDataName"),
        QStringLiteral("TspResourceStrData:"), QStringLiteral("TShockwaveFlash:"), QStringLiteral("TspSkinNotebook:"),
        QStringLiteral("TEmbeddedWB:"), QStringLiteral("TspCompressedStoredSkin:"), QStringLiteral("TspSkinMessage:"),
        QStringLiteral("TKvEngine:"), QStringLiteral("TspSkinData:"), QStringLiteral(".Text"),
        QStringLiteral("TIEDownload:"), QStringLiteral(":TComponentName"), QStringLiteral(".SkinDataName"),
        QStringLiteral(".EditSkinDataName"), QStringLiteral(".LabelSkinDataName"), QStringLiteral(".ButtonSkinDataName"),
        QStringLiteral(".BothSkinDataName"), QStringLiteral(".MessageLabelSkinDataName"), QStringLiteral(".Category"),
        QStringLiteral(".CompressedFileName"), QStringLiteral(".TrackBarSkinDataName"), QStringLiteral(".TabWidths"),
        QStringLiteral(".HeaderSkinDataName"), QStringLiteral(".LVHeaderSkinDataName"),
    };
}

QString TKvMultiLangData::InfoValue(const QString& name)
{
    QString value;
    if (!FLangCurrentData.GetProp(QStringLiteral("Info"), QString(), name, value))
        FLangDefaultData.GetProp(QStringLiteral("Info"), QString(), name, value);
    return value;
}

QString TKvMultiLangData::CurrentLanguage()
{
    return InfoValue(QStringLiteral("Language"));
}

QString TKvMultiLangData::CurrentLanguageTranslator()
{
    return InfoValue(QStringLiteral("Translator"));
}

QString TKvMultiLangData::CurrentVersion()
{
    return InfoValue(QStringLiteral("Version"));
}

void TKvMultiLangData::SetCurrentData(const QStringList& lines)
{
    FLangCurrentData.SetData(lines);
}

void TKvMultiLangData::SetDefaultData(const QStringList& lines)
{
    FLangDefaultData.SetData(lines);
}

void TKvMultiLangData::LoadBuiltInEnglish()
{
    FLangDefaultData.LoadFromBytes(BuiltInEnglishPack());
    FLangDefaultData.AssignTo(FLangCurrentData);
    FLangCurrentData.SortData();
    RefreshAppName();
}

void TKvMultiLangData::RefreshAppName()
{
    FAppName.clear();
    QString name;
    if (GetProp(KAppRes, QString(), KAppName, name))
        FAppName = name;
}

bool TKvMultiLangData::GetProp(const QString& form, const QString& comp, const QString& prop, QString& value)
{
    QString found;
    if (!FLangCurrentData.GetProp(form, comp, prop, found) && !FLangDefaultData.GetProp(form, comp, prop, found))
        return false;
    const bool isAppName = comp.isEmpty() && form.compare(KAppRes, Qt::CaseInsensitive) == 0 &&
                           prop.compare(KAppName, Qt::CaseInsensitive) == 0;
    if (!isAppName && !KvDesignTime())
        found.replace(QStringLiteral("{AppName}"), FAppName, Qt::CaseInsensitive);
    value = found;
    return true;
}

void TKvMultiLangData::SetProp(const QString& form, const QString& comp, const QString& prop, const QString& value)
{
    FLangCurrentData.SetProp(form, comp, prop, value);
}

void TKvMultiLangData::GetSectionStrings(const QString& section, TNameValueList& list)
{
    for (TKvMultiLangLan* pack : {&FLangCurrentData, &FLangDefaultData}) {
        TNameValueList entries;
        pack->GetSectionStrings(section, entries);
        for (int i = 0; i < entries.Count(); ++i) {
            const QString name = entries.Names(i);
            if (list.IndexOfName(name) < 0)
                list.SetValue(name, entries.ValueFromIndex(i));
        }
    }
}

void TKvMultiLangData::AddClient(TKvMultiLang* client)
{
    if (client && !FClients.contains(client))
        FClients.append(client);
}

void TKvMultiLangData::RemoveClient(TKvMultiLang* client)
{
    FClients.removeAll(client);
}

void TKvMultiLangData::ApplyClients()
{
    // A client's handler may remove clients; walk a copy and skip the ones that left.
    const QList<TKvMultiLang*> clients = FClients;
    for (TKvMultiLang* client : clients)
        if (FClients.contains(client))
            client->ApplyData();
}

void TKvMultiLangData::UpdateClients()
{
    const QList<TKvMultiLang*> clients = FClients;
    for (TKvMultiLang* client : clients)
        client->UpdateData();
}

void TKvMultiLangData::ClearClients()
{
    for (TKvMultiLang* client : std::as_const(FClients))
        client->ClearData();
}

bool TKvMultiLangData::LoadCurrentFromFile(const QString& fileName)
{
    TKvMultiLangLan pack;
    if (!pack.LoadFromFile(fileName))
        return false;
    FAppName.clear();
    pack.AssignTo(FLangCurrentData);
    RefreshAppName();
    if (!KvDesignTime())
        ApplyClients();
    return true;
}

bool TKvMultiLangData::LoadDefaultFromFile(const QString& fileName)
{
    TKvMultiLangLan pack;
    if (!pack.LoadFromFile(fileName))
        return false;
    FAppName.clear();
    pack.AssignTo(FLangDefaultData);
    RefreshAppName();
    return true;
}

bool TKvMultiLangData::IsExcluded(const QString& comp, const QString& className, const QString& prop,
                                  const QString& typeName) const
{
    const QString forms[] = {
        className + u':',
        className + QStringLiteral(":.") + prop,
        u':' + typeName,
        comp + QStringLiteral("..") + prop,
        comp + u'.',
        u'.' + prop,
    };
    for (const QString& rule : FExcludeProps)
        for (const QString& form : forms)
            if (rule.compare(form, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

// ---------------------------------------------------------------- TKvMultiLang

TKvMultiLang::TKvMultiLang(QObject* form) : QObject(form)
{
    setObjectName(QStringLiteral("KvMultiLang"));
}

TKvMultiLang::~TKvMultiLang()
{
    if (FLanguageData)
        FLanguageData->RemoveClient(this);
}

void TKvMultiLang::SetLanguageData(TKvMultiLangData* data)
{
    if (data == FLanguageData)
        return;
    if (FLanguageData)
        FLanguageData->RemoveClient(this);
    FLanguageData = data;
    if (FLanguageData)
        FLanguageData->AddClient(this);
}

void TKvMultiLang::Loaded()
{
    if (FLanguageData && FLanguageData->AutoApply() && !KvDesignTime())
        ApplyData();
}

QString TKvMultiLang::FormSection() const
{
    return Form() ? QString::fromLatin1(Form()->metaObject()->className()) : QString();
}

QList<QObject*> TKvMultiLang::Components() const
{
    QList<QObject*> list;
    if (!Form())
        return list;
    list.append(Form());
    CollectComponents(Form(), list);
    return list;
}

void TKvMultiLang::ApplyData()
{
    if (!FLanguageData)
        return;
    for (QObject* component : Components())
        ApplyProp(component);
    if (OnChangeLanguage && !KvDesignTime())
        OnChangeLanguage();
}

void TKvMultiLang::ApplyProp(QObject* component)
{
    if (!FLanguageData || !component)
        return;
    const QString section = FormSection();
    const QString name = component->objectName();
    const TKvPropContext context{component == Form()};
    for (const TKvPropAdapter* a : KvPropAdapters::PropsOf(component, context)) {
        QString value;
        switch (a->Kind) {
        case EKvPropKind::String:
            if (FLanguageData->GetProp(section, name, a->Name, value))
                a->Set(component, value);
            break;
        case EKvPropKind::Strings:
            if (FLanguageData->GetProp(section, name, a->Name, value))
                a->SetLines(component, TextToLines(value));
            break;
        case EKvPropKind::Collection:
            for (int i = 0, n = a->Count(component); i < n; ++i)
                if (FLanguageData->GetProp(section, name, ItemPropName(*a, i), value))
                    a->SetItem(component, i, value);
            break;
        }
    }
}

void TKvMultiLang::UpdateData()
{
    if (!FLanguageData)
        return;
    for (QObject* component : Components())
        HarvestProp(component);
    FLanguageData->UpdateData();
}

void TKvMultiLang::HarvestProp(QObject* component)
{
    TKvMultiLangData& data = *FLanguageData;
    if (data.ExcludeWithAction() && KvPropAdapters::IsActionLinked(component))
        return;
    const QString section = FormSection();
    const QString name = component->objectName();
    const QString className = QString::fromLatin1(component->metaObject()->className());
    if (data.ExcludeNumberEndProps() && !name.isEmpty() && name.back().isDigit())
        return;
    const TKvPropContext context{component == Form()};
    for (const TKvPropAdapter* a : KvPropAdapters::PropsOf(component, context)) {
        if (data.IsExcluded(name, className, a->Name, a->TypeName))
            continue;
        switch (a->Kind) {
        case EKvPropKind::String: {
            const QString value = a->Get(component);
            if (!(data.ExcludeEmptyProp() && value.isEmpty()))
                data.SetProp(section, name, a->Name, value);
            break;
        }
        case EKvPropKind::Strings: {
            const QString value = LinesToText(a->GetLines(component));
            if (!(data.ExcludeEmptyProp() && value.isEmpty()))
                data.SetProp(section, name, a->Name, value);
            break;
        }
        case EKvPropKind::Collection:
            for (int i = 0, n = a->Count(component); i < n; ++i) {
                const QString value = a->GetItem(component, i);
                if (!(data.ExcludeEmptyProp() && value.isEmpty()))
                    data.SetProp(section, name, ItemPropName(*a, i), value);
            }
            break;
        }
    }
}

void TKvMultiLang::ClearData()
{
    if (FLanguageData)
        FLanguageData->ClearForm(FormSection());
}

bool TKvMultiLang::GetProp(const QString& form, const QString& comp, const QString& prop, QString& value)
{
    return FLanguageData && FLanguageData->GetProp(form, comp, prop, value);
}

QString TKvMultiLang::Language()
{
    return FLanguageData ? FLanguageData->CurrentLanguage() : QString();
}

void TKvMultiLang::GetSectionStrings(const QString& section, TNameValueList& list)
{
    if (FLanguageData)
        FLanguageData->GetSectionStrings(section, list);
}
