// Huffman statistics and encoder: builds codes from symbol counts, writes the
// code tree in the form the decoder's tree reader expects, then writes symbols.
//
// Tree building keeps a list of nodes sorted by weight, heaviest first, and
// repeatedly merges the two lightest. The exact tie rule of the list insertion
// fixes which equal-weight nodes merge first and therefore the exact codes; the
// decoder does not care, but files written by different builds stay identical.

#include "platform/assert.h"
#include "vexutil/vexutil.h"

#include <cstring>

namespace {

constexpr uint32_t kSymbols16 = 65536;
constexpr uint32_t kSymbols8 = 256;
constexpr uint32_t kInnerBase = 65536; // node numbers >= this are inner nodes
constexpr uint8_t kNoCode = 255;       // length of an escape that has no code
constexpr uint32_t kMaxDepth = 30;
constexpr uint32_t kEscapeMinHits = 32;

// Work arrays of one tree build: inner node weights and children, and the
// sorted node list. Allocated by the outermost HuffStartEncode on a thread and
// shared by the nested builds of its byte trees; each thread has its own.
struct Work {
    uint32_t weight[kSymbols16];
    uint32_t zero[kSymbols16];
    uint32_t one[kSymbols16];
    uint32_t list[kSymbols16];
};
thread_local Work *tWork = nullptr;

bool isSixteen(const HUFF *h)
{
    return h->lowTree != nullptr;
}
uint32_t symbolCount(const HUFF *h)
{
    return isSixteen(h) ? kSymbols16 : kSymbols8;
}

void putBits(HUFF *h, uint32_t value, uint32_t count)
{
    ZORB_ASSERT(count <= 32);
    if (count)
        VEXFilePutBits(h->output, value, count);
}

void shiftLasts(HUFF *h, uint32_t value)
{
    h->lasts[2] = h->lasts[1];
    h->lasts[1] = h->lasts[0];
    h->lasts[0] = value;
}

// One tree build on a handle whose counts are final.
class Builder {
public:
    Builder(HUFF *h, Work &w) : h_(h), w_(w) {}

    uint32_t weightOf(uint32_t node) const
    {
        return node < kInnerBase ? h_->codes[node] : w_.weight[node - kInnerBase];
    }

    // Inserts a node into the list of n entries (heaviest first): after every
    // entry of greater or equal weight. When the entries from the insertion
    // point to the end all weigh the same, the one at the insertion point moves
    // to the end instead of shifting the whole tail.
    void insert(uint32_t node)
    {
        const uint32_t wt = weightOf(node);
        uint32_t lo = 0, hi = n_;
        while (lo < hi) {
            const uint32_t mid = lo + (hi - lo) / 2;
            if (weightOf(w_.list[mid]) < wt)
                hi = mid;
            else
                lo = mid + 1;
        }
        const uint32_t p = lo;
        if (p < n_) {
            if (weightOf(w_.list[p]) == weightOf(w_.list[n_ - 1])) {
                w_.list[n_] = w_.list[p];
            } else {
                std::memmove(&w_.list[p + 1], &w_.list[p], (n_ - p) * sizeof(uint32_t));
            }
        }
        w_.list[p] = node;
        ++n_;
    }

    uint32_t size() const { return n_; }
    uint32_t first() const { return w_.list[0]; }

    // Merges the two lightest entries until one remains; returns the root.
    uint32_t merge()
    {
        while (n_ > 1) {
            const uint32_t light = w_.list[n_ - 1];
            const uint32_t heavier = w_.list[n_ - 2];
            n_ -= 2;
            const uint32_t j = inner_++;
            w_.one[j] = light;
            w_.zero[j] = heavier;
            w_.weight[j] = weightOf(light) + weightOf(heavier);
            insert(kInnerBase + j);
        }
        return w_.list[0];
    }

    uint32_t innerNodes() const { return inner_; }

    // Gives every leaf its length and bit-reversed code (the first branch taken
    // lands in bit 0). False when a leaf would lie deeper than 30 bits.
    bool assign(uint32_t node, uint32_t code, uint32_t depth)
    {
        if (depth > kMaxDepth)
            return false;
        if (node < kInnerBase) {
            h_->lengths[node] = static_cast<uint8_t>(depth);
            h_->codes[node] = code;
            return true;
        }
        const uint32_t j = node - kInnerBase;
        return assign(w_.zero[j], code, depth + 1) && assign(w_.one[j], code | (1u << depth), depth + 1);
    }

