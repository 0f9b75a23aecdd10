// The tuned tree writer: the four big trees built from the choices the frames
// really make. Each occurrence of a value that sits in its tree's three-value
// cache is coded by whichever is shorter, its own leaf or the escape of the
// cache slot; the trees are rebuilt from those choices until the total stops
// falling. Values that are always reached through an escape get no leaf.
// Escape values are free values of the tree, and only escapes that are used
// get a code.
#include <algorithm>
#include <numeric>

#include "encoder/encoder_internal.h"
#include "encoder/writer_internal.h"

namespace zenc {

namespace {

constexpr uint32_t kMaxCodeLength = 30;
constexpr uint32_t kEscapeBase = 65536; // symbols 65536..65538 are the escapes

// Code lengths of at most kMaxCodeLength bits: counts are flattened until the
// Huffman code fits.
std::vector<uint8_t> LimitedLengths(std::vector<uint32_t> counts)
{
    for (;;) {
        std::vector<uint8_t> lengths = HuffmanLengths(counts);
        if (*std::max_element(lengths.begin(), lengths.end()) <= kMaxCodeLength)
            return lengths;
        for (uint32_t &c : counts)
            if (c)
                c = std::max<uint32_t>(1, c >> 1);
    }
}

// Canonical codes from lengths: symbols ordered by (length, symbol). The code
// of a symbol is stored reversed, so that its first branch is bit 0.
struct Prefix {
    std::vector<uint32_t> order; // symbols with a code, in code order
    std::vector<uint32_t> code;  // per symbol, MSB-first (first branch = top bit)
    const std::vector<uint8_t> *length = nullptr;

    void Assign(const std::vector<uint8_t> &lengths)
    {
        length = &lengths;
        order.clear();
        code.assign(lengths.size(), 0);
        for (uint32_t s = 0; s < lengths.size(); ++s)
            if (lengths[s])
                order.push_back(s);
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return lengths[a] < lengths[b]; });
        uint32_t c = 0, last = 0;
        for (uint32_t s : order) {
            c <<= (lengths[s] - last);
            last = lengths[s];
            code[s] = c++;
        }
    }
    uint32_t Reversed(uint32_t s) const
    {
        uint32_t r = 0, c = code[s];
        for (uint32_t i = 0; i < (*length)[s]; ++i, c >>= 1)
            r = (r << 1) | (c & 1);
        return r;
    }
    // Pre-order: bit 1 for an inner node followed by its 0 and 1 branches,
    // bit 0 and the leaf for a leaf.
    template <class Leaf>
    void Write(VEXFILE *f, size_t lo, size_t hi, uint32_t depth, Leaf &&leaf) const
    {
        if (hi - lo == 1 && (*length)[order[lo]] == depth) {
            VEXFilePutBits(f, 0, 1);
            leaf(order[lo]);
            return;
        }
        VEXFilePutBits(f, 1, 1);
        size_t mid = lo;
        while (mid < hi && !((code[order[mid]] >> ((*length)[order[mid]] - 1 - depth)) & 1))
            ++mid;
        Write(f, lo, mid, depth + 1, leaf);
        Write(f, mid, hi, depth + 1, leaf);
    }
};

// A byte tree over the bytes that the leaves use (each leaf counts once).
struct ByteTree {
    std::vector<uint8_t> lengths;
    Prefix prefix;
    bool any = false;

    void Build(const std::vector<uint32_t> &counts)
    {
        any = std::any_of(counts.begin(), counts.end(), [](uint32_t c) { return c != 0; });
        lengths = LimitedLengths(counts);
        uint32_t used = 0;
        for (uint32_t c : counts)
            used += c != 0;
        if (used == 1)
            std::fill(lengths.begin(), lengths.end(), 0); // a single leaf takes no bits
        prefix.Assign(lengths);
        if (used == 1)
            for (uint32_t s = 0; s < 256; ++s)
                if (counts[s])
                    prefix.order.assign(1, s);
    }
    void WriteTree(VEXFILE *f) const
    {
        VEXFilePutBits(f, 1, 1); // the tree follows
        prefix.Write(f, 0, prefix.order.size(), 0, [f](uint32_t s) { VEXFilePut8(f, s); });
        VEXFilePutBits(f, 0, 1);
    }
    void Put(VEXFILE *f, uint8_t v) const
    {
        if (lengths[v])
            VEXFilePutBits(f, prefix.Reversed(v), lengths[v]);
    }
};

// Cost of coding value v (cache matches in match[0..2]) under a code; the
// chosen option is returned in choice (0-2 escape, 3 literal).
uint32_t BestOption(const TreeCode &c, uint32_t v, const bool match[3], int &choice)
{
    uint32_t best = c.length[v] ? c.length[v] : (c.present ? c.longest + 2u : 16u);
    choice = 3;
    for (int i = 0; i < 3; ++i) {
        if (match[i] && c.escapeUsed[i] && c.escapeLength[i] < best) {
            best = c.escapeLength[i];
            choice = i;
        }
    }
    return best;
}

} // namespace

