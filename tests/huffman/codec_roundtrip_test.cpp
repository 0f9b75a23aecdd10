// What the encoder writes, read back by the codec's own tree builder and
// decoders: four 16-bit trees as one tree stream with their values coded in a
// separate stream (as a file keeps tree data and frames apart), and byte trees
// as the sound decoder reads them.

#include "codec/trees.h"
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

struct TempFile {
    TempFile()
        : path(::testing::TempDir() + "huffc_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".bin")
    {
        file = VEXFileCreate(4096, path.c_str());
    }
    ~TempFile()
    {
        if (file)
            VEXFileClose(file);
        std::remove(path.c_str());
    }
    Bytes finish()
    {
        VEXFileClose(file);
        file = nullptr;
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static inline int counter = 0;
    std::string path;
    VEXFILE *file = nullptr;
};

struct TableDeleter {
    void operator()(zorb::TreeTable *t) const { zorb::FreeTreeTable(t); }
};

// values[frame][tree]: codes the four trees with the Huff family and checks
// that the codec's trees decode every value back.
using FrameValues = std::vector<std::vector<std::vector<uint32_t>>>;
void ExpectRoundTrip(const FrameValues &values)
{
    const size_t frames = values.size();
    TempFile trees, data;
    HUFF *h[4];
    uint32_t sizes[4];
    for (int t = 0; t < 4; ++t) {
        h[t] = HuffOpen(0);
        ASSERT_NE(h[t], nullptr);
        HuffSetOutput(h[t], trees.file);
        HuffInitStats(h[t]);
        for (size_t f = 0; f < frames; ++f) {
            HuffInitLasts(h[t]);
            for (uint32_t v : values[f][t])
                HuffAddStat(h[t], v);
        }
        ASSERT_GE(HuffStartEncode(h[t]), 0);
        sizes[t] = 4 * 2 * 65536;
        HuffSetOutput(h[t], data.file);
    }
    for (size_t f = 0; f < frames; ++f) {
        for (int t = 0; t < 4; ++t) {
            HuffInitLasts(h[t]);
            for (uint32_t v : values[f][t])
                HuffEncode(h[t], v);
        }
    }
    for (HUFF *x : h)
        HuffClose(x);
    const Bytes treeBytes = trees.finish();
    const Bytes dataBytes = data.finish();

    std::string error;
    std::unique_ptr<zorb::TreeTable, TableDeleter> table(
        zorb::NewTreeTable(treeBytes.data(), treeBytes.size(), sizes, error));
    ASSERT_NE(table, nullptr) << error;
    zorb::BitReader in(dataBytes.data(), dataBytes.size());
    for (size_t f = 0; f < frames; ++f) {
        zorb::ResetCaches(table.get());
        for (int t = 0; t < 4; ++t) {
            for (size_t i = 0; i < values[f][t].size(); ++i)
                ASSERT_EQ(zorb::DecodeBig(table->tree[t], in), values[f][t][i]) << "tree " << t << " value " << i;
        }
    }
    EXPECT_FALSE(in.Overrun());
}

TEST(HuffCodec, FourSixteenBitTreesDecodeFrameByFrame)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const int frames = 1 + static_cast<int>(rng() % 5);
        FrameValues values(frames, std::vector<std::vector<uint32_t>>(4));
        uint32_t recent[4][3] = {};
        for (int t = 0; t < 4; ++t) {
            const bool absent = rng() % 6 == 0;
            const uint32_t spread = 1 + rng() % (t == 3 ? 40 : 5000);
            for (int f = 0; f < frames; ++f) {
                recent[t][0] = recent[t][1] = recent[t][2] = 0;
                const int n = absent ? 0 : static_cast<int>(rng() % 800);
                for (int i = 0; i < n; ++i) {
                    uint32_t v = rng() % 3 == 0 ? recent[t][rng() % 3] : (rng() % spread) * 13u & 0xFFFF;
                    values[f][t].push_back(v);
                    if (v != recent[t][0]) {
                        recent[t][2] = recent[t][1];
                        recent[t][1] = recent[t][0];
                        recent[t][0] = v;
                    }
                }
            }
        }
        ExpectRoundTrip(values);
    }
}

TEST(HuffCodec, TreesWithOneToThreeFreeValuesKeepEveryValue)
{
    // A 16-bit tree that uses all values but one, two or three still codes
    // them all: its escapes take the free values, and those that find none of
    // their own share escape 0's and go without a code. Each escape is used
    // often enough (32 times) to earn a code when it has room.
    const uint32_t freeValues[] = {0x1234, 0x2345, 0x3456};
    for (int free = 1; free <= 3; ++free) {
        SCOPED_TRACE(free);
        FrameValues values(1, std::vector<std::vector<uint32_t>>(4));
        std::vector<uint32_t> &v = values[0][2];
        for (int i = 0; i < 40; ++i)
            for (uint32_t x : {7u, 7u, 8u, 7u, 9u, 10u, 7u, 11u}) // repeats of last values 0, 1 and 2
                v.push_back(x);
        for (uint32_t x = 0; x < 65536; ++x)
            if (std::find(freeValues, freeValues + free, x) == freeValues + free)
                v.push_back(x);
        values[0][3] = {1, 5, 1};
        ExpectRoundTrip(values);
    }
}

TEST(HuffCodec, ByteTreesDecodeWithTheSoundDecodersReader)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 100; ++round) {
        std::vector<uint32_t> symbols;
        const int n = 1 + static_cast<int>(rng() % 3000);
        const uint32_t alphabet = 1 + rng() % 256;
        for (int i = 0; i < n; ++i)
            symbols.push_back(std::min<uint32_t>(rng() % alphabet, rng() % alphabet));
        TempFile out;
        HUFF *h = HuffOpen(1);
        HuffSetOutput(h, out.file);
        HuffInitStats(h);
        for (uint32_t s : symbols)
            HuffAddStat(h, s);
        ASSERT_GE(HuffStartEncode(h), 0);
        for (uint32_t s : symbols)
            HuffEncode(h, s);
        HuffClose(h);
        const Bytes bytes = out.finish();
        zorb::BitReader in(bytes.data(), bytes.size());
        ASSERT_EQ(in.ReadBit(), 1u); // the bit the sound decoder reads before each tree
        zorb::ByteNode nodes[zorb::kByteTreeMaxNodes];
        ASSERT_GT(zorb::ReadByteTree(in, nodes), 0u);
        for (uint32_t s : symbols)
            ASSERT_EQ(zorb::DecodeByte(nodes, in), s) << "round " << round;
        EXPECT_FALSE(in.Overrun());
    }
}

} // namespace
