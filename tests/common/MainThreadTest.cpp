#include "common/DebugLog.h"
#include "common/MainThread.h"

#include "TestSupport.h"

#include <atomic>
#include <thread>
#include <vector>

#include <QThread>

TEST(MainThread, BlockingHandOverRunsOnTheMainThreadAndWaits)
{
    auto link = std::make_shared<TWorkerLink>();
    QThread* mainThread = QThread::currentThread();
    std::atomic<bool> done{false};
    bool ranOnMain = false;
    bool handedOver = false;
    std::thread worker([&] {
        handedOver = RunInMainThread(link, [&] { ranOnMain = QThread::currentThread() == mainThread; });
        done = true;
    });
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(handedOver);
    EXPECT_TRUE(ranOnMain);
}

TEST(MainThread, NothingRunsAfterDetach)
{
    auto link = std::make_shared<TWorkerLink>();
    int calls = 0;
    PostToMainThread(link, [&] { ++calls; });
    link->Detach(); // before the queued call is delivered
    std::atomic<bool> done{false};
    bool handedOver = true;
    std::thread worker([&] {
        handedOver = RunInMainThread(link, [&] { ++calls; });
        done = true;
    });
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return done.load(); }));
    worker.join();
    TestSupport::ProcessEventsFor(20);
    EXPECT_FALSE(handedOver);
    EXPECT_EQ(calls, 0);
}

TEST(DebugLog, ChannelIsSwitchableAndThreadSafe)
{
    struct TSeen
    {
        std::atomic<int> Lines{0};
    } seen;
    const int id = DebugLog::AddObserver([](void* c, const QString&, const QString&) { ++static_cast<TSeen*>(c)->Lines; }, &seen);
    DebugLog::SetActive(false);
    DebugLog::Log(QStringLiteral("dropped"));
    EXPECT_EQ(seen.Lines.load(), 0);

    DebugLog::SetActive(true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 5; ++i)
                DebugLog::LogTag(QStringLiteral("Test"), QStringLiteral("line"));
        });
    for (auto& t : threads)
        t.join();
    DebugLog::SetActive(false);
    DebugLog::RemoveObserver(id);
    EXPECT_EQ(seen.Lines.load(), 20);
}
