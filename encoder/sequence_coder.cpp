// The whole sequence: key frame placement, the passes that refine the cost
// model, the budget of each frame and the palette chunks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "encoder/encoder_internal.h"

namespace zenc {

double ChangedBlocks(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b, uint32_t width, uint32_t height)
{
    const uint32_t bw = width / 4, bh = height / 4;
    if (bw == 0 || bh == 0)
        return 0;
    uint32_t changed = 0;
    for (uint32_t by = 0; by < bh; ++by) {
        for (uint32_t bx = 0; bx < bw; ++bx) {
            for (uint32_t y = 0; y < 4; ++y) {
                const size_t at = (static_cast<size_t>(by) * 4 + y) * width + bx * 4;
                if (std::memcmp(&a[at], &b[at], 4) != 0) {
                    ++changed;
                    break;
                }
            }
        }
    }
    return 100.0 * changed / (static_cast<double>(bw) * bh);
}

namespace {

// Type-symbol costs per kind of block, from the model's lengths.
void FinishModel(CostModel &m, const CodedSymbols &symbols, const std::vector<FrameStats> &stats)
{
    std::vector<uint64_t> typeCounts(65536, 0);
    std::vector<uint32_t> scratch;
    for (size_t f = 0; f < symbols.frames.size(); ++f)
        if (const std::vector<uint32_t> *list = symbols.Get(f, scratch))
            for (uint32_t s : *list)
                if (SymbolTree(s) == ZBX_TREE_BLOCK_TYPE)
                    ++typeCounts[SymbolValue(s)];
    double typeBits[ZBX_BLOCK_KINDS] = {0, 0, 0, 0};
    uint64_t typeSymbols[ZBX_BLOCK_KINDS] = {0, 0, 0, 0};
    uint64_t blocks[ZBX_BLOCK_KINDS] = {0, 0, 0, 0};
    for (uint32_t v = 0; v < 65536; ++v)
        if (typeCounts[v])
            typeBits[v & ZBX_BLOCK_TYPE_MASK] += static_cast<double>(typeCounts[v]) * m.length[ZBX_TREE_BLOCK_TYPE][v];
    for (uint32_t v = 0; v < 65536; ++v)
        typeSymbols[v & ZBX_BLOCK_TYPE_MASK] += typeCounts[v];
    for (const FrameStats &st : stats)
        for (int k = 0; k < ZBX_BLOCK_KINDS; ++k)
            blocks[k] += st.blocks[k];
    for (int k = 0; k < ZBX_BLOCK_KINDS; ++k) {
        // A kind not seen yet costs about a fresh type symbol.
        m.typeBits[k] = blocks[k] ? std::max(0.05, typeBits[k] / static_cast<double>(blocks[k]))
                                  : m.unseenBits[ZBX_TREE_BLOCK_TYPE];
    }
    for (int k = 0; k < 4; ++k)
        if (typeSymbols[k])
            m.runStartBits[k] = std::max(1.0, typeBits[k] / static_cast<double>(typeSymbols[k]));
    m.valid = true;
}

// Entropy in bits of a histogram.
double Entropy(const uint32_t *counts, size_t n)
{
    double total = 0, bits = 0;
    for (size_t i = 0; i < n; ++i)
        total += counts[i];
    for (size_t i = 0; i < n; ++i)
        if (counts[i])
            bits += counts[i] * std::log2(total / counts[i]);
    return total > 0 ? bits / total : 0;
}

// What the trees' description costs: per tree, a leaf's bits (two bits of
// shape and the entropy of its value's two bytes, as the byte trees code
// them), the trees' estimated bytes, and each value's share of its leaf among
// the uses that take it.
void EstimateLeaves(CostModel &m, const CodedSymbols &symbols, const TreeCode codes[ZBX_TREE_COUNT])
{
    TreeCounts counts[ZBX_TREE_COUNT];
    const bool none[ZBX_TREE_COUNT] = {false, false, false, false};
    CountChoices(symbols, codes, none, counts);
    m.treeBytes = 0;
    for (uint32_t t = 0; t < ZBX_TREE_COUNT; ++t) {
        const TreeCode &c = codes[t];
        uint32_t low[256] = {}, high[256] = {};
        for (uint32_t v = 0; v < 65536; ++v)
            if (c.length[v] || (c.present && c.leaves == 1 && c.single == v)) {
                ++low[v & 0xFF];
                ++high[v >> 8];
            }
        uint32_t distinct = 0;
        for (int i = 0; i < 256; ++i)
            distinct += (low[i] != 0) + (high[i] != 0);
        m.leafBits[t] = 2.0 + Entropy(low, 256) + Entropy(high, 256);
        m.treeBytes += (c.leaves * m.leafBits[t] + distinct * 10.0 + 64) / 8;
        // Half a leaf's bits: counts from the last pass understate how often a
        // lossy pass reuses a value (weighing whole leaves lost 0.2 dB on the
        // photographic clips while the sprites gained 0.1 dB).
        const double weight = 0.5 * m.leafBits[t];
        m.leafShare[t].assign(65536, static_cast<float>(weight));
        for (uint32_t v = 0; v < 65536; ++v)
            if (counts[t].literal[v])
                m.leafShare[t][v] = static_cast<float>(weight / static_cast<double>(counts[t].literal[v]));
            else if (c.length[v])
                m.leafShare[t][v] = 0; // reached through the cache only
    }
}

} // namespace

CostModel BuildModel(const CodedSymbols &symbols, const std::vector<FrameStats> &stats, int effort)
{
    CostModel m;
    if (effort > 0) {
        // The lengths the tuned tree writer will give.
        TreeCode codes[ZBX_TREE_COUNT];
        PlanTrees(symbols, codes, 1);
        for (uint32_t t = 0; t < 4; ++t) {
            m.length[t] = codes[t].length;
            for (int i = 0; i < 3; ++i)
                m.escapeLength[t][i] = codes[t].escapeUsed[i] ? std::max<uint8_t>(1, codes[t].escapeLength[i]) : 0;
            m.unseenBits[t] = codes[t].longest + 4.0;
        }
        EstimateLeaves(m, symbols, codes);
        FinishModel(m, symbols, stats);
        return m;
    }
    // Counts as the Huff family takes them: a value that repeats one of the
    // three last values of its tree counts as a hit of that escape instead.
    std::vector<uint32_t> counts[ZBX_TREE_COUNT];
    for (auto &c : counts)
        c.assign(65536 + 3, 0);
    std::vector<uint32_t> scratch;
    for (size_t f = 0; f < symbols.frames.size(); ++f) {
        const std::vector<uint32_t> *list = symbols.Get(f, scratch);
        if (!list)
            continue;
        LastThree lasts[ZBX_TREE_COUNT];
        for (uint32_t s : *list) {
            const uint32_t t = SymbolTree(s), v = SymbolValue(s);
            const int match = lasts[t].Find(v);
            if (match >= 0) {
                if (!counts[t][v])
                    counts[t][v] = 1;
                ++counts[t][65536 + match];
            } else {
                ++counts[t][v];
            }
            lasts[t].Push(v);
        }
    }
    for (uint32_t t = 0; t < 4; ++t) {
        for (int i = 0; i < 3; ++i)
            if (counts[t][65536 + i] < 32)
                counts[t][65536 + i] = 0; // such an escape gets no code
        std::vector<uint8_t> lengths = HuffmanLengths(counts[t]);
        for (int i = 0; i < 3; ++i)
            m.escapeLength[t][i] = lengths[65536 + i];
        lengths.resize(65536);
        m.length[t] = std::move(lengths);
        uint8_t longest = 0;
        for (uint8_t l : m.length[t])
            longest = std::max(longest, l);
        m.unseenBits[t] = longest + 4.0;
    }
    FinishModel(m, symbols, stats);
    return m;
}

std::vector<uint8_t> PairsToAvoid(const CodedSymbols &symbols)
{
    std::vector<uint32_t> counts(65536, 0);   // pixel pairs
    std::vector<uint8_t> elsewhere(65536, 0); // values of the other three trees
    std::vector<uint32_t> scratch;
    for (size_t f = 0; f < symbols.frames.size(); ++f) {
        const std::vector<uint32_t> *list = symbols.Get(f, scratch);
        if (!list)
            continue;
        for (uint32_t s : *list) {
            if (SymbolTree(s) == ZBX_TREE_PIXEL_PAIR)
                ++counts[SymbolValue(s)];
            else
                elsewhere[SymbolValue(s)] = 1;
        }
    }
    // Players mark inner nodes with a value that no tree uses, and escape
    // leaves count as 0 there: any free pair other than 0 that the other three
    // trees do not use serves. The Huff family gives the pixel-pair tree's
    // escapes the free pairs (escapes that find none of their own share the
    // first one's and go without a code), so one free pair is all it takes.
    for (uint32_t v = 1; v < 65536; ++v)
        if (!counts[v] && !elsewhere[v])
            return {};
    // Every pair is used, or every free one is a value of another tree: keep
    // one pair out. Values 0xXYXY with X = 1, 5, 9, ... never occur in the
    // other three trees (odd bitmaps, equal colour pairs and full-block types
    // with a colour byte are never coded), so the rarest of them stays free
    // for every tree whatever the recoding changes.
    uint32_t freeCandidate = 0, rarest = UINT32_MAX;
    for (uint32_t b = 1; b < 256; b += 4) {
        const uint32_t v = b | (b << 8);
        if (counts[v] < rarest) {
            rarest = counts[v];
            freeCandidate = v;
        }
    }
    std::vector<uint8_t> avoid(65536, 0);
    avoid[freeCandidate] = 1;
    return avoid;
}

std::string ChangedPixelsWarning(const std::vector<FrameOut> &out, size_t frames)
{
    uint64_t pixels = 0;
    std::string list;
    size_t named = 0, unnamed = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        if (!out[i].changedPixels)
            continue;
        pixels += out[i].changedPixels;
        if (named == 12) {
            ++unnamed;
            continue;
        }
        list += named++ ? ", " : "";
        list += i < frames ? std::to_string(i + 1) : std::string("the ring frame");
    }
    if (!pixels)
        return "";
    if (unnamed)
        list += " and " + std::to_string(unnamed) + " more";
    return "Warning: the pictures use nearly every pair of neighbouring colours, more than the file can hold; " +
           std::to_string(pixels) + " pixel" + (pixels == 1 ? "" : "s") + " changed to the nearest colour in frame" +
           (named + unnamed == 1 ? " " : "s ") + list + ".";
}

