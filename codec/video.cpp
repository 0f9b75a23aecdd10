// Video frame decoding: the three equivalent decoders (reference walk,
// table-driven plain loop, wide loop) and the output geometry.
#include "codec/video.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include "codec/format.h"
#include "codec/widereader.h"

namespace zorb {

namespace {

// Largest picture we set up output for: 2^30 pixels.
constexpr uint64_t kMaxPixels = uint64_t{1} << 30;

uint64_t MapPartBytes(uint32_t width, uint32_t codedHeight)
{
    return ((uint64_t{width} * codedHeight / 256 + 32) + 35) & ~uint64_t{3};
}

// Byte i of kExpand8[m] is 0xFF when bit i of m is set: one bitmap byte is two
// rows of four pixels.
struct ExpandTables {
    uint64_t e8[256];
    uint64_t e16[16];
    constexpr ExpandTables() : e8(), e16()
    {
        for (unsigned m = 0; m < 256; ++m)
            for (unsigned i = 0; i < 8; ++i)
                if (m >> i & 1)
                    e8[m] |= uint64_t{0xFF} << (8 * i);
        for (unsigned m = 0; m < 16; ++m)
            for (unsigned i = 0; i < 4; ++i)
                if (m >> i & 1)
                    e16[m] |= uint64_t{0xFFFF} << (16 * i);
    }
};
constexpr ExpandTables kExpand;

// A tree as the fast loops use it: the lookup tables and the three cache
// values in locals, stored back into the tree's slots at the end of a frame.
struct FastTree {
    BigTree &tree;
    const uint32_t *table;
    const uint8_t *lengths;
    uint32_t mask;
    uint32_t cache[3];

    explicit FastTree(BigTree &t)
        : tree(t), table(t.table), lengths(t.lengths),
          mask((1u << t.tableBits) - 1), cache{*t.slot[0], *t.slot[1], *t.slot[2]}
    {}
    // Oldest first, so that slots shared by an absent tree end as DecodeBig leaves them.
    void Store() const
    {
        *tree.slot[2] = static_cast<uint16_t>(cache[2]);
        *tree.slot[1] = static_cast<uint16_t>(cache[1]);
        *tree.slot[0] = static_cast<uint16_t>(cache[0]);
    }
    // The value of a leaf reached by walking: a cache slot's lives here.
    uint32_t LeafValue(uint32_t n) const
    {
        const uint16_t *v = &tree.nodes[n].value;
        for (int k = 0; k < 3; ++k)
            if (v == tree.slot[k])
                return cache[k];
        return *v;
    }
};

// DecodeBig on a FastTree: the same table step and the same result. The
// cache slot and the cache update are selects rather than branches: which
// slot a code names follows the picture, not a pattern.
template <bool Filled = false, class R>
[[gnu::always_inline]] inline uint32_t DecodeFast(FastTree &f, R &in)
{
    if constexpr (!Filled)
        in.Fill(kMaxTableBits);
    // The next code's position depends on this code's length only: it comes
    // from the small table, and the entry's load is off that chain.
    const uint32_t index = in.PeekWord() & f.mask; // one AND on the chain
    const uint32_t e = f.table[index];
    in.Skip(f.lengths[index]);
    uint32_t v = e >> 16;
    // Slots and walks are the rare entries: a jump that is mostly not taken
    // is cheaper than selecting the cache value for every code.
    if (e & (kSlotEntry | kWalkEntry)) [[unlikely]] {
        if (e & kSlotEntry) {
            const uint32_t k = (e >> 8) & 3;
            v = k == 0 ? f.cache[0] : k == 1 ? f.cache[1] : f.cache[2];
        } else {
            const TreeNode *nodes = f.tree.nodes;
            uint32_t n = e >> 8;
            while (nodes[n].one)
                n = in.ReadBit() ? nodes[n].one : n + 1;
            v = f.LeafValue(n);
            if constexpr (Filled)
                in.Fill(kMaxTableBits); // a long code may have used up what the caller made room for
        }
    }
    const bool repeat = v == f.cache[0];
    f.cache[2] = repeat ? f.cache[2] : f.cache[1];
    f.cache[1] = repeat ? f.cache[1] : f.cache[0];
    f.cache[0] = v;
    return v;
}

// Writes pixels of one 4x4 block; Wide selects the word-wide stores.
template <bool Wide, uint32_t BPP, bool Doubled>
struct Writer {
    const OutputDescriptor &od;
    int64_t rowStep; // between coded rows
    int64_t dupStep; // to the second line of a doubled row
    const uint16_t *table;

