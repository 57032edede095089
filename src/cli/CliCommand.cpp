#include "cli/CliCommand.h"

#include <cstdio>

#include <unistd.h>

void CliPrint(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CliError(const QString& line)
{
    std::fputs(("varnelo-cli: " + line).toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

void CliProgress(const QString& line, bool done)
{
    // A log file or pipe gets only the final line, not every rewrite.
    static const bool terminal = ::isatty(STDERR_FILENO) != 0;
    if (!terminal) {
        if (done) {
            std::fputs(line.toUtf8().constData(), stderr);
            std::fputc('\n', stderr);
        }
        return;
    }
    std::fputs(("\r" + line).toUtf8().constData(), stderr);
    if (done)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}
