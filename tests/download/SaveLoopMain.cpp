// Helper of KillWhileSavingTest: saves a download list to the given file over and over,
// changing it each time, and says "ready" after the first save.
#include <QCoreApplication>

#include <cstdio>

#include "download/MultiDownloader.h"
#include "SaveLoopTasks.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    TMultiDownloader md;
    for (int i = 0; i < KSaveLoopTasks; ++i)
        md.Append(SaveLoopUrl(i), SaveLoopFileName(i), true, KYouTube, QString());
    TDownloadList* list = md.DownloadList();
    for (int i = 0; i < KSaveLoopTasks; ++i)
        list->Items(i)->Comment = SaveLoopComment(i);
    for (long round = 0;; ++round) {
        list->Items(0)->Caption = QString::number(round);
        if (!list->SaveToFile(path))
            return 1;
        if (round == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
