#include "net/ChunkProgress.h"

#include <algorithm>

TChunkSpan TChunkProgress::Add(qint64 size)
{
    FReceived += size;
    const TChunkSpan span{FReported, FTotal > 0 && FReceived >= FTotal ? FReceived
                                                                        : FReceived / KChunkSize * KChunkSize};
    FReported = std::max(FReported, span.To);
    return span;
}

TChunkSpan TChunkProgress::End()
{
    const TChunkSpan span{FReported, FReceived};
    FReported = FReceived;
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
