// The blitter's copies: blit by mode, the keyed copies, clear, and the
// buffer-to-buffer family.
#include <algorithm>
#include <cstring>

#include "runtime/blit_handle.h"
#include "runtime/blit_loops.h"
#include "runtime/display.h"

using namespace zorb::blit;

namespace {

inline uint8_t *At(void *base, int32_t pitch, int32_t x, int32_t y, int bytesPerPixel)
{
    return static_cast<uint8_t *>(base) + static_cast<ptrdiff_t>(y) * pitch + static_cast<ptrdiff_t>(x) * bytesPerPixel;
}
inline const uint8_t *At(const void *base, int32_t pitch, int32_t x, int32_t y)
{
    return static_cast<const uint8_t *>(base) + static_cast<ptrdiff_t>(y) * pitch + x;
}

enum class Keyed { Trans, Mask, Merge };

// Applies one keyed row loop to every row of a walk. `extra` is the mask or the
// second source, walked with the source's pitch.
void KeyedWalk(Keyed kind, uint8_t *dst, ptrdiff_t dstPitch, const uint8_t *src, ptrdiff_t srcPitch,
               const uint8_t *extra, int width, int height, uint8_t key)
{
    const bool wide = width >= kWideKeyedMinWidth && UseWide();
    for (int y = 0; y < height; ++y, dst += dstPitch, src += srcPitch, extra += srcPitch) {
        switch (kind) {
        case Keyed::Trans:
            (wide ? TransRowWide : TransRowPlain)(dst, src, width, key);
            break;
        case Keyed::Mask:
            (wide ? MaskRowWide : MaskRowPlain)(dst, src, extra, width, key);
            break;
        case Keyed::Merge:
            (wide ? MergeRowWide : MergeRowPlain)(dst, src, extra, width, key);
            break;
        }
    }
}

void KeyedBlit(Keyed kind, ZorbBlitter *h, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY, const void *src,
               int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width, int32_t height, uint32_t key,
               const void *extra)
{
    if (!h || h->Mode != ZORB_BLIT_MODE_8_1X || width <= 0 || height <= 0 || !dst || !src)
        return;
    if (kind != Keyed::Trans && !extra)
        return;
    const uint8_t *s = At(src, srcPitch, srcX, srcY);
    const uint8_t *e = kind == Keyed::Trans ? s : At(extra, srcPitch, srcX, srcY); // Trans: walked, never read
    KeyedWalk(kind, At(dst, dstPitch, dstX, dstY, 1), dstPitch, s, srcPitch, e, width, height,
              static_cast<uint8_t>(key));
}

} // namespace

extern "C" void ZorbBlit(ZorbBlitter *h, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY, const void *src,
                         int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width, int32_t height)
{
    if (!h || width <= 0 || height <= 0 || !dst || !src)
        return;
    const uint32_t mode = h->Mode;
    Walk w{At(dst, dstPitch, dstX, dstY, mode >= ZORB_BLIT_MODE_16_1X ? 2 : 1),
           dstPitch,
           At(src, srcPitch, srcX, srcY),
           srcPitch,
           width,
           height};
    const bool wide = UseWide();
    switch (mode) {
    case ZORB_BLIT_MODE_8_1X:
        for (int y = 0; y < height; ++y)
            std::memmove(w.dst + y * w.dstPitch, w.src + y * w.srcPitch, width);
        break;
    case ZORB_BLIT_MODE_8_2X:
    case ZORB_BLIT_MODE_8_2X_INTERLACED:
        (wide ? Double8Wide : Double8Plain)(w, mode == ZORB_BLIT_MODE_8_2X);
        break;
    case ZORB_BLIT_MODE_8_2X_SMOOTH:
        Smooth8(w, srcX, srcY, static_cast<const uint8_t *>(h->PairTable));
        break;
    case ZORB_BLIT_MODE_16_1X:
        Convert16(w, h->ColourTable);
        break;
    case ZORB_BLIT_MODE_16_2X:
    case ZORB_BLIT_MODE_16_2X_INTERLACED:
        (wide ? Double16Wide : Double16Plain)(w, mode == ZORB_BLIT_MODE_16_2X, h->ColourTable);
        break;
    case ZORB_BLIT_MODE_16_2X_SMOOTH:
        Smooth16(w, srcX, srcY, static_cast<const uint16_t *>(h->PairTable));
        break;
    default:
        break;
    }
}

extern "C" void ZorbBlitTrans(ZorbBlitter *h, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY, const void *src,
                              int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                              uint32_t transparent)
{
    KeyedBlit(Keyed::Trans, h, dst, dstPitch, dstX, dstY, src, srcPitch, srcX, srcY, width, height, transparent,
              nullptr);
}

extern "C" void ZorbBlitMask(ZorbBlitter *h, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY, const void *src,
                             int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                             uint32_t transparent, const void *mask)
{
    KeyedBlit(Keyed::Mask, h, dst, dstPitch, dstX, dstY, src, srcPitch, srcX, srcY, width, height, transparent, mask);
}

extern "C" void ZorbBlitMerge(ZorbBlitter *h, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY, const void *src,
                              int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                              uint32_t transparent, const void *src2)
{
    KeyedBlit(Keyed::Merge, h, dst, dstPitch, dstX, dstY, src, srcPitch, srcX, srcY, width, height, transparent, src2);
}

