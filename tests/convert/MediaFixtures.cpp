#include "MediaFixtures.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <map>

#include "ProgramRun.h"

namespace MediaFixtures
{
namespace
{
QTemporaryDir& Folder()
{
    static QTemporaryDir folder;
    return folder;
}

bool Ffmpeg(const QStringList& args)
{
    return Run(QStringLiteral("ffmpeg"),
               QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args) == 0;
}

const QStringList KVideoSource = {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=15"};

bool Truncate(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QFile out(to);
    return out.open(QIODevice::WriteOnly) && out.write(in.read(in.size() / 2)) > 0;
}

bool RandomFile(const QString& to, const QByteArray& head)
{
    QByteArray bytes = head;
    QRandomGenerator random(4711);
    while (bytes.size() < 64 * 1024)
        bytes.append(static_cast<char>(random.generate() & 0xFF));
    QFile out(to);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

bool Make(EMedia kind, const QString& path)
{
    switch (kind) {
    case KFlv:
        return Ffmpeg(KVideoSource + QStringList{"-f", "lavfi", "-i", "sine=f=440:sample_rate=22050",
                                                 "-t", "4", "-c:v", "flv", "-c:a", "libmp3lame",
                                                 "-ar", "22050", "-ac", "1", path});
    case KMp4:
    case KMp4FastStart:
        return Ffmpeg(KVideoSource +
                      QStringList{"-f", "lavfi", "-i", "anoisesrc=d=4:c=pink:r=48000:a=0.3", "-t",
                                  "4", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac",
                                  "-ac", "2"} +
                      (kind == KMp4FastStart ? QStringList{"-movflags", "+faststart"} : QStringList()) +
                      QStringList{path});
    case KTruncatedFlv:
        return Truncate(Media(KFlv), path);
    case KTruncatedMp4:
        return Truncate(Media(KMp4), path);
    case KTruncatedFastStart:
        return Truncate(Media(KMp4FastStart), path);
    case KVideoOnly:
        return Ffmpeg(KVideoSource + QStringList{"-t", "2", "-c:v", "libx264", "-preset", "ultrafast", path});
    case KGarbage:
        return RandomFile(path, {});
    case KEmpty:
        return RandomFile(path, {}) && QFile(path).resize(0);
    case KBrokenHeader:
        return RandomFile(path, QByteArray("FLV\x01\x05\0\0\0\x09\0\0\0\0", 13));
    }
    return false;
}

const char* FileName(EMedia kind)
{
    switch (kind) {
    case KFlv: return "song.flv";
    case KMp4: return "song.mp4";
    case KMp4FastStart: return "faststart.mp4";
    case KTruncatedFlv: return "truncated.flv";
    case KTruncatedMp4: return "truncated.mp4";
    case KTruncatedFastStart: return "truncated-faststart.mp4";
    case KVideoOnly: return "video-only.mp4";
    case KGarbage: return "garbage.flv";
    case KEmpty: return "empty.flv";
    case KBrokenHeader: return "broken-header.flv";
    }
    return "unknown";
}
} // namespace

QString Media(EMedia kind)
{
    static std::map<EMedia, QString> made;
    const auto found = made.find(kind);
    if (found != made.end())
        return found->second;
    const QString path = Folder().filePath(QString::fromLatin1(FileName(kind)));
    const QString result = Make(kind, path) ? path : QString();
    made[kind] = result;
    return result;
}

int Run(const QString& program, const QStringList& args, QString* out, QString* err)
{
    const TestSupport::TProgramRun run = TestSupport::RunProcess(program, args);
    if (out)
        *out = QString::fromUtf8(run.Out);
    if (err)
        *err = QString::fromUtf8(run.Err);
    return run.ExitCode;
}

TAudioInfo Probe(const QString& fileName)
{
    QString out;
    Run(QStringLiteral("ffprobe"),
        {"-v", "error", "-select_streams", "a:0", "-show_entries",
         "stream=codec_name,sample_rate,channels,bit_rate:format=format_name,duration", "-of",
         "default=noprint_wrappers=1", fileName},
        &out);
    TAudioInfo info;
    for (const QString& line : out.split(u'\n')) {
        const QString key = line.section(u'=', 0, 0);
        const QString value = line.section(u'=', 1);
        if (key == u"format_name")
            info.Format = value;
        else if (key == u"codec_name")
            info.Codec = value;
        else if (key == u"sample_rate")
            info.SampleRate = value.toInt();
        else if (key == u"channels")
            info.Channels = value.toInt();
        else if (key == u"bit_rate")
            info.BitRate = value.toLongLong();
        else if (key == u"duration")
            info.Duration = value.toDouble();
    }
    return info;
}

bool DecodesCleanly(const QString& fileName)
{
    QString err;
    const int code = Run(QStringLiteral("ffmpeg"),
                         {"-hide_banner", "-v", "error", "-xerror", "-i", fileName, "-f", "null", "-"},
                         nullptr, &err);
    return code == 0 && err.trimmed().isEmpty();
}
} // namespace MediaFixtures
