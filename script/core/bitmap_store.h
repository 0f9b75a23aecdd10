// Internal: the script's numbered bitmaps. 128 slots; slot i is the bitmap
// number 9000 + i. A bitmap is width x height palette indices (rows
// top-down, stride = width) and, when it has one, a palette of its own.
#ifndef ZORB_SCRIPT_CORE_BITMAP_STORE_H
#define ZORB_SCRIPT_CORE_BITMAP_STORE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "script/core/host.h"

namespace zscript {

struct Interp;

constexpr int kBitmapSlots = 128;
constexpr int32_t kBitmapBase = 9000;
// A bitmap may hold at most this many pixels (and be at most this wide or
// high), and all bitmaps together at most kBitmapTotalLimit: a larger request
// fails like a failed allocation.
constexpr uint64_t kBitmapPixelLimit = uint64_t{1} << 26;
constexpr uint64_t kBitmapTotalLimit = uint64_t{1} << 28;

using Palette768 = std::array<uint8_t, 768>;

struct ScriptBitmap {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> pixels; // width x height, empty when either is 0
    std::optional<Palette768> palette;

    uint8_t *Row(uint32_t y) { return pixels.data() + static_cast<size_t>(y) * width; }
    const uint8_t *Row(uint32_t y) const { return pixels.data() + static_cast<size_t>(y) * width; }
    bool Contains(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// A bitmap seen as an 8-bit surface (for the drawing that serves both).
inline ScreenSurface AsSurface(ScriptBitmap &b)
{
    ScreenSurface s;
    s.pixels = b.pixels.empty() ? nullptr : b.pixels.data();
    s.pitch = static_cast<int32_t>(b.width);
    s.width = static_cast<int32_t>(b.width);
    s.height = static_cast<int32_t>(b.height);
    return s;
}

struct BitmapStore {
    std::unique_ptr<ScriptBitmap> slots[kBitmapSlots];
    uint64_t pixelsInUse = 0;
    uint64_t pixelLimit = kBitmapPixelLimit; // smaller where runs must stay quick (fuzzing)
    uint64_t totalLimit = kBitmapTotalLimit;
};

// A new bitmap of width x height pixels (all 0, no palette) in the first free
// slot: its number, or 0 when no slot is free or the memory is not there.
int32_t AllocBitmap(Interp &in, uint32_t width, uint32_t height);
// The bitmap a number names; anything but an occupied slot's number stops
// the run with "Bad frame parameter".
ScriptBitmap &CheckBitmap(Interp &in, int32_t number);
// As CheckBitmap, but 0 means no bitmap (null).
ScriptBitmap *CheckBitmapOrNone(Interp &in, int32_t number);
// Frees the bitmap of a checked number.
void FreeBitmap(Interp &in, int32_t number);

} // namespace zscript

#endif