extern "C" void ZorbBlitClear(ZorbBlitter *h, void *dst, int32_t dstPitch, int32_t x, int32_t y, int32_t width,
                              int32_t height, int32_t colour)
{
    if (!h || !dst || width <= 0 || height <= 0)
        return;
    if (h->Mode >= ZORB_BLIT_MODE_16_1X) {
        // A negative colour is a 16-bit value; otherwise a palette index.
        const uint16_t v = colour < 0 ? static_cast<uint16_t>(0u - static_cast<uint32_t>(colour))
                                      : h->ColourTable[static_cast<uint32_t>(colour) & 0xFF];
        for (int r = 0; r < height; ++r) {
            uint8_t *row = At(dst, dstPitch, x, y + r, 2);
            for (int i = 0; i < width; ++i)
                std::memcpy(row + 2 * i, &v, 2);
        }
    } else {
        const uint32_t magnitude = colour < 0 ? 0u - static_cast<uint32_t>(colour) : static_cast<uint32_t>(colour);
        const uint8_t v = static_cast<uint8_t>(magnitude);
        for (int r = 0; r < height; ++r)
            std::memset(At(dst, dstPitch, x, y + r, 1), v, width);
    }
}

// ---- Buffer to buffer ---------------------------------------------------------

namespace {

struct Rows {
    uint8_t *first; // picture row y of the rectangle, at x
    ptrdiff_t step; // to the next picture row
};

Rows RowsOf(const ZorbDisplay &b, int32_t x, int32_t y)
{
    const ptrdiff_t pitch = b.Pitch;
    const ptrdiff_t row = b.BottomUp ? b.Height - 1 - y : y;
    return {b.Buffer + row * pitch + x, b.BottomUp ? -pitch : pitch};
}

bool Usable(const ZorbDisplay *b)
{
    return b && b->Buffer && b->Width > 0 && b->Height > 0 && b->Pitch >= b->Width;
}

// Clips the rectangle to both buffers; false when nothing is left.
bool Clip(const ZorbDisplay &d, int32_t &dx, int32_t &dy, const ZorbDisplay &s, int32_t &sx, int32_t &sy, int32_t &w,
          int32_t &h)
{
    if (w <= 0 || h <= 0)
        return false;
    int64_t x0 = dx, y0 = dy, x1 = sx, y1 = sy, ww = w, hh = h;
    auto clipLow = [&](int64_t &a, int64_t &other, int64_t &len) {
        if (a < 0) {
            len += a;
            other -= a;
            a = 0;
        }
    };
    clipLow(x0, x1, ww);
    clipLow(x1, x0, ww);
    clipLow(y0, y1, hh);
    clipLow(y1, y0, hh);
    ww = std::min<int64_t>(ww, std::min<int64_t>(d.Width - x0, s.Width - x1));
    hh = std::min<int64_t>(hh, std::min<int64_t>(d.Height - y0, s.Height - y1));
    if (ww <= 0 || hh <= 0)
        return false;
    dx = static_cast<int32_t>(x0), dy = static_cast<int32_t>(y0), sx = static_cast<int32_t>(x1);
    sy = static_cast<int32_t>(y1), w = static_cast<int32_t>(ww), h = static_cast<int32_t>(hh);
    return true;
}

void BufferCopy(int kind, ZorbDisplay *dst, int32_t dx, int32_t dy, const ZorbDisplay *src, int32_t sx, int32_t sy,
                int32_t w, int32_t h, uint32_t key, const ZorbDisplay *extra)
{
    if (!Usable(dst) || !Usable(src))
        return;
    if (kind >= 2) {
        // Mask and second source are addressed like the source.
        if (!Usable(extra) || extra->BottomUp != src->BottomUp || extra->Pitch != src->Pitch)
            return;
        if (extra->Height < src->Height || extra->Width < src->Width)
            return;
    }
    if (!Clip(*dst, dx, dy, *src, sx, sy, w, h))
        return;
    const Rows d = RowsOf(*dst, dx, dy);
    const Rows s = RowsOf(*src, sx, sy);
    if (kind == 0) {
        for (int r = 0; r < h; ++r)
            std::memmove(d.first + r * d.step, s.first + r * s.step, w);
        return;
    }
    const uint8_t *e = kind >= 2 ? RowsOf(*extra, sx, sy).first : s.first;
    const Keyed k = kind == 1 ? Keyed::Trans : kind == 2 ? Keyed::Mask : Keyed::Merge;
    KeyedWalk(k, d.first, d.step, s.first, s.step, e, w, h, static_cast<uint8_t>(key));
}

} // namespace

extern "C" void ZorbBufferToBuffer(ZorbDisplay *dst, int32_t dstX, int32_t dstY, const ZorbDisplay *src, int32_t srcX,
                                   int32_t srcY, int32_t width, int32_t height)
{
    BufferCopy(0, dst, dstX, dstY, src, srcX, srcY, width, height, 0, nullptr);
}

extern "C" void ZorbBufferToBufferTrans(ZorbDisplay *dst, int32_t dstX, int32_t dstY, const ZorbDisplay *src,
                                        int32_t srcX, int32_t srcY, int32_t width, int32_t height, uint32_t transparent)
{
    BufferCopy(1, dst, dstX, dstY, src, srcX, srcY, width, height, transparent, nullptr);
}

extern "C" void ZorbBufferToBufferMask(ZorbDisplay *dst, int32_t dstX, int32_t dstY, const ZorbDisplay *src,
                                       int32_t srcX, int32_t srcY, int32_t width, int32_t height, uint32_t transparent,
                                       const ZorbDisplay *mask)
{
    BufferCopy(2, dst, dstX, dstY, src, srcX, srcY, width, height, transparent, mask);
}

extern "C" void ZorbBufferToBufferMerge(ZorbDisplay *dst, int32_t dstX, int32_t dstY, const ZorbDisplay *src,
                                        int32_t srcX, int32_t srcY, int32_t width, int32_t height, uint32_t transparent,
                                        const ZorbDisplay *src2)
{
    BufferCopy(3, dst, dstX, dstY, src, srcX, srcY, width, height, transparent, src2);
}
