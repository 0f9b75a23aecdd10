// Per-block coding of a picture: for each 4x4 block the exact choice (skip,
// fill, two colours or full) and the lossy alternatives with their estimated
// bits and error; runs of equal block types; the symbols of a frame.
#include <algorithm>
#include <array>
#include <cstring>

#include "codec/format.h"
#include "encoder/encoder_internal.h"

namespace zenc {

namespace {

struct ColourCount {
    uint8_t colour;
    uint8_t count;
};

// Distinct colours of a block, most frequent first.
int CountColours(const uint8_t *px, ColourCount *out)
{
    int n = 0;
    for (int i = 0; i < 16; ++i) {
        int j = 0;
        while (j < n && out[j].colour != px[i])
            ++j;
        if (j == n)
            out[n++] = {px[i], 0};
        ++out[j].count;
    }
    std::stable_sort(out, out + n, [](const ColourCount &a, const ColourCount &b) { return a.count > b.count; });
    return n;
}

} // namespace

uint32_t RunLength(uint32_t index)
{
    return ZbxRunLengths[index & 63];
}

void SplitRun(uint32_t n, bool toEnd, std::vector<uint8_t> &indexes)
{
    while (n > 0) {
        if (toEnd && n <= 2048) {
            uint8_t r = 0;
            while (ZbxRunLengths[r] < n)
                ++r; // smallest piece that covers the rest
            indexes.push_back(r);
            return;
        }
        uint8_t r = 63;
        while (ZbxRunLengths[r] > n)
            --r; // largest piece that fits
        indexes.push_back(r);
        n -= ZbxRunLengths[r];
    }
}

void DistanceTable::Build(const Palette8 &p)
{
    d.resize(65536);
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            int dr = p[a * 3] - p[b * 3], dg = p[a * 3 + 1] - p[b * 3 + 1], db = p[a * 3 + 2] - p[b * 3 + 2];
            d[(a << 8) | b] = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
        }
    }
}

BlockCoder::BlockCoder(uint32_t width, uint32_t height)
    : width_(width & ~3u), height_(height & ~3u), bw_(width / 4), bh_(height / 4)
{
    picture_.assign(static_cast<size_t>(width_) * height_, 0);
    source_.assign(picture_.size(), 0);
    options_.resize(static_cast<size_t>(bw_) * bh_);
}

// One block's pixels while its options are worked out.
struct BlockCoder::BlockPixels {
    uint8_t src[16], prev[16]; // the source and what the decoder holds
    ColourCount colours[16];
    int n; // colours in the source
};

void BlockCoder::Prepare(const uint8_t *pixels, size_t pitch, const Palette8 &palette, bool key, const CostModel &model,
                         bool wantLossy)
{
    lastSource_.swap(source_);
    source_.resize(picture_.size());
    for (uint32_t y = 0; y < height_; ++y)
        std::memcpy(&source_[static_cast<size_t>(y) * width_], pixels + y * pitch, width_);
    if (!havePalette_ || palette != palette_) {
        palette_ = palette;
        dist_.Build(palette_);
        nearest_.Build(palette_);
        havePalette_ = true;
    }
    const bool haveLast = lastSource_.size() == source_.size();
    uint32_t changed = 0;
    const TypeBits types{
        static_cast<float>(model.typeBits[ZBX_BLOCK_FILL]), static_cast<float>(model.typeBits[ZBX_BLOCK_SKIP]),
        static_cast<float>(model.typeBits[ZBX_BLOCK_TWO_COLOUR]), static_cast<float>(model.typeBits[ZBX_BLOCK_FULL])};

    model_ = &model;
    leafCosts_ = wantLossy && effort_ > 0;
    BlockPixels p;
    for (uint32_t by = 0; by < bh_; ++by) {
        for (uint32_t bx = 0; bx < bw_; ++bx) {
            if (!LoadBlock(bx, by, haveLast, p))
                ++changed;
            BlockOptions &b = options_[static_cast<size_t>(by) * bw_ + bx];
            b.lossyCount = 0;
            b.altCount = 0;
            p.n = CountColours(p.src, p.colours);
            const bool unchanged = !key && std::memcmp(p.src, p.prev, 16) == 0;
            if (unchanged && effort_ == 0) {
                b.exact = Option{ZBX_BLOCK_SKIP, 0, 0, 0, types.skip, 0, types.skip};
                continue; // nothing cheaper and nothing closer exists
            }
            ExactOptions(p, unchanged, types, b);
            if (!unchanged && wantLossy) // an unchanged block has nothing closer
                LossyOptions(p, key, types, b);
        }
    }
    changedPercent_ = haveLast && !options_.empty() ? 100.0 * changed / options_.size() : 100.0;
}

