#include "codec/trees.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "codec/widereader.h"
#include "tests/support/sanitized.h"
#include "tests/support/treestream.h"

using namespace zorb;
using zbxtest::BigTreeWriter;
using zbxtest::BitWriter;
using zbxtest::CodeTree;

namespace {

struct TableDeleter {
    void operator()(TreeTable *t) const { FreeTreeTable(t); }
};
using TablePtr = std::unique_ptr<TreeTable, TableDeleter>;

// Four big trees; an empty optional is an absent tree.
struct TreeSet {
    std::array<std::optional<CodeTree>, 4> trees;
    std::array<std::array<uint16_t, 3>, 4> escapes{};
    std::vector<uint8_t> data;
    uint32_t sizes[4] = {0, 0, 0, 0};

    void Write(std::mt19937 *rng = nullptr)
    {
        BigTreeWriter w;
        for (int i = 0; i < 4; ++i) {
            if (trees[i]) {
                w.Present(*trees[i], escapes[i], true, true, rng);
                sizes[i] = trees[i]->NodeBytes();
            } else {
                w.Absent();
            }
        }
        data = w.Bytes();
    }
    TablePtr Build(const char **error = nullptr) const
    {
        const char *e = nullptr;
        TablePtr t(NewTreeTable(data.data(), data.size(), sizes, &e));
        if (error)
            *error = e;
        return t;
    }
};

std::vector<uint16_t> Range(uint16_t from, uint16_t count)
{
    std::vector<uint16_t> v;
    for (uint16_t i = 0; i < count; ++i)
        v.push_back(static_cast<uint16_t>(from + i));
    return v;
}

std::array<uint16_t, 3> Cache(const BigTree &t)
{
    return {*t.slot[0], *t.slot[1], *t.slot[2]};
}

} // namespace

// ---- Byte trees ---------------------------------------------------------------

