// Animation commands that work on the 32 slots: opening and closing, the
// track selection, the queries, stepping a frame at a time (ADVANCE with its
// "advance pending" at the last frame), waiting, seeking, the screen as
// decode target and the slot listing.
#include "script/commands/animations.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <cstring>

namespace zscript {

namespace {

// The base name of a file: no directory, no extension.
std::string BaseName(const std::string &name)
{
    const size_t slash = name.find_last_of("/\\:");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return base;
}

void Advance(Interp &in, bool palette)
{
    AnimationSlot &slot = CheckAnimation(in, ReadNumber(in));
    ZorbHandle *h = slot.handle;
    CheckOutput(in, slot);
    if (slot.output && slot.targetBitmap < 0)
        RemovePointerOverAnimation(in, h);
    if (slot.advancePending) {
        slot.advancePending = false;
        ZorbAdvanceFrame(h);
    }
    if (slot.targetBitmap >= 0) {
        ZorbDecodeFrame(h);
        if (palette) {
            ScriptBitmap &b = *in.bitmaps.slots[slot.targetBitmap];
            if (h->FreshPalette)
                std::memcpy(b.palette.emplace().data(), h->Palette, 768);
            else
                b.palette.reset();
        }
    } else {
        if (palette && h->FreshPalette)
            TakePalette(in, h);
        ZorbDecodeFrame(h);
        ShowFrameChanges(in, h);
    }
    // The last frame of a file without the ring frame stays current, so that
    // a script stepping through it ends on the last picture.
    if (!AtLastFrame(h) || (h->HeaderFlags & ZBX_RING_FRAME))
        ZorbAdvanceFrame(h);
    else
        slot.advancePending = true;
}

} // namespace

void CmdAnimationOpen(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t flags = ReadNumber(in, 1);
    const std::string file = ReadValue(in, 2);
    RefuseInSandbox(in);
    uint32_t open = in.trackSelection;
    if (flags & 2)
        open |= ZORB_OPEN_PRELOAD;
    if (flags & 1)
        open |= ZORB_OPEN_NEVER_SKIP;
    // The first free slot; when the open fails there, the next free one is
    // tried with the same file, until none is left.
    for (int i = 0; i < kAnimationSlots; ++i) {
        AnimationSlot &slot = in.animations[i];
        if (slot.handle)
            continue;
        slot.handle = OpenAnimationFile(file, open, -1);
        if (!slot.handle)
            continue;
        slot.name = BaseName(file);
        slot.advancePending = false;
        slot.targetBitmap = -1;
        slot.output = nullptr;
        SetVariableNumber(in, name, kFirstAnimation + i);
        return;
    }
    SetVariableNumber(in, name, 0);
}

void CmdAnimationClose(Interp &in)
{
    AnimationSlot &slot = CheckAnimation(in, ReadNumber(in));
    ZorbClose(slot.handle);
    slot = AnimationSlot{};
}

void CmdAnimationTracks(Interp &in)
{
    in.trackSelection = (static_cast<uint32_t>(ReadNumber(in)) & 0x7Fu) * ZORB_OPEN_TRACK0;
}

void CmdAnimationFrames(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckAnimation(in, ReadNumber(in, 1)).handle->FrameCount));
}

void CmdAnimationWidth(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckAnimation(in, ReadNumber(in, 1)).handle->Width));
}

void CmdAnimationHeight(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckAnimation(in, ReadNumber(in, 1)).handle->Height));
}

void CmdAnimationAdvance(Interp &in)
{
    Advance(in, true);
}
void CmdAnimationAdvanceNoPalette(Interp &in)
{
    Advance(in, false);
}

void CmdAnimationDelay(Interp &in)
{
    ZorbHandle *h = CheckAnimation(in, ReadNumber(in)).handle;
    WaitForFrame(in, h);
    // What the script stepped to is on the screen now: one captured frame.
    ScreenWaitStarts(in);
}

void CmdAnimationStillDelay(Interp &in)
{
    const std::string name = ReadName(in);
    ZorbHandle *h = CheckAnimation(in, ReadNumber(in, 1)).handle;
    SetVariableNumber(in, name, static_cast<int32_t>(ZorbMustWait(h)));
}

// A seek makes the chosen frame the next one shown, so a pending advance is
// dropped with it.
void CmdAnimationBackToStart(Interp &in)
{
    AnimationSlot &slot = CheckAnimation(in, ReadNumber(in));
    slot.advancePending = false;
    ZorbSeekFrame(slot.handle, 1);
}

void CmdAnimationGoto(Interp &in)
{
    AnimationSlot &slot = CheckAnimation(in, ReadNumber(in));
    const auto frame = static_cast<uint32_t>(ReadNumber(in, 1));
    slot.advancePending = false;
    ZorbSetSoundActive(slot.handle, 0);
    ZorbSeekFrame(slot.handle, frame);
    ZorbSetSoundActive(slot.handle, 1);
}

void CmdAnimationToScreen(Interp &in)
{
    AnimationSlot &slot = CheckAnimation(in, ReadNumber(in));
    const int32_t x = ReadNumber(in, 1), y = ReadNumber(in, 2);
    NeedWindow(in);
    OutputToScreen(in, slot, PlaceX(in, x, slot.handle->Width), PlaceY(in, y, slot.handle->Height));
}

void CmdAnimationList(Interp &in)
{
    NeedWindow(in);
    for (int i = 0; i < kAnimationSlots; ++i) {
        const AnimationSlot &slot = in.animations[i];
        if (!slot.handle)
            continue;
        ListLine(in, "Number: " + std::to_string(kFirstAnimation + i) + "  Name: " + slot.name + "  Width: " +
                         std::to_string(slot.handle->Width) + "  Height: " + std::to_string(slot.handle->Height));
    }
}

void CloseAnimations(Interp &in)
{
    for (AnimationSlot &slot : in.animations) {
        ZorbClose(slot.handle);
        slot = AnimationSlot{};
    }
}

} // namespace zscript
