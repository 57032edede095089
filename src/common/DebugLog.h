#pragma once

#include <QString>

// The debug log channel: one process-wide, thread-safe sink that is off by default.
// When active, every line goes to stderr and, once a file is set, to that file.
// A line is "<time> [<tag>] <message>" (no tag part when the tag is empty).
namespace DebugLog
{
void SetActive(bool active);
bool IsActive();
// Where lines are appended from now on; an empty name stops writing to a file.
void SetLogFile(const QString& fileName);
QString LogFile();
void Log(const QString& message);
void LogTag(const QString& tag, const QString& message);

// Receives every line written while the channel is active (tests observe the channel
// through this). Returns an id for RemoveObserver.
using TObserver = void (*)(void* context, const QString& tag, const QString& message);
int AddObserver(TObserver observer, void* context);
void RemoveObserver(int id);
} // namespace DebugLog
