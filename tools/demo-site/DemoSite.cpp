#include "DemoSite.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

#include <httplib.h>

#include "DemoRoutes.h"

namespace
{
constexpr int64_t KChunk = 64 * 1024;
constexpr int64_t KDripPiece = 1024;

std::string PercentEncode(const std::string& text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == ':') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The request's own path and query, with the parameter "hop" replaced.
std::string WithHop(const httplib::Request& request, int hop)
{
    std::string query;
    for (const auto& [name, value] : request.params) {
        if (name == "hop")
            continue;
        query += (query.empty() ? "?" : "&") + PercentEncode(name) + "=" + PercentEncode(value);
    }
    query += (query.empty() ? "?" : "&") + std::string("hop=") + std::to_string(hop);
    return request.path + query;
}

// httplib parses every multipart body it reads; /echo must see the bytes as they came,
// so the content type is put aside under this name before the body is read.
const char* const KHiddenContentType = "X-Demo-Hidden-Content-Type";

void HideMultipartType(httplib::Request& request)
{
    const std::string type = request.get_header_value("Content-Type");
    if (type.rfind("multipart/", 0) != 0)
        return;
    request.headers.erase("Content-Type");
    request.headers.emplace(KHiddenContentType, type);
}

void ErrorPage(httplib::Response& response, int status, const char* text)
{
    response.status = status;
    response.set_content(std::string("<html><body><h1>") + text + "</h1></body></html>", "text/html");
}

// Closes a file descriptor when the last transfer that reads it ends.
struct TFileHandle
{
    explicit TFileHandle(int fd) : Fd(fd) {}
    ~TFileHandle()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Fd;
};
} // namespace

struct TDemoSite::TBodySource
{
    int64_t Size = 0;
    // Fills out with count bytes from offset; false on a read failure.
    std::function<bool(int64_t offset, char* out, int64_t count)> Read;
};

TDemoSite::TDemoSite() : TDemoSite(TOptions{}) {}

TDemoSite::TDemoSite(TOptions options)
    : FOptions(std::move(options)), FSongs(DemoCatalogue()), FServer(std::make_unique<httplib::Server>())
{
    if (FOptions.CacheDir.isEmpty())
        FOptions.CacheDir = DefaultCacheDir(FOptions.FullLength);
}

TDemoSite::~TDemoSite()
{
    Stop();
}

QString TDemoSite::BaseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(FPort);
}

bool TDemoSite::Start(int port)
{
    if (FListenThread.joinable() || FStopping)
        return false;
    // Slow drips and aborted transfers hold a thread each; keep plenty.
    FServer->new_task_queue = [] { return new httplib::ThreadPool(32); };
    FServer->set_keep_alive_timeout(1);
    FServer->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        CountRequest(request.path);
        if (request.path == "/echo")
            HideMultipartType(const_cast<httplib::Request&>(request));
        return HandleStatusFault(request, response, FaultFor(request)) ? httplib::Server::HandlerResponse::Handled
                                                                       : httplib::Server::HandlerResponse::Unhandled;
    });
    RegisterCoreRoutes();
    RegisterVideoRoutes(*this, *FServer);
    RegisterSearchRoutes(*this, *FServer);

    if (port == 0)
        FPort = FServer->bind_to_any_port("127.0.0.1");
    else
        FPort = FServer->bind_to_port("127.0.0.1", port) ? port : 0;
    if (FPort <= 0) {
        FPort = 0;
        return false;
    }
    auto ended = std::make_shared<std::atomic<bool>>(false);
    FListenThread = std::thread([this, ended] {
        FServer->listen_after_bind();
        *ended = true;
    });
    // Stop() only reaches a server that already runs its accept loop.
    while (!FServer->is_running() && !*ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !*ended;
}

void TDemoSite::Stop()
{
    FStopping = true;
    if (FListenThread.joinable()) {
        FServer->stop();
        FListenThread.join();
    }
}