namespace {

// Bits of a frame's symbols, escapes used as the Huff family uses them.
double SymbolBits(const CostModel &m, const std::vector<uint32_t> &symbols)
{
    double bits = 0;
    LastThree lasts[ZBX_TREE_COUNT];
    for (uint32_t s : symbols) {
        const uint32_t t = SymbolTree(s), v = SymbolValue(s);
        const uint32_t *l = lasts[t].value;
        double cost = m.Bits(t, v);
        for (int i = 0; i < 3; ++i) {
            if (l[i] == v && m.valid && m.escapeLength[t][i] && m.escapeLength[t][i] < cost) {
                cost = m.escapeLength[t][i];
                break;
            }
        }
        bits += cost;
        lasts[t].Push(v);
    }
    return bits;
}

struct FrameMode {
    bool key;
    RateMode rate;
};

class SequenceRun {
public:
    SequenceRun(const SequenceParams &p, const FrameSource &frames, const std::vector<uint32_t> &sound,
                ProgressFn progress, BlobStore *spill)
        : p_(p), frames_(frames), sound_(sound), progress_(progress), spill_(spill)
    {}

    std::string error;

    bool Plan()
    {
        const size_t n = frames_.Count();
        modes_.resize(n);
        std::vector<uint8_t> previous, current;
        for (size_t i = 0; i < n; ++i) {
            bool key = i == 0 || (p_.keyEvery && i % p_.keyEvery == 0);
            if (p_.autoKeyPercent) {
                if (!frames_.Pixels(i, current))
                    return Failed();
                if (!key && ChangedBlocks(previous, current, p_.width, p_.height) >= p_.autoKeyPercent)
                    key = true;
                previous.swap(current);
            }
            int32_t regular = p_.regular, keyValue = p_.key;
            for (const FrameSetting &s : p_.settings) {
                if (i + 1 >= s.first && i + 1 <= s.last) {
                    regular = s.regular;
                    keyValue = s.key;
                }
            }
            modes_[i] = {key, DecodeRate(key ? keyValue : regular)};
            if (modes_[i].rate.kind != RateKind::Lossless)
                allLossless_ = false;
        }
        return true;
    }

