#pragma once

#include <QString>

#include <functional>

#include "common/MainThread.h"

// One GET of a watch page with the user agent "Mozilla/4.0", over libcurl on a thread of
// its own (the resolver's third method). The thread frees itself when it ends. It shares only
// the link with its owner: once the link is detached the request stops at its next check and
// neither handler runs. Both handlers run on the main thread.
class TIdhttpDownloadThread final
{
public:
    using TOnDoneString = std::function<void(const QString& body)>;
    using TOnFailed = std::function<void(const QString& reason)>;

    // The biggest page accepted; a bigger answer is a failure, not a truncated page.
    static constexpr qint64 KMaxBodySize = 32 * 1024 * 1024;
    static constexpr const char* KUserAgent = "Mozilla/4.0";

    // Starts the request at once. Call on the main thread.
    static void Start(const QString& url, TWorkerLinkPtr link, TOnDoneString onDoneString,
                      TOnFailed onFailed);

private:
    struct TResult
    {
        bool Ok = false;
        QString Text; // the page, or the reason of the failure
    };

    TIdhttpDownloadThread(QString url, TWorkerLinkPtr link);
    TResult Execute() const;

    QString FURL;
    TWorkerLinkPtr FLink;
};
