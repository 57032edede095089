#pragma once

#include <QtGlobal>

#include <functional>

#include "common/MainThread.h"

// Progress of a body is reported per chunk of KChunkSize bytes, at the counts a reader of
// whole chunks sees: every multiple of KChunkSize, and the end of a last, shorter chunk.
// libcurl hands the body over in pieces of any size; this cuts them into those chunks and
// keeps the chunks that are complete until the worker takes them for one hand-over.

// The chunks that ended between two counts: one at each multiple of KChunkSize after
// From, and one at To.
struct TChunkSpan
{
    qint64 From = 0;
    qint64 To = 0;
    bool IsEmpty() const { return To <= From; }
};

class TChunkProgress final
{
public:
    static constexpr qint64 KChunkSize = 16384;

    // The Content-Length, 0 when the answer has none: reaching it ends the last chunk.
    void SetTotal(qint64 total) { FTotal = total; }
    // A piece of the body arrived.
    void Add(qint64 size);
    // The body ended: a last, shorter chunk is complete too.
    void End();
    // Bytes in complete chunks that were not taken yet.
    qint64 Pending() const { return Complete() - FTaken; }
    // The complete chunks that were not taken yet.
    TChunkSpan Take();

private:
    qint64 Complete() const;

    qint64 FTotal = 0;
    qint64 FReceived = 0;
    qint64 FTaken = 0;
    bool FEnded = false;
};

// Calls report(chunk size, count at its end) for each chunk of the span, all in ONE blocking
// hand-over to the main thread. Stops at a detach, also one made by a report call.
void HandOverChunks(const TWorkerLinkPtr& link, TChunkSpan span,
                    const std::function<void(qint64 chunk, qint64 readed)>& report);
