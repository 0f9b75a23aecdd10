// Direct writing in 32-bit colour. On screens deeper than 16 bits the picture
// goes to the screen with the palette's colours exactly (1x, doubled,
// interlaced or smoothed, as the 16-bit screen blitter would draw it); the
// 16-bit blitter stays for 16-bit screens.
#include <cstring>

#include "runtime/blit_loops.h"
#include "runtime/blit_tables.h"
#include "runtime/display_internal.h"

namespace zorb::display {

namespace {

const char *const kDeepTexts[5] = {"", "32-bit 1x", "32-bit 2x", "32-bit 2x Interlaced", "32-bit 2x Smoothing"};

} // namespace

bool PrepareDeep(ZorbDisplay *d, DeepMode mode)
{
    Private *p = P(d);
    p->texture =
        SDL_CreateTexture(p->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, d->OutWidth, d->OutHeight);
    if (!p->texture)
        return false;
    p->deep = mode;
    p->directScale = mode == DeepMode::One ? 1 : 2;
    p->smoothing = mode == DeepMode::Smooth;
    p->direct32.assign(static_cast<size_t>(d->OutWidth) * d->OutHeight, 0xFF000000u);
    p->colours32.assign(256, 0xFF000000u);
    if (p->smoothing)
        p->pairs32.assign(65536, 0xFF000000u);
    SDL_UpdateTexture(p->texture, nullptr, p->direct32.data(), d->OutWidth * 4);
    return true;
}

void DeepPalette(ZorbDisplay *d)
{
    Private *p = P(d);
    if (p->deep == DeepMode::None)
        return;
    uint8_t rgb[768];
    zorb::blit::ConvertPalette(d->Palette, d->PaletteFormat, rgb);
    zorb::blit::BuildColourTable32(rgb, p->colours32.data());
    if (p->smoothing)
        zorb::blit::BuildPairTable32(rgb, p->pairs32.data());
}

void DeepUpload(ZorbDisplay *d, int x, int y, int w, int h)
{
    Private *p = P(d);
    const int s = p->directScale;
    const ptrdiff_t pitch = ptrdiff_t{d->OutWidth} * 4;
    uint8_t *base = reinterpret_cast<uint8_t *>(p->direct32.data());
    const zorb::blit::Walk walk{
        base + (y * s) * pitch + ptrdiff_t{x * s} * 4, pitch, d->Buffer + ptrdiff_t{y} * d->Pitch + x, d->Pitch, w, h};
    switch (p->deep) {
    case DeepMode::One:
        zorb::blit::Convert32(walk, p->colours32.data());
        break;
    case DeepMode::Double:
    case DeepMode::Interlaced:
        zorb::blit::Double32(walk, p->deep == DeepMode::Double, p->colours32.data());
        break;
    case DeepMode::Smooth:
        zorb::blit::Smooth32(walk, x, y, p->pairs32.data());
        break;
    case DeepMode::None:
        return;
    }
    const SDL_Rect r{x * s, y * s, w * s, h * s};
    SDL_UpdateTexture(p->texture, &r, base + r.y * pitch + ptrdiff_t{r.x} * 4, static_cast<int>(pitch));
}

const char *DeepDescription(const ZorbDisplay *d)
{
    return kDeepTexts[static_cast<int>(d->Private->deep)];
}

int DirectBits(const ZorbDisplay *d)
{
    if (d->ScreenBlitter)
        return 16;
    return d->Private && d->Private->deep != DeepMode::None ? 32 : 0;
}

} // namespace zorb::display