    explicit Writer(const OutputDescriptor &o)
        : od(o), rowStep(o.interlaced || o.doubled ? 2 * int64_t{o.stride} : int64_t{o.stride}),
          dupStep(int64_t{o.stride}), table(o.colourTable16)
    {
        if (o.bottomUp) {
            rowStep = -rowStep;
            dupStep = -dupStep;
        }
    }

    // Address of block (bx, by), or null when it lies outside the buffer.
    uint8_t *Dst(uint32_t bx, uint32_t by) const
    {
        if (bx >= od.colEnd || by < od.rowFirst || by >= od.rowEnd)
            return nullptr;
        // Only blocks inside the buffer get here, so line x stride stays inside it.
        const int64_t line =
            od.firstLine + (od.bottomUp ? -1 : 1) * int64_t{by} * (od.interlaced || od.doubled ? 8 : 4);
        return od.buffer + line * int64_t{od.stride} + (int64_t{od.outputX} + int64_t{bx} * 4) * BPP;
    }

    void Row(uint8_t *row, const uint8_t *px) const
    {
        if constexpr (BPP == 1) {
            if constexpr (Wide) {
                std::memcpy(row, px, 4);
            } else {
                for (int x = 0; x < 4; ++x)
                    row[x] = px[x];
            }
        } else {
            if constexpr (Wide) {
                const uint64_t v = uint64_t{table[px[0]]} | uint64_t{table[px[1]]} << 16 |
                                   uint64_t{table[px[2]]} << 32 | uint64_t{table[px[3]]} << 48;
                std::memcpy(row, &v, 8);
            } else {
                for (int x = 0; x < 4; ++x) {
                    const uint16_t v = table[px[x]];
                    row[2 * x] = static_cast<uint8_t>(v);
                    row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                }
            }
        }
    }

    void PutRow(uint8_t *dst, int y, const uint8_t *px) const
    {
        uint8_t *row = dst + y * rowStep;
        Row(row, px);
        if constexpr (Doubled)
            Row(row + dupStep, px);
    }

    void Block(uint8_t *dst, const uint8_t px[16]) const
    {
        for (int y = 0; y < 4; ++y)
            PutRow(dst, y, px + 4 * y);
    }

    // Rows as words, the leftmost pixel in the low byte.
    void Block(uint8_t *dst, const uint32_t rows[4]) const
    {
        if constexpr (Wide && BPP == 1) {
            for (int y = 0; y < 4; ++y) {
                uint8_t *row = dst + y * rowStep;
                std::memcpy(row, &rows[y], 4); // little-endian: the low byte lands leftmost
                if constexpr (Doubled)
                    std::memcpy(row + dupStep, &rows[y], 4);
            }
        } else {
            uint8_t px[16];
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    px[4 * y + x] = static_cast<uint8_t>(rows[y] >> (8 * x));
            Block(dst, px);
        }
    }