bool BlockCoder::LoadBlock(uint32_t bx, uint32_t by, bool haveLast, BlockPixels &p) const
{
    const size_t origin = static_cast<size_t>(by) * 4 * width_ + bx * 4;
    bool sameAsLast = haveLast;
    for (int y = 0; y < 4; ++y) {
        const size_t row = origin + static_cast<size_t>(y) * width_;
        std::memcpy(p.src + 4 * y, &source_[row], 4);
        std::memcpy(p.prev + 4 * y, &picture_[row], 4);
        if (haveLast && std::memcmp(&lastSource_[row], p.src + 4 * y, 4) != 0)
            sameAsLast = false;
    }
    return sameAsLast;
}

void BlockCoder::FullBits(const uint8_t *src, const TypeBits &types, Option &o) const
{
    double bits = types.full, leaves = 0;
    for (int y = 0; y < 4; ++y) {
        for (int half = 1; half >= 0; --half) {
            const uint32_t v = src[4 * y + 2 * half] | (src[4 * y + 2 * half + 1] << 8);
            bits += model_->Bits(ZBX_TREE_PIXEL_PAIR, v);
            if (leafCosts_)
                leaves += model_->LeafShare(ZBX_TREE_PIXEL_PAIR, v);
        }
    }
    o.bits = static_cast<float>(bits);
    o.cost = static_cast<float>(bits + leaves);
}

void BlockCoder::TwoColourBits(Option &t, const TypeBits &types) const
{
    const uint32_t pair = t.c0 | (t.c1 << 8);
    const double bits = types.two + model_->Bits(ZBX_TREE_COLOUR_PAIR, pair) + model_->Bits(ZBX_TREE_BITMAP, t.bitmap);
    double cost = bits;
    if (leafCosts_)
        cost += model_->LeafShare(ZBX_TREE_COLOUR_PAIR, pair) + model_->LeafShare(ZBX_TREE_BITMAP, t.bitmap);
    t.bits = static_cast<float>(bits);
    t.cost = static_cast<float>(cost);
}

void BlockCoder::ExactOptions(const BlockPixels &p, bool unchanged, const TypeBits &types, BlockOptions &b) const
{
    const uint8_t *src = p.src;
    Option coded;
    coded.error = 0;
    coded.c0 = coded.c1 = 0;
    coded.bitmap = 0;
    if (p.n == 1) {
        coded.kind = ZBX_BLOCK_FILL;
        coded.c0 = src[0];
        coded.bits = coded.cost = types.fill;
    } else if (p.n == 2) {
        coded.kind = ZBX_BLOCK_TWO_COLOUR;
        coded.c0 = src[0];
        coded.c1 = p.colours[0].colour == src[0] ? p.colours[1].colour : p.colours[0].colour;
        for (int i = 0; i < 16; ++i)
            if (src[i] == coded.c1)
                coded.bitmap = static_cast<uint16_t>(coded.bitmap | (1u << i));
        TwoColourBits(coded, types);
    } else {
        coded.kind = ZBX_BLOCK_FULL;
        FullBits(src, types, coded);
    }
    Option &e = b.exact;
    if (unchanged) {
        e = coded;
        e.kind = ZBX_BLOCK_SKIP;
        e.c0 = e.c1 = 0;
        e.bitmap = 0;
        e.bits = e.cost = types.skip;
        if (effort_ > 0)
            b.alt[b.altCount++] = coded; // coding it may join a run
        return;
    }
    e = coded;
    if (effort_ > 0 && p.n == 2) {
        // The other way round: colours swapped, bitmap inverted (kept off the
        // pairs 0xXYXY with X = 1, 5, 9, ... that may have to stay free for
        // every tree).
        Option &f = b.alt[b.altCount++];
        f = coded;
        std::swap(f.c0, f.c1);
        f.bitmap = static_cast<uint16_t>(~coded.bitmap);
        const bool reserved = (f.bitmap & 0xFF) == (f.bitmap >> 8) && (f.bitmap & 3) == 1;
        TwoColourBits(f, types);
        if (reserved)
            --b.altCount;
        Option &g = b.alt[b.altCount++];
        g = coded;
        g.kind = ZBX_BLOCK_FULL;
        g.c0 = g.c1 = 0;
        g.bitmap = 0;
        FullBits(src, types, g);
    }
}

