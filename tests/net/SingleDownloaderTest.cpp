// TSingleDownloader against the demo site over loopback.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "DemoSiteFixture.h"
#include "TestSupport.h"
#include "common/NameValueList.h"
#include "common/TextFunctions.h"
#include "net/SingleDownloader.h"

using TestSupport::DemoSite;
using TestSupport::DemoSiteUrl;
using TestSupport::ProcessEventsFor;
using TestSupport::ReadFile;
using TestSupport::WaitUntil;

namespace
{
// Everything a request reported.
struct TRecorder
{
    int Errors = 0;
    int DoneFiles = 0;
    int DoneStrings = 0;
    QString Text;
    QString File;
    int FileSize = -1;
    std::vector<std::pair<int, int>> Progress; // (total, received)
    bool ProgressOnMainThread = true;

    int Events() const { return Errors + DoneFiles + DoneStrings; }

    void Attach(TSingleDownloader& sd)
    {
        sd.OnError = [this](TSingleDownloader*) { ++Errors; };
        sd.OnDoneString = [this](TSingleDownloader*, const QString& text) {
            ++DoneStrings;
            Text = text;
        };
        sd.OnDoneFile = [this](TSingleDownloader*, const QString& name, int size) {
            ++DoneFiles;
            File = name;
            FileSize = size;
        };
        sd.OnProgress = [this](TSingleDownloaderThread* sender, int total, int received) {
            ProgressOnMainThread = ProgressOnMainThread && sender && QThread::currentThread() == qApp->thread();
            Progress.emplace_back(total, received);
        };
    }
};

bool Finish(TRecorder& r)
{
    return WaitUntil([&] { return r.Events() > 0; });
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

TEST(SingleDownloader, TextInEveryCharset)
{
    struct TRow
    {
        const char* Route;
        THttpCharset Charset;
        QString Expected;
    };
    const TRow rows[] = {
        {"/text/latin1", THttpCharset::KAnsi, DemoSampleText(true)},
        {"/text/utf16le", THttpCharset::KUnicode, DemoSampleText(false)},
        {"/text/utf8", THttpCharset::KUTF8, DemoSampleText(false)},
        {"/text/utf8bom", THttpCharset::KUTF8, QChar(0xFEFF) + DemoSampleText(false)},
        // The server's charset is not consulted: UTF-8 bytes read as ANSI stay bytes.
        {"/text/utf8", THttpCharset::KAnsi, QString::fromLatin1(DemoSampleText(false).toUtf8())},
    };
    for (const TRow& row : rows) {
        TSingleDownloader sd;
        TRecorder r;
        r.Attach(sd);
        sd.URL = DemoSiteUrl(QString::fromLatin1(row.Route));
        sd.HttpCharset = row.Charset;
        sd.GetString();
        ASSERT_TRUE(Finish(r)) << row.Route;
        EXPECT_EQ(r.DoneStrings, 1) << row.Route;
        EXPECT_EQ(r.Text, row.Expected) << row.Route;
        EXPECT_TRUE(sd.LastResult()) << row.Route;
    }
}

TEST(SingleDownloader, FileRequestWritesTheWholeBodyWithProgressPerChunk)
{
    QTemporaryDir dir;
    const int size = 300000;
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.URL = DemoSiteUrl(QStringLiteral("/bytes/%1").arg(size));
    // Missing folders are created.
    sd.FileName = dir.filePath(QStringLiteral("a/b/out.bin"));
    sd.GetFile();
    EXPECT_TRUE(sd.Busy());
    ASSERT_TRUE(Finish(r));
    EXPECT_FALSE(sd.Busy());
    ASSERT_EQ(r.DoneFiles, 1);
    EXPECT_EQ(r.File, sd.FileName);
    EXPECT_EQ(r.FileSize, size);
    EXPECT_TRUE(ReadFile(sd.FileName) == DemoBytes(0, size));
    EXPECT_EQ(FolderEntries(dir.filePath(QStringLiteral("a/b"))), QStringList{QStringLiteral("out.bin")});

    ASSERT_FALSE(r.Progress.empty());
    EXPECT_TRUE(r.ProgressOnMainThread);
    // One event per whole 16384-byte chunk, then the shorter last one.
    EXPECT_EQ(r.Progress.size(), static_cast<size_t>((size + 16383) / 16384));
    int last = 0;
    for (const auto& [total, received] : r.Progress) {
        EXPECT_EQ(total, size);
        EXPECT_EQ(received, std::min(last + 16384, size));
        last = received;
    }
    EXPECT_EQ(last, size);
}

TEST(SingleDownloader, MediaFileArrivesIntact)
{
    TDemoSite& site = DemoSite();
    const QString media = site.MediaFile(site.Songs().front().Id, QStringLiteral("flv"));
    ASSERT_FALSE(media.isEmpty());
    QTemporaryDir dir;
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.BinaryData = true;
    sd.URL = DemoSiteUrl(QStringLiteral("/media/%1.flv").arg(site.Songs().front().Id));
    sd.FileName = dir.filePath(QStringLiteral("song.flv"));
    sd.GetFile();
    ASSERT_TRUE(Finish(r));
    ASSERT_EQ(r.DoneFiles, 1);
    EXPECT_TRUE(ReadFile(sd.FileName) == ReadFile(media));
}

TEST(SingleDownloader, WaitThreadDeliversTheEventsBeforeReturning)
{
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.WaitThread = true;
    sd.URL = DemoSiteUrl(QStringLiteral("/text/utf8?fault=drip:2"));
    sd.HttpCharset = THttpCharset::KUTF8;
    sd.GetString();
    EXPECT_FALSE(sd.Busy());
    EXPECT_EQ(r.DoneStrings, 1);
    EXPECT_EQ(r.Text, DemoSampleText(false));
    EXPECT_FALSE(r.Progress.empty());
}

TEST(SingleDownloader, SecondStartWhileBusyIsIgnored)
{
    TDemoSite& site = DemoSite();
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.URL = DemoSiteUrl(QStringLiteral("/bytes/5000?fault=drip:5&busy=1"));
    const int before = site.RequestCount(QStringLiteral("/bytes/5000"));
    sd.GetString();
    sd.URL = DemoSiteUrl(QStringLiteral("/bytes/6000"));
    sd.GetString();
    ASSERT_TRUE(Finish(r));
    ProcessEventsFor(100);
    EXPECT_EQ(r.Events(), 1);
    EXPECT_EQ(r.Text.size(), 5000);
    EXPECT_EQ(site.RequestCount(QStringLiteral("/bytes/5000")), before + 1);
}

TEST(SingleDownloader, PostsFormAndMultipartBodiesByteForByte)
{
    TDemoSite& site = DemoSite();
    QTemporaryDir dir;
    const QString upload = dir.filePath(QStringLiteral("pic.png"));
    QByteArray binary;
    for (int i = 0; i < 256; ++i)
        binary += static_cast<char>(i);
    ASSERT_TRUE(TestSupport::WriteFile(upload, binary + binary));

    TSingleDownloader form;
    form.SetPostValues(TNameValueList({QStringLiteral("title=Caf\u00E9 & \"Bar\""), QStringLiteral("n=1")}));
    TSingleDownloader multipart;
    const TNameValueList files({QStringLiteral("file=") + upload});
    multipart.SetUploadFiles(TNameValueList({QStringLiteral("a=b c")}), &files);

    struct TRow
    {
        const char* Name;
        TSingleDownloader* Sd;
        std::string ContentType;
    };
    const TRow rows[] = {
        {"form", &form, "application/x-www-form-urlencoded"},
        {"multipart", &multipart, "multipart/form-data; boundary=---------------------------989989989"},
    };
    for (const TRow& row : rows) {
        TRecorder r;
        r.Attach(*row.Sd);
        row.Sd->URL = DemoSiteUrl(QStringLiteral("/echo"));
        row.Sd->GetString();
        ASSERT_TRUE(Finish(r)) << row.Name;
        ASSERT_EQ(r.DoneStrings, 1) << row.Name;
        const TDemoSite::TRequestRecord echo = site.LastEcho();
        EXPECT_EQ(echo.Method, "POST") << row.Name;
        EXPECT_TRUE(QByteArray::fromStdString(echo.Body) == ToAnsi(row.Sd->PostQuery)) << row.Name;
        ASSERT_EQ(echo.Headers.count("content-type"), 1u) << row.Name;
        EXPECT_EQ(echo.Headers.find("content-type")->second, row.ContentType) << row.Name;
    }
    // The file's bytes travel unchanged inside the multipart body.
    EXPECT_NE(site.LastEcho().Body.find((binary + binary).toStdString()), std::string::npos);
    EXPECT_EQ(QByteArray::fromStdString(site.LastEcho().Body).left(5), QByteArray("-----"));
}

TEST(SingleDownloader, SendsTheRequestHeadersOfItsProperties)
{
    TDemoSite& site = DemoSite();
    struct TRow
    {
        const char* Name;
        bool UseCache;
        QString Accept;
        const char* ExpectedAccept;
        bool NoCache;
    };
    const TRow rows[] = {
        {"fresh copy", false, QStringLiteral("text/html"), "text/html", true},
        {"cache allowed", true, QString(), "*", false},
    };
    for (const TRow& row : rows) {
        TSingleDownloader sd;
        TRecorder r;
        r.Attach(sd);
        sd.URL = DemoSiteUrl(QStringLiteral("/echo"));
        sd.Agent = QStringLiteral("Mozilla/4.0");
        sd.Referer = QStringLiteral("http://referrer.example/page");
        sd.AcceptTypes = row.Accept;
        sd.UseCache = row.UseCache;
        sd.UserName = QStringLiteral("user");
        sd.Password = QStringLiteral("p:w");
        sd.GetString();
        ASSERT_TRUE(Finish(r)) << row.Name;
        // An empty body is a failure for a text request, but the request was made.
        EXPECT_EQ(r.Errors, 1) << row.Name;
        const TDemoSite::TRequestRecord echo = site.LastEcho();
        const auto header = [&](const char* name) {
            const auto it = echo.Headers.find(name);
            return it == echo.Headers.end() ? std::string("<none>") : it->second;
        };
        EXPECT_EQ(echo.Method, "GET") << row.Name;
        EXPECT_EQ(echo.Version, "HTTP/1.0") << row.Name;
        EXPECT_EQ(header("user-agent"), "Mozilla/4.0") << row.Name;
        EXPECT_EQ(header("referer"), "http://referrer.example/page") << row.Name;
        EXPECT_EQ(header("accept"), row.ExpectedAccept) << row.Name;
        EXPECT_EQ(header("cache-control"), row.NoCache ? "no-cache" : "<none>") << row.Name;
        EXPECT_EQ(header("authorization"), "Basic " + QByteArray("user:p:w").toBase64().toStdString()) << row.Name;
        EXPECT_EQ(header("host"), QStringLiteral("127.0.0.1:%1").arg(site.Port()).toStdString()) << row.Name;
    }
}

TEST(SingleDownloader, EveryFaultEndsInOnErrorAndLeavesFileNameAlone)
{
    struct TRow
    {
        const char* Fault;
        bool ToFile;
        bool BinaryData;
    };
    const TRow rows[] = {
        {"reset", false, false},    {"reset", true, false}, {"short", false, false}, {"short", true, false},
        {"nolength", true, false},  {"nolength", false, true}, {"404", false, false}, {"404", true, false},
        {"500", false, false},      {"500", true, false},   {"loop", false, false},  {"loop", true, false},
        {"redirect:11", true, false},
    };
    for (const TRow& row : rows) {
        const std::string name = std::string(row.Fault) + (row.ToFile ? " file" : " text");
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("kept.bin"));
        ASSERT_TRUE(TestSupport::WriteFile(target, "what was there"));
        TSingleDownloader sd;
        TRecorder r;
        r.Attach(sd);
        sd.URL = DemoSiteUrl(QStringLiteral("/bytes/100000?fault=%1").arg(QString::fromLatin1(row.Fault)));
        sd.FileName = target;
        sd.BinaryData = row.BinaryData;
        row.ToFile ? sd.GetFile() : sd.GetString();
        ASSERT_TRUE(Finish(r)) << name;
        ProcessEventsFor(20);
        EXPECT_EQ(r.Errors, 1) << name;
        EXPECT_EQ(r.Events(), 1) << name;
        EXPECT_FALSE(sd.LastResult()) << name;
        EXPECT_EQ(ReadFile(target), QByteArray("what was there")) << name;
        EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("kept.bin")}) << name;
    }
}

