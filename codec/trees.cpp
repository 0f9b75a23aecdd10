// Reading and building the Huffman trees of a .zbx file (see trees.h).
#include "codec/trees.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace zorb {

namespace {

// A big tree never needs more nodes than this (65536 distinct leaves make
// 131071 nodes); it also keeps node indices within a lookup table entry.
constexpr uint32_t kMaxBigTreeNodes = 1u << 22;

// A byte tree that always yields 0 and consumes no bits: stands in for a
// low- or high-byte tree that the stream never supplied.
constexpr ByteNode kZeroByteTree[1] = {{0, 0}};

// A byte tree with a lookup table over the next 8 bits, for the leaf bytes of
// the big trees (two byte decodes per leaf, tens of thousands of leaves in a
// photograph's pixel-pair tree). An entry holds a leaf reached within 8 bits
// (kByteLeaf, its value in bits 0-7, the bits it used in bits 8-11) or the
// inner node reached after 8 bits, from which the walk goes on bit by bit.
// Same value and same bits consumed as DecodeByte.
class ByteLookup {
public:
    void Build(const ByteNode *nodes)
    {
        nodes_ = nodes;
        for (unsigned i = 0; i < 256; ++i) {
            unsigned n = 0, used = 0;
            while (nodes[n].one && used < 8)
                n = (i >> used++ & 1) ? nodes[n].one : n + 1;
            entry_[i] = static_cast<uint16_t>(nodes[n].one ? n : kByteLeaf | used << 8 | nodes[n].value);
        }
    }
    uint8_t Decode(BitReader &in) const
    {
        in.Fill(8);
        const uint32_t e = entry_[in.Peek(8)];
        if (e & kByteLeaf) {
            in.Skip(e >> 8 & 15);
            return static_cast<uint8_t>(e);
        }
        in.Skip(8);
        unsigned n = e;
        while (nodes_[n].one)
            n = in.ReadBit() ? nodes_[n].one : n + 1;
        return static_cast<uint8_t>(nodes_[n].value);
    }

private:
    static constexpr uint32_t kByteLeaf = 0x8000;
    const ByteNode *nodes_ = nullptr;
    uint16_t entry_[256] = {};
};

// Reads the big-tree stream. With table null it only checks and counts nodes
// (counts[] receives each tree's node memory need, tableBits[] the width of
// its lookup table: its longest code, at most kMaxTableBits); otherwise it
// places nodes into the trees of table, whose node arrays must hold counts[]
// nodes.
bool ParseTrees(const uint8_t *data, size_t size, const uint32_t limit[ZBX_TREE_COUNT], uint32_t counts[ZBX_TREE_COUNT],
                unsigned tableBits[ZBX_TREE_COUNT], TreeTable *table, std::string &error)
{
    std::vector<uint8_t> branchDepth; // depths of the 1-branches still to come, capped at kMaxTableBits
    BitReader in(data, size);
    ByteNode low[kByteTreeMaxNodes], high[kByteTreeMaxNodes];
    ByteLookup lowTree, highTree;
    lowTree.Build(kZeroByteTree);
    highTree.Build(kZeroByteTree);

    for (unsigned i = 0; i < ZBX_TREE_COUNT; ++i) {
        BigTree *t = table ? &table->tree[i] : nullptr;
        if (!in.ReadBit()) { // absent
            counts[i] = 1;   // the stand-in leaf
            tableBits[i] = 0;
            if (t) {
                t->present = 0;
                t->nodes[0] = TreeNode{0, 0, 0};
                t->nodeCount = 1;
                t->escape[0] = t->escape[1] = t->escape[2] = 0;
                t->slot[0] = t->slot[1] = t->slot[2] = &t->privateSlot[0];
            }
            if (in.Overrun()) {
                error = "tree data cut short";
                return false;
            }
            continue;
        }
        if (in.ReadBit()) {
            if (!ReadByteTree(in, low)) {
                error = in.Overrun() ? "tree data cut short" : "byte tree over 512 nodes";
                return false;
            }
            lowTree.Build(low);
        }
        if (in.ReadBit()) {
            if (!ReadByteTree(in, high)) {
                error = in.Overrun() ? "tree data cut short" : "byte tree over 512 nodes";
                return false;
            }
            highTree.Build(high);
        }
        uint16_t escape[3];
        for (uint16_t &e : escape)
            e = static_cast<uint16_t>(in.ReadBits(16));

        const uint32_t cap = limit[i];
        TreeNode *nodes = t ? t->nodes : nullptr;
        uint32_t count = 0;
        uint64_t pending = 1; // count mode: nodes still to read
        int64_t top = -1;     // build mode: innermost inner node whose 1-branch has not begun
        int64_t lastMatch[3] = {-1, -1, -1};
        unsigned depth = 0, longest = 0;
        branchDepth.clear();
        while (pending) {
            if (count >= cap) {
                error = "big tree larger than its node memory";
                return false;
            }
            if (in.Overrun()) {
                error = "tree data cut short";
                return false;
            }
            uint32_t idx = count++;
            if (in.ReadBit()) {
                ++pending;
                depth = std::min(depth + 1, kMaxTableBits);
                branchDepth.push_back(static_cast<uint8_t>(depth));
                if (nodes) {
                    // Pending inner nodes form a stack linked through `one`.
                    nodes[idx] = TreeNode{static_cast<uint32_t>(top + 1), 0, 0};
                    top = idx;
                }
                continue;
            }
            --pending;
            longest = std::max(longest, depth);
            if (!branchDepth.empty()) {
                depth = branchDepth.back();
                branchDepth.pop_back();
            }
            uint16_t v = lowTree.Decode(in);
            v = static_cast<uint16_t>(v | highTree.Decode(in) << 8);
            if (nodes) {
                for (int k = 0; k < 3; ++k) {
                    if (v == escape[k]) {
                        lastMatch[k] = idx; // the last match becomes the slot; earlier ones decode as 0
                        v = 0;
                        break;
                    }
                }
                nodes[idx] = TreeNode{0, v, 0};
                if (top >= 0) {
                    uint32_t parent = static_cast<uint32_t>(top);
                    top = static_cast<int64_t>(nodes[parent].one) - 1;
                    nodes[parent].one = count;
                }
            }
        }
        in.ReadBit(); // closing bit
        if (in.Overrun()) {
            error = "tree data cut short";
            return false;
        }
        counts[i] = count;
        tableBits[i] = longest;
        if (t) {
            t->present = 1;
            t->nodeCount = count;
            std::memcpy(t->escape, escape, sizeof escape);
            for (int k = 0; k < 3; ++k)
                t->slot[k] = lastMatch[k] >= 0 ? &nodes[lastMatch[k]].value : &t->privateSlot[k];
        }
    }
    return true;
}

// Fills a tree's lookup table from its nodes.
class LookupBuilder {
public:
    explicit LookupBuilder(BigTree &t) : t_(t) {}

