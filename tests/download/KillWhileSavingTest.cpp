#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>

#include "SaveLoopTasks.h"
#include "TestSupport.h"
#include "common/MemIniFile.h"
#include "download/DownloadListFile.h"

namespace
{
// A process killed (SIGKILL) while it saves the list in a loop leaves the previous list
// or the new one, never a truncated or unreadable file.
TEST(KillWhileSaving, ListFileIsAlwaysWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("downloadlist.sav"));
    const QString helper = TestSupport::ProgramDir() + QStringLiteral("/download_save_loop");
    for (int round = 0; round < 12; ++round) {
        QProcess process;
        process.start(helper, {path});
        ASSERT_TRUE(process.waitForStarted()) << helper.toStdString();
        ASSERT_TRUE(process.waitForReadyRead(30000)) << "round " << round;
        // Let it save for a moment, a different while each round.
        TestSupport::ProcessEventsFor(QRandomGenerator::global()->bounded(5, 120));
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        ASSERT_TRUE(process.waitForFinished());
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit) << "round " << round;

        TMemIniFile ini;
        ini.LoadFromFile(path);
        const QList<TDownloadListRecord> records = ReadDownloadListRecords(ini);
        ASSERT_EQ(records.size(), KSaveLoopTasks) << "round " << round;
        for (int i = 0; i < KSaveLoopTasks; ++i) {
            ASSERT_EQ(records[i].URL, SaveLoopUrl(i)) << "round " << round << " task " << i;
            ASSERT_EQ(records[i].FileName, SaveLoopFileName(i)) << "round " << round << " task " << i;
            ASSERT_EQ(records[i].Comment, SaveLoopComment(i)) << "round " << round << " task " << i;
        }
    }
}
} // namespace
