#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

#include "DemoSite.h"
#include "download/MultiDownloader.h"

// A scheduler wired like the main window wires it (a failed task makes room through
// Resume), recording every event, against a demo site shared by the tests of a suite.
class DownloadTest : public ::testing::Test
{
public:
    static TDemoSite* Site;
    static QString Base();

protected:
    struct TStateEvent
    {
        int Index;
        EDownloadState State;
        int Busy; // tasks at work right after the change
    };
    struct TFinishedEvent
    {
        int Index;
        QString FileName;
        qint64 Size;
    };

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A path in this test's folder.
    QString File(const QString& name) const;
    // The resolver of every item configured for the demo site (method as in the settings).
    void UseDemoResolver(int method, const QString& watchSwitches = QString());
    bool AppendDirect(const QString& url, const QString& fileName);
    // Waits until no task is at work and none is waiting to start.
    bool WaitAllSettled();
    // States of the list, e.g. "FFRXD" (see StateLetter).
    QString StateLetters();
    QList<EDownloadState> StatesOf(int index) const;
    static QChar StateLetter(EDownloadState state);

    QTemporaryDir Dir;
    std::unique_ptr<TMultiDownloader> Md;
    QList<TStateEvent> StateLog;
    QList<int> ProgressIndexes;
    QList<TFinishedEvent> Finished;
};
