#include "convert/AudioJob.h"

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <stdexcept>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "common/DebugLog.h"
#include "convert/FFmpegPtr.h"

using namespace FFmpeg;

namespace
{
// A failure with FFmpeg's text for its code.
class TJobError final : public std::runtime_error
{
public:
    explicit TJobError(const QString& what) : std::runtime_error(what.toStdString()) {}
};

class TStopped final
{
};

int Check(int ret, const char* what)
{
    if (ret < 0)
        throw TJobError(QStringLiteral("%1: %2").arg(QLatin1String(what), ErrorText(ret)));
    return ret;
}

// A new, empty file beside target whose name no one else uses; it is hidden and marked as
// unfinished. Created with the usual permissions (0666 less the umask).
QString CreateTempBeside(const QString& target)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".%1.%2.part")
                                 .arg(info.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        QFile file(info.dir().filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file.fileName();
        if (file.exists())
            continue;
        break;
    }
    throw TJobError(QStringLiteral("cannot create a file in %1").arg(info.absolutePath()));
}

// The decoder's sample format when the encoder takes it (no conversion, as the ffmpeg program
// negotiates it), otherwise the encoder's first.
AVSampleFormat EncoderSampleFormat(const AVCodec* codec, AVSampleFormat decoded)
{
    if (!codec->sample_fmts)
        return decoded != AV_SAMPLE_FMT_NONE ? decoded : AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == decoded)
            return decoded;
    return codec->sample_fmts[0];
}

class TAudioTranscoder final
{
public:
    TAudioTranscoder(const TAudioJob& job, const std::atomic<bool>& stop,
                     const TAudioJobProgress& progress)
        : FJob(job), FStop(stop), FProgress(progress)
    {
    }
    ~TAudioTranscoder()
    {
        EndEncodeLoop(true);
        av_channel_layout_uninit(&FSwrLayout);
    }
    Q_DISABLE_COPY_MOVE(TAudioTranscoder)

    void OpenInput();
    void OpenOutput(const QString& fileName);
    void Run();

private:
    void Decode();
    void SetUpResampler(const AVFrame& in);
    void ReceiveDecoded();
    void Resample(const AVFrame* in);
    void Push(uint8_t** data, int count);
    void EncodeFromFifo(bool flush);
    bool ReadFrameFromFifo(int frameSize, bool flush);
    void Encode(AVFrame* frame);
    void EncodeLoop();
    void EndEncodeLoop(bool abort);
    void ReportProgress(bool force);
    void CheckCompleteness() const;

    const TAudioJob& FJob;
    const std::atomic<bool>& FStop;
    const TAudioJobProgress& FProgress;

    TInputPtr FInput;
    int FStreamIndex = -1;
    TCodecPtr FDecoder;
    TOutputPtr FOutput;
    AVStream* FOutStream = nullptr;
    TCodecPtr FEncoder;
    TSwrPtr FSwr; // null while the input needs no conversion
    bool FFormatKnown = false;
    AVChannelLayout FSwrLayout = {};
    int FSwrFormat = -1;
    int FSwrRate = 0;
    TFifoPtr FFifo;
    TFramePtr FDecoded{av_frame_alloc()};
    TFramePtr FConverted{av_frame_alloc()};
    TFramePtr FEncodeFrame{av_frame_alloc()};
    TPacketPtr FPacket{av_packet_alloc()};        // read from the input
    TPacketPtr FEncodedPacket{av_packet_alloc()}; // written to the output

    int64_t FStartSamples = 0;   // output samples to skip
    int64_t FLimitSamples = 0;   // output samples to keep at most; 0: all
    int64_t FSkipped = 0;
    int64_t FKept = 0;           // output samples that went to the encoder
    int64_t FNextPts = 0;
    int64_t FReportedUs = -1;
    bool FLimitReached = false;

    // Decoding and encoding overlap: this thread decodes into the FIFO, the encode thread
    // takes whole frames from it. FIFO and flags are shared under the mutex.
    std::mutex FMutex;
    std::condition_variable FFifoChanged;
    int FFrameSize = 1152; // samples per frame the encoder takes
    bool FInputDone = false;
    bool FAbort = false;
    bool FDecoderWaiting = false;
    std::exception_ptr FEncodeError;
    std::thread FEncodeThread;
};

