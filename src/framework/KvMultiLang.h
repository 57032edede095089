#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include "framework/KvMultiLangLan.h"

class TKvMultiLang;
class TNameValueList;

// The language store: the current language's pack over the default (built-in English) pack.
// Lookups try the current pack first; "{AppName}" in a value becomes the application name.
// Translated forms register a TKvMultiLang client here and are re-translated whenever a
// language file is loaded.
class TKvMultiLangData final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TKvMultiLangData)

public:
    explicit TKvMultiLangData(QObject* parent = nullptr);
    ~TKvMultiLangData() override;

    static QStringList DefaultExcludeProps();

    // [Info] "Language", "Translator" and "Version" (current pack first, then the default one).
    QString CurrentLanguage();
    QString CurrentLanguageTranslator();
    QString CurrentVersion();

    bool ExcludeEmptyProp() const { return FExcludeEmptyProp; }
    void SetExcludeEmptyProp(bool value) { FExcludeEmptyProp = value; }
    const QStringList& ExcludeProps() const { return FExcludeProps; }
    void SetExcludeProps(const QStringList& rules) { FExcludeProps = rules; }
    bool ExcludeNumberEndProps() const { return FExcludeNumberEndProps; }
    void SetExcludeNumberEndProps(bool value) { FExcludeNumberEndProps = value; }
    bool AutoApply() const { return FAutoApply; }
    void SetAutoApply(bool value) { FAutoApply = value; }
    bool ExcludeWithAction() const { return FExcludeWithAction; }
    void SetExcludeWithAction(bool value) { FExcludeWithAction = value; }

    // The packs as text; assigning replaces the pack.
    QStringList CurrentData() { return FLangCurrentData.Data(); }
    void SetCurrentData(const QStringList& lines);
    QStringList DefaultData() { return FLangDefaultData.Data(); }
    void SetDefaultData(const QStringList& lines);
    TKvMultiLangLan& CurrentPack() { return FLangCurrentData; }
    // Both packs become the built-in English one (the current one in canonical order).
    void LoadBuiltInEnglish();
    TKvMultiLangLan& DefaultPack() { return FLangDefaultData; }

    const QString& AppName() const { return FAppName; }
    // Looks "AppName" up again in [AppRes] (done after every load and by the engine's title).
    void RefreshAppName();

    bool GetProp(const QString& form, const QString& comp, const QString& prop, QString& value);
    void SetProp(const QString& form, const QString& comp, const QString& prop, const QString& value);
    // Adds the section's entries that list does not have yet: current pack, then default pack.
    void GetSectionStrings(const QString& section, TNameValueList& list);

    void AddClient(TKvMultiLang* client);
    void RemoveClient(TKvMultiLang* client);
    const QList<TKvMultiLang*>& Clients() const { return FClients; }
    void ApplyClients();
    void UpdateClients();
    void ClearClients();

    // Loads the current pack and re-translates every client. False, with nothing changed,
    // when the file cannot be read.
    bool LoadCurrentFromFile(const QString& fileName);
    bool LoadDefaultFromFile(const QString& fileName);
    bool SaveCurrentToFile(const QString& fileName) { return FLangCurrentData.SaveToFile(fileName); }
    void ClearCurrentAll() { FLangCurrentData.ClearAll(); }
    void ClearCurrentAllForm() { FLangCurrentData.ClearAllForm(); }
    void ClearForm(const QString& form) { FLangCurrentData.ClearForm(form); }
    void UpdateData() { FLangCurrentData.UpdateData(); }
    void CurrentToDefault() { FLangCurrentData.AssignTo(FLangDefaultData); }
    void DefaultToCurrent() { FLangDefaultData.AssignTo(FLangCurrentData); }

    // Whether the harvest leaves this property out (the six rule forms of ExcludeProps).
    bool IsExcluded(const QString& comp, const QString& className, const QString& prop, const QString& typeName) const;

private:
    QString InfoValue(const QString& name);

    bool FExcludeEmptyProp = false;
    QStringList FExcludeProps;
    bool FAutoApply = true;
    bool FExcludeNumberEndProps = false;
    bool FExcludeWithAction = false;
    TKvMultiLangLan FLangCurrentData;
    TKvMultiLangLan FLangDefaultData;
    QList<TKvMultiLang*> FClients;
    QString FAppName;
};

// One per translated form, a child of the form. Applies the store to the form's named
// components (section: the form's class name) and harvests them back into the store.
// A child that carries its own client is a form of its own and is left to that client.
class TKvMultiLang final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TKvMultiLang)

public:
    explicit TKvMultiLang(QObject* form);
    ~TKvMultiLang() override;

    // Fired after each apply.
    std::function<void()> OnChangeLanguage;

    TKvMultiLangData* LanguageData() const { return FLanguageData; }
    // Moves the client from the old store's client list to the new one's.
    void SetLanguageData(TKvMultiLangData* data);
    // Called by the form once it is built: applies the store when it asks for that.
    void Loaded();

    QObject* Form() const { return parent(); }
    QString FormSection() const;
    // The form's translated components in walk order (the form first).
    QList<QObject*> Components() const;

    void ApplyData();
    void ApplyProp(QObject* component);
    void UpdateData();
    void ClearData();
    bool GetProp(const QString& form, const QString& comp, const QString& prop, QString& value);
    QString Language();
    void GetSectionStrings(const QString& section, TNameValueList& list);

private:
    friend class TKvMultiLangData;
    void HarvestProp(QObject* component);

    TKvMultiLangData* FLanguageData = nullptr;
};
