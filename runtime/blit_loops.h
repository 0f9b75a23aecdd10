// Inner loops of the blitter. Every loop with a wide (SSE2) form has a plain
// form beside it; both give identical output (checked by the tests).
#ifndef ZORB_RUNTIME_BLIT_LOOPS_H
#define ZORB_RUNTIME_BLIT_LOOPS_H

#include <cstddef>
#include <cstdint>

namespace zorb::blit {

// A rectangle walk: `height` rows of `width` source pixels. Pitches in bytes.
struct Walk {
    uint8_t *dst;
    ptrdiff_t dstPitch;
    const uint8_t *src;
    ptrdiff_t srcPitch;
    int width;
    int height;
};

// Doubling: every source pixel becomes two pixels on a destination line; the
// destination advances two lines per source line. With `both` the second line
// gets the same pixels (2x), otherwise it is left alone (interlaced).
void Double8Plain(const Walk &w, bool both);
void Double8Wide(const Walk &w, bool both);
void Double16Plain(const Walk &w, bool both, const uint16_t *colours);
void Double16Wide(const Walk &w, bool both, const uint16_t *colours);

// 16-bit 1x: every source pixel becomes colours[S].
void Convert16(const Walk &w, const uint16_t *colours);

// 32-bit output (0xFFRRGGBB pixels, drawn on screens deeper than 16 bits):
// 1x, doubled or interlaced, and smoothed with a 32-bit pair table whose
// entry (p, p) is p's own colour.
void Convert32(const Walk &w, const uint32_t *colours);
void Double32(const Walk &w, bool both, const uint32_t *colours);
void Smooth32(const Walk &w, int x0, int y0, const uint32_t *pairs);

// Smoothing. (x0, y0) is the source position of the walk's first pixel: the
// left neighbour and the pixel above come from the source when they exist.
void Smooth8(const Walk &w, int x0, int y0, const uint8_t *pairs);
void Smooth16(const Walk &w, int x0, int y0, const uint16_t *pairs);

// One row of the keyed copies (8-bit).
// Trans: dst[i] = src[i] unless src[i] == key.
// Mask:  dst[i] = src[i] unless mask[i] == key.
// Merge: dst[i] = src[i] != key ? src[i] : src2[i].
void TransRowPlain(uint8_t *dst, const uint8_t *src, int n, uint8_t key);
void TransRowWide(uint8_t *dst, const uint8_t *src, int n, uint8_t key);
void MaskRowPlain(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int n, uint8_t key);
void MaskRowWide(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int n, uint8_t key);
void MergeRowPlain(uint8_t *dst, const uint8_t *src, const uint8_t *src2, int n, uint8_t key);
void MergeRowWide(uint8_t *dst, const uint8_t *src, const uint8_t *src2, int n, uint8_t key);

// The wide keyed loops are only taken for rows of at least this many pixels.
constexpr int kWideKeyedMinWidth = 8;

} // namespace zorb::blit

#endif
