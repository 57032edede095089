#include "net/SingleDownloader.h"

#include <algorithm>
#include <climits>

#include <QCoreApplication>
#include <QEventLoop>

#include "common/NameValueList.h"
#include "common/UrlFunctions.h"
#include "net/CurlGlobal.h"
#include "net/FilePostGen.h"
#include "net/SingleDownloaderThread.h"

TSingleDownloader::TSingleDownloader()
{
    EnsureCurlGlobalInit();
}

TSingleDownloader::~TSingleDownloader()
{
    Abort();
}

void TSingleDownloader::GetString()
{
    Start(false);
}

void TSingleDownloader::GetFile()
{
    Start(true);
}

void TSingleDownloader::Start(bool toFile)
{
    if (FThread)
        return;
    FAbort = false;
    TSingleDownloadRequest request{AcceptTypes, Agent,    URL,        FileName, UserName, Password, ContentType,
                                   PostQuery,   Referer,  BinaryData, UseCache, toFile,   HttpCharset};
    auto state = std::make_shared<TSingleDownloadState>();
    FThread = state;
    // The completion runs only while the request is attached (checked by the hand-over),
    // so `this` is alive whenever it runs.
    auto thread = std::make_unique<TSingleDownloaderThread>(
        std::move(request), OnProgress, OnLog, state,
        [this](const TSingleDownloadResult& result) { ThreadDone(result); });
    TSingleDownloaderThread::Start(std::move(thread));

    if (!WaitThread)
        return;
    // Holds its own reference: an event handler run by this loop may abort the request or
    // even destroy the component, and either ends the wait without touching it.
    while (!state->Finished && !state->Link->IsDetached())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TSingleDownloader::ThreadDone(const TSingleDownloadResult& result)
{
    FThread->Finished = true;
    FThread.reset();
    FResult = result.Result;
    // The events come last, from copies: a handler may start the next request or destroy
    // the component.
    if (!result.Result) {
        if (const TSingleDownloaderNotify handler = OnError)
            handler(this);
    } else if (result.ToFile) {
        if (const TOnDoneFileEvent handler = OnDoneFile)
            handler(this, result.FileName, static_cast<int>(std::min<int64_t>(result.FileSize, INT_MAX)));
    } else if (const TOnDoneStringEvent handler = OnDoneString) {
        handler(this, result.StringResult);
    }
}

void TSingleDownloader::Abort()
{
    if (!FThread)
        return;
    {
        // Waits for a log call of the worker in progress; none starts afterwards.
        std::lock_guard guard(FThread->LogLock);
        FThread->Link->Detach();
    }
    FThread.reset();
    FResult = false;
    FAbort = true;
}

void TSingleDownloader::SetPostValues(const TNameValueList& slValues)
{
    QString query;
    for (int i = 0; i < slValues.Count(); ++i) {
        if (i > 0)
            query += u'&';
        query += slValues.Names(i) + u'=' + EncodeURLTextAnsi(slValues.ValueFromIndex(i));
    }
    PostQuery = query;
}

void TSingleDownloader::SetUploadFiles(const TNameValueList& slValues, const TNameValueList* slFiles)
{
    TFilePostGen gen;
    gen.Make(slValues, slFiles);
    ContentType = gen.Headers();
    PostQuery = gen.PostData();
}