void BlockCoder::LossyOptions(const BlockPixels &p, bool key, const TypeBits &types, BlockOptions &b) const
{
    if (!key)
        b.lossy[b.lossyCount++] = LossySkip(p, types);
    if (p.n > 1)
        b.lossy[b.lossyCount++] = LossyFill(p, types);
    if (p.n > 2)
        b.lossy[b.lossyCount++] = LossyTwoColours(p, types);
}

BlockCoder::Option BlockCoder::LossySkip(const BlockPixels &p, const TypeBits &types) const
{
    Option s;
    s.kind = ZBX_BLOCK_SKIP;
    s.c0 = s.c1 = 0;
    s.bitmap = 0;
    s.bits = s.cost = types.skip;
    uint32_t err = 0;
    for (int i = 0; i < 16; ++i)
        err += dist_(p.src[i], p.prev[i]);
    s.error = err;
    return s;
}

BlockCoder::Option BlockCoder::LossyFill(const BlockPixels &p, const TypeBits &types) const
{
    Option f;
    f.kind = ZBX_BLOCK_FILL;
    f.c0 = 0;
    f.c1 = 0;
    f.bitmap = 0;
    f.bits = f.cost = types.fill;
    f.error = UINT32_MAX;
    for (int c = 0; c < p.n; ++c) {
        uint32_t err = 0;
        for (int i = 0; i < 16; ++i)
            err += dist_(p.src[i], p.colours[c].colour);
        if (err < f.error) {
            f.error = err;
            f.c0 = p.colours[c].colour;
        }
    }
    if (effort_ > 0 && freeColours_)
        RefineFill(p.src, f);
    return f;
}

BlockCoder::Option BlockCoder::LossyTwoColours(const BlockPixels &p, const TypeBits &types) const
{
    const uint8_t *src = p.src;
    const int m = std::min(p.n, 8);
    uint32_t bestErr = UINT32_MAX;
    uint8_t ba = 0, bb = 0;
    for (int i = 0; i < m; ++i) {
        for (int j = i + 1; j < m; ++j) {
            const uint8_t ca = p.colours[i].colour, cb = p.colours[j].colour;
            uint32_t err = 0;
            for (int k = 0; k < 16 && err < bestErr; ++k)
                err += std::min(dist_(src[k], ca), dist_(src[k], cb));
            if (err < bestErr) {
                bestErr = err;
                ba = ca;
                bb = cb;
            }
        }
    }
    Option t;
    t.kind = ZBX_BLOCK_TWO_COLOUR;
    t.error = bestErr;
    // The colour of the top-left pixel is the low one (bitmap bit 0 stays clear).
    const bool aFirst = dist_(src[0], ba) <= dist_(src[0], bb);
    t.c0 = aFirst ? ba : bb;
    t.c1 = aFirst ? bb : ba;
    t.bitmap = 0;
    for (int k = 1; k < 16; ++k)
        if (dist_(src[k], t.c1) < dist_(src[k], t.c0))
            t.bitmap = static_cast<uint16_t>(t.bitmap | (1u << k));
    if (effort_ > 0 && freeColours_)
        RefineTwoColours(src, t);
    TwoColourBits(t, types);
    return t;
}

