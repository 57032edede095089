#include "net/SingleDownloaderThread.h"

#include <climits>
#include <system_error>
#include <thread>

#include <QRegularExpression>
#include <QUrl>

#include "common/TextFunctions.h"
#include "net/CurlEasy.h"

namespace
{
int ClampToInt(int64_t value)
{
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// libcurl wants a valid URL; text with blanks or non-ASCII letters is percent-encoded
// (escapes already present stay as they are).
QByteArray EncodedUrl(const QString& url)
{
    for (const QChar c : url)
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            return QUrl(url, QUrl::TolerantMode).toEncoded();
    return url.toLatin1();
}
} // namespace

void ParseRequestURL(const QString& url, bool& secure, QString& host, QString& path)
{
    QString rest = url;
    secure = false;
    if (StartsWithText(rest, QStringLiteral("http://")))
        rest.remove(0, 7);
    if (StartsWithText(rest, QStringLiteral("https://"))) {
        rest.remove(0, 8);
        secure = true;
    }
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0) {
        host.clear();
        path.clear();
        return;
    }
    host = rest.left(slash);
    path = rest.mid(slash);
}

TSingleDownloaderThread::TSingleDownloaderThread(TSingleDownloadRequest request, TOnProgressEvent progress,
                                                 TOnLog onLog, std::shared_ptr<TSingleDownloadState> state,
                                                 TOnDone onDone)
    : FRequest(std::move(request)), FTProgress(std::move(progress)), FOnLog(std::move(onLog)),
      FState(std::move(state)), FOnDone(std::move(onDone))
{
}

TSingleDownloaderThread::~TSingleDownloaderThread() = default;

void TSingleDownloaderThread::Start(std::unique_ptr<TSingleDownloaderThread> thread)
{
    const TWorkerLinkPtr link = thread->FState->Link;
    const TOnDone onDone = thread->FOnDone;
    try {
        std::thread([worker = std::move(thread)] { worker->Execute(); }).detach();
    } catch (const std::system_error&) {
        PostToMainThread(link, [onDone] { onDone(TSingleDownloadResult{}); });
    }
}

bool TSingleDownloaderThread::Terminated() const
{
    return FState->Link->IsDetached();
}

void TSingleDownloaderThread::Log(const QString& line)
{
    std::lock_guard guard(FState->LogLock);
    if (FOnLog && !Terminated())
        FOnLog(line);
}

void TSingleDownloaderThread::Execute()
{
    bool ok = false;
    try {
        ok = Perform();
    } catch (...) {
        ok = false;
    }
    FResult.Result = ok;
    FResult.ToFile = FRequest.ToFile;
    FResult.FileName = FRequest.FileName;
    // An uncommitted temporary file is removed; FileName stays as it was.
    FFile.reset();
    if (!ok)
        FResult.StringResult.clear();
    PostToMainThread(FState->Link, [onDone = FOnDone, result = FResult] { onDone(result); });
}

