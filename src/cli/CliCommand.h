#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// One sub-command of varnelo-cli.
struct TCliCommand
{
    QString Name;     // "fetch"
    QString Synopsis; // "fetch URL [-o FILE] ..."
    QString Summary;  // one line for the help text
    // Runs with the arguments after the command name; returns the exit code.
    std::function<int(const QStringList& args)> Run;
};

// Messages for the user: results go to stdout, progress and errors to stderr.
void CliPrint(const QString& line);
void CliError(const QString& line);
// Rewrites the current stderr line (progress), ending it with a line break when done.
void CliProgress(const QString& line, bool done = false);