    void TwoColour(uint8_t *dst, uint16_t c, uint16_t m) const
    {
        const uint8_t lo = static_cast<uint8_t>(c), hi = static_cast<uint8_t>(c >> 8);
        if constexpr (Wide && BPP == 1) {
            const uint64_t l = lo * 0x0101010101010101ull, h = hi * 0x0101010101010101ull;
            for (int half = 0; half < 2; ++half) {
                const uint64_t v = l ^ ((l ^ h) & kExpand.e8[(m >> (8 * half)) & 0xFF]);
                uint8_t *row = dst + 2 * half * rowStep;
                std::memcpy(row, &v, 4);
                std::memcpy(row + rowStep, reinterpret_cast<const uint8_t *>(&v) + 4, 4);
                if constexpr (Doubled) {
                    std::memcpy(row + dupStep, &v, 4);
                    std::memcpy(row + rowStep + dupStep, reinterpret_cast<const uint8_t *>(&v) + 4, 4);
                }
            }
        } else if constexpr (Wide) {
            const uint64_t l = table[lo] * 0x0001000100010001ull, h = table[hi] * 0x0001000100010001ull;
            for (int y = 0; y < 4; ++y) {
                const uint64_t v = l ^ ((l ^ h) & kExpand.e16[(m >> (4 * y)) & 0xF]);
                uint8_t *row = dst + y * rowStep;
                std::memcpy(row, &v, 8);
                if constexpr (Doubled)
                    std::memcpy(row + dupStep, &v, 8);
            }
        } else {
            uint8_t px[16];
            for (int i = 0; i < 16; ++i)
                px[i] = (m >> i & 1) ? hi : lo;
            Block(dst, px);
        }
    }

    // Fills blocks [b, end) of the picture with one colour, row by row.
    void Fill(uint32_t b, uint32_t end, uint8_t colour) const
    {
        const uint32_t bpr = od.blocksPerRow;
        while (b < end) {
            const uint32_t by = b / bpr, bx = b % bpr;
            const uint32_t segEnd = std::min(end - b, bpr - bx) + bx; // exclusive, in this row
            const uint32_t writeEnd = std::min(segEnd, od.colEnd);
            if (bx < writeEnd && by >= od.rowFirst && by < od.rowEnd) {
                uint8_t *dst = Dst(bx, by);
                const uint32_t pixels = (writeEnd - bx) * 4;
                for (int y = 0; y < 4; ++y) {
                    uint8_t *row = dst + y * rowStep;
                    FillSpan(row, pixels, colour);
                    if constexpr (Doubled)
                        FillSpan(row + dupStep, pixels, colour);
                }
            }
            b += segEnd - bx;
        }
    }

