#pragma once

#include "download/DownloadTypes.h"

#include <QList>

// The scheduler's choices, as pure functions over the states of the list in display order.

// The next task to start: the first KReady entry among the entries before the point where
// MaxTasks busy entries (neither finished nor failed) have been passed; -1 when none.
int GetIdleIndex(const QList<EDownloadState>& states, int maxTasks);

// The entries to put back to waiting: every entry that is not finished, aborted or failed,
// after the first maxTasks such entries.
QList<int> GetSurplusIndexes(const QList<EDownloadState>& states, int maxTasks);
