// Animations and bitmaps: a bitmap as an animation's decode target
// (ANIMATIONTOBITMAP), and the first frames of a file loaded into new
// bitmaps (ANIMATIONLOADTOBITMAP).
#include "script/commands/animations.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <cstring>
#include <memory>

namespace zscript {

void CmdAnimationToBitmap(Interp &in)
{
    AnimationSlot &slot = CheckAnimation(in, ReadNumber(in));
    const int32_t number = ReadNumber(in, 1);
    ScriptBitmap &b = CheckBitmap(in, number);
    OutputToMemory(slot, b.pixels.empty() ? nullptr : b.pixels.data(), b.width, b.height);
    slot.targetBitmap = number - kBitmapBase;
}

// The names receive frames 1, 2, ... in order, each in a bitmap of its own;
// the last name receives the bitmap that was allocated first (the one the
// frames are decoded into). Only frames that carry a palette give their
// bitmap one.
void CmdAnimationLoadToBitmap(Interp &in)
{
    const std::string name = ReadValue(in);
    RefuseInSandbox(in);
    const std::unique_ptr<ZorbHandle, void (*)(ZorbHandle *)> file(OpenAnimationFile(name, 0, 0), ZorbClose);
    ZorbHandle *h = file.get();
    const int32_t first = h ? AllocBitmap(in, h->Width, h->Height) : 0;
    if (first == 0) {
        // Nothing to load (no file, or no bitmap for it): every name gets 0.
        while (!ParamsDone(in))
            SetVariableNumber(in, ReadName(in), 0);
        return;
    }
    ScriptBitmap &a = CheckBitmap(in, first);
    ZorbSetOutput(h, 0, 0, a.width, a.height, a.pixels.empty() ? nullptr : a.pixels.data(), 0);
    for (;;) {
        const std::string target = ReadName(in);
        const bool more = !ParamsDone(in);
        const int32_t number = more ? AllocBitmap(in, h->Width, h->Height) : first;
        ZorbDecodeFrame(h);
        if (number != 0) {
            ScriptBitmap &b = CheckBitmap(in, number);
            if (number != first)
                b.pixels = a.pixels;
            if (h->FreshPalette)
                std::memcpy(b.palette.emplace().data(), h->Palette, 768);
        }
        SetVariableNumber(in, target, number);
        if (!more)
            return;
        ZorbAdvanceFrame(h);
    }
}

} // namespace zscript
