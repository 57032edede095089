#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "common/MainThread.h"

class TSingleDownloader;

enum TYoutubeFLVGetMethod : int
{
    KFromGetInfo = 0, // the video-information text and its token
    KFromWatch = 1,   // the watch page's key list and its token, falling back to KFromGetInfo
    KFromWatch2 = 2,  // the watch page's parameter text and its stream maps
};

// aBestFMT is always -1.
using TOnURLGotEvent = std::function<void(const QString& aURL, int aBestFMT)>;
using TOnBadResponseEvent = std::function<void(const QString& aMsg)>;
class TYoutubeFLVGet;
using TYoutubeFLVGetNotify = std::function<void(TYoutubeFLVGet* sender)>;
using TOnResolveFailedEvent = std::function<void(const QString& reason)>;

// Turns a video identifier into the address of a downloadable media stream, by the site's
// watch page or its video-information text, cut apart with the patterns and keys of the
// service information. Used on the main thread; every event fires there, asynchronously
// (never inside Get), and none fires after the resolver was destroyed or a later Get
// replaced the request.
class TYoutubeFLVGet final
{
public:
    TYoutubeFLVGet();
    ~TYoutubeFLVGet();
    TYoutubeFLVGet(const TYoutubeFLVGet&) = delete;
    TYoutubeFLVGet& operator=(const TYoutubeFLVGet&) = delete;

    // Properties, read once per Get (after OnBeforeGet has run).
    QString YoutubeID;
    TYoutubeFLVGetMethod Method = KFromWatch; // the final step may switch it to KFromGetInfo
    QString SplitStr = QStringLiteral("&");   // separator of the watch page's key list
    bool NeedURLDecode = true;                // the key list's token is URL-encoded
    QString YoutubeWatchURI = QStringLiteral("http://www.youtube.com/watch?v=");
    QString YoutubeGetInfoURI = QStringLiteral("http://www.youtube.com/get_video_info?&video_id=");
    QString YoutubeGetVideoURI = QStringLiteral("http://www.youtube.com/get_video?asv=3&video_id=");
    QString YoutubeWatchPattern = QStringLiteral("swfHTML(.*)embed>\";");
    QString YoutubeWatchPattern2 = QStringLiteral("\\'PLAYER_CONFIG\\': {(.*)}");
    QString FLVURLFormat; // set to DefaultFLVURLFormat() by the constructor

    TOnURLGotEvent OnURIGot;           // the stream address was found
    TOnBadResponseEvent OnBadResponse; // a token answer held no token (the list's text)
    TYoutubeFLVGetNotify OnBeforeGet;  // first thing of every Get
    // The resolution ended without an address and without OnBadResponse: a failed request,
    // no usable map, a malformed answer, no identifier or an unknown method.
    TOnResolveFailedEvent OnResolveFailed;

    // Starts one resolution, dropping the one in flight.
    void Get();
    // Copies the nine service-information values (settings names "WatchPattern",
    // "WatchPattern2", "FLVSplitStr", "FLVNeedDecode", "FLVGetVideoURI", "WatchURL",
    // "GetInfoURL", "GetMethod", "FLVURLFormat") into the properties; a missing name gives
    // an empty text, false or 0. getValue reads one setting.
    void ApplyServiceInfo(const std::function<QString(const QString& name)>& getValue);

private:
    struct TRequest;
    void StartText(const QString& url);
    void StartWatch2();
    void FailLater(const QString& reason);
    void Answer(const QString& body);
    void RequestFailed(const QString& reason);
    // The steps of an answer; each returns why it found no address (empty when it did).
    QString GetInfoAnswer(const QString& body);
    QString WatchAnswer(const QString& body);
    QString Watch2Answer(const QString& body);
    QString TokenStep(const QString& token, const QString& listText);
    // Ends the answer step: the address, the fallback, or the failure report.
    void Finish(const QString& reason);
    void Fallback();

    std::unique_ptr<TSingleDownloader> FSD;
    // The request of the latest Get: detached by the next Get and by the destructor.
    TWorkerLinkPtr FLink;
    std::unique_ptr<TRequest> FRequest;
    QString FYoutubeFLVURI;
    // Set when the token step has told OnBadResponse about this answer.
    bool FBadResponseSent = false;
};
