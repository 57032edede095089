#include "framework/KvLanguageForms.h"

#include <QWidget>

#include "app/uMain.h"
#include "framework/KvDesignTime.h"
#include "framework/KvMultiLang.h"
#include "framework/KvWidgetPropAdapters.h"

std::vector<TKvLanguageForm> LanguageForms()
{
    return {
        {QStringLiteral("TfrmMain"), [] { return std::make_unique<TfrmMain>(); }},
    };
}

bool HarvestLanguageForms(TKvMultiLangData& data, QString& error)
{
    RegisterWidgetPropAdapters();
    const TKvDesignTimeScope designTime;
    data.SetExcludeProps(TKvMultiLangData::DefaultExcludeProps());
    data.SetExcludeEmptyProp(false);
    data.SetExcludeNumberEndProps(false);
    data.SetExcludeWithAction(false);
    for (const TKvLanguageForm& entry : LanguageForms()) {
        const std::unique_ptr<QWidget> form = entry.Create();
        auto* client = new TKvMultiLang(form.get());
        if (client->FormSection() != entry.ClassName) {
            error = QStringLiteral("form %1 is of class %2").arg(entry.ClassName, client->FormSection());
            return false;
        }
        client->SetLanguageData(&data);
        client->UpdateData();
    }
    return true;
}

bool RegenerateEnglishPack(const QString& fileName, QString& error)
{
    TKvMultiLangData data;
    if (!data.CurrentPack().LoadFromFile(fileName)) {
        error = QStringLiteral("cannot read ") + fileName;
        return false;
    }
    data.ClearCurrentAllForm();
    if (!HarvestLanguageForms(data, error))
        return false;
    if (!data.SaveCurrentToFile(fileName)) {
        error = QStringLiteral("cannot write ") + fileName;
        return false;
    }
    return true;
}
