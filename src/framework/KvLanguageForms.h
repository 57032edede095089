#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TKvMultiLangData;

// The application forms whose texts the built-in English pack holds, one section per form
// class. Each form that is translated adds its line to LanguageForms(); the harvest then
// builds it (offscreen, with the data folders pointed elsewhere) and reads its texts.
struct TKvLanguageForm
{
    QString ClassName; // the section: the form's class name, "TfrmMain"
    std::function<std::unique_ptr<QWidget>()> Create;
};

std::vector<TKvLanguageForm> LanguageForms();

// Builds every form and harvests it into data's current pack, with the exclusion rules of
// the main form's store (the default list, the three flags off). False, naming the form in
// error, when a form's class is not the one listed.
bool HarvestLanguageForms(TKvMultiLangData& data, QString& error);

// Replaces the form sections of the pack file by a fresh harvest and saves it in canonical
// order; [SkinRes], [LibRes] and [AppRes] are kept as written.
bool RegenerateEnglishPack(const QString& fileName, QString& error);
