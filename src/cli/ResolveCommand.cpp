// varnelo-cli resolve: a video identifier to its stream address, with the resolver set up
// from the service-information settings as the player and the download list set it up.
#include <QEventLoop>

#include "cli/CliCommand.h"
#include "framework/KvSettings.h"
#include "video/YoutubeFLVGet.h"

namespace
{
QString ReadSetting(const QString& name)
{
    return SettingsStore().GetSettingString(name);
}

int RunResolve(const QStringList& args)
{
    if (args.size() != 1 || args.first().startsWith(u'-')) {
        CliError(QStringLiteral("resolve: one video identifier, please"));
        return 2;
    }
    TYoutubeFLVGet flv;
    flv.YoutubeID = args.first();
    flv.OnBeforeGet = [](TYoutubeFLVGet* sender) { sender->ApplyServiceInfo(&ReadSetting); };

    QEventLoop loop;
    int rc = 1;
    flv.OnURIGot = [&](const QString& url, int) {
        CliPrint(url);
        rc = 0;
        loop.quit();
    };
    flv.OnBadResponse = [&](const QString& msg) {
        // The watch page's key list falls back to the video information by itself.
        if (flv.Method == KFromWatch) {
            CliProgress(QStringLiteral("no token on the watch page, asking for the video information"), true);
            return;
        }
        CliError(QStringLiteral("resolve failed: the answer holds no token:\n") + msg.trimmed());
        loop.quit();
    };
    flv.OnResolveFailed = [&](const QString& reason) {
        CliError(QStringLiteral("resolve failed: ") + reason);
        if (ReadSetting(QStringLiteral("GetInfoURL")).isEmpty() && ReadSetting(QStringLiteral("WatchURL")).isEmpty())
            CliError(QStringLiteral("(no service information: set WatchURL, GetInfoURL, ... with --set Name=Value)"));
        loop.quit();
    };
    CliProgress(QStringLiteral("resolving %1 ...").arg(flv.YoutubeID), true);
    flv.Get();
    loop.exec();
    return rc;
}
} // namespace

TCliCommand MakeResolveCommand()
{
    return {QStringLiteral("resolve"), QStringLiteral("resolve ID"),
            QStringLiteral("the stream address of a video, found with the service-information settings "
                           "(WatchURL, GetInfoURL, FLVGetVideoURI, GetMethod, WatchPattern, ...)"),
            &RunResolve};
}
