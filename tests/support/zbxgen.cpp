// Test fixture: .zbx writer from a plain description (see zbxgen.h).
#include "tests/support/zbxgen.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <queue>
#include <set>
#include <stdexcept>

namespace zbxgen {
namespace {

constexpr uint32_t kRunLengths[64] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  13,  14,  15,   16,
                                      17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,  29,  30,  31,   32,
                                      33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,  45,  46,  47,   48,
                                      49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 128, 256, 512, 1024, 2048};

enum BlockType : uint8_t { kTwo = 0, kFull = 1, kSkip = 2, kFill = 3 };

class BitWriter {
public:
    void Bit(uint32_t b)
    {
        if (count_ % 8 == 0)
            bytes_.push_back(0);
        if (b & 1)
            bytes_.back() = static_cast<uint8_t>(bytes_.back() | (1u << (count_ % 8)));
        ++count_;
    }
    void Bits(uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            Bit(static_cast<uint32_t>(v >> i));
    }
    std::vector<uint8_t> &Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    uint64_t count_ = 0;
};

struct CodeWord {
    uint64_t bits = 0; // bit i is step i from the root
    int len = 0;
};

// Huffman tree over integer symbols; escape tokens of the big trees are
// negative (-1 - slot).
struct HuffTree {
    struct Node {
        int zero = -1, one = -1;
        int32_t sym = 0;
    };
    std::vector<Node> nodes;
    int root = -1;
    std::map<int32_t, CodeWord> codes;