uint8_t NearestEntry(const Palette8 &p, int r, int g, int b)
{
    uint32_t best = UINT32_MAX;
    uint8_t at = 0;
    for (uint32_t i = 0; i < 256; ++i) {
        const int dr = p[i * 3] - r, dg = p[i * 3 + 1] - g, db = p[i * 3 + 2] - b;
        const uint32_t d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
        if (d < best) {
            best = d;
            at = static_cast<uint8_t>(i);
        }
    }
    return at;
}

void NearestByRed::Build(const Palette8 &p)
{
    palette = p;
    for (uint32_t i = 0; i < 256; ++i)
        order[i] = static_cast<uint8_t>(i);
    std::stable_sort(order.begin(), order.end(), [&p](uint8_t a, uint8_t b) { return p[a * 3] < p[b * 3]; });
    for (uint32_t i = 0; i < 256; ++i)
        red[i] = p[order[i] * 3];
}

uint8_t NearestByRed::operator()(int r, int g, int b) const
{
    // Outwards from the first entry of at least this red, while the red
    // difference alone stays within the best distance; ties go to the lower
    // index, as in the plain scan.
    const int start = static_cast<int>(std::lower_bound(red.begin(), red.end(), r) - red.begin());
    uint32_t best = UINT32_MAX;
    uint8_t at = 0;
    auto visit = [&](int k) {
        const uint8_t i = order[static_cast<size_t>(k)];
        const int dr = red[static_cast<size_t>(k)] - r;
        if (static_cast<uint32_t>(dr * dr) > best)
            return false;
        const int dg = palette[i * 3 + 1] - g, db = palette[i * 3 + 2] - b;
        const uint32_t d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
        if (d < best || (d == best && i < at)) {
            best = d;
            at = i;
        }
        return true;
    };
    for (int k = start; k < 256 && visit(k); ++k) {
    }
    for (int k = start - 1; k >= 0 && visit(k); --k) {
    }
    return at;
}

void BlockCoder::RefineFill(const uint8_t *src, Option &f) const
{
    // The entry nearest to the block's mean colour may lie outside the block.
    int sum[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c)
            sum[c] += palette_[src[i] * 3 + c];
    const uint8_t colour = nearest_((sum[0] + 8) / 16, (sum[1] + 8) / 16, (sum[2] + 8) / 16);
    uint32_t err = 0;
    for (int i = 0; i < 16; ++i)
        err += dist_(src[i], colour);
    if (err < f.error) {
        f.error = err;
        f.c0 = colour;
    }
}

void BlockCoder::RefineTwoColours(const uint8_t *src, Option &t) const
{
    // Two-means: each side's mean colour, then its nearest palette entry,
    // while the error falls.
    for (int round = 0; round < 2 + effort_ / 4; ++round) {
        int sum[2][3] = {{0, 0, 0}, {0, 0, 0}}, count[2] = {0, 0};
        for (int i = 0; i < 16; ++i) {
            const int side = (t.bitmap >> i) & 1;
            ++count[side];
            for (int c = 0; c < 3; ++c)
                sum[side][c] += palette_[src[i] * 3 + c];
        }
        if (!count[0] || !count[1])
            return;
        uint8_t colour[2];
        for (int side = 0; side < 2; ++side)
            colour[side] =
                nearest_((sum[side][0] + count[side] / 2) / count[side], (sum[side][1] + count[side] / 2) / count[side],
                         (sum[side][2] + count[side] / 2) / count[side]);
        if (colour[0] == colour[1])
            return;
        const bool aFirst = dist_(src[0], colour[0]) <= dist_(src[0], colour[1]);
        const uint8_t c0 = aFirst ? colour[0] : colour[1], c1 = aFirst ? colour[1] : colour[0];
        uint16_t bitmap = 0;
        uint32_t err = dist_(src[0], c0);
        for (int k = 1; k < 16; ++k) {
            const uint32_t d0 = dist_(src[k], c0), d1 = dist_(src[k], c1);
            if (d1 < d0)
                bitmap = static_cast<uint16_t>(bitmap | (1u << k));
            err += std::min(d0, d1);
        }
        if (err >= t.error)
            return;
        t.error = err;
        t.c0 = c0;
        t.c1 = c1;
        t.bitmap = bitmap;
    }
}

