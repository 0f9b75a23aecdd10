// Huffman encoder: exact tree layouts for small cases, the escape rule of
// 16-bit trees, the depth limit, the list tie rule against a plain reference
// builder, and round trips through an independent reader of the tree format.

#include "tests/huffman/tree_oracle.h"
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A VEXFile written to a temporary file whose bytes are read back at the end.
class Sink {
public:
    Sink()
    {
        path_ = ::testing::TempDir() + "huff_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++) + ".bin";
        file_ = VEXFileCreate(4096, path_.c_str());
        EXPECT_NE(file_, nullptr);
    }
    ~Sink()
    {
        if (file_)
            VEXFileClose(file_);
        std::remove(path_.c_str());
    }
    VEXFILE *file() { return file_; }
    Bytes finish()
    {
        VEXFileClose(file_);
        file_ = nullptr;
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

private:
    static inline int counter_ = 0;
    std::string path_;
    VEXFILE *file_ = nullptr;
};

struct HuffDeleter {
    void operator()(HUFF *h) const { HuffClose(h); }
};
using HuffPtr = std::unique_ptr<HUFF, HuffDeleter>;

// Bits as a list, least significant bit of each byte first.
std::vector<int> bitsOf(const Bytes &bytes, size_t count)
{
    std::vector<int> bits;
    for (size_t i = 0; i < count; ++i)
        bits.push_back((bytes[i / 8] >> (i % 8)) & 1);
    return bits;
}

void appendValue(std::vector<int> &bits, uint32_t value, int n)
{
    for (int i = 0; i < n; ++i)
        bits.push_back((value >> i) & 1);
}

TEST(HuffLayout, EmptyTreeIsOneZeroBit)
{
    Sink sink;
    HuffPtr h(HuffOpen(1));
    HuffSetOutput(h.get(), sink.file());
    HuffInitStats(h.get());
    EXPECT_EQ(HuffStartEncode(h.get()), 12);
    VEXFilePutBits(sink.file(), 0x7F, 7); // marks where the tree ended
    EXPECT_EQ(sink.finish(), Bytes{0xFE});
}

TEST(HuffLayout, SingleSymbolByteTreeCodesWithNoBits)
{
    Sink sink;
    HuffPtr h(HuffOpen(1));
    HuffSetOutput(h.get(), sink.file());
    HuffInitStats(h.get());
    for (int i = 0; i < 5; ++i)
        HuffAddStat(h.get(), 0xA5);
    EXPECT_EQ(HuffStartEncode(h.get()), 20);
    for (int i = 0; i < 5; ++i)
        HuffEncode(h.get(), 0xA5);
    EXPECT_EQ(h->bits, 0u);
    EXPECT_EQ(h->encoded, 5u);
    Bytes out = sink.finish();
    ASSERT_EQ(out.size(), 2u); // 11 bits
    std::vector<int> want{1, 0};
    appendValue(want, 0xA5, 8);
    want.push_back(0);
    EXPECT_EQ(bitsOf(out, 11), want);
}

TEST(HuffLayout, TwoSymbolsLightestTakesTheOneBranch)
{
    Sink sink;
    HuffPtr h(HuffOpen(1));
    HuffSetOutput(h.get(), sink.file());
    HuffInitStats(h.get());
    for (int v : {5, 9, 5, 5})
        HuffAddStat(h.get(), v);
    EXPECT_EQ(HuffStartEncode(h.get()), 24);
    EXPECT_EQ(h->lengths[5], 1);
    EXPECT_EQ(h->codes[5], 0u);
    EXPECT_EQ(h->lengths[9], 1);
    EXPECT_EQ(h->codes[9], 1u);
    HuffEncode(h.get(), 9);
    HuffEncode(h.get(), 5);
    EXPECT_EQ(h->bits, 2u);
    Bytes out = sink.finish();
    std::vector<int> want{1, 1, 0};
    appendValue(want, 5, 8);
    want.push_back(0);
    appendValue(want, 9, 8);
    want.push_back(0);
    want.push_back(1); // 9
    want.push_back(0); // 5
    ASSERT_EQ(out.size(), (want.size() + 7) / 8);
    EXPECT_EQ(bitsOf(out, want.size()), want);
}

TEST(HuffLayout, DepthLimitIsThirtyBits)
{
    // Fibonacci counts give a chain: n symbols reach depth n - 1.
    auto build = [](int symbols) {
        Sink sink;
        HuffPtr h(HuffOpen(1));
        HuffSetOutput(h.get(), sink.file());
        HuffInitStats(h.get());
        uint32_t a = 1, b = 1;
        for (int s = 0; s < symbols; ++s) {
            for (uint32_t i = 0; i < a; ++i)
                HuffAddStat(h.get(), s);
            const uint32_t c = a + b;
            a = b;
            b = c;
        }
        const int32_t r = HuffStartEncode(h.get());
        return std::make_pair(r, static_cast<int>(h->tooDeep));
    };
    // 31 symbols: deepest code 30 bits, allowed.
    EXPECT_EQ(build(31), std::make_pair(16 + 8 * 30, 0));
    // 32 symbols: a 31-bit code.
    EXPECT_EQ(build(32), std::make_pair(-1, 1));
}

TEST(HuffLayout, NullHandleIsIgnored)
{
    HuffSetOutput(nullptr, nullptr);
    HuffInitStats(nullptr);
    HuffInitLasts(nullptr);
    HuffAddStat(nullptr, 1);
    HuffEncode(nullptr, 1);
    EXPECT_EQ(HuffStartEncode(nullptr), 0);
    HuffClose(nullptr);
}

// ---- 16-bit trees and escapes ----------------------------------------------

TEST(HuffEscapes, RarelyUsedEscapeGetsNoCode)
{
    Sink sink;
    HuffPtr h(HuffOpen(0));
    ASSERT_NE(h->lowTree, nullptr);
    HuffSetOutput(h.get(), sink.file());
    HuffInitStats(h.get());
    // 0 is taken by a value; the escapes take the lowest free symbols 1, 2, 3.
    const std::vector<uint32_t> values{0, 7, 7, 7, 1000, 7, 0};
    for (uint32_t v : values)
        HuffAddStat(h.get(), v);
    ASSERT_GE(HuffStartEncode(h.get()), 0);
    EXPECT_EQ(h->escapes[0], 1u);
    EXPECT_EQ(h->escapes[1], 2u);
    EXPECT_EQ(h->escapes[2], 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(h->lengths[h->escapes[i]], 255);
    for (uint32_t v : values)
        HuffEncode(h.get(), v);
    Bytes out = sink.finish();
    oracle::BitReader br(out);
    oracle::BigTree tree;
    ASSERT_TRUE(tree.read(br));
    EXPECT_EQ(tree.escapes[0], 1u);
    for (uint32_t v : values)
        EXPECT_EQ(tree.decode(br), v);
    EXPECT_FALSE(br.overrun());
}

TEST(HuffEscapes, RepeatUsesEscapeZeroOnlyWhenStrictlyShorter)
{
    // Many repeats of one value: escape 0 becomes frequent, shorter than the
    // value's own code, and is chosen for repeats.
    Sink sink;
    HuffPtr h(HuffOpen(0));
    HuffSetOutput(h.get(), sink.file());
    HuffInitStats(h.get());
    std::vector<uint32_t> values;
    for (uint32_t v = 100; v < 140; ++v) {
        values.push_back(v);
        for (int r = 0; r < 3; ++r)
            values.push_back(v);
    }
    for (uint32_t v : values)
        HuffAddStat(h.get(), v);
    EXPECT_EQ(h->escapes[0], 120u); // hits before the start
    ASSERT_GE(HuffStartEncode(h.get()), 0);
    const uint32_t esc0 = h->escapes[0];
    EXPECT_EQ(esc0, 0u);
    ASSERT_LT(h->lengths[esc0], h->lengths[100]);
    const uint32_t before = h->bits;
    HuffEncode(h.get(), 100);
    HuffEncode(h.get(), 100);
    EXPECT_EQ(h->bits - before, h->lengths[100] + h->lengths[esc0]);

    // A value whose own code is as short as the escape is written directly.
    Sink sink2;
    HuffPtr g(HuffOpen(0));
    HuffSetOutput(g.get(), sink2.file());
    HuffInitStats(g.get());
    std::vector<uint32_t> v2;
    for (uint32_t it = 0; it < 100; ++it) {
        v2.push_back(5);
        if (it < 33)
            v2.push_back(5);
        for (uint32_t k = 0; k < 3; ++k)
            v2.push_back(1000 + 3 * (it % 30) + k);
    }
    for (uint32_t v : v2)
        HuffAddStat(g.get(), v);
    ASSERT_GE(HuffStartEncode(g.get()), 0);
    const uint32_t e0 = g->escapes[0];
    ASSERT_NE(g->lengths[e0], 255);
    ASSERT_LE(g->lengths[5], g->lengths[e0]);
    HuffInitLasts(g.get());
    const uint32_t b0 = g->bits;
    HuffEncode(g.get(), 5);
    HuffEncode(g.get(), 5);
    EXPECT_EQ(g->bits - b0, 2u * g->lengths[5]);
}

TEST(HuffEscapes, EscapesNeedUnusedSymbols)
{
    // Values 0..65532 leave exactly three symbols for the escapes; with fewer,
    // the escapes without a symbol of their own share escape 0's.
    auto build = [](uint32_t used, uint32_t *escapes) {
        Sink sink;
        HuffPtr h(HuffOpen(0));
        HuffSetOutput(h.get(), sink.file());
        HuffInitStats(h.get());
        for (uint32_t v = 0; v < used; ++v)
            HuffAddStat(h.get(), v);
        const int32_t r = HuffStartEncode(h.get());
        for (int i = 0; i < 3; ++i)
            escapes[i] = h->escapes[i];
        return r;
    };
    uint32_t e[3];
    EXPECT_GT(build(65533, e), 0);
    EXPECT_EQ(e[0], 65533u);
    EXPECT_EQ(e[1], 65534u);
    EXPECT_EQ(e[2], 65535u);
    EXPECT_GT(build(65534, e), 0);
    EXPECT_EQ(e[0], 65534u);
    EXPECT_EQ(e[1], 65534u);
    EXPECT_EQ(e[2], 65534u);
    EXPECT_GT(build(65535, e), 0);
    EXPECT_EQ(e[0], 65535u);
    EXPECT_EQ(e[2], 65535u);
    EXPECT_EQ(build(65536, e), -1);
}

// ---- The tie rule against a plain reference builder ---------------------------

// Plain builder: a vector kept sorted by linear scan, with the same rule for
// equal weights. Returns the code lengths per symbol.
std::vector<int> referenceLengths(const std::vector<uint32_t> &counts)
{
    struct Node {
        uint64_t weight;
        int zero, one; // -1 for a leaf
        int symbol;
    };
    std::vector<Node> nodes;
    std::vector<int> list; // node indices, heaviest first
    auto insert = [&](int node) {
        size_t p = 0;
        while (p < list.size() && nodes[list[p]].weight >= nodes[node].weight)
            ++p;
        if (p < list.size() && nodes[list[p]].weight == nodes[list.back()].weight) {
            list.push_back(list[p]);
            list[p] = node;
        } else {
            list.insert(list.begin() + static_cast<long>(p), node);
        }
    };
    for (size_t s = 0; s < counts.size(); ++s) {
        if (!counts[s])
            continue;
        nodes.push_back({counts[s], -1, -1, static_cast<int>(s)});
        insert(static_cast<int>(nodes.size() - 1));
    }
    std::vector<int> lengths(counts.size(), -1);
    if (list.size() == 1) {
        lengths[nodes[list[0]].symbol] = 0;
        return lengths;
    }
    while (list.size() > 1) {
        const int light = list.back();
        list.pop_back();
        const int heavier = list.back();
        list.pop_back();
        nodes.push_back({nodes[light].weight + nodes[heavier].weight, heavier, light, -1});
        insert(static_cast<int>(nodes.size() - 1));
    }
    std::vector<std::pair<int, int>> stack{{list[0], 0}};
    while (!stack.empty()) {
        auto [n, d] = stack.back();
        stack.pop_back();
        if (nodes[n].zero < 0) {
            lengths[nodes[n].symbol] = d;
        } else {
            stack.push_back({nodes[n].zero, d + 1});
            stack.push_back({nodes[n].one, d + 1});
        }
    }
    return lengths;
}

TEST(HuffTies, LengthsMatchPlainBuilderOnManyCountSets)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint32_t> counts(256, 0);
        const int used = 1 + static_cast<int>(rng() % 256);
        const uint32_t range = 1 + rng() % (round % 3 == 0 ? 3 : 200); // many ties in some rounds
        for (int i = 0; i < used; ++i)
            counts[rng() % 256] = 1 + rng() % range;
        Sink sink;
        HuffPtr h(HuffOpen(1));
        HuffSetOutput(h.get(), sink.file());
        HuffInitStats(h.get());
        for (int s = 0; s < 256; ++s)
            for (uint32_t i = 0; i < counts[s]; ++i)
                HuffAddStat(h.get(), s);
        ASSERT_GE(HuffStartEncode(h.get()), 0);
        const std::vector<int> want = referenceLengths(counts);
        for (int s = 0; s < 256; ++s) {
            if (counts[s]) {
                ASSERT_EQ(h->lengths[s], want[s]) << "round " << round << " symbol " << s;
            }
        }
    }
}