    // Pre-order: inner node = bit 1, its 0 branch, its 1 branch; leaf = bit 0
    // and the symbol.
    void write(uint32_t node)
    {
        if (node < kInnerBase) {
            writeLeaf(node);
            return;
        }
        putBits(h_, 1, 1);
        const uint32_t j = node - kInnerBase;
        write(w_.zero[j]);
        write(w_.one[j]);
    }

    void writeLeaf(uint32_t symbol)
    {
        putBits(h_, 0, 1);
        if (isSixteen(h_)) {
            HuffEncode(h_->lowTree, symbol & 0xFF);
            HuffEncode(h_->highTree, symbol >> 8);
        } else {
            VEXFilePut8(h_->output, symbol);
        }
    }

private:
    HUFF *h_;
    Work &w_;
    uint32_t n_ = 0;
    uint32_t inner_ = 0;
};

// Gives the three escapes of a 16-bit tree their symbols: the lowest unused
// symbols in turn. An escape used fewer than 32 times gets no code. When fewer
// than three symbols are unused, the escapes that get no code (or no symbol
// of their own) share the symbol of escape 0: the decoder gives a leaf to the
// first escape whose symbol it carries, so a later escape on the same symbol
// is simply never coded. False only when every symbol is used: a value taken
// as an escape would then decode as the cache.
bool chooseEscapes(HUFF *h)
{
    uint32_t freeSymbols = 0;
    for (uint32_t s = 0; s < kSymbols16 && freeSymbols < 3; ++s)
        freeSymbols += h->codes[s] == 0;
    if (freeSymbols == 0)
        return false;
    uint32_t s = 0;
    for (int i = 0; i < 3; ++i) {
        const uint32_t hits = h->escapes[i];
        const bool coded = hits >= kEscapeMinHits;
        if (i > 0 && freeSymbols < 3 && (!coded || freeSymbols == 0)) {
            h->escapes[i] = h->escapes[0]; // shares escape 0's symbol, has no code
            continue;
        }
        while (h->codes[s] != 0)
            ++s; // a free symbol is left (counted above)
        if (coded)
            h->codes[s] = hits;
        else
            h->lengths[s] = kNoCode;
        h->escapes[i] = s++;
        if (freeSymbols < 3)
            --freeSymbols;
    }
    return true;
}

// True when escape i has a code of its own (not a symbol shared with an
// earlier escape, not an escape without code).
bool escapeCoded(const HUFF *h, int i)
{
    for (int j = 0; j < i; ++j)
        if (h->escapes[j] == h->escapes[i])
            return false;
    return h->lengths[h->escapes[i]] != kNoCode;
}

void writeEscapes(HUFF *h)
{
    for (uint32_t e : h->escapes)
        VEXFilePutBits(h->output, e, 16);
}

int32_t startEncode(HUFF *h, Work &w)
{
    Builder b(h, w);
    const uint32_t symbols = symbolCount(h);

    if (isSixteen(h)) {
        HuffInitStats(h->lowTree);
        HuffInitStats(h->highTree);
        if (!chooseEscapes(h))
            return -1;
        // The byte trees code each distinct leaf value once.
        for (uint32_t s = 0; s < symbols; ++s) {
            if (h->codes[s] == 0)
                continue;
            HuffAddStat(h->lowTree, s & 0xFF);
            HuffAddStat(h->highTree, s >> 8);
        }
        // The byte trees are written (and built in the shared work arrays)
        // before this tree's list exists.
        if (HuffStartEncode(h->lowTree) < 0 || HuffStartEncode(h->highTree) < 0) {
            h->tooDeep = 1;
            return -1;
        }
    }

    for (uint32_t s = 0; s < symbols; ++s)
        if (h->codes[s] != 0)
            b.insert(s);

    if (b.size() == 1) {
        const uint32_t only = b.first();
        h->lengths[only] = 0;
        h->codes[only] = 0;
        if (isSixteen(h))
            writeEscapes(h);
        b.writeLeaf(only);
        putBits(h, 0, 1);
        return 20;
    }

    const uint32_t root = b.merge();
    if (!b.assign(root, 0, 0)) {
        h->tooDeep = 1;
        return -1;
    }
    if (isSixteen(h))
        writeEscapes(h);
    b.write(root);
    putBits(h, 0, 1);
    return static_cast<int32_t>(16 + 8 * b.innerNodes());
}

} // namespace

