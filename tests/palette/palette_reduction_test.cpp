#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "vexutil/graphics/palette_reduction.h"

using namespace vex;

namespace {

std::vector<uint32_t> EmptyHist()
{
    return std::vector<uint32_t>(kCells, 0);
}

void Add(std::vector<uint32_t> &h, int r, int g, int b, uint32_t n)
{
    h[CellOf(static_cast<uint32_t>(r), static_cast<uint32_t>(g), static_cast<uint32_t>(b))] += n;
}

const uint8_t *Entry(const std::vector<uint8_t> &p, int i)
{
    return &p[static_cast<size_t>(3 * i)];
}

} // namespace

TEST(PaletteReduction, OneColourBecomesFourTimesItsCell)
{
    auto h = EmptyHist();
    Add(h, 255, 255, 255, 1000);
    std::vector<uint8_t> pal(768, 0);
    EXPECT_EQ(ReduceHistogram(h.data(), pal.data(), 0, 256, 0, 0, nullptr, nullptr), 1);
    EXPECT_EQ(Entry(pal, 0)[0], 252);
    EXPECT_EQ(Entry(pal, 0)[1], 252);
    EXPECT_EQ(Entry(pal, 0)[2], 252);
    for (int i = 3; i < 768; i++)
        EXPECT_EQ(pal[static_cast<size_t>(i)], 0) << i;
}

TEST(PaletteReduction, TwoColoursAreExpandedByBitReplication)
{
    auto h = EmptyHist();
    Add(h, 255, 255, 255, 10);
    Add(h, 130, 20, 200, 30);
    std::vector<uint8_t> pal(768, 0);
    EXPECT_EQ(ReduceHistogram(h.data(), pal.data(), 0, 256, 0, 0, nullptr, nullptr), 2);
    std::vector<uint32_t> got;
    for (int i = 0; i < 2; i++)
        got.push_back(uint32_t(Entry(pal, i)[0]) << 16 | Entry(pal, i)[1] << 8 | Entry(pal, i)[2]);
    uint32_t white = 0xFFFFFF;
    uint32_t other = uint32_t(Expand6(130 >> 2)) << 16 | uint32_t(Expand6(20 >> 2)) << 8 | Expand6(200 >> 2);
    EXPECT_TRUE((got[0] == white && got[1] == other) || (got[1] == white && got[0] == other));
}

TEST(PaletteReduction, SystemColourReservesLeaveTwoHundredThirtySixEntries)
{
    auto h = EmptyHist();
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; i++)
        Add(h, int(rng() & 255), int(rng() & 255), int(rng() & 255), 1 + (rng() & 15));
    std::vector<uint8_t> pal(768, 1);
    WriteSystemColours(pal.data());
    std::vector<uint8_t> before = pal;
    int n = ReduceHistogram(h.data(), pal.data(), 0, 256, 10, 10, nullptr, nullptr);
    EXPECT_EQ(n, 236);
    EXPECT_EQ(0, std::memcmp(pal.data(), before.data(), 30));
    EXPECT_EQ(0, std::memcmp(pal.data() + 246 * 3, before.data() + 246 * 3, 30));
    // Black and white are system colours: their cells were taken out.
    EXPECT_EQ(h[0], 0u);
    EXPECT_EQ(h[kCells - 1], 0u);
}

TEST(PaletteReduction, RangeEntriesOutsideAreNeverWritten)
{
    auto h = EmptyHist();
    for (int i = 0; i < 400; i++)
        Add(h, (i * 37) & 255, (i * 91) & 255, (i * 13) & 255, 5);
    std::vector<uint8_t> pal(768);
    for (size_t i = 0; i < 768; i++)
        pal[i] = uint8_t(i * 5);
    std::vector<uint8_t> before = pal;
    ReduceHistogram(h.data(), pal.data(), 16, 128, 0, 0, nullptr, nullptr);
    EXPECT_EQ(0, std::memcmp(pal.data(), before.data(), 16 * 3));
    EXPECT_EQ(0, std::memcmp(pal.data() + 144 * 3, before.data() + 144 * 3, 768 - 144 * 3));
}