void TAudioTranscoder::OpenInput()
{
    int error = 0;
    FInput = FFmpeg::OpenInput(FJob.InputFile, FJob.ForceFormat, error);
    if (!FInput)
        Check(error, "cannot open the input");
    Check(avformat_find_stream_info(FInput.get(), nullptr), "cannot read the input's streams");
    const AVCodec* codec = nullptr;
    FStreamIndex = Check(av_find_best_stream(FInput.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0),
                         "no decodable audio stream");
    for (unsigned i = 0; i < FInput->nb_streams; ++i)
        if (static_cast<int>(i) != FStreamIndex)
            FInput->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = FInput->streams[FStreamIndex];
    FDecoder.reset(avcodec_alloc_context3(codec));
    if (!FDecoder || !FPacket || !FEncodedPacket || !FDecoded || !FConverted || !FEncodeFrame)
        throw std::bad_alloc();
    Check(avcodec_parameters_to_context(FDecoder.get(), stream->codecpar), "decoder parameters");
    FDecoder->pkt_timebase = stream->time_base;
    Check(avcodec_open2(FDecoder.get(), codec, nullptr), "cannot open the audio decoder");
}

void TAudioTranscoder::OpenOutput(const QString& fileName)
{
    const QByteArray ext = FJob.FileExt.toUtf8();
    const AVOutputFormat* format = av_guess_format(nullptr, ("x" + ext).constData(), nullptr);
    if (!format)
        throw TJobError(QStringLiteral("no output format for \"%1\"").arg(FJob.FileExt));
    AVFormatContext* context = nullptr;
    const QByteArray url = "file:" + QFile::encodeName(fileName);
    Check(avformat_alloc_output_context2(&context, format, nullptr, url.constData()),
          "cannot set up the output");
    FOutput.reset(context);

    const AVCodec* codec = FJob.AudioCodec.isEmpty()
                               ? avcodec_find_encoder(format->audio_codec)
                               : avcodec_find_encoder_by_name(FJob.AudioCodec.toUtf8().constData());
    if (!codec)
        throw TJobError(QStringLiteral("no audio encoder \"%1\"").arg(FJob.AudioCodec));
    FEncoder.reset(avcodec_alloc_context3(codec));
    if (!FEncoder)
        throw std::bad_alloc();
    av_channel_layout_default(&FEncoder->ch_layout, FJob.AudioChannels > 0 ? FJob.AudioChannels : 2);
    FEncoder->sample_rate = FJob.AudioSampleRate > 0 ? FJob.AudioSampleRate : 44100;
    FEncoder->sample_fmt = EncoderSampleFormat(codec, FDecoder->sample_fmt);
    FEncoder->bit_rate = FJob.AudioBitrate;
    FEncoder->time_base = AVRational{1, FEncoder->sample_rate};
    if (format->flags & AVFMT_GLOBALHEADER)
        FEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(FEncoder.get(), codec, nullptr), "cannot open the audio encoder");
    if (FEncoder->frame_size > 0)
        FFrameSize = FEncoder->frame_size;

    FOutStream = avformat_new_stream(FOutput.get(), nullptr);
    if (!FOutStream)
        throw std::bad_alloc();
    FOutStream->time_base = FEncoder->time_base;
    Check(avcodec_parameters_from_context(FOutStream->codecpar, FEncoder.get()), "encoder parameters");

    FFifo.reset(av_audio_fifo_alloc(FEncoder->sample_fmt, FEncoder->ch_layout.nb_channels, 4096));
    if (!FFifo)
        throw std::bad_alloc();
    FStartSamples = av_rescale(qMax<int64_t>(FJob.TimeStart, 0), FEncoder->sample_rate, AV_TIME_BASE);
    if (FJob.TimeLength > 0)
        FLimitSamples = qMax<int64_t>(av_rescale(FJob.TimeLength, FEncoder->sample_rate, AV_TIME_BASE), 1);

    Check(avio_open(&FOutput->pb, url.constData(), AVIO_FLAG_WRITE), "cannot create the output");
    AVDictionary* options = nullptr;
    // The tags are written by us afterwards; the muxer would add an ID3v2.4 tag of its own.
    if (std::strcmp(format->name, "mp3") == 0)
        av_dict_set(&options, "id3v2_version", "0", 0);
    const int ret = avformat_write_header(FOutput.get(), &options);
    av_dict_free(&options);
    Check(ret, "cannot write the output header");
}

