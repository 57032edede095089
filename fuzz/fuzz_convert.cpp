// The MP3 conversion on damaged media: it must end without a crash, and a run that did not
// finish leaves no file behind. Seeds in corpus/convert are short FLV, MP4 and MP3 files.
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "convert/AudioJob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString input = dir.filePath("input.media");
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();
    }
    QDir out(dir.filePath("out"));
    out.removeRecursively();
    QDir(dir.path()).mkdir("out");

    TAudioJob job;
    job.InputFile = input;
    job.OutputFile = out.filePath("song.mp3");
    job.FileExt = ".mp3";
    job.AudioCodec = "libmp3lame";
    job.AudioBitrate = 64000;
    job.TimeLength = 30000000; // damaged lengths must not make a run endless
    const std::atomic<bool> stop{false};
    const TAudioJobResult result = RunAudioJob(job, stop, {});
    const QStringList left = out.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    if (left != (result.Finished ? QStringList{"song.mp3"} : QStringList()))
        std::abort();
    return 0;
}