TEST(PaletteReduction, ColoursKeepTheirSlots)
{
    // Two exactly representable colours, already at slots 7 and 3.
    uint8_t a[3] = {Expand6(10), Expand6(50), Expand6(20)};
    uint8_t b[3] = {Expand6(60), Expand6(5), Expand6(33)};
    auto h = EmptyHist();
    Add(h, a[0], a[1], a[2], 100);
    Add(h, b[0], b[1], b[2], 100);
    std::vector<uint8_t> pal(768, 0);
    std::memcpy(&pal[7 * 3], a, 3);
    std::memcpy(&pal[3 * 3], b, 3);
    EXPECT_EQ(ReduceHistogram(h.data(), pal.data(), 0, 256, 0, 0, nullptr, nullptr), 2);
    EXPECT_EQ(0, std::memcmp(&pal[7 * 3], a, 3));
    EXPECT_EQ(0, std::memcmp(&pal[3 * 3], b, 3));
}

TEST(PaletteReduction, PrefixSumSplitSearchMatchesThePlainOne)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 12; round++) {
        auto h = EmptyHist();
        int cells = 3 + int(rng() % 900);
        for (int i = 0; i < cells; i++) {
            // Clusters make the split choices non-trivial.
            int base = int(rng() % 4) * 60;
            Add(h, base + int(rng() % 40), int(rng() & 255), base / 2 + int(rng() % 90), 1 + (rng() % 1000));
        }
        int target = 2 + int(rng() % 60);
        auto fast = QuantiseCells(h.data(), target, nullptr, nullptr, false);
        auto ref = QuantiseCells(h.data(), target, nullptr, nullptr, true);
        ASSERT_EQ(fast, ref) << "round " << round;
        EXPECT_LE(fast.size(), size_t(target));
    }
}

TEST(PaletteReduction, CancelledReductionKeepsTheBoxesMade)
{
    auto h = EmptyHist();
    for (int i = 0; i < 500; i++)
        Add(h, i & 255, (i * 3) & 255, (i * 7) & 255, 1);
    struct Ctx {
        int calls = 0;
        std::vector<int> levels, percents;
    } ctx;
    auto progress = [](void *c, int percent, int level) -> int {
        auto *x = static_cast<Ctx *>(c);
        x->levels.push_back(level);
        x->percents.push_back(percent);
        return ++x->calls == 4;
    };
    auto colours = QuantiseCells(h.data(), 100, progress, &ctx);
    EXPECT_EQ(colours.size(), 4u);
    EXPECT_EQ(ctx.levels[0], 1);
    EXPECT_EQ(ctx.levels[1], 0);
    EXPECT_EQ(ctx.percents[0], 1);
    EXPECT_EQ(ctx.percents[3], 100 * 3 / 100 + 1);
}

TEST(PaletteReduction, RemapTableKeepsIdenticalEntriesAndFindsNearest)
{
    std::vector<uint8_t> src(768, 0), pal(768, 0);
    // Source entries 5 and 9 are the same colour; the new palette has it at
    // 5 and 9 too: both keep their own index.
    uint8_t c[3] = {100, 150, 200};
    std::memcpy(&src[5 * 3], c, 3);
    std::memcpy(&src[9 * 3], c, 3);
    std::memcpy(&pal[5 * 3], c, 3);
    std::memcpy(&pal[9 * 3], c, 3);
    src[20 * 3] = 250; // near entry 30's colour
    pal[30 * 3] = 255;
    uint8_t remap[256];
    BuildRemapTable(src.data(), pal.data(), 0, 256, remap);
    EXPECT_EQ(remap[5], 5);
    EXPECT_EQ(remap[9], 9);
    EXPECT_EQ(remap[20], 30);
    EXPECT_EQ(remap[0], 0);
    // Restricted to a range: indices land inside it.
    BuildRemapTable(src.data(), pal.data(), 8, 30, remap);
    EXPECT_EQ(remap[5], 9);
    EXPECT_EQ(remap[9], 9);
    EXPECT_EQ(remap[20], 30);
    for (int i = 0; i < 256; i++) {
        EXPECT_GE(remap[i], 8);
        EXPECT_LT(remap[i], 38);
    }
}

TEST(PaletteReduction, NearestColourCache)
{
    std::vector<uint8_t> pal(768, 0);
    pal[3 * 40] = 255;
    pal[3 * 41 + 2] = 255;
    std::vector<uint16_t> cache(kCells, 0);
    EXPECT_EQ(NearestCached(cache.data(), pal.data(), 40, 2, 250, 10, 0), 40);
    EXPECT_EQ(cache[CellOf(250, 10, 0)], 256 + 40);
    EXPECT_EQ(NearestCached(cache.data(), pal.data(), 40, 2, 0, 0, 240), 41);
    // Cached answers are returned as they are.
    cache[CellOf(0, 0, 0)] = 256 + 41;
    EXPECT_EQ(NearestCached(cache.data(), pal.data(), 40, 2, 1, 1, 1), 41);
}
