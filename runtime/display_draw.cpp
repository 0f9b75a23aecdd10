// Drawing: rectangles into the texture, batches, presenting, palette, clear,
// and the capture of every frame shown.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/blit_tables.h"
#include "runtime/display_internal.h"

namespace zorb::display {

void Upload(ZorbDisplay *d, int x, int y, int w, int h)
{
    Private *p = P(d);
    {
        // Clip to the picture (in 64 bits: the rectangle comes from callers).
        int64_t x0 = x, y0 = y, x1 = int64_t{x} + w, y1 = int64_t{y} + h;
        x0 = std::max<int64_t>(x0, 0), y0 = std::max<int64_t>(y0, 0);
        x1 = std::min<int64_t>(x1, d->Width), y1 = std::min<int64_t>(y1, d->Height);
        if (x1 <= x0 || y1 <= y0)
            return;
        x = static_cast<int>(x0), y = static_cast<int>(y0), w = static_cast<int>(x1 - x0),
        h = static_cast<int>(y1 - y0);
    }
    // A smoothed pixel's block depends on its left and upper neighbours: the
    // blocks right of and below a change change too.
    if (p->smoothing) {
        w = std::min(w + 1, d->Width - x);
        h = std::min(h + 1, d->Height - y);
    }
    if (p->deep != DeepMode::None) {
        DeepUpload(d, x, y, w, h);
    } else if (d->ScreenBlitter) {
        const int s = p->directScale;
        const int pitch = d->OutWidth * 2;
        ZorbBlit(d->ScreenBlitter, p->direct.data(), pitch, x * s, y * s, d->Buffer, d->Pitch, x, y, w, h);
        const SDL_Rect r{x * s, y * s, w * s, h * s};
        SDL_UpdateTexture(p->texture, &r, p->direct.data() + static_cast<size_t>(r.y) * d->OutWidth + r.x, pitch);
    } else {
        // Rows in memory order: a bottom-up buffer holds picture row y at Height - 1 - y.
        SDL_Rect r{x, d->BottomUp ? d->Height - y - h : y, w, h};
        SDL_Rect to = r;
        SDL_LowerBlit(p->indexed, &r, p->rgb, &to);
        SDL_UpdateTexture(p->texture, &r,
                          static_cast<uint8_t *>(p->rgb->pixels) + static_cast<size_t>(r.y) * p->rgb->pitch + r.x * 4,
                          p->rgb->pitch);
    }
    p->dirty = true;
}

namespace {

// The frame of a borderless window around the picture.
void DrawFrame(const Private *p)
{
    SDL_Renderer *r = p->renderer;
    const int w = p->logicalW, h = p->logicalH;
    if (p->frame == FrameStyle::Thin) {
        SDL_SetRenderDrawColor(r, 128, 128, 128, 255);
        const SDL_Rect all{0, 0, w, h};
        SDL_RenderDrawRect(r, &all);
    } else if (p->frame == FrameStyle::Dialog) {
        // Raised: light at the top and left, dark at the bottom and right.
        SDL_SetRenderDrawColor(r, 192, 192, 192, 255);
        SDL_RenderClear(r);
        SDL_SetRenderDrawColor(r, 255, 255, 255, 255);
        SDL_RenderDrawLine(r, 0, 0, w - 1, 0);
        SDL_RenderDrawLine(r, 0, 0, 0, h - 1);
        SDL_SetRenderDrawColor(r, 64, 64, 64, 255);
        SDL_RenderDrawLine(r, 0, h - 1, w - 1, h - 1);
        SDL_RenderDrawLine(r, w - 1, 0, w - 1, h - 1);
    }
}

} // namespace

void Present(ZorbDisplay *d)
{
    Private *p = P(d);
    SDL_SetRenderDrawColor(p->renderer, 0, 0, 0, 255);
    SDL_RenderClear(p->renderer);
    DrawFrame(p);
    SDL_RenderCopyEx(p->renderer, p->texture, nullptr, &p->place, 0.0, nullptr,
                     d->BottomUp ? SDL_FLIP_VERTICAL : SDL_FLIP_NONE);
    SDL_RenderPresent(p->renderer);
    p->dirty = false;
    // Direct writing counts as on screen while the window is shown.
    if (DirectBits(d) && d->Window)
        d->OnScreen = (SDL_GetWindowFlags(d->Window) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) ? 0 : 1;
}

void RepaintWhole(ZorbDisplay *d)
{
    Upload(d, 0, 0, d->Width, d->Height);
    Present(d);
}

void SetActive(ZorbDisplay *d, bool active)
{
    if (!d || !d->FullScreen)
        return;
    d->Active = active ? 1 : 0;
    if (active)
        RepaintWhole(d); // the whole frame sent again
}

namespace {

// Draws one rectangle now (the drawing steps after collecting).
int32_t DrawNow(ZorbDisplay *d, int x, int y, int w, int h)
{
    d->HasDrawn = 1;
    if (d->Mode == DISPLAY_FULL_DIRECT)
        return 0; // the buffer is the screen
    if (d->FullScreen || d->RepaintAll) {
        d->RepaintAll = 0;
        Upload(d, 0, 0, d->Width, d->Height);
        return DISPLAY_REPAINTED;
    }
    Upload(d, x, y, w, h);
    return 0;
}

// ---- Capture ---------------------------------------------------------------------

struct Capture {
    std::string dir;
    unsigned next = 1; // frames are numbered from 1 in file names
    bool complained = false;
};
Capture &TheCapture()
{
    static Capture c;
    return c;
}

} // namespace

void CaptureFrame(const ZorbDisplay *d)
{
    const char *env = std::getenv("ZORB_CAPTURE");
    if (!env || !*env)
        return;
    Capture &c = TheCapture();
    if (c.dir != env)
        c = Capture{env, 1, false}; // a new directory numbers from 00001
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05u.raw", c.next++);
    const std::string path = c.dir + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr;
    for (int y = 0; ok && y < d->Height; ++y) {
        const int row = d->BottomUp ? d->Height - 1 - y : y;
        ok = std::fwrite(d->Buffer + static_cast<size_t>(row) * d->Pitch, 1, d->Width, f) ==
             static_cast<size_t>(d->Width);
    }
    uint8_t rgb[768];
    for (int i = 0; i < 256; ++i) {
        rgb[i * 3 + 0] = d->Palette[i * 4 + 2];
        rgb[i * 3 + 1] = d->Palette[i * 4 + 1];
        rgb[i * 3 + 2] = d->Palette[i * 4 + 0];
    }
    if (ok)
        ok = std::fwrite(rgb, 1, sizeof rgb, f) == sizeof rgb;
    if (f && std::fclose(f) != 0)
        ok = false;
    if (!ok && !c.complained) {
        c.complained = true;
        std::fprintf(stderr, "capture: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    }
}

void ResetCaptureForTests()
{
    TheCapture() = Capture{};
}

} // namespace zorb::display

using namespace zorb::display;

extern "C" int32_t DisplayDraw(ZorbDisplay *d, void *context, int32_t dstX, int32_t dstY, int32_t srcX, int32_t srcY,
                               int32_t width, int32_t height)
{
    (void)context, (void)dstX, (void)dstY;
    if (!d)
        return 0;
    if (d->BatchMode == DISPLAY_BATCH_COLLECT && d->BatchCount < d->BatchCapacity) {
        d->BatchList[d->BatchCount++] = DisplayRect{dstX, dstY, srcX, srcY, width, height};
        d->BatchNext = d->BatchCount;
        return 0;
    }
    const int32_t result = DrawNow(d, srcX, srcY, width, height);
    if (d->BatchMode == DISPLAY_BATCH_OFF)
        Present(d);
    return result;
}

extern "C" void DisplayBeginBatch(ZorbDisplay *d)
{
    if (!d)
        return;
    d->BatchMode = DISPLAY_BATCH_COLLECT;
    d->BatchCount = 0;
    d->BatchNext = 0;
}

extern "C" void DisplayFlushBatch(ZorbDisplay *d)
{
    if (!d)
        return;
    d->BatchMode = DISPLAY_BATCH_REPLAY;
    for (int32_t i = 0; i < d->BatchCount; ++i) {
        const DisplayRect &r = d->BatchList[i];
        if (DrawNow(d, r.SrcX, r.SrcY, r.Width, r.Height) == DISPLAY_REPAINTED)
            break;
    }
    d->BatchCount = 0;
    d->BatchNext = 0;
    d->BatchMode = DISPLAY_BATCH_OFF;
    // The direct full-screen mode shows its whole buffer after every frame.
    if (d->Mode == DISPLAY_FULL_DIRECT)
        Upload(d, 0, 0, d->Width, d->Height);
    if (P(d)->dirty)
        Present(d);
}

extern "C" void DisplayEndBatch(ZorbDisplay *d)
{
    if (!d)
        return;
    DisplayFlushBatch(d);
    CaptureFrame(d);
}

extern "C" void DisplaySetPalette(ZorbDisplay *d, const void *palette, uint32_t format)
{
    if (!d || !palette)
        return;
    uint8_t rgb[768];
    zorb::blit::ConvertPalette(palette, format, rgb);
    for (int i = d->FirstUsable; i < d->EndUsable; ++i) {
        uint8_t r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
        // A colour equal to a reserved entry at the top is nudged in red so the
        // system does not map it onto that entry.
        for (int k = d->EndUsable; k < 256; ++k) {
            const uint8_t *res = d->Palette + k * 4;
            if (res[2] == r && res[1] == g && res[0] == b) {
                r = (r & 3) == 3 ? static_cast<uint8_t>(r - 1) : static_cast<uint8_t>(r + 1);
                break;
            }
        }
        d->Palette[i * 4 + 0] = b;
        d->Palette[i * 4 + 1] = g;
        d->Palette[i * 4 + 2] = r;
        d->Palette[i * 4 + 3] = 0;
    }
    DisplayRealizePalette(d);
    if (d->ScreenBlitter)
        ZorbBlitSetPalette(d->ScreenBlitter, d->Palette, d->PaletteFormat);
    DeepPalette(d);
    if (d->ScreenColours > 256)
        d->RepaintAll = 1;
}

extern "C" void DisplayRealizePalette(ZorbDisplay *d)
{
    if (!d)
        return;
    Private *p = P(d);
    if (p->indexed && p->indexed->format->palette) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i)
            colours[i] = SDL_Color{d->Palette[i * 4 + 2], d->Palette[i * 4 + 1], d->Palette[i * 4 + 0], 255};
        SDL_SetPaletteColors(p->indexed->format->palette, colours, 0, 256);
    }
}

