#include "DemoRoutes.h"

#include <QCryptographicHash>
#include <QStringList>

#include <httplib.h>

#include "DemoSite.h"
#include "DemoVideo.h"
#include "common/UrlFunctions.h"

namespace
{
// A stable, secret-looking text derived from the identifier.
QString Digest(const QString& salt, const QString& id, int length)
{
    const QByteArray hash = QCryptographicHash::hash((salt + u':' + id).toUtf8(), QCryptographicHash::Sha1);
    return QString::fromLatin1(hash.toHex().left(length));
}

QString Encode(const QString& text)
{
    return EncodeURLTextUtf8(text);
}

QString Param(const httplib::Request& request, const char* name)
{
    return request.has_param(name) ? QString::fromStdString(request.get_param_value(name)) : QString();
}

void Refuse(httplib::Response& response, int status, const char* text)
{
    response.status = status;
    response.set_content(std::string("<html><body><h1>") + text + "</h1></body></html>", "text/html");
}

struct TMediaUrls
{
    QString Flv;
    QString Mp4;
};

TMediaUrls MediaUrls(const QString& base, const QString& id)
{
    return {base + QStringLiteral("/media/") + id + QStringLiteral(".flv"),
            base + QStringLiteral("/media/") + id + QStringLiteral(".mp4")};
}

// One entry of the stream map: the stream's URL (with the parameters the address format
// picks from) encoded inside, then the entry's own fields.
QString StreamMapEntry(const QString& url, const QString& id, int itag, const QString& type)
{
    const QString query =
        QStringLiteral("sparams=id,itag,expire&fexp=900,907&algorithm=throttle-factor&burst=40&cp=U0hQ"
                       "&expire=1300000000&factor=1.25&id=%1&ip=127.0.0.1&ipbits=8&itag=%2&key=yt1&ms=au"
                       "&mt=0&mv=m&signature=%3&sver=3&upn=%4")
            .arg(Digest(QStringLiteral("id"), id, 16))
            .arg(itag)
            .arg(Digest(QStringLiteral("sig"), id + QString::number(itag), 40), Digest(QStringLiteral("upn"), id, 8));
    return QStringLiteral("url=") + Encode(url + u'?' + query) + QStringLiteral("&quality=small&fallback_host=")
           + Encode(QStringLiteral("127.0.0.1")) + QStringLiteral("&type=") + Encode(type)
           + QStringLiteral("&itag=") + QString::number(itag);
}

// The values of the maps, not yet encoded for the parameter text.
QString FmtUrlMap(const TMediaUrls& media)
{
    return QStringLiteral("5|") + media.Flv + QStringLiteral(",18|") + media.Mp4;
}

QString FmtStreamMap(const TMediaUrls& media)
{
    return QStringLiteral("18|") + media.Mp4 + QStringLiteral(",34|") + media.Flv + QStringLiteral("?fmt=34");
}

QString UrlEncodedStreamMap(const TMediaUrls& media, const QString& id, bool withFormat5)
{
    QStringList entries = {StreamMapEntry(media.Mp4, id, 18, QStringLiteral("video/mp4; codecs=\"avc1, mp4a\""))};
    if (withFormat5)
        entries.append(StreamMapEntry(media.Flv, id, 5, QStringLiteral("video/x-flv")));
    entries.append(StreamMapEntry(media.Flv, id, 34, QStringLiteral("video/x-flv")));
    return entries.join(u',');
}

// The parameter text of the player configuration, holding the maps the switch asks for.
QString PlayerConfig(const TDemoSong& song, const QString& base, const QString& maps)
{
    const TMediaUrls media = MediaUrls(base, song.Id);
    QString text = QStringLiteral("video_id=") + song.Id + QStringLiteral("&title=") + Encode(song.Title)
                   + QStringLiteral("&length_seconds=") + QString::number(song.Duration);
    const auto add = [&text](const char* name, const QString& value) {
        text += QStringLiteral("&") + QString::fromLatin1(name) + u'=' + value;
    };
    const bool all = maps.isEmpty() || maps == u"all";
    if (all || maps == u"fmt_stream_map")
        add("fmt_stream_map", Encode(FmtStreamMap(media)));
    if (all || maps == u"fmt_url_map")
        add("fmt_url_map", Encode(FmtUrlMap(media)));
    if (all || maps == u"url_encoded_fmt_stream_map")
        add("url_encoded_fmt_stream_map", Encode(UrlEncodedStreamMap(media, song.Id, true)));
    if (maps == u"flv34only")
        add("url_encoded_fmt_stream_map", Encode(UrlEncodedStreamMap(media, song.Id, false)));
    if (maps == u"badescape")
        add("fmt_url_map", QStringLiteral("5%7Chttp%3A%2F%2F127.0.0.1%2Fx%G1"));
    add("sk", QStringLiteral("end"));
    return text;
}

QByteArray WatchPage(const TDemoSong& song, const QString& base, const QString& maps, bool withToken)
{
    QString args = QStringLiteral("\"video_id\": \"%1\", \"l\": %2, \"sk\": \"%3\"")
                       .arg(song.Id)
                       .arg(song.Duration)
                       .arg(Digest(QStringLiteral("sk"), song.Id, 12));
    if (withToken)
        args += QStringLiteral(", \"t\": \"") + Encode(DemoVideoToken(song.Id)) + u'"';
    const QString title = song.Title.toHtmlEscaped();
    const QString page =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1 - Demo Video</title></head>\n"
                       "<body><h1 id=\"watch-headline-title\">%1</h1>\n<div id=\"watch-player\"></div>\n<script>\n"
                       "var swfHTML = '<embed src=\"/player.swf\" width=\"480\" height=\"385\"></embed>';\n"
                       "var swfArgs = {%2};\n"
                       "var yt = {};\n"
                       "yt.setConfig({\n"
                       "  'PLAYER_CONFIG': {%3}\n"
                       "});\n</script>\n</body></html>\n")
            .arg(title, args, PlayerConfig(song, base, maps));
    return page.toUtf8();
}

