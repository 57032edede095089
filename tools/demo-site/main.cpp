// varnelo-demo-site: the local stand-in for the video site, for the demo and for tests
// that run programs.
#include <QCoreApplication>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

#include "DemoSearch.h"
#include "DemoSite.h"

namespace
{
int Usage()
{
    std::fputs("usage: varnelo-demo-site --port N [--list] [--short] [--cache DIR]\n"
               "                         [--service-info] [--oem-const FILE]\n"
               "  --port N     listen on 127.0.0.1:N (0 picks a free port and prints it)\n"
               "  --list       print the catalogue (id, title, artist, duration) and exit\n"
               "  --short      serve media of a few seconds instead of full length\n"
               "  --cache DIR  where generated media are kept\n"
               "  --service-info    print the site's service information as \"__MODIFY__.\" lines and exit\n"
               "  --oem-const FILE  write the service information as an oem.const.dat once listening\n",
               stderr);
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    TDemoSite::TOptions options;
    options.FullLength = true;
    int port = -1;
    bool list = false;
    bool serviceInfo = false;
    QString oemConstFile;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--list") {
            list = true;
        } else if (arg == u"--short") {
            options.FullLength = false;
        } else if (arg == u"--port" && !args.isEmpty()) {
            bool ok = false;
            port = args.takeFirst().toInt(&ok);
            if (!ok || port < 0 || port > 65535)
                return Usage();
        } else if (arg == u"--service-info") {
            serviceInfo = true;
        } else if (arg == u"--oem-const" && !args.isEmpty()) {
            oemConstFile = args.takeFirst();
        } else if (arg == u"--cache" && !args.isEmpty()) {
            options.CacheDir = args.takeFirst();
        } else {
            return Usage();
        }
    }

    QTextStream out(stdout);
    if (list) {
        for (const TDemoSong& s : DemoCatalogue())
            out << s.Id << '\t' << s.Title << '\t' << s.Artist << '\t' << s.Duration << '\n';
        return 0;
    }
    if (port < 0)
        return Usage();
    if (serviceInfo) {
        out << DemoServiceInfoModifyLines(QStringLiteral("http://127.0.0.1:%1").arg(port));
        return 0;
    }

    TDemoSite site(options);
    std::fprintf(stderr, "preparing media in %s ...\n", qPrintable(site.CacheDir()));
    if (!site.PrepareAllMedia())
        std::fputs("warning: some media could not be made (is ffmpeg installed?)\n", stderr);
    if (!site.Start(port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    if (!oemConstFile.isEmpty()) {
        QSaveFile file(oemConstFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(DemoServiceInfoConstFile(site.BaseUrl()).toUtf8()) < 0
            || !file.commit()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(oemConstFile));
            return 1;
        }
    }
    // The port on a line of its own, first on stdout, so scripts can read it.
    out << site.Port() << Qt::endl;
    std::fprintf(stderr, "serving %s\n", qPrintable(site.BaseUrl()));
    // Runs until it is killed (Ctrl+C or SIGTERM).
    return QCoreApplication::exec();
}