TEST(SingleDownloader, EndsOfBodiesWithoutFaults)
{
    // Text without Content-Length is whole when the connection closes; redirects are followed;
    // a file with Content-Length 0 is an empty file; an empty text is a failure.
    struct TRow
    {
        const char* Path;
        bool ToFile;
        bool Success;
        int Size;
    };
    const TRow rows[] = {
        {"/bytes/70000?fault=nolength", false, true, 70000},
        {"/bytes/70000?fault=redirect:3", false, true, 70000},
        {"/bytes/70000?fault=redirect:10", true, true, 70000},
        {"/bytes/0", true, true, 0},
        {"/bytes/0", false, false, 0},
    };
    for (const TRow& row : rows) {
        QTemporaryDir dir;
        TSingleDownloader sd;
        TRecorder r;
        r.Attach(sd);
        sd.URL = DemoSiteUrl(QString::fromLatin1(row.Path));
        sd.FileName = dir.filePath(QStringLiteral("f.bin"));
        row.ToFile ? sd.GetFile() : sd.GetString();
        ASSERT_TRUE(Finish(r)) << row.Path;
        EXPECT_EQ(r.Errors, row.Success ? 0 : 1) << row.Path;
        if (row.Success && row.ToFile) {
            EXPECT_EQ(r.FileSize, row.Size) << row.Path;
            EXPECT_TRUE(ReadFile(sd.FileName) == DemoBytes(0, row.Size)) << row.Path;
        } else if (row.Success) {
            EXPECT_TRUE(ToAnsi(r.Text) == DemoBytes(0, row.Size)) << row.Path;
        }
    }
}

