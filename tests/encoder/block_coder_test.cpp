// The block coder, runs, palette chunks and rate control, checked at the
// symbol level against a plain reference of what the decoder does.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "encoder/encoder_internal.h"

using namespace zenc;

namespace {

Palette6 GreyRamp()
{
    Palette6 p{};
    for (int i = 0; i < 256; ++i)
        p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = static_cast<uint8_t>(i / 4);
    return p;
}

Palette6 RandomPalette(std::mt19937 &rng)
{
    Palette6 p{};
    for (auto &v : p)
        v = static_cast<uint8_t>(rng() & 63);
    return p;
}

// Pictures of several kinds, all width x height.
std::vector<uint8_t> Picture(int kind, uint32_t w, uint32_t h, int t, std::mt19937 &rng)
{
    std::vector<uint8_t> px(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t v = 0;
            switch (kind) {
            case 0:
                v = static_cast<uint8_t>(rng());
                break; // noise
            case 1:
                v = static_cast<uint8_t>((x / 16 + y / 8) * 17);
                break; // flat areas
            case 2:
                v = static_cast<uint8_t>(((x + 3 * t) / 5) ^ (y / 7));
                break; // motion
            case 3:
                v = static_cast<uint8_t>((x * x + y * 3 + t) % 7 < 3 ? 9 : 200);
                break; // two colours
            case 4:
                v = static_cast<uint8_t>(rng() % 5 ? (x + y + t) / 8 : rng());
                break; // mixed
            }
            px[static_cast<size_t>(y) * w + x] = v;
        }
    }
    return px;
}

bool HasSkip(const std::vector<uint32_t> &symbols)
{
    for (uint32_t s : symbols)
        if (SymbolTree(s) == ZBX_TREE_BLOCK_TYPE && (SymbolValue(s) & 3) == ZBX_BLOCK_SKIP)
            return true;
    return false;
}

uint64_t SquaredError(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b, const Palette8 &p)
{
    uint64_t e = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const int d = p[a[i] * 3 + c] - p[b[i] * 3 + c];
            e += static_cast<uint64_t>(d * d);
        }
    return e;
}

} // namespace

TEST(Runs, TableAndSplitting)
{
    EXPECT_EQ(RunLength(0), 1u);
    EXPECT_EQ(RunLength(58), 59u);
    EXPECT_EQ(RunLength(59), 128u);
    EXPECT_EQ(RunLength(63), 2048u);
    for (uint32_t n : {1u, 2u, 59u, 60u, 127u, 128u, 129u, 300u, 2047u, 2048u, 2049u, 5000u}) {
        std::vector<uint8_t> idx;
        SplitRun(n, false, idx);
        uint32_t sum = 0;
        for (uint8_t r : idx)
            sum += RunLength(r);
        EXPECT_EQ(sum, n) << n;
        idx.clear();
        SplitRun(n, true, idx);
        sum = 0;
        for (size_t i = 0; i < idx.size(); ++i) {
            if (i + 1 < idx.size()) {
                EXPECT_EQ(RunLength(idx[i]), 2048u);
            }
            sum += RunLength(idx[i]);
        }
        EXPECT_GE(sum, n);
        EXPECT_LT(sum - n, 2048u);
    }
    std::vector<uint8_t> idx;
    SplitRun(100, true, idx); // one piece of 128 covers the rest of the picture
    ASSERT_EQ(idx.size(), 1u);
    EXPECT_EQ(idx[0], 59);
}

TEST(PaletteChunks, IdenticalPaletteIsTwoKeeps)
{
    std::mt19937 rng(1);
    Palette6 p = RandomPalette(rng);
    EXPECT_EQ(PaletteCommands(p, p), (std::vector<uint8_t>{0xFF, 0xFF}));
    auto chunk = PaletteChunk(p, p);
    EXPECT_EQ(chunk.size(), 4u);
    EXPECT_EQ(chunk[0], 1);
}

TEST(PaletteChunks, OneChangedEntry)
{
    Palette6 a = GreyRamp(), b = a;
    b[10 * 3] = 63;
    b[10 * 3 + 1] = 0;
    b[10 * 3 + 2] = 32;
    // keep 10, set, keep 128, keep 117
    EXPECT_EQ(PaletteCommands(a, b), (std::vector<uint8_t>{0x89, 63, 0, 32, 0xFF, 0xF4}));
}

TEST(PaletteChunks, ShiftedPaletteUsesCopies)
{
    Palette6 a = GreyRamp(), b{};
    std::mt19937 rng(5);
    a = RandomPalette(rng);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            b[i * 3 + c] = a[((i + 1) % 256) * 3 + c]; // colour cycling
    auto cmds = PaletteCommands(a, b);
    EXPECT_LE(cmds.size(), 2u * 4 + 3u); // four copies of 64 at most, one set
    Palette6 q = a;
    auto chunk = PaletteChunk(a, b);
    ASSERT_TRUE(ApplyPaletteChunk(chunk.data(), chunk.size(), q));
    EXPECT_EQ(q, b);
}

