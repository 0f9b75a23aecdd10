// The wide inner loops of the blitter (SSE2): 16 source pixels per step in the
// doubling loops, 16 or 8 bytes per step in the keyed copies; the rest of each
// row is finished pixel by pixel exactly as the plain loops do.
#include <cstring>

#include "runtime/blit_loops.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zorb::blit {

#if defined(__SSE2__)

namespace {

inline __m128i Load(const uint8_t *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}
inline __m128i Load8(const uint8_t *p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
}
inline void Store(uint8_t *p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v);
}
inline void Store8(uint8_t *p, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i *>(p), v);
}

// dst = m ? a : b, bytewise on a full mask.
inline __m128i Select(__m128i m, __m128i a, __m128i b)
{
    return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
}

} // namespace

void Double8Wide(const Walk &w, bool both)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    for (int y = 0; y < w.height; ++y, d += 2 * w.dstPitch, s += w.srcPitch) {
        uint8_t *d2 = d + w.dstPitch;
        int x = 0;
        for (; x + 16 <= w.width; x += 16) {
            const __m128i v = Load(s + x);
            const __m128i lo = _mm_unpacklo_epi8(v, v);
            const __m128i hi = _mm_unpackhi_epi8(v, v);
            Store(d + 2 * x, lo);
            Store(d + 2 * x + 16, hi);
            if (both) {
                Store(d2 + 2 * x, lo);
                Store(d2 + 2 * x + 16, hi);
            }
        }
        for (; x < w.width; ++x) {
            d[2 * x] = d[2 * x + 1] = s[x];
            if (both)
                d2[2 * x] = d2[2 * x + 1] = s[x];
        }
    }
}

void Double16Wide(const Walk &w, bool both, const uint16_t *colours)
{
    uint8_t *d = w.dst;
    const uint8_t *s = w.src;
    const uint16_t *c = colours;
    for (int y = 0; y < w.height; ++y, d += 2 * w.dstPitch, s += w.srcPitch) {
        uint8_t *d2 = d + w.dstPitch;
        int x = 0;
        for (; x + 16 <= w.width; x += 16) {
            const uint8_t *q = s + x;
            const __m128i a =
                _mm_setr_epi16(static_cast<short>(c[q[0]]), static_cast<short>(c[q[1]]), static_cast<short>(c[q[2]]),
                               static_cast<short>(c[q[3]]), static_cast<short>(c[q[4]]), static_cast<short>(c[q[5]]),
                               static_cast<short>(c[q[6]]), static_cast<short>(c[q[7]]));
            const __m128i b =
                _mm_setr_epi16(static_cast<short>(c[q[8]]), static_cast<short>(c[q[9]]), static_cast<short>(c[q[10]]),
                               static_cast<short>(c[q[11]]), static_cast<short>(c[q[12]]), static_cast<short>(c[q[13]]),
                               static_cast<short>(c[q[14]]), static_cast<short>(c[q[15]]));
            const __m128i v0 = _mm_unpacklo_epi16(a, a), v1 = _mm_unpackhi_epi16(a, a);
            const __m128i v2 = _mm_unpacklo_epi16(b, b), v3 = _mm_unpackhi_epi16(b, b);
            uint8_t *o = d + 4 * x;
            Store(o, v0);
            Store(o + 16, v1);
            Store(o + 32, v2);
            Store(o + 48, v3);
            if (both) {
                uint8_t *o2 = d2 + 4 * x;
                Store(o2, v0);
                Store(o2 + 16, v1);
                Store(o2 + 32, v2);
                Store(o2 + 48, v3);
            }
        }
        for (; x < w.width; ++x) {
            const uint32_t v = c[s[x]] * 0x00010001u;
            std::memcpy(d + 4 * x, &v, 4);
            if (both)
                std::memcpy(d2 + 4 * x, &v, 4);
        }
    }
}

void TransRowWide(uint8_t *dst, const uint8_t *src, int n, uint8_t key)
{
    const __m128i k = _mm_set1_epi8(static_cast<char>(key));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = Load(src + i);
        Store(dst + i, Select(_mm_cmpeq_epi8(v, k), Load(dst + i), v));
    }
    if (i + 8 <= n) {
        const __m128i v = Load8(src + i);
        Store8(dst + i, Select(_mm_cmpeq_epi8(v, k), Load8(dst + i), v));
        i += 8;
    }
    TransRowPlain(dst + i, src + i, n - i, key);
}

void MaskRowWide(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int n, uint8_t key)
{
    const __m128i k = _mm_set1_epi8(static_cast<char>(key));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i m = _mm_cmpeq_epi8(Load(mask + i), k);
        Store(dst + i, Select(m, Load(dst + i), Load(src + i)));
    }
    if (i + 8 <= n) {
        const __m128i m = _mm_cmpeq_epi8(Load8(mask + i), k);
        Store8(dst + i, Select(m, Load8(dst + i), Load8(src + i)));
        i += 8;
    }
    MaskRowPlain(dst + i, src + i, mask + i, n - i, key);
}

void MergeRowWide(uint8_t *dst, const uint8_t *src, const uint8_t *src2, int n, uint8_t key)
{
    const __m128i k = _mm_set1_epi8(static_cast<char>(key));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = Load(src + i);
        Store(dst + i, Select(_mm_cmpeq_epi8(v, k), Load(src2 + i), v));
    }
    if (i + 8 <= n) {
        const __m128i v = Load8(src + i);
        Store8(dst + i, Select(_mm_cmpeq_epi8(v, k), Load8(src2 + i), v));
        i += 8;
    }
    MergeRowPlain(dst + i, src + i, src2 + i, n - i, key);
}

#else // no SSE2: the wide names fall back to the plain loops

void Double8Wide(const Walk &w, bool both)
{
    Double8Plain(w, both);
}
void Double16Wide(const Walk &w, bool both, const uint16_t *colours)
{
    Double16Plain(w, both, colours);
}
void TransRowWide(uint8_t *dst, const uint8_t *src, int n, uint8_t key)
{
    TransRowPlain(dst, src, n, key);
}
void MaskRowWide(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int n, uint8_t key)
{
    MaskRowPlain(dst, src, mask, n, key);
}
void MergeRowWide(uint8_t *dst, const uint8_t *src, const uint8_t *src2, int n, uint8_t key)
{
    MergeRowPlain(dst, src, src2, n, key);
}

#endif

} // namespace zorb::blit
