#include "download/DownloadScheduling.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace
{
// One letter per entry: R ready, B before connecting, D downloading, F finished,
// X failed, A abort.
QList<EDownloadState> States(const char* letters)
{
    QList<EDownloadState> states;
    for (const char* p = letters; *p; ++p) {
        switch (*p) {
        case 'R': states.append(KReady); break;
        case 'B': states.append(KBeforeConnecting); break;
        case 'D': states.append(KDownloading); break;
        case 'F': states.append(KFinished); break;
        case 'X': states.append(KFailed); break;
        case 'A': states.append(KAbort); break;
        default: ADD_FAILURE() << "bad letter " << *p;
        }
    }
    return states;
}

TEST(DownloadScheduling, IdleIndexTable)
{
    struct TRow
    {
        const char* Name;
        const char* States;
        int MaxTasks;
        int Expected;
    };
    const TRow rows[] = {
        {"empty list", "", 2, -1},
        {"first waiting starts", "RRRRR", 2, 0},
        {"third waits behind two running", "DDRRR", 2, -1},
        {"third starts when a place is free", "DBR", 3, 2},
        {"finished take no place", "FFDR", 2, 3},
        {"failed take no place", "XXRR", 2, 2},
        {"aborted counts as busy", "ADR", 2, -1},
        {"waiting below a busy block waits", "DDFFR", 2, -1},
        {"limit zero starts nothing", "RRR", 0, -1},
        {"negative limit starts nothing", "R", -1, -1},
        {"nothing waiting", "DFX", 5, -1},
        {"waiting before the running ones", "RDD", 2, 0},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(GetIdleIndex(States(row.States), row.MaxTasks), row.Expected) << row.Name;
}

TEST(DownloadScheduling, SurplusTable)
{
    struct TRow
    {
        const char* Name;
        const char* States;
        int MaxTasks;
        QList<int> Expected;
    };
    const TRow rows[] = {
        {"within the limit", "DDR", 3, {}},
        {"lowered from three to one", "DDD", 1, {1, 2}},
        {"waiting ones beyond the limit count too", "DRR", 2, {2}},
        {"finished, failed and aborted are skipped", "FDXADD", 2, {5}},
        {"limit zero puts every active one back", "DBF", 0, {0, 1}},
        {"a moved-up waiting entry pushes the running one out", "RD", 1, {1}},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(GetSurplusIndexes(States(row.States), row.MaxTasks), row.Expected) << row.Name;
}
} // namespace
