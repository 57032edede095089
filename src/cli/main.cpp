#include "cli/CliCommand.h"
#include "common/NameValueList.h"
#include "framework/KvSettings.h"

#include <QCoreApplication>

#include <vector>

TCliCommand MakeCategoriesCommand();
TCliCommand MakeConvertCommand();
TCliCommand MakeDownloadCommand();
TCliCommand MakeFetchCommand();
TCliCommand MakeKeywordsCommand();
TCliCommand MakeResolveCommand();
TCliCommand MakeSearchCommand();
TCliCommand MakeTagCommand();

namespace
{
std::vector<TCliCommand> AllCommands()
{
    return {
        MakeCategoriesCommand(),
        MakeConvertCommand(),
        MakeDownloadCommand(),
        MakeFetchCommand(),
        MakeKeywordsCommand(),
        MakeResolveCommand(),
        MakeSearchCommand(),
        MakeTagCommand(),
    };
}

void PrintUsage(const std::vector<TCliCommand>& commands)
{
    CliPrint(QStringLiteral("usage: varnelo-cli [--set Name=Value ...] COMMAND [ARGS]"));
    CliPrint(QString());
    for (const TCliCommand& c : commands)
        CliPrint(QStringLiteral("  %1\n      %2").arg(c.Synopsis, c.Summary));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    // "--set Name=Value" goes into the strongest settings layer for this run; the name
    // ends at the first "=".
    TNameValueList overrides;
    while (args.size() >= 2 && args.first() == u"--set") {
        const QString assignment = args.at(1);
        if (assignment.indexOf(u'=') <= 0) {
            CliError(QStringLiteral("--set takes Name=Value, not \"%1\"").arg(assignment));
            return 2;
        }
        overrides.Add(assignment);
        args.remove(0, 2);
    }
    if (!overrides.IsEmpty())
        SettingsStore().SetEngineLayers(&overrides, nullptr);

    const std::vector<TCliCommand> commands = AllCommands();
    if (args.isEmpty() || args.first() == u"--help" || args.first() == u"-h") {
        PrintUsage(commands);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const TCliCommand& c : commands)
        if (c.Name == name)
            return c.Run(args);
    CliError(QStringLiteral("unknown command \"%1\" (try --help)").arg(name));
    return 2;
}
