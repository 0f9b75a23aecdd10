// Internal: what the animation commands share (the slot check, opening,
// where frames go, showing what a frame changed, waiting for the next one).
#ifndef ZORB_SCRIPT_COMMANDS_ANIMATIONS_H
#define ZORB_SCRIPT_COMMANDS_ANIMATIONS_H

#include <cstdint>
#include <string>

#include "codec/zorb.h"

namespace zscript {

struct Interp;
struct AnimationSlot;

constexpr int32_t kFirstAnimation = 3000;

// The slot a parameter names; "Bad animation parameter" unless it is open.
AnimationSlot &CheckAnimation(Interp &in, int32_t number);
// The open slot a number names, or null.
AnimationSlot *FindAnimation(Interp &in, int32_t number);

// Opens a .zbx file (".zbx" added when the name has no extension; the name
// found on disk without regard to case). Null when it cannot be opened.
ZorbHandle *OpenAnimationFile(const std::string &name, uint32_t flags, int32_t extra);

// The position rule on the surface: -1 centres (0 when the animation is
// larger than the screen); any other x is rounded down to a multiple of 4.
// The origin is added to a coordinate that is not centred.
int32_t PlaceX(const Interp &in, int32_t x, uint32_t width);
int32_t PlaceY(const Interp &in, int32_t y, uint32_t height);

// Decodes to the screen surface at (x, y) (surface coordinates).
void OutputToScreen(Interp &in, AnimationSlot &slot, int32_t x, int32_t y);
// Decodes into caller memory (top-down, 8-bit), remembered for the check below.
void OutputToMemory(AnimationSlot &slot, uint8_t *pixels, uint32_t width, uint32_t height);
// Drops the output when what it points at is gone (the window closed or was
// opened again, the bitmap freed): the file then plays its sound only.
void CheckOutput(Interp &in, AnimationSlot &slot);

// The software pointer comes off where the animation is about to draw.
void RemovePointerOverAnimation(Interp &in, const ZorbHandle *h);
// The rectangles the last decode changed, to the window (clipped to the surface).
void ShowFrameChanges(Interp &in, ZorbHandle *h);

// The animation's palette on the screen when it brought one that differs
// from the screen palette (locked entries kept).
void TakePalette(Interp &in, const ZorbHandle *h);

// Waits until the next frame is due, handling window messages.
void WaitForFrame(Interp &in, ZorbHandle *h);

// The frame just decoded is the file's last (the ring frame is not).
inline bool AtLastFrame(const ZorbHandle *h)
{
    return h->FrameCount == 0 || h->FrameCount - h->CurrentFrame == 1;
}

} // namespace zscript

#endif