TEST(PaletteChunks, RandomChangesRoundTrip)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        Palette6 a = RandomPalette(rng), b = a;
        const int kind = round % 4;
        if (kind == 0)
            b = RandomPalette(rng);
        if (kind == 1)
            for (int k = 0; k < 20; ++k)
                b[rng() % 768] = static_cast<uint8_t>(rng() & 63);
        if (kind == 2) {
            const int from = rng() % 256, to = rng() % 256, n = 1 + rng() % 100;
            for (int k = 0; k < n && from + k < 256 && to + k < 256; ++k)
                for (int c = 0; c < 3; ++c)
                    b[(to + k) * 3 + c] = a[(from + k) * 3 + c];
        }
        auto chunk = PaletteChunk(a, b);
        EXPECT_EQ(chunk.size() % 4, 0u);
        EXPECT_EQ(chunk[0] * 4u, chunk.size());
        Palette6 q = a;
        ASSERT_TRUE(ApplyPaletteChunk(chunk.data(), chunk.size(), q));
        EXPECT_EQ(q, b) << round;
        EXPECT_LE(chunk.size(), 772u);
    }
}

TEST(PaletteChunks, FirstPaletteAgainstBlack)
{
    std::mt19937 rng(9);
    Palette6 zero{}, p = RandomPalette(rng);
    for (int i = 200; i < 256; ++i)
        p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = 0;
    auto chunk = PaletteChunk(zero, p);
    Palette6 q{};
    ASSERT_TRUE(ApplyPaletteChunk(chunk.data(), chunk.size(), q));
    EXPECT_EQ(q, p);
}

TEST(BlockCoder, LosslessFramesRebuildExactly)
{
    std::mt19937 rng(11);
    for (int kind = 0; kind < 5; ++kind) {
        const uint32_t w = 36, h = 28;
        BlockCoder coder(w, h);
        std::vector<uint8_t> decoded(w * h, 0);
        const Palette8 pal = ExpandPalette(GreyRamp());
        CostModel model;
        for (int t = 0; t < 6; ++t) {
            auto px = Picture(kind, w, h, t, rng);
            const bool key = t == 0 || t == 4;
            coder.Prepare(px.data(), w, pal, key, model, false);
            FrameRequest req;
            req.key = key;
            std::vector<uint32_t> symbols;
            FrameStats st;
            coder.Emit(req, symbols, st);
            ASSERT_TRUE(ApplySymbols(symbols, w, h, decoded)) << kind << " " << t;
            EXPECT_EQ(decoded, px) << kind << " " << t;
            EXPECT_EQ(coder.Picture(), px);
            EXPECT_EQ(st.error, 0u);
            if (key) {
                EXPECT_FALSE(HasSkip(symbols));
            }
        }
    }
}

TEST(BlockCoder, OddSizesAreCutToWholeBlocks)
{
    std::mt19937 rng(3);
    BlockCoder coder(37, 30);
    EXPECT_EQ(coder.Width(), 36u);
    EXPECT_EQ(coder.Height(), 28u);
    EXPECT_EQ(coder.BlockCount(), 9u * 7u);
}

TEST(BlockCoder, StillPictureIsOneSkipSymbol)
{
    std::mt19937 rng(13);
    const uint32_t w = 64, h = 48;
    BlockCoder coder(w, h);
    auto px = Picture(2, w, h, 0, rng);
    const Palette8 pal = ExpandPalette(GreyRamp());
    CostModel model;
    std::vector<uint32_t> s1, s2;
    FrameStats st;
    coder.Prepare(px.data(), w, pal, true, model, false);
    coder.Emit(FrameRequest{}, s1, st);
    coder.Prepare(px.data(), w, pal, false, model, false);
    FrameRequest req;
    coder.Emit(req, s2, st);
    ASSERT_EQ(s2.size(), 1u);
    EXPECT_EQ(SymbolValue(s2[0]) & 3, ZBX_BLOCK_SKIP);
    EXPECT_GE(RunLength(SymbolValue(s2[0]) >> 2), 16u * 12u);
}

