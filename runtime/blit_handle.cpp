// Blitter handles: open, close, flags, palette, tables and description.
#include "runtime/blit_handle.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "codec/cpu.h"
#include "codec/format.h"
#include "runtime/blit_tables.h"
#include "runtime/sound_hook.h"

namespace zorb::blit {

namespace {

constexpr size_t kPairTableBytes = 131072;
constexpr size_t kColourTableBytes = 512;
constexpr size_t kPaletteBytes = 768;

const char *const kModeText[10] = {"8-bit 1x",  "8-bit 2x",  "8-bit 2x Interlaced",  "8-bit 2x Smoothing", "", "",
                                   "16-bit 1x", "16-bit 2x", "16-bit 2x Interlaced", "16-bit 2x Smoothing"};

void UpdateTables(Handle *h)
{
    ZorbBlitter &b = h->pub;
    const bool is565 = Is565(b.Flags);
    if (b.Mode >= ZORB_BLIT_MODE_16_1X && (b.ColourTableVersion != b.PaletteVersion || h->colourTableIs565 != is565)) {
        BuildColourTable(b.Palette, is565, b.ColourTable);
        b.ColourTableVersion = b.PaletteVersion;
        h->colourTableIs565 = is565;
    }
    if (b.Mode == ZORB_BLIT_MODE_8_2X_SMOOTH || b.Mode == ZORB_BLIT_MODE_16_2X_SMOOTH) {
        const uint32_t bits = b.Mode == ZORB_BLIT_MODE_8_2X_SMOOTH ? 8 : 16;
        if (b.PairTableBits != bits || b.PairTableVersion != b.PaletteVersion ||
            (bits == 16 && h->pairTableIs565 != is565)) {
            // The 8-bit table takes a while: keep sound flowing around it.
            RuntimeSoundService();
            if (bits == 8)
                BuildPairTable8(b.Palette, static_cast<uint8_t *>(b.PairTable));
            else
                BuildPairTable16(b.Palette, is565, static_cast<uint16_t *>(b.PairTable));
            RuntimeSoundService();
            b.PairTableVersion = b.PaletteVersion;
            b.PairTableBits = bits;
            h->pairTableIs565 = is565;
        }
    }
}

} // namespace

uint32_t ModeOf(uint32_t flags)
{
    const uint32_t base = Is16Bit(flags) ? 6 : 0;
    if (flags & ZORB_BLIT_SMOOTH)
        return base + 3;
    if (flags & ZORB_BLIT_INTERLACED)
        return base + 2;
    if (flags & ZORB_BLIT_DOUBLE)
        return base + 1;
    return base;
}

bool UseWide()
{
    return ZorbMMXLevel() == 2;
}

} // namespace zorb::blit

using namespace zorb::blit;

extern "C" ZorbBlitter *ZorbBlitOpen(uint32_t flags)
{
    const bool wants16 = Is16Bit(flags);
    const bool smooth = (flags & ZORB_BLIT_SMOOTH) != 0;
    size_t size = ZbxAlign16(sizeof(Handle));
    const size_t pairAt = size;
    if (smooth)
        size += kPairTableBytes;
    const size_t colourAt = size;
    if (wants16)
        size += kColourTableBytes;
    const size_t paletteAt = size;
    if (wants16 || smooth)
        size += kPaletteBytes;

    void *block = std::aligned_alloc(ZBX_ALIGNMENT, ZbxAlign16(size));
    if (!block)
        return nullptr;
    std::memset(block, 0, ZbxAlign16(size));
    auto *h = new (block) Handle{};
    auto *base = static_cast<uint8_t *>(block);
    ZorbBlitter &b = h->pub;
    b.Flags = flags;
    b.Mode = ModeOf(flags);
    b.PaletteNeverSet = 1;
    if (smooth)
        b.PairTable = base + pairAt;
    if (wants16)
        b.ColourTable = reinterpret_cast<uint16_t *>(base + colourAt);
    if (wants16 || smooth)
        b.Palette = base + paletteAt;
    return &b;
}

extern "C" void ZorbBlitClose(ZorbBlitter *handle)
{
    if (!handle)
        return;
    Handle *h = Priv(handle);
    h->~Handle();
    std::free(h);
}

extern "C" uint32_t ZorbBlitSetFlags(ZorbBlitter *handle, uint32_t flags)
{
    if (!handle)
        return 0;
    if (Is16Bit(flags) && !handle->ColourTable)
        return 0;
    if ((flags & ZORB_BLIT_SMOOTH) && !handle->PairTable)
        return 0;
    handle->Flags = flags;
    handle->Mode = ModeOf(flags);
    UpdateTables(Priv(handle));
    return 1;
}

extern "C" uint32_t ZorbBlitSetPalette(ZorbBlitter *handle, const void *palette, uint32_t format)
{
    if (!handle || !handle->Palette || !palette)
        return 0;
    uint8_t rgb[768];
    ConvertPalette(palette, format, rgb);
    if (!handle->PaletteNeverSet && std::memcmp(rgb, handle->Palette, sizeof rgb) == 0)
        return 0;
    ++handle->PaletteVersion;
    std::memcpy(handle->Palette, rgb, sizeof rgb);
    UpdateTables(Priv(handle));
    handle->PaletteNeverSet = 0;
    const uint32_t m = handle->Mode;
    return (m >= ZORB_BLIT_MODE_16_1X || m == ZORB_BLIT_MODE_8_2X_SMOOTH) ? 1 : 0;
}

extern "C" char *ZorbBlitString(ZorbBlitter *handle, char *text)
{
    if (!handle || !text)
        return nullptr;
    const uint32_t m = handle->Mode;
    std::strcpy(text, m < 10 ? kModeText[m] : "");
    const bool wideMode = m == ZORB_BLIT_MODE_8_2X || m == ZORB_BLIT_MODE_8_2X_INTERLACED ||
                          m == ZORB_BLIT_MODE_16_2X || m == ZORB_BLIT_MODE_16_2X_INTERLACED;
    if (wideMode && UseWide())
        std::strcat(text, " using MMX");
    return text;
}
