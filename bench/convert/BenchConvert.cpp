// Times our MP3 conversion against the ffmpeg program with the same encoder settings (LAME's
// defaults, 192 kbit/s, 44100 Hz stereo), one at a time and two at once, and our tag write on
// a 10 MB MP3 against cp of the same file. Inputs are 4-minute MP4 (H.264 + AAC) and FLV
// (Sorenson + MP3) files with music-like sound (chords, vibrato and pink noise), made here.
//
//   bench_convert [ROUNDS]       (the median of ROUNDS runs is printed; default 3)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include "convert/AudioConversion.h"
#include "convert/FFEncoder.h"
#include "convert/ID3v2.h"

extern char** environ;

namespace
{
struct TTiming
{
    double Wall = 0; // seconds
    double Cpu = 0;  // seconds, user + system
};

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double ProcessCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double ChildrenCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the programs at the same time and waits for all of them; false when one fails.
bool RunPrograms(const std::vector<QStringList>& commands)
{
    std::vector<pid_t> pids;
    for (const QStringList& command : commands) {
        std::vector<QByteArray> bytes;
        for (const QString& arg : command)
            bytes.push_back(arg.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& arg : bytes)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return false;
        pids.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : pids) {
        int status = 0;
        ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

QStringList FfmpegConvert(const QString& in, const QString& out)
{
    return {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i", in, "-vn",
            "-ac", "2", "-ar", "44100", "-c:a", "libmp3lame", "-b:a", "192k", out};
}

TTiming TimePrograms(const std::vector<QStringList>& commands)
{
    const double wall = Now();
    const double cpu = ChildrenCpu();
    if (!RunPrograms(commands)) {
        std::fprintf(stderr, "a program failed: %s\n", qPrintable(commands.front().join(u' ')));
        std::exit(1);
    }
    return {Now() - wall, ChildrenCpu() - cpu};
}

// Our conversions, each with its own encoder, all at once.
TTiming TimeOurs(const std::vector<std::pair<QString, QString>>& jobs)
{
    std::vector<std::unique_ptr<TFFEncoder>> encoders;
    int ended = 0;
    bool allFinished = true;
    QEventLoop loop;
    const double wall = Now();
    const double cpu = ProcessCpu();
    for (const auto& [in, out] : jobs) {
        auto encoder = std::make_unique<TFFEncoder>();
        const int index = encoder->AddTask(in, {});
        encoder->SetOutputFile(index, out, MakeAudioOutputOptions(out, ".mp3", 0, 192));
        encoder->OnTerminate = [&](TFFEncoder*, const TTerminateInfo& info) {
            allFinished = allFinished && info.Finished;
            if (++ended == static_cast<int>(jobs.size()))
                loop.quit();
        };
        encoder->Start(0);
        encoders.push_back(std::move(encoder));
    }
    loop.exec();
    const TTiming timing{Now() - wall, ProcessCpu() - cpu};
    if (!allFinished) {
        std::fprintf(stderr, "our conversion failed\n");
        std::exit(1);
    }
    return timing;
}

TTiming Median(std::vector<TTiming> runs)
{
    std::sort(runs.begin(), runs.end(), [](const TTiming& a, const TTiming& b) { return a.Wall < b.Wall; });
    return runs[runs.size() / 2];
}

void Print(const char* what, const TTiming& ours, const TTiming& peer, const char* peerName)
{
    std::printf("%-34s ours %7.3f s wall %7.3f s cpu | %-6s %7.3f s wall %7.3f s cpu | ratio wall %.2f cpu %.2f\n",
                what, ours.Wall, ours.Cpu, peerName, peer.Wall, peer.Cpu, ours.Wall / peer.Wall,
                ours.Cpu / peer.Cpu);
    std::fflush(stdout);
}

// Chords with vibrato and a slow tremolo over pink noise: closer to music than a sine.
const char* KMusic =
    "aevalsrc='0.25*sin(2*PI*(220+3*sin(5*t))*t)*(0.6+0.4*sin(0.7*t))+0.2*sin(2*PI*277.2*t)*(0.5+0.5*sin(1.3*t))"
    "+0.15*sin(2*PI*329.6*t)+0.1*sin(2*PI*(440+2*sin(7*t))*t)*abs(sin(2*t))|"
    "0.25*sin(2*PI*(220.5+3*sin(4*t))*t)*(0.6+0.4*sin(0.9*t))+0.2*sin(2*PI*164.8*t)+0.12*sin(2*PI*659.3*t)*abs(sin(3*t))'"
    ":s=44100:d=240";

bool MakeInput(const QString& path, bool mp4)
{
    QStringList args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                        "-f", "lavfi", "-i", "testsrc=size=320x240:rate=15:d=240",
                        "-f", "lavfi", "-i", KMusic,
                        "-f", "lavfi", "-i", "anoisesrc=d=240:c=pink:r=44100:a=0.08",
                        "-filter_complex", "[1:a][2:a]amix=inputs=2:normalize=0[a]",
                        "-map", "0:v", "-map", "[a]", "-t", "240"};
    if (mp4)
        args << "-c:v" << "libx264" << "-preset" << "ultrafast" << "-c:a" << "aac" << "-b:a" << "128k";
    else
        args << "-c:v" << "flv" << "-c:a" << "libmp3lame" << "-b:a" << "128k";
    args << path;
    return RunPrograms({args});
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (!TFFEncoder::LoadAVLib(QString())) {
        std::fprintf(stderr, "no MP3 encoder in the FFmpeg libraries\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString mp4 = dir.filePath("song.mp4");
    const QString flv = dir.filePath("song.flv");
    std::printf("making 4-minute inputs...\n");
    std::fflush(stdout);
    if (!MakeInput(mp4, true) || !MakeInput(flv, false)) {
        std::fprintf(stderr, "ffmpeg could not make the inputs\n");
        return 1;
    }
    // Warm the page cache and the libraries.
    TimeOurs({{mp4, dir.filePath("warm.mp3")}});
    std::printf("median of %d rounds; MP3 192 kbit/s 44100 Hz stereo, LAME defaults on both sides\n", rounds);

    for (const auto& [name, input] : {std::pair{"4-min MP4 (H.264+AAC) -> MP3", mp4},
                                      std::pair{"4-min FLV (Sorenson+MP3) -> MP3", flv}}) {
        std::vector<TTiming> ours, peer;
        for (int i = 0; i < rounds; ++i) {
            // Alternate which side goes first, so neither always meets a warmer machine.
            if (i % 2)
                peer.push_back(TimePrograms({FfmpegConvert(input, dir.filePath("peer.mp3"))}));
            ours.push_back(TimeOurs({{input, dir.filePath("ours.mp3")}}));
            if (i % 2 == 0)
                peer.push_back(TimePrograms({FfmpegConvert(input, dir.filePath("peer.mp3"))}));
        }
        Print(name, Median(ours), Median(peer), "ffmpeg");
    }
    {
        std::vector<TTiming> ours, peer;
        for (int i = 0; i < rounds; ++i) {
            ours.push_back(TimeOurs({{mp4, dir.filePath("a.mp3")}, {flv, dir.filePath("b.mp3")}}));
            peer.push_back(TimePrograms({FfmpegConvert(mp4, dir.filePath("pa.mp3")),
                                         FfmpegConvert(flv, dir.filePath("pb.mp3"))}));
        }
        Print("two at once (MP4 + FLV)", Median(ours), Median(peer), "ffmpeg");
    }
    {
        // A 10 MB MP3 (about 4.4 minutes at 320 kbit/s) with the encoder's own ID3v2.4 tag.
        const QString source = dir.filePath("big.mp3");
        if (!RunPrograms({{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f",
                           "lavfi", "-i", "anoisesrc=d=262:c=pink:r=44100", "-ac", "2", "-c:a",
                           "libmp3lame", "-b:a", "320k", source}})) {
            std::fprintf(stderr, "ffmpeg could not make the 10 MB file\n");
            return 1;
        }
        const QString tagged = dir.filePath("tagged.mp3");
        std::vector<TTiming> ours, peer;
        for (int i = 0; i < std::max(rounds, 5); ++i) {
            QFile::remove(tagged);
            QFile::copy(source, tagged);
            // Both sides start from files already on disk, not from pages still being written.
            ::sync();
            const double wall = Now();
            const double cpu = ProcessCpu();
            WriteMp3Tags(tagged, "A title", "An artist", "An album");
            ours.push_back({Now() - wall, ProcessCpu() - cpu});
            peer.push_back(TimePrograms({{"cp", source, dir.filePath("copy.mp3")}}));
        }
        std::printf("(file of %.1f MB)\n", static_cast<double>(QFile(source).size()) / 1e6);
        Print("tag write on a 10 MB MP3", Median(ours), Median(peer), "cp");
    }
    return 0;
}