TEST(ByteTree, SingleLeafConsumesNoBits)
{
    BitWriter w;
    w.Bit(0);
    w.Bits(0x41, 8);
    w.Bit(0);
    w.Bits(0x3FF, 10); // data after the tree
    BitReader in(w.Bytes().data(), w.Bytes().size());
    ByteNode nodes[kByteTreeMaxNodes];
    ASSERT_EQ(ReadByteTree(in, nodes), 1u);
    EXPECT_EQ(in.BitsConsumed(), 10u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(DecodeByte(nodes, in), 0x41);
    EXPECT_EQ(in.BitsConsumed(), 10u);
}

TEST(ByteTree, DecodesCodedBytes)
{
    std::mt19937 rng(3);
    std::vector<uint16_t> all = Range(0, 256);
    for (int round = 0; round < 20; ++round) {
        std::vector<uint16_t> values(all.begin(), all.begin() + 1 + rng() % 256);
        CodeTree t = CodeTree::Random(values, rng);
        BitWriter w;
        zbxtest::WriteByteTree(w, t);
        size_t treeBits = w.BitCount();
        std::vector<uint8_t> msg;
        for (int i = 0; i < 200; ++i) {
            msg.push_back(static_cast<uint8_t>(values[rng() % values.size()]));
            t.EncodeValue(w, msg.back());
        }
        BitReader in(w.Bytes().data(), w.Bytes().size());
        ByteNode nodes[kByteTreeMaxNodes];
        ASSERT_EQ(ReadByteTree(in, nodes), t.nodes.size());
        EXPECT_EQ(in.BitsConsumed(), treeBits);
        for (uint8_t m : msg)
            ASSERT_EQ(DecodeByte(nodes, in), m);
        EXPECT_EQ(in.BitsConsumed(), w.BitCount());
    }
}

TEST(ByteTree, NodeBudgetIs512)
{
    // A chain of 256 leaves is 511 nodes; of 257 leaves (a value repeated) 513.
    for (int leaves : {256, 257}) {
        std::vector<uint16_t> v;
        for (int i = 0; i < leaves; ++i)
            v.push_back(static_cast<uint16_t>(i & 0xFF));
        BitWriter w;
        zbxtest::WriteByteTree(w, CodeTree::Chain(v));
        BitReader in(w.Bytes().data(), w.Bytes().size());
        ByteNode nodes[kByteTreeMaxNodes];
        EXPECT_EQ(ReadByteTree(in, nodes), leaves == 256 ? 511u : 0u);
    }
}

TEST(ByteTree, CutShortFails)
{
    BitWriter w;
    zbxtest::WriteByteTree(w, CodeTree::Balanced(Range(0, 40)));
    for (size_t len = 0; len < w.Bytes().size(); ++len) {
        std::vector<uint8_t> cut(w.Bytes().begin(), w.Bytes().begin() + len);
        BitReader in(cut.data(), cut.size());
        ByteNode nodes[kByteTreeMaxNodes];
        EXPECT_EQ(ReadByteTree(in, nodes), 0u) << len;
    }
}

// ---- Big trees: building ----------------------------------------------------------

TEST(BigTrees, AbsentTreeTakesOneBit)
{
    TreeSet s;
    s.trees[1] = CodeTree::Balanced({0x1234, 0x5678});
    s.Write();
    TreeLayout layout;
    const char *error = nullptr;
    ASSERT_TRUE(MeasureTrees(s.data.data(), s.data.size(), s.sizes, &layout, &error)) << error;
    // Tree 0 absent: tree 1 begins at bit 1. Check by decoding the whole stream
    // with tree 0 present bit alone removed: the first bit is 0.
    EXPECT_EQ(s.data[0] & 1, 0);
    EXPECT_EQ(s.data[0] >> 1 & 1, 1);
    TablePtr t = s.Build();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->tree[0].present, 0u);
    EXPECT_EQ(t->tree[1].present, 1u);
    EXPECT_EQ(t->tree[1].nodeCount, 3u); // read from bit 1 on: tree 0 took exactly one bit
    EXPECT_EQ(t->tree[1].nodes[1].value, 0x1234);
    EXPECT_EQ(t->tree[1].nodes[2].value, 0x5678);
    EXPECT_EQ(t->tree[2].present, 0u);
    EXPECT_EQ(t->tree[3].present, 0u);
    // All four absent: exactly four bits.
    const uint8_t none[] = {0x00};
    const uint32_t zero[4] = {0, 0, 0, 0};
    ASSERT_TRUE(MeasureTrees(none, 1, zero, &layout, &error));
    // A decode from an absent tree yields 0 and consumes nothing.
    const uint8_t ones[] = {0xFF, 0xFF};
    BitReader in(ones, 2);
    EXPECT_EQ(DecodeBig(t->tree[3], in), 0);
    EXPECT_EQ(DecodeBigReference(t->tree[3], in), 0);
    EXPECT_EQ(in.BitsConsumed(), 0u);
}

TEST(BigTrees, UnusedCodeIsSmallestFreeValue)
{
    TreeSet s;
    for (int i = 0; i < 4; ++i) {
        s.trees[i] = CodeTree::Balanced(Range(0, 10));
        s.escapes[i] = {0xFFFF, 0xFFFF, 0xFFFF};
    }
    s.Write();
    TablePtr t = s.Build();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->unusedCode, 10);

    // Escape leaves count as 0: trees of 1..5 plus an escape leaf leave 6.
    TreeSet e;
    e.trees[2] = CodeTree::Balanced({1, 2, 3, 4, 5, 0x9999});
    e.escapes[2] = {0x9999, 0, 0};
    e.Write();
    t = e.Build();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->unusedCode, 6);
}

TEST(BigTrees, EveryValueUsedIsCorrupt)
{
    TreeSet s;
    for (int i = 0; i < 4; ++i) {
        s.trees[i] = CodeTree::Balanced(Range(static_cast<uint16_t>(i * 16384), 16384));
        s.escapes[i] = {0, 0, 0}; // the escape leaf in tree 0 counts as 0: still every value
    }
    s.Write();
    const char *error = nullptr;
    EXPECT_FALSE(s.Build(&error));
    EXPECT_NE(error, nullptr);
}