TEST(BlockCoder, FillRunsCarryTheirColour)
{
    const uint32_t w = 16, h = 4;
    std::vector<uint8_t> px(w * h, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            px[y * w + x] = x < 8 ? 255 : 7;
    BlockCoder coder(w, h);
    CostModel model;
    coder.Prepare(px.data(), w, ExpandPalette(GreyRamp()), true, model, false);
    std::vector<uint32_t> s;
    FrameStats st;
    coder.Emit(FrameRequest{}, s, st);
    // two blocks of 255, then the last two (the run may overshoot the end)
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(SymbolValue(s[0]), 0xFF07u);
    EXPECT_EQ(SymbolValue(s[1]) & 0xFF03u, 0x0703u);
}

TEST(BlockCoder, TwoColourBitmapKeepsTopLeftLow)
{
    const uint32_t w = 4, h = 4;
    std::vector<uint8_t> px(16, 0x11);
    px[0] = 0x22;
    px[5] = 0x11;
    px[15] = 0x22;
    BlockCoder coder(w, h);
    CostModel model;
    coder.Prepare(px.data(), w, ExpandPalette(GreyRamp()), true, model, false);
    std::vector<uint32_t> s;
    FrameStats st;
    coder.Emit(FrameRequest{}, s, st);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(SymbolValue(s[1]), 0x1122u); // low colour 0x22 (top left), high 0x11
    EXPECT_EQ(SymbolValue(s[2]) & 1, 0u);
    std::vector<uint8_t> out(16, 0);
    ASSERT_TRUE(ApplySymbols(s, w, h, out));
    EXPECT_EQ(out, px);
}

TEST(BlockCoder, FullBlockRowOrder)
{
    std::vector<uint8_t> px(16);
    for (int i = 0; i < 16; ++i)
        px[i] = static_cast<uint8_t>(0x10 + i);
    BlockCoder coder(4, 4);
    CostModel model;
    coder.Prepare(px.data(), 4, ExpandPalette(GreyRamp()), true, model, false);
    std::vector<uint32_t> s;
    FrameStats st;
    coder.Emit(FrameRequest{}, s, st);
    ASSERT_EQ(s.size(), 9u);
    EXPECT_EQ(SymbolValue(s[1]), 0x1312u); // right half of row 0 first
    EXPECT_EQ(SymbolValue(s[2]), 0x1110u);
}

TEST(RateControl, ValuesReadAsDocumented)
{
    EXPECT_EQ(DecodeRate(0).kind, RateKind::Lossless);
    EXPECT_EQ(DecodeRate(1).kind, RateKind::ErrorPercent);
    EXPECT_EQ(DecodeRate(100).kind, RateKind::ErrorPercent);
    EXPECT_EQ(DecodeRate(101).kind, RateKind::DataRate);
    EXPECT_EQ(DecodeRate(240000).value, 240000);
    EXPECT_EQ(DecodeRate(-80).kind, RateKind::AverageFramePercent);
    EXPECT_EQ(DecodeRate(-80).value, 80);
    EXPECT_EQ(DecodeRate(-400).kind, RateKind::AverageFramePercent);
    EXPECT_EQ(DecodeRate(-480).kind, RateKind::FrameSizePercent);
    EXPECT_EQ(DecodeRate(-480).value, 80);
}

TEST(RateControl, HuffmanLengthsAreComplete)
{
    std::mt19937 rng(17);
    std::vector<uint32_t> counts(300, 0);
    for (auto &c : counts)
        c = rng() % 3 ? rng() % 1000 : 0;
    auto len = HuffmanLengths(counts);
    double kraft = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        EXPECT_EQ(counts[i] == 0, len[i] == 0);
        if (len[i])
            kraft += std::ldexp(1.0, -len[i]);
    }
    EXPECT_NEAR(kraft, 1.0, 1e-9);
}

TEST(RateControl, ErrorBoundHolds)
{
    std::mt19937 rng(19);
    const uint32_t w = 64, h = 64;
    const Palette8 pal = ExpandPalette(GreyRamp());
    for (double bound : {1.0, 3.0, 10.0}) {
        BlockCoder coder(w, h);
        CostModel model;
        std::vector<uint8_t> decoded(w * h, 0);
        for (int t = 0; t < 4; ++t) {
            auto px = Picture(4, w, h, t, rng);
            coder.Prepare(px.data(), w, pal, t == 0, model, true);
            FrameRequest req = ChooseLossy(coder, t == 0, false, 0, ErrorBudget(bound, w * h));
            std::vector<uint32_t> s;
            FrameStats st;
            coder.Emit(req, s, st);
            ASSERT_TRUE(ApplySymbols(s, w, h, decoded));
            EXPECT_EQ(decoded, coder.Picture());
            const double measured = ErrorPercent(SquaredError(decoded, px, pal), w * h);
            EXPECT_LE(measured, bound) << bound << " " << t;
            EXPECT_NEAR(measured, ErrorPercent(st.error, w * h), 1e-9);
        }
    }
}

TEST(RateControl, BitBudgetIsMet)
{
    std::mt19937 rng(23);
    const uint32_t w = 64, h = 64;
    const Palette8 pal = ExpandPalette(GreyRamp());
    BlockCoder coder(w, h);
    CostModel model;
    auto px = Picture(4, w, h, 0, rng);
    coder.Prepare(px.data(), w, pal, true, model, true);
    double exactBits, bits;
    uint64_t err;
    coder.Evaluate(FrameRequest{}, exactBits, err);
    FrameRequest req = ChooseLossy(coder, true, true, exactBits / 3, 0);
    EXPECT_FALSE(req.lossless);
    coder.Evaluate(req, bits, err);
    EXPECT_LE(bits, exactBits / 3);
    EXPECT_GT(err, 0u);
}

