// Internal: how every command that changes the script's screen does it. The
// software pointer is taken off first where the drawing overlaps it, and the
// changed rectangle goes to the window afterwards through the display
// layer's changed-rectangle path; the window shows the changes at the next
// pump or wait.
#ifndef ZORB_SCRIPT_COMMANDS_SCREEN_DRAW_H
#define ZORB_SCRIPT_COMMANDS_SCREEN_DRAW_H

#include <cstdint>
#include <string_view>

#include "script/core/interp.h"

namespace zscript {

// A rectangle of the screen surface, already cut to the surface.
struct ScreenRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// The part of (x, y, width, height) that lies on the screen (empty without a window).
ScreenRect ClipToScreen(const Screen &s, int64_t x, int64_t y, int64_t width, int64_t height);

// One change of the screen: constructed before drawing (removes the pointer
// where it overlaps), destroyed after it (hands the rectangle to the window).
class ScreenChange {
public:
    ScreenChange(Interp &in, int64_t x, int64_t y, int64_t width, int64_t height);
    ~ScreenChange();
    ScreenChange(const ScreenChange &) = delete;
    ScreenChange &operator=(const ScreenChange &) = delete;
    const ScreenRect &Rect() const { return rect_; }
    bool Empty() const { return rect_.Empty(); }

private:
    Interp &in_;
    ScreenRect rect_;
};

// Fills the part of the rectangle that lies on the screen and shows it.
void FillScreen(Interp &in, int64_t x, int64_t y, int64_t width, int64_t height, uint8_t colour);

// Draws a text at the text cursor (TEXT, the listing commands, line input):
// a text starting with a line feed moves to the next line (nothing at the
// bottom line: no scrolling), one starting with a backspace moves back a
// cell and clears it; other texts are cut to the cells that fit before the
// right edge, drawn, and the cursor moves past them.
void DrawAtCursor(Interp &in, std::string_view text);

// Called by every command that starts waiting (DELAY, DELAYUNTIL, the INPUT*
// commands, ANIMATIONDELAY, each frame ANIMATIONPLAY shows): the window shows
// every change made so far, and with ZORB_CAPTURE set the screen is written
// out as one frame. Nothing without a window.
void ScreenWaitStarts(Interp &in);

} // namespace zscript

#endif
