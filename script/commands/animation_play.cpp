// ANIMATIONPLAY: plays an open animation or a file on the screen, paced by
// its clock or its sound, with the play flags (fades, save and restore of the
// background, off-screen decoding and the merge over the background, Escape,
// loops).
#include "platform/platform.h"
#include "runtime/blit.h"
#include "script/commands/animations.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace zscript {

namespace {

enum PlayFlag : uint32_t {
    kNeverSkip = 0x001,
    kPreload = 0x002,
    kNoWait = 0x004,
    kOffScreen = 0x008,
    kSaveRestore = 0x010,
    kFadeIn = 0x020,
    kFadeOut = 0x040,
    kEscape = 0x080,
    kMerge = 0x100,
    kNoPalettes = 0x200,
    kNoDrawing = 0x400,
};

constexpr int32_t kEscapeKey = 27;

// A picture of the animation's size placed at (x, y) of the screen: the
// part of it that lies on the surface, copied in either direction.
void CopyWithScreen(Interp &in, uint8_t *pixels, uint32_t width, int32_t x, int32_t y, const ScreenRect &a,
                    bool toScreen)
{
    const ScreenSurface &s = in.screen.surface;
    for (int32_t row = 0; row < a.height; ++row) {
        uint8_t *screen = s.Row(a.y + row) + a.x;
        uint8_t *picture = pixels + static_cast<size_t>(a.y + row - y) * width + static_cast<size_t>(a.x - x);
        if (toScreen)
            std::memcpy(screen, picture, static_cast<size_t>(a.width));
        else
            std::memcpy(picture, screen, static_cast<size_t>(a.width));
    }
    if (toScreen && a.width > 0)
        in.host->ShowRect(a.x, a.y, a.width, a.height);
}

// Off-screen pictures of the animation's size, as large as a bitmap may be;
// an allocation that fails leaves the picture empty (the caller then draws
// directly).
std::vector<uint8_t> Picture(size_t bytes)
{
    if (bytes > kBitmapPixelLimit)
        return {};
    try {
        return std::vector<uint8_t>(bytes);
    } catch (const std::bad_alloc &) {
        return {};
    }
}

struct Play {
    explicit Play(Interp &interp) : in(interp) {}
    Interp &in;
    AnimationSlot slot;             // the animation played (a copy when it lives in a slot)
    AnimationSlot *owner = nullptr; // its slot, or null for a file opened here
    uint32_t flags = 0;
    int32_t loops = 0;
    int32_t x = 0, y = 0;
    size_t bytes = 0;
    ScreenRect area;
    std::vector<uint8_t> saved, savedPalette, merged, offScreen;
    std::unique_ptr<ZorbBlitter, decltype(&ZorbBlitClose)> blitter{nullptr, ZorbBlitClose}; // merges
    bool escaped = false;
};

// Waits while autopause holds the script (the window lacks the focus); the
// sound pauses with the picture.
void HoldWhileAway(Play &p)
{
    Interp &in = p.in;
    in.host->Pump();
    if (!in.autopause || !in.host->HasWindow() || in.host->WindowHasFocus())
        return;
    ZorbSetSoundActive(p.slot.handle, 0);
    while (in.host->HasWindow() && !in.host->WindowHasFocus()) {
        PlatformSleepMs(5);
        in.host->Pump();
    }
    // A device that does not come back at once is given a little time.
    const uint32_t start = PlatformTimeMs();
    while (!ZorbSetSoundActive(p.slot.handle, 1) && PlatformTimeMs() - start < 2000) {
        PlatformSleepMs(5);
        in.host->Pump();
    }
}

// The off-screen picture to the screen, over the saved background when merging.
void PutOffScreen(Play &p)
{
    ZorbHandle *h = p.slot.handle;
    const uint32_t width = h->Width;
    if (p.flags & kMerge) {
        const auto w = static_cast<int32_t>(width), h2 = static_cast<int32_t>(h->Height);
        ZorbBlitMerge(p.blitter.get(), p.merged.data(), w, 0, 0, p.offScreen.data(), w, 0, 0, w, h2,
                      p.in.screen.transColour, p.saved.data());
        CopyWithScreen(p.in, p.merged.data(), width, p.x, p.y, p.area, true);
    } else {
        CopyWithScreen(p.in, p.offScreen.data(), width, p.x, p.y, p.area, true);
    }
}

void FrameLoop(Play &p)
{
    Interp &in = p.in;
    ZorbHandle *h = p.slot.handle;
    uint32_t paletteFrame = UINT32_MAX;
    for (;;) {
        HoldWhileAway(p);
        ZorbDecodeFrame(h);
        if (h->FreshPalette && h->CurrentFrame != paletteFrame && !(p.flags & kNoPalettes)) {
            paletteFrame = h->CurrentFrame;
            if (p.flags & kFadeIn) {
                // The first picture appears as its palette fades in.
                p.flags &= ~kFadeIn;
                if (!(p.flags & kNoDrawing)) {
                    ShowFrameChanges(in, h);
                    if (!p.offScreen.empty())
                        PutOffScreen(p);
                }
                FadeInPalette(in, h->Palette);
            } else {
                TakePalette(in, h);
            }
        }
        if (!(p.flags & kNoDrawing)) {
            ShowFrameChanges(in, h);
            if (!p.offScreen.empty())
                PutOffScreen(p);
        }
        ScreenWaitStarts(in);
        if (p.flags & kEscape) {
            const int32_t key = in.host->TakeKey();
            if (key == kEscapeKey) {
                p.escaped = true;
                return;
            }
        }
        // A damaged file only counts its frames on: it ends here.
        if (h->ReadFailed)
            return;
        if (AtLastFrame(h) && p.loops > 0 && --p.loops == 0)
            return;
        ZorbAdvanceFrame(h);
        if (!(p.flags & kNoWait))
            WaitForFrame(in, h);
    }
}

// The last frames' sound is still on its way to the device: it is heard to
// its end before the file closes (at most two seconds).
void LetSoundEnd(Interp &in, ZorbHandle *h)
{
    const uint32_t start = PlatformTimeMs();
    while (ZorbSoundPending(h) > 0 && PlatformTimeMs() - start < 2000) {
        in.host->Pump();
        PlatformSleepMs(2);
    }
}

} // namespace

