#include "download/HttpDownloadThread.h"

#include <QFile>
#include <QUrl>

#include <memory>
#include <thread>

#include "net/CurlEasy.h"
#include "net/CurlGlobal.h"

namespace
{
std::atomic<int> GRunning{0};
} // namespace

// What one run of the body has seen so far (worker thread only).
struct THttpDownloadThread::TTransfer
{
    THttpDownloadThread* Worker = nullptr;
    CURL* Curl = nullptr;
    bool BodyBegun = false;
    bool Refused = false; // the answer was turned down before its body was read
    QFile File;
    QByteArray Text;
    TChunkProgress Chunks;
};

std::shared_ptr<THttpDownloadThread> THttpDownloadThread::Start(TRequest request, TProgressHandler progress,
                                                                TStateHandler stateChange, TLogHandler onLog,
                                                                TEndHandler onEnded)
{
    EnsureCurlGlobalInit();
    auto worker = std::make_shared<THttpDownloadThread>(std::move(request), std::move(progress),
                                                        std::move(stateChange), std::move(onLog),
                                                        std::move(onEnded));
    ++GRunning;
    std::thread([worker] {
        worker->Execute();
        --GRunning;
    }).detach();
    return worker;
}

THttpDownloadThread::THttpDownloadThread(TRequest request, TProgressHandler progress,
                                         TStateHandler stateChange, TLogHandler onLog, TEndHandler onEnded)
    : FRequest(std::move(request))
    , FTProgress(std::move(progress))
    , FTStateChange(std::move(stateChange))
    , FOnLog(std::move(onLog))
    , FOnEnded(std::move(onEnded))
{
}

int THttpDownloadThread::RunningCount()
{
    return GRunning.load();
}

void THttpDownloadThread::Detach()
{
    FTResult = false;
    // Waits for a log call in progress; none starts afterwards.
    const std::lock_guard guard(FLogLock);
    FLink->Detach();
}

void THttpDownloadThread::Log(const QString& line) const
{
    const std::lock_guard guard(FLogLock);
    if (FOnLog && !FLink->IsDetached())
        FOnLog(line);
}

void THttpDownloadThread::Execute()
{
    const bool ok = Perform();
    if (!FLink->IsDetached())
        FTResult = ok;
    Log(ok ? QStringLiteral("Transfer ok") : QStringLiteral("Transfer failed"));
    PostToMainThread(FLink, [self = shared_from_this()] {
        if (self->FOnEnded)
            self->FOnEnded(*self);
    });
}

bool THttpDownloadThread::Perform()
{
    // The whole address goes to the transport: scheme, host and port as written.
    const QUrl url(FRequest.URL);
    Log(QStringLiteral("ParseURL: ") + FRequest.URL);
    Log(QStringLiteral("ParseURL: ") + url.host());
    Log(QStringLiteral("ParseURL: ") + url.path(QUrl::FullyEncoded));
    if (FLink->IsDetached())
        return false;

    TTransfer transfer;
    transfer.Worker = this;
    TCurlRequest request;
    request.URL = FRequest.URL.toUtf8();
    request.Http10 = true;
    request.AcceptTypes = FRequest.AcceptTypes;
    request.Agent = FRequest.Agent;
    request.Referer = FRequest.Referer;
    request.UserName = FRequest.UserName;
    request.Password = FRequest.Password;
    const bool post = !FRequest.PostQuery.isEmpty();
    request.PostBody = FRequest.PostQuery.toLatin1(); // one byte per character
    if (post)
        request.Headers << QStringLiteral("Content-Type: application/x-www-form-urlencoded");
    request.Write = &THttpDownloadThread::WriteCallback;
    request.WriteData = &transfer;
    request.XferInfo = &THttpDownloadThread::XferInfoCallback;
    request.XferInfoData = &transfer;
    const TCurlEasy curl = MakeCurlEasy(request);
    if (!curl.Handle)
        return false;
    transfer.Curl = curl.Handle.get();

    Log(post ? QStringLiteral("POST") : QStringLiteral("GET"));
    Log(FRequest.AcceptTypes);
    const CURLcode code = curl_easy_perform(transfer.Curl);
    // A body that ended inside a chunk (no Content-Length, or cut short) reports that chunk.
    transfer.Chunks.End();
    HandOverProgress(transfer);
    if (code != CURLE_OK)
        Log(QStringLiteral("Transport error: ") + QString::fromUtf8(curl_easy_strerror(code)));
    if (FLink->IsDetached() || transfer.Refused)
        return false;
    // An empty body never reached the write callback: look at the answer now.
    if (code == CURLE_OK && !transfer.BodyBegun && !BeginBody(transfer))
        return false;
    if (code != CURLE_OK)
        return false;

    if (FRequest.ToFile) {
        transfer.File.close();
        return FTFileSize != 0 && BytesReaded != 0 && FTFileSize == BytesReaded;
    }
    FTStringResult = DecodeHttpBody(transfer.Text, FRequest.Charset);
    return !transfer.Text.isEmpty();
}

