// varnelo-cli download: runs download tasks through the scheduler, as the program does.
#include "cli/CliCommand.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

#include <memory>

#include "download/MultiDownloader.h"
#include "framework/KvSettings.h"
#include "video/YoutubeFLVGet.h"

namespace
{
const QString KYouTubePrefix = QStringLiteral("youtube:");

QString StateName(EDownloadState state)
{
    switch (state) {
    case KNone: return QStringLiteral("none");
    case KReady: return QStringLiteral("ready");
    case KRedirecting: return QStringLiteral("redirecting");
    case KBeforeConnecting: return QStringLiteral("connecting");
    case KDownloading: return QStringLiteral("downloading");
    case KFinished: return QStringLiteral("finished");
    case KAbort: return QStringLiteral("aborted");
    case KFailed: return QStringLiteral("failed");
    }
    return QString::number(state);
}

struct TTask
{
    QString Address;
    QString FileName;
    bool YouTube = false;
};

// "URL=FILE" splits at the last "=" (addresses hold "=" in their query, file names seldom
// do); "youtube:ID=FILE" at the first one.
bool ParseTask(const QString& text, TTask& task)
{
    task.YouTube = text.startsWith(KYouTubePrefix);
    const qsizetype split = task.YouTube ? text.indexOf(u'=') : text.lastIndexOf(u'=');
    if (split <= 0)
        return false;
    task.Address = task.YouTube ? text.mid(KYouTubePrefix.size(), split - KYouTubePrefix.size()) : text.left(split);
    task.FileName = text.mid(split + 1);
    return !task.Address.isEmpty() && !task.FileName.isEmpty();
}

QString Setting(const QString& name)
{
    return SettingsStore().GetSettingString(name);
}

int Run(const QStringList& args)
{
    int maxTasks = 5;
    QString listFile;
    QList<TTask> tasks;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--max-tasks" && i + 1 < args.size()) {
            bool ok = false;
            maxTasks = args[++i].toInt(&ok);
            if (!ok || maxTasks < 1) {
                CliError(QStringLiteral("--max-tasks needs a number of at least 1"));
                return 2;
            }
        } else if (a == u"--list" && i + 1 < args.size()) {
            listFile = args[++i];
        } else {
            TTask task;
            if (!ParseTask(a, task)) {
                CliError(QStringLiteral("a task is URL=FILE or youtube:ID=FILE, not \"%1\"").arg(a));
                return 2;
            }
            tasks.append(task);
        }
    }
    if (tasks.isEmpty() && listFile.isEmpty()) {
        CliError(QStringLiteral("nothing to download (give tasks or --list FILE)"));
        return 2;
    }

    TMultiDownloader md;
    md.SetMaxTasks(maxTasks);
    // Every resolver is configured from the service information before each request.
    md.OnBeforeFlvGet = [](TYoutubeFLVGet* resolver) { resolver->ApplyServiceInfo(&Setting); };
    QList<int> percents;
    md.OnStateChanged = [&](TDownloadList* list, int index, EDownloadState state) {
        CliProgress(QStringLiteral("[%1] %2 %3").arg(index).arg(StateName(state), list->EntryText(index)), true);
        if (state == KFailed)
            md.Resume();
    };
    md.OnProgress = [&](TDownloadList* list, int index, qint64 totalSize, qint64 readed) {
        const int percent = list->Items(index)->ProgressPercent;
        while (percents.size() <= index)
            percents.append(-1);
        if (percents[index] == percent)
            return;
        percents[index] = percent;
        CliProgress(QStringLiteral("[%1] %2% %3/%4 bytes").arg(index).arg(percent).arg(readed).arg(totalSize));
    };

    TDownloadList* list = md.DownloadList();
    if (!listFile.isEmpty() && QFileInfo::exists(listFile))
        list->LoadFromFile(listFile);
    const QString watchPrefix = Setting(QStringLiteral("WatchURL"));
    for (const TTask& task : tasks) {
        const QString address = task.YouTube ? watchPrefix + task.Address : task.Address;
        const bool added = task.YouTube ? md.Append(address, task.FileName, true, KYouTube, QString())
                                        : md.Append(address, task.FileName, false, KDirect, QString());
        if (!added)
            CliError(QStringLiteral("already in the list: %1").arg(address));
    }

    md.Resume();
    while (md.IsDownloading() || list->GetIdleIndex() >= 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    int finished = 0;
    for (EDownloadState state : list->States())
        finished += state == KFinished ? 1 : 0;
    if (!listFile.isEmpty() && !list->SaveToFile(listFile)) {
        CliError(QStringLiteral("cannot write the list file %1").arg(listFile));
        return 1;
    }
    CliPrint(QStringLiteral("%1 of %2 tasks finished").arg(finished).arg(list->ItemCount()));
    return finished == list->ItemCount() ? 0 : 1;
}
} // namespace

TCliCommand MakeDownloadCommand()
{
    return {QStringLiteral("download"), QStringLiteral("download [--max-tasks N] [--list FILE] TASK..."),
            QStringLiteral("downloads tasks (URL=FILE or youtube:ID=FILE, resolved with the service "
                           "information settings) with at most N at once; --list loads and saves a "
                           "download list"),
            &Run};
}
