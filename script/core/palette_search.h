// Internal: the darkest and brightest entries of a 256-entry R, G, B palette
// (the BITMAPGET* and SCREENGET* palette-index commands).
#ifndef ZORB_SCRIPT_CORE_PALETTE_SEARCH_H
#define ZORB_SCRIPT_CORE_PALETTE_SEARCH_H

#include <algorithm>
#include <cstdint>

namespace zscript {

// Key (largest component) x 65536 + (sum of components): the smallest wins,
// the first on ties; an entry with key 0 (black) ends the search.
inline int DarkestEntry(const uint8_t *rgb)
{
    int best = 0;
    uint32_t bestKey = UINT32_MAX;
    for (int i = 0; i < 256; ++i) {
        const uint8_t *c = rgb + 3 * i;
        const uint32_t key = std::max({c[0], c[1], c[2]}) * 65536u + c[0] + c[1] + c[2];
        if (key < bestKey) {
            best = i;
            bestKey = key;
        }
        if (key == 0)
            break;
    }
    return best;
}

// Key (smallest component) x 65536 + (sum of components): the largest wins,
// the last on ties.
inline int BrightestEntry(const uint8_t *rgb)
{
    int best = 0;
    uint32_t bestKey = 0;
    for (int i = 0; i < 256; ++i) {
        const uint8_t *c = rgb + 3 * i;
        const uint32_t key = std::min({c[0], c[1], c[2]}) * 65536u + c[0] + c[1] + c[2];
        if (key >= bestKey) {
            best = i;
            bestKey = key;
        }
    }
    return best;
}

} // namespace zscript

#endif
