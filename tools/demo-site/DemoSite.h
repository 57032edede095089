#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib
{
class Server;
struct Request;
struct Response;
} // namespace httplib

// One song of the demo catalogue.
struct TDemoSong
{
    QString Id;     // 11 characters, like the site's identifiers
    QString Title;  // some hold quotes, ampersands and non-Latin letters on purpose
    QString Artist;
    QString Album;
    int Duration = 0; // seconds (the full-length media)
};

// How a response goes wrong. Chosen per request by the query parameter "fault"
// (e.g. "/bytes/100?fault=reset") or per path prefix with TDemoSite::SetFault.
enum class EDemoFault
{
    None,
    Reset,        // the connection is closed half-way through the body
    ShortBody,    // Content-Length promises more than is sent
    NoLength,     // no Content-Length; the body ends when the connection closes
    Drip,         // the body comes in small pieces with pauses (for abort tests)
    NotFound,     // 404 with an error page
    ServerError,  // 500 with an error page
    Redirect,     // a chain of FaultParam 302 redirects (query "hop" counts), then the body
    RedirectLoop, // 302 to itself, for ever
};

struct TDemoFault
{
    EDemoFault Kind = EDemoFault::None;
    int Param = 0; // Redirect: number of hops; Drip: pause in milliseconds (default 20)
};

// Parses "reset", "short", "nolength", "drip", "drip:50", "404", "500", "redirect:3",
// "loop". Unknown text gives EDemoFault::None.
TDemoFault ParseDemoFault(const QString& text);

// Deterministic content of the generic byte route: bytes offset.. of /bytes/<n> (for any n).
QByteArray DemoBytes(int64_t offset, int64_t count);
void DemoBytesInto(int64_t offset, char* out, int64_t count);

// The catalogue every demo site serves.
std::vector<TDemoSong> DemoCatalogue();

// The sample text of /text/<encoding>, and its encoded bodies:
// "latin1" (only the Latin-1 part), "utf16le", "utf8", "utf8bom".
QString DemoSampleText(bool latin1Only);
QByteArray DemoSampleBody(const QString& encoding);

// A small real HTTP server on 127.0.0.1 standing in for the video site and the maker's
// server. Tests start it in-process on port 0; the program varnelo-demo-site wraps it.
//
// Routes of the core: /media/<id>.flv and /media/<id>.mp4 (real media made with the
// ffmpeg program on first use and cached), /bytes/<n>, /echo (any method: the response
// body is the exact request body, request headers come back as "X-Echo-<Name>" headers
// and "X-Echo-Method"), /text/<encoding>. Route modules (DemoRoutes.h) add the rest.
class TDemoSite final
{
public:
    struct TOptions
    {
        // Where generated media are kept. Empty: $XDG_CACHE_HOME/varnelo-demo-site for
        // full-length media, a folder in the build tree for the short test media.
        QString CacheDir;
        // Full-length media (minutes, for the demo) or a few seconds (for tests).
        bool FullLength = false;
    };

    struct TRequestRecord
    {
        std::string Method;
        std::string Path;    // without the query
        std::string Version; // "HTTP/1.0"
        std::multimap<std::string, std::string> Headers; // names in lower case
        std::string Body;
    };

    TDemoSite();
    explicit TDemoSite(TOptions options);
    ~TDemoSite();
    TDemoSite(const TDemoSite&) = delete;
    TDemoSite& operator=(const TDemoSite&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and serves on a thread of its own.
    // A site starts once; after Stop it stays stopped.
    bool Start(int port = 0);
    void Stop();
    int Port() const { return FPort; }
    // "http://127.0.0.1:<port>", no trailing slash.
    QString BaseUrl() const;

    const std::vector<TDemoSong>& Songs() const { return FSongs; }
    const TDemoSong* FindSong(const QString& id) const;
    // Duration of the media actually served (short or full length), in seconds.
    int MediaDuration(const TDemoSong& song) const;
    // Path of the song's media file ("flv" or "mp4"), made with ffmpeg when missing.
    // Empty when the song is unknown or ffmpeg failed. Thread-safe.
    QString MediaFile(const QString& id, const QString& extension);
    // Makes every media file now (the program does this at start).
    bool PrepareAllMedia();
    QString CacheDir() const { return FOptions.CacheDir; }
    static QString DefaultCacheDir(bool fullLength);

    // A fault for every request whose path starts with pathPrefix (the query's "fault"
    // parameter wins over it). Kind None removes the entry.
    void SetFault(const QString& pathPrefix, TDemoFault fault);
    void ClearFaults();
    TDemoFault FaultFor(const httplib::Request& request) const;

    // Serve a body, applying the request's fault. Route modules use these so that every
    // route takes part in the fault modes and the transfer counters.
    void ServeData(const httplib::Request& request, httplib::Response& response, QByteArray data,
                   const std::string& contentType);
    void ServeFile(const httplib::Request& request, httplib::Response& response, const QString& path,
                   const std::string& contentType);

    // Counters: requests per path (query not included), bodies being sent right now,
    // and the most bodies sent at the same time since the last reset.
    int RequestCount(const QString& path) const;
    int TotalRequests() const;
    int InFlight() const { return FInFlight.load(); }
    int MaxInFlight() const { return FMaxInFlight.load(); }
    void ResetCounters();
    // The latest request that reached /echo (empty record when none did).
    TRequestRecord LastEcho() const;

    httplib::Server& Server() { return *FServer; }

private:
    struct TBodySource;
    void RegisterCoreRoutes();
    void ServeBody(const httplib::Request& request, httplib::Response& response,
                   std::shared_ptr<TBodySource> source, const std::string& contentType);
    bool HandleStatusFault(const httplib::Request& request, httplib::Response& response,
                           const TDemoFault& fault);
    void CountRequest(const std::string& path);
    void BeginTransfer();
    void EndTransfer();
    bool MakeMedia(const TDemoSong& song, const QString& extension, const QString& target);

    TOptions FOptions;
    std::vector<TDemoSong> FSongs;
    std::unique_ptr<httplib::Server> FServer;
    std::thread FListenThread;
    int FPort = 0;
    std::atomic<bool> FStopping{false};

    mutable std::mutex FLock; // guards the maps and the echo record below
    std::map<QString, TDemoFault> FFaults;
    std::map<std::string, int> FRequestCounts;
    TRequestRecord FLastEcho;
    std::atomic<int> FInFlight{0};
    std::atomic<int> FMaxInFlight{0};

    std::mutex FMediaLock; // one media file made at a time
};