int BlockCoder::Choose(const BlockOptions &b, const FrameRequest &req) const
{
    int best = -1;
    double bestCost = b.exact.cost + req.lambda * b.exact.error;
    for (int i = 0; i < b.altCount; ++i) {
        const double cost = b.alt[i].cost + req.lambda * b.alt[i].error;
        if (cost < bestCost) {
            bestCost = cost;
            best = kAlt + i;
        }
    }
    if (req.lossless || b.lossyCount == 0)
        return best;
    for (int i = 0; i < b.lossyCount; ++i) {
        const double cost = b.lossy[i].cost + req.lambda * b.lossy[i].error;
        if (cost < bestCost) {
            bestCost = cost;
            best = i;
        }
    }
    return best;
}

void BlockCoder::Evaluate(const FrameRequest &req, double &bits, uint64_t &error) const
{
    double sumBits = 0;
    uint64_t sumErr = 0;
    if (effort_ > 0 && req.lossless) {
        // The choices that Emit will make.
        std::vector<int> &choice = evaluated_;
        SearchChoices(req, choice);
        for (size_t i = 0; i < options_.size(); ++i) {
            const Option &o = Chosen(options_[i], choice[i]);
            sumBits += o.bits;
            sumErr += o.error;
        }
        bits = sumBits;
        error = sumErr;
        return;
    }
    for (const BlockOptions &b : options_) {
        const Option &o = Chosen(b, Choose(b, req));
        sumBits += o.bits;
        sumErr += o.error;
    }
    bits = sumBits;
    error = sumErr;
}

void BlockCoder::SearchChoices(const FrameRequest &req, std::vector<int> &choice) const
{
    const uint32_t total = BlockCount();
    choice.assign(total, -1);
    // Lossy frames keep each block's own best: the budget search estimates
    // runs by the mean type bits per block, which the path search would
    // undercut (files came out over their data rate).
    if (effort_ == 0 || !req.lossless) {
        for (uint32_t i = 0; i < total; ++i)
            choice[i] = Choose(options_[i], req);
        return;
    }
    // The cheapest path through the blocks' exact codings: each costs its own
    // bits (without the mean type bits), plus a type symbol when it starts a
    // new run.
    constexpr int kMax = 3;
    struct Node {
        double cost;
        int8_t from;
    };
    std::vector<std::array<Node, kMax>> path(total);
    std::array<int, kMax> ids{};
    std::array<int, kMax> prevIds{};
    int prevCount = 0;
    auto candidates = [&](const BlockOptions &b, std::array<int, kMax> &out) {
        int k = 0;
        out[k++] = -1;
        for (int i = 0; i < b.altCount; ++i)
            out[k++] = kAlt + i;
        return k;
    };
    auto sameRun = [](const Option &a, const Option &b) {
        return a.kind == b.kind && (a.kind != ZBX_BLOCK_FILL || a.c0 == b.c0);
    };
    const CostModel &m = *model_;
    for (uint32_t i = 0; i < total; ++i) {
        const BlockOptions &b = options_[i];
        const int count = candidates(b, ids);
        for (int j = 0; j < count; ++j) {
            const Option &o = Chosen(b, ids[j]);
            const double own = o.bits - m.typeBits[o.kind] + req.lambda * o.error;
            double best = 1e300;
            int8_t from = -1;
            if (i == 0) {
                best = m.runStartBits[o.kind];
            } else {
                const BlockOptions &p = options_[i - 1];
                for (int k = 0; k < prevCount; ++k) {
                    const double c =
                        path[i - 1][k].cost + (sameRun(Chosen(p, prevIds[k]), o) ? 0.0 : m.runStartBits[o.kind]);
                    if (c < best) {
                        best = c;
                        from = static_cast<int8_t>(k);
                    }
                }
            }
            path[i][j] = {best + own, from};
        }
        for (int j = count; j < kMax; ++j)
            path[i][j] = {1e300, -1};
        prevIds = ids;
        prevCount = count;
    }
    if (total == 0)
        return;
    int at = 0;
    for (int j = 1; j < prevCount; ++j)
        if (path[total - 1][j].cost < path[total - 1][at].cost)
            at = j;
    for (uint32_t i = total; i-- > 0;) {
        std::array<int, kMax> list{};
        candidates(options_[i], list);
        choice[i] = list[at];
        at = path[i][at].from;
    }
}