// ---- Round trips through an independent reader ----------------------------------

TEST(HuffRoundTrip, RandomByteTrees)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(rng() % 2000);
        const int alphabet = 1 + static_cast<int>(rng() % 256);
        std::vector<uint32_t> symbols;
        std::geometric_distribution<int> skew(0.05 + (rng() % 50) / 100.0);
        for (int i = 0; i < n; ++i)
            symbols.push_back(static_cast<uint32_t>(skew(rng) % alphabet));
        Sink sink;
        HuffPtr h(HuffOpen(1));
        HuffSetOutput(h.get(), sink.file());
        HuffInitStats(h.get());
        for (uint32_t s : symbols)
            HuffAddStat(h.get(), s);
        ASSERT_GE(HuffStartEncode(h.get()), 0);
        for (uint32_t s : symbols)
            HuffEncode(h.get(), s);
        VEXFilePutBits(sink.file(), 0x2B, 6); // trailer
        Bytes out = sink.finish();
        oracle::BitReader br(out);
        ASSERT_EQ(br.bit(), 1);
        oracle::ByteTree tree;
        ASSERT_TRUE(tree.read(br));
        for (uint32_t s : symbols)
            ASSERT_EQ(tree.decode(br), s) << "round " << round;
        EXPECT_EQ(br.bits(6), 0x2Bu);
        EXPECT_FALSE(br.overrun());
    }
}

