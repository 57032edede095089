#include "video/IdhttpDownloadThread.h"

#include <memory>
#include <thread>

#include "common/DebugLog.h"
#include "net/CurlEasy.h"
#include "net/CurlGlobal.h"

namespace
{
// What the callbacks of one transfer share.
struct TTransfer
{
    TWorkerLinkPtr Link;
    QByteArray Body;
    bool TooBig = false;
};

size_t WriteCallback(char* data, size_t size, size_t count, void* userData)
{
    auto* transfer = static_cast<TTransfer*>(userData);
    const size_t bytes = size * count;
    if (transfer->Link->IsDetached())
        return 0;
    if (transfer->Body.size() + static_cast<qint64>(bytes) > TIdhttpDownloadThread::KMaxBodySize) {
        transfer->TooBig = true;
        return 0;
    }
    transfer->Body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

// Called by libcurl often, also while nothing arrives: a non-zero answer ends the transfer.
int XferInfoCallback(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TTransfer*>(userData)->Link->IsDetached() ? 1 : 0;
}

// The page text in the charset the server named: Latin-1 when it says so, UTF-8 otherwise.
QString DecodePage(const QByteArray& body, const char* contentType)
{
    const QByteArray type = QByteArray(contentType ? contentType : "").toLower();
    if (type.contains("iso-8859-1") || type.contains("latin1") || type.contains("windows-1252"))
        return QString::fromLatin1(body);
    return QString::fromUtf8(body);
}
} // namespace

TIdhttpDownloadThread::TIdhttpDownloadThread(QString url, TWorkerLinkPtr link)
    : FURL(std::move(url)), FLink(std::move(link))
{
}

void TIdhttpDownloadThread::Start(const QString& url, TWorkerLinkPtr link, TOnDoneString onDoneString,
                                  TOnFailed onFailed)
{
    EnsureCurlGlobalInit();
    std::unique_ptr<TIdhttpDownloadThread> self(new TIdhttpDownloadThread(url, link));
    std::thread([self = std::move(self), onDoneString = std::move(onDoneString),
                 onFailed = std::move(onFailed)]() mutable {
        TResult result = self->Execute();
        const TWorkerLinkPtr threadLink = self->FLink;
        self.reset();
        if (result.Ok) {
            PostToMainThread(threadLink, [onDoneString = std::move(onDoneString), text = std::move(result.Text)] {
                if (onDoneString)
                    onDoneString(text);
            });
        } else {
            PostToMainThread(threadLink, [onFailed = std::move(onFailed), reason = std::move(result.Text)] {
                if (onFailed)
                    onFailed(reason);
            });
        }
    }).detach();
}

TIdhttpDownloadThread::TResult TIdhttpDownloadThread::Execute() const
{
    TTransfer transfer{FLink, {}, false};
    TCurlRequest request;
    request.URL = FURL.toUtf8();
    request.AcceptTypes = QStringLiteral("*/*");
    request.Agent = QString::fromLatin1(KUserAgent);
    request.Write = WriteCallback;
    request.WriteData = &transfer;
    request.XferInfo = XferInfoCallback;
    request.XferInfoData = &transfer;
    const TCurlEasy easy = MakeCurlEasy(request);
    if (!easy.Handle)
        return {false, QStringLiteral("cannot start a request for %1").arg(FURL)};
    CURL* curl = easy.Handle.get();
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    // A server that stops sending must not keep the resolution waiting for ever.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode code = curl_easy_perform(curl);
    if (FLink->IsDetached())
        return {false, QStringLiteral("dropped")};
    if (transfer.TooBig)
        return {false, QStringLiteral("the page at %1 is larger than %2 bytes").arg(FURL).arg(KMaxBodySize)};
    if (code != CURLE_OK) {
        const QString detail = errorText[0] ? QString::fromUtf8(errorText) : QString::fromUtf8(curl_easy_strerror(code));
        return {false, QStringLiteral("%1: %2").arg(FURL, detail)};
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return {false, QStringLiteral("%1: HTTP status %2").arg(FURL).arg(status)};
    char* contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    DebugLog::LogTag(QStringLiteral("YoutubeFLVGet"),
                     QStringLiteral("%1: %2 bytes").arg(FURL).arg(transfer.Body.size()));
    return {true, DecodePage(transfer.Body, contentType)};
}