void TAudioTranscoder::SetUpResampler(const AVFrame& in)
{
    AVChannelLayout layout = {};
    if (in.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, in.ch_layout.nb_channels);
    else
        Check(av_channel_layout_copy(&layout, &in.ch_layout), "channel layout");
    if (FFormatKnown && FSwrFormat == in.format && FSwrRate == in.sample_rate &&
        av_channel_layout_compare(&FSwrLayout, &layout) == 0) {
        av_channel_layout_uninit(&layout);
        return;
    }
    // The input changed its format on the way (or this is the first frame): drain what the
    // old resampler holds, then set up for the new format.
    if (FSwr)
        Resample(nullptr);
    av_channel_layout_uninit(&FSwrLayout);
    FSwrLayout = layout;
    FSwrFormat = in.format;
    FSwrRate = in.sample_rate;
    if (layout.nb_channels <= 0 || in.sample_rate <= 0 || in.format < 0)
        throw TJobError(QStringLiteral("the audio stream has no valid format"));
    FFormatKnown = true;
    FSwr.reset();
    // Audio that already has the encoder's format goes to it as it is.
    if (in.format == FEncoder->sample_fmt && in.sample_rate == FEncoder->sample_rate &&
        av_channel_layout_compare(&layout, &FEncoder->ch_layout) == 0)
        return;
    SwrContext* swr = nullptr;
    Check(swr_alloc_set_opts2(&swr, &FEncoder->ch_layout, FEncoder->sample_fmt, FEncoder->sample_rate,
                              &layout, static_cast<AVSampleFormat>(in.format), in.sample_rate, 0,
                              nullptr),
          "cannot set up the resampler");
    FSwr.reset(swr);
    Check(swr_init(FSwr.get()), "cannot start the resampler");
}

void TAudioTranscoder::Resample(const AVFrame* in)
{
    const int inSamples = in ? in->nb_samples : 0;
    for (;;) {
        const int capacity = swr_get_out_samples(FSwr.get(), inSamples);
        if (capacity <= 0)
            return;
        if (FConverted->nb_samples < capacity) {
            av_frame_unref(FConverted.get());
            FConverted->format = FEncoder->sample_fmt;
            FConverted->sample_rate = FEncoder->sample_rate;
            Check(av_channel_layout_copy(&FConverted->ch_layout, &FEncoder->ch_layout), "channel layout");
            FConverted->nb_samples = capacity;
            Check(av_frame_get_buffer(FConverted.get(), 0), "out of memory");
        }
        const int got = Check(swr_convert(FSwr.get(), FConverted->extended_data, capacity,
                                          in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                          inSamples),
                              "resampling failed");
        Push(FConverted->extended_data, got);
        // Input is taken in one call; only a drain needs several.
        if (in || got == 0)
            return;
    }
}

void TAudioTranscoder::Push(uint8_t** data, int count)
{
    int offset = 0;
    if (FSkipped < FStartSamples) {
        offset = static_cast<int>(qMin<int64_t>(count, FStartSamples - FSkipped));
        FSkipped += offset;
    }
    int keep = count - offset;
    if (FLimitSamples > 0)
        keep = static_cast<int>(qMin<int64_t>(keep, FLimitSamples - FKept));
    if (keep <= 0)
        return;
    const bool planar = av_sample_fmt_is_planar(FEncoder->sample_fmt);
    const int channels = FEncoder->ch_layout.nb_channels;
    const int step = av_get_bytes_per_sample(FEncoder->sample_fmt) * (planar ? 1 : channels);
    std::vector<void*> planes(static_cast<size_t>(planar ? channels : 1));
    for (size_t i = 0; i < planes.size(); ++i)
        planes[i] = data[i] + static_cast<ptrdiff_t>(offset) * step;
    std::unique_lock lock(FMutex);
    // At most about a second of audio waits for the encoder; once full, decoding resumes at
    // half a second, so the two threads do not wake each other for every frame.
    if (av_audio_fifo_size(FFifo.get()) >= FEncoder->sample_rate) {
        FDecoderWaiting = true;
        FFifoChanged.wait(lock, [&] {
            return av_audio_fifo_size(FFifo.get()) < FEncoder->sample_rate / 2 || FEncodeError;
        });
        FDecoderWaiting = false;
    }
    if (FEncodeError)
        std::rethrow_exception(FEncodeError);
    const bool encoderMayWait = av_audio_fifo_size(FFifo.get()) < FFrameSize;
    if (av_audio_fifo_write(FFifo.get(), planes.data(), keep) < keep)
        throw TJobError(QStringLiteral("out of memory"));
    lock.unlock();
    if (encoderMayWait)
        FFifoChanged.notify_all();
    FKept += keep;
    FLimitReached = FLimitSamples > 0 && FKept >= FLimitSamples;
}

