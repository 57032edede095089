// Cutting blocks of any size into the 16 KiB chunks progress is reported for.
#include <gtest/gtest.h>

#include <QList>

#include <initializer_list>
#include <memory>

#include "net/ChunkProgress.h"

namespace
{
constexpr qint64 K = TChunkProgress::KChunkSize;

// The counts reported for blocks of the given sizes, then the end of the body.
QList<qint64> Reported(qint64 total, std::initializer_list<qint64> blocks)
{
    TChunkProgress chunks;
    chunks.SetTotal(total);
    QList<qint64> counts;
    qint64 last = 0;
    // Runs at once on the main thread; without a link nothing detaches it.
    const auto take = [&](TChunkSpan span) {
        HandOverChunks(nullptr, span, [&](qint64 chunk, qint64 readed) {
            EXPECT_EQ(chunk, readed - last);
            last = readed;
            counts.append(readed);
        });
    };
    for (const qint64 block : blocks) {
        chunks.Add(block);
        take(chunks.Take());
    }
    chunks.End();
    take(chunks.Take());
    return counts;
}

TEST(ChunkProgress, ReportsEachChunkOnceAtTheCountsOfWholeChunks)
{
    const struct
    {
        const char* Name;
        qint64 Total;
        std::initializer_list<qint64> Blocks;
        QList<qint64> Expected;
    } rows[] = {
        {"one short body", 1000, {1000}, {1000}},
        {"exact chunks in one block", 2 * K, {2 * K}, {K, 2 * K}},
        {"blocks across chunk ends", 3 * K + 5, {K - 1, 2, K, K + 4}, {K, 2 * K, 3 * K, 3 * K + 5}},
        {"tiny blocks", K + 2, {1, K - 1, 1, 1}, {K, K + 2}},
        {"no length: the last chunk at the end", 0, {K + 7}, {K, K + 7}},
        {"no length, ends on a chunk end", 0, {K, K}, {K, 2 * K}},
        {"cut short before the length", 4 * K, {K + 9}, {K, K + 9}},
        {"nothing received", 500, {}, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Reported(row.Total, row.Blocks), row.Expected) << row.Name;
}

// Pieces wait until they are taken: then all complete chunks go at once.
TEST(ChunkProgress, CompleteChunksWaitUntilTaken)
{
    TChunkProgress chunks;
    chunks.SetTotal(3 * K + 1);
    chunks.Add(K - 1);
    EXPECT_EQ(chunks.Pending(), 0);
    chunks.Add(2 * K);
    EXPECT_EQ(chunks.Pending(), 2 * K);
    const TChunkSpan span = chunks.Take();
    EXPECT_EQ(span.From, 0);
    EXPECT_EQ(span.To, 2 * K);
    EXPECT_EQ(chunks.Pending(), 0);
    chunks.Add(2); // reaches the length
    EXPECT_EQ(chunks.Pending(), K + 1);
}

TEST(ChunkProgress, AHandlerThatDetachesStopsTheRestOfTheBlock)
{
    const TWorkerLinkPtr link = std::make_shared<TWorkerLink>();
    TChunkProgress chunks;
    chunks.SetTotal(4 * K);
    chunks.Add(4 * K);
    int calls = 0;
    HandOverChunks(link, chunks.Take(), [&](qint64, qint64) {
        ++calls;
        link->Detach();
    });
    EXPECT_EQ(calls, 1);
}
} // namespace