void CmdAnimationPlay(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t x = ReadNumber(in, 1), y = ReadNumber(in, 2);
    const int32_t loops = ReadNumber(in, 1);
    auto flags = static_cast<uint32_t>(ReadNumber(in, 2));
    const std::string what = ReadText(in, 1);
    if (!(flags & kNoDrawing))
        NeedWindow(in);

    Play p(in);
    p.loops = loops;
    if (IsNumber(what))
        p.owner = FindAnimation(in, ToNumber(what));
    if (p.owner) {
        p.slot = *p.owner;
        CheckOutput(in, p.slot);
        if (p.slot.advancePending) {
            p.slot.advancePending = false;
            ZorbAdvanceFrame(p.slot.handle);
        }
    } else {
        RefuseInSandbox(in);
        uint32_t open = in.trackSelection;
        if (flags & kPreload)
            open |= ZORB_OPEN_PRELOAD;
        if (flags & kNeverSkip)
            open |= ZORB_OPEN_NEVER_SKIP;
        p.slot.handle = OpenAnimationFile(what, open, -1);
        if (!p.slot.handle) {
            SetVariableNumber(in, name, 0);
            return;
        }
    }
    ZorbHandle *h = p.slot.handle;
    if (loops != 0) {
        const ScreenSurface &s = in.screen.surface;
        if (flags & kNoDrawing)
            flags &= ~(kOffScreen | kSaveRestore | kMerge);
        else if (s.rectMode != 2)
            flags &= ~kOffScreen;
        if (flags & kMerge)
            flags |= kOffScreen | kSaveRestore;
        p.flags = flags;
        p.x = PlaceX(in, x, h->Width);
        p.y = PlaceY(in, y, h->Height);
        p.bytes = size_t{h->Width} * h->Height;
        p.area = ClipToScreen(in.screen, p.x, p.y, h->Width, h->Height);
        if (!(flags & kNoDrawing) && !p.area.Empty())
            RemovePointerOver(in, p.area.x, p.area.y, p.area.width, p.area.height);

        if (flags & kSaveRestore) {
            p.saved = Picture(p.bytes);
            if (!p.saved.empty()) {
                CopyWithScreen(in, p.saved.data(), h->Width, p.x, p.y, p.area, false);
                p.savedPalette.assign(in.screen.palette, in.screen.palette + 768);
            }
        }
        if ((flags & kMerge) && !p.saved.empty()) {
            p.merged = Picture(p.bytes);
            p.blitter.reset(ZorbBlitOpen(0));
            if (!p.blitter)
                p.merged.clear();
        }
        if ((flags & kOffScreen) && (!(flags & kMerge) || !p.merged.empty()))
            p.offScreen = Picture(p.bytes);
        if (!p.offScreen.empty())
            OutputToMemory(p.slot, p.offScreen.data(), h->Width, h->Height);
        else if (!(flags & kNoDrawing))
            OutputToScreen(in, p.slot, p.x, p.y);
        p.flags &= ~kMerge;
        if ((flags & kMerge) && !p.offScreen.empty())
            p.flags |= kMerge;

        if (flags & kFadeIn) {
            for (int i = 0; i < 256; ++i)
                if (!in.screen.locks[i])
                    std::memset(in.screen.palette + 3 * i, 0, 3);
            ApplyScreenPalette(in);
        }

        FrameLoop(p);
        // The frame shown last is still current: a later ANIMATIONADVANCE
        // steps on first, as after the last frame of a stepped file.
        p.slot.advancePending = true;

        if (!p.offScreen.empty()) {
            // The animation goes on decoding to the screen where it was played.
            if (p.owner)
                OutputToScreen(in, p.slot, p.x, p.y);
            p.offScreen.clear();
        }
        if (flags & kFadeOut)
            FadeOutPalette(in);
        if (!p.saved.empty()) {
            SetScreenPalette(in, p.savedPalette.data());
            ApplyScreenPalette(in);
            CopyWithScreen(in, p.saved.data(), h->Width, p.x, p.y, p.area, true);
        }
    }
    if (p.owner) {
        *p.owner = p.slot;
    } else {
        if (!p.escaped)
            LetSoundEnd(in, h);
        ZorbClose(h);
    }
    SetVariableNumber(in, name, 1);
}

} // namespace zscript