TEST(SingleDownloader, UnwritableFileNameIsAFailure)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("plain-file"));
    ASSERT_TRUE(TestSupport::WriteFile(blocker, "x"));
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.URL = DemoSiteUrl(QStringLiteral("/bytes/1000"));
    sd.FileName = blocker + QStringLiteral("/sub/out.bin"); // a folder cannot be made under a file
    sd.GetFile();
    ASSERT_TRUE(Finish(r));
    EXPECT_EQ(r.Errors, 1);
    EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("plain-file")});
}

TEST(SingleDownloader, HonoursThePortInTheAddress)
{
    TDemoSite other;
    ASSERT_TRUE(other.Start(0));
    ASSERT_NE(other.Port(), DemoSite().Port());
    const int before = DemoSite().RequestCount(QStringLiteral("/bytes/123"));
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.URL = other.BaseUrl() + QStringLiteral("/bytes/123");
    sd.GetString();
    ASSERT_TRUE(Finish(r));
    EXPECT_EQ(r.DoneStrings, 1);
    EXPECT_EQ(other.RequestCount(QStringLiteral("/bytes/123")), 1);
    EXPECT_EQ(DemoSite().RequestCount(QStringLiteral("/bytes/123")), before);

    // Nobody listens on the port any more.
    const QString url = other.BaseUrl() + QStringLiteral("/bytes/123");
    other.Stop();
    sd.URL = url;
    sd.GetString();
    ASSERT_TRUE(WaitUntil([&] { return r.Events() == 2; }));
    EXPECT_EQ(r.Errors, 1);
}