void TDemoSite::RegisterCoreRoutes()
{
    FServer->Get(R"(/media/([A-Za-z0-9_-]+)\.(flv|mp4))", [this](const httplib::Request& req, httplib::Response& res) {
        const QString ext = QString::fromStdString(req.matches[2]);
        const QString path = MediaFile(QString::fromStdString(req.matches[1]), ext);
        if (path.isEmpty())
            return ErrorPage(res, 404, "Not Found");
        ServeFile(req, res, path, ext == u"flv" ? "video/x-flv" : "video/mp4");
    });

    FServer->Get(R"(/bytes/(\d{1,15}))", [this](const httplib::Request& req, httplib::Response& res) {
        auto source = std::make_shared<TBodySource>();
        source->Size = std::stoll(req.matches[1]);
        source->Read = [](int64_t offset, char* out, int64_t count) {
            DemoBytesInto(offset, out, count);
            return true;
        };
        ServeBody(req, res, std::move(source), "application/octet-stream");
    });

    FServer->Get(R"(/text/(\w+))", [this](const httplib::Request& req, httplib::Response& res) {
        const QString encoding = QString::fromStdString(req.matches[1]);
        const QByteArray body = DemoSampleBody(encoding);
        if (body.isEmpty())
            return ErrorPage(res, 404, "Not Found");
        const char* charset = encoding == u"latin1" ? "iso-8859-1" : encoding == u"utf16le" ? "utf-16le" : "utf-8";
        ServeData(req, res, body, std::string("text/plain; charset=") + charset);
    });

    const auto echo = [this](const httplib::Request& req, httplib::Response& res, const std::string& body) {
        TRequestRecord record{req.method, req.path, req.version, {}, body};
        for (const auto& [name, value] : req.headers) {
            const std::string shown = name == KHiddenContentType ? std::string("Content-Type") : name;
            record.Headers.emplace(QByteArray::fromStdString(shown).toLower().toStdString(), value);
        }
        {
            std::lock_guard guard(FLock);
            FLastEcho = record;
        }
        for (const auto& [name, value] : record.Headers)
            res.set_header("X-Echo-" + name, value);
        res.set_header("X-Echo-Method", req.method);
        ServeData(req, res, QByteArray::fromStdString(body), "application/octet-stream");
    };
    FServer->Get("/echo", [echo](const httplib::Request& req, httplib::Response& res) { echo(req, res, {}); });
    // The raw reader keeps a multipart body as it came instead of parsing it.
    const auto echoWithBody = [echo](const httplib::Request& req, httplib::Response& res,
                                     const httplib::ContentReader& reader) {
        std::string body;
        reader([&body](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        echo(req, res, body);
    };
    FServer->Post("/echo", echoWithBody);
    FServer->Put("/echo", echoWithBody);
}

void TDemoSite::SetFault(const QString& pathPrefix, TDemoFault fault)
{
    std::lock_guard guard(FLock);
    if (fault.Kind == EDemoFault::None)
        FFaults.erase(pathPrefix);
    else
        FFaults[pathPrefix] = fault;
}

void TDemoSite::ClearFaults()
{
    std::lock_guard guard(FLock);
    FFaults.clear();
}

TDemoFault TDemoSite::FaultFor(const httplib::Request& request) const
{
    if (request.has_param("fault"))
        return ParseDemoFault(QString::fromStdString(request.get_param_value("fault")));
    const QString path = QString::fromStdString(request.path);
    std::lock_guard guard(FLock);
    TDemoFault found;
    qsizetype longest = -1;
    for (const auto& [prefix, fault] : FFaults) {
        if (path.startsWith(prefix) && prefix.size() > longest) {
            longest = prefix.size();
            found = fault;
        }
    }
    return found;
}

bool TDemoSite::HandleStatusFault(const httplib::Request& request, httplib::Response& response,
                                  const TDemoFault& fault)
{
    switch (fault.Kind) {
    case EDemoFault::NotFound:
        ErrorPage(response, 404, "Not Found");
        return true;
    case EDemoFault::ServerError:
        ErrorPage(response, 500, "Internal Server Error");
        return true;
    case EDemoFault::Redirect: {
        const int hop = request.has_param("hop") ? std::atoi(request.get_param_value("hop").c_str()) : 0;
        if (hop >= fault.Param)
            return false;
        response.set_redirect(WithHop(request, hop + 1), 302);
        return true;
    }
    case EDemoFault::RedirectLoop:
        response.set_redirect(request.target, 302);
        return true;
    default:
        return false;
    }
}

void TDemoSite::ServeData(const httplib::Request& request, httplib::Response& response, QByteArray data,
                          const std::string& contentType)
{
    auto source = std::make_shared<TBodySource>();
    source->Size = data.size();
    source->Read = [data = std::move(data)](int64_t offset, char* out, int64_t count) {
        std::copy_n(data.constData() + offset, count, out);
        return true;
    };
    ServeBody(request, response, std::move(source), contentType);
}

void TDemoSite::ServeFile(const httplib::Request& request, httplib::Response& response, const QString& path,
                          const std::string& contentType)
{
    auto file = std::make_shared<TFileHandle>(::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC));
    const off_t size = file->Fd >= 0 ? ::lseek(file->Fd, 0, SEEK_END) : -1;
    if (size < 0)
        return ErrorPage(response, 404, "Not Found");
    auto source = std::make_shared<TBodySource>();
    source->Size = size;
    source->Read = [file](int64_t offset, char* out, int64_t count) {
        while (count > 0) {
            const ssize_t n = ::pread(file->Fd, out, static_cast<size_t>(count), offset);
            if (n <= 0)
                return false;
            out += n;
            offset += n;
            count -= n;
        }
        return true;
    };
    ServeBody(request, response, std::move(source), contentType);
}

void TDemoSite::ServeBody(const httplib::Request& request, httplib::Response& response,
                          std::shared_ptr<TBodySource> source, const std::string& contentType)
{
    const TDemoFault fault = FaultFor(request);
    const int64_t size = source->Size;
    if (size == 0 && fault.Kind != EDemoFault::ShortBody) {
        response.set_content(std::string(), contentType);
        return;
    }
    // Where the body is cut off (the connection then closes).
    int64_t limit = size;
    int64_t declared = size;
    if (fault.Kind == EDemoFault::Reset)
        limit = size / 2;
    else if (fault.Kind == EDemoFault::ShortBody)
        declared = size + std::max<int64_t>(1, size / 4);
    const int dripMs = fault.Kind == EDemoFault::Drip ? fault.Param : -1;

    BeginTransfer();
    auto buffer = std::make_shared<std::vector<char>>(KChunk);
    // Sends the next piece; false cuts the connection.
    auto sendFrom = [this, source, buffer, limit, dripMs](int64_t offset, int64_t wanted, httplib::DataSink& sink) {
        if (FStopping || offset >= limit)
            return false;
        int64_t n = std::min({wanted, KChunk, limit - offset});
        if (dripMs >= 0) {
            n = std::min(n, KDripPiece);
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(dripMs);
            while (std::chrono::steady_clock::now() < until) {
                if (FStopping)
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min(dripMs, 5)));
            }
        }
        if (!source->Read(offset, buffer->data(), n))
            return false;
        return sink.write(buffer->data(), static_cast<size_t>(n));
    };
    const auto release = [this](bool) { EndTransfer(); };

    if (fault.Kind == EDemoFault::NoLength) {
        response.set_content_provider(
            contentType,
            [sendFrom, size](size_t offset, httplib::DataSink& sink) {
                if (static_cast<int64_t>(offset) >= size) {
                    sink.done();
                    return true;
                }
                return sendFrom(static_cast<int64_t>(offset), size - static_cast<int64_t>(offset), sink);
            },
            release);
        return;
    }
    response.set_content_provider(
        static_cast<size_t>(declared), contentType,
        [sendFrom](size_t offset, size_t length, httplib::DataSink& sink) {
            return sendFrom(static_cast<int64_t>(offset), static_cast<int64_t>(length), sink);
        },
        release);
}

void TDemoSite::CountRequest(const std::string& path)
{
    std::lock_guard guard(FLock);
    ++FRequestCounts[path];
}

int TDemoSite::RequestCount(const QString& path) const
{
    std::lock_guard guard(FLock);
    const auto it = FRequestCounts.find(path.toStdString());
    return it == FRequestCounts.end() ? 0 : it->second;
}

int TDemoSite::TotalRequests() const
{
    std::lock_guard guard(FLock);
    int total = 0;
    for (const auto& entry : FRequestCounts)
        total += entry.second;
    return total;
}

void TDemoSite::ResetCounters()
{
    std::lock_guard guard(FLock);
    FRequestCounts.clear();
    FMaxInFlight = FInFlight.load();
}

TDemoSite::TRequestRecord TDemoSite::LastEcho() const
{
    std::lock_guard guard(FLock);
    return FLastEcho;
}

void TDemoSite::BeginTransfer()
{
    const int now = ++FInFlight;
    int seen = FMaxInFlight.load();
    while (now > seen && !FMaxInFlight.compare_exchange_weak(seen, now)) {
    }
}

void TDemoSite::EndTransfer()
{
    --FInFlight;
}
