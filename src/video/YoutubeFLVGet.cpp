#include "video/YoutubeFLVGet.h"

#include "common/DebugLog.h"
#include "common/NameValueList.h"
#include "common/Pcre2Regex.h"
#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"
#include "net/SingleDownloader.h"
#include "video/IdhttpDownloadThread.h"
#include "video/YoutubeFLVParse.h"

namespace
{
void Log(const QString& line)
{
    DebugLog::LogTag(QStringLiteral("YoutubeFLVGet"), line);
}
} // namespace

// The properties as they were when Get started: an answer is read with the settings of the
// request it answers.
struct TYoutubeFLVGet::TRequest
{
    QString ID;
    TYoutubeFLVGetMethod Method = KFromWatch;
    QString SplitStr;
    bool NeedURLDecode = true;
    QString WatchURI;
    QString GetInfoURI;
    QString GetVideoURI;
    QString WatchPattern;
    QString WatchPattern2;
    QString FLVURLFormat;
};

TYoutubeFLVGet::TYoutubeFLVGet()
    : FLVURLFormat(DefaultFLVURLFormat()), FSD(std::make_unique<TSingleDownloader>()),
      FLink(std::make_shared<TWorkerLink>()), FRequest(std::make_unique<TRequest>())
{
    // The answer is parsed in a call of its own, outside the downloader's completion step,
    // so that a handler may free this resolver.
    FSD->OnDoneString = [this](TSingleDownloader*, const QString& text) {
        PostToMainThread(FLink, [this, text] { Answer(text); });
    };
    FSD->OnError = [this](TSingleDownloader*) {
        PostToMainThread(FLink, [this, url = FSD->URL] { RequestFailed(url + QStringLiteral(": request failed")); });
    };
}

TYoutubeFLVGet::~TYoutubeFLVGet()
{
    FLink->Detach();
}

void TYoutubeFLVGet::ApplyServiceInfo(const std::function<QString(const QString& name)>& getValue)
{
    YoutubeWatchPattern = getValue(QStringLiteral("WatchPattern"));
    YoutubeWatchPattern2 = getValue(QStringLiteral("WatchPattern2"));
    SplitStr = getValue(QStringLiteral("FLVSplitStr"));
    NeedURLDecode = SafeStrToInt(getValue(QStringLiteral("FLVNeedDecode")), 0) != 0;
    YoutubeGetVideoURI = getValue(QStringLiteral("FLVGetVideoURI"));
    YoutubeWatchURI = getValue(QStringLiteral("WatchURL"));
    YoutubeGetInfoURI = getValue(QStringLiteral("GetInfoURL"));
    Method = static_cast<TYoutubeFLVGetMethod>(SafeStrToInt(getValue(QStringLiteral("GetMethod")), 0));
    FLVURLFormat = getValue(QStringLiteral("FLVURLFormat"));
}

void TYoutubeFLVGet::Get()
{
    if (OnBeforeGet)
        OnBeforeGet(this);
    // Whatever the new request is, the answer of the old one is no longer wanted.
    FSD->Abort();
    FLink->Detach();
    FLink = std::make_shared<TWorkerLink>();
    FYoutubeFLVURI.clear();
    FBadResponseSent = false;
    *FRequest = TRequest{.ID = YoutubeID,
                         .Method = Method,
                         .SplitStr = SplitStr,
                         .NeedURLDecode = NeedURLDecode,
                         .WatchURI = YoutubeWatchURI,
                         .GetInfoURI = YoutubeGetInfoURI,
                         .GetVideoURI = YoutubeGetVideoURI,
                         .WatchPattern = YoutubeWatchPattern,
                         .WatchPattern2 = YoutubeWatchPattern2,
                         .FLVURLFormat = FLVURLFormat};

    if (FRequest->ID.isEmpty())
        return FailLater(QStringLiteral("no video identifier"));
    switch (FRequest->Method) {
    case KFromGetInfo:
        return StartText(FRequest->GetInfoURI + FRequest->ID);
    case KFromWatch:
        return StartText(FRequest->WatchURI + FRequest->ID);
    case KFromWatch2:
        return StartWatch2();
    }
    FailLater(QStringLiteral("unknown method %1").arg(static_cast<int>(FRequest->Method)));
}

void TYoutubeFLVGet::StartText(const QString& url)
{
    Log(QStringLiteral("get %1").arg(url));
    FSD->URL = url;
    FSD->GetString();
}

