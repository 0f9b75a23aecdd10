// The software pointer: the system pointer is hidden over the window and the
// script player draws its own image while it waits for input, keeping the
// screen under it to put back when it moves or something is drawn there.
#include "script/commands/input_family.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>

namespace zscript {

namespace {

struct ImageView {
    const uint8_t *pixels = nullptr;
    int32_t pitch = 0, width = 0, height = 0;
    uint8_t key = 0;
};

const PointerImage &BuiltIn(Interp &in)
{
    SoftPointer &p = in.input.pointer;
    if (!p.builtInMade || p.builtInVersion != in.screen.paletteVersion) {
        p.builtIn = BuiltInPointer(in.screen.palette);
        p.builtInVersion = in.screen.paletteVersion;
        p.builtInMade = true;
    }
    return p.builtIn;
}

// The image to draw: the pointer's bitmap while it exists (colour 0 clear),
// else the built-in one.
ImageView CurrentImage(Interp &in)
{
    const int32_t slot = in.input.pointer.bitmap - kBitmapBase;
    if (slot >= 0 && slot < kBitmapSlots && in.bitmaps.slots[slot] && !in.bitmaps.slots[slot]->pixels.empty()) {
        const ScriptBitmap &b = *in.bitmaps.slots[slot];
        return {b.pixels.data(), static_cast<int32_t>(b.width), static_cast<int32_t>(b.width),
                static_cast<int32_t>(b.height), 0};
    }
    const PointerImage &image = BuiltIn(in);
    return {image.pixels.data(), image.width, image.width, image.height, image.key};
}

// The part of a rectangle on the surface; false when nothing is left.
bool OnSurface(const ScreenSurface &s, int32_t &x, int32_t &y, int32_t &w, int32_t &h)
{
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + w, s.width), y1 = std::min<int64_t>(int64_t{y} + h, s.height);
    if (x0 >= x1 || y0 >= y1)
        return false;
    x = static_cast<int32_t>(x0);
    y = static_cast<int32_t>(y0);
    w = static_cast<int32_t>(x1 - x0);
    h = static_cast<int32_t>(y1 - y0);
    return true;
}

bool Usable(const Interp &in)
{
    return in.screen.open && in.screen.surface.pixels && in.host->HasWindow();
}

} // namespace

void RemovePointer(Interp &in)
{
    SoftPointer &p = in.input.pointer;
    if (!p.drawn)
        return;
    p.drawn = false;
    if (!Usable(in))
        return;
    const ScreenSurface &s = in.screen.surface;
    const uint8_t *from = p.saved.data();
    for (int32_t row = 0; row < p.rectH; ++row, from += p.rectW)
        std::memcpy(s.Row(p.rectY + row) + p.rectX, from, static_cast<size_t>(p.rectW));
    in.host->ShowRect(p.rectX, p.rectY, p.rectW, p.rectH);
}

void RemovePointerOver(Interp &in, int32_t x, int32_t y, int32_t width, int32_t height)
{
    const SoftPointer &p = in.input.pointer;
    if (p.drawn && int64_t{x} < int64_t{p.rectX} + p.rectW && int64_t{p.rectX} < int64_t{x} + width &&
        int64_t{y} < int64_t{p.rectY} + p.rectH && int64_t{p.rectY} < int64_t{y} + height)
        RemovePointer(in);
}

void ResetPointer(Interp &in)
{
    RemovePointer(in);
    SoftPointer &p = in.input.pointer;
    p.x = p.y = -1;
    p.bitmap = kNoPointerBitmap;
    p.drawnBitmap = kNoPointerBitmap;
    p.saved.clear();
}

void PointerScreenOpened(Interp &in)
{
    in.input.areas.RemoveAll();
    in.input.pointer.drawn = false; // the old screen is gone
    ResetPointer(in);
}

void ClampPointer(Interp &in, int32_t &x, int32_t &y)
{
    const ImageView image = CurrentImage(in);
    const ScreenSurface &s = in.screen.surface;
    x = std::max(0, std::min(x, s.width - image.width));
    y = std::max(0, std::min(y, s.height - image.height));
}

void SetPointerImage(Interp &in, int32_t bitmap)
{
    SoftPointer &p = in.input.pointer;
    if (p.x == -1 && p.y == -1)
        return;
    if (bitmap == p.bitmap)
        return;
    RemovePointer(in);
    p.bitmap = bitmap;
    ClampPointer(in, p.x, p.y);
}

void PointerImageFromAreas(Interp &in)
{
    const SoftPointer &p = in.input.pointer;
    const MouseArea *area = p.x == -1 && p.y == -1 ? nullptr : in.input.areas.At(p.x, p.y);
    SetPointerImage(in, area ? area->bitmap : kNoPointerBitmap);
}

void TrackPointer(Interp &in)
{
    SoftPointer &p = in.input.pointer;
    int32_t x = -1, y = -1;
    if (!in.host->PointerAt(x, y) || x < 0 || y < 0 || x >= in.screen.surface.width || y >= in.screen.surface.height) {
        RemovePointer(in);
        p.x = p.y = -1;
        return;
    }
    ClampPointer(in, x, y);
    p.x = x;
    p.y = y;
    if (!p.drawn || x != p.drawnX || y != p.drawnY)
        PointerImageFromAreas(in);
}

void DrawPointer(Interp &in)
{
    SoftPointer &p = in.input.pointer;
    if ((p.x == -1 && p.y == -1) || !Usable(in))
        return;
    const ImageView image = CurrentImage(in);
    // The built-in image takes new colours with every new palette.
    if (p.drawn && p.x == p.drawnX && p.y == p.drawnY && p.bitmap == p.drawnBitmap &&
        (p.bitmap != kNoPointerBitmap || p.drawnVersion == in.screen.paletteVersion))
        return;
    RemovePointer(in);
    int32_t x = p.x, y = p.y, w = image.width, h = image.height;
    if (!OnSurface(in.screen.surface, x, y, w, h))
        return;
    const ScreenSurface &s = in.screen.surface;
    p.saved.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    uint8_t *to = p.saved.data();
    for (int32_t row = 0; row < h; ++row, to += w) {
        uint8_t *line = s.Row(y + row) + x;
        std::memcpy(to, line, static_cast<size_t>(w));
        const uint8_t *src = image.pixels + static_cast<size_t>(y + row - p.y) * image.pitch + (x - p.x);
        for (int32_t col = 0; col < w; ++col)
            if (src[col] != image.key)
                line[col] = src[col];
    }
    p.drawn = true;
    p.drawnX = p.x;
    p.drawnY = p.y;
    p.drawnBitmap = p.bitmap;
    p.drawnVersion = in.screen.paletteVersion;
    p.rectX = x;
    p.rectY = y;
    p.rectW = w;
    p.rectH = h;
    in.host->ShowRect(x, y, w, h);
    in.host->ShowChanges(false);
}

} // namespace zscript
