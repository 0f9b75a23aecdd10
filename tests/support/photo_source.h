// Test fixture: photographic content of our own. A wide scene of smooth
// fields (several octaves of filtered noise over broad gradients, with a fine
// grain on top) seen through a window that pans slowly to the right, and
// quantised to one 256-colour palette, either plainly (nearest entry) or with
// error diffusion. Every palette entry occurs in smooth areas, so every
// equal-colour pixel pair occurs too, while the pictures use only a part of
// the 65536 pixel pairs, as real photographs do.
#ifndef ZORB_TESTS_SUPPORT_PHOTO_SOURCE_H
#define ZORB_TESTS_SUPPORT_PHOTO_SOURCE_H

#include <array>
#include <cstdint>
#include <vector>

namespace photo {

struct Options {
    uint32_t width = 320;
    uint32_t height = 240;
    bool dithered = false;
    uint32_t seed = 1;
    uint32_t panPerFrame = 1; // pixels the window moves right from one frame to the next
};

// The palette of a clip: 256 entries of red, green, blue, 6-bit values as
// the file keeps them.
std::array<uint8_t, 768> Palette6(const Options &o);
// The same with 8-bit components (v << 2 | v >> 4), as decoders show it.
std::array<uint8_t, 768> Palette8(const Options &o);

// Frame `index` of the clip: width x height palette indices, top-down.
std::vector<uint8_t> Frame(const Options &o, uint32_t index);

} // namespace photo

#endif