    // One pass over the sequence. pass 0 codes everything exactly.
    bool Pass(int pass, const CostModel &model, std::vector<FrameOut> &out, std::vector<FrameStats> &stats)
    {
        const size_t n = frames_.Count();
        if (spill_)
            spill_->Clear();
        const size_t total = n + (p_.ring ? 1 : 0);
        out.assign(total, FrameOut{});
        stats.assign(total, FrameStats{});
        BlockCoder coder(p_.width, p_.height);
        coder.SetEffort(pass > 0 || !allLossless_ ? p_.effort : 0);
        if (!avoid_.empty())
            coder.SetForbiddenPairs(&avoid_);
        Palette6 current{};
        std::vector<uint8_t> firstPicture;
        double carry = 0;
        const double seconds = p_.period / 100000.0;
        const uint64_t pixels = static_cast<uint64_t>(coder.Width()) * coder.Height();
        for (size_t i = 0; i < total; ++i) {
            if (progress_) {
                char text[128];
                std::snprintf(text, sizeof text, "Compressing frame %zu of %zu (pass %d)...", i + 1, total, pass + 1);
                if (progress_(text, i == 0 && pass == 0 ? 1 : 0))
                    return false;
            }
            const bool ring = i == n;
            const Palette6 &palette = frames_.PaletteOf(ring ? 0 : i);
            if (!ring && !frames_.Pixels(i, pixels_))
                return Failed();
            const uint8_t *pixels8 = ring ? firstPicture.data() : pixels_.data();
            FrameOut &f = out[i];
            if (i == 0 || palette != current) {
                f.paletteChunk = PaletteChunk(current, palette);
                current = palette;
            }
            const FrameMode mode = ring ? FrameMode{false, {}} : modes_[i];
            const bool lossy = pass > 0 && mode.rate.kind != RateKind::Lossless;
            f.key = mode.key;
            coder.SetFreeColours(!ring && (i == 0 || frames_.PaletteOf(i - 1) == palette) &&
                                 (i + 1 >= n || frames_.PaletteOf(i + 1) == palette));
            coder.Prepare(pixels8, coder.Width(), ExpandPalette(palette), mode.key, model, lossy);
            FrameRequest req;
            req.key = mode.key;
            const double fixed = static_cast<double>(f.paletteChunk.size()) + (i < sound_.size() ? sound_[i] : 0);
            double target = 0;
            if (lossy) {
                switch (mode.rate.kind) {
                case RateKind::ErrorPercent:
                    req = ChooseLossy(coder, mode.key, false, 0, ErrorBudget(mode.rate.value, pixels));
                    break;
                case RateKind::DataRate:
                    target = mode.rate.value * seconds - overhead_ + FirstFrameExtra(i, mode.rate.value * seconds);
                    req = ChooseLossy(coder, mode.key, true, std::max(0.0, target + carry - fixed) * 8, 0);
                    break;
                case RateKind::AverageFramePercent:
                    target = mode.rate.value / 100.0 * meanLossless_;
                    req = ChooseLossy(coder, mode.key, true, std::max(0.0, target - fixed) * 8, 0);
                    break;
                case RateKind::FrameSizePercent:
                    target = mode.rate.value / 100.0 * (i < lossless_.size() ? lossless_[i] : 0);
                    req = ChooseLossy(coder, mode.key, true, std::max(0.0, target - fixed) * 8, 0);
                    break;
                case RateKind::Lossless:
                    break;
                }
            }
            coder.Emit(req, f.symbols, stats[i]);
            f.errorPercent = ErrorPercent(stats[i].error, pixels);
            f.changedPixels = stats[i].changedPixels;
            f.estimatedBytes = fixed + std::ceil(SymbolBits(model, f.symbols) / 8);
            if (lossy && mode.rate.kind == RateKind::DataRate) {
                // Unused budget carries over, a little; overspending is paid back.
                const double cap = 0.05 * mode.rate.value;
                carry = std::clamp(carry + target - f.estimatedBytes, -mode.rate.value, cap);
            }
            if (i == 0)
                firstPicture = coder.Picture();
            if (spill_) {
                if (!spill_->PutSymbols(f.symbols))
                    return Failed();
                std::vector<uint32_t>().swap(f.symbols);
            }
        }
        return true;
    }

