// Huffman trees of a .zbx file: byte trees (8-bit leaves, sound deltas and the
// leaf bytes of the big trees) and the four big trees (16-bit leaves, three
// escape codes and a three-value cache) that code the video.
//
// Usage:
//   TreeLayout layout;                          // 1. size the table
//   MeasureTrees(data, size, nodeBytes, &layout, error);
//   void *block = <16-byte aligned, layout.bytes>;
//   TreeTable *t = BuildTrees(block, layout, data, size, error);    // 2. build
//   ...per frame: ResetCaches(t); then DecodeBig(t->tree[ZBX_TREE_BLOCK_TYPE], reader)...
//   (the table lives inside block; free block when done, no destructor needed)
//
// Node layout: nodes of a tree are stored in pre-order, so the 0-branch of an
// inner node is the next node; `one` holds the index of its 1-branch and is 0
// for a leaf (index 0 is the root, never a child). Inner nodes also carry
// UnusedCode in `value`, but leaves are told apart by `one`, never by the
// value: colour remapping rewrites leaf values and cache reset values, which
// may then collide with UnusedCode.
#ifndef ZORB_CODEC_TREES_H
#define ZORB_CODEC_TREES_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/bitreader.h"
#include "codec/format.h"

namespace zorb {

// ---- Byte trees --------------------------------------------------------------

constexpr unsigned kByteTreeMaxNodes = 512; // 256 leaves + 255 inner nodes, 2048 bytes

struct ByteNode {
    uint16_t one;   // index of the 1-branch; 0 = leaf
    uint16_t value; // leaf value (0-255)
};

// Reads a byte tree (pre-order: 1 = inner node, 0 = leaf + 8-bit value, then a
// closing 0 bit) into nodes[0..kByteTreeMaxNodes). Returns the node count, or
// 0 when the tree needs more than kByteTreeMaxNodes nodes or the stream ran out.
unsigned ReadByteTree(BitReader &in, ByteNode *nodes);

// Decodes one byte: walks from the root bit by bit. A single-leaf tree
// consumes no bits.
inline uint8_t DecodeByte(const ByteNode *nodes, BitReader &in)
{
    unsigned n = 0;
    while (nodes[n].one)
        n = in.ReadBit() ? nodes[n].one : n + 1;
    return static_cast<uint8_t>(nodes[n].value);
}

// ---- Big trees ------------------------------------------------------------------

struct TreeNode {
    uint32_t one;   // index of the 1-branch; 0 = leaf
    uint16_t value; // leaf: its value (a cache slot leaf: the cache value); inner: UnusedCode
    uint16_t spare;
};

// Lookup table. A decode takes one step: the table is indexed by the next
// tableBits bits (tableBits = the tree's longest code, at most 16) and each
// entry gives the bits the code used (bits 0-4) and what was found: a leaf's
// value (bits 16-31), a cache slot (kSlotEntry, slot in bits 8-9), or, for
// codes longer than 16 bits, the inner node reached after 16 bits, from which
// the walk goes on bit by bit (kWalkEntry, node index in bits 8-31).
constexpr uint32_t kEntryBitsMask = 31;
constexpr uint32_t kSlotEntry = 1u << 5;
constexpr uint32_t kWalkEntry = 1u << 6;
constexpr unsigned kMaxTableBits = 16;

struct BigTree {
    TreeNode *nodes; // nodeCount nodes, root at 0 (an absent tree: one leaf of value 0)
    uint32_t nodeCount;
    uint32_t present;    // 1 when the stream held this tree
    uint16_t escape[3];  // Escape[0..2] as read
    uint16_t resetValue; // what ResetCaches stores in the cache (0; colour remapping may change it)
    uint16_t *slot[3];   // Cache[k]: the value field of the cache slot leaf, or a private slot
    uint16_t privateSlot[3];
    uint16_t spare;
    uint32_t *table;    // lookup table: 1 << tableBits entries
    uint8_t *lengths;   // the bits of each table entry alone (entry & kEntryBitsMask), for the fast loops
    unsigned tableBits; // the longest code, at most kMaxTableBits
};

struct TreeTable {
    BigTree tree[ZBX_TREE_COUNT];
    uint16_t unusedCode; // smallest value that is no leaf of any tree (escape leaves count as 0)
};

// Node memory needed by each tree, the width of its lookup table and the
// total byte size of the table block.
struct TreeLayout {
    uint32_t nodes[ZBX_TREE_COUNT];
    unsigned tableBits[ZBX_TREE_COUNT];
    size_t bytes;
};

// First pass over the tree data: checks the stream (byte trees within 512
// nodes, each big tree within the node memory its size field grants, at 4
// bytes per node; the stream not cut short) and computes the block size.
// On failure returns false and sets error to a short description.
bool MeasureTrees(const uint8_t *data, size_t size, const uint32_t nodeBytes[ZBX_TREE_COUNT], TreeLayout *layout,
                  std::string &error);

// Builds the four trees into block (16-byte aligned, layout.bytes long) from
// the same data that MeasureTrees accepted: nodes, escapes, cache slots,
// UnusedCode and the lookup tables. Caches start at 0. Returns the table
// (at the start of block), or null with error set (no UnusedCode left).
TreeTable *BuildTrees(void *block, const TreeLayout &layout, const uint8_t *data, size_t size, std::string &error);

// Sets Cache[0..2] of all four trees to their reset value (0 unless remapped).
void ResetCaches(TreeTable *t);

// Applies the cache rule to a value decoded from a leaf.
inline uint16_t UpdateCache(BigTree &t, uint16_t v)
{
    if (v != *t.slot[0]) {
        *t.slot[2] = *t.slot[1];
        *t.slot[1] = *t.slot[0];
        *t.slot[0] = v;
    }
    return v;
}

// Rebuilds a tree's lookup table from its nodes (after the leaf values
// changed, as colour remapping does).
void BuildLookup(BigTree &t);

// Decodes one 16-bit value with one table step, then bit by bit only for
// codes longer than 16 bits. Identical in value and bit consumption to
// DecodeBigReference. Reader: BitReader or any reader with the same calls.
template <class Reader>
inline uint16_t DecodeBig(BigTree &t, Reader &in)
{
    in.Fill(kMaxTableBits);
    const uint32_t e = t.table[in.Peek(t.tableBits)];
    in.Skip(e & kEntryBitsMask);
    uint16_t v;
    if (e & (kSlotEntry | kWalkEntry)) [[unlikely]] {
        if (e & kSlotEntry) {
            v = *t.slot[(e >> 8) & 3];
        } else {
            uint32_t n = e >> 8;
            while (t.nodes[n].one)
                n = in.ReadBit() ? t.nodes[n].one : n + 1;
            v = t.nodes[n].value;
        }
    } else {
        v = static_cast<uint16_t>(e >> 16);
    }
    return UpdateCache(t, v);
}

// The plain walk: one bit per step from the root.
inline uint16_t DecodeBigReference(BigTree &t, BitReader &in)
{
    uint32_t n = 0;
    while (t.nodes[n].one)
        n = in.ReadBit() ? t.nodes[n].one : n + 1;
    return UpdateCache(t, t.nodes[n].value);
}

// Convenience owner for tests and tools: measures, allocates (16-byte
// aligned) and builds. Returns null with error set on failure; free with
// FreeTreeTable. *bytes (optional) receives the block size.
TreeTable *NewTreeTable(const uint8_t *data, size_t size, const uint32_t nodeBytes[ZBX_TREE_COUNT], std::string &error,
                        size_t *bytes = nullptr);
void FreeTreeTable(TreeTable *t);

} // namespace zorb

#endif
