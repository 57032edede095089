#include "cli/SearchCliSupport.h"

#include <QSaveFile>

#include <mutex>

#include "cli/CliCommand.h"
#include "net/SingleDownloader.h"

QString ParseSearchCliOptions(const QStringList& args, bool allowPage, TSearchCliOptions& out)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if ((arg == u"--page" && allowPage) || arg == u"--html") {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            const QString value = args[++i];
            if (arg == u"--html") {
                out.HtmlFile = value;
                continue;
            }
            bool ok = false;
            out.Page = value.toInt(&ok);
            if (!ok || out.Page < 1)
                return QStringLiteral("--page wants a number from 1 on, not \"%1\"").arg(value);
        } else if (arg.startsWith(u"--")) {
            return QStringLiteral("unknown option \"%1\"").arg(arg);
        } else {
            out.Positional.append(arg);
        }
    }
    return QString();
}

bool FetchPageText(const QString& url, QString& text, QString& errorText)
{
    TSingleDownloader sd;
    sd.URL = url;
    sd.HttpCharset = THttpCharset::KUTF8;
    sd.UseCache = false;
    sd.AcceptTypes = QStringLiteral("*/*");
    sd.WaitThread = true;
    bool done = false;
    std::mutex logLock;
    QString lastLog;
    sd.OnLog = [&](const QString& line) {
        std::lock_guard guard(logLock);
        lastLog = line;
    };
    sd.OnDoneString = [&](TSingleDownloader*, const QString& result) {
        text = result;
        done = true;
    };
    sd.GetString();
    if (!done) {
        std::lock_guard guard(logLock);
        errorText = QStringLiteral("cannot fetch %1%2").arg(url, lastLog.isEmpty() ? QString() : QStringLiteral(": ") + lastLog);
    }
    return done;
}

bool WriteHtmlFile(const QString& fileName, const QString& html)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(html.toUtf8()) >= 0 && file.commit())
        return true;
    CliError(QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    return false;
}