    bool Run(std::vector<FrameOut> &out)
    {
        std::vector<FrameStats> stats;
        CostModel model;
        if (!Plan())
            return false;
        if (!Pass(0, model, out, stats))
            return false;
        const CodedSymbols coded{out, spill_};
        if (frames_.Count() == 0 || (allLossless_ && p_.effort < 2))
            return CheckPairs(0, model, out, stats);
        model = BuildModel(coded, stats, p_.effort);
        if (allLossless_) {
            // Choices by their cost under the trees of the last pass, the
            // trees then rebuilt from them, while the estimate falls.
            const int passes = p_.effort < 5 ? 1 : p_.effort < 8 ? 2 : 3;
            double before = EstimatedBits(model, coded);
            CostModel last = model;
            int pass = 1;
            for (; pass <= passes; ++pass) {
                last = model;
                if (!Pass(pass, model, out, stats))
                    return false;
                model = BuildModel(coded, stats, p_.effort);
                const double after = EstimatedBits(model, coded);
                if (after > before * 0.998)
                    break;
                before = after;
            }
            return CheckPairs(std::min(pass, passes), last, out, stats);
        }
        const size_t n = frames_.Count();
        lossless_.resize(n);
        double sum = 0;
        std::vector<uint32_t> scratch;
        for (size_t i = 0; i < n; ++i) {
            const std::vector<uint32_t> *list = coded.Get(i, scratch);
            if (!list)
                return Failed();
            lossless_[i] = static_cast<double>(out[i].paletteChunk.size()) + (i < sound_.size() ? sound_[i] : 0) +
                           std::ceil(SymbolBits(model, *list) / 8);
            sum += lossless_[i];
        }
        meanLossless_ = sum / static_cast<double>(n);
        // How much of the picture the later frames keep (skip blocks of the
        // exact pass): what the first frame's extra bytes are worth.
        double kept = 0, blocks = 0;
        for (size_t i = 1; i < n; ++i)
            for (int k = 0; k < ZBX_BLOCK_KINDS; ++k) {
                blocks += stats[i].blocks[k];
                kept += k == ZBX_BLOCK_SKIP ? stats[i].blocks[k] : 0;
            }
        kept_ = blocks > 0 ? kept / blocks : 0;
        CostModel last;
        const int passes = p_.effort >= 6 ? 3 : 2;
        int pass = 1;
        tried_.clear();
        for (;; ++pass) {
            last = model;
            SetOverhead(model, pass);
            if (pass == passes + 2)
                overhead_ += 0.015 * TargetBytes() / static_cast<double>(n); // the last try: more margin
            if (!Pass(pass, model, out, stats))
                return false;
            model = BuildModel(coded, stats, p_.effort);
            // With a data rate, the passes from the second on steer the bytes
            // taken from the frames' share for the header, tables and trees
            // (which grow and shrink with the frames) so that the file lands
            // just under the rate; one that missed it (over it, or more than 2%
            // under) gets up to two more passes.
            const double target = TargetBytes(), excess = RateExcess(model, out) + 0.01 * target;
            if (pass >= 2 && target > 0)
                tried_.emplace_back(overhead_ * static_cast<double>(n), excess);
            const bool missed = excess > 0.01 * target || excess < -0.02 * target;
            if (pass >= passes + (missed ? 2 : 0))
                break;
        }
        if (!CheckPairs(pass - 1, last, out, stats))
            return false;
        model = BuildModel(coded, stats, p_.effort);
        // Re-estimate with the model of the final symbols.
        for (size_t i = 0; i < out.size(); ++i) {
            const std::vector<uint32_t> *list = coded.Get(i, scratch);
            if (!list)
                return Failed();
            out[i].estimatedBytes = static_cast<double>(out[i].paletteChunk.size()) +
                                    (i < sound_.size() ? sound_[i] : 0) + std::ceil(SymbolBits(model, *list) / 8);
        }
        return true;
    }

private:
    // With a data rate, the header, the frame tables and (from effort 1) the
    // trees count against it too: spread over the frames, as the model of the
    // last pass estimates them.
    void SetOverhead(const CostModel &model, int pass)
    {
        const size_t n = frames_.Count();
        if (p_.effort == 0 || n == 0 || TargetBytes() <= 0) {
            overhead_ = 0;
            return;
        }
        const double tables = HeaderAndTablesBytes();
        double bytes = tables + model.treeBytes;
        if (pass == 1) {
            // The model is the exact pass's: lossy frames use fewer values.
            const double target = TargetBytes(), exact = meanLossless_ * static_cast<double>(n);
            if (exact > target)
                bytes = tables + model.treeBytes * target / exact;
        } else if (tried_.size() == 1) {
            // Each byte taken from the frames takes about half a byte of trees with it.
            bytes = tried_[0].first + tried_[0].second / 1.5;
        } else if (tried_.size() >= 2) {
            // The file against the bytes taken from the frames falls by a
            // byte or more per byte (the trees shrink with the frames): the
            // secant through the last two passes, kept near the last step.
            const auto &[o1, e1] = tried_[tried_.size() - 2];
            const auto &[o2, e2] = tried_.back();
            bytes = o2 + e2;
            if (o2 != o1 && e2 != e1) {
                const double slope = (e2 - e1) / (o2 - o1);
                if (slope < -0.5)
                    bytes = o2 - e2 / slope;
            }
            bytes = std::clamp(bytes, o2 - 2 * std::fabs(e2), o2 + 2 * std::fabs(e2));
        }
        overhead_ = bytes / static_cast<double>(n);
    }
    // From effort 1 with a data rate, the first frame (which has no picture
    // to build on, and which players leave out of their one-second windows)
    // takes extra bytes that every later frame pays back evenly: as much as
    // keeps every window of a second, the first one included, within 9% of
    // the rate, in the measure that later frames keep its picture (a pan
    // gains nothing from a better first frame). share is a frame's share of
    // the rate.
    double FirstFrameExtra(size_t i, double share) const
    {
        const size_t n = frames_.Count();
        if (p_.effort == 0 || n < 2 || TargetBytes() <= 0)
            return 0;
        const double f = std::max(1.0, std::round(100000.0 / p_.period)), later = static_cast<double>(n - 1);
        double extra = 0.5 * later * share; // a file shorter than a second is one window
        if (later >= f)
            extra = 0.09 * f * share * std::min(later / f, later / std::max(1.0, later + 1 - f));
        extra *= kept_;
        return i == 0 ? extra : -extra / later;
    }

