#include "net/CurlEasy.h"

namespace
{
bool AppendHeader(TCurlListPtr& list, const QString& line)
{
    curl_slist* grown = curl_slist_append(list.get(), line.toLatin1().constData());
    if (!grown)
        return false;
    (void)list.release(); // now part of grown
    list.reset(grown);
    return true;
}

void SetText(CURL* curl, CURLoption option, const QString& text)
{
    // libcurl copies option strings.
    if (!text.isEmpty())
        curl_easy_setopt(curl, option, text.toUtf8().constData());
}
} // namespace

TCurlEasy MakeCurlEasy(const TCurlRequest& request)
{
    TCurlEasy easy;
    bool headersOk = AppendHeader(easy.Headers, QStringLiteral("Accept: ") +
                                                    (request.AcceptTypes.isEmpty() ? QStringLiteral("*") : request.AcceptTypes));
    for (const QString& line : request.Headers)
        headersOk = headersOk && AppendHeader(easy.Headers, line);
    easy.Handle.reset(curl_easy_init());
    if (!headersOk || !easy.Handle)
        return {};

    CURL* c = easy.Handle.get();
    curl_easy_setopt(c, CURLOPT_URL, request.URL.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    if (request.Http10)
        curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, KCurlMaxRedirects);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, KCurlReadBlock);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, easy.Headers.get());
    SetText(c, CURLOPT_USERAGENT, request.Agent);
    SetText(c, CURLOPT_REFERER, request.Referer);
    SetText(c, CURLOPT_USERNAME, request.UserName);
    SetText(c, CURLOPT_PASSWORD, request.Password);
    if (!request.PostBody.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.PostBody.size()));
        curl_easy_setopt(c, CURLOPT_COPYPOSTFIELDS, request.PostBody.constData());
    }
    if (request.Write) {
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, request.Write);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, request.WriteData);
    }
    if (request.XferInfo) {
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, request.XferInfo);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, request.XferInfoData);
    }
    return easy;
}
