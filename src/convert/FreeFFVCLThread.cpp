#include "convert/FreeFFVCLThread.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "convert/FFEncoder.h"

namespace
{
std::mutex GMutex;
std::condition_variable GEnded;
int GRunning = 0;
} // namespace

TFreeFFVCLThread::TFreeFFVCLThread(std::unique_ptr<TFFEncoder> aFFVCL,
                                   TOnConvertFinished aOnConvertFinishedEvent, int aIndex,
                                   TWorkerLinkPtr aLink)
    : FFFVCL(std::move(aFFVCL)), FIndex(aIndex),
      FOnConvertFinishedEvent(std::move(aOnConvertFinishedEvent)), FLink(std::move(aLink))
{
}

TFreeFFVCLThread::~TFreeFFVCLThread() = default;

void TFreeFFVCLThread::Start(std::unique_ptr<TFreeFFVCLThread> thread)
{
    {
        const std::lock_guard lock(GMutex);
        ++GRunning;
    }
    std::thread([self = std::move(thread)]() mutable {
        self->Execute();
        self.reset();
        const std::lock_guard lock(GMutex);
        --GRunning;
        GEnded.notify_all();
    }).detach();
}

void TFreeFFVCLThread::WaitForAll()
{
    std::unique_lock lock(GMutex);
    GEnded.wait(lock, [] { return GRunning == 0; });
}

void TFreeFFVCLThread::Execute()
{
    QString fileName;
    if (FFFVCL) {
        fileName = FFFVCL->OutputOptions(FIndex, 0).FileName;
        FFFVCL->ClearTasks();
        FFFVCL.reset();
    }
    if (FOnConvertFinishedEvent)
        PostToMainThread(FLink, [handler = FOnConvertFinishedEvent, fileName] { handler(fileName); });
}
