#include <QFileInfo>

#include "cli/CliCommand.h"
#include "convert/ID3v1.h"
#include "convert/ID3v2.h"
#include "convert/TagFileFunctions.h"

namespace
{
int ShowTags(const QString& fileName)
{
    TID3v1 v1;
    TID3v2 v2;
    if (!v1.ReadFromFile(fileName) && !v2.ReadFromFile(fileName)) {
        CliError(QStringLiteral("cannot read %1").arg(fileName));
        return 1;
    }
    v2.ReadFromFile(fileName);
    CliPrint(QStringLiteral("ID3v1: %1").arg(v1.Exists() ? (v1.VersionID() == 2 ? "1.1" : "1.0") : "none"));
    if (v1.Exists()) {
        CliPrint(QStringLiteral("ID3v1.Title: ") + v1.Title());
        CliPrint(QStringLiteral("ID3v1.Artist: ") + v1.Artist());
        CliPrint(QStringLiteral("ID3v1.Album: ") + v1.Album());
        CliPrint(QStringLiteral("ID3v1.Year: ") + v1.Year());
        CliPrint(QStringLiteral("ID3v1.Comment: ") + v1.Comment());
        CliPrint(QStringLiteral("ID3v1.Track: %1").arg(v1.Track()));
        CliPrint(QStringLiteral("ID3v1.Genre: %1 %2").arg(v1.GenreID()).arg(v1.Genre()).trimmed());
    }
    CliPrint(v2.Exists() ? QStringLiteral("ID3v2: 2.%1, %2 bytes").arg(v2.VersionID()).arg(v2.Size())
                         : QStringLiteral("ID3v2: none"));
    if (v2.Exists()) {
        CliPrint(QStringLiteral("ID3v2.Title: ") + v2.Title());
        CliPrint(QStringLiteral("ID3v2.Artist: ") + v2.Artist());
        CliPrint(QStringLiteral("ID3v2.Album: ") + v2.Album());
        CliPrint(QStringLiteral("ID3v2.Track: %1").arg(v2.Track()));
        CliPrint(QStringLiteral("ID3v2.Year: ") + v2.Year());
        CliPrint(QStringLiteral("ID3v2.Genre: ") + v2.Genre());
        CliPrint(QStringLiteral("ID3v2.Comment: ") + v2.Comment());
    }
    return 0;
}

int RunTag(const QStringList& args)
{
    if (args.size() == 2 && args[0] == u"--show")
        return ShowTags(args[1]);
    QString file, title, artist, album;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString* target = arg == u"--title" ? &title : arg == u"--artist" ? &artist : arg == u"--album" ? &album : nullptr;
        if (target) {
            if (i + 1 >= args.size()) {
                CliError(QStringLiteral("%1 needs a value").arg(arg));
                return 2;
            }
            *target = args[++i];
        } else if (arg.startsWith(u"--") || !file.isEmpty()) {
            CliError(QStringLiteral("unexpected argument %1").arg(arg));
            return 2;
        } else {
            file = arg;
        }
    }
    if (file.isEmpty()) {
        CliError(QStringLiteral("tag needs a FILE"));
        return 2;
    }
    if (!QFileInfo(file).isFile()) {
        CliError(QStringLiteral("no such file: %1").arg(file));
        return 1;
    }
    WriteMp3Tags(file, title, artist, album);
    // The writer reports nothing: read the tag back to tell a failure from a success.
    TID3v2 check;
    check.ReadFromFile(file);
    if (!check.Exists() || check.VersionID() != 3 || check.Title() != TrimText(title) ||
        check.Artist() != TrimText(artist) || check.Album() != TrimText(album)) {
        CliError(QStringLiteral("the tags could not be written to %1").arg(file));
        return 1;
    }
    return 0;
}
} // namespace

TCliCommand MakeTagCommand()
{
    return {QStringLiteral("tag"),
            QStringLiteral("tag FILE [--title T] [--artist A] [--album B] | tag --show FILE"),
            QStringLiteral("writes ID3v1 and ID3v2.3 title, artist and album, or prints the tags"),
            RunTag};
}