    void Assign(int n, uint64_t bits, int len)
    {
        const Node &nd = nodes[n];
        if (nd.zero < 0) {
            codes[nd.sym] = {bits, len};
            return;
        }
        Assign(nd.zero, bits, len + 1);
        Assign(nd.one, bits | (uint64_t{1} << len), len + 1);
    }
    template <class LeafFn>
    void Write(BitWriter &w, int n, const LeafFn &leaf) const
    {
        const Node &nd = nodes[n];
        if (nd.zero < 0) {
            w.Bit(0);
            leaf(nd.sym);
            return;
        }
        w.Bit(1);
        Write(w, nd.zero, leaf);
        Write(w, nd.one, leaf);
    }
    void Emit(BitWriter &w, int32_t sym) const
    {
        auto it = codes.find(sym);
        if (it == codes.end())
            throw std::logic_error("zbxgen: symbol missing from tree");
        w.Bits(it->second.bits, it->second.len);
    }
};

HuffTree BuildHuffman(const std::map<int32_t, uint64_t> &counts, Rng &rng)
{
    HuffTree t;
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
    for (const auto &[sym, c] : counts) {
        t.nodes.push_back({-1, -1, sym});
        q.push({std::max<uint64_t>(c, 1), static_cast<int>(t.nodes.size()) - 1});
    }
    if (q.empty())
        throw std::logic_error("zbxgen: empty tree");
    while (q.size() > 1) {
        Item a = q.top();
        q.pop();
        Item b = q.top();
        q.pop();
        HuffTree::Node n;
        n.zero = a.second;
        n.one = b.second;
        if (rng.Chance(50))
            std::swap(n.zero, n.one);
        t.nodes.push_back(n);
        q.push({a.first + b.first, static_cast<int>(t.nodes.size()) - 1});
    }
    t.root = q.top().second;
    t.Assign(t.root, 0, 0);
    return t;
}

void WriteByteTree(BitWriter &w, const HuffTree &t)
{
    t.Write(w, t.root, [&](int32_t sym) { w.Bits(static_cast<uint32_t>(sym), 8); });
    w.Bit(0);
}

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Set32(std::vector<uint8_t> &out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

using Values = std::vector<std::pair<Tree, uint16_t>>;

// Codes one picture against the previous one as a sequence of tree values.
Values CodePicture(const Description &d, const std::vector<uint8_t> &prev, const std::vector<uint8_t> &cur,
                   bool allowSkip, Rng &rng)
{
    const Options &o = d.options;
    const uint32_t bpr = d.width / 4, rows = d.height / 4, total = bpr * rows;
    struct Block {
        uint8_t type, fill;
        uint8_t px[16];
    };
    std::vector<Block> blocks(total);
    for (uint32_t b = 0; b < total; ++b) {
        Block &bl = blocks[b];
        const uint32_t bx = b % bpr, by = b / bpr;
        bool same = true;
        std::set<uint8_t> colours;
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x) {
                const size_t at = (by * 4 + y) * d.width + bx * 4 + x;
                bl.px[y * 4 + x] = cur[at];
                same = same && cur[at] == prev[at];
                colours.insert(cur[at]);
            }
        bl.fill = bl.px[0];
        if (allowSkip && same)
            bl.type = kSkip;
        else if (colours.size() == 1)
            bl.type = (o.variety && rng.Chance(10)) ? (rng.Chance(50) ? kTwo : kFull) : kFill;
        else if (colours.size() == 2)
            bl.type = (o.variety && rng.Chance(10)) ? kFull : kTwo;
        else
            bl.type = kFull;
    }

    Values out;
    auto emitBlock = [&](const Block &bl) {
        if (bl.type == kTwo) {
            uint8_t lo = bl.px[0], hi = bl.px[0];
            for (uint8_t p : bl.px)
                if (p != lo)
                    hi = p;
            if (hi == lo)
                hi = static_cast<uint8_t>(rng.Next()); // one colour sent as two: bitmap picks lo only
            if (rng.Chance(50))
                std::swap(lo, hi);
            uint16_t m = 0;
            for (int i = 0; i < 16; ++i)
                if (bl.px[i] == hi)
                    m = static_cast<uint16_t>(m | (1u << i));
            out.push_back({ColourPairTree, static_cast<uint16_t>(lo | (hi << 8))});
            out.push_back({BitmapTree, m});
        } else if (bl.type == kFull) {
            for (int y = 0; y < 4; ++y) {
                const uint8_t *r = bl.px + y * 4;
                out.push_back({PixelPairTree, static_cast<uint16_t>(r[2] | (r[3] << 8))});
                out.push_back({PixelPairTree, static_cast<uint16_t>(r[0] | (r[1] << 8))});
            }
        }
    };

    uint32_t b = 0;
    while (b < total) {
        const Block &first = blocks[b];
        uint32_t end = b + 1;
        while (end < total && blocks[end].type == first.type && (first.type != kFill || blocks[end].fill == first.fill))
            ++end;
        uint32_t remaining = end - b;
        while (remaining > 0) {
            int r = 0;
            uint32_t piece;
            if (b + remaining == total && remaining <= 2048 && o.cutLastRun && rng.Chance(50)) {
                // Last run of the picture: any length that reaches the end will do.
                int lo = 0;
                while (kRunLengths[lo] < remaining)
                    ++lo;
                r = lo + static_cast<int>(rng.Below(static_cast<uint32_t>(64 - lo)));
                piece = remaining;
            } else {
                while (r < 63 && kRunLengths[r + 1] <= remaining)
                    ++r;
                if (o.variety && rng.Chance(20))
                    r = static_cast<int>(rng.Below(static_cast<uint32_t>(r + 1)));
                piece = kRunLengths[r];
            }
            uint32_t high = 0;
            if (first.type == kFill)
                high = first.fill;
            else if (o.variety && rng.Chance(5))
                high = rng.Below(256); // unused byte: a decoder must ignore it
            out.push_back({BlockTypeTree, static_cast<uint16_t>(first.type | (r << 2) | (high << 8))});
            for (uint32_t i = 0; i < piece; ++i)
                emitBlock(blocks[b + i]);
            b += piece;
            remaining -= piece;
        }
    }
    return out;
}

// Palette commands turning `old` into `now` (both 6-bit).
std::vector<uint8_t> CodePalette(const std::array<uint8_t, 768> &old, const std::array<uint8_t, 768> &now, bool variety,
                                 Rng &rng)
{
    auto same = [&](int a, int b) { return std::memcmp(&old[a * 3], &now[b * 3], 3) == 0; };
    std::vector<uint8_t> cmd;
    int i = 0;
    while (i < 256) {
        int keep = 0;
        while (i + keep < 256 && keep < 128 && same(i + keep, i + keep))
            ++keep;
        if (keep > 0 && !(variety && keep == 1 && rng.Chance(30))) {
            cmd.push_back(static_cast<uint8_t>(0x80 | (keep - 1)));
            i += keep;
            continue;
        }
        int bestS = -1, bestN = 0;
        for (int s = 0; s < 256; ++s) {
            int n = 0;
            while (n < 64 && s + n < 256 && i + n < 256 && same(s + n, i + n))
                ++n;
            if (n > bestN)
                bestN = n, bestS = s;
        }
        if (bestN >= 2 || (bestN == 1 && variety && rng.Chance(50))) {
            cmd.push_back(static_cast<uint8_t>(0x40 | (bestN - 1)));
            cmd.push_back(static_cast<uint8_t>(bestS));
            i += bestN;
            continue;
        }
        cmd.push_back(now[i * 3] & 63);
        cmd.push_back(now[i * 3 + 1] & 63);
        cmd.push_back(now[i * 3 + 2] & 63);
        ++i;
    }
    std::vector<uint8_t> chunk;
    chunk.push_back(0);
    chunk.insert(chunk.end(), cmd.begin(), cmd.end());
    while (chunk.size() % 4)
        chunk.push_back(static_cast<uint8_t>(rng.Next()));
    chunk[0] = static_cast<uint8_t>(chunk.size() / 4);
    return chunk;
}

std::vector<uint8_t> CodeSound(const SoundFormat &f, const SoundChunk &c, Rng &rng)
{
    std::vector<uint8_t> chunk;
    if (!f.compressed) {
        Put32(chunk, static_cast<uint32_t>(c.pcm.size() + 4));
        chunk.insert(chunk.end(), c.pcm.begin(), c.pcm.end());
        return chunk;
    }
    const uint32_t fb = SampleFrameBytes(f);
    const size_t frames = c.pcm.size() / fb;
    const uint32_t U = c.claimedSize ? *c.claimedSize : static_cast<uint32_t>(frames * fb);
    BitWriter w;
    if (c.noData) {
        w.Bit(0);
    } else {
        w.Bit(1);
        w.Bit(f.stereo);
        w.Bit(f.sixteenBit);
        // Channel samples per frame, as integers of the sample width.
        const int channels = f.stereo ? 2 : 1;
        auto sample = [&](size_t fr, int ch) -> uint32_t {
            const uint8_t *p = c.pcm.data() + fr * fb + ch * (f.sixteenBit ? 2 : 1);
            return f.sixteenBit ? static_cast<uint32_t>(p[0] | (p[1] << 8)) : p[0];
        };
        const int trees = channels * (f.sixteenBit ? 2 : 1);
        std::vector<std::vector<uint8_t>> deltas(static_cast<size_t>(trees));
        for (size_t fr = 1; fr < frames; ++fr)
            for (int ch = 0; ch < channels; ++ch) {
                const uint32_t dv = (sample(fr, ch) - sample(fr - 1, ch)) & (f.sixteenBit ? 0xFFFF : 0xFF);
                if (f.sixteenBit) {
                    deltas[static_cast<size_t>(ch * 2)].push_back(static_cast<uint8_t>(dv));
                    deltas[static_cast<size_t>(ch * 2 + 1)].push_back(static_cast<uint8_t>(dv >> 8));
                } else {
                    deltas[static_cast<size_t>(ch)].push_back(static_cast<uint8_t>(dv));
                }
            }
        std::vector<HuffTree> tr;
        for (int t = 0; t < trees; ++t) {
            std::map<int32_t, uint64_t> counts;
            for (uint8_t v : deltas[static_cast<size_t>(t)])
                ++counts[v];
            if (counts.empty())
                counts[static_cast<int32_t>(rng.Below(256))] = 1;
            tr.push_back(BuildHuffman(counts, rng));
            w.Bit(rng.Next()); // read and ignored by decoders
            WriteByteTree(w, tr.back());
        }
        if (U != 0 && frames > 0) {
            const uint32_t l = sample(0, 0), r = f.stereo ? sample(0, 1) : 0;
            if (!f.sixteenBit && !f.stereo)
                w.Bits(l, 8);
            if (f.sixteenBit && !f.stereo)
                w.Bits(l >> 8, 8), w.Bits(l & 0xFF, 8);
            if (!f.sixteenBit && f.stereo)
                w.Bits(r, 8), w.Bits(l, 8);
            if (f.sixteenBit && f.stereo)
                w.Bits(r >> 8, 8), w.Bits(r & 0xFF, 8), w.Bits(l >> 8, 8), w.Bits(l & 0xFF, 8);
            for (size_t i = 0; i + 1 < frames; ++i)
                for (int t = 0; t < trees; ++t)
                    tr[static_cast<size_t>(t)].Emit(w, deltas[static_cast<size_t>(t)][i]);
        }
    }
    Put32(chunk, static_cast<uint32_t>(8 + w.Bytes().size()));
    Put32(chunk, U);
    chunk.insert(chunk.end(), w.Bytes().begin(), w.Bytes().end());
    return chunk;
}

std::vector<uint8_t> MaskToBlocks(const Description &d, std::vector<uint8_t> pic)
{
    const uint32_t cw = d.width / 4 * 4, ch = d.height / 4 * 4;
    for (uint32_t y = 0; y < d.height; ++y)
        for (uint32_t x = 0; x < d.width; ++x)
            if (x >= cw || y >= ch)
                pic[y * d.width + x] = 0;
    return pic;
}

} // namespace