void BlockCoder::SplitByCost(uint32_t n, bool toEnd, uint32_t typeBase, std::vector<uint8_t> &indexes) const
{
    if (effort_ == 0 || !model_ || !model_->valid) {
        SplitRun(n, toEnd, indexes);
        return;
    }
    // Fewest bits over the run table's pieces; a piece may overshoot the
    // picture's end.
    double bits[64];
    for (uint32_t r = 0; r < 64; ++r)
        bits[r] = model_->Bits(ZBX_TREE_BLOCK_TYPE, typeBase | (r << 2));
    std::vector<double> best(n + 1, 1e300);
    std::vector<uint8_t> step(n + 1, 0);
    std::vector<uint32_t> from(n + 1, 0);
    best[0] = 0;
    for (uint32_t at = 0; at < n; ++at) {
        if (best[at] >= 1e300)
            continue;
        for (uint32_t r = 0; r < 64; ++r) {
            uint32_t to = at + RunLength(r);
            if (to > n) {
                if (!toEnd)
                    continue;
                to = n;
            }
            if (best[at] + bits[r] < best[to]) {
                best[to] = best[at] + bits[r];
                step[to] = static_cast<uint8_t>(r);
                from[to] = at;
            }
        }
    }
    std::vector<uint8_t> reversed;
    for (uint32_t at = n; at > 0; at = from[at])
        reversed.push_back(step[at]);
    indexes.insert(indexes.end(), reversed.rbegin(), reversed.rend());
}

void BlockCoder::Emit(const FrameRequest &req, std::vector<uint32_t> &symbols, FrameStats &stats)
{
    stats = FrameStats{};
    const uint32_t total = BlockCount();
    std::vector<uint8_t> pieces;
    SearchChoices(req, choice_);
    uint32_t start = 0;
    while (start < total) {
        const Option &first = Chosen(options_[start], choice_[start]);
        uint32_t end = start + 1;
        while (end < total) {
            const Option &o = Chosen(options_[end], choice_[end]);
            if (o.kind != first.kind || (o.kind == ZBX_BLOCK_FILL && o.c0 != first.c0))
                break;
            ++end;
        }
        pieces.clear();
        uint32_t typeBase = first.kind;
        if (first.kind == ZBX_BLOCK_FILL)
            typeBase |= static_cast<uint32_t>(first.c0) << 8;
        SplitByCost(end - start, end == total, typeBase, pieces);
        uint32_t block = start;
        for (uint8_t r : pieces) {
            uint32_t value = first.kind | (static_cast<uint32_t>(r) << 2);
            if (first.kind == ZBX_BLOCK_FILL)
                value |= static_cast<uint32_t>(first.c0) << 8;
            symbols.push_back(MakeSymbol(ZBX_TREE_BLOCK_TYPE, value));
            ++stats.typeSymbols[first.kind];
            const uint32_t pieceEnd = std::min(end, block + RunLength(r));
            for (; block < pieceEnd; ++block) {
                const Option &o = Chosen(options_[block], choice_[block]);
                ++stats.blocks[o.kind];
                stats.error += o.error;
                const size_t origin = static_cast<size_t>(block / bw_) * 4 * width_ + (block % bw_) * 4;
                uint8_t *dst = &picture_[origin];
                const uint8_t *src = &source_[origin];
                switch (o.kind) {
                case ZBX_BLOCK_SKIP:
                    break;
                case ZBX_BLOCK_FILL:
                    for (int y = 0; y < 4; ++y)
                        std::memset(dst + static_cast<size_t>(y) * width_, o.c0, 4);
                    break;
                case ZBX_BLOCK_TWO_COLOUR:
                    symbols.push_back(MakeSymbol(ZBX_TREE_COLOUR_PAIR, o.c0 | (o.c1 << 8)));
                    symbols.push_back(MakeSymbol(ZBX_TREE_BITMAP, o.bitmap));
                    for (int i = 0; i < 16; ++i)
                        dst[static_cast<size_t>(i / 4) * width_ + (i % 4)] = (o.bitmap >> i) & 1 ? o.c1 : o.c0;
                    break;
                case ZBX_BLOCK_FULL:
                    for (int y = 0; y < 4; ++y) {
                        uint8_t row[4];
                        std::memcpy(row, src + static_cast<size_t>(y) * width_, 4);
                        if (forbidden_) {
                            const uint8_t right[2] = {row[1], row[3]};
                            stats.error += AvoidPair(row[2], row[3]);
                            stats.error += AvoidPair(row[0], row[1]);
                            stats.changedPixels += static_cast<uint32_t>((row[1] != right[0]) + (row[3] != right[1]));
                        }
                        symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, ZbxGet16(row + 2)));
                        symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, ZbxGet16(row)));
                        std::memcpy(dst + static_cast<size_t>(y) * width_, row, 4);
                    }
                    break;
                }
            }
        }
        start = end;
    }
}

