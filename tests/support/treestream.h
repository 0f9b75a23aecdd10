// Test-side writer of Huffman tree streams (byte trees and the four big trees
// of a .zbx file) and of values coded with them.
#ifndef ZORB_TESTS_SUPPORT_TREESTREAM_H
#define ZORB_TESTS_SUPPORT_TREESTREAM_H

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/support/bitwriter.h"

namespace zbxtest {

// A code tree: nodes[0] is the root; a node with zero < 0 is a leaf.
struct CodeTree {
    struct Node {
        int zero = -1, one = -1;
        uint16_t value = 0;
    };
    std::vector<Node> nodes;

    // A tree of balanced shape over the values (in order; duplicates allowed).
    static CodeTree Balanced(const std::vector<uint16_t> &values);
    // A tree of random shape over the values (may be deep and lopsided).
    static CodeTree Random(const std::vector<uint16_t> &values, std::mt19937 &rng);
    // A lopsided tree whose depth is values.size() - 1.
    static CodeTree Chain(const std::vector<uint16_t> &values);

    bool IsLeaf(int n) const { return nodes[n].zero < 0; }
    // Index of the first leaf (pre-order) carrying value, or -1.
    int FindLeaf(uint16_t value) const;
    // Leaf indices in pre-order.
    std::vector<int> Leaves() const;
    // Writes the path from the root to node n (bits in the order the decoder reads them).
    void Encode(BitWriter &w, int n) const;
    // Encodes the first leaf carrying value (the value must be a leaf).
    void EncodeValue(BitWriter &w, uint16_t value) const;
    // Node memory the decoder needs for this tree: 4 bytes per node.
    uint32_t NodeBytes() const { return static_cast<uint32_t>(nodes.size() * 4); }
};

// Writes a byte tree in the stream form (pre-order, 8-bit leaves, closing 0 bit).
void WriteByteTree(BitWriter &w, const CodeTree &t);

// Writes the four big trees one after another, keeping track of the byte
// trees in force for the leaf bytes.
class BigTreeWriter {
public:
    // An absent tree: one 0 bit.
    void Absent();
    // A present tree. With newLow / newHigh a byte tree over the low / high
    // bytes of the leaves is written first (balanced, or of random shape when
    // rng is given); otherwise the byte tree of the previous big tree is reused
    // and must hold every needed byte.
    void Present(const CodeTree &tree, std::array<uint16_t, 3> escape, bool newLow = true, bool newHigh = true,
                 std::mt19937 *rng = nullptr);
    BitWriter &Writer() { return w_; }
    const std::vector<uint8_t> &Bytes() const { return w_.Bytes(); }

private:
    BitWriter w_;
    CodeTree low_, high_;
};

} // namespace zbxtest

#endif