uint32_t SampleFrameBytes(const SoundFormat &f)
{
    return (f.stereo ? 2u : 1u) * (f.sixteenBit ? 2u : 1u);
}

uint32_t FormatWord(const SoundFormat &f)
{
    return (f.compressed ? 0x80000000u : 0) | (f.present ? 0x40000000u : 0) | (f.sixteenBit ? 0x20000000u : 0) |
           (f.stereo ? 0x10000000u : 0) | (f.rate & 0xFFFFFFu);
}

std::array<uint8_t, 768> Expand(const std::array<uint8_t, 768> &six)
{
    std::array<uint8_t, 768> out{};
    for (size_t i = 0; i < 768; ++i) {
        const uint8_t v = six[i] & 63;
        out[i] = static_cast<uint8_t>((v << 2) | (v >> 4));
    }
    return out;
}

std::vector<uint8_t> PictureAt(const Description &d, size_t i)
{
    std::vector<uint8_t> pic(static_cast<size_t>(d.width) * d.height, 0);
    for (size_t k = 0; k <= i && k <= d.frames.size(); ++k) {
        const Frame *f = k < d.frames.size() ? &d.frames[k] : (d.ringFrame ? &*d.ringFrame : nullptr);
        if (f && !f->picture.empty())
            pic = f->picture;
    }
    return MaskToBlocks(d, pic);
}

