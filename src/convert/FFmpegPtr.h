#pragma once

// Owning handles for the FFmpeg objects of a conversion. Only the conversion's .cpp files
// include this; the public headers stay free of FFmpeg.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QByteArray>
#include <QFile>
#include <QString>

namespace FFmpeg
{
struct TInputCloser
{
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct TOutputCloser
{
    void operator()(AVFormatContext* c) const
    {
        if (c->pb && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct TCodecFree
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TFrameFree
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TPacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TSwrFree
{
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct TFifoFree
{
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct TDictFree
{
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

using TInputPtr = std::unique_ptr<AVFormatContext, TInputCloser>;
using TOutputPtr = std::unique_ptr<AVFormatContext, TOutputCloser>;
using TCodecPtr = std::unique_ptr<AVCodecContext, TCodecFree>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFree>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFree>;
using TSwrPtr = std::unique_ptr<SwrContext, TSwrFree>;
using TFifoPtr = std::unique_ptr<AVAudioFifo, TFifoFree>;

// FFmpeg's text for an error code (av_err2str does not compile as C++).
inline QString ErrorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

// Opens a media file and reads its header; null on failure (error receives the code).
inline TInputPtr OpenInput(const QString& fileName, const QString& forceFormat, int& error)
{
    // Through the "file:" protocol, so a name like "pipe:1" or "http://..." stays a file name.
    const QByteArray url = "file:" + QFile::encodeName(fileName);
    const AVInputFormat* format = nullptr;
    if (!forceFormat.isEmpty())
        format = av_find_input_format(forceFormat.toUtf8().constData());
    AVFormatContext* context = nullptr;
    error = avformat_open_input(&context, url.constData(), format, nullptr);
    return TInputPtr(error < 0 ? nullptr : context);
}
} // namespace FFmpeg
