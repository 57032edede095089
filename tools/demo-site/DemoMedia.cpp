// The demo catalogue and its media, made with the ffmpeg program and cached on disk.
#include "DemoSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace
{
// Bump when the recipe below changes, so that cached files are made again.
constexpr int KMediaRecipe = 1;
constexpr int KShortDuration = 4;

// Sums of tones: a plucked arpeggio over a slowly pulsing bass, with a little noise.
QString MusicExpression(double base)
{
    const QString step = QStringLiteral("floor(mod(t*4,4))");
    const QString semitones = QStringLiteral("(4*%1-gte(%1,2)+gte(%1,3))").arg(step);
    return QStringLiteral("0.3*sin(2*PI*%1*pow(2,%2/12)*t)*exp(-5*mod(t,0.25))"
                          "+0.15*sin(PI*%1*t)*(0.6+0.4*sin(PI*t))+0.03*(2*random(0)-1)")
        .arg(base)
        .arg(semitones);
}
} // namespace

std::vector<TDemoSong> DemoCatalogue()
{
    return {
        {QStringLiteral("aB3dE5fG7hJ"), QStringLiteral("Summer Rain"), QStringLiteral("The Lanterns"),
         QStringLiteral("Harbour Lights"), 214},
        {QStringLiteral("Kx9_LmN2pQr"), QStringLiteral("Rock & Roll \"Night\" <Live>"),
         QStringLiteral("Mick O'Dell & Friends"), QStringLiteral("Loud & Clear"), 187},
        {QStringLiteral("zZ8-yY7xX6w"), QStringLiteral("Caf\u00E9 del Sol"), QStringLiteral("Zo\u00EB Br\u00F6nte"),
         QStringLiteral("Ma\u00F1ana"), 201},
        {QStringLiteral("Qp0oI9uY8tR"), QStringLiteral("\u041D\u043E\u0447\u043D\u043E\u0439 \u0433\u043E\u0440\u043E\u0434"),
         QStringLiteral("\u041A\u0438\u043D\u043E-\u0417\u0432\u0443\u043A"), QStringLiteral("\u0413\u043E\u0440\u043E\u0434"), 241},
        {QStringLiteral("mN1bV2cX3zL"), QStringLiteral("\u6771\u4EAC\u306E\u591C"), QStringLiteral("\u6708\u5149\u30D0\u30F3\u30C9"),
         QStringLiteral("\u591C\u666F"), 199},
        {QStringLiteral("Hh4Gg5Ff6Dd"), QStringLiteral("It's 100% Fine / Really"), QStringLiteral("Percent Signs"),
         QStringLiteral("50/50"), 163},
        {QStringLiteral("Ts7Rq8Po9Nm"), QStringLiteral("\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AE \u039C\u03AD\u03C1\u03B1"),
         QStringLiteral("\u0389\u03BB\u03B9\u03BF\u03C2"), QStringLiteral("\u0398\u03AC\u03BB\u03B1\u03C3\u03C3\u03B1"), 172},
        {QStringLiteral("Wv-Uu_Ww0Xx"), QStringLiteral("Long Road Home (Extended Mix)"), QStringLiteral("DJ Example"),
         QString(), 305},
    };
}

const TDemoSong* TDemoSite::FindSong(const QString& id) const
{
    for (const TDemoSong& s : FSongs)
        if (s.Id == id)
            return &s;
    return nullptr;
}

int TDemoSite::MediaDuration(const TDemoSong& song) const
{
    return FOptions.FullLength ? song.Duration : KShortDuration;
}

QString TDemoSite::MediaFile(const QString& id, const QString& extension)
{
    const TDemoSong* song = FindSong(id);
    if (!song || (extension != u"flv" && extension != u"mp4"))
        return {};
    // The name carries everything the content depends on, so a cached file is reused.
    const QString target = QDir(FOptions.CacheDir)
                               .filePath(QStringLiteral("%1-%2s-r%3.%4")
                                             .arg(song->Id)
                                             .arg(MediaDuration(*song))
                                             .arg(KMediaRecipe)
                                             .arg(extension));
    std::lock_guard guard(FMediaLock);
    if (QFileInfo(target).size() > 0)
        return target;
    return MakeMedia(*song, extension, target) ? target : QString();
}

bool TDemoSite::PrepareAllMedia()
{
    bool ok = true;
    for (const TDemoSong& s : FSongs)
        for (const QString& ext : {QStringLiteral("flv"), QStringLiteral("mp4")})
            ok = !MediaFile(s.Id, ext).isEmpty() && ok;
    return ok;
}

bool TDemoSite::MakeMedia(const TDemoSong& song, const QString& extension, const QString& target)
{
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return false;
    const int duration = MediaDuration(song);
    // A different key per song: the base tone follows the identifier.
    const double base = 146.83 * (1.0 + (qHash(song.Id) % 12) / 12.0);
    const QString expr = MusicExpression(base);
    QStringList args = {
        QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc2=size=160x120:rate=12:duration=%1").arg(duration),
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("aevalsrc=exprs='%1|%1':s=44100:d=%2").arg(expr).arg(duration),
    };
    if (extension == u"flv")
        args << QStringLiteral("-c:v") << QStringLiteral("flv1") << QStringLiteral("-b:v") << QStringLiteral("200k")
             << QStringLiteral("-c:a") << QStringLiteral("libmp3lame") << QStringLiteral("-b:a") << QStringLiteral("128k")
             << QStringLiteral("-ar") << QStringLiteral("44100") << QStringLiteral("-f") << QStringLiteral("flv");
    else
        args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset") << QStringLiteral("ultrafast")
             << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p") << QStringLiteral("-c:a") << QStringLiteral("aac")
             << QStringLiteral("-b:a") << QStringLiteral("128k") << QStringLiteral("-movflags") << QStringLiteral("+faststart")
             << QStringLiteral("-f") << QStringLiteral("mp4");
    // Made under a temporary name and renamed, so that a second process sharing the cache
    // never reads a half-written file.
    const QString temp = target + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    args << QStringLiteral("-shortest") << temp;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    const bool ok = ffmpeg.waitForFinished(600000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
                    ffmpeg.exitCode() == 0 && QFileInfo(temp).size() > 0;
    if (!ok || !QFile::rename(temp, target)) {
        QFile::remove(temp);
        return QFileInfo(target).size() > 0;
    }
    return true;
}

QString TDemoSite::DefaultCacheDir(bool fullLength)
{
    if (!fullLength)
        return QStringLiteral(VARNELO_DEMO_TEST_CACHE);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("varnelo-demo-site"));
}