std::array<uint8_t, 768> PaletteAt(const Description &d, size_t i)
{
    std::array<uint8_t, 768> pal{};
    for (size_t k = 0; k <= i && k <= d.frames.size(); ++k) {
        const Frame *f = k < d.frames.size() ? &d.frames[k] : (d.ringFrame ? &*d.ringFrame : nullptr);
        if (f && f->palette)
            pal = *f->palette;
    }
    return Expand(pal);
}

std::vector<uint8_t> Build(const Description &d, Stats *stats)
{
    const Options &o = d.options;
    Rng rng(o.seed);
    std::vector<const Frame *> frames;
    for (const Frame &f : d.frames)
        frames.push_back(&f);
    if (d.ringFrame)
        frames.push_back(&*d.ringFrame);
    const size_t N = frames.size();
    const size_t pixels = static_cast<size_t>(d.width) * d.height;

    // 1. Every frame's video as tree values.
    std::vector<Values> values(N);
    std::vector<uint8_t> prev(pixels, 0);
    for (size_t i = 0; i < N; ++i) {
        const Frame &f = *frames[i];
        if (f.videoBytes)
            continue;
        if (f.values) {
            values[i] = *f.values;
            continue;
        }
        if (!f.picture.empty() && f.picture.size() != pixels)
            throw std::invalid_argument("zbxgen: picture size");
        const std::vector<uint8_t> &cur = f.picture.empty() ? prev : f.picture;
        values[i] = CodePicture(d, prev, cur, o.skipUnchanged, rng);
        prev = cur;
    }

    // 2. Escape values per tree: three values that no literal of that tree uses.
    std::array<std::set<uint16_t>, 4> used;
    for (const Values &v : values)
        for (const auto &[t, val] : v)
            used[t].insert(val);
    std::array<std::array<uint16_t, 3>, 4> escape{};
    std::array<std::array<bool, 3>, 4> escapeOn{};
    for (int t = 0; t < 4; ++t) {
        if (used[t].size() > 65532)
            throw std::invalid_argument("zbxgen: too many distinct values");
        std::set<uint16_t> taken = used[t];
        for (int k = 0; k < 3; ++k) {
            uint16_t e;
            do
                e = static_cast<uint16_t>(rng.Next());
            while (taken.count(e));
            taken.insert(e);
            escape[t][k] = e;
            escapeOn[t][k] = o.escapePercent > 0 && (!o.variety || rng.Chance(80));
        }
    }

    // 3. Tokens (literal values, or -1 - slot for an escape) with the cache as a decoder keeps it.
    std::vector<std::vector<std::pair<Tree, int32_t>>> tokens(N);
    std::array<std::map<int32_t, uint64_t>, 4> counts;
    for (size_t i = 0; i < N; ++i) {
        uint16_t cache[4][3] = {};
        for (const auto &[t, v] : values[i]) {
            int32_t tok = v;
            std::vector<int> hits;
            for (int k = 0; k < 3; ++k)
                if (cache[t][k] == v && escapeOn[t][k])
                    hits.push_back(k);
            if (!hits.empty() && rng.Chance(o.escapePercent))
                tok = -1 - hits[rng.Below(static_cast<uint32_t>(hits.size()))];
            if (v != cache[t][0]) {
                cache[t][2] = cache[t][1];
                cache[t][1] = cache[t][0];
                cache[t][0] = v;
            }
            tokens[i].push_back({t, tok});
            ++counts[t][tok];
        }
    }
    {
        std::set<uint32_t> all;
        for (int t = 0; t < 4; ++t)
            for (const auto &[tok, c] : counts[t])
                all.insert(tok >= 0 ? static_cast<uint32_t>(tok) : 0u);
        if (all.size() >= 65536)
            throw std::invalid_argument("zbxgen: no unused value left");
    }

    // 4. Tree data.
    BitWriter tw;
    std::array<HuffTree, 4> big;
    std::array<uint32_t, 4> treeBytes{};
    std::optional<HuffTree> lowTree, highTree;
    for (int t = 0; t < 4; ++t) {
        if (counts[t].empty()) {
            tw.Bit(0);
            continue;
        }
        tw.Bit(1);
        big[t] = BuildHuffman(counts[t], rng);
        auto leafValue = [&](int32_t tok) -> uint16_t {
            return tok >= 0 ? static_cast<uint16_t>(tok) : escape[t][-1 - tok];
        };
        std::map<int32_t, uint64_t> lowCounts, highCounts;
        for (const auto &[tok, c] : counts[t]) {
            ++lowCounts[leafValue(tok) & 0xFF];
            ++highCounts[leafValue(tok) >> 8];
        }
        for (int half = 0; half < 2; ++half) {
            std::optional<HuffTree> &cur = half ? highTree : lowTree;
            const auto &need = half ? highCounts : lowCounts;
            bool covered = cur.has_value();
            if (covered)
                for (const auto &[sym, c] : need)
                    covered = covered && cur->codes.count(sym);
            if (covered && o.variety && rng.Chance(50)) {
                tw.Bit(0); // keep the byte tree of the previous big tree
            } else {
                tw.Bit(1);
                cur = BuildHuffman(need, rng);
                WriteByteTree(tw, *cur);
            }
        }
        for (int k = 0; k < 3; ++k)
            tw.Bits(escape[t][k], 16);
        big[t].Write(tw, big[t].root, [&](int32_t tok) {
            const uint16_t v = leafValue(tok);
            lowTree->Emit(tw, v & 0xFF);
            highTree->Emit(tw, v >> 8);
        });
        tw.Bit(0);
        treeBytes[t] = static_cast<uint32_t>(big[t].nodes.size() * 4 + (o.exactTreeSizes ? 0 : 12));
    }
    const std::vector<uint8_t> treeData = tw.Bytes();

    // 5. Frames.
    std::array<uint32_t, 7> maxSound{};
    std::vector<std::vector<uint8_t>> frameBytes(N);
    std::vector<uint8_t> types(N, 0);
    std::array<uint8_t, 768> pal{};
    for (size_t i = 0; i < N; ++i) {
        const Frame &f = *frames[i];
        std::vector<uint8_t> &out = frameBytes[i];
        if (f.palette) {
            std::array<uint8_t, 768> now = *f.palette;
            for (uint8_t &v : now)
                v &= 63;
            const auto chunk = CodePalette(pal, now, o.variety, rng);
            out.insert(out.end(), chunk.begin(), chunk.end());
            pal = now;
            types[i] |= 1;
        }
        for (int n = 0; n < 7; ++n) {
            if (!f.sound[n])
                continue;
            SoundFormat fmt = d.tracks[n] ? *d.tracks[n] : SoundFormat{};
            const SoundChunk &sc = *f.sound[n];
            const auto chunk = CodeSound(fmt, sc, rng);
            uint32_t decoded = fmt.compressed
                                   ? (chunk[4] | chunk[5] << 8 | chunk[6] << 16 | static_cast<uint32_t>(chunk[7]) << 24)
                                   : static_cast<uint32_t>(chunk.size() - 4);
            maxSound[n] = std::max(maxSound[n], decoded);
            out.insert(out.end(), chunk.begin(), chunk.end());
            types[i] = static_cast<uint8_t>(types[i] | (2 << n));
        }
        if (f.videoBytes) {
            out.insert(out.end(), f.videoBytes->begin(), f.videoBytes->end());
        } else {
            BitWriter vw;
            for (const auto &[t, tok] : tokens[i])
                big[t].Emit(vw, tok);
            out.insert(out.end(), vw.Bytes().begin(), vw.Bytes().end());
        }
    }

    // 6. Header, tables, trees, frames.
    std::vector<uint8_t> file;
    file.insert(file.end(), {'Z', 'B', 'X', '2'});
    Put32(file, d.width);
    Put32(file, d.height);
    Put32(file, static_cast<uint32_t>(d.frames.size()));
    Put32(file, static_cast<uint32_t>(d.frameRate));
    uint32_t flags = d.ringFrame ? 1 : 0;
    if (d.heightMode == HeightMode::Interlaced)
        flags |= 2;
    if (d.heightMode == HeightMode::Doubled)
        flags |= 4;
    Put32(file, flags);
    for (int n = 0; n < 7; ++n)
        Put32(file, d.tracks[n] && d.tracks[n]->maxSizeOverride ? d.tracks[n]->maxSizeOverride : maxSound[n]);
    Put32(file, static_cast<uint32_t>(treeData.size()));
    for (int t = 0; t < 4; ++t)
        Put32(file, treeBytes[t]);
    for (int n = 0; n < 7; ++n)
        Put32(file, d.tracks[n] ? FormatWord(*d.tracks[n]) : 0);
    Put32(file, 0);
    for (size_t i = 0; i < N; ++i)
        Put32(file, static_cast<uint32_t>(frameBytes[i].size()));
    file.insert(file.end(), types.begin(), types.end());
    file.insert(file.end(), treeData.begin(), treeData.end());
    for (const auto &fb : frameBytes)
        file.insert(file.end(), fb.begin(), fb.end());

    if (stats) {
        stats->treeValues = 0;
        stats->treeValuesPerFrame.clear();
        for (size_t i = 0; i < N; ++i) {
            stats->treeValuesPerFrame.push_back(tokens[i].size());
            stats->treeValues += tokens[i].size();
        }
        stats->treeDataSize = static_cast<uint32_t>(treeData.size());
    }
    return file;
}