TEST(BigTrees, NodeMemoryIsEnforced)
{
    TreeSet s;
    s.trees[0] = CodeTree::Balanced(Range(100, 50)); // 99 nodes
    s.Write();
    EXPECT_TRUE(s.Build());
    s.sizes[0] = 99 * 4 - 1;
    const char *error = nullptr;
    EXPECT_FALSE(s.Build(&error));
    EXPECT_STREQ(error, "big tree larger than its node memory");
    s.sizes[0] = 0xFFFFFFFF; // a huge declaration costs only what the data needs
    TreeLayout layout;
    ASSERT_TRUE(MeasureTrees(s.data.data(), s.data.size(), s.sizes, &layout, &error));
    EXPECT_EQ(layout.nodes[0], 99u);
    EXPECT_LT(layout.bytes, 2 * 60000u + 99 * (sizeof(TreeNode) + 8));
}

TEST(BigTrees, CutShortStreamFailsAtEveryLength)
{
    std::mt19937 rng(11);
    TreeSet s;
    for (int i = 0; i < 4; ++i)
        s.trees[i] = CodeTree::Random(Range(static_cast<uint16_t>(i * 300), 60), rng);
    s.Write(&rng);
    ASSERT_TRUE(s.Build());
    for (size_t len = 0; len < s.data.size(); ++len) {
        auto cut = std::make_unique<uint8_t[]>(len + 1);
        std::copy(s.data.begin(), s.data.begin() + len, cut.get());
        TreeLayout layout;
        const char *error = nullptr;
        EXPECT_FALSE(MeasureTrees(cut.get(), len, s.sizes, &layout, &error)) << len;
    }
}

TEST(BigTrees, MissingByteTreeGivesZeroBytes)
{
    // The first big tree reuses a byte tree that was never written: its leaf
    // bytes read as 0 and consume no bits.
    BitWriter w;
    w.Bit(1);
    w.Bit(0);
    w.Bit(0);
    w.Bits(0xAAAA, 16);
    w.Bits(0xAAAA, 16);
    w.Bits(0xAAAA, 16);
    w.Bit(1);     // inner
    w.Bit(0);     // leaf
    w.Bit(0);     // leaf
    w.Bit(0);     // closing
    w.Bits(0, 3); // three absent trees
    const uint32_t sizes[4] = {12, 0, 0, 0};
    const char *error = nullptr;
    TablePtr t(NewTreeTable(w.Bytes().data(), w.Bytes().size(), sizes, &error));
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->tree[0].nodeCount, 3u);
    EXPECT_EQ(t->unusedCode, 1);
}

// ---- Big trees: decoding and the cache ----------------------------------------------

TEST(BigTrees, EscapeAtFrameStartYieldsResetCache)
{
    TreeSet s;
    s.trees[0] = CodeTree::Balanced({0x1234, 0x5678});
    s.escapes[0] = {0x5678, 0xEEEE, 0xEEEE};
    s.Write();
    TablePtr t = s.Build();
    ASSERT_TRUE(t);
    BitWriter w;
    s.trees[0]->EncodeValue(w, 0x5678);
    s.trees[0]->EncodeValue(w, 0x1234);
    s.trees[0]->EncodeValue(w, 0x5678);
    BitReader in(w.Bytes().data(), w.Bytes().size());
    ResetCaches(t.get());
    EXPECT_EQ(DecodeBig(t->tree[0], in), 0);
    EXPECT_EQ(DecodeBig(t->tree[0], in), 0x1234);
    EXPECT_EQ(DecodeBig(t->tree[0], in), 0x1234); // escape 0 now names the last value
    EXPECT_EQ(in.BitsConsumed(), 3u);
}