extern "C" void DisplayClear(ZorbDisplay *d, int32_t colour)
{
    if (!d || !d->Buffer)
        return;
    for (int y = 0; y < d->Height; ++y)
        std::memset(d->Buffer + static_cast<size_t>(y) * d->Pitch, static_cast<uint8_t>(colour), d->Width);
}

extern "C" int32_t DisplayIsActive(ZorbDisplay *d)
{
    if (!d)
        return 0;
    if (d->FullScreen)
        return d->Active;
    return d->Window && (SDL_GetWindowFlags(d->Window) & SDL_WINDOW_INPUT_FOCUS) ? 1 : 0;
}

namespace zorb::display {

bool ReadShown(ZorbDisplay *d, std::vector<uint32_t> &argb, int &width, int &height)
{
    Private *p = P(d);
    if (SDL_GetRendererOutputSize(p->renderer, &width, &height) != 0)
        return false;
    // Draw in output pixels, letterboxed like the logical size does.
    SDL_RenderSetLogicalSize(p->renderer, 0, 0);
    SDL_RenderSetViewport(p->renderer, nullptr);
    SDL_RenderSetScale(p->renderer, 1.0f, 1.0f);
    const double scale = std::min(static_cast<double>(width) / p->logicalW, static_cast<double>(height) / p->logicalH);
    const double ox = (width - p->logicalW * scale) / 2, oy = (height - p->logicalH * scale) / 2;
    const SDL_Rect to{static_cast<int>(ox + p->place.x * scale), static_cast<int>(oy + p->place.y * scale),
                      static_cast<int>(p->place.w * scale), static_cast<int>(p->place.h * scale)};
    SDL_SetRenderDrawColor(p->renderer, 0, 0, 0, 255);
    SDL_RenderClear(p->renderer);
    SDL_RenderCopyEx(p->renderer, p->texture, nullptr, &to, 0.0, nullptr,
                     d->BottomUp ? SDL_FLIP_VERTICAL : SDL_FLIP_NONE);
    argb.assign(static_cast<size_t>(width) * height, 0);
    const int rc = SDL_RenderReadPixels(p->renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(), width * 4);
    SDL_RenderSetLogicalSize(p->renderer, p->logicalW, p->logicalH);
    return rc == 0;
}

} // namespace zorb::display
