// The plain inner loops of the blitter: the reference for the wide ones.
#include <cstring>

#include "runtime/blit_loops.h"

namespace zorb::blit {

namespace {
inline void Store16(uint8_t *p, uint16_t v)
{
    std::memcpy(p, &v, 2);
}
inline void Store32(uint8_t *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}
} // namespace

void Double8Plain(const Walk &w, bool both)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += 2 * w.dstPitch, s += w.srcPitch) {
        uint8_t *d2 = d + w.dstPitch;
        int x = 0;
        // Four source pixels per step, written as two 32-bit words per line.
        for (; x + 4 <= w.width; x += 4) {
            const uint32_t a = s[x] * 0x0101u | s[x + 1] * 0x01010000u;
            const uint32_t b = s[x + 2] * 0x0101u | s[x + 3] * 0x01010000u;
            Store32(d + 2 * x, a);
            Store32(d + 2 * x + 4, b);
            if (both) {
                Store32(d2 + 2 * x, a);
                Store32(d2 + 2 * x + 4, b);
            }
        }
        for (; x < w.width; ++x) {
            const uint16_t v = static_cast<uint16_t>(s[x] * 0x0101u);
            Store16(d + 2 * x, v);
            if (both)
                Store16(d2 + 2 * x, v);
        }
    }
}

void Double16Plain(const Walk &w, bool both, const uint16_t *colours)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += 2 * w.dstPitch, s += w.srcPitch) {
        uint8_t *d2 = d + w.dstPitch;
        for (int x = 0; x < w.width; ++x) {
            const uint32_t v = colours[s[x]] * 0x00010001u;
            Store32(d + 4 * x, v);
            if (both)
                Store32(d2 + 4 * x, v);
        }
    }
}

void Convert16(const Walk &w, const uint16_t *colours)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += w.dstPitch, s += w.srcPitch) {
        for (int x = 0; x < w.width; ++x)
            Store16(d + 2 * x, colours[s[x]]);
    }
}

void Convert32(const Walk &w, const uint32_t *colours)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += w.dstPitch, s += w.srcPitch) {
        for (int x = 0; x < w.width; ++x)
            Store32(d + 4 * x, colours[s[x]]);
    }
}

void Double32(const Walk &w, bool both, const uint32_t *colours)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += 2 * w.dstPitch, s += w.srcPitch) {
        uint8_t *d2 = d + w.dstPitch;
        for (int x = 0; x < w.width; ++x) {
            const uint32_t v = colours[s[x]];
            Store32(d + 8 * x, v);
            Store32(d + 8 * x + 4, v);
            if (both) {
                Store32(d2 + 8 * x, v);
                Store32(d2 + 8 * x + 4, v);
            }
        }
    }
}

namespace {

// The 2x2 block of source pixel P with left neighbour L and upper neighbour A:
// top line T(L, A), T(P, A); bottom line T(P, L), then P's own colour.
template <typename Pixel, typename Own, typename Store>
void SmoothWalk(const Walk &w, int x0, int y0, const Pixel *pairs, Own own, Store store)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += 2 * w.dstPitch, s += w.srcPitch) {
        const uint8_t *above = (y0 + y > 0) ? s - w.srcPitch : s;
        uint8_t *d2 = d + w.dstPitch;
        for (int x = 0; x < w.width; ++x) {
            const unsigned p = s[x];
            const unsigned l = (x0 + x > 0) ? s[x - 1] : p;
            const unsigned a = above[x];
            store(d, 2 * x, pairs[l * 256 + a]);
            store(d, 2 * x + 1, pairs[p * 256 + a]);
            store(d2, 2 * x, pairs[p * 256 + l]);
            store(d2, 2 * x + 1, own(p));
        }
    }
}

} // namespace

void Smooth8(const Walk &w, int x0, int y0, const uint8_t *pairs)
{
    SmoothWalk(
        w, x0, y0, pairs, [](unsigned p) { return static_cast<uint8_t>(p); },
        [](uint8_t *row, int i, uint8_t v) { row[i] = v; });
}

void Smooth16(const Walk &w, int x0, int y0, const uint16_t *pairs)
{
    // In 16-bit output T(P, P) is P's own colour.
    SmoothWalk(
        w, x0, y0, pairs, [pairs](unsigned p) { return pairs[p * 257]; },
        [](uint8_t *row, int i, uint16_t v) { Store16(row + 2 * i, v); });
}

void Smooth32(const Walk &w, int x0, int y0, const uint32_t *pairs)
{
    SmoothWalk(
        w, x0, y0, pairs, [pairs](unsigned p) { return pairs[p * 257]; },
        [](uint8_t *row, int i, uint32_t v) { Store32(row + 4 * i, v); });
}

void TransRowPlain(uint8_t *dst, const uint8_t *src, int n, uint8_t key)
{
    for (int i = 0; i < n; ++i)
        if (src[i] != key)
            dst[i] = src[i];
}

void MaskRowPlain(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int n, uint8_t key)
{
    for (int i = 0; i < n; ++i)
        if (mask[i] != key)
            dst[i] = src[i];
}

void MergeRowPlain(uint8_t *dst, const uint8_t *src, const uint8_t *src2, int n, uint8_t key)
{
    for (int i = 0; i < n; ++i)
        dst[i] = src[i] != key ? src[i] : src2[i];
}

} // namespace zorb::blit
