#pragma once

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// gtest prints QStrings and QByteArrays readably.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QByteArray& bytes, std::ostream* os);

namespace TestSupport
{
// Processes events until pred() is true. The limit only keeps a broken test from
// hanging the suite; it is not a timing check.
bool WaitUntil(const std::function<bool()>& pred, int limitMs = 30000);
// Processes events for a while (to show that something does NOT happen).
void ProcessEventsFor(int ms);
// Reads a whole file; empty when it cannot be read.
QByteArray ReadFile(const QString& fileName);
bool WriteFile(const QString& fileName, const QByteArray& bytes);
// A fixture file under tests/fixtures.
QString FixturePath(const QString& relative);
// The folder that holds the built programs and the installation data.
QString ProgramDir();
// Points every per-user and machine-wide folder at fresh subfolders of a new temporary
// folder (called by the test mains before any test; tests may call it again for a clean slate).
QString ResetDataFolders();
} // namespace TestSupport
