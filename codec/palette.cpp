// Palette chunks: keep, copy and set commands applied to the palette in force.
//
// Commands (the first byte decides; "index" is the next entry written):
//   1xxxxxxx          keep the next x + 1 entries
//   01xxxxxx s        the next x + 1 entries take the old entries s, s + 1, ...
//   00rrrrrr g b      the entry at index gets the 6-bit colour (r, g, b)
// Every command reads the palette as it was before the chunk. Decoding ends
// when the index passes 255 or the chunk's bytes run out (the rest of the
// palette is then kept). Nothing is written past entry 255, no source entry
// past 255 is read (such entries are kept), and only the low 6 bits of a
// component count.
#include <cstring>

#include "codec/handle.h"

namespace zorb {

namespace {

inline uint8_t Expand6(uint8_t v)
{
    v &= 63;
    return static_cast<uint8_t>(v << 2 | v >> 4);
}

} // namespace

void ApplyPaletteCommands(uint8_t palette[768], const uint8_t *cmds, size_t size)
{
    uint8_t old[768];
    std::memcpy(old, palette, sizeof old);
    unsigned index = 0;
    size_t i = 0;
    while (index <= 255 && i < size) {
        uint8_t b = cmds[i++];
        if (b & 0x80) {
            index += (b & 0x7Fu) + 1; // kept entries already hold their old values
        } else if (b & 0x40) {
            if (i >= size)
                break;
            unsigned src = cmds[i++];
            unsigned count = (b & 0x3Fu) + 1;
            for (unsigned k = 0; k < count && index <= 255; ++k, ++index, ++src)
                if (src <= 255)
                    std::memcpy(palette + 3 * index, old + 3 * src, 3);
        } else {
            if (size - i < 2)
                break;
            palette[3 * index] = Expand6(b);
            palette[3 * index + 1] = Expand6(cmds[i]);
            palette[3 * index + 2] = Expand6(cmds[i + 1]);
            i += 2;
            ++index;
        }
    }
}

void DecodePalette(ZorbHandle *h, uint32_t chunkLength)
{
    // Commands start after the length byte.
    ApplyPaletteCommands(h->Palette, h->PaletteChunk + 1, chunkLength > 0 ? chunkLength - 1 : 0);
    if (h->CurrentFrame == h->LastPaletteFrame) {
        h->FreshPalette = 0;
    } else {
        h->FreshPalette = 1;
        h->ColourTableStale = 1;
    }
}

} // namespace zorb