    void Build() { Fill(0, 0, 0); }

private:
    // The entry of leaf n, reached with `bits` bits.
    uint32_t LeafEntry(uint32_t n, unsigned bits) const
    {
        for (uint32_t k = 0; k < 3; ++k)
            if (&t_.nodes[n].value == t_.slot[k])
                return bits | kSlotEntry | k << 8;
        return bits | uint32_t{t_.nodes[n].value} << 16;
    }

    // Fills the entries whose low `depth` bits are `prefix`, walking from node n.
    void Fill(uint32_t n, unsigned depth, uint32_t prefix)
    {
        const unsigned bits = t_.tableBits;
        if (t_.nodes[n].one && depth < bits) {
            Fill(n + 1, depth + 1, prefix);
            Fill(t_.nodes[n].one, depth + 1, prefix | 1u << depth);
            return;
        }
        const uint32_t e = t_.nodes[n].one ? depth | kWalkEntry | n << 8 : LeafEntry(n, depth);
        for (uint32_t i = prefix; i < (1u << bits); i += 1u << depth) {
            t_.table[i] = e;
            t_.lengths[i] = static_cast<uint8_t>(depth);
        }
    }

    BigTree &t_;
};

} // namespace

unsigned ReadByteTree(BitReader &in, ByteNode *nodes)
{
    unsigned count = 0;
    int top = -1; // innermost inner node whose 1-branch has not begun; the stack is linked through `one`
    for (;;) {
        if (count >= kByteTreeMaxNodes || in.Overrun())
            return 0;
        unsigned idx = count++;
        if (in.ReadBit()) {
            nodes[idx] = ByteNode{static_cast<uint16_t>(top + 1), 0};
            top = static_cast<int>(idx);
            continue;
        }
        nodes[idx] = ByteNode{0, static_cast<uint16_t>(in.ReadBits(8))};
        if (top < 0)
            break;
        unsigned parent = static_cast<unsigned>(top);
        top = nodes[parent].one - 1;
        nodes[parent].one = static_cast<uint16_t>(count);
    }
    in.ReadBit(); // closing bit
    return in.Overrun() ? 0 : count;
}