void CountChoices(const CodedSymbols &frames, const TreeCode *codes, const bool onlyEscape0[ZBX_TREE_COUNT],
                  TreeCounts counts[ZBX_TREE_COUNT])
{
    for (int t = 0; t < ZBX_TREE_COUNT; ++t) {
        counts[t].literal.assign(65536, 0);
        std::fill(std::begin(counts[t].escape), std::end(counts[t].escape), 0);
    }
    std::vector<uint32_t> scratch;
    for (size_t f = 0; f < frames.frames.size(); ++f) {
        const std::vector<uint32_t> *list = frames.Get(f, scratch);
        if (!list)
            continue;
        LastThree lasts[ZBX_TREE_COUNT];
        for (uint32_t s : *list) {
            const uint32_t t = SymbolTree(s), v = SymbolValue(s);
            const uint32_t *l = lasts[t].value;
            bool match[3] = {l[0] == v, l[1] == v, l[2] == v};
            int choice = 3;
            if (codes) {
                BestOption(codes[t], v, match, choice);
            } else {
                for (int i = 0; i < 3 && choice == 3; ++i)
                    if (match[i] && (i == 0 || !onlyEscape0[t]))
                        choice = i; // first pass: every cache hit takes its escape
            }
            if (choice == 3)
                ++counts[t].literal[v];
            else
                ++counts[t].escape[choice];
            lasts[t].Push(v);
        }
    }
}

void BuildTreeCode(const TreeCounts &counts, TreeCode &code)
{
    code = TreeCode{};
    code.length.assign(65536, 0);
    // Escapes need values that are no leaf of the tree; with fewer than four
    // free values the later escapes share escape 0's value and go unused.
    uint32_t freeValues[4] = {0, 0, 0, 0};
    int freeCount = 0;
    for (uint32_t v = 0; v < 65536 && freeCount < 4; ++v)
        if (!counts.literal[v])
            freeValues[freeCount++] = v;
    std::vector<uint32_t> all(counts.literal.begin(), counts.literal.end());
    all.resize(65536 + 3, 0);
    for (int i = 0; i < 3; ++i) {
        const bool room = freeCount >= 4 || (freeCount >= 1 && i == 0);
        all[kEscapeBase + i] = room ? static_cast<uint32_t>(std::min<uint64_t>(counts.escape[i], UINT32_MAX)) : 0;
    }
    for (uint32_t &c : all)
        c = std::min<uint32_t>(c, UINT32_MAX / 2);
    uint32_t used = 0;
    for (uint32_t c : all)
        used += c != 0;
    if (used == 0)
        return; // absent tree
    code.present = true;
    std::vector<uint8_t> lengths = LimitedLengths(all);
    if (used == 1) {
        for (uint32_t sym = 0; sym < all.size(); ++sym)
            if (all[sym])
                code.single = sym;
        std::fill(lengths.begin(), lengths.end(), 0);
    }
    code.leaves = used;
    for (int i = 0; i < 3; ++i) {
        code.escapeUsed[i] = all[kEscapeBase + i] != 0;
        code.escapeLength[i] = lengths[kEscapeBase + i];
        code.escapeValue[i] = static_cast<uint16_t>(freeCount >= 4 ? freeValues[i] : freeValues[0]);
    }
    if (freeCount >= 4) {
        // Unused escapes share the fourth free value, which no leaf carries.
        for (int i = 0; i < 3; ++i)
            if (!code.escapeUsed[i])
                code.escapeValue[i] = static_cast<uint16_t>(freeValues[3]);
    }
    code.allLengths = lengths;
    std::copy(lengths.begin(), lengths.begin() + 65536, code.length.begin());
    code.longest = *std::max_element(lengths.begin(), lengths.end());
}

double TreeBits(const TreeCounts &counts, const TreeCode &code)
{
    double bits = 0;
    for (uint32_t v = 0; v < 65536; ++v)
        bits += static_cast<double>(counts.literal[v]) * code.length[v];
    for (int i = 0; i < 3; ++i)
        bits += static_cast<double>(counts.escape[i]) * code.escapeLength[i];
    // Each leaf costs about 2 bits of shape and 16 of value in the tree.
    return bits + 18.0 * code.leaves;
}