void TYoutubeFLVGet::StartWatch2()
{
    const QString url = FRequest->WatchURI + FRequest->ID;
    Log(QStringLiteral("get %1 (own thread)").arg(url));
    TIdhttpDownloadThread::Start(
        url, FLink, [this](const QString& body) { Answer(body); },
        [this](const QString& reason) { RequestFailed(reason); });
}

void TYoutubeFLVGet::FailLater(const QString& reason)
{
    Log(QStringLiteral("failed: %1").arg(reason));
    PostToMainThread(FLink, [this, reason] {
        if (OnResolveFailed)
            OnResolveFailed(reason);
    });
}

void TYoutubeFLVGet::Answer(const QString& body)
{
    // A handler called below may free this resolver or start a new Get: the local link
    // tells, and nothing of this object is touched once it is detached.
    const TWorkerLinkPtr link = FLink;
    FYoutubeFLVURI.clear();
    FBadResponseSent = false;
    QString reason;
    try {
        switch (FRequest->Method) {
        case KFromGetInfo:
            reason = GetInfoAnswer(body);
            break;
        case KFromWatch:
            reason = WatchAnswer(body);
            break;
        case KFromWatch2:
            reason = Watch2Answer(body);
            break;
        }
    } catch (const EConvertError& e) {
        reason = e.Message();
    }
    if (link->IsDetached())
        return;
    Finish(reason);
}

QString TYoutubeFLVGet::GetInfoAnswer(const QString& body)
{
    TNameValueList params;
    ParseURLParams(body, params, true);
    return TokenStep(params.Values(QStringLiteral("token")), params.Text());
}

QString TYoutubeFLVGet::WatchAnswer(const QString& body)
{
    const TPcre2Regex pattern(FRequest->WatchPattern);
    if (!pattern.IsValid())
        Log(pattern.ErrorText());
    const TNameValueList keys = ParseWatchKeyList(pattern.Match(body).value_or(QString()), FRequest->SplitStr);
    return TokenStep(WatchKeyListToken(keys, FRequest->NeedURLDecode), keys.Text());
}

QString TYoutubeFLVGet::Watch2Answer(const QString& body)
{
    const TPcre2Regex pattern(FRequest->WatchPattern2);
    if (!pattern.IsValid())
        Log(pattern.ErrorText());
    const TWatchMap map = ChooseWatchMap(pattern.Match(body).value_or(body));
    switch (map.Kind) {
    case TWatchMap::KNone:
        return QStringLiteral("the watch page holds no stream map");
    case TWatchMap::KPipeMap:
        FYoutubeFLVURI = PipeMapAddress(map.Map);
        return FYoutubeFLVURI.isEmpty() ? QStringLiteral("%1 has no usable entry").arg(map.Name) : QString();
    case TWatchMap::KStreamMap:
        FYoutubeFLVURI = StreamMapAddress(map.Map, FRequest->FLVURLFormat);
        return FYoutubeFLVURI.isEmpty() ? QStringLiteral("%1 has no flash video of format 5").arg(map.Name)
                                        : QString();
    }
    return {};
}

QString TYoutubeFLVGet::TokenStep(const QString& token, const QString& listText)
{
    if (!token.isEmpty()) {
        FYoutubeFLVURI = TokenStreamURL(FRequest->GetVideoURI, FRequest->ID, token);
        return {};
    }
    if (OnBadResponse) {
        FBadResponseSent = true;
        OnBadResponse(listText); // last action: the handler may free this resolver
    }
    return QStringLiteral("the answer holds no token");
}

void TYoutubeFLVGet::Finish(const QString& reason)
{
    if (!FYoutubeFLVURI.isEmpty()) {
        const QString url = FYoutubeFLVURI;
        Log(QStringLiteral("stream address %1").arg(url));
        if (OnURIGot)
            OnURIGot(url, -1);
        return;
    }
    if (FRequest->Method == KFromWatch)
        return Fallback();
    Log(QStringLiteral("failed: %1").arg(reason));
    // OnBadResponse already told the owner about this end.
    if (!FBadResponseSent && OnResolveFailed)
        OnResolveFailed(reason);
}

void TYoutubeFLVGet::RequestFailed(const QString& reason)
{
    if (FRequest->Method == KFromWatch)
        return Fallback();
    Log(QStringLiteral("failed: %1").arg(reason));
    if (OnResolveFailed)
        OnResolveFailed(reason);
}

void TYoutubeFLVGet::Fallback()
{
    Method = KFromGetInfo;
    FRequest->Method = KFromGetInfo;
    StartText(FRequest->GetInfoURI + FRequest->ID);
}