// The answer's headers are complete: decide whether its body is wanted.
bool THttpDownloadThread::BeginBody(TTransfer& transfer)
{
    transfer.BodyBegun = true;
    long status = 0;
    curl_off_t length = -1;
    curl_easy_getinfo(transfer.Curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(transfer.Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    const bool haveLength = length >= 0;
    Log(QStringLiteral("HTTP status %1, Content-Length %2").arg(status).arg(haveLength ? length : -1));
    // An error page is not the data that was asked for, whatever its length.
    if (status >= 400) {
        transfer.Refused = true;
        return false;
    }
    if (!haveLength && FRequest.BinaryData) {
        transfer.Refused = true;
        return false;
    }
    FTFileSize = haveLength ? static_cast<qint64>(length) : 0;
    transfer.Chunks.SetTotal(FTFileSize);
    BytesReaded = 0;
    if (FRequest.ToFile) {
        transfer.File.setFileName(FRequest.FileName);
        if (!transfer.File.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            Log(QStringLiteral("Cannot create ") + FRequest.FileName);
            transfer.Refused = true;
            return false;
        }
    }
    return true;
}

bool THttpDownloadThread::Receive(TTransfer& transfer, const char* data, qint64 size)
{
    if (FLink->IsDetached())
        return false;
    if (FRequest.ToFile) {
        if (transfer.File.write(data, size) != size) {
            Log(QStringLiteral("Cannot write ") + FRequest.FileName);
            return false;
        }
    } else {
        transfer.Text.append(data, size);
    }
    BytesReaded += size;
    transfer.Chunks.Add(size);
    // The chunks of a socket read go over when libcurl calls the progress callback after
    // it; a long run of reads without that call is handed over by the block.
    if (transfer.Chunks.Pending() >= KCurlReadBlock)
        HandOverProgress(transfer);
    return !FLink->IsDetached();
}

void THttpDownloadThread::HandOverProgress(TTransfer& transfer)
{
    const TChunkSpan span = transfer.Chunks.Take();
    if (!FTProgress)
        return;
    HandOverChunks(FLink, span, [this](qint64, qint64 readed) {
        FTProgress(FRequest.URL, FTFileSize, readed);
        // The progress handler may have aborted the task.
        if (!FLink->IsDetached() && FTStateChange)
            FTStateChange(KDownloading);
    });
}

size_t THttpDownloadThread::WriteCallback(char* data, size_t size, size_t count, void* context)
{
    auto& transfer = *static_cast<TTransfer*>(context);
    THttpDownloadThread& self = *transfer.Worker;
    const size_t bytes = size * count;
    if (!transfer.BodyBegun && !self.BeginBody(transfer))
        return 0;
    // A short count makes the transport stop with a write error.
    return self.Receive(transfer, data, static_cast<qint64>(bytes)) ? bytes : 0;
}

int THttpDownloadThread::XferInfoCallback(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& transfer = *static_cast<TTransfer*>(context);
    transfer.Worker->HandOverProgress(transfer);
    // A non-zero answer makes libcurl stop the transfer at once.
    return transfer.Worker->FLink->IsDetached() ? 1 : 0;
}
