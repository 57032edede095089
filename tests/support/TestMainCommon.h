#pragma once

#include "TestSupport.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTimer>

#include <gtest/gtest.h>

// Runs the tests from inside the event loop, so that queued hand-overs from worker
// threads are delivered, and drains deferred deletes at the end.
inline int RunTestsInEventLoop(QCoreApplication& app)
{
    int result = 1;
    QTimer::singleShot(0, &app, [&] {
        result = RUN_ALL_TESTS();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app.exit(result);
    });
    app.exec();
    return result;
}

// Tests run headless: no display, and the browser engine without its sandbox (which needs
// privileges a test runner as root lacks) and without a GPU.
inline void PrepareTestProcess(int& argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QLocale::setDefault(QLocale::c());
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("VARNELO_TEST_PROGRAM_DIR", VARNELO_BUILD_PROGRAM_DIR);
    TestSupport::ResetDataFolders();
}
