// varnelo-cli fetch: one TSingleDownloader request from the terminal.
#include <QFileInfo>

#include <cstdio>
#include <mutex>

#include "cli/CliCommand.h"
#include "common/NameValueList.h"
#include "net/SingleDownloader.h"

namespace
{
struct TFetchArgs
{
    QString URL;
    QString FileName;
    THttpCharset Charset = THttpCharset::KAnsi;
    TNameValueList PostValues;
};

// Returns an error text, empty when the arguments are fine.
QString ParseFetchArgs(QStringList args, TFetchArgs& out)
{
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"-o" || arg == u"--charset" || arg == u"--post") {
            if (args.isEmpty())
                return QStringLiteral("%1 needs a value").arg(arg);
            const QString value = args.takeFirst();
            if (arg == u"-o") {
                out.FileName = value;
            } else if (arg == u"--post") {
                if (!value.contains(u'='))
                    return QStringLiteral("--post wants Name=Value, not \"%1\"").arg(value);
                out.PostValues.Add(value);
            } else if (value == u"ansi") {
                out.Charset = THttpCharset::KAnsi;
            } else if (value == u"unicode") {
                out.Charset = THttpCharset::KUnicode;
            } else if (value == u"utf8") {
                out.Charset = THttpCharset::KUTF8;
            } else {
                return QStringLiteral("unknown charset \"%1\" (ansi, unicode or utf8)").arg(value);
            }
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            return QStringLiteral("unknown option \"%1\"").arg(arg);
        } else if (out.URL.isEmpty()) {
            out.URL = arg;
        } else {
            return QStringLiteral("only one URL, please");
        }
    }
    return out.URL.isEmpty() ? QStringLiteral("missing URL") : QString();
}

int RunFetch(const QStringList& arguments)
{
    TFetchArgs args;
    const QString problem = ParseFetchArgs(arguments, args);
    if (!problem.isEmpty()) {
        CliError(QStringLiteral("fetch: ") + problem);
        return 2;
    }

    TSingleDownloader sd;
    sd.URL = args.URL;
    sd.FileName = args.FileName.isEmpty() ? QString() : QFileInfo(args.FileName).absoluteFilePath();
    sd.HttpCharset = args.Charset;
    sd.WaitThread = true;
    if (!args.PostValues.IsEmpty())
        sd.SetPostValues(args.PostValues);

    // The component reports no reason; its last log line usually names one.
    std::mutex logLock;
    QString lastLog;
    sd.OnLog = [&](const QString& line) {
        std::lock_guard guard(logLock);
        lastLog = line;
    };
    bool progressShown = false;
    sd.OnProgress = [&](TSingleDownloaderThread*, int total, int received) {
        progressShown = true;
        CliProgress(total > 0 ? QStringLiteral("%1 of %2 bytes").arg(received).arg(total)
                              : QStringLiteral("%1 bytes").arg(received));
    };
    int rc = 1;
    sd.OnDoneString = [&](TSingleDownloader*, const QString& text) {
        rc = 0;
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
    };
    sd.OnDoneFile = [&](TSingleDownloader*, const QString& fileName, int size) {
        rc = 0;
        progressShown = false;
        CliProgress(QStringLiteral("saved %1 (%2 bytes)").arg(fileName).arg(size), true);
    };
    sd.OnError = [&](TSingleDownloader*) {
        if (progressShown)
            CliProgress(QString(), true);
        progressShown = false;
        std::lock_guard guard(logLock);
        CliError(QStringLiteral("fetch failed: %1 (%2)").arg(args.URL, lastLog));
    };

    if (sd.FileName.isEmpty())
        sd.GetString();
    else
        sd.GetFile();
    if (progressShown)
        CliProgress(QString(), true);
    return rc;
}
} // namespace

TCliCommand MakeFetchCommand()
{
    return {QStringLiteral("fetch"),
            QStringLiteral("fetch URL [-o FILE] [--charset ansi|unicode|utf8] [--post Name=Value ...]"),
            QStringLiteral("one HTTP request: the text to stdout, or the body into FILE"), &RunFetch};
}
