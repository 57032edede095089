#pragma once

#include <QString>

#include <functional>

#include "convert/FFEncoder.h"
#include "convert/FreeFFVCLThread.h"

// The chain from a finished download to the tag writer: start a conversion with its own
// encoder, release the encoder when it has ended, and tag the new file on the main thread.
// Everything here runs on the main thread.

using TEncoderTerminate = std::function<void(TFFEncoder* sender, const TTerminateInfo& info)>;
// Shows an application message by its key ("MsgBox.AVLibLoadFailed") as an error box with
// an OK button; the engine installs it.
using TConversionMessage = std::function<void(const QString& messageKey)>;
// Finds the task whose save path is savePath and reads its tag texts; false when there is none.
using TFindTaskTags = std::function<bool(const QString& savePath, QString& title, QString& artist,
                                         QString& album)>;

void SetConversionMessageHandler(TConversionMessage handler);
// Replaces TFFEncoder::LoadAVLib (tests use it to see a failed load); empty restores it.
void SetAVLibLoader(std::function<bool(const QString& path)> loader);

// The output options of an audio conversion: convertType with or without its ".", length in
// seconds (0 or less: the whole input), bitrate in kbit/s.
TOutputOptions MakeAudioOutputOptions(const QString& outputPath, const QString& convertType,
                                      int length, int bitrate);

// Starts converting inputFile to outputPath in the background with a new encoder whose
// OnTerminate is onTerminate. Returns the encoder, or null when nothing was started (the
// libraries could not be loaded, the input is no media); failures never throw.
TFFEncoder* StartAudioConversion(const QString& inputFile, const QString& outputPath,
                                 const QString& convertType, int bitrate, int length,
                                 TEncoderTerminate onTerminate);

// The encoder-terminated handler: a finished task gets its encoder released and then
// onConvertFinished with the output path; an encoder that ended otherwise is released
// without it. Only encoders started by StartAudioConversion are handled.
void EncoderTerminated(TFFEncoder* sender, const TTerminateInfo& info,
                       const TOnConvertFinished& onConvertFinished);

// The conversion-finished handler: writes title, artist and album of the task that saves to
// outputPath into the file; nothing when no task has that path any more.
void ConvertFinished(const QString& outputPath, const TFindTaskTags& findTask);

// Number of conversions started and not yet handed to EncoderTerminated.
int RunningAudioConversions();
// Shutdown: stops every running conversion (no final file is left), waits for the release
// helpers, and raises no handler of them any more.
void StopAllAudioConversions();
