#include "convert/FFEncoder.h"

#include <QFileInfo>

#include "common/DebugLog.h"
#include "convert/AudioJob.h"
#include "convert/FFmpegPtr.h"

namespace
{
std::atomic<bool> GAVLibLoaded{false};

// FFmpeg's own messages go to the debug log channel instead of the terminal.
void LogFFmpeg(void* avcl, int level, const char* format, va_list args)
{
    if (level > AV_LOG_WARNING || !DebugLog::IsActive())
        return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(avcl, level, format, args, line, sizeof line, &printPrefix);
    DebugLog::LogTag(QStringLiteral("FFmpeg"), QString::fromUtf8(line).trimmed());
}
} // namespace

bool TFFDecoder::LoadFile(const QString& fileName, const QString& formatName)
{
    FFileName.clear();
    FForceFormat.clear();
    int error = 0;
    if (!FFmpeg::OpenInput(fileName, formatName, error))
        return false;
    FFileName = fileName;
    FForceFormat = formatName;
    return true;
}

TFFEncoder::TFFEncoder() = default;

TFFEncoder::~TFFEncoder()
{
    FStop = true;
    FLink->Detach();
    if (FWorker.joinable())
        FWorker.join();
}

bool TFFEncoder::AVLibLoaded() { return GAVLibLoaded.load(); }

bool TFFEncoder::LoadAVLib(const QString& path)
{
    Q_UNUSED(path) // linked into the program, not loaded from its folder
    const bool usable = avcodec_find_encoder_by_name("libmp3lame") != nullptr &&
                        av_guess_format("mp3", nullptr, nullptr) != nullptr;
    if (usable && !GAVLibLoaded.exchange(true))
        av_log_set_callback(LogFFmpeg);
    return usable;
}

int TFFEncoder::AddTask(const QString& fileName, const TInputOptions& options)
{
    int error = 0;
    if (FRunning || !FFmpeg::OpenInput(fileName, options.ForceFormat, error))
        return -1;
    TTask task;
    task.Input = options;
    task.Input.FileName = fileName;
    FTasks.push_back(task);
    return static_cast<int>(FTasks.size()) - 1;
}

bool TFFEncoder::SetOutputFile(int taskIndex, const QString& fileName, const TOutputOptions& options)
{
    if (FRunning || taskIndex < 0 || taskIndex >= static_cast<int>(FTasks.size()))
        return false;
    TTask& task = FTasks[static_cast<size_t>(taskIndex)];
    task.Output = options;
    task.Output.FileName = fileName;
    task.HasOutput = true;
    return true;
}

TOutputOptions TFFEncoder::OutputOptions(int taskIndex, int outputIndex) const
{
    if (outputIndex != 0 || taskIndex < 0 || taskIndex >= static_cast<int>(FTasks.size()) ||
        !FTasks[static_cast<size_t>(taskIndex)].HasOutput)
        return {};
    return FTasks[static_cast<size_t>(taskIndex)].Output;
}

void TFFEncoder::ClearTasks()
{
    if (!FRunning)
        FTasks.clear();
}

bool TFFEncoder::Start(int threadCount)
{
    Q_UNUSED(threadCount)
    if (FRunning || FTasks.empty())
        return false;
    if (FWorker.joinable()) // an earlier run has ended
        FWorker.join();
    FStop = false;
    FRunning = true;
    FWorker = std::thread([this, tasks = FTasks] { Work(tasks); });
    return true;
}

void TFFEncoder::Stop() { FStop = true; }

void TFFEncoder::Work(const std::vector<TTask>& tasks)
{
    for (size_t i = 0; i < tasks.size(); ++i) {
        const TTask& task = tasks[i];
        const int index = static_cast<int>(i);
        TTerminateInfo info;
        info.TaskIndex = index;
        if (!task.HasOutput) {
            info.Exception = true;
            info.ExceptionMsg = QStringLiteral("no output file");
        } else if (!FStop) {
            TAudioJob job;
            job.InputFile = task.Input.FileName;
            job.ForceFormat = task.Input.ForceFormat;
            job.OutputFile = task.Output.FileName;
            job.FileExt = task.Output.FileExt;
            job.AudioCodec = task.Output.AudioCodec;
            job.AudioChannels = task.Output.AudioChannels;
            job.AudioSampleRate = task.Output.AudioSampleRate;
            job.AudioBitrate = task.Output.AudioBitrate;
            job.TimeStart = task.Output.TimeStart;
            job.TimeLength = task.Output.TimeLength;
            const TAudioJobResult result =
                RunAudioJob(job, FStop, [this, index](int64_t doneUs, int64_t totalUs) {
                    PostToMainThread(FLink, [this, index, doneUs, totalUs] {
                        if (OnProgress)
                            OnProgress(this, index, doneUs, totalUs);
                    });
                });
            info.Finished = result.Finished;
            info.Exception = !result.Finished && !result.Stopped;
            info.ExceptionMsg = result.Error;
        }
        const bool last = i + 1 == tasks.size();
        if (last)
            FRunning = false;
        // The handler may release this encoder: take a copy of it first and touch nothing after.
        PostToMainThread(FLink, [this, info] {
            const auto handler = OnTerminate;
            if (handler)
                handler(this, info);
        });
    }
}
