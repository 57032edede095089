#pragma once

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "TestSupport.h"
#include "framework/KvEngine.h"
#include "framework/KvMultiLang.h"
#include "framework/KvSettings.h"

// An engine on a host form, with the built-in English store, a program folder of its own
// (its "const.dat" and "lang" folder) and fresh data folders and settings store.
class TEngineFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestSupport::ResetDataFolders();
        ReleaseSettingsStore();
        FProgramDir = std::make_unique<QTemporaryDir>();
        qputenv("VARNELO_PROGRAM_DIR", FProgramDir->path().toLocal8Bit());
        WriteProgramFile(QStringLiteral("const.dat"),
                         "[setting]\nApp.ConfigPath=cfg\nApp.Name=ConstName\nApp.Ver=1.2.3.4\nApp.ID=4242\n");
        FForm = std::make_unique<QWidget>();
        FStore = new TKvMultiLangData(FForm.get());
        FStore->LoadBuiltInEnglish();
        FEngine = new TKvEngine(FForm.get());
        FEngine->SetLanguageData(FStore);
        FEngine->SetCommandLine({});
    }

    void TearDown() override
    {
        FForm.reset();
        ReleaseSettingsStore();
        qunsetenv("VARNELO_PROGRAM_DIR");
    }

    void WriteProgramFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = FProgramDir->path() + u'/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(TestSupport::WriteFile(path, bytes));
    }

    void Set(const QString& name, const QString& value) { FEngine->SettingOverwrite().SetValue(name, value); }
    // Settings whose value is empty must still win over "const.dat".
    void SetEmpty(const QString& name)
    {
        FEngine->SettingOverwrite().SetValue(name, QString());
        FEngine->SettingOverwrite().Add(name + u'=');
    }

    std::unique_ptr<QTemporaryDir> FProgramDir;
    std::unique_ptr<QWidget> FForm;
    TKvMultiLangData* FStore = nullptr;
    TKvEngine* FEngine = nullptr;
};
