// HTTPS: the server's certificate is verified, so a certificate nobody vouches for fails.
#include <QTemporaryDir>

#include <chrono>
#include <mutex>
#include <thread>

#include <httplib.h>

#include "ProgramRun.h"
#include "TestSupport.h"
#include "net/SingleDownloader.h"

namespace
{
TEST(SingleDownloaderTls, RefusesAnUntrustedCertificate)
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const TestSupport::TProgramRun openssl = TestSupport::RunProcess(
        QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
         QStringLiteral("-nodes"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert, QStringLiteral("-days"),
         QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    ASSERT_EQ(openssl.ExitCode, 0) << openssl.Err.toStdString();

    httplib::SSLServer server(cert.toLocal8Bit().constData(), key.toLocal8Bit().constData());
    ASSERT_TRUE(server.is_valid());
    server.Get("/secret", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread listener([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    std::mutex lock;
    QStringList log;
    int errors = 0;
    int done = 0;
    TSingleDownloader sd;
    sd.URL = QStringLiteral("https://127.0.0.1:%1/secret").arg(port);
    sd.OnError = [&](TSingleDownloader*) { ++errors; };
    sd.OnDoneString = [&](TSingleDownloader*, const QString&) { ++done; };
    sd.OnLog = [&](const QString& line) {
        std::lock_guard guard(lock);
        log << line;
    };
    sd.WaitThread = true;
    sd.GetString();
    server.stop();
    listener.join();

    EXPECT_EQ(errors, 1);
    EXPECT_EQ(done, 0);
    std::lock_guard guard(lock);
    EXPECT_TRUE(log.join(u'\n').contains(QStringLiteral("certificate"), Qt::CaseInsensitive)) << log.join(u'\n').toStdString();
}
} // namespace
