// Bitmap copies: bitmap to bitmap (crop or place), bitmap to screen, screen to
// bitmap, each plain or keyed (transparent, mask, merge). The keyed copies run
// through the blitter's 8-bit loops, so the keying rules live in one place.
#include "runtime/blit.h"
#include "script/commands/screen_draw.h"
#include "script/core/bitmap_store.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace zscript {

namespace {

enum class Keying { None, Trans, Mask, Merge };

// What is copied: the source, the keying, its colour and the mask or
// background bitmap (which must have the source's size).
struct CopyJob {
    const ScriptBitmap *src = nullptr;
    Keying keying = Keying::None;
    uint8_t key = 0;
    const ScriptBitmap *extra = nullptr;
};

ZorbBlitter *Blitter()
{
    static const std::unique_ptr<ZorbBlitter, decltype(&ZorbBlitClose)> handle(ZorbBlitOpen(0), ZorbBlitClose);
    return handle.get();
}

bool SameSize(const ScriptBitmap &a, const ScriptBitmap &b)
{
    return a.width == b.width && a.height == b.height;
}

// Copies w x h source pixels from (sx, sy) to dst (the target's first pixel,
// rows dstPitch bytes apart). The mask or background is read at the source's
// position.
void CopyRect(const CopyJob &job, uint8_t *dst, int32_t dstPitch, uint32_t sx, uint32_t sy, uint32_t w, uint32_t h)
{
    if (w == 0 || h == 0)
        return;
    const uint8_t *src = job.src->pixels.data();
    const auto pitch = static_cast<int32_t>(job.src->width);
    const auto x = static_cast<int32_t>(sx), y = static_cast<int32_t>(sy);
    const auto width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
    switch (job.keying) {
    case Keying::None:
        ZorbBlit(Blitter(), dst, dstPitch, 0, 0, src, pitch, x, y, width, height);
        break;
    case Keying::Trans:
        ZorbBlitTrans(Blitter(), dst, dstPitch, 0, 0, src, pitch, x, y, width, height, job.key);
        break;
    case Keying::Mask:
        ZorbBlitMask(Blitter(), dst, dstPitch, 0, 0, src, pitch, x, y, width, height, job.key,
                     job.extra->pixels.data());
        break;
    case Keying::Merge:
        ZorbBlitMerge(Blitter(), dst, dstPitch, 0, 0, src, pitch, x, y, width, height, job.key,
                      job.extra->pixels.data());
        break;
    }
}

// Reads the source, then the keying's colour and extra bitmap as the command
// gives them: [extra,] x, y[, colour].
struct Placement {
    CopyJob job;
    int32_t x = 0, y = 0;
    bool drawable = true; // false: the mask or background has the wrong size
};

Placement ReadPlacement(Interp &in, Keying keying)
{
    Placement p;
    p.job.keying = keying;
    p.job.src = &CheckBitmap(in, ReadNumber(in));
    if (keying == Keying::Mask || keying == Keying::Merge) {
        p.job.extra = &CheckBitmap(in, ReadNumber(in));
        p.drawable = SameSize(*p.job.src, *p.job.extra);
    }
    p.x = ReadNumber(in);
    p.y = ReadNumber(in);
    if (keying != Keying::None)
        p.job.key = static_cast<uint8_t>(ReadNumber(in) & 0xFF);
    return p;
}

// Bitmap to bitmap. A destination narrower or lower than the source gets the
// part of the source from (x, y) at its top-left corner (a crop); otherwise the
// source is placed at (x, y) in the destination. Either way clipped, and
// nothing when (x, y) lies outside the bitmap it refers to.
void ToBitmap(Interp &in, Keying keying)
{
    ScriptBitmap &dst = CheckBitmap(in, ReadNumber(in));
    Placement p = ReadPlacement(in, keying);
    if (!p.drawable)
        return;
    const ScriptBitmap &src = *p.job.src;
    const auto x = static_cast<uint32_t>(p.x), y = static_cast<uint32_t>(p.y);
    // A copy within one bitmap reads from a snapshot, so no pixel is read after
    // it was overwritten.
    ScriptBitmap srcCopy, extraCopy;
    if (&src == &dst) {
        srcCopy.width = src.width, srcCopy.height = src.height, srcCopy.pixels = src.pixels;
        p.job.src = &srcCopy;
    }
    if (p.job.extra == &dst) {
        extraCopy.width = dst.width, extraCopy.height = dst.height, extraCopy.pixels = dst.pixels;
        p.job.extra = &extraCopy;
    }
    const auto pitch = static_cast<int32_t>(dst.width);
    if (dst.width < src.width || dst.height < src.height) {
        if (x >= src.width || y >= src.height)
            return;
        CopyRect(p.job, dst.pixels.data(), pitch, x, y, std::min(dst.width, src.width - x),
                 std::min(dst.height, src.height - y));
    } else {
        if (x >= dst.width || y >= dst.height)
            return;
        CopyRect(p.job, dst.Row(y) + x, pitch, 0, 0, std::min(src.width, dst.width - x),
                 std::min(src.height, dst.height - y));
    }
}

// Bitmap to screen at (x, y) plus the screen origin, clipped at the right and
// bottom edges; nothing when the position is not on the screen (compared
// unsigned, so negative positions draw nothing).
void ToScreen(Interp &in, Keying keying)
{
    const Placement p = ReadPlacement(in, keying);
    NeedWindow(in);
    if (!p.drawable)
        return;
    const ScreenSurface &s = in.screen.surface;
    const uint32_t x = static_cast<uint32_t>(p.x) + static_cast<uint32_t>(in.screen.originX);
    const uint32_t y = static_cast<uint32_t>(p.y) + static_cast<uint32_t>(in.screen.originY);
    const auto sw = static_cast<uint32_t>(s.width), sh = static_cast<uint32_t>(s.height);
    if (x >= sw || y >= sh)
        return;
    const uint32_t w = std::min(p.job.src->width, sw - x), h = std::min(p.job.src->height, sh - y);
    const ScreenChange change(in, x, y, w, h);
    if (change.Empty())
        return;
    const ScreenRect &r = change.Rect();
    CopyRect(p.job, s.Row(r.y) + r.x, s.bottomUp ? -s.pitch : s.pitch, 0, 0, w, h);
}

} // namespace

