// Palette reduction: colour histogram at 6 bits per component, the
// box-splitting quantiser, placement of the new colours into palette slots,
// system colours, the remap table for 8-bit sources and the nearest-colour
// cache for true-colour sources. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_PALETTE_REDUCTION_H
#define ZORB_VEXUTIL_GRAPHICS_PALETTE_REDUCTION_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vex {

constexpr uint32_t kCells = 262144; // 64 x 64 x 64 colour cells

inline uint32_t CellOf(uint32_t r, uint32_t g, uint32_t b)
{
    return (r >> 2) << 12 | (g >> 2) << 6 | (b >> 2);
}
inline uint8_t Expand6(uint32_t c)
{
    return static_cast<uint8_t>((c << 2) | (c >> 4));
}

// D[a][b] = (a - b)^2 for 6-bit components; built once.
const uint16_t (&Dist())[64][64];

// The twenty static system colours of entries 0-9 and 246-255.
void WriteSystemColours(uint8_t *palette);

using ReduceProgress = int (*)(void *context, int percent, int level);

// Reduces the histogram (counts per cell; reserved colours are removed from
// it first) into palette entries [first + lowReserve, first + count -
// highReserve) as `target` colours placed so that colours already in those
// slots keep them. progress may be null; a non-zero answer stops the
// splitting with the boxes made so far. Returns the number of colours made.
int ReduceHistogram(uint32_t *hist, uint8_t *palette, int first, int count, int lowReserve, int highReserve,
                    ReduceProgress progress, void *context);

// The quantiser alone: the box colours (0xRRGGBB) for at most target boxes.
// `reference` selects the plain per-candidate split search instead of the
// prefix-sum search (both give the same boxes).
std::vector<uint32_t> QuantiseCells(const uint32_t *hist, int target, ReduceProgress progress, void *context,
                                    bool reference = false);

// Writes `colours` into the slots palette[slot0 .. slot0 + slots) by least
// cost, keeping colours that are already present in their slots.
void PlaceColours(const std::vector<uint32_t> &colours, uint8_t *palette, int slot0, int slots);

// Remap table for 8-bit sources: source index -> nearest entry of [first,
// first + count) of palette.
void BuildRemapTable(const uint8_t *sourcePalette, const uint8_t *palette, int first, int count, uint8_t *remap);

// Nearest entry of [first, first + count) for a colour, through a cache of
// kCells 16-bit entries (0 = not looked up, else index + 256).
uint8_t NearestCached(uint16_t *cache, const uint8_t *palette, int first, int count, uint32_t r, uint32_t g,
                      uint32_t b);

} // namespace vex

#endif
