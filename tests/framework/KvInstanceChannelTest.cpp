#include <future>
#include <optional>

#include <QDir>
#include <QLocalSocket>
#include <QUuid>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "framework/KvInstanceChannel.h"

namespace
{
// The client blocks until the answer arrives, so it runs on its own thread while the
// server answers from this thread's event loop.
std::optional<int> Ask(const QString& name, const QString& request, const QString& data = QString())
{
    auto answer = std::async(std::launch::async, [=] { return SendInstanceRequest(name, request, data); });
    EXPECT_TRUE(TestSupport::WaitUntil(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return answer.get();
}

class TInstanceChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FName = InstanceChannelName(QStringLiteral("TfrmMain"), QUuid::createUuid().toString());
        FServer.Handlers.OnGetAppID = [] { return 4242; };
        FServer.Handlers.OnIfBusy = [this] { return FBusy; };
        FServer.Handlers.OnCloseApp = [this] { ++FCloseCalls; };
        FServer.Handlers.OnCmdParam = [this](const QString& text) { FReceived.append(text); };
        ASSERT_TRUE(FServer.Listen(FName));
    }

    QString FName;
    TKvInstanceServer FServer;
    int FBusy = 1;
    int FCloseCalls = 0;
    QStringList FReceived;
};

TEST_F(TInstanceChannelTest, EachRequestGetsItsHandlersAnswer)
{
    EXPECT_EQ(Ask(FName, KvRequest::GetAppID), 4242);
    EXPECT_EQ(Ask(FName, KvRequest::IfBusy), 1);
    FBusy = 0;
    EXPECT_EQ(Ask(FName, KvRequest::IfBusy), 0);
    // Unassigned handlers and unknown requests answer 0.
    EXPECT_EQ(Ask(FName, KvRequest::BringtoFront), 0);
    EXPECT_EQ(Ask(FName, QStringLiteral("Kv Nonsense")), 0);
    EXPECT_EQ(FCloseCalls, 0);
    EXPECT_EQ(Ask(FName, KvRequest::CloseApp), 0);
    EXPECT_EQ(FCloseCalls, 1);
}

TEST_F(TInstanceChannelTest, HandedOverTextArrivesWhole)
{
    const QStringList texts = {
        QStringLiteral("/home/user/Music/Song \u00e4\u4e2d.mp3"),
        QString(),
        QStringLiteral("two\nlines\r\nand Kv CloseApp"),
        QString(20000, u'x'),
    };
    for (const QString& text : texts)
        EXPECT_EQ(Ask(FName, KvRequest::CopyData, text), 0);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return FReceived.size() == texts.size(); }));
    EXPECT_EQ(FReceived, texts);
    EXPECT_EQ(FCloseCalls, 0);
}

TEST_F(TInstanceChannelTest, BrokenClientsAreDroppedAndTheServerGoesOn)
{
    const QByteArray garbage[] = {
        QByteArray("\xFF\xFF\xFF\xFF" "too long"), // claims 4 GiB
        QByteArray("\x00\x00"),                    // cut short, then gone
        QByteArray("\x00\x00\x00\x05" "\xFF\xFE\x00\x01\x80"), // not UTF-8
    };
    for (const QByteArray& bytes : garbage) {
        auto sent = std::async(std::launch::async, [&] {
            QLocalSocket socket;
            socket.connectToServer(FName);
            if (!socket.waitForConnected(5000))
                return false;
            socket.write(bytes);
            socket.waitForBytesWritten(5000);
            socket.waitForReadyRead(500);
            return true;
        });
        ASSERT_TRUE(TestSupport::WaitUntil(
            [&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_TRUE(sent.get());
    }
    EXPECT_EQ(Ask(FName, KvRequest::GetAppID), 4242);
}

TEST(KvInstanceChannelTest, NobodyListeningGivesNoAnswer)
{
    const QString name = InstanceChannelName(QStringLiteral("TfrmMain"), QUuid::createUuid().toString());
    EXPECT_EQ(SendInstanceRequest(name, KvRequest::GetAppID, QString(), 2000), std::nullopt);
}

TEST(KvInstanceChannelTest, ListenLeavesALiveCopyAloneAndTakesOverADeadOnesSocket)
{
    const QString name = InstanceChannelName(QStringLiteral("TfrmMain"), QUuid::createUuid().toString());
    {
        TKvInstanceServer first;
        first.Handlers.OnGetAppID = [] { return 1; };
        ASSERT_TRUE(first.Listen(name));
        // Another copy (here another thread) finds the name answered and keeps off it.
        auto second = std::async(std::launch::async, [&] { return TKvInstanceServer().Listen(name); });
        ASSERT_TRUE(TestSupport::WaitUntil(
            [&] { return second.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_FALSE(second.get());
        EXPECT_EQ(Ask(name, KvRequest::GetAppID), 1);
    }
    // A file left at the socket's place, as by a copy that was killed.
    const QString path = QDir::tempPath() + u'/' + name;
    ASSERT_TRUE(TestSupport::WriteFile(path, QByteArray()));
    TKvInstanceServer server;
    server.Handlers.OnGetAppID = [] { return 2; };
    EXPECT_TRUE(server.Listen(name));
    EXPECT_EQ(Ask(name, KvRequest::GetAppID), 2);
}
} // namespace