bool WriteBytes(const std::vector<uint8_t> &bytes, const std::string &path)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

bool WriteFile(const Description &d, const std::string &path)
{
    return WriteBytes(Build(d), path);
}

std::vector<uint8_t> MakePicture(uint32_t w, uint32_t h, Content c, Rng &rng, const std::vector<uint8_t> *previous)
{
    std::vector<uint8_t> pic(static_cast<size_t>(w) * h, 0);
    if (previous && previous->size() == pic.size())
        pic = *previous;
    for (uint32_t by = 0; by < (h + 3) / 4; ++by)
        for (uint32_t bx = 0; bx < (w + 3) / 4; ++bx) {
            Content k = c;
            if (c == Content::Random)
                k = static_cast<Content>(rng.Below(5));
            if (k == Content::MostlySkipped) {
                if (!rng.Chance(c == Content::Random ? 50 : 5))
                    continue;
                k = static_cast<Content>(rng.Below(4));
                if (k == Content::Random)
                    k = Content::Full;
            }
            const uint8_t a = static_cast<uint8_t>(rng.Next()), b = static_cast<uint8_t>(a + 1 + rng.Below(255));
            const uint32_t bits = rng.Next() | 1u;
            for (uint32_t y = 0; y < 4; ++y)
                for (uint32_t x = 0; x < 4; ++x) {
                    const uint32_t px = bx * 4 + x, py = by * 4 + y;
                    if (px >= w || py >= h)
                        continue;
                    uint8_t v = a;
                    if (k == Content::Full || k == Content::Random)
                        v = static_cast<uint8_t>(rng.Next());
                    if (k == Content::TwoColour)
                        v = ((bits >> (y * 4 + x)) & 1) ? b : a;
                    if (k == Content::TwoColour && y == 3 && x == 3)
                        v = b; // both colours present
                    pic[static_cast<size_t>(py) * w + px] = v;
                }
        }
    return pic;
}

