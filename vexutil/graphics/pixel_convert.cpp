// Pixel conversion of graphics input: the visible area of the source frame
// into the delivered frame (32-bit, 8-bit copied, remapped or matched), and
// the forced 24-bit conversion with its smoothing filter.
#include <algorithm>
#include <cstring>

#include "codec/format.h"
#include "vexutil/graphics/graphics_input_internal.h"
#include "vexutil/graphics/palette_reduction.h"

namespace vex {
namespace {

uint32_t BytesPerPixel(uint32_t depth)
{
    return depth <= 8 ? 1 : depth / 8;
}

// The first visible source pixel of visible row y, or null without a frame.
const uint8_t *SourceRow(const GFILE *g, uint32_t y)
{
    const GFilePrivate *p = g->priv;
    if (!p->src)
        return nullptr;
    if (p->srcCropped)
        return p->src + static_cast<ptrdiff_t>(y) * p->srcPitch;
    return p->src + static_cast<ptrdiff_t>(static_cast<uint32_t>(g->cropY) + y) * p->srcPitch +
           static_cast<size_t>(g->cropX) * BytesPerPixel(g->frameDepth);
}

// The colour of pixel x of a source row as blue, green, red bytes.
inline void PixelColour(const GFILE *g, const uint8_t *row, uint32_t x, uint8_t *b, uint8_t *gr, uint8_t *r)
{
    switch (g->frameDepth) {
    case 16: {
        const uint32_t v = ZbxGet16(row + 2 * x);
        *r = static_cast<uint8_t>(((v >> 10) & 31) << 3);
        *gr = static_cast<uint8_t>(((v >> 5) & 31) << 3);
        *b = static_cast<uint8_t>((v & 31) << 3);
        break;
    }
    case 24:
        *b = row[3 * x];
        *gr = row[3 * x + 1];
        *r = row[3 * x + 2];
        break;
    case 32:
        *b = row[4 * x];
        *gr = row[4 * x + 1];
        *r = row[4 * x + 2];
        break;
    default: {
        const uint8_t *c = g->sourcePalette + 3 * row[x];
        *r = c[0];
        *gr = c[1];
        *b = c[2];
        break;
    }
    }
}

const uint8_t kDither[64] = {0, 11, 3,  14, 1, 12, 3,  15, 8, 4,  11, 7,  8,  5,  11, 7,  2,  13, 1, 12, 2,  14,
                             2, 13, 9,  6,  8, 5,  10, 6,  9, 5,  0,  12, 3,  15, 0,  12, 3,  14, 8, 4,  11, 7,
                             8, 4,  11, 7,  2, 14, 1,  13, 2, 14, 1,  13, 10, 6,  9,  5,  10, 6,  9, 5};

} // namespace

void SmoothFilter(const uint8_t *in, uint8_t *out, uint32_t width, uint32_t height, size_t pitch)
{
    uint32_t i = 56;
    for (uint32_t y = 0; y < height; y++) {
        const uint8_t *row = in + y * pitch;
        uint8_t *o = out + y * pitch;
        if (y == 0 || y + 1 == height) {
            std::memcpy(o, row, static_cast<size_t>(width) * 3);
            continue;
        }
        i = (i & ~7u) | ((i - 1) & 7u);
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t *px = row + 3 * x;
            if (x == 0 || x + 1 == width) {
                std::memcpy(o + 3 * x, px, 3);
                continue;
            }
            i = ((((i >> 3) - 1) & 7u) << 3) | (i & 7u);
            uint32_t threshold = kDither[i];
            uint8_t mx[3] = {0, 0, 0}, mn[3] = {255, 255, 255};
            for (int dy = -1; dy <= 1; dy++) {
                const uint8_t *n = px + static_cast<ptrdiff_t>(dy) * static_cast<ptrdiff_t>(pitch) - 3;
                for (int dx = 0; dx < 3; dx++)
                    for (int c = 0; c < 3; c++) {
                        uint8_t v = n[3 * dx + c];
                        mx[c] = std::max(mx[c], v);
                        mn[c] = std::min(mn[c], v);
                    }
            }
            uint32_t spread = static_cast<uint32_t>(mx[0] - mn[0]) + static_cast<uint32_t>(mx[1] - mn[1]) +
                              static_cast<uint32_t>(mx[2] - mn[2]);
            bool dark = mx[0] < 32 && mx[1] < 32 && mx[2] < 32;
            if (!dark && spread >= 5 && spread <= 15) {
                for (int c = 0; c < 3; c++) {
                    uint32_t v = px[c];
                    uint32_t nv = (v & ~15u) + (threshold < (v & 15u) ? 16u : 0u);
                    o[3 * x + static_cast<uint32_t>(c)] = static_cast<uint8_t>(std::min(nv, 255u));
                }
            } else {
                std::memcpy(o + 3 * x, px, 3);
            }
        }
    }
}

