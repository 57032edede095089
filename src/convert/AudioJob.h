#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

// One audio conversion as the encoder's worker runs it: decode the input's audio (video is
// dropped), resample, encode and mux. The result is written to a temporary file beside the
// output and renamed to the output's name only when the run finished, so a failed or
// stopped run never leaves a half-written file under that name.
struct TAudioJob
{
    QString InputFile;
    QString ForceFormat;    // input container; empty: probe
    QString OutputFile;
    QString FileExt;        // ".mp3": chooses the output container
    QString AudioCodec;     // encoder name; empty: the container's default
    int AudioChannels = 2;
    int AudioSampleRate = 44100;
    int64_t AudioBitrate = 128000; // bit/s
    int64_t TimeStart = 0;         // microseconds of the input skipped
    int64_t TimeLength = 0;        // microseconds written at most; 0 or less: no limit
};

struct TAudioJobResult
{
    bool Finished = false; // the output file is complete under its name
    bool Stopped = false;  // ended by the stop flag
    QString Error;         // why it failed; empty when finished or stopped
};

// Receives the audio written so far and the expected total (0 when unknown), in microseconds.
using TAudioJobProgress = std::function<void(int64_t doneUs, int64_t totalUs)>;

// Runs the job on the calling thread. The stop flag is polled between packets.
TAudioJobResult RunAudioJob(const TAudioJob& job, const std::atomic<bool>& stop,
                            const TAudioJobProgress& progress);