std::array<uint8_t, 768> RandomPalette(Rng &rng)
{
    std::array<uint8_t, 768> p{};
    for (uint8_t &v : p)
        v = static_cast<uint8_t>(rng.Below(64));
    return p;
}

std::vector<uint8_t> RandomSound(const SoundFormat &f, uint32_t bytes, Rng &rng)
{
    const uint32_t fb = SampleFrameBytes(f);
    std::vector<uint8_t> pcm;
    int32_t s[2] = {static_cast<int32_t>(rng.Next() & 0xFFFF), static_cast<int32_t>(rng.Next() & 0xFFFF)};
    for (uint32_t i = 0; i < bytes / fb; ++i)
        for (int ch = 0; ch < (f.stereo ? 2 : 1); ++ch) {
            s[ch] += static_cast<int32_t>(rng.Below(f.sixteenBit ? 2001 : 9)) - (f.sixteenBit ? 1000 : 4);
            if (rng.Chance(2))
                s[ch] = static_cast<int32_t>(rng.Next());
            pcm.push_back(static_cast<uint8_t>(s[ch]));
            if (f.sixteenBit)
                pcm.push_back(static_cast<uint8_t>(s[ch] >> 8));
        }
    return pcm;
}

Description RandomDescription(uint32_t seed)
{
    Rng rng(seed);
    Description d;
    d.options.seed = seed;
    d.options.escapePercent = static_cast<int>(rng.Below(101));
    d.options.skipUnchanged = rng.Chance(80);
    d.options.exactTreeSizes = rng.Chance(30);
    d.width = 4 * (1 + rng.Below(24)) + (rng.Chance(20) ? rng.Below(4) : 0);
    d.height = 4 * (1 + rng.Below(16)) + (rng.Chance(20) ? rng.Below(4) : 0);
    d.heightMode = static_cast<HeightMode>(rng.Below(3));
    d.frameRate = rng.Chance(50) ? static_cast<int32_t>(rng.Below(200)) : -static_cast<int32_t>(rng.Below(10000));
    for (int n = 0; n < 7; ++n) {
        if (!rng.Chance(30))
            continue;
        SoundFormat f;
        f.rate = 8000 + rng.Below(40000);
        f.stereo = rng.Chance(50);
        f.sixteenBit = rng.Chance(50);
        f.compressed = rng.Chance(60);
        d.tracks[n] = f;
    }
    const uint32_t count = 1 + rng.Below(6);
    std::vector<uint8_t> prev;
    for (uint32_t i = 0; i < count; ++i) {
        Frame f;
        if (i == 0 || rng.Chance(80)) {
            f.picture = MakePicture(d.width, d.height, Content::Random, rng, prev.empty() ? nullptr : &prev);
            prev = f.picture;
        }
        if (i == 0 || rng.Chance(30))
            f.palette = RandomPalette(rng);
        for (int n = 0; n < 7; ++n) {
            if (!d.tracks[n] || !rng.Chance(85))
                continue;
            SoundChunk sc;
            sc.pcm = RandomSound(*d.tracks[n], rng.Below(400), rng);
            sc.noData = d.tracks[n]->compressed && rng.Chance(10);
            f.sound[n] = sc;
        }
        d.frames.push_back(std::move(f));
    }
    if (rng.Chance(30)) {
        Frame ring;
        ring.picture = d.frames[0].picture;
        ring.palette = d.frames[0].palette;
        d.ringFrame = ring;
    }
    return d;
}

