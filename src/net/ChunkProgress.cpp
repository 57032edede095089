#include "net/ChunkProgress.h"

#include <algorithm>

void TChunkProgress::Add(qint64 size)
{
    FReceived += size;
}

void TChunkProgress::End()
{
    FEnded = true;
}

qint64 TChunkProgress::Complete() const
{
    if (FEnded || (FTotal > 0 && FReceived >= FTotal))
        return FReceived;
    return FReceived / KChunkSize * KChunkSize;
}

TChunkSpan TChunkProgress::Take()
{
    const TChunkSpan span{FTaken, Complete()};
    FTaken = std::max(FTaken, span.To);
    return span;
}

void HandOverChunks(const TWorkerLinkPtr& link, TChunkSpan span,
                    const std::function<void(qint64 chunk, qint64 readed)>& report)
{
    if (span.IsEmpty())
        return;
    RunInMainThread(link, [&] {
        for (qint64 at = span.From; at < span.To && !(link && link->IsDetached());) {
            const qint64 next = std::min(span.To, (at / TChunkProgress::KChunkSize + 1) * TChunkProgress::KChunkSize);
            report(next - at, next);
            at = next;
        }
    });
}
