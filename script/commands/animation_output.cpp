// Where animation frames go and how they reach the window: the slot check,
// opening a file, the position rule, the decoder's output and its safety
// check, the changed rectangles, the palette, the frame wait and the fades.
#include "script/commands/animations.h"
#include "script/core/commands.h"
#include "script/core/interp.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>

namespace zscript {

AnimationSlot *FindAnimation(Interp &in, int32_t number)
{
    const int64_t index = int64_t{number} - kFirstAnimation;
    if (index < 0 || index >= kAnimationSlots || !in.animations[index].handle)
        return nullptr;
    return &in.animations[index];
}

AnimationSlot &CheckAnimation(Interp &in, int32_t number)
{
    AnimationSlot *slot = FindAnimation(in, number);
    if (!slot)
        CommandError(in, "  Bad animation parameter:\r\n    ");
    return *slot;
}

ZorbHandle *OpenAnimationFile(const std::string &nameIn, uint32_t flags, int32_t extra)
{
    std::string name = nameIn;
    if (name.empty())
        return nullptr;
    if (!HasExtension(name.c_str()))
        name += ".zbx";
    const std::string path = ResolveName(name);
    return ZorbOpen(const_cast<char *>(path.c_str()), flags, extra);
}

namespace {

// Centred: half the room left, computed unsigned as the display layer does;
// an animation larger than the screen starts at its edge.
int32_t Centre(int32_t screen, uint32_t size)
{
    const auto room = static_cast<uint32_t>(screen);
    return room >= size ? static_cast<int32_t>((room - size) >> 1) : 0;
}

}  // namespace

int32_t PlaceX(const Interp &in, int32_t x, uint32_t width)
{
    if (x == -1)
        return Centre(in.screen.surface.width, width);
    return static_cast<int32_t>(static_cast<uint32_t>(x) & ~3u) + in.screen.originX;
}

int32_t PlaceY(const Interp &in, int32_t y, uint32_t height)
{
    if (y == -1)
        return Centre(in.screen.surface.height, height);
    return y + in.screen.originY;
}

void OutputToScreen(Interp &in, AnimationSlot &slot, int32_t x, int32_t y)
{
    const ScreenSurface &s = in.screen.surface;
    slot.targetBitmap = -1;
    if (!in.screen.open || !s.pixels) {
        ZorbSetOutput(slot.handle, 0, 0, 0, 0, nullptr, 0);
        slot.output = nullptr;
        return;
    }
    ZorbSetOutput(slot.handle, static_cast<uint32_t>(x), y, static_cast<uint32_t>(s.pitch),
                  static_cast<uint32_t>(s.height), s.pixels, s.bottomUp ? 1u : 0u);
    slot.output = s.pixels;
    slot.outputBytes = static_cast<size_t>(s.pitch) * static_cast<size_t>(s.height);
}

void OutputToMemory(AnimationSlot &slot, uint8_t *pixels, uint32_t width, uint32_t height)
{
    ZorbSetOutput(slot.handle, 0, 0, width, height, pixels, 0);
    slot.output = pixels;
    slot.outputBytes = size_t{width} * height;
}

void CheckOutput(Interp &in, AnimationSlot &slot)
{
    if (!slot.output)
        return;
    bool alive = false;
    if (slot.targetBitmap < 0) {
        const ScreenSurface &s = in.screen.surface;
        alive = in.screen.open && s.pixels == slot.output &&
                static_cast<size_t>(s.pitch) * static_cast<size_t>(s.height) == slot.outputBytes;
    } else if (slot.targetBitmap < kBitmapSlots) {
        const ScriptBitmap *b = in.bitmaps.slots[slot.targetBitmap].get();
        alive = b && b->pixels.data() == slot.output && b->pixels.size() == slot.outputBytes;
    }
    if (!alive) {
        ZorbSetOutput(slot.handle, 0, 0, 0, 0, nullptr, 0);
        slot.output = nullptr;
        slot.targetBitmap = -1;
    }
}

void ShowFrameChanges(Interp &in, ZorbHandle *h)
{
    const ScreenSurface &s = in.screen.surface;
    if (!in.screen.open)
        return;
    while (ZorbNextDirtyRect(h, s.rectMode == 2 ? 1 : 0)) {
        const int64_t x0 = std::max<int64_t>(h->LastRectX, 0), y0 = std::max<int64_t>(h->LastRectY, 0);
        const int64_t x1 = std::min<int64_t>(int64_t{h->LastRectX} + h->LastRectW, s.width);
        const int64_t y1 = std::min<int64_t>(int64_t{h->LastRectY} + h->LastRectH, s.height);
        if (x0 < x1 && y0 < y1)
            in.host->ShowRect(static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1 - x0),
                              static_cast<int32_t>(y1 - y0));
    }
}

void FrameStarts(Interp &in) { in.host->BeginFrame(); }
void FrameShown(Interp &in) { in.host->EndFrame(); }

void TakePalette(Interp &in, const ZorbHandle *h)
{
    if (std::memcmp(h->Palette, in.screen.palette, sizeof in.screen.palette) == 0)
        return;
    SetScreenPalette(in, h->Palette);
    ApplyScreenPalette(in);
}

void WaitForFrame(Interp &in, ZorbHandle *h)
{
    // Each poll that says "not yet" reads a little ahead; between polls the
    // program sleeps, as the player does.
    while (ZorbMustWait(h)) {
        in.host->Pump();
        PlatformSleepMs(1);
    }
}

namespace {

// Puts a palette on the screen (locked entries kept) and waits out the rest
// of the fade period since the previous step.
void FadeStep(Interp &in, const uint8_t *rgb768, uint32_t &last)
{
    SetScreenPalette(in, rgb768);
    ApplyScreenPalette(in);
    const auto period = static_cast<uint32_t>(std::max<int32_t>(in.screen.fadeMs, 0));
    for (;;) {
        in.host->Pump();
        const uint32_t passed = PlatformTimeMs() - last;
        if (passed >= period)
            break;
        PlatformSleepMs(std::min<uint32_t>(period - passed, 5));
    }
    last = PlatformTimeMs();
}

}  // namespace

void FadeIn(Interp &in, const uint8_t *rgb768)
{
    uint8_t step[768];
    uint32_t last = PlatformTimeMs();
    for (int level = 63; level >= 3; level -= 4) {
        for (int i = 0; i < 768; ++i)
            step[i] = rgb768[i] > level ? static_cast<uint8_t>(rgb768[i] - level) : 0;
        FadeStep(in, step, last);
    }
    SetScreenPalette(in, rgb768);
    ApplyScreenPalette(in);
}

void FadeOut(Interp &in)
{
    uint8_t step[768];
    uint32_t last = PlatformTimeMs();
    for (int n = 0; n < 16; ++n) {
        for (int i = 0; i < 768; ++i)
            step[i] = in.screen.palette[i] > 4 ? static_cast<uint8_t>(in.screen.palette[i] - 4) : 0;
        FadeStep(in, step, last);
    }
}

}  // namespace zscript
