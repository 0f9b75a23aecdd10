// The blitter's lookup tables: palette conversion, the 16-bit colour table and
// the smoothing pair tables.
#ifndef ZORB_RUNTIME_BLIT_TABLES_H
#define ZORB_RUNTIME_BLIT_TABLES_H

#include <cstdint>

namespace zorb::blit {

// Converts 256 palette entries in the given palette-format flags to R, G, B triples.
void ConvertPalette(const void *palette, uint32_t format, uint8_t rgb[768]);

// 16-bit colour of one R, G, B triple.
uint16_t PackColour(uint8_t r, uint8_t g, uint8_t b, bool is565);

void BuildColourTable(const uint8_t rgb[768], bool is565, uint16_t table[256]);

// Entry a * 256 + b: the colour averaged from a and b (each component
// ((ca & 0xFE) + (cb & 0xFE)) / 2), packed.
void BuildPairTable16(const uint8_t rgb[768], bool is565, uint16_t table[65536]);

// 32-bit colours 0xFFRRGGBB of the palette, exact; and the pair table of
// 32-bit smoothing: each component (ca + cb) / 2, so entry (a, a) is a's own
// colour.
void BuildColourTable32(const uint8_t rgb[768], uint32_t table[256]);
void BuildPairTable32(const uint8_t rgb[768], uint32_t table[65536]);

// Entry a * 256 + b: the palette index nearest to the average of a and b,
// found with the red-sorted search; symmetric, entry (a, a) = a.
void BuildPairTable8(const uint8_t rgb[768], uint8_t table[65536]);

// The nearest-index search for one average colour over the red-sorted order
// (exposed for tests).
uint8_t NearestSorted(const uint8_t rgb[768], const uint8_t order[256], int r, int g, int b);
void SortByRed(const uint8_t rgb[768], uint8_t order[256]);

} // namespace zorb::blit

#endif
