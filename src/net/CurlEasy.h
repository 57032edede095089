#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

#include <curl/curl.h>

// What the libcurl workers (single downloader, download worker, watch-page request) share:
// owners of the easy handle and of a header list, and the options every request of this
// program is made with.

struct TCurlDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TCurlPtr = std::unique_ptr<CURL, TCurlDeleter>;
using TCurlListPtr = std::unique_ptr<curl_slist, TCurlDeleter>;

// libcurl reads the socket in blocks of up to this size. It passes a block on to the write
// callback in pieces of at most CURL_MAX_WRITE_SIZE (16 KiB) and calls the progress callback
// after each read, so workers hand progress over to the main thread once per read block.
constexpr long KCurlReadBlock = 64 * 16384;
// Redirects are followed, but not for ever.
constexpr long KCurlMaxRedirects = 10;

struct TCurlRequest
{
    QByteArray URL;        // a whole http or https address
    bool Http10 = false;   // request line "HTTP/1.0"
    QString AcceptTypes;   // the one Accept type; empty sends "*"
    QString Agent;         // empty: libcurl sends none
    QString Referer;
    QString UserName;
    QString Password;
    QByteArray PostBody;   // not empty: the request is a POST with this body
    QStringList Headers;   // further request header lines
    curl_write_callback Write = nullptr;
    void* WriteData = nullptr;
    curl_xferinfo_callback XferInfo = nullptr; // a non-zero answer stops the transfer
    void* XferInfoData = nullptr;
};

// An easy handle with its header list, which must live as long as the handle is used.
struct TCurlEasy
{
    TCurlPtr Handle;
    TCurlListPtr Headers;
};

// Creates an easy handle for the request: only http and https (redirects too), signals off,
// redirects followed up to KCurlMaxRedirects, blocks of KCurlReadBlock bytes, TLS
// certificates and host names verified. The handle is empty when libcurl cannot make it.
TCurlEasy MakeCurlEasy(const TCurlRequest& request);