TEST(BigTrees, CacheRule)
{
    TreeSet s;
    s.trees[3] = CodeTree::Balanced({5, 7, 9, 0x100, 0x101, 0x102});
    s.escapes[3] = {0x100, 0x101, 0x102};
    s.Write();
    TablePtr t = s.Build();
    ASSERT_TRUE(t);
    BigTree &b = t->tree[3];
    auto decode = [&](uint16_t leaf) {
        BitWriter w;
        s.trees[3]->EncodeValue(w, leaf);
        BitReader in(w.Bytes().data(), w.Bytes().size());
        return DecodeBig(b, in);
    };
    EXPECT_EQ(decode(5), 5);
    EXPECT_EQ(decode(5), 5);
    EXPECT_EQ(decode(7), 7);
    EXPECT_EQ(Cache(b), (std::array<uint16_t, 3>{7, 5, 0}));
    EXPECT_EQ(decode(9), 9);     // (9, 7, 5)
    EXPECT_EQ(decode(0x100), 9); // escape 0: unchanged
    EXPECT_EQ(Cache(b), (std::array<uint16_t, 3>{9, 7, 5}));
    EXPECT_EQ(decode(0x101), 7); // escape 1: (7, 9, 7)
    EXPECT_EQ(Cache(b), (std::array<uint16_t, 3>{7, 9, 7}));
    EXPECT_EQ(decode(0x102), 7); // escape 2 gives 7 == Cache[0]: unchanged
    EXPECT_EQ(decode(0x101), 9);
    EXPECT_EQ(Cache(b), (std::array<uint16_t, 3>{9, 7, 9}));
    ResetCaches(t.get());
    EXPECT_EQ(Cache(b), (std::array<uint16_t, 3>{0, 0, 0}));
    EXPECT_EQ(decode(0x102), 0);
}

TEST(BigTrees, DuplicateEscapeLeavesLastIsTheSlot)
{
    // Leaves in pre-order: 0x42 (escape 0), 3, 0x42 (escape 0). Balanced over
    // {0x42, 3, 0x42}: the first 0x42 decodes as 0, the last one is the slot.
    TreeSet s;
    s.trees[1] = CodeTree::Balanced({0x42, 3, 0x42});
    s.escapes[1] = {0x42, 0x42, 0x42};
    s.Write();
    TablePtr t = s.Build();
    ASSERT_TRUE(t);
    std::vector<int> leaves = s.trees[1]->Leaves();
    ASSERT_EQ(leaves.size(), 3u);
    BitWriter w;
    s.trees[1]->Encode(w, leaves[1]); // 3
    s.trees[1]->Encode(w, leaves[0]); // first 0x42: plain 0
    s.trees[1]->Encode(w, leaves[2]); // last 0x42: Cache[0]
    BitReader in(w.Bytes().data(), w.Bytes().size());
    EXPECT_EQ(DecodeBig(t->tree[1], in), 3);
    EXPECT_EQ(DecodeBig(t->tree[1], in), 0);
    EXPECT_EQ(Cache(t->tree[1]), (std::array<uint16_t, 3>{0, 3, 0}));
    EXPECT_EQ(DecodeBig(t->tree[1], in), 0);
    // Escapes 1 and 2 (same value) have private, unreachable slots.
    EXPECT_NE(t->tree[1].slot[1], t->tree[1].slot[0]);
}

// A model of the decoder working on the code tree itself.
struct ModelTree {
    const CodeTree *tree;
    std::array<uint16_t, 3> escape;
    std::array<uint16_t, 3> cache{};
    std::array<int, 3> slot{-1, -1, -1};

    ModelTree(const CodeTree &t, std::array<uint16_t, 3> e) : tree(&t), escape(e)
    {
        for (int n : t.Leaves())
            for (int k = 0; k < 3; ++k)
                if (t.nodes[n].value == e[k]) {
                    slot[k] = n;
                    break;
                }
    }
    uint16_t Decode(int leaf)
    {
        uint16_t v = tree->nodes[leaf].value;
        for (int k = 0; k < 3; ++k)
            if (v == escape[k]) {
                v = leaf == slot[k] ? cache[k] : 0;
                break;
            }
        if (v != cache[0]) {
            cache[2] = cache[1];
            cache[1] = cache[0];
            cache[0] = v;
        }
        return v;
    }
};

