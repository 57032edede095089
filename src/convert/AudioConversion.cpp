#include "convert/AudioConversion.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/DebugLog.h"
#include "common/FileFunctions.h"
#include "convert/ID3v2.h"

namespace
{
TConversionMessage GMessage;
std::function<bool(const QString&)> GLoader;
// The encoders of running conversions; main thread only.
std::vector<std::unique_ptr<TFFEncoder>> GEncoders;
// The hand-over of finished conversions; detached at shutdown.
TWorkerLinkPtr GLink = std::make_shared<TWorkerLink>();

std::unique_ptr<TFFEncoder> TakeEncoder(TFFEncoder* encoder)
{
    const auto it = std::find_if(GEncoders.begin(), GEncoders.end(),
                                 [encoder](const auto& e) { return e.get() == encoder; });
    if (it == GEncoders.end())
        return nullptr;
    std::unique_ptr<TFFEncoder> taken = std::move(*it);
    GEncoders.erase(it);
    return taken;
}

bool LoadLibraries()
{
    if (TFFEncoder::AVLibLoaded() && !GLoader)
        return true;
    return GLoader ? GLoader(GetAppFileName()) : TFFEncoder::LoadAVLib(GetAppFileName());
}
} // namespace

void SetConversionMessageHandler(TConversionMessage handler) { GMessage = std::move(handler); }

void SetAVLibLoader(std::function<bool(const QString& path)> loader) { GLoader = std::move(loader); }

TOutputOptions MakeAudioOutputOptions(const QString& outputPath, const QString& convertType,
                                      int length, int bitrate)
{
    const QString type = convertType.startsWith(u'.') ? convertType.mid(1) : convertType;
    TOutputOptions options;
    options.FileName = outputPath;
    options.FileExt = u'.' + type;
    options.DisableVideo = true;
    options.AudioChannels = 2;
    options.AudioSampleRate = 44100;
    options.AudioBitrate = static_cast<int64_t>(bitrate) * 1000;
    if (type == u"mp3")
        options.AudioCodec = QStringLiteral("libmp3lame");
    else if (type == u"aac")
        options.AudioCodec = QStringLiteral("libfaac");
    options.VideoBitrate = 200000;
    options.TimeStart = 0;
    // A length of 0 (unknown) means the whole input, not an empty file.
    options.TimeLength = length > 0 ? static_cast<int64_t>(length) * 1000000 : 0;
    return options;
}

TFFEncoder* StartAudioConversion(const QString& inputFile, const QString& outputPath,
                                 const QString& convertType, int bitrate, int length,
                                 TEncoderTerminate onTerminate)
{
    try {
        auto encoder = std::make_unique<TFFEncoder>();
        encoder->OnTerminate = std::move(onTerminate);
        if (!LoadLibraries()) {
            if (GMessage)
                GMessage(QStringLiteral("MsgBox.AVLibLoadFailed"));
            return nullptr;
        }
        encoder->Decoder().LoadFile(inputFile, QString());
        TInputOptions input;
        input.FileName = encoder->Decoder().FileName();
        input.ForceFormat = encoder->Decoder().ForceFormat();
        const int index = encoder->AddTask(inputFile, input);
        if (index < 0) {
            DebugLog::LogTag(QStringLiteral("Convert"), QStringLiteral("not media: %1").arg(inputFile));
            return nullptr;
        }
        const TOutputOptions output = MakeAudioOutputOptions(outputPath, convertType, length, bitrate);
        if (!encoder->SetOutputFile(index, outputPath, output) || !encoder->Start(0))
            return nullptr;
        GEncoders.push_back(std::move(encoder));
        return GEncoders.back().get();
    } catch (...) {
        return nullptr;
    }
}

void EncoderTerminated(TFFEncoder* sender, const TTerminateInfo& info,
                       const TOnConvertFinished& onConvertFinished)
{
    std::unique_ptr<TFFEncoder> encoder = TakeEncoder(sender);
    if (!encoder)
        return;
    const bool finished = info.TaskIndex >= 0 && info.Finished;
    if (!finished && info.Exception)
        DebugLog::LogTag(QStringLiteral("Convert"), info.ExceptionMsg);
    // A failed or stopped run gets no tags, but its encoder is released all the same.
    TFreeFFVCLThread::Start(std::make_unique<TFreeFFVCLThread>(
        std::move(encoder), finished ? onConvertFinished : TOnConvertFinished(), info.TaskIndex, GLink));
}

void ConvertFinished(const QString& outputPath, const TFindTaskTags& findTask)
{
    QString title, artist, album;
    if (outputPath.isEmpty() || !findTask || !findTask(outputPath, title, artist, album))
        return;
    WriteMp3Tags(outputPath, title, artist, album);
}

int RunningAudioConversions() { return static_cast<int>(GEncoders.size()); }

void StopAllAudioConversions()
{
    GLink->Detach();
    GLink = std::make_shared<TWorkerLink>();
    for (auto& encoder : GEncoders)
        encoder->Stop();
    GEncoders.clear(); // each waits for its worker, which removes its unfinished file
    TFreeFFVCLThread::WaitForAll();
}