extern "C" {

HUFF *HuffOpen(uint32_t byteTree)
{
    HUFF *h = static_cast<HUFF *>(vexmalloc(sizeof(HUFF)));
    if (!h)
        return nullptr;
    std::memset(h, 0, sizeof(HUFF));
    const bool bytes = (byteTree & 0xFF) != 0;
    const uint32_t symbols = bytes ? kSymbols8 : kSymbols16;
    // One block: lengths first, then the counts/codes.
    uint8_t *block = static_cast<uint8_t *>(vexmalloc(static_cast<int32_t>(symbols * 5)));
    if (!block) {
        vexfree(h);
        return nullptr;
    }
    std::memset(block, 0, symbols * 5);
    h->lengths = block;
    h->codes = reinterpret_cast<uint32_t *>(block + symbols);
    if (!bytes) {
        h->lowTree = HuffOpen(1);
        h->highTree = HuffOpen(1);
        if (!h->lowTree || !h->highTree) {
            HuffClose(h);
            return nullptr;
        }
    }
    return h;
}

void HuffSetOutput(HUFF *h, VEXFILE *output)
{
    if (!h)
        return;
    h->output = output;
    HuffSetOutput(h->lowTree, output);
    HuffSetOutput(h->highTree, output);
}

void HuffClose(HUFF *h)
{
    if (!h)
        return;
    HuffClose(h->lowTree);
    HuffClose(h->highTree);
    vexfree(h->lengths);
    vexfree(h);
}

void HuffInitStats(HUFF *h)
{
    if (!h)
        return;
    std::memset(h->codes, 0, symbolCount(h) * sizeof(uint32_t));
    std::memset(h->lasts, 0, sizeof h->lasts);
    std::memset(h->escapes, 0, sizeof h->escapes);
    h->hasStats = 0;
}

void HuffInitLasts(HUFF *h)
{
    if (!h)
        return;
    std::memset(h->lasts, 0, sizeof h->lasts);
}

void HuffAddStat(HUFF *h, uint32_t value)
{
    if (!h)
        return;
    h->hasStats = 1;
    if (!isSixteen(h)) {
        ++h->codes[value & 0xFF];
        return;
    }
    value &= 0xFFFF;
    for (int i = 0; i < 3; ++i) {
        if (value != h->lasts[i])
            continue;
        // A repeat of a recent value counts for its escape; the value itself
        // still needs a leaf so that it can be coded directly.
        if (h->codes[value] == 0)
            h->codes[value] = 1;
        ++h->escapes[i];
        if (i != 0)
            shiftLasts(h, value);
        return;
    }
    shiftLasts(h, value);
    ++h->codes[value];
}

int32_t HuffStartEncode(HUFF *h)
{
    if (!h)
        return 0;
    std::memset(h->lasts, 0, sizeof h->lasts);
    h->encoded = 0;
    h->bits = 0;
    h->tooDeep = 0;
    if (!h->hasStats) {
        putBits(h, 0, 1);
        return 12;
    }
    const bool outermost = tWork == nullptr;
    if (outermost) {
        tWork = static_cast<Work *>(vexmalloc(sizeof(Work)));
        if (!tWork)
            return -1;
    }
    std::memset(h->lengths, 0, symbolCount(h));
    putBits(h, 1, 1);
    const int32_t result = startEncode(h, *tWork);
    h->encoded = 0;
    h->bits = 0;
    if (outermost) {
        vexfree(tWork);
        tWork = nullptr;
    }
    return result;
}

void HuffEncode(HUFF *h, uint32_t value)
{
    if (!h)
        return;
    uint32_t symbol;
    if (isSixteen(h)) {
        value &= 0xFFFF;
        symbol = value;
        for (int i = 0; i < 3; ++i) {
            if (value == h->lasts[i] && escapeCoded(h, i) && h->lengths[h->escapes[i]] < h->lengths[value]) {
                symbol = h->escapes[i];
                break;
            }
        }
        if (value != h->lasts[0])
            shiftLasts(h, value);
        h->encoded += 2;
    } else {
        symbol = value & 0xFF;
        h->encoded += 1;
    }
    const uint32_t length = h->lengths[symbol];
    if (length == kNoCode)
        return; // not codable: never chosen by the rule above
    h->bits += length;
    putBits(h, h->codes[symbol], length);
}

} // extern "C"
