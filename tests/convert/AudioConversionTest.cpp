#include "convert/AudioConversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

#include "MediaFixtures.h"
#include "TestSupport.h"
#include "convert/ID3v1.h"
#include "convert/ID3v2.h"

using namespace MediaFixtures;
using namespace TestSupport;

namespace
{
TEST(MakeAudioOutputOptions, FieldsForTheConversionType)
{
    struct Row
    {
        const char* Name;
        QString Type;
        int Length;
        int Bitrate;
        QString Ext;
        QString Codec;
        int64_t Bits;
        int64_t TimeLength;
    };
    const Row rows[] = {
        {"320 kbit/s, 75 minutes beyond 32 bits", ".mp3", 4500, 320, ".mp3", "libmp3lame", 320000,
         4500000000LL},
        {"type without the dot", "mp3", 200, 128, ".mp3", "libmp3lame", 128000, 200000000},
        {"length 0 means the whole input", ".mp3", 0, 192, ".mp3", "libmp3lame", 192000, 0},
        {"negative length too", ".mp3", -5, 64, ".mp3", "libmp3lame", 64000, 0},
        {"aac", "aac", 10, 128, ".aac", "libfaac", 128000, 10000000},
        {"case is exact", ".MP3", 10, 128, ".MP3", "", 128000, 10000000},
        {"other type: the container's encoder", "ogg", 10, 128, ".ogg", "", 128000, 10000000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const TOutputOptions o = MakeAudioOutputOptions("/music/a.mp3", row.Type, row.Length, row.Bitrate);
        EXPECT_EQ(o.FileName, "/music/a.mp3");
        EXPECT_EQ(o.FileExt, row.Ext);
        EXPECT_EQ(o.AudioCodec, row.Codec);
        EXPECT_EQ(o.AudioBitrate, row.Bits);
        EXPECT_EQ(o.TimeLength, row.TimeLength);
        EXPECT_TRUE(o.DisableVideo);
        EXPECT_EQ(o.AudioChannels, 2);
        EXPECT_EQ(o.AudioSampleRate, 44100);
        EXPECT_EQ(o.VideoBitrate, 200000);
        EXPECT_EQ(o.TimeStart, 0);
    }
}

// The main window's side of the chain: terminate handler, conversion-finished handler and
// the task lookup by save path.
class AudioConversionTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        StopAllAudioConversions();
        SetAVLibLoader({});
        SetConversionMessageHandler({});
    }

    TFFEncoder* Start(const QString& input, const QString& output, int length = 0)
    {
        return StartAudioConversion(input, output, ".mp3", 128, length,
                                    [this](TFFEncoder* sender, const TTerminateInfo& info) {
                                        FTerminated.push_back(info);
                                        EncoderTerminated(sender, info, [this](const QString& path) {
                                            FOnMainThread = QThread::currentThread() ==
                                                            QCoreApplication::instance()->thread();
                                            FFinished.push_back(path);
                                            ConvertFinished(path, FLookup);
                                        });
                                    });
    }

    QTemporaryDir FDir;
    std::vector<TTerminateInfo> FTerminated;
    QStringList FFinished;
    bool FOnMainThread = false;
    TFindTaskTags FLookup = [this](const QString& path, QString& title, QString& artist, QString& album) {
        if (path != FDir.filePath("song.mp3"))
            return false;
        title = QStringLiteral(u"\u65E5\u672C\u306E\u6B4C");
        artist = "Artist";
        album = "Album";
        return true;
    };
};

TEST_F(AudioConversionTest, FinishedConversionIsTaggedOnTheMainThread)
{
    const QString output = FDir.filePath("song.mp3");
    TFFEncoder* encoder = Start(Media(KMp4), output);
    ASSERT_NE(encoder, nullptr);
    EXPECT_EQ(RunningAudioConversions(), 1);
    ASSERT_TRUE(WaitUntil([&] { return !FFinished.isEmpty(); }, 120000));
    ASSERT_EQ(FTerminated.size(), 1u);
    EXPECT_TRUE(FTerminated[0].Finished);
    EXPECT_EQ(FFinished, QStringList{output});
    EXPECT_TRUE(FOnMainThread);
    EXPECT_EQ(RunningAudioConversions(), 0);

    TID3v2 v2;
    ASSERT_TRUE(v2.ReadFromFile(output));
    EXPECT_EQ(v2.VersionID(), 3);
    EXPECT_EQ(v2.Title(), QStringLiteral(u"\u65E5\u672C\u306E\u6B4C"));
    EXPECT_EQ(v2.Album(), "Album");
    TID3v1 v1;
    ASSERT_TRUE(v1.ReadFromFile(output));
    EXPECT_EQ(v1.Title(), "????");
    EXPECT_EQ(v1.Artist(), "Artist");
    EXPECT_TRUE(DecodesCleanly(output));
    EXPECT_NEAR(Probe(output).Duration, 4.0, 0.15);
}

TEST_F(AudioConversionTest, TaskRemovedMeanwhileGetsNoTags)
{
    const QString output = FDir.filePath("other.mp3");
    ASSERT_NE(Start(Media(KFlv), output), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !FFinished.isEmpty(); }, 120000));
    TID3v2 v2;
    ASSERT_TRUE(v2.ReadFromFile(output));
    EXPECT_FALSE(v2.Exists());
}

TEST_F(AudioConversionTest, FailedConversionIsReleasedWithoutTags)
{
    const QString output = FDir.filePath("song.mp3");
    ASSERT_NE(Start(Media(KTruncatedFlv), output), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !FTerminated.empty(); }, 120000));
    EXPECT_FALSE(FTerminated[0].Finished);
    EXPECT_EQ(RunningAudioConversions(), 0);
    ProcessEventsFor(100);
    EXPECT_TRUE(FFinished.isEmpty());
    EXPECT_TRUE(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(AudioConversionTest, InputThatIsNoMediaStartsNothing)
{
    EXPECT_EQ(Start(Media(KGarbage), FDir.filePath("song.mp3")), nullptr);
    EXPECT_EQ(Start(FDir.filePath("missing.flv"), FDir.filePath("song.mp3")), nullptr);
    EXPECT_EQ(RunningAudioConversions(), 0);
    ProcessEventsFor(100);
    EXPECT_TRUE(FTerminated.empty());
}

TEST_F(AudioConversionTest, LibrariesThatFailToLoadShowTheMessage)
{
    QStringList messages;
    SetConversionMessageHandler([&](const QString& key) { messages << key; });
    SetAVLibLoader([](const QString&) { return false; });
    EXPECT_EQ(Start(Media(KFlv), FDir.filePath("song.mp3")), nullptr);
    EXPECT_EQ(messages, QStringList{"MsgBox.AVLibLoadFailed"});
    ProcessEventsFor(100);
    EXPECT_TRUE(FTerminated.empty());
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("song.mp3")));
}

TEST_F(AudioConversionTest, ShutdownStopsRunningConversions)
{
    ASSERT_NE(Start(Media(KMp4), FDir.filePath("song.mp3")), nullptr);
    ASSERT_NE(Start(Media(KFlv), FDir.filePath("two.mp3")), nullptr);
    StopAllAudioConversions();
    EXPECT_EQ(RunningAudioConversions(), 0);
    ProcessEventsFor(200);
    EXPECT_TRUE(FTerminated.empty());
    EXPECT_TRUE(FFinished.isEmpty());
    // A run that ended before the stop may have left its finished file, never a part file.
    for (const QString& name : QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_TRUE(name == "song.mp3" || name == "two.mp3") << name.toStdString();
}
} // namespace
