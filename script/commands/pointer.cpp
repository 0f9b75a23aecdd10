// The software pointer as the screen commands see it. The pointer is drawn
// only while an input command waits; these are its hooks into drawing.
#include "script/commands/screen_draw.h"

namespace zscript {

void RemovePointer(Interp &in, const ScreenRect &rect) { (void)in, (void)rect; }
void RemovePointer(Interp &in) { (void)in; }
void PointerNewScreen(Interp &in) { (void)in; }
void ResetPointer(Interp &in) { (void)in; }

}  // namespace zscript
