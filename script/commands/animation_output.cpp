// Where animation frames go and how they reach the window: the slot check,
// opening a file, the position rule, the decoder's output and its safety
// check, the changed rectangles, the palette and the frame wait.
#include "platform/platform.h"
#include "script/commands/animations.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

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

} // namespace

int32_t PlaceX(const Interp &in, int32_t x, uint32_t width)
{
    if (x == -1)
        return Centre(in.screen.surface.width, width);
    return static_cast<int32_t>((static_cast<uint32_t>(x) & ~3u) + static_cast<uint32_t>(in.screen.originX));
}

int32_t PlaceY(const Interp &in, int32_t y, uint32_t height)
{
    if (y == -1)
        return Centre(in.screen.surface.height, height);
    return static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(in.screen.originY));
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

void RemovePointerOverAnimation(Interp &in, const ZorbHandle *h)
{
    const ScreenRect r = ClipToScreen(in.screen, static_cast<int32_t>(h->OutputX), h->OutputY, h->Width, h->Height);
    if (!r.Empty())
        RemovePointerOver(in, r.x, r.y, r.width, r.height);
}

void ShowFrameChanges(Interp &in, ZorbHandle *h)
{
    const int32_t mode = in.screen.surface.rectMode == 2 ? 1 : 0;
    while (ZorbNextDirtyRect(h, mode)) {
        const ScreenRect r = ClipToScreen(in.screen, h->LastRectX, h->LastRectY, h->LastRectW, h->LastRectH);
        if (!r.Empty())
            in.host->ShowRect(r.x, r.y, r.width, r.height);
    }
}

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

} // namespace zscript
