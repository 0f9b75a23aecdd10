// The box-splitting quantiser and the colour mapping helpers (see
// palette_reduction.h).
#include "vexutil/graphics/palette_reduction.h"

#include <algorithm>
#include <cstring>

namespace vex {

const uint16_t (&Dist())[64][64]
{
    static const struct Table {
        uint16_t d[64][64];
        Table()
        {
            for (int a = 0; a < 64; a++)
                for (int b = 0; b < 64; b++)
                    d[a][b] = static_cast<uint16_t>((a - b) * (a - b));
        }
    } table;
    return table.d;
}

void WriteSystemColours(uint8_t *palette)
{
    static const uint8_t low[10][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                                       {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
    static const uint8_t high[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                        {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                        {0, 255, 255},   {255, 255, 255}};
    std::memcpy(palette, low, 30);
    std::memcpy(palette + 246 * 3, high, 30);
}

namespace {

inline uint32_t R6(uint32_t cell)
{
    return cell >> 12;
}
inline uint32_t G6(uint32_t cell)
{
    return (cell >> 6) & 63;
}
inline uint32_t B6(uint32_t cell)
{
    return cell & 63;
}

struct Part {
    uint32_t colour = 0;
    uint64_t error = 0;
};

struct Split {
    size_t firstCells = 0; // cells of the first part
    Part first, second;
    int candidate = -1; // -1: a box of one or two cells
};

struct Box {
    size_t begin = 0, n = 0;
    Part self;
    Split split;
};

// Sums of one set of cells: counts, components and squared components.
struct Sums {
    uint64_t c = 0, r = 0, g = 0, b = 0, rr = 0, gg = 0, bb = 0;
    void Add(uint64_t count, uint32_t cell)
    {
        uint64_t r6 = R6(cell), g6 = G6(cell), b6 = B6(cell);
        c += count;
        r += count * r6;
        g += count * g6;
        b += count * b6;
        rr += count * r6 * r6;
        gg += count * g6 * g6;
        bb += count * b6 * b6;
    }
    Sums operator-(const Sums &o) const
    {
        return {c - o.c, r - o.r, g - o.g, b - o.b, rr - o.rr, gg - o.gg, bb - o.bb};
    }
    Sums &operator+=(const Sums &o)
    {
        c += o.c, r += o.r, g += o.g, b += o.b, rr += o.rr, gg += o.gg, bb += o.bb;
        return *this;
    }
};

uint32_t ColourOf(const Sums &s)
{
    if (s.c == 0)
        return 0;
    uint32_t mr = static_cast<uint32_t>(4 * s.r / s.c), mg = static_cast<uint32_t>(4 * s.g / s.c),
             mb = static_cast<uint32_t>(4 * s.b / s.c);
    return mr << 16 | mg << 8 | mb;
}

// The weighted squared error of a set around its colour, from its sums:
// sum(count * (x - m)^2) = xx - 2 m x + m^2 c per component, exact.
uint64_t ErrorOf(const Sums &s, uint32_t colour)
{
    __extension__ typedef unsigned __int128 u128;
    auto comp = [&](uint64_t x, uint64_t xx, uint32_t m8) -> u128 {
        u128 m = m8 >> 2;
        return static_cast<u128>(xx) + m * m * s.c - 2 * m * x;
    };
    u128 e = 299 * comp(s.r, s.rr, colour >> 16) + 587 * comp(s.g, s.gg, (colour >> 8) & 0xFF) +
             114 * comp(s.b, s.bb, colour & 0xFF);
    return static_cast<uint64_t>(e);
}

class Quantiser {
public:
    Quantiser(const uint32_t *hist, bool reference) : hist_(hist), reference_(reference)
    {
        for (uint32_t i = 0; i < kCells; i++)
            if (hist[i])
                cells_.push_back(i);
    }
    bool Empty() const { return cells_.empty(); }

    std::vector<uint32_t> Run(int target, ReduceProgress progress, void *context)
    {
        Box b0;
        b0.begin = 0;
        b0.n = cells_.size();
        b0.self = PartOf(0, b0.n);
        boxes_.push_back(b0);
        if (target > 1) {
            int splits = 0;
            FindSplit(boxes_.back());
            for (;;) {
                if (progress && progress(context, 100 * splits / target + 1, splits == 0 ? 1 : 0))
                    break;
                size_t best = 0;
                int64_t bestGain = INT64_MIN;
                for (size_t i = 0; i < boxes_.size(); i++) {
                    const Box &b = boxes_[i];
                    int64_t gain = static_cast<int64_t>(b.self.error - b.split.first.error - b.split.second.error);
                    if (gain > bestGain) {
                        bestGain = gain;
                        best = i;
                    }
                }
                if (bestGain <= 0)
                    break;
                Box &b = boxes_[best];
                Box nb;
                nb.begin = b.begin + b.split.firstCells;
                nb.n = b.n - b.split.firstCells;
                nb.self = b.split.second;
                b.n = b.split.firstCells;
                b.self = b.split.first;
                boxes_.push_back(nb);
                splits++;
                if (static_cast<int>(boxes_.size()) >= target)
                    break;
                FindSplit(boxes_[best]);
                FindSplit(boxes_.back());
            }
        }
        std::vector<uint32_t> out;
        for (const Box &b : boxes_)
            out.push_back(b.self.colour);
        return out;
    }

private:
    Part PartOf(size_t begin, size_t n) const
    {
        Sums s;
        for (size_t i = begin; i < begin + n; i++)
            s.Add(hist_[cells_[i]], cells_[i]);
        Part p;
        p.colour = ColourOf(s);
        p.error = ErrorOf(s, p.colour);
        return p;
    }

    static uint32_t Expanded(uint32_t cell)
    {
        return static_cast<uint32_t>(Expand6(R6(cell))) << 16 | static_cast<uint32_t>(Expand6(G6(cell))) << 8 |
               Expand6(B6(cell));
    }

    // Limits of candidate i: level i mod 64, a component whose bit (6 red,
    // 7 green, 8 blue) is set is not limited.
    static bool InFirst(int i, uint32_t cell)
    {
        uint32_t L = static_cast<uint32_t>(i & 63);
        uint32_t rl = (i & 64) ? 63 : L, gl = (i & 128) ? 63 : L, bl = (i & 256) ? 63 : L;
        return R6(cell) <= rl && G6(cell) <= gl && B6(cell) <= bl;
    }

    void FindSplit(Box &b)
    {
        Split &s = b.split;
        s = Split();
        if (b.n <= 2) {
            uint32_t c0 = cells_[b.begin], c1 = cells_[b.begin + (b.n == 2 ? 1 : 0)];
            s.firstCells = 1;
            s.first.colour = Expanded(c0);
            s.second.colour = Expanded(c1);
            return;
        }
        uint64_t bestSum = UINT64_MAX;
        int bestI = -1;
        Part bestFirst, bestSecond;
        if (reference_) {
            for (int i = 0; i < 512; i++) {
                Sums a, c;
                for (size_t k = b.begin; k < b.begin + b.n; k++) {
                    uint32_t cell = cells_[k];
                    (InFirst(i, cell) ? a : c).Add(hist_[cell], cell);
                }
                if (a.c == 0 || c.c == 0)
                    continue;
                Part p1{ColourOf(a), 0}, p2{ColourOf(c), 0};
                // The error by the distance table, cell by cell.
                const auto &D = Dist();
                for (size_t k = b.begin; k < b.begin + b.n; k++) {
                    uint32_t cell = cells_[k];
                    Part &p = InFirst(i, cell) ? p1 : p2;
                    uint64_t d = 299u * D[R6(cell)][p.colour >> 18] + 587u * D[G6(cell)][(p.colour >> 10) & 63] +
                                 114u * D[B6(cell)][(p.colour >> 2) & 63];
                    p.error += static_cast<uint64_t>(hist_[cell]) * d;
                }
                if (p1.error + p2.error < bestSum) {
                    bestSum = p1.error + p2.error;
                    bestI = i;
                    bestFirst = p1;
                    bestSecond = p2;
                }
            }
        } else {
            // Per kind of candidate (which components are limited), bucket
            // the cells by the largest limited component; the first part of
            // level L is then the buckets 0..L.
            for (int kind = 0; kind < 8; kind++) {
                Sums bucket[64];
                for (size_t k = b.begin; k < b.begin + b.n; k++) {
                    uint32_t cell = cells_[k];
                    uint32_t key = 0;
                    if (!(kind & 1))
                        key = std::max(key, R6(cell));
                    if (!(kind & 2))
                        key = std::max(key, G6(cell));
                    if (!(kind & 4))
                        key = std::max(key, B6(cell));
                    bucket[key].Add(hist_[cell], cell);
                }
                Sums total;
                for (const Sums &x : bucket)
                    total += x;
                Sums first;
                for (int L = 0; L < 64; L++) {
                    first += bucket[L];
                    Sums second = total - first;
                    if (first.c == 0 || second.c == 0)
                        continue;
                    Part p1, p2;
                    p1.colour = ColourOf(first);
                    p1.error = ErrorOf(first, p1.colour);
                    p2.colour = ColourOf(second);
                    p2.error = ErrorOf(second, p2.colour);
                    if (p1.error + p2.error < bestSum) {
                        bestSum = p1.error + p2.error;
                        bestI = kind * 64 + L;
                        bestFirst = p1;
                        bestSecond = p2;
                    }
                }
            }
        }
        if (bestI < 0) {
            // Cannot happen for distinct cells; keep the box whole.
            s.firstCells = b.n;
            s.first = b.self;
            return;
        }
        s.candidate = bestI;
        s.first = bestFirst;
        s.second = bestSecond;
        // Reorder in place: the first part to the front.
        size_t f = b.begin, e = b.begin + b.n;
        while (f < e) {
            if (InFirst(bestI, cells_[f])) {
                f++;
            } else {
                e--;
                std::swap(cells_[f], cells_[e]);
            }
        }
        s.firstCells = f - b.begin;
    }

    const uint32_t *hist_;
    bool reference_;
    std::vector<uint32_t> cells_;
    std::vector<Box> boxes_;
};

} // namespace

std::vector<uint32_t> QuantiseCells(const uint32_t *hist, int target, ReduceProgress progress, void *context,
                                    bool reference)
{
    Quantiser q(hist, reference);
    if (q.Empty())
        return {};
    return q.Run(target, progress, context);
}

void PlaceColours(const std::vector<uint32_t> &colours, uint8_t *palette, int slot0, int slots)
{
    size_t n = colours.size();
    if (slots <= 0)
        return;
    if (n > static_cast<size_t>(slots) || slots > 256) {
        for (size_t i = 0; i < n && i < static_cast<size_t>(slots); i++) {
            uint8_t *p = palette + 3 * (static_cast<size_t>(slot0) + i);
            p[0] = static_cast<uint8_t>(colours[i] >> 16);
            p[1] = static_cast<uint8_t>(colours[i] >> 8);
            p[2] = static_cast<uint8_t>(colours[i]);
        }
        return;
    }
    std::vector<char> colourDone(n, 0), slotDone(static_cast<size_t>(slots), 0);
    for (size_t round = 0; round < n; round++) {
        uint64_t best = UINT64_MAX;
        size_t bi = 0, bj = 0;
        for (size_t i = 0; i < n && best != 0; i++) {
            if (colourDone[i])
                continue;
            int r = static_cast<int>((colours[i] >> 16) & 0xFF), g = static_cast<int>((colours[i] >> 8) & 0xFF),
                b = static_cast<int>(colours[i] & 0xFF);
            for (size_t j = 0; j < static_cast<size_t>(slots); j++) {
                if (slotDone[j])
                    continue;
                const uint8_t *p = palette + 3 * (static_cast<size_t>(slot0) + j);
                int dr = r - p[0], dg = g - p[1], db = b - p[2];
                uint64_t cost =
                    2 * static_cast<uint64_t>(299 * dr * dr + 587 * dg * dg + 114 * db * db) + (i != j ? 1 : 0);
                if (cost < best) {
                    best = cost;
                    bi = i;
                    bj = j;
                    if (cost == 0)
                        break;
                }
            }
        }
        colourDone[bi] = slotDone[bj] = 1;
        uint8_t *p = palette + 3 * (static_cast<size_t>(slot0) + bj);
        p[0] = static_cast<uint8_t>(colours[bi] >> 16);
        p[1] = static_cast<uint8_t>(colours[bi] >> 8);
        p[2] = static_cast<uint8_t>(colours[bi]);
    }
}

int ReduceHistogram(uint32_t *hist, uint8_t *palette, int first, int count, int lowReserve, int highReserve,
                    ReduceProgress progress, void *context)
{
    // Colours that the reserved entries already hold are not computed again.
    for (int e = first; e < first + lowReserve; e++) {
        const uint8_t *p = palette + 3 * e;
        hist[CellOf(p[0], p[1], p[2])] = 0;
    }
    for (int e = 246; e < first + count; e++) {
        const uint8_t *p = palette + 3 * e;
        hist[CellOf(p[0], p[1], p[2])] = 0;
    }
    int target = count - lowReserve - highReserve;
    if (target <= 0)
        return 0;
    std::vector<uint32_t> colours = QuantiseCells(hist, target, progress, context);
    if (colours.empty())
        return 0;
    PlaceColours(colours, palette, first + lowReserve, target);
    return static_cast<int>(std::min<size_t>(colours.size(), static_cast<size_t>(target)));
}

void BuildRemapTable(const uint8_t *sourcePalette, const uint8_t *palette, int first, int count, uint8_t *remap)
{
    const auto &D = Dist();
    for (int s = 0; s < 256; s++) {
        uint32_t r = sourcePalette[3 * s] >> 2, g = sourcePalette[3 * s + 1] >> 2, b = sourcePalette[3 * s + 2] >> 2;
        int best = first;
        uint32_t bestD = UINT32_MAX;
        for (int p = first; p < first + count; p++) {
            uint32_t d = D[r][palette[3 * p] >> 2] + D[g][palette[3 * p + 1] >> 2] + D[b][palette[3 * p + 2] >> 2];
            if (d < bestD) {
                bestD = d;
                best = p;
                if (d == 0)
                    break;
            }
        }
        // An exact match below s gives way to s itself when s is in the
        // range and matches too, so identical entries keep their indices.
        if (bestD == 0 && best < s && s >= first && s < first + count) {
            uint32_t d = D[r][palette[3 * s] >> 2] + D[g][palette[3 * s + 1] >> 2] + D[b][palette[3 * s + 2] >> 2];
            if (d == 0)
                best = s;
        }
        remap[s] = static_cast<uint8_t>(count > 0 ? best : 0);
    }
}

uint8_t NearestCached(uint16_t *cache, const uint8_t *palette, int first, int count, uint32_t r, uint32_t g, uint32_t b)
{
    uint32_t cell = CellOf(r, g, b);
    if (cache[cell] >= 256)
        return static_cast<uint8_t>(cache[cell] - 256);
    const auto &D = Dist();
    uint32_t r6 = r >> 2, g6 = g >> 2, b6 = b >> 2;
    int best = count > 0 ? first : 0;
    uint32_t bestD = UINT32_MAX;
    for (int p = first; p < first + count; p++) {
        uint32_t d = D[r6][palette[3 * p] >> 2] + D[g6][palette[3 * p + 1] >> 2] + D[b6][palette[3 * p + 2] >> 2];
        if (d < bestD) {
            bestD = d;
            best = p;
            if (d == 0)
                break;
        }
    }
    cache[cell] = static_cast<uint16_t>(best + 256);
    return static_cast<uint8_t>(best);
}

} // namespace vex
