#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "common/MainThread.h"

// The encoder component: converts media files to audio files over the FFmpeg libraries on a
// worker thread of its own, one run at a time. Create one per conversion; several encoders
// run at the same time on as many threads.

struct TInputOptions
{
    QString FileName;
    QString ForceFormat; // container name; empty: probe
};

struct TOutputOptions
{
    QString FileName;
    QString FileExt;        // ".mp3": chooses the container
    bool DisableVideo = true; // the encoder writes audio only
    int AudioChannels = 2;
    int AudioSampleRate = 44100;
    int64_t AudioBitrate = 128000; // bit/s
    QString AudioCodec;           // empty: the container's default encoder
    int64_t VideoBitrate = 200000;
    int64_t TimeStart = 0;  // microseconds
    int64_t TimeLength = 0; // microseconds; 0: the whole input
};

// How a task ended. Finished: the output file is complete. Exception: it failed, with the
// reason in ExceptionMsg. Neither: it was stopped.
struct TTerminateInfo
{
    int TaskIndex = -1;
    bool Finished = false;
    bool Exception = false;
    QString ExceptionMsg;
};

// The encoder's input probe.
class TFFDecoder final
{
public:
    // Opens and probes the input (formatName empty: detect the container); true when it is media.
    bool LoadFile(const QString& fileName, const QString& formatName);
    QString FileName() const { return FFileName; }
    QString ForceFormat() const { return FForceFormat; }

private:
    QString FFileName;
    QString FForceFormat;
};

class TFFEncoder final
{
public:
    TFFEncoder();
    // Stops a running conversion and waits for its thread; its events are no longer raised.
    ~TFFEncoder();
    Q_DISABLE_COPY_MOVE(TFFEncoder)

    // The FFmpeg libraries are part of the program here; "loading" checks that they can
    // write MP3 (the encoder and the container are there). Thread-safe.
    static bool AVLibLoaded();
    static bool LoadAVLib(const QString& path);

    TFFDecoder& Decoder() { return FDecoder; }

    // Registers an input; returns its task index, or -1 when the file cannot be opened as media.
    int AddTask(const QString& fileName, const TInputOptions& options);
    bool SetOutputFile(int taskIndex, const QString& fileName, const TOutputOptions& options);
    // The output of a task (only output 0 exists); reset options when there is none.
    TOutputOptions OutputOptions(int taskIndex, int outputIndex) const;
    void ClearTasks();

    // Starts converting the registered tasks, one after the other, on the encoder's thread
    // and returns at once. threadCount is accepted for callers of the old interface; one
    // thread per encoder is what the libraries' MP3 path can use.
    bool Start(int threadCount);
    // Asks a running conversion to stop; its task ends with Finished false.
    void Stop();
    bool Running() const { return FRunning.load(); }

    // Raised on the main thread once per task, in order. The handler of the last task may
    // release the encoder (outside the main thread too); the encoder is not touched after it.
    std::function<void(TFFEncoder* sender, const TTerminateInfo& info)> OnTerminate;
    // Raised on the main thread about once per second of written audio (microseconds).
    std::function<void(TFFEncoder* sender, int taskIndex, int64_t doneUs, int64_t totalUs)> OnProgress;

private:
    struct TTask
    {
        TInputOptions Input;
        bool HasOutput = false;
        TOutputOptions Output;
    };
    void Work(const std::vector<TTask>& tasks);

    TFFDecoder FDecoder;
    std::vector<TTask> FTasks;
    // Shared with the hand-overs queued to the main thread; detached when the encoder goes.
    TWorkerLinkPtr FLink = std::make_shared<TWorkerLink>();
    std::atomic<bool> FStop{false};
    std::atomic<bool> FRunning{false};
    std::thread FWorker; // joined before the members above go

};