void TAudioTranscoder::ReceiveDecoded()
{
    for (;;) {
        const int ret = avcodec_receive_frame(FDecoder.get(), FDecoded.get());
        // A damaged frame is skipped like a damaged packet.
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF || ret == AVERROR_INVALIDDATA)
            return;
        Check(ret, "decoding failed");
        SetUpResampler(*FDecoded);
        if (FSwr)
            Resample(FDecoded.get());
        else
            Push(FDecoded->extended_data, FDecoded->nb_samples);
        av_frame_unref(FDecoded.get());
        ReportProgress(false);
    }
}

// Takes the next frame from the FIFO into FEncodeFrame: a whole one, or with flush the rest.
bool TAudioTranscoder::ReadFrameFromFifo(int frameSize, bool flush)
{
    const int available = qMin(av_audio_fifo_size(FFifo.get()), frameSize);
    if (available == 0 || (available < frameSize && !flush))
        return false;
    const bool shortLast = FEncoder->codec->capabilities &
                           (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    av_frame_unref(FEncodeFrame.get());
    FEncodeFrame->nb_samples = shortLast ? available : frameSize;
    FEncodeFrame->format = FEncoder->sample_fmt;
    FEncodeFrame->sample_rate = FEncoder->sample_rate;
    Check(av_channel_layout_copy(&FEncodeFrame->ch_layout, &FEncoder->ch_layout), "channel layout");
    Check(av_frame_get_buffer(FEncodeFrame.get(), 0), "out of memory");
    if (available < FEncodeFrame->nb_samples) // the encoder needs whole frames: pad with silence
        av_samples_set_silence(FEncodeFrame->extended_data, 0, FEncodeFrame->nb_samples,
                               FEncoder->ch_layout.nb_channels, FEncoder->sample_fmt);
    if (av_audio_fifo_read(FFifo.get(), reinterpret_cast<void**>(FEncodeFrame->extended_data),
                           available) < available)
        throw TJobError(QStringLiteral("audio buffer read failed"));
    FEncodeFrame->pts = FNextPts;
    FNextPts += FEncodeFrame->nb_samples;
    return true;
}

// The encode thread's body: whole frames until the input is done.
void TAudioTranscoder::EncodeLoop()
{
    try {
        for (;;) {
            std::unique_lock lock(FMutex);
            FFifoChanged.wait(lock, [&] {
                return FAbort || FInputDone || av_audio_fifo_size(FFifo.get()) >= FFrameSize;
            });
            if (FAbort || !ReadFrameFromFifo(FFrameSize, false))
                return; // the rest is flushed after the input
            const bool wakeDecoder =
                FDecoderWaiting && av_audio_fifo_size(FFifo.get()) < FEncoder->sample_rate / 2;
            lock.unlock();
            if (wakeDecoder)
                FFifoChanged.notify_all();
            Encode(FEncodeFrame.get());
        }
    } catch (...) {
        const std::lock_guard lock(FMutex);
        FEncodeError = std::current_exception();
        FFifoChanged.notify_all();
    }
}

// Ends the encode thread: after the whole input, or at once (abort) on a failure.
void TAudioTranscoder::EndEncodeLoop(bool abort)
{
    if (!FEncodeThread.joinable())
        return;
    {
        const std::lock_guard lock(FMutex);
        FInputDone = true;
        FAbort = abort;
    }
    FFifoChanged.notify_all();
    FEncodeThread.join();
    if (FEncodeError && !abort)
        std::rethrow_exception(FEncodeError);
}

// Encodes what the FIFO holds on the calling thread; with flush also a last short frame.
void TAudioTranscoder::EncodeFromFifo(bool flush)
{
    while (ReadFrameFromFifo(FFrameSize, flush))
        Encode(FEncodeFrame.get());
}

void TAudioTranscoder::Encode(AVFrame* frame)
{
    Check(avcodec_send_frame(FEncoder.get(), frame), "encoding failed");
    for (;;) {
        const int ret = avcodec_receive_packet(FEncoder.get(), FEncodedPacket.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return;
        Check(ret, "encoding failed");
        av_packet_rescale_ts(FEncodedPacket.get(), FEncoder->time_base, FOutStream->time_base);
        FEncodedPacket->stream_index = FOutStream->index;
        Check(av_interleaved_write_frame(FOutput.get(), FEncodedPacket.get()), "cannot write the output");
    }
}

void TAudioTranscoder::ReportProgress(bool force)
{
    if (!FProgress)
        return;
    const int64_t doneUs = av_rescale(FKept, AV_TIME_BASE, FEncoder->sample_rate);
    if (!force && doneUs - FReportedUs < AV_TIME_BASE)
        return;
    FReportedUs = doneUs;
    int64_t totalUs = FInput->duration > 0 ? FInput->duration - qMax<int64_t>(FJob.TimeStart, 0) : 0;
    if (FJob.TimeLength > 0 && (totalUs <= 0 || FJob.TimeLength < totalUs))
        totalUs = FJob.TimeLength;
    FProgress(doneUs, qMax<int64_t>(totalUs, 0));
}

// A download cut short still decodes, but its song is not complete: compare what was decoded
// with the length the container announces.
void TAudioTranscoder::CheckCompleteness() const
{
    if (FKept == 0)
        throw TJobError(QStringLiteral("no audio could be decoded"));
    if (FLimitReached)
        return;
    const AVStream* stream = FInput->streams[FStreamIndex];
    int64_t expectedUs = 0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        expectedUs = av_rescale_q(stream->duration, stream->time_base, AVRational{1, AV_TIME_BASE});
    else if (FInput->duration != AV_NOPTS_VALUE && FInput->duration > 0)
        expectedUs = FInput->duration;
    expectedUs -= qMax<int64_t>(FJob.TimeStart, 0);
    const int64_t decodedUs = av_rescale(FKept, AV_TIME_BASE, FEncoder->sample_rate);
    const int64_t tolerance = qMax<int64_t>(AV_TIME_BASE, expectedUs / 10);
    if (expectedUs > 0 && decodedUs + tolerance < expectedUs)
        throw TJobError(QStringLiteral("the input ends early (%1 of %2 s)")
                            .arg(decodedUs / AV_TIME_BASE)
                            .arg(expectedUs / AV_TIME_BASE));
}

void TAudioTranscoder::Run()
{
    FEncodeThread = std::thread([this] { EncodeLoop(); });
    try {
        Decode();
    } catch (...) {
        EndEncodeLoop(true);
        throw;
    }
    EndEncodeLoop(false);
    CheckCompleteness();
    EncodeFromFifo(true);
    Encode(nullptr);
    Check(av_write_trailer(FOutput.get()), "cannot finish the output");
    Check(avio_closep(&FOutput->pb), "cannot write the output");
    ReportProgress(true);
}

void TAudioTranscoder::Decode()
{
    while (!FLimitReached) {
        if (FStop.load())
            throw TStopped();
        const int ret = av_read_frame(FInput.get(), FPacket.get());
        if (ret == AVERROR_EOF)
            break;
        if (ret == AVERROR(EAGAIN))
            continue;
        Check(ret, "cannot read the input");
        if (FPacket->stream_index != FStreamIndex) {
            av_packet_unref(FPacket.get());
            continue;
        }
        int sent = avcodec_send_packet(FDecoder.get(), FPacket.get());
        if (sent == AVERROR(EAGAIN)) { // frames left behind by a damaged packet come first
            ReceiveDecoded();
            sent = avcodec_send_packet(FDecoder.get(), FPacket.get());
        }
        av_packet_unref(FPacket.get());
        // A damaged packet is skipped, as players do; what is missing shows in the length check.
        if (sent != AVERROR_INVALIDDATA)
            Check(sent, "decoding failed");
        ReceiveDecoded();
    }
    if (!FLimitReached) {
        Check(avcodec_send_packet(FDecoder.get(), nullptr), "decoding failed");
        ReceiveDecoded();
    }
    if (FSwr)
        Resample(nullptr);
}
} // namespace

TAudioJobResult RunAudioJob(const TAudioJob& job, const std::atomic<bool>& stop,
                            const TAudioJobProgress& progress)
{
    TAudioJobResult result;
    QString tempFile;
    try {
        TAudioTranscoder transcoder(job, stop, progress);
        transcoder.OpenInput();
        tempFile = CreateTempBeside(job.OutputFile);
        transcoder.OpenOutput(tempFile);
        transcoder.Run();
        // rename() replaces an older file of that name in one step.
        if (std::rename(QFile::encodeName(tempFile).constData(),
                        QFile::encodeName(job.OutputFile).constData()) != 0)
            throw TJobError(QStringLiteral("cannot rename the finished file to %1").arg(job.OutputFile));
        result.Finished = true;
        return result;
    } catch (const TStopped&) {
        result.Stopped = true;
    } catch (const std::exception& e) {
        result.Error = QString::fromStdString(e.what());
    }
    if (!tempFile.isEmpty())
        QFile::remove(tempFile);
    DebugLog::LogTag(QStringLiteral("Convert"),
                     QStringLiteral("%1 -> %2: %3")
                         .arg(job.InputFile, job.OutputFile,
                              result.Stopped ? QStringLiteral("stopped") : result.Error));
    return result;
}