QString UnavailablePage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><title>Demo Video</title></head>\n"
                          "<body><div id=\"unavailable-message\">This video is unavailable.</div></body></html>\n");
}
} // namespace

QString DemoVideoToken(const QString& id)
{
    // The "/" makes the token need its URL-decoding on the watch page.
    return QStringLiteral("vjV") + Digest(QStringLiteral("token"), id, 20) + QStringLiteral("/Q");
}

TNameValueList DemoResolverSettings(const QString& baseUrl, int method)
{
    TNameValueList values;
    values.Add(QStringLiteral("WatchPattern=var swfArgs = \\{(.*)\\};"));
    values.Add(QStringLiteral("WatchPattern2='PLAYER_CONFIG': \\{(.*)\\}"));
    values.Add(QStringLiteral("FLVSplitStr=,"));
    values.Add(QStringLiteral("FLVNeedDecode=1"));
    values.Add(QStringLiteral("FLVGetVideoURI=") + baseUrl + QStringLiteral("/get_video?asv=3&video_id="));
    values.Add(QStringLiteral("WatchURL=") + baseUrl + QStringLiteral("/watch?v="));
    values.Add(QStringLiteral("GetInfoURL=") + baseUrl + QStringLiteral("/get_video_info?&video_id="));
    values.Add(QStringLiteral("GetMethod=") + QString::number(method));
    values.Add(QStringLiteral("FLVURLFormat=%0:s?id=%8:s&itag=%11:s&signature=%16:s&sparams=%17:s&fexp=%6:s"));
    return values;
}

void RegisterVideoRoutes(TDemoSite& site, httplib::Server& server)
{
    server.Get("/watch", [&site](const httplib::Request& req, httplib::Response& res) {
        const QString agent = Param(req, "agent");
        if (!agent.isEmpty() && QString::fromStdString(req.get_header_value("User-Agent")) != agent)
            return Refuse(res, 403, "Forbidden");
        const TDemoSong* song = site.FindSong(Param(req, "v"));
        const QByteArray page = song ? WatchPage(*song, site.BaseUrl(), Param(req, "map"), Param(req, "token") != u"none")
                                     : UnavailablePage().toUtf8();
        site.ServeData(req, res, page, "text/html; charset=utf-8");
    });

    server.Get("/get_video_info", [&site](const httplib::Request& req, httplib::Response& res) {
        const TDemoSong* song = site.FindSong(Param(req, "video_id"));
        QString answer;
        if (!song || Param(req, "reply") == u"notoken") {
            answer = QStringLiteral("status=fail&errorcode=150&reason=") + Encode(QStringLiteral("This video is unavailable."));
        } else {
            answer = QStringLiteral("status=ok&video_id=") + song->Id + QStringLiteral("&title=") + Encode(song->Title)
                     + QStringLiteral("&author=") + Encode(song->Artist) + QStringLiteral("&length_seconds=")
                     + QString::number(song->Duration) + QStringLiteral("&token=") + Encode(DemoVideoToken(song->Id));
        }
        site.ServeData(req, res, answer.toUtf8(), "application/x-www-form-urlencoded");
    });

    server.Get("/get_video", [&site](const httplib::Request& req, httplib::Response& res) {
        const QString id = Param(req, "video_id");
        if (!site.FindSong(id))
            return Refuse(res, 404, "Not Found");
        if (Param(req, "t") != DemoVideoToken(id))
            return Refuse(res, 403, "Invalid token");
        const QString path = site.MediaFile(id, QStringLiteral("flv"));
        if (path.isEmpty())
            return Refuse(res, 500, "Media unavailable");
        site.ServeFile(req, res, path, "video/x-flv");
    });
}
