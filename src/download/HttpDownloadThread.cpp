#include "download/HttpDownloadThread.h"

#include <curl/curl.h>

#include <QFile>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <thread>

#include "net/CurlGlobal.h"

namespace
{
std::atomic<int> GRunning{0};

struct TCurlDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TCurlPtr = std::unique_ptr<CURL, TCurlDeleter>;
using TCurlListPtr = std::unique_ptr<curl_slist, TCurlDeleter>;

// Redirects are followed, but not for ever.
constexpr long KMaxRedirects = 10;
// The socket is read in larger pieces than the chunks the worker writes and reports, as
// the curl program does: fewer system calls for the same chunks.
constexpr long KTransportBuffer = 6 * THttpDownloadThread::KChunkSize;
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
    FLink->Detach();
}

void THttpDownloadThread::Log(const QString& line) const
{
    if (FOnLog)
        FOnLog(line);
}

void THttpDownloadThread::Execute()
{
    const bool ok = Perform();
    // The last count is shown before the end handler runs (both are queued in order).
    if (BytesReaded > 0)
        PostProgress();
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

    TCurlPtr curl(curl_easy_init());
    if (!curl)
        return false;
    TTransfer transfer;
    transfer.Worker = this;
    transfer.Curl = curl.get();

    const QByteArray urlBytes = FRequest.URL.toUtf8();
    const QByteArray agent = FRequest.Agent.toUtf8();
    const QByteArray referer = FRequest.Referer.toUtf8();
    const QByteArray userName = FRequest.UserName.toUtf8();
    const QByteArray password = FRequest.Password.toUtf8();
    const QByteArray accept = "Accept: " + FRequest.AcceptTypes.toUtf8();
    const bool post = !FRequest.PostQuery.isEmpty();
    const QByteArray body = FRequest.PostQuery.toLatin1(); // one byte per character

    TCurlListPtr headers(curl_slist_append(nullptr, accept.constData()));
    if (post)
        headers.reset(curl_slist_append(headers.release(), "Content-Type: application/x-www-form-urlencoded"));

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, KMaxRedirects);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, KTransportBuffer);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    if (!agent.isEmpty())
        curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    if (!referer.isEmpty())
        curl_easy_setopt(c, CURLOPT_REFERER, referer.constData());
    if (!userName.isEmpty())
        curl_easy_setopt(c, CURLOPT_USERNAME, userName.constData());
    if (!password.isEmpty())
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    if (post) {
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
    }
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &THttpDownloadThread::WriteCallback);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &THttpDownloadThread::XferInfoCallback);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);

    Log(post ? QStringLiteral("POST") : QStringLiteral("GET"));
    Log(FRequest.AcceptTypes);
    const CURLcode code = curl_easy_perform(c);
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

bool THttpDownloadThread::ReceiveChunk(TTransfer& transfer, const char* data, qint64 size)
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
    FProgressReaded = BytesReaded;
    if (!FLastHandOver.isValid() || FLastHandOver.elapsed() >= KProgressInterval)
        PostProgress();
    return !FLink->IsDetached();
}

void THttpDownloadThread::PostProgress()
{
    if (!FTProgress || FHandOverPending.exchange(true))
        return;
    FLastHandOver.start();
    PostToMainThread(FLink, [self = shared_from_this()] { self->HandOverProgress(); });
}

// Main thread.
void THttpDownloadThread::HandOverProgress()
{
    FHandOverPending = false;
    const qint64 readed = FProgressReaded.load();
    if (readed == FShownReaded)
        return;
    FShownReaded = readed;
    FTProgress(FRequest.URL, FTFileSize, readed);
    // The progress handler may have aborted the task.
    if (!FLink->IsDetached() && FTStateChange)
        FTStateChange(KDownloading);
}

size_t THttpDownloadThread::WriteCallback(char* data, size_t size, size_t count, void* context)
{
    auto& transfer = *static_cast<TTransfer*>(context);
    THttpDownloadThread& self = *transfer.Worker;
    const size_t bytes = size * count;
    if (!transfer.BodyBegun && !self.BeginBody(transfer))
        return 0;
    // What the transport delivers is taken in chunks of KChunkSize bytes.
    for (size_t done = 0; done < bytes; done += KChunkSize) {
        const qint64 chunk = static_cast<qint64>(std::min<size_t>(KChunkSize, bytes - done));
        // A short count makes the transport stop with a write error.
        if (!self.ReceiveChunk(transfer, data + done, chunk))
            return 0;
    }
    return bytes;
}

int THttpDownloadThread::XferInfoCallback(void* context, long long, long long, long long, long long)
{
    return static_cast<THttpDownloadThread*>(context)->FLink->IsDetached() ? 1 : 0;
}
