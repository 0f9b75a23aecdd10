#include "tests/support/treestream.h"

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>

namespace zbxtest {

namespace {

int BuildBalanced(CodeTree &t, const std::vector<uint16_t> &v, size_t lo, size_t hi)
{
    int n = static_cast<int>(t.nodes.size());
    t.nodes.emplace_back();
    if (hi - lo == 1) {
        t.nodes[n].value = v[lo];
        return n;
    }
    size_t mid = lo + (hi - lo) / 2;
    int z = BuildBalanced(t, v, lo, mid);
    int o = BuildBalanced(t, v, mid, hi);
    t.nodes[n].zero = z;
    t.nodes[n].one = o;
    return n;
}

int BuildRandom(CodeTree &t, const std::vector<uint16_t> &v, size_t lo, size_t hi, std::mt19937 &rng)
{
    int n = static_cast<int>(t.nodes.size());
    t.nodes.emplace_back();
    if (hi - lo == 1) {
        t.nodes[n].value = v[lo];
        return n;
    }
    size_t mid = lo + 1 + rng() % (hi - lo - 1);
    int z = BuildRandom(t, v, lo, mid, rng);
    int o = BuildRandom(t, v, mid, hi, rng);
    t.nodes[n].zero = z;
    t.nodes[n].one = o;
    return n;
}

} // namespace

CodeTree CodeTree::Balanced(const std::vector<uint16_t> &values)
{
    if (values.empty())
        throw std::invalid_argument("empty tree");
    CodeTree t;
    BuildBalanced(t, values, 0, values.size());
    return t;
}

CodeTree CodeTree::Random(const std::vector<uint16_t> &values, std::mt19937 &rng)
{
    if (values.empty())
        throw std::invalid_argument("empty tree");
    CodeTree t;
    BuildRandom(t, values, 0, values.size(), rng);
    return t;
}

CodeTree CodeTree::Chain(const std::vector<uint16_t> &values)
{
    if (values.empty())
        throw std::invalid_argument("empty tree");
    // Pre-order: inner, leaf, inner, leaf, ..., leaf, leaf.
    CodeTree t;
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        int inner = static_cast<int>(t.nodes.size());
        t.nodes.emplace_back();
        t.nodes.emplace_back();
        t.nodes[inner + 1].value = values[i];
        t.nodes[inner].zero = inner + 1;
        t.nodes[inner].one = inner + 2;
    }
    t.nodes.emplace_back();
    t.nodes.back().value = values.back();
    return t;
}

int CodeTree::FindLeaf(uint16_t value) const
{
    for (int n : Leaves())
        if (nodes[n].value == value)
            return n;
    return -1;
}

std::vector<int> CodeTree::Leaves() const
{
    std::vector<int> out, stack{0};
    while (!stack.empty()) {
        int n = stack.back();
        stack.pop_back();
        if (IsLeaf(n)) {
            out.push_back(n);
        } else {
            stack.push_back(nodes[n].one);
            stack.push_back(nodes[n].zero);
        }
    }
    return out;
}

void CodeTree::Encode(BitWriter &w, int target) const
{
    // Find the path by a search from the root (trees in tests are small).
    std::vector<int> parent(nodes.size(), -1);
    std::vector<int> stack{0};
    while (!stack.empty()) {
        int n = stack.back();
        stack.pop_back();
        if (!IsLeaf(n)) {
            parent[nodes[n].zero] = n;
            parent[nodes[n].one] = n;
            stack.push_back(nodes[n].zero);
            stack.push_back(nodes[n].one);
        }
    }
    std::vector<unsigned> path;
    for (int n = target; n != 0; n = parent[n])
        path.push_back(nodes[parent[n]].one == n ? 1 : 0);
    for (auto it = path.rbegin(); it != path.rend(); ++it)
        w.Bit(*it);
}

void CodeTree::EncodeValue(BitWriter &w, uint16_t value) const
{
    int n = FindLeaf(value);
    if (n < 0)
        throw std::invalid_argument("value is no leaf of the tree");
    Encode(w, n);
}

namespace {

void WritePreOrder(BitWriter &w, const CodeTree &t, int n, const std::function<void(uint16_t)> &leaf)
{
    std::vector<int> stack{n};
    while (!stack.empty()) {
        int c = stack.back();
        stack.pop_back();
        if (t.IsLeaf(c)) {
            w.Bit(0);
            leaf(t.nodes[c].value);
        } else {
            w.Bit(1);
            stack.push_back(t.nodes[c].one);
            stack.push_back(t.nodes[c].zero);
        }
    }
    w.Bit(0);
}

CodeTree ByteTreeOver(const std::set<uint16_t> &bytes, std::mt19937 *rng)
{
    std::vector<uint16_t> v(bytes.begin(), bytes.end());
    return rng ? CodeTree::Random(v, *rng) : CodeTree::Balanced(v);
}

} // namespace

void WriteByteTree(BitWriter &w, const CodeTree &t)
{
    WritePreOrder(w, t, 0, [&](uint16_t v) { w.Bits(v & 0xFF, 8); });
}

void BigTreeWriter::Absent()
{
    w_.Bit(0);
}

void BigTreeWriter::Present(const CodeTree &tree, std::array<uint16_t, 3> escape, bool newLow, bool newHigh,
                            std::mt19937 *rng)
{
    std::set<uint16_t> lows, highs;
    for (int n : tree.Leaves()) {
        lows.insert(tree.nodes[n].value & 0xFF);
        highs.insert(tree.nodes[n].value >> 8);
    }
    w_.Bit(1);
    w_.Bit(newLow);
    if (newLow) {
        low_ = ByteTreeOver(lows, rng);
        WriteByteTree(w_, low_);
    }
    w_.Bit(newHigh);
    if (newHigh) {
        high_ = ByteTreeOver(highs, rng);
        WriteByteTree(w_, high_);
    }
    for (uint16_t e : escape)
        w_.Bits(e, 16);
    // A role that never had a byte tree decodes as 0 without bits.
    auto encodeByte = [&](const CodeTree &t, uint16_t b) {
        if (!t.nodes.empty())
            t.EncodeValue(w_, b);
        else if (b != 0)
            throw std::invalid_argument("no byte tree for a non-zero leaf byte");
    };
    WritePreOrder(w_, tree, 0, [&](uint16_t v) {
        encodeByte(low_, v & 0xFF);
        encodeByte(high_, static_cast<uint16_t>(v >> 8));
    });
}

} // namespace zbxtest