TEST(SingleDownloader, AbortMidBodyRaisesNoEventAndANewRequestRunsAtOnce)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("aborted.bin"));
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.URL = DemoSiteUrl(QStringLiteral("/bytes/400000?fault=drip:20"));
    sd.FileName = target;
    sd.GetFile();
    ASSERT_TRUE(WaitUntil([&] { return !r.Progress.empty(); }));
    sd.Abort();
    EXPECT_FALSE(sd.Busy());
    EXPECT_TRUE(sd.Aborted());
    const size_t progressAtAbort = r.Progress.size();

    TRecorder next;
    next.Attach(sd);
    sd.URL = DemoSiteUrl(QStringLiteral("/text/latin1"));
    sd.GetString();
    EXPECT_TRUE(sd.Busy());
    ASSERT_TRUE(Finish(next));
    EXPECT_EQ(next.DoneStrings, 1);
    EXPECT_EQ(next.Text, DemoSampleText(true));
    EXPECT_FALSE(sd.Aborted());

    ProcessEventsFor(200);
    EXPECT_EQ(r.Events(), 0);
    EXPECT_EQ(r.Progress.size(), progressAtAbort);
    // The aborted worker removes its temporary file when it notices.
    EXPECT_TRUE(WaitUntil([&] { return FolderEntries(dir.path()).isEmpty(); }));
}