    // The bytes that every frame's data rate gives the file (0 when some
    // frame has another kind of value, or at effort 0).
    double TargetBytes() const
    {
        const size_t n = frames_.Count();
        double target = 0;
        for (size_t i = 0; i < n && p_.effort > 0; ++i) {
            if (modes_[i].rate.kind != RateKind::DataRate)
                return 0;
            target += modes_[i].rate.value * p_.period / 100000.0;
        }
        return target;
    }

    // How far the file of the last pass, trees included, lies over (above 0)
    // or under its data rate.
    double RateExcess(const CostModel &model, const std::vector<FrameOut> &out) const
    {
        const double target = TargetBytes();
        if (target <= 0)
            return 0;
        const double bytes = HeaderAndTablesBytes() + model.treeBytes +
                             std::ceil(EstimatedBits(model, CodedSymbols{out, spill_}) / 8) + FixedBytes(out);
        return bytes - target;
    }

    // The header and the frame tables (a ring frame has its entries too).
    double HeaderAndTablesBytes() const
    {
        const auto entries = static_cast<uint32_t>(frames_.Count() + (p_.ring ? 1 : 0));
        return static_cast<double>(ZBX_HEADER_SIZE + ZbxTablesBytes(entries));
    }

    // Palette and sound bytes of the frames.
    double FixedBytes(const std::vector<FrameOut> &out) const
    {
        double bytes = 0;
        for (size_t i = 0; i < out.size(); ++i)
            bytes += static_cast<double>(out[i].paletteChunk.size()) + (i < sound_.size() ? sound_[i] : 0);
        return bytes;
    }