void PlanTrees(const CodedSymbols &frames, TreeCode codes[ZBX_TREE_COUNT], int rounds)
{
    TreeCounts counts[ZBX_TREE_COUNT];
    // A tree that uses nearly every value has too few free values for three
    // escapes: it codes cache hits with escape 0 only.
    bool onlyEscape0[ZBX_TREE_COUNT] = {false, false, false, false};
    {
        std::vector<uint8_t> seen(4 * 65536, 0);
        std::vector<uint32_t> scratch;
        for (size_t f = 0; f < frames.frames.size(); ++f)
            if (const std::vector<uint32_t> *list = frames.Get(f, scratch))
                for (uint32_t s : *list)
                    seen[SymbolTree(s) * 65536 + SymbolValue(s)] = 1;
        for (int t = 0; t < ZBX_TREE_COUNT; ++t) {
            const auto from = seen.begin() + t * 65536;
            onlyEscape0[t] = std::count(from, from + 65536, 1) + 4 > 65536;
        }
    }
    CountChoices(frames, nullptr, onlyEscape0, counts);
    for (int t = 0; t < ZBX_TREE_COUNT; ++t)
        BuildTreeCode(counts[t], codes[t]);
    double before = 0;
    for (int t = 0; t < ZBX_TREE_COUNT; ++t)
        before += TreeBits(counts[t], codes[t]);
    for (int r = 0; r < rounds; ++r) {
        TreeCode next[ZBX_TREE_COUNT];
        CountChoices(frames, codes, onlyEscape0, counts);
        double after = 0;
        for (int t = 0; t < ZBX_TREE_COUNT; ++t) {
            BuildTreeCode(counts[t], next[t]);
            after += TreeBits(counts[t], next[t]);
        }
        if (after >= before)
            break;
        before = after;
        for (int t = 0; t < ZBX_TREE_COUNT; ++t)
            codes[t] = std::move(next[t]);
    }
}

uint32_t WriteTreeCode(VEXFILE *f, const TreeCode &code)
{
    if (!code.present) {
        VEXFilePutBits(f, 0, 1);
        return 12;
    }
    VEXFilePutBits(f, 1, 1);
    std::vector<uint32_t> low(256, 0), high(256, 0);
    auto valueOf = [&code](uint32_t s) -> uint32_t { return s >= kEscapeBase ? code.escapeValue[s - kEscapeBase] : s; };
    for (uint32_t s = 0; s < code.allLengths.size(); ++s) {
        if (code.allLengths[s] || (code.leaves == 1 && s == code.single)) {
            ++low[valueOf(s) & 0xFF];
            ++high[valueOf(s) >> 8];
        }
    }
    ByteTree lowTree, highTree;
    lowTree.Build(low);
    highTree.Build(high);
    lowTree.WriteTree(f);
    highTree.WriteTree(f);
    for (int i = 0; i < 3; ++i)
        VEXFilePutBits(f, code.escapeValue[i], 16);
    auto leaf = [&](uint32_t s) {
        const uint32_t v = valueOf(s);
        lowTree.Put(f, static_cast<uint8_t>(v));
        highTree.Put(f, static_cast<uint8_t>(v >> 8));
    };
    if (code.leaves == 1) {
        VEXFilePutBits(f, 0, 1);
        leaf(code.single);
        VEXFilePutBits(f, 0, 1);
        return 20;
    }
    Prefix p;
    p.Assign(code.allLengths);
    p.Write(f, 0, p.order.size(), 0, leaf);
    VEXFilePutBits(f, 0, 1);
    return 16 + 8 * (code.leaves - 1);
}

void TreeCode::Finish()
{
    Prefix p;
    if (leaves > 1)
        p.Assign(allLengths);
    reversed.assign(65536 + 3, 0);
    for (uint32_t s = 0; s < allLengths.size(); ++s)
        if (allLengths[s])
            reversed[s] = p.Reversed(s);
}

bool EncodeFrameSymbols(VEXFILE *f, const TreeCode codes[ZBX_TREE_COUNT], const std::vector<uint32_t> &symbols)
{
    LastThree lasts[ZBX_TREE_COUNT];
    for (uint32_t s : symbols) {
        const uint32_t t = SymbolTree(s), v = SymbolValue(s);
        const uint32_t *l = lasts[t].value;
        const TreeCode &c = codes[t];
        const bool match[3] = {l[0] == v, l[1] == v, l[2] == v};
        int choice = 3;
        if (c.leaves > 1) {
            // Only options with a code are taken (a value without a leaf always has an escape).
            uint32_t best = c.length[v] ? c.length[v] : UINT32_MAX;
            for (int i = 0; i < 3; ++i) {
                if (match[i] && c.escapeUsed[i] && c.escapeLength[i] < best) {
                    best = c.escapeLength[i];
                    choice = i;
                }
            }
            if (best == UINT32_MAX)
                return false; // no code reaches the value
            const uint32_t sym = choice == 3 ? v : kEscapeBase + static_cast<uint32_t>(choice);
            VEXFilePutBits(f, c.reversed[sym], c.allLengths[sym]);
        }
        lasts[t].Push(v);
    }
    return true;
}

} // namespace zenc