// Values with repeats of recent values, cache resets every "frame", several
// trees in one stream as the video trees are.
TEST(HuffRoundTrip, RandomSixteenBitTreesWithEscapes)
{
    std::mt19937 rng(4242);
    int roundsWithCodedEscapes = 0;
    for (int round = 0; round < 40; ++round) {
        const int frames = 1 + static_cast<int>(rng() % 4);
        std::vector<std::vector<uint32_t>> perFrame(frames);
        const uint32_t spread = round % 4 == 0 ? 65536 : 1 + rng() % 3000;
        std::vector<uint32_t> recent{0, 0, 0};
        for (auto &f : perFrame) {
            const int n = static_cast<int>(rng() % 1500);
            for (int i = 0; i < n; ++i) {
                const uint32_t pick = rng() % 10;
                uint32_t v;
                if (pick < 4) {
                    v = recent[pick % 3];
                } else {
                    v = (rng() % spread * 7919u) & 0xFFFF;
                }
                f.push_back(v);
                if (v != recent[0])
                    recent = {v, recent[0], recent[1]};
            }
        }
        Sink sink;
        HuffPtr h(HuffOpen(0));
        HuffSetOutput(h.get(), sink.file());
        HuffInitStats(h.get());
        for (auto &f : perFrame) {
            HuffInitLasts(h.get());
            for (uint32_t v : f)
                HuffAddStat(h.get(), v);
        }
        const int32_t r = HuffStartEncode(h.get());
        ASSERT_GE(r, 0);
        if (h->hasStats && h->lengths[h->escapes[0]] != 255 && h->lengths[h->escapes[1]] != 255)
            ++roundsWithCodedEscapes;
        for (auto &f : perFrame) {
            HuffInitLasts(h.get());
            for (uint32_t v : f)
                HuffEncode(h.get(), v);
        }
        VEXFilePutBits(sink.file(), 0x155, 9);
        Bytes out = sink.finish();
        oracle::BitReader br(out);
        oracle::BigTree tree;
        ASSERT_TRUE(tree.read(br));
        if (!h->hasStats)
            continue;
        for (auto &f : perFrame) {
            tree.resetCache();
            for (uint32_t v : f)
                ASSERT_EQ(tree.decode(br), v) << "round " << round;
        }
        EXPECT_EQ(br.bits(9), 0x155u);
        EXPECT_FALSE(br.overrun());
    }
    EXPECT_GT(roundsWithCodedEscapes, 10);
}

TEST(HuffRoundTrip, TreeReusedAfterNewStatistics)
{
    Sink sink;
    HuffPtr h(HuffOpen(0));
    HuffSetOutput(h.get(), sink.file());
    std::vector<std::vector<uint32_t>> sets{{1, 2, 3, 3, 3, 2}, {60000, 60000, 5}, {9}};
    for (auto &set : sets) {
        HuffInitStats(h.get());
        for (uint32_t v : set)
            HuffAddStat(h.get(), v);
        ASSERT_GE(HuffStartEncode(h.get()), 0);
        for (uint32_t v : set)
            HuffEncode(h.get(), v);
        EXPECT_EQ(h->encoded, 2 * set.size());
    }
    Bytes out = sink.finish();
    oracle::BitReader br(out);
    for (auto &set : sets) {
        oracle::BigTree tree;
        ASSERT_TRUE(tree.read(br));
        for (uint32_t v : set)
            ASSERT_EQ(tree.decode(br), v);
    }
    EXPECT_FALSE(br.overrun());
}

} // namespace
