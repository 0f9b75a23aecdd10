// Internal to the input family: the software pointer's steps and the waits,
// shared by the input, mouse and pointer files.
#ifndef ZORB_SCRIPT_COMMANDS_INPUT_FAMILY_H
#define ZORB_SCRIPT_COMMANDS_INPUT_FAMILY_H

#include <cstdint>
#include <string>

namespace zscript {

struct Interp;

// The pointer during a wait: its position from the system pointer (clamped,
// or -1 -1 outside the screen) and the image of the area under it.
void TrackPointer(Interp &in);
// Draws the image at the position when it moved or changed.
void DrawPointer(Interp &in);
// A new image (a bitmap number, 0 for the built-in one): erased, taken,
// the position clamped again. Nothing while the position is -1 -1.
void SetPointerImage(Interp &in, int32_t bitmap);
// The image of the newest area under the position.
void PointerImageFromAreas(Interp &in);
// Keeps (x, y) inside the screen for the current image.
void ClampPointer(Interp &in, int32_t &x, int32_t &y);

// Waits for a key (always first), a click (with the pointer drawn) or the
// time limit (-1: none); the name INPUTCHAR stores.
std::string WaitForInput(Interp &in, int32_t limit);
// Waits for a key without the pointer; its code.
int WaitForKey(Interp &in);
// Every wait (input or time) starts here: the picture is captured, the
// test hook feeds its events.
void BeginWait(Interp &in);

} // namespace zscript

#endif
