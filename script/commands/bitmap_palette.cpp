// Bitmap palettes: to and from the screen palette, between bitmaps, single
// entries, and the darkest and brightest entries. Palette indices use their
// low 8 bits.
#include "script/core/bitmap_store.h"
#include "script/core/commands.h"
#include "script/core/interp.h"
#include "script/core/palette_search.h"

#include <cstring>

namespace zscript {

namespace {

uint32_t Index(int32_t value)
{
    return static_cast<uint32_t>(value) & 0xFF;
}

} // namespace

void CmdBitmapGetPalette(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    b.palette.emplace();
    std::memcpy(b.palette->data(), in.screen.palette, 768);
}

// The bitmap's palette onto the screen (unlocked entries), when it has one
// that differs from the screen palette.
void CmdBitmapSetPalette(Interp &in)
{
    const ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    if (!b.palette || std::memcmp(b.palette->data(), in.screen.palette, 768) == 0)
        return;
    SetScreenPalette(in, b.palette->data());
    ApplyScreenPalette(in);
}

// Fades the bitmap's palette in on the screen, when it has one.
void CmdBitmapFadeInPalette(Interp &in)
{
    const ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    if (b.palette) {
        const Palette768 target = *b.palette; // the bitmap may go while the fade pumps
        FadeInPalette(in, target.data());
    }
}

void CmdBitmapPaletteToPalette(Interp &in)
{
    ScriptBitmap &dst = CheckBitmap(in, ReadNumber(in));
    const ScriptBitmap &src = CheckBitmap(in, ReadNumber(in));
    dst.palette = src.palette;
}

// Red + green x 256 + blue x 65536; 0 without a palette.
void CmdBitmapGetPaletteValue(Interp &in)
{
    const std::string name = ReadName(in);
    const ScriptBitmap &b = CheckBitmap(in, ReadNumber(in, 1));
    const uint32_t i = Index(ReadNumber(in, 1));
    int32_t value = 0;
    if (b.palette) {
        const uint8_t *c = b.palette->data() + 3 * i;
        value = c[0] + c[1] * 256 + c[2] * 65536;
    }
    SetVariableNumber(in, name, value);
}

// A missing palette is created all black first.
void CmdBitmapSetPaletteValue(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const uint32_t i = Index(ReadNumber(in));
    const auto value = static_cast<uint32_t>(ReadNumber(in));
    if (!b.palette)
        b.palette.emplace().fill(0);
    uint8_t *c = b.palette->data() + 3 * i;
    c[0] = static_cast<uint8_t>(value);
    c[1] = static_cast<uint8_t>(value >> 8);
    c[2] = static_cast<uint8_t>(value >> 16);
}

void CmdBitmapGetDarkestPaletteIndex(Interp &in)
{
    const std::string name = ReadName(in);
    const ScriptBitmap &b = CheckBitmap(in, ReadNumber(in, 1));
    SetVariableNumber(in, name, b.palette ? DarkestEntry(b.palette->data()) : 0);
}

void CmdBitmapGetBrightestPaletteIndex(Interp &in)
{
    const std::string name = ReadName(in);
    const ScriptBitmap &b = CheckBitmap(in, ReadNumber(in, 1));
    SetVariableNumber(in, name, b.palette ? BrightestEntry(b.palette->data()) : 0);
}

} // namespace zscript
