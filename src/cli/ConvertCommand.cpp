#include <QEventLoop>
#include <QFileInfo>

#include <optional>

#include "cli/CliCommand.h"
#include "common/FileFunctions.h"
#include "convert/AudioConversion.h"
#include "convert/FFEncoder.h"

namespace
{
struct TConvertArgs
{
    QString Input;
    QString Output;
    int Bitrate = 128;
    int Length = 0;
};

std::optional<TConvertArgs> ParseArgs(const QStringList& args)
{
    TConvertArgs parsed;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--bitrate" || arg == u"--length") {
            bool ok = false;
            const int value = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || value < 0 || (arg == u"--bitrate" && value == 0)) {
                CliError(QStringLiteral("%1 needs a number").arg(arg));
                return std::nullopt;
            }
            (arg == u"--bitrate" ? parsed.Bitrate : parsed.Length) = value;
        } else if (arg.startsWith(u"--")) {
            CliError(QStringLiteral("unknown option %1").arg(arg));
            return std::nullopt;
        } else {
            files << arg;
        }
    }
    if (files.size() != 2) {
        CliError(QStringLiteral("convert needs IN and OUT"));
        return std::nullopt;
    }
    parsed.Input = files[0];
    parsed.Output = QFileInfo(files[1]).absoluteFilePath();
    return parsed;
}

int RunConvert(const QStringList& args)
{
    const std::optional<TConvertArgs> parsed = ParseArgs(args);
    if (!parsed)
        return 2;
    if (!TFFEncoder::LoadAVLib(GetAppFileName())) {
        CliError(QStringLiteral("AVLib Load Failed."));
        return 1;
    }
    TFFEncoder encoder;
    encoder.Decoder().LoadFile(parsed->Input, QString());
    TInputOptions input;
    input.FileName = encoder.Decoder().FileName();
    input.ForceFormat = encoder.Decoder().ForceFormat();
    const int index = encoder.AddTask(parsed->Input, input);
    if (index < 0) {
        CliError(QStringLiteral("cannot open %1 as media").arg(parsed->Input));
        return 1;
    }
    const QString type = QFileInfo(parsed->Output).suffix().isEmpty()
                             ? QStringLiteral("mp3")
                             : QFileInfo(parsed->Output).suffix();
    encoder.SetOutputFile(index, parsed->Output,
                          MakeAudioOutputOptions(parsed->Output, type, parsed->Length, parsed->Bitrate));

    QEventLoop loop;
    TTerminateInfo result;
    encoder.OnProgress = [](TFFEncoder*, int, int64_t doneUs, int64_t totalUs) {
        QString line = QStringLiteral("converting: %1 s").arg(doneUs / 1000000);
        if (totalUs > 0)
            line += QStringLiteral(" of %1 s").arg(totalUs / 1000000);
        CliProgress(line);
    };
    encoder.OnTerminate = [&](TFFEncoder*, const TTerminateInfo& info) {
        result = info;
        loop.quit();
    };
    if (!encoder.Start(0)) {
        CliError(QStringLiteral("cannot start the conversion"));
        return 1;
    }
    loop.exec();
    if (!result.Finished) {
        CliProgress(QStringLiteral("conversion failed"), true);
        CliError(result.ExceptionMsg.isEmpty() ? QStringLiteral("stopped") : result.ExceptionMsg);
        return 1;
    }
    CliProgress(QStringLiteral("converted"), true);
    CliPrint(parsed->Output);
    return 0;
}
} // namespace

TCliCommand MakeConvertCommand()
{
    return {QStringLiteral("convert"),
            QStringLiteral("convert IN OUT.mp3 [--bitrate KBITS] [--length SECONDS]"),
            QStringLiteral("converts the audio of a media file to MP3, 44100 Hz stereo (exit 0 only when finished)"),
            RunConvert};
}