TEST(Sequence, LosslessWithRingFrameAndPalettes)
{
    std::mt19937 rng(29);
    SequenceParams p;
    p.width = 40;
    p.height = 24;
    p.ring = true;
    std::vector<SourceFrame> frames(7);
    Palette6 pal = GreyRamp();
    for (int t = 0; t < 7; ++t) {
        frames[t].pixels = Picture(t % 5, p.width, p.height, t, rng);
        if (t == 3)
            pal = RandomPalette(rng);
        frames[t].palette = pal;
    }
    std::vector<FrameOut> out;
    ASSERT_TRUE(CodeSequence(p, frames, {}, out, nullptr));
    ASSERT_EQ(out.size(), 8u);
    std::vector<uint8_t> picture(p.width * p.height, 0);
    Palette6 shown{};
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t src = i == 7 ? 0 : i;
        EXPECT_EQ(!out[i].paletteChunk.empty(), i == 0 || i == 3 || i == 7) << i;
        if (!out[i].paletteChunk.empty()) {
            ASSERT_TRUE(ApplyPaletteChunk(out[i].paletteChunk.data(), out[i].paletteChunk.size(), shown));
        }
        ASSERT_TRUE(ApplySymbols(out[i].symbols, p.width, p.height, picture));
        EXPECT_EQ(picture, frames[src].pixels) << i;
        EXPECT_EQ(shown, frames[src].palette) << i;
    }
}

TEST(Sequence, KeyFramesEveryNAndOnChange)
{
    std::mt19937 rng(31);
    SequenceParams p;
    p.width = 32;
    p.height = 32;
    p.keyEvery = 3;
    p.autoKeyPercent = 90;
    std::vector<SourceFrame> frames(8);
    for (int t = 0; t < 8; ++t) {
        frames[t].pixels = Picture(t == 5 ? 0 : 2, p.width, p.height, t == 5 ? 0 : 1, rng);
        frames[t].palette = GreyRamp();
    }
    std::vector<FrameOut> out;
    ASSERT_TRUE(CodeSequence(p, frames, {}, out, nullptr));
    const bool expected[8] = {true, false, false, true, false, true, true, false};
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(out[t].key, expected[t]) << t;
        if (out[t].key) {
            EXPECT_FALSE(HasSkip(out[t].symbols));
        }
    }
}

TEST(Storage, BlobsComeBackByIndex)
{
    BlobStore store;
    ASSERT_TRUE(store.Ok());
    std::mt19937 rng(41);
    std::vector<std::vector<uint32_t>> lists;
    for (int i = 0; i < 20; ++i) {
        std::vector<uint32_t> v(rng() % 3000);
        for (auto &x : v)
            x = rng();
        ASSERT_TRUE(store.PutSymbols(v));
        lists.push_back(v);
    }
    EXPECT_EQ(store.Count(), 20u);
    std::vector<uint32_t> got;
    for (int i = 19; i >= 0; --i) {
        ASSERT_TRUE(store.GetSymbols(i, got));
        EXPECT_EQ(got, lists[i]);
    }
    EXPECT_FALSE(store.GetSymbols(20, got));
    uint8_t byte;
    EXPECT_FALSE(store.Get(0, &byte, 1)); // the size must match
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    ASSERT_TRUE(store.PutSymbols({1, 2, 3}));
    ASSERT_TRUE(store.GetSymbols(0, got));
    EXPECT_EQ(got, (std::vector<uint32_t>{1, 2, 3}));
}

TEST(NearestColour, OrderedSearchMatchesThePlainScan)
{
    // Random palettes, palettes with few distinct values (many ties) and one
    // grey ramp; colours anywhere in the cube, the lowest index winning ties.
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        Palette8 p{};
        for (size_t i = 0; i < p.size(); ++i) {
            const uint32_t v = rng();
            p[i] = static_cast<uint8_t>(round % 3 == 0   ? Expand6(static_cast<uint8_t>(v & 63))
                                        : round % 3 == 1 ? (v & 3) * 85
                                                         : i / 3);
        }
        NearestByRed nearest;
        nearest.Build(p);
        for (int k = 0; k < 500; ++k) {
            const int r = static_cast<int>(rng() & 255), g = static_cast<int>(rng() & 255),
                      b = static_cast<int>(rng() & 255);
            ASSERT_EQ(nearest(r, g, b), NearestEntry(p, r, g, b)) << round << " " << r << " " << g << " " << b;
        }
    }
}