TEST(SingleDownloader, AbortOrDestroyFromInsideAHandler)
{
    struct TRow
    {
        const char* Name;
        bool Destroy;
    };
    for (const TRow& row : {TRow{"abort", false}, TRow{"destroy", true}}) {
        auto sd = std::make_unique<TSingleDownloader>();
        int progress = 0;
        int events = 0;
        sd->OnError = [&](TSingleDownloader*) { ++events; };
        sd->OnDoneString = [&](TSingleDownloader*, const QString&) { ++events; };
        sd->OnProgress = [&](TSingleDownloaderThread*, int, int) {
            ++progress;
            if (row.Destroy)
                sd.reset();
            else
                sd->Abort();
        };
        sd->URL = DemoSiteUrl(QStringLiteral("/bytes/200000?fault=drip:5"));
        sd->GetString();
        ASSERT_TRUE(WaitUntil([&] { return progress > 0; })) << row.Name;
        ProcessEventsFor(200);
        EXPECT_EQ(progress, 1) << row.Name;
        EXPECT_EQ(events, 0) << row.Name;
        EXPECT_EQ(sd == nullptr, row.Destroy) << row.Name;
    }
}

TEST(SingleDownloader, DestroyWhileWaitingEndsTheWait)
{
    auto sd = std::make_unique<TSingleDownloader>();
    sd->WaitThread = true;
    int events = 0;
    sd->OnDoneString = [&](TSingleDownloader*, const QString&) { ++events; };
    sd->OnProgress = [&](TSingleDownloaderThread*, int, int) { sd.reset(); };
    sd->URL = DemoSiteUrl(QStringLiteral("/bytes/100000?fault=drip:5"));
    sd->GetString(); // returns although its component is gone
    EXPECT_EQ(sd, nullptr);
    ProcessEventsFor(100);
    EXPECT_EQ(events, 0);
}

TEST(SingleDownloader, LogsTheAddressTheVerbAndTheOpen)
{
    std::mutex lock;
    QStringList lines;
    TSingleDownloader sd;
    TRecorder r;
    r.Attach(sd);
    sd.OnLog = [&](const QString& line) {
        std::lock_guard guard(lock);
        lines << line;
    };
    sd.URL = DemoSiteUrl(QStringLiteral("/bytes/10?x=1"));
    sd.PostQuery = QStringLiteral("a=1");
    sd.GetString();
    ASSERT_TRUE(Finish(r));
    std::lock_guard guard(lock);
    const QString host = QStringLiteral("127.0.0.1:%1").arg(DemoSite().Port());
    EXPECT_EQ(lines.mid(0, 5), (QStringList{QStringLiteral("ParseURL: ") + sd.URL, QStringLiteral("ParseURL: ") + host,
                                            QStringLiteral("ParseURL: /bytes/10?x=1"), QStringLiteral("POST"),
                                            QStringLiteral("HttpOpenRequest ok!")}));
}
} // namespace
