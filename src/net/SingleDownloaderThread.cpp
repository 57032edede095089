#include "net/SingleDownloaderThread.h"

#include <algorithm>
#include <climits>
#include <system_error>
#include <thread>

#include <QRegularExpression>
#include <QUrl>

#include "common/TextFunctions.h"

namespace
{
// Progress is reported per chunk; libcurl reads a few chunks at a time.
constexpr size_t KChunkSize = 16384;
constexpr long KReadBlock = 16 * KChunkSize;
constexpr long KMaxRedirects = 10;

struct TCurlDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

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

bool AppendHeader(std::unique_ptr<curl_slist, TCurlDeleter>& list, const QString& line)
{
    curl_slist* grown = curl_slist_append(list.get(), line.toLatin1().constData());
    if (!grown)
        return false;
    list.release();
    list.reset(grown);
    return true;
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
    std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
    Log(curl ? QStringLiteral("HttpOpenRequest ok!") : QStringLiteral("HttpOpenRequest failed!"));
    if (!curl)
        return false;
    CURL* c = curl.get();
    FCurl = c;

    // The port written in the host part is kept, so it is honoured.
    const QByteArray url = EncodedUrl((secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host + path);
    const QByteArray agent = FRequest.Agent.toUtf8();
    const QByteArray referer = FRequest.Referer.toUtf8();
    const QByteArray userName = FRequest.UserName.toUtf8();
    const QByteArray password = FRequest.Password.toUtf8();
    const QByteArray body = ToAnsi(FRequest.PostQuery);

    std::unique_ptr<curl_slist, TCurlDeleter> headers;
    bool headersOk = AppendHeader(headers, QStringLiteral("Accept: ") +
                                               (FRequest.AcceptTypes.isEmpty() ? QStringLiteral("*") : FRequest.AcceptTypes));
    if (!secure && !FRequest.UseCache) {
        headersOk = headersOk && AppendHeader(headers, QStringLiteral("Cache-Control: no-cache"));
        headersOk = headersOk && AppendHeader(headers, QStringLiteral("Pragma: no-cache"));
    }
    if (post) {
        const QString extra = FRequest.ContentType.isEmpty()
                                  ? QStringLiteral("Content-Type: application/x-www-form-urlencoded")
                                  : FRequest.ContentType;
        for (const QString& line : extra.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
            headersOk = headersOk && AppendHeader(headers, line);
    }
    if (!headersOk)
        return false;

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, KMaxRedirects);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, KReadBlock);
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
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
    }
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TSingleDownloaderThread::WriteCallback);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &TSingleDownloaderThread::XferInfoCallback);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);

    if (FRequest.ToFile) {
        // Written beside FileName and renamed over it only after a complete transfer.
        FFile = std::make_unique<TPartFile>();
        if (!FFile->Open(FRequest.FileName)) {
            Log(QStringLiteral("Cannot write ") + FRequest.FileName);
            return false;
        }
    }

    const CURLcode rc = curl_easy_perform(c);
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
    // libcurl reads a few chunks at a time; progress is still reported per chunk, all in
    // one hand-over. A handler that aborts stops the calls that would follow.
    const int64_t start = FBytesReaded;
    FBytesReaded += static_cast<int64_t>(size);
    if (FTProgress && !Terminated())
        RunInMainThread(FState->Link, [this, start, size] {
            for (size_t done = 0; done < size && !Terminated();) {
                FBytesToRead = static_cast<int64_t>(std::min<size_t>(KChunkSize, size - done));
                done += static_cast<size_t>(FBytesToRead);
                FTProgress(this, ClampToInt(FResult.FileSize), ClampToInt(start + static_cast<int64_t>(done)));
            }
        });
    return Terminated() ? 0 : size;
}

size_t TSingleDownloaderThread::WriteCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<TSingleDownloaderThread*>(self)->Receive(data, size * count);
}

int TSingleDownloaderThread::XferInfoCallback(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    // A non-zero answer makes libcurl stop the transfer at once.
    return static_cast<TSingleDownloaderThread*>(self)->Terminated() ? 1 : 0;
}