bool TSingleDownloaderThread::Perform()
{
    bool secure = false;
    QString host;
    QString path;
    ParseRequestURL(FRequest.URL, secure, host, path);
    FHttpSSL = secure;
    Log(QStringLiteral("ParseURL: ") + FRequest.URL);
    Log(QStringLiteral("ParseURL: ") + host);
    Log(QStringLiteral("ParseURL: ") + path);
    if (host.isEmpty())
        Log(QStringLiteral("No host, or no path after the host (write at least \"/\")"));
    if (Terminated() || host.isEmpty())
        return false;

    const bool post = !FRequest.PostQuery.isEmpty();
    Log(post ? QStringLiteral("POST") : QStringLiteral("GET"));

    TCurlRequest request;
    // The port written in the host part is kept, so it is honoured.
    request.URL = EncodedUrl((secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host + path);
    request.Http10 = true;
    request.AcceptTypes = FRequest.AcceptTypes;
    request.Agent = FRequest.Agent;
    request.Referer = FRequest.Referer;
    request.UserName = FRequest.UserName;
    request.Password = FRequest.Password;
    request.PostBody = ToAnsi(FRequest.PostQuery);
    if (!secure && !FRequest.UseCache)
        request.Headers << QStringLiteral("Cache-Control: no-cache") << QStringLiteral("Pragma: no-cache");
    if (post) {
        const QString extra = FRequest.ContentType.isEmpty()
                                  ? QStringLiteral("Content-Type: application/x-www-form-urlencoded")
                                  : FRequest.ContentType;
        request.Headers << extra.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    }
    request.Write = &TSingleDownloaderThread::WriteCallback;
    request.WriteData = this;
    request.XferInfo = &TSingleDownloaderThread::XferInfoCallback;
    request.XferInfoData = this;
    const TCurlEasy curl = MakeCurlEasy(request);
    Log(curl.Handle ? QStringLiteral("HttpOpenRequest ok!") : QStringLiteral("HttpOpenRequest failed!"));
    if (!curl.Handle)
        return false;
    FCurl = curl.Handle.get();

    if (FRequest.ToFile) {
        // Written beside FileName and renamed over it only after a complete transfer.
        FFile = std::make_unique<TPartFile>();
        if (!FFile->Open(FRequest.FileName)) {
            Log(QStringLiteral("Cannot write ") + FRequest.FileName);
            return false;
        }
    }

    const CURLcode rc = curl_easy_perform(FCurl);
    // A body that ended inside a chunk (no Content-Length, or cut short) reports that chunk.
    FChunks.End();
    HandOverProgress();
    if (Terminated())
        return false;
    if (!FHeadersChecked && rc == CURLE_OK)
        CheckAnswer();
    if (FRefused)
        return false;
    if (rc != CURLE_OK) {
        Log(QStringLiteral("Request failed: ") + QString::fromUtf8(curl_easy_strerror(rc)));
        return false;
    }

    if (!FRequest.ToFile) {
        FResult.StringResult = DecodeHttpBody(FText, FRequest.Charset);
        return FBytesReaded > 0;
    }
    if (FBytesReaded != FResult.FileSize) {
        Log(QStringLiteral("Incomplete body: %1 of %2 bytes").arg(FBytesReaded).arg(FResult.FileSize));
        return false;
    }
    if (!FFile->Commit()) {
        Log(QStringLiteral("Cannot write ") + FRequest.FileName);
        return false;
    }
    return true;
}

bool TSingleDownloaderThread::CheckAnswer()
{
    FHeadersChecked = true;
    long status = 0;
    curl_off_t length = -1;
    curl_easy_getinfo(FCurl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(FCurl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    FResult.FileSize = length > 0 ? length : 0;
    FChunks.SetTotal(FResult.FileSize);
    // An error page is not the requested content.
    if (status < 200 || status > 299) {
        Log(QStringLiteral("HTTP status %1").arg(status));
        FRefused = true;
    } else if (length < 0 && FRequest.BinaryData) {
        Log(QStringLiteral("No Content-Length"));
        FRefused = true;
    }
    return !FRefused;
}

size_t TSingleDownloaderThread::Receive(const char* data, size_t size)
{
    if (Terminated() || (!FHeadersChecked && !CheckAnswer()))
        return 0;
    if (FFile) {
        // A short write (disk full) fails the transfer.
        if (!FFile->Write(data, static_cast<qint64>(size)))
            return 0;
    } else {
        FText.append(data, static_cast<qsizetype>(size));
    }
    FBytesReaded += static_cast<int64_t>(size);
    FChunks.Add(static_cast<qint64>(size));
    // The chunks of a socket read go over when libcurl calls the progress callback after
    // it; a long run of reads without that call is handed over by the block.
    if (FChunks.Pending() >= KCurlReadBlock)
        HandOverProgress();
    return Terminated() ? 0 : size;
}

void TSingleDownloaderThread::HandOverProgress()
{
    const TChunkSpan span = FChunks.Take();
    if (!FTProgress || Terminated())
        return;
    HandOverChunks(FState->Link, span, [this](qint64 chunk, qint64 readed) {
        FBytesToRead = chunk;
        FTProgress(this, ClampToInt(FResult.FileSize), ClampToInt(readed));
    });
}

size_t TSingleDownloaderThread::WriteCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<TSingleDownloaderThread*>(self)->Receive(data, size * count);
}

int TSingleDownloaderThread::XferInfoCallback(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* worker = static_cast<TSingleDownloaderThread*>(self);
    worker->HandOverProgress();
    // A non-zero answer makes libcurl stop the transfer at once.
    return worker->Terminated() ? 1 : 0;
}