    void FillSpan(uint8_t *row, uint32_t pixels, uint8_t colour) const
    {
        if constexpr (BPP == 1) {
            if constexpr (Wide) {
                std::memset(row, colour, pixels);
            } else {
                for (uint32_t i = 0; i < pixels; ++i)
                    row[i] = colour;
            }
        } else {
            const uint16_t v = table[colour];
            if constexpr (Wide) {
                const uint64_t w = v * 0x0001000100010001ull;
                uint32_t i = 0;
                for (; i + 4 <= pixels; i += 4)
                    std::memcpy(row + 2 * i, &w, 8);
                for (; i < pixels; ++i)
                    std::memcpy(row + 2 * i, &v, 2);
            } else {
                for (uint32_t i = 0; i < pixels; ++i) {
                    row[2 * i] = static_cast<uint8_t>(v);
                    row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
                }
            }
        }
    }
};

template <DecodePath P, uint32_t BPP, bool Doubled>
VideoResult DecodeT(TreeTable &trees, const uint8_t *data, size_t size, OutputDescriptor &od)
{
    constexpr bool kWide = P == DecodePath::Wide;
    using Reader = std::conditional_t<kWide, WideReader, BitReader>;
    Reader in(data, size);
    const Writer<kWide, BPP, Doubled> w(od);
    ResetCaches(&trees);
    FastTree typeTree(trees.tree[ZBX_TREE_BLOCK_TYPE]), colourTree(trees.tree[ZBX_TREE_COLOUR_PAIR]);
    FastTree bitmapTree(trees.tree[ZBX_TREE_BITMAP]), pixelTree(trees.tree[ZBX_TREE_PIXEL_PAIR]);
    auto big = [&in](FastTree & f) __attribute__((always_inline))->uint32_t
    {
        if constexpr (P == DecodePath::Reference)
            return DecodeBigReference(f.tree, in);
        else
            return DecodeFast(f, in);
    };
    auto typeValue = [&big, &typeTree ]() __attribute__((always_inline))->uint32_t
    {
        return big(typeTree);
    };

    const uint32_t bpr = od.blocksPerRow, total = bpr * od.blockRows;
    const uint32_t groups = (total + 15) / 16;
    uint8_t *map = od.changeMap;
    uint32_t marked = 0;
    auto markWritten = [&](uint32_t e) {
        if (marked <= e) {
            const uint32_t g = (e + 15) / 16;
            std::memset(map + marked / 16, 1, g - marked / 16);
            marked = g * 16;
        }
    };
    auto markSkipped = [&](uint32_t e) {
        if (marked <= e) {
            const uint32_t g = e / 16;
            std::memset(map + marked / 16, 0, g - marked / 16);
            marked = g * 16;
        }
    };

    VideoResult r{0, 0, false};
    uint32_t b = 0;
    while (b < total) {
        const uint32_t t = typeValue();
        ++r.values;
        if (in.Overrun()) {
            r.ranOut = true;
            break;
        }
        const uint32_t end = b + std::min<uint32_t>(ZbxRunLengths[(t >> 2) & 63], total - b);
        const uint32_t type = t & ZBX_BLOCK_TYPE_MASK;
        if (type == ZBX_BLOCK_SKIP) {
            b = end;
            markSkipped(end);
            continue;
        }
        if (type == ZBX_BLOCK_FILL) {
            w.Fill(b, end, static_cast<uint8_t>(t >> 8));
            b = end;
            markWritten(end);
            continue;
        }
        const uint32_t start = b;
        uint32_t bx = b % bpr, by = b / bpr;
        for (; b < end; ++b) {
            if (type == ZBX_BLOCK_TWO_COLOUR) {
                const uint32_t c = big(colourTree);
                const uint32_t m = big(bitmapTree);
                r.values += 2;
                if (in.Overrun())
                    break;
                if (uint8_t *dst = w.Dst(bx, by))
                    w.TwoColour(dst, c, m);
            } else {
                // A row is its second value (left half) then its first.
                uint32_t rows[4];
                for (uint32_t &row : rows) {
                    if constexpr (kWide) {
                        // 56 bits at hand: a first code of up to 16 bits leaves at least 40.
                        in.Refill();
                        const uint32_t right = DecodeFast<true>(pixelTree, in);
                        row = DecodeFast<true>(pixelTree, in) | right << 16;
                    } else {
                        const uint32_t right = big(pixelTree);
                        row = big(pixelTree) | right << 16;
                    }
                }
                r.values += 8;
                if (in.Overrun())
                    break;
                if (uint8_t *dst = w.Dst(bx, by))
                    w.Block(dst, rows);
            }
            if (++bx == bpr) {
                bx = 0;
                ++by;
            }
        }
        if (b > start)
            markWritten(b);
        if (b < end) {
            r.ranOut = true;
            break;
        }
    }
    r.blocks = b;
    if constexpr (P != DecodePath::Reference) {
        typeTree.Store();
        colourTree.Store();
        bitmapTree.Store();
        pixelTree.Store();
    }
    if (r.ranOut) // the rest of the picture keeps its old pixels
        std::memset(map + marked / 16, 0, groups + 1 - marked / 16);
    else
        map[marked / 16] = 0;
    return r;
}

template <DecodePath P>
VideoResult DecodeFor(TreeTable &trees, const uint8_t *data, size_t size, OutputDescriptor &od)
{
    if (od.bytesPerPixel == 2 && od.colourTable16)
        return od.doubled ? DecodeT<P, 2, true>(trees, data, size, od) : DecodeT<P, 2, false>(trees, data, size, od);
    return od.doubled ? DecodeT<P, 1, true>(trees, data, size, od) : DecodeT<P, 1, false>(trees, data, size, od);
}

} // namespace

size_t OutputBlockSize(uint32_t width, uint32_t codedHeight, bool sixteenBit)
{
    if (uint64_t{width} * codedHeight > kMaxPixels)
        return 0;
    return ZbxAlign16(sizeof(OutputDescriptor)) + MapPartBytes(width, codedHeight) + (sixteenBit ? 512 : 0);
}

OutputDescriptor *SetupOutput(void *block, size_t blockBytes, uint32_t width, uint32_t codedHeight, int heightMode,
                              uint32_t x, int32_t y, uint32_t stride, uint32_t bufferHeight, uint8_t *buffer,
                              uint32_t outputType)
{
    auto *od = static_cast<OutputDescriptor *>(block);
    uint8_t *base = static_cast<uint8_t *>(block);
    const uint32_t top = outputType >> 24;
    od->pixelFormat = (top & 0xC0) == 0xC0 ? kPixel565 : (top & 0xC0) == 0x80 ? kPixel555 : kPixel8;
    od->bytesPerPixel = od->pixelFormat == kPixel8 ? 1 : 2;
    od->bottomUp = outputType & 1;
    od->interlaced = heightMode == 1;
    od->doubled = heightMode == 2;
    od->buffer = buffer;
    od->stride = stride;
    od->bufferHeight = bufferHeight;
    od->width = width;
    od->codedHeight = codedHeight;
    od->blocksPerRow = width / 4;
    od->blockRows = codedHeight / 4;
    od->outputX = x;
    od->outputY = y;
    od->blockBytes = blockBytes;
    od->changeMap = base + ZbxAlign16(sizeof(OutputDescriptor));
    od->changeMapBytes = static_cast<uint32_t>(MapPartBytes(width, codedHeight));
    od->colourTable16 = od->bytesPerPixel == 2 ? reinterpret_cast<uint16_t *>(base + blockBytes - 512) : nullptr;

    const int64_t dir = od->bottomUp ? -1 : 1;
    od->lineStep = dir * (od->interlaced ? 2 : 1) * int64_t{stride};
    const int64_t firstLine = od->bottomUp ? int64_t{bufferHeight} - y - 1 : int64_t{y};
    od->firstLine = firstLine;

    // Whole block rows inside the buffer: display lines of block row k span
    // [4k, 4k + 3], or [8k, 8k + 6] interlaced, [8k, 8k + 7] doubled.
    auto lineOk = [&](int64_t displayLine) {
        const int64_t l = firstLine + dir * displayLine;
        return l >= 0 && l < int64_t{bufferHeight};
    };
    const bool tall = od->interlaced || od->doubled;
    od->rowFirst = od->rowEnd = 0;
    bool found = false;
    for (uint32_t k = 0; k < od->blockRows; ++k) {
        const int64_t lo = tall ? 8 * int64_t{k} : 4 * int64_t{k};
        const int64_t hi = lo + (od->doubled ? 7 : od->interlaced ? 6 : 3);
        const bool ok = buffer && lineOk(lo) && lineOk(hi);
        if (ok && !found) {
            od->rowFirst = k;
            found = true;
        }
        if (ok)
            od->rowEnd = k + 1;
        else if (found)
            break;
    }
    const uint64_t pixelsPerLine = stride / od->bytesPerPixel;
    od->colEnd =
        x >= pixelsPerLine ? 0 : static_cast<uint32_t>(std::min<uint64_t>(od->blocksPerRow, (pixelsPerLine - x) / 4));

    od->walkBlock = 0;
    od->walkDone = 1;
    od->heldValid = 0;
    od->pendingCount = 0;
    std::memset(od->changeMap, 0, od->changeMapBytes);
    return od;
}

void BuildColourTable16(const uint8_t *palette, uint32_t pixelFormat, uint16_t *table)
{
    for (int i = 0; i < 256; ++i) {
        const unsigned r = palette[3 * i], g = palette[3 * i + 1], b = palette[3 * i + 2];
        table[i] = static_cast<uint16_t>(pixelFormat == kPixel565 ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
                                                                  : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
    }
}

VideoResult DecodeVideo(TreeTable &trees, const uint8_t *data, size_t size, OutputDescriptor &out, DecodePath path)
{
    switch (path) {
    case DecodePath::Reference:
        return DecodeFor<DecodePath::Reference>(trees, data, size, out);
    case DecodePath::Wide:
        return DecodeFor<DecodePath::Wide>(trees, data, size, out);
    default:
        return DecodeFor<DecodePath::Table>(trees, data, size, out);
    }
}

} // namespace zorb
