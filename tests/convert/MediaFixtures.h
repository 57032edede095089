#pragma once

#include <QString>
#include <QStringList>

// Media files made once per test run with the ffmpeg program, and independent readers.
namespace MediaFixtures
{
enum EMedia {
    KFlv,             // 4 s, Sorenson video + MP3 mono 22050 Hz
    KMp4,             // 4 s, H.264 + AAC stereo 48000 Hz, index at the end
    KMp4FastStart,    // as KMp4 with the index in front
    KTruncatedFlv,    // KFlv cut after half its bytes
    KTruncatedMp4,    // KMp4 cut after half its bytes (index lost)
    KTruncatedFastStart, // KMp4FastStart cut after half its bytes (index intact)
    KVideoOnly,       // 2 s H.264 in MP4, no audio
    KGarbage,         // random bytes named .flv
    KEmpty,           // an empty file
    KBrokenHeader,    // an FLV header followed by random bytes
};

// The path of the media file, made on first use; empty when ffmpeg failed.
QString Media(EMedia kind);

// Runs a program; returns its exit code (-1 when it could not run) and its output.
int Run(const QString& program, const QStringList& args, QString* out = nullptr, QString* err = nullptr);

struct TAudioInfo
{
    QString Format;
    QString Codec;
    int SampleRate = 0;
    int Channels = 0;
    long long BitRate = 0;
    double Duration = 0;
};
// ffprobe's view of the first audio stream and the container.
TAudioInfo Probe(const QString& fileName);
// True when the ffmpeg program decodes all of the file's audio without an error.
bool DecodesCleanly(const QString& fileName);
} // namespace MediaFixtures
