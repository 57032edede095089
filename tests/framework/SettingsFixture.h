#pragma once

#include <memory>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestSupport.h"

// A program folder of its own (for "const.dat" and "oem.const.dat") and fresh data folders.
// Unless a test writes its own "const.dat", the configuration word is "cfg", so the user's
// file is <all users>/cfg/setting.dat when that folder is writable.
class TSettingsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestSupport::ResetDataFolders();
        FProgramDir = std::make_unique<QTemporaryDir>();
        qputenv("VARNELO_PROGRAM_DIR", FProgramDir->path().toLocal8Bit());
        WriteProgramFile(QStringLiteral("const.dat"), "[setting]\nApp.ConfigPath=cfg\n");
    }
    void TearDown() override { qunsetenv("VARNELO_PROGRAM_DIR"); }

public:
    static QString AllUsersRoot() { return qEnvironmentVariable("VARNELO_COMMON_APPDATA_DIR"); }
    static QString CurrentUserRoot() { return qEnvironmentVariable("VARNELO_APPDATA_DIR"); }

protected:

    void WriteProgramFile(const QString& name, const QByteArray& text)
    {
        const QString path = FProgramDir->path() + u'/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(TestSupport::WriteFile(path, text));
    }
    // The user's file of the all-users folder, written before a store opens it.
    static void WriteAllUsersSettings(const QByteArray& text)
    {
        QDir().mkpath(AllUsersRoot() + QStringLiteral("/cfg"));
        ASSERT_TRUE(TestSupport::WriteFile(AllUsersRoot() + QStringLiteral("/cfg/setting.dat"), text));
    }
    static QByteArray AllUsersSettings()
    {
        return TestSupport::ReadFile(AllUsersRoot() + QStringLiteral("/cfg/setting.dat"));
    }

    std::unique_ptr<QTemporaryDir> FProgramDir;
};