TEST(BigTrees, CodedValuesDecodeAsTheModelSays)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 30; ++round) {
        TreeSet s;
        for (int i = 0; i < 4; ++i) {
            if (rng() % 5 == 0)
                continue;
            std::vector<uint16_t> values;
            size_t n = 1 + rng() % (round % 3 == 0 ? 3 : 400);
            for (size_t k = 0; k < n; ++k)
                values.push_back(static_cast<uint16_t>(rng() % (round % 2 ? 64 : 65535)));
            s.trees[i] = round % 4 == 1 ? CodeTree::Chain(values) : CodeTree::Random(values, rng);
            for (auto &e : s.escapes[i])
                e = rng() % 2 ? values[rng() % values.size()] : static_cast<uint16_t>(rng());
        }
        s.Write(&rng);
        const char *error = nullptr;
        TablePtr fast = s.Build(&error);
        ASSERT_TRUE(fast) << error;
        TablePtr ref = s.Build();
        for (int i = 0; i < 4; ++i) {
            if (!s.trees[i])
                continue;
            ModelTree model(*s.trees[i], s.escapes[i]);
            std::vector<int> leaves = s.trees[i]->Leaves();
            BitWriter w;
            std::vector<int> msg;
            for (int k = 0; k < 500; ++k) {
                msg.push_back(leaves[rng() % leaves.size()]);
                s.trees[i]->Encode(w, msg.back());
            }
            BitReader a(w.Bytes().data(), w.Bytes().size()), b = a;
            for (int leaf : msg) {
                uint16_t want = model.Decode(leaf);
                ASSERT_EQ(DecodeBig(fast->tree[i], a), want);
                ASSERT_EQ(DecodeBigReference(ref->tree[i], b), want);
                ASSERT_EQ(a.BitsConsumed(), b.BitsConsumed());
            }
            EXPECT_EQ(a.BitsConsumed(), w.BitCount());
        }
    }
}

TEST(BigTrees, TableWalkMatchesPlainWalkOnRandomStreams)
{
    std::mt19937 rng(9);
    for (int round = 0; round < zorb_test::Rounds(60, 20); ++round) {
        TreeSet s;
        for (int i = 0; i < 4; ++i) {
            if (rng() % 6 == 0)
                continue;
            std::vector<uint16_t> values;
            size_t n = 1 + rng() % (round % 5 == 0 ? 2 : 3000);
            for (size_t k = 0; k < n; ++k)
                values.push_back(static_cast<uint16_t>(rng()));
            s.trees[i] = round % 3 == 0 ? CodeTree::Chain(values) : CodeTree::Random(values, rng);
            for (auto &e : s.escapes[i])
                e = values[rng() % values.size()];
        }
        s.Write(&rng);
        TablePtr fast = s.Build(), ref = s.Build(), wide = s.Build();
        ASSERT_TRUE(fast && ref && wide);
        std::vector<uint8_t> stream(1 + rng() % 4000);
        for (auto &c : stream)
            c = static_cast<uint8_t>(rng());
        BitReader a(stream.data(), stream.size()), b = a;
        WideReader c(stream.data(), stream.size());
        // Decode until well past the end: the zero fill must agree as well.
        while (b.BitsConsumed() < stream.size() * 8 + 64) {
            if (rng() % 200 == 0) {
                ResetCaches(fast.get());
                ResetCaches(ref.get());
                ResetCaches(wide.get());
            }
            unsigned i = rng() % 4;
            const uint16_t v = DecodeBigReference(ref->tree[i], b);
            ASSERT_EQ(DecodeBig(fast->tree[i], a), v);
            ASSERT_EQ(DecodeBig(wide->tree[i], c), v);
            ASSERT_EQ(a.BitsConsumed(), b.BitsConsumed());
            ASSERT_EQ(c.BitsConsumed(), b.BitsConsumed());
            if (!s.trees[i] || s.trees[i]->nodes.size() == 1)
                b.ReadBit(), a.ReadBit(), c.ReadBit(); // keep moving over zero-bit decodes
        }
    }
}
