#include "runtime/blit_tables.h"

#include <algorithm>
#include <numeric>

#include "runtime/blit.h"

namespace zorb::blit {

void ConvertPalette(const void *palette, uint32_t format, uint8_t rgb[768])
{
    const auto *p = static_cast<const uint8_t *>(palette);
    const unsigned comp = (format & ZORB_PALFMT_16BIT) ? 2 : 1; // bytes per component
    const unsigned entry = ((format & ZORB_PALFMT_4BYTE) ? 4 : 3) * comp;
    const unsigned first = ((format & ZORB_PALFMT_4BYTE) && (format & ZORB_PALFMT_SKIP1)) ? comp : 0;
    const bool bgr = (format & ZORB_PALFMT_BGR) != 0;
    for (unsigned i = 0; i < 256; ++i) {
        const uint8_t *e = p + i * entry + first;
        // A 16-bit component is little-endian: its low byte comes first.
        const uint8_t c0 = e[0], c1 = e[comp], c2 = e[2 * comp];
        rgb[i * 3 + 0] = bgr ? c2 : c0;
        rgb[i * 3 + 1] = c1;
        rgb[i * 3 + 2] = bgr ? c0 : c2;
    }
}

uint16_t PackColour(uint8_t r, uint8_t g, uint8_t b, bool is565)
{
    if (is565)
        return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    return static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

void BuildColourTable(const uint8_t rgb[768], bool is565, uint16_t table[256])
{
    for (int i = 0; i < 256; ++i)
        table[i] = PackColour(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], is565);
}

void BuildPairTable16(const uint8_t rgb[768], bool is565, uint16_t table[65536])
{
    for (int a = 0; a < 256; ++a) {
        const uint8_t *ca = rgb + a * 3;
        for (int b = 0; b < 256; ++b) {
            const uint8_t *cb = rgb + b * 3;
            const auto avg = [](uint8_t x, uint8_t y) { return static_cast<uint8_t>(((x & 0xFE) + (y & 0xFE)) / 2); };
            table[a * 256 + b] = PackColour(avg(ca[0], cb[0]), avg(ca[1], cb[1]), avg(ca[2], cb[2]), is565);
        }
    }
}

namespace {
uint32_t Pack32(unsigned r, unsigned g, unsigned b)
{
    return 0xFF000000u | r << 16 | g << 8 | b;
}
} // namespace

void BuildColourTable32(const uint8_t rgb[768], uint32_t table[256])
{
    for (int i = 0; i < 256; ++i)
        table[i] = Pack32(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
}

void BuildPairTable32(const uint8_t rgb[768], uint32_t table[65536])
{
    for (int a = 0; a < 256; ++a) {
        const uint8_t *ca = rgb + a * 3;
        for (int b = 0; b < 256; ++b) {
            const uint8_t *cb = rgb + b * 3;
            table[a * 256 + b] = Pack32((ca[0] + cb[0]) / 2u, (ca[1] + cb[1]) / 2u, (ca[2] + cb[2]) / 2u);
        }
    }
}

void SortByRed(const uint8_t rgb[768], uint8_t order[256])
{
    std::iota(order, order + 256, 0);
    std::stable_sort(order, order + 256, [rgb](uint8_t x, uint8_t y) { return rgb[x * 3] < rgb[y * 3]; });
}

uint8_t NearestSorted(const uint8_t rgb[768], const uint8_t order[256], int r, int g, int b)
{
    int best = 0x40000;
    uint8_t bestIndex = 0;
    for (int k = 0; k < 256; ++k) {
        const uint8_t *c = rgb + order[k] * 3;
        const int dr = c[0] - r;
        const int red2 = dr * dr;
        if (red2 < best) {
            const int dg = c[1] - g, db = c[2] - b;
            const int dist = red2 + dg * dg + db * db;
            if (dist < best) {
                best = dist;
                bestIndex = order[k];
            }
        } else if (c[0] >= r) {
            break; // sorted by red: every later entry is at least as far in red
        }
    }
    return bestIndex;
}

void BuildPairTable8(const uint8_t rgb[768], uint8_t table[65536])
{
    uint8_t order[256];
    SortByRed(rgb, order);
    for (int a = 0; a < 256; ++a) {
        const uint8_t *ca = rgb + a * 3;
        table[a * 256 + a] = static_cast<uint8_t>(a);
        for (int b = a + 1; b < 256; ++b) {
            const uint8_t *cb = rgb + b * 3;
            const uint8_t n =
                NearestSorted(rgb, order, (ca[0] + cb[0]) >> 1, (ca[1] + cb[1]) >> 1, (ca[2] + cb[2]) >> 1);
            table[a * 256 + b] = n;
            table[b * 256 + a] = n;
        }
    }
}

} // namespace zorb::blit
