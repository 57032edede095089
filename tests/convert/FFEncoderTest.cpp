#include "convert/FFEncoder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "MediaFixtures.h"
#include "TestSupport.h"
#include "convert/AudioConversion.h"
#include "convert/AudioJob.h"

using namespace MediaFixtures;
using namespace TestSupport;

namespace
{
// Runs one conversion with its own encoder; the result is empty when the input was refused.
std::optional<TTerminateInfo> Convert(const QString& input, const QString& output, int bitrate,
                                      int length)
{
    EXPECT_TRUE(TFFEncoder::LoadAVLib(QString()));
    TFFEncoder encoder;
    encoder.Decoder().LoadFile(input, QString());
    TInputOptions options;
    options.FileName = encoder.Decoder().FileName();
    const int index = encoder.AddTask(input, options);
    if (index < 0)
        return std::nullopt;
    EXPECT_TRUE(encoder.SetOutputFile(index, output, MakeAudioOutputOptions(output, ".mp3", length, bitrate)));
    std::optional<TTerminateInfo> result;
    encoder.OnTerminate = [&](TFFEncoder* sender, const TTerminateInfo& info) {
        EXPECT_EQ(sender, &encoder);
        result = info;
    };
    EXPECT_TRUE(encoder.Start(0));
    EXPECT_TRUE(WaitUntil([&] { return result.has_value(); }, 120000));
    return result;
}

// Files in the folder besides the expected ones: leftovers of an unfinished run.
QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(FFEncoderTest, ConvertsFlvAndMp4ToMp3)
{
    struct Row
    {
        const char* Name;
        EMedia Input;
        int Bitrate;
        int Length;
        long long ExpectBitRate;
        double ExpectDuration;
    };
    const Row rows[] = {
        {"FLV at 128", KFlv, 128, 0, 128000, 4.0},
        {"MP4 at 192", KMp4, 192, 0, 192000, 4.0},
        {"MP4 with the index in front at 64", KMp4FastStart, 64, 0, 64000, 4.0},
        {"MP4 at 320 limited to 2 s", KMp4, 320, 2, 320000, 2.0},
        {"FLV limited to 1 s", KFlv, 128, 1, 128000, 1.0},
        {"length longer than the song", KFlv, 128, 60, 128000, 4.0},
        {"512 is accepted (LAME's highest is 320)", KMp4, 512, 0, 320000, 4.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString input = Media(row.Input);
        ASSERT_FALSE(input.isEmpty());
        QTemporaryDir folder;
        const QString output = folder.filePath("song.mp3");
        const auto result = Convert(input, output, row.Bitrate, row.Length);
        ASSERT_TRUE(result.has_value());
        EXPECT_TRUE(result->Finished) << result->ExceptionMsg.toStdString();
        EXPECT_FALSE(result->Exception);
        EXPECT_EQ(result->TaskIndex, 0);
        EXPECT_EQ(Entries(folder.path()), QStringList{"song.mp3"});

        const TAudioInfo info = Probe(output);
        EXPECT_EQ(info.Format, "mp3");
        EXPECT_EQ(info.Codec, "mp3");
        EXPECT_EQ(info.SampleRate, 44100);
        EXPECT_EQ(info.Channels, 2);
        EXPECT_EQ(info.BitRate, row.ExpectBitRate);
        EXPECT_NEAR(info.Duration, row.ExpectDuration, 0.15);
        EXPECT_TRUE(DecodesCleanly(output));
        // The tags are ours to write: the muxer adds no ID3v2 tag of its own.
        EXPECT_FALSE(ReadFile(output).startsWith("ID3"));
    }
}

// Decoding and encoding run on two threads: a race between them shows as differing output.
TEST(FFEncoderTest, SameInputGivesTheSameBytes)
{
    QTemporaryDir folder;
    QByteArray first;
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        const QString output = folder.filePath(QStringLiteral("run%1.mp3").arg(run));
        const auto result = Convert(Media(KMp4), output, 128, 0);
        ASSERT_TRUE(result && result->Finished);
        const QByteArray bytes = ReadFile(output);
        if (run == 0)
            first = bytes;
        EXPECT_EQ(bytes.size(), first.size());
        EXPECT_TRUE(bytes == first);
    }
}

TEST(FFEncoderTest, BrokenAndTruncatedInputsLeaveNoFile)
{
    struct Row
    {
        const char* Name;
        EMedia Input;
    };
    const Row rows[] = {
        {"FLV cut in half", KTruncatedFlv},
        {"MP4 cut in half, index lost", KTruncatedMp4},
        {"MP4 cut in half, index in front", KTruncatedFastStart},
        {"video without audio", KVideoOnly},
        {"random bytes", KGarbage},
        {"empty file", KEmpty},
        {"FLV header and random bytes", KBrokenHeader},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString input = Media(row.Input);
        ASSERT_FALSE(input.isEmpty());
        QTemporaryDir folder;
        const QString output = folder.filePath("song.mp3");
        // An older file of that name is neither replaced nor damaged by a failed run.
        ASSERT_TRUE(WriteFile(folder.filePath("older.mp3"), "older"));
        const auto result = Convert(input, output, 128, 0);
        if (result) {
            EXPECT_FALSE(result->Finished);
            EXPECT_TRUE(result->Exception);
            EXPECT_FALSE(result->ExceptionMsg.isEmpty());
        }
        EXPECT_EQ(Entries(folder.path()), QStringList{"older.mp3"});
    }
}

TEST(FFEncoderTest, FailedRunKeepsAnOlderFileOfTheSameName)
{
    QTemporaryDir folder;
    const QString output = folder.filePath("song.mp3");
    ASSERT_TRUE(WriteFile(output, "the user's older file"));
    const auto result = Convert(Media(KTruncatedFlv), output, 128, 0);
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->Finished);
    EXPECT_EQ(ReadFile(output), "the user's older file");
    EXPECT_EQ(Entries(folder.path()), QStringList{"song.mp3"});
}