std::vector<std::vector<uint8_t>> FuzzSeeds(uint32_t seed, size_t count)
{
    std::vector<std::vector<uint8_t>> out;
    Rng rng(seed);
    for (size_t i = 0; i < count; ++i) {
        std::vector<uint8_t> f = Build(RandomDescription(seed * 7919u + static_cast<uint32_t>(i)));
        if (i % 2 == 0 || f.size() < 120) {
            out.push_back(std::move(f));
            continue;
        }
        switch (rng.Below(7)) {
        case 0: // cut short anywhere
            f.resize(104 + rng.Below(static_cast<uint32_t>(f.size() - 104)));
            break;
        case 1: // damaged bytes after the header
            for (int k = 0; k < 8; ++k)
                f[104 + rng.Below(static_cast<uint32_t>(f.size() - 104))] ^= static_cast<uint8_t>(1 + rng.Below(255));
            break;
        case 2: // tree memory that cannot hold the trees
            for (int t = 0; t < 4; ++t)
                Set32(f, 56 + 4 * t, rng.Below(64));
            break;
        case 3: // a picture much larger than the data
            Set32(f, 4, 4 + rng.Below(4096));
            Set32(f, 8, 4 + rng.Below(4096));
            break;
        case 4: // sound formats that disagree with their chunks, huge claimed sizes
            for (int n = 0; n < 7; ++n) {
                Set32(f, 72 + 4 * n, rng.Next());
                Set32(f, 24 + 4 * n, rng.Chance(50) ? rng.Next() : rng.Below(64));
            }
            break;
        case 5: { // frame table lying about sizes
            const uint32_t frames = f[12] | (f[13] << 8);
            for (uint32_t k = 0; k < frames && 104 + 4 * k + 4 <= f.size(); ++k)
                Set32(f, 104 + 4 * k, rng.Chance(50) ? rng.Next() : rng.Below(64));
            break;
        }
        default: // random tail
            for (size_t k = 104 + rng.Below(static_cast<uint32_t>(f.size() - 104)); k < f.size(); ++k)
                f[k] = static_cast<uint8_t>(rng.Next());
            break;
        }
        out.push_back(std::move(f));
    }
    return out;
}

} // namespace zbxgen