uint32_t BlockCoder::AvoidPair(uint8_t left, uint8_t &right) const
{
    if (!(*forbidden_)[left | (right << 8)])
        return 0;
    uint32_t best = UINT32_MAX;
    uint8_t choice = right;
    for (uint32_t c = 0; c < 256; ++c) {
        if (c == right || (*forbidden_)[left | (c << 8)])
            continue;
        if (dist_(right, static_cast<uint8_t>(c)) < best) {
            best = dist_(right, static_cast<uint8_t>(c));
            choice = static_cast<uint8_t>(c);
        }
    }
    right = choice;
    return best == UINT32_MAX ? 0 : best;
}

bool ApplySymbols(const std::vector<uint32_t> &symbols, uint32_t width, uint32_t height, std::vector<uint8_t> &picture)
{
    const uint32_t bw = width / 4, total = bw * (height / 4);
    if (picture.size() < static_cast<size_t>(width) * height)
        return false;
    size_t at = 0;
    auto next = [&](uint32_t tree, uint32_t &value) {
        if (at >= symbols.size() || SymbolTree(symbols[at]) != tree)
            return false;
        value = SymbolValue(symbols[at++]);
        return true;
    };
    uint32_t block = 0;
    while (block < total) {
        uint32_t t;
        if (!next(ZBX_TREE_BLOCK_TYPE, t))
            return false;
        const uint32_t end = std::min(total, block + RunLength(t >> 2));
        for (; block < end; ++block) {
            uint8_t *dst = &picture[static_cast<size_t>(block / bw) * 4 * width + (block % bw) * 4];
            switch (t & ZBX_BLOCK_TYPE_MASK) {
            case ZBX_BLOCK_SKIP:
                break;
            case ZBX_BLOCK_FILL:
                for (int y = 0; y < 4; ++y)
                    std::memset(dst + static_cast<size_t>(y) * width, t >> 8, 4);
                break;
            case ZBX_BLOCK_TWO_COLOUR: {
                uint32_t c, m;
                if (!next(ZBX_TREE_COLOUR_PAIR, c) || !next(ZBX_TREE_BITMAP, m))
                    return false;
                for (int i = 0; i < 16; ++i)
                    dst[static_cast<size_t>(i / 4) * width + (i % 4)] = static_cast<uint8_t>((m >> i) & 1 ? c >> 8 : c);
                break;
            }
            case ZBX_BLOCK_FULL:
                for (int y = 0; y < 4; ++y) {
                    uint32_t a, b;
                    if (!next(ZBX_TREE_PIXEL_PAIR, a) || !next(ZBX_TREE_PIXEL_PAIR, b))
                        return false;
                    uint8_t *row = dst + static_cast<size_t>(y) * width;
                    row[0] = static_cast<uint8_t>(b);
                    row[1] = static_cast<uint8_t>(b >> 8);
                    row[2] = static_cast<uint8_t>(a);
                    row[3] = static_cast<uint8_t>(a >> 8);
                }
                break;
            }
        }
    }
    return at == symbols.size();
}

} // namespace zenc