void CmdBitmapToBitmap(Interp &in)
{
    ToBitmap(in, Keying::None);
}
void CmdBitmapToBitmapTrans(Interp &in)
{
    ToBitmap(in, Keying::Trans);
}
void CmdBitmapToBitmapMask(Interp &in)
{
    ToBitmap(in, Keying::Mask);
}
void CmdBitmapToBitmapMerge(Interp &in)
{
    ToBitmap(in, Keying::Merge);
}
void CmdBitmapToScreen(Interp &in)
{
    ToScreen(in, Keying::None);
}
void CmdBitmapToScreenTrans(Interp &in)
{
    ToScreen(in, Keying::Trans);
}
void CmdBitmapToScreenMask(Interp &in)
{
    ToScreen(in, Keying::Mask);
}
void CmdBitmapToScreenMerge(Interp &in)
{
    ToScreen(in, Keying::Merge);
}

// The screen rectangle of the bitmap's size at (x, y) plus the origin into the
// bitmap; pixels off the screen read as 0.
void CmdBitmapFromScreen(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const int64_t x = int64_t{ReadNumber(in)} + in.screen.originX;
    const int64_t y = int64_t{ReadNumber(in)} + in.screen.originY;
    NeedWindow(in);
    const ScreenSurface &s = in.screen.surface;
    const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + b.width, s.width);
    const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + b.height, s.height);
    if (x0 >= x1 || y0 >= y1) {
        std::fill(b.pixels.begin(), b.pixels.end(), 0);
        return;
    }
    RemovePointerOver(in, static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1 - x0),
                      static_cast<int32_t>(y1 - y0));
    for (uint32_t row = 0; row < b.height; ++row) {
        uint8_t *out = b.Row(row);
        const int64_t sy = y + row;
        if (sy < y0 || sy >= y1) {
            std::memset(out, 0, b.width);
            continue;
        }
        std::memset(out, 0, static_cast<size_t>(x0 - x));
        std::memcpy(out + (x0 - x), s.Row(static_cast<int32_t>(sy)) + x0, static_cast<size_t>(x1 - x0));
        std::memset(out + (x1 - x), 0, static_cast<size_t>(x + b.width - x1));
    }
}

} // namespace zscript
