#include "download/DownloadScheduling.h"

int GetIdleIndex(const QList<EDownloadState>& states, int maxTasks)
{
    int busy = 0;
    for (int i = 0; i < states.size(); ++i) {
        if (busy >= maxTasks)
            return -1;
        const EDownloadState state = states[i];
        if (state == KReady)
            return i;
        if (state != KFinished && state != KFailed)
            ++busy;
    }
    return -1;
}

QList<int> GetSurplusIndexes(const QList<EDownloadState>& states, int maxTasks)
{
    QList<int> surplus;
    int count = 0;
    for (int i = 0; i < states.size(); ++i) {
        const EDownloadState state = states[i];
        if (state == KFinished || state == KAbort || state == KFailed)
            continue;
        if (++count > maxTasks)
            surplus.append(i);
    }
    return surplus;
}