void ConvertTo24(GFILE *g)
{
    GFilePrivate *p = g->priv;
    size_t pitch = static_cast<size_t>(g->width) * 3;
    uint32_t w = std::min(g->visibleWidth, g->width), h = std::min(g->visibleHeight, g->height);
    for (uint32_t y = 0; y < h; y++) {
        const uint8_t *row = SourceRow(g, y);
        uint8_t *o = p->convTemp.data() + y * pitch;
        if (!row) {
            std::memset(o, 0, static_cast<size_t>(w) * 3);
            continue;
        }
        for (uint32_t x = 0; x < w; x++)
            PixelColour(g, row, x, &o[3 * x], &o[3 * x + 1], &o[3 * x + 2]);
    }
    SmoothFilter(p->convTemp.data(), p->convBuffer.data(), w, h, pitch);
    p->src = p->convBuffer.data();
    p->srcPitch = static_cast<ptrdiff_t>(pitch);
    p->srcCropped = true;
    g->frameDepth = 24;
}

namespace {

// Fills every output row: fn(row, out, visibleWidth) writes the visible part
// of a source row and returns the bytes it wrote; the rest of the output row,
// and rows below the source, are zero.
template <typename RowFn>
void DeliverRows(GFILE *g, RowFn fn)
{
    uint8_t *out = g->pixels;
    uint32_t vw = std::min(g->visibleWidth, g->width), vh = std::min(g->visibleHeight, g->height);
    for (uint32_t y = 0; y < g->height; y++) {
        uint8_t *o = out + static_cast<size_t>(y) * g->pitch;
        const uint8_t *row = y < vh ? SourceRow(g, y) : nullptr;
        uint32_t bytes = 0;
        if (row)
            bytes = fn(row, o, vw);
        std::memset(o + bytes, 0, g->pitch - bytes);
    }
}

} // namespace

void Deliver32(GFILE *g)
{
    DeliverRows(g, [g](const uint8_t *row, uint8_t *o, uint32_t vw) {
        for (uint32_t x = 0; x < vw; x++) {
            uint8_t b, gr, r;
            PixelColour(g, row, x, &b, &gr, &r);
            o[4 * x] = b;
            o[4 * x + 1] = gr;
            o[4 * x + 2] = r;
            o[4 * x + 3] = 0;
        }
        return 4 * vw;
    });
}

void Deliver8Copy(GFILE *g)
{
    if (g->frameDepth > 8) {
        Deliver8Nearest(g);
        return;
    }
    DeliverRows(g, [](const uint8_t *row, uint8_t *o, uint32_t n) {
        std::memcpy(o, row, n);
        return n;
    });
}

void Deliver8Remap(GFILE *g, const uint8_t *remap)
{
    if (g->frameDepth > 8) {
        Deliver8Nearest(g);
        return;
    }
    DeliverRows(g, [remap](const uint8_t *row, uint8_t *o, uint32_t n) {
        for (uint32_t x = 0; x < n; x++)
            o[x] = remap[row[x]];
        return n;
    });
}

void Deliver8Nearest(GFILE *g)
{
    GFilePrivate *p = g->priv;
    if (p->cache.size() != kCells)
        p->cache.assign(kCells, 0);
    uint16_t *cache = p->cache.data();
    int first = p->firstIndex, count = p->paletteCount;
    DeliverRows(g, [g, cache, first, count](const uint8_t *row, uint8_t *o, uint32_t n) {
        for (uint32_t x = 0; x < n; x++) {
            uint8_t b, gr, r;
            PixelColour(g, row, x, &b, &gr, &r);
            o[x] = NearestCached(cache, g->palette, first, count, r, gr, b);
        }
        return n;
    });
}

void CountFrameColours(GFILE *g, uint32_t *hist)
{
    uint32_t vw = std::min(g->visibleWidth, g->width), vh = std::min(g->visibleHeight, g->height);
    for (uint32_t y = 0; y < vh; y++) {
        const uint8_t *row = SourceRow(g, y);
        if (!row) {
            hist[0] += vw;
            continue;
        }
        if (g->frameDepth <= 8) {
            for (uint32_t x = 0; x < vw; x++) {
                const uint8_t *c = g->sourcePalette + 3 * row[x];
                hist[CellOf(c[0], c[1], c[2])]++;
            }
        } else if (g->frameDepth == 16) {
            for (uint32_t x = 0; x < vw; x++) {
                const uint32_t v = ZbxGet16(row + 2 * x);
                hist[((v >> 10) & 31) << 13 | ((v >> 5) & 31) << 7 | (v & 31) << 1]++;
            }
        } else {
            uint32_t step = g->frameDepth == 32 ? 4 : 3;
            for (uint32_t x = 0; x < vw; x++) {
                const uint8_t *px = row + step * x;
                hist[CellOf(px[2], px[1], px[0])]++;
            }
        }
    }
    hist[0] += g->rightPadding * vh + (vw + g->rightPadding) * g->bottomPadding;
}

} // namespace vex