bool MeasureTrees(const uint8_t *data, size_t size, const uint32_t nodeBytes[ZBX_TREE_COUNT], TreeLayout *layout,
                  std::string &error)
{
    uint32_t limit[ZBX_TREE_COUNT];
    for (unsigned i = 0; i < ZBX_TREE_COUNT; ++i)
        limit[i] = nodeBytes[i] / 4 < kMaxBigTreeNodes ? nodeBytes[i] / 4 : kMaxBigTreeNodes;
    if (!ParseTrees(data, size, limit, layout->nodes, layout->tableBits, nullptr, error))
        return false;
    size_t bytes = ZbxAlign16(sizeof(TreeTable));
    for (unsigned i = 0; i < ZBX_TREE_COUNT; ++i)
        bytes += ZbxAlign16((size_t{1} << layout->tableBits[i]) * sizeof(uint32_t)) +
                 ZbxAlign16(size_t{1} << layout->tableBits[i]);
    for (unsigned i = 0; i < ZBX_TREE_COUNT; ++i)
        bytes += ZbxAlign16(size_t{layout->nodes[i]} * sizeof(TreeNode));
    layout->bytes = bytes;
    return true;
}

TreeTable *BuildTrees(void *block, const TreeLayout &layout, const uint8_t *data, size_t size, std::string &error)
{
    std::memset(block, 0, layout.bytes);
    auto *base = static_cast<uint8_t *>(block);
    auto *t = new (base) TreeTable{};
    size_t off = ZbxAlign16(sizeof(TreeTable));
    for (unsigned i = 0; i < ZBX_TREE_COUNT; ++i) {
        t->tree[i].tableBits = layout.tableBits[i];
        t->tree[i].table = reinterpret_cast<uint32_t *>(base + off);
        off += ZbxAlign16((size_t{1} << layout.tableBits[i]) * sizeof(uint32_t));
        t->tree[i].lengths = base + off;
        off += ZbxAlign16(size_t{1} << layout.tableBits[i]);
    }
    for (unsigned i = 0; i < ZBX_TREE_COUNT; ++i) {
        t->tree[i].nodes = reinterpret_cast<TreeNode *>(base + off);
        off += ZbxAlign16(size_t{layout.nodes[i]} * sizeof(TreeNode));
    }
    uint32_t counts[ZBX_TREE_COUNT];
    unsigned bits[ZBX_TREE_COUNT];
    if (!ParseTrees(data, size, layout.nodes, counts, bits, t, error))
        return nullptr;

    // UnusedCode: the smallest value that no leaf of a present tree carries.
    static_assert(sizeof(uint64_t) * 8 * 1024 == 65536);
    uint64_t used[1024] = {};
    for (const BigTree &b : t->tree) {
        if (!b.present)
            continue;
        for (uint32_t n = 0; n < b.nodeCount; ++n)
            if (!b.nodes[n].one)
                used[b.nodes[n].value >> 6] |= uint64_t{1} << (b.nodes[n].value & 63);
    }
    uint32_t code = 0;
    while (code < 65536 && (used[code >> 6] >> (code & 63) & 1))
        ++code;
    if (code == 65536) {
        error = "the trees use every 16-bit value";
        return nullptr;
    }
    t->unusedCode = static_cast<uint16_t>(code);
    for (BigTree &b : t->tree) {
        for (uint32_t n = 0; n < b.nodeCount; ++n)
            if (b.nodes[n].one)
                b.nodes[n].value = t->unusedCode;
        BuildLookup(b);
    }
    ResetCaches(t);
    return t;
}

void BuildLookup(BigTree &t)
{
    LookupBuilder(t).Build();
}

void ResetCaches(TreeTable *t)
{
    for (BigTree &b : t->tree)
        for (uint16_t *s : b.slot)
            *s = b.resetValue;
}

TreeTable *NewTreeTable(const uint8_t *data, size_t size, const uint32_t nodeBytes[ZBX_TREE_COUNT], std::string &error,
                        size_t *bytes)
{
    TreeLayout layout;
    if (!MeasureTrees(data, size, nodeBytes, &layout, error))
        return nullptr;
    void *block = std::aligned_alloc(ZBX_ALIGNMENT, ZbxAlign16(layout.bytes));
    if (!block) {
        error = "out of memory";
        return nullptr;
    }
    TreeTable *t = BuildTrees(block, layout, data, size, error);
    if (!t) {
        std::free(block);
        return nullptr;
    }
    if (bytes)
        *bytes = layout.bytes;
    return t;
}

void FreeTreeTable(TreeTable *t)
{
    std::free(t);
}

} // namespace zorb