TEST(FFEncoderTest, StoppedJobLeavesNoFile)
{
    QTemporaryDir folder;
    TAudioJob job;
    job.InputFile = Media(KMp4);
    job.OutputFile = folder.filePath("song.mp3");
    job.FileExt = ".mp3";
    job.AudioCodec = "libmp3lame";
    std::atomic<bool> stop{false};
    int reports = 0;
    const TAudioJobResult result = RunAudioJob(job, stop, [&](int64_t, int64_t totalUs) {
        EXPECT_EQ(totalUs / 100000, 40);
        ++reports;
        stop = true;
    });
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(result.Finished);
    EXPECT_TRUE(result.Stopped);
    EXPECT_TRUE(Entries(folder.path()).isEmpty());
}

TEST(FFEncoderTest, ReleasingARunningEncoderRaisesNoEvent)
{
    ASSERT_TRUE(TFFEncoder::LoadAVLib(QString()));
    QTemporaryDir folder;
    bool raised = false;
    {
        auto encoder = std::make_unique<TFFEncoder>();
        const int index = encoder->AddTask(Media(KMp4), {});
        ASSERT_EQ(index, 0);
        const QString output = folder.filePath("song.mp3");
        encoder->SetOutputFile(index, output, MakeAudioOutputOptions(output, "mp3", 0, 128));
        encoder->OnTerminate = [&](TFFEncoder*, const TTerminateInfo&) { raised = true; };
        encoder->OnProgress = [&](TFFEncoder*, int, int64_t, int64_t) { raised = true; };
        ASSERT_TRUE(encoder->Start(0));
        EXPECT_FALSE(encoder->Start(0)); // one run at a time
    }
    ProcessEventsFor(200);
    EXPECT_FALSE(raised);
    // Either the run was stopped (nothing left) or it had finished before: never a part file.
    for (const QString& name : Entries(folder.path()))
        EXPECT_EQ(name, "song.mp3");
}

TEST(FFEncoderTest, TwoEncodersRunAtOnce)
{
    ASSERT_TRUE(TFFEncoder::LoadAVLib(QString()));
    QTemporaryDir folder;
    TFFEncoder first;
    TFFEncoder second;
    int finished = 0;
    int progress = 0;
    for (TFFEncoder* encoder : {&first, &second}) {
        const QString output = folder.filePath(encoder == &first ? "a.mp3" : "b.mp3");
        const int index = encoder->AddTask(encoder == &first ? Media(KMp4) : Media(KFlv), {});
        ASSERT_EQ(index, 0);
        encoder->SetOutputFile(index, output, MakeAudioOutputOptions(output, "mp3", 0, 128));
        encoder->OnTerminate = [&](TFFEncoder*, const TTerminateInfo& info) { finished += info.Finished; };
        encoder->OnProgress = [&](TFFEncoder*, int, int64_t, int64_t) { ++progress; };
    }
    ASSERT_TRUE(first.Start(0));
    ASSERT_TRUE(second.Start(0));
    ASSERT_TRUE(WaitUntil([&] { return finished == 2; }));
    EXPECT_GT(progress, 0);
    EXPECT_NEAR(Probe(folder.filePath("a.mp3")).Duration, 4.0, 0.15);
    EXPECT_NEAR(Probe(folder.filePath("b.mp3")).Duration, 4.0, 0.15);
}

TEST(FFEncoderTest, TaskWithoutOutputOrInputIsRefused)
{
    ASSERT_TRUE(TFFEncoder::LoadAVLib(QString()));
    TFFEncoder encoder;
    EXPECT_FALSE(encoder.Decoder().LoadFile("/nonexistent/file.flv", QString()));
    EXPECT_EQ(encoder.AddTask("/nonexistent/file.flv", {}), -1);
    EXPECT_FALSE(encoder.Start(0));
    EXPECT_FALSE(encoder.SetOutputFile(0, "x.mp3", {}));
    ASSERT_EQ(encoder.AddTask(Media(KFlv), {}), 0);
    std::optional<TTerminateInfo> result;
    encoder.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& info) { result = info; };
    ASSERT_TRUE(encoder.Start(0));
    ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }));
    EXPECT_FALSE(result->Finished);
    EXPECT_TRUE(result->Exception);
}
} // namespace