    double EstimatedBits(const CostModel &model, const CodedSymbols &coded) const
    {
        double bits = 0;
        std::vector<uint32_t> scratch;
        for (size_t i = 0; i < coded.frames.size(); ++i)
            if (const std::vector<uint32_t> *list = coded.Get(i, scratch))
                bits += SymbolBits(model, *list);
        return bits;
    }

    // Codes the last pass again without the pairs that would leave the
    // pixel-pair tree without room (only with pictures full of noise).
    bool CheckPairs(int pass, const CostModel &model, std::vector<FrameOut> &out, std::vector<FrameStats> &stats)
    {
        avoid_ = PairsToAvoid(CodedSymbols{out, spill_});
        if (avoid_.empty())
            return true;
        return Pass(pass, model, out, stats);
    }

    bool Failed()
    {
        error = "Error: the temporary storage of the compressor failed (disk full?).";
        return false;
    }

    std::vector<uint8_t> avoid_;
    const SequenceParams &p_;
    const FrameSource &frames_;
    const std::vector<uint32_t> &sound_;
    ProgressFn progress_;
    BlobStore *spill_;
    std::vector<uint8_t> pixels_;
    std::vector<FrameMode> modes_;
    bool allLossless_ = true;
    std::vector<double> lossless_;
    double meanLossless_ = 0;
    double overhead_ = 0;                          // bytes per frame taken from a data rate's share
    double kept_ = 0;                              // share of the blocks that later frames keep (exact pass)
    std::vector<std::pair<double, double>> tried_; // per pass: bytes taken from the frames, file over the aim
};

} // namespace

bool CodeSequence(const SequenceParams &params, const FrameSource &frames, const std::vector<uint32_t> &soundBytes,
                  std::vector<FrameOut> &out, ProgressFn progress, BlobStore *spill, std::string &error)
{
    SequenceRun run(params, frames, soundBytes, progress, spill);
    const bool ok = run.Run(out);
    if (!ok)
        error = run.error;
    return ok;
}

bool CodeSequence(const SequenceParams &params, const std::vector<SourceFrame> &frames,
                  const std::vector<uint32_t> &soundBytes, std::vector<FrameOut> &out, ProgressFn progress)
{
    const VectorFrames source(frames);
    std::string error; // with no spill store only a cancel fails
    return CodeSequence(params, source, soundBytes, out, progress, nullptr, error);
}

} // namespace zenc
