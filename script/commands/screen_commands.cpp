// Screen commands: the window (SCREENGRAPHICS, SCREENTEXT and its settings),
// the screen origin, direct drawing (pixels, boxes, clearing) and the palette
// with its locks and fades. Nothing is ever written or read outside the
// surface: such pixels are skipped (reads give 0). Palette indices use their
// low 8 bits.
#include "script/commands/line.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"
#include "script/core/palette_search.h"

#include <algorithm>
#include <cstring>

namespace zscript {

namespace {

uint8_t Colour(int32_t value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

void ResetText(Screen &s)
{
    s.textColour = 7;
    s.backColour = 0;
    s.transColour = 128;
}

// Four ramps of 64 entries, black to full intensity: grey, red, green, blue.
void DefaultPalette(uint8_t *rgb768)
{
    for (int k = 0; k < 64; ++k) {
        const auto v = static_cast<uint8_t>(k * 255 / 63);
        const uint8_t entries[4][3] = {{v, v, v}, {v, 0, 0}, {0, v, 0}, {0, 0, v}};
        for (int r = 0; r < 4; ++r)
            std::memcpy(rgb768 + 3 * (64 * r + k), entries[r], 3);
    }
}

// A screen position: the script's coordinates plus the origin.
int64_t PlusX(const Screen &s, int32_t x)
{
    return int64_t{x} + s.originX;
}
int64_t PlusY(const Screen &s, int32_t y)
{
    return int64_t{y} + s.originY;
}

// A line on the screen (the line of BITMAPLINE); points off the screen are skipped.
void ScreenLine(Screen &s, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint8_t colour)
{
    DrawLine(x1, y1, x2, y2, s.surface.width, s.surface.height,
             [&](int64_t x, int64_t y) { s.surface.Row(static_cast<int32_t>(y))[x] = colour; });
}

// The change of the screen covering the corners (x1, y1) and (x2, y2), both included.
ScreenChange Spanning(Interp &in, int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    return ScreenChange(in, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) - std::min(x1, x2) + 1,
                        std::max(y1, y2) - std::min(y1, y2) + 1);
}

} // namespace

void CloseScreen(Interp &in)
{
    Screen &s = in.screen;
    ResetPointer(in);
    if (s.open)
        in.host->CloseWindow();
    s.open = false;
    s.surface = {};
    ResetText(s);
    s.cursorX = s.cursorY = 0;
    s.originX = s.originY = 0;
}

void CmdScreenGraphics(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t width = ReadNumber(in, 1);
    const int32_t height = ReadNumber(in, 1);
    RemovePointer(in);
    if (width == 0 || height == 0)
        CommandError(in, "  Zero dimension in command:\r\n    ");
    Screen &s = in.screen;
    if (width < 0 || height < 0 ||
        !in.host->OpenScreen(width, height, s.windowX, s.windowY, s.flags, s.title, s.surface)) {
        s.open = in.host->HasWindow();
        SetVariableNumber(in, name, 0);
        return;
    }
    s.open = true;
    PointerScreenOpened(in);
    uint8_t ramps[768];
    DefaultPalette(ramps);
    SetScreenPalette(in, ramps);
    ApplyScreenPalette(in);
    ResetText(s);
    // Centred when the display gives a larger surface (unsigned halving).
    s.originX = s.surface.width >= width ? static_cast<int32_t>(static_cast<uint32_t>(s.surface.width - width) / 2) : 0;
    s.originY =
        s.surface.height >= height ? static_cast<int32_t>(static_cast<uint32_t>(s.surface.height - height) / 2) : 0;
    s.cursorX = s.originX;
    s.cursorY = s.originY;
    SetVariableNumber(in, name, 1);
}

void CmdScreenText(Interp &in)
{
    CloseScreen(in);
}

void CmdScreenSettings(Interp &in)
{
    const auto n = static_cast<uint32_t>(ReadNumber(in));
    uint32_t &f = in.screen.flags;
    if (n == 0)
        f = (f & ~7u) | 0x18u;
    else if (n <= 4)
        f = (f & ~0x1Fu) | 0x100u | (n + 21u);
}

void CmdScreenWindowBorder(Interp &in)
{
    const int32_t n = ReadNumber(in);
    uint32_t &f = in.screen.flags;
    f &= ~0xC000u;
    if (n == 1)
        f |= 0xC000u;
    else if (n == 2)
        f |= 0x4200u;
}

void CmdScreenWindowTitle(Interp &in)
{
    Screen &s = in.screen;
    s.title = ReadValue(in);
    if (s.open) {
        in.host->SetTitle(s.title);
    } else if (s.title.empty()) {
        s.flags |= 0x200u;
    } else {
        s.flags &= ~0x200u;
    }
}

void CmdScreenWindowPos(Interp &in)
{
    Screen &s = in.screen;
    s.windowX = ReadNumber(in);
    s.windowY = ReadNumber(in, 1);
    if (s.open)
        in.host->MoveWindow(s.windowX, s.windowY);
}

void CmdScreenWindowAutoPause(Interp &in)
{
    in.autopause = ReadNumber(in) != 0;
}

void CmdScreenWindowHasFocus(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, in.screen.open && in.host->WindowHasFocus() ? 1 : 0);
}

void CmdScreenWindowHwnd(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariable(in, name, std::to_string(in.screen.open ? in.host->WindowId() : 0u));
}

// The window's palette has no handle of its own here: the window's stands for it.
void CmdScreenWindowHpal(Interp &in)
{
    const std::string name = ReadName(in);
    NeedWindow(in);
    SetVariable(in, name, std::to_string(in.host->WindowId()));
}

void CmdScreenInfo(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariable(in, name, in.screen.open ? in.host->DescribeScreen() : std::string());
}

void CmdScreenWidth(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, in.screen.open ? in.screen.surface.width : 80);
}

void CmdScreenHeight(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, in.screen.open ? in.screen.surface.height : 25);
}

void CmdScreenAdjustXY(Interp &in)
{
    Screen &s = in.screen;
    s.originX = ReadNumber(in);
    s.originY = ReadNumber(in, 1);
    s.cursorX = s.originX;
    s.cursorY = s.originY;
}

void CmdScreenClear(Interp &in)
{
    const uint8_t colour = Colour(ReadNumber(in));
    NeedWindow(in);
    RemovePointer(in);
    FillScreen(in, 0, 0, in.screen.surface.width, in.screen.surface.height, colour);
}

void CmdScreenFadeOutClear(Interp &in)
{
    const uint8_t colour = Colour(ReadNumber(in));
    NeedWindow(in);
    FadeOutPalette(in);
    RemovePointer(in);
    FillScreen(in, 0, 0, in.screen.surface.width, in.screen.surface.height, colour);
}

void CmdScreenFadeSpeed(Interp &in)
{
    in.screen.fadeMs = ReadNumber(in);
}

void CmdScreenSetPixel(Interp &in)
{
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    FillScreen(in, PlusX(in.screen, x), PlusY(in.screen, y), 1, 1, colour);
}

void CmdScreenGetPixel(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t x = ReadNumber(in, 1), y = ReadNumber(in, 2);
    NeedWindow(in);
    const Screen &s = in.screen;
    const ScreenRect r = ClipToScreen(s, PlusX(s, x), PlusY(s, y), 1, 1);
    if (!r.Empty())
        RemovePointerOver(in, r.x, r.y, r.width, r.height);
    SetVariableNumber(in, name, r.Empty() ? 0 : s.surface.Row(r.y)[r.x]);
}

// Outline through (x, y) and (x + w - 1, y + h - 1) plus the origin, four
// lines: it covers w by h pixels.
void CmdScreenBox(Interp &in)
{
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    const int32_t w = ReadNumber(in, 2), h = ReadNumber(in, 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    Screen &s = in.screen;
    const int64_t x1 = PlusX(s, x), y1 = PlusY(s, y), x2 = x1 + w - 1, y2 = y1 + h - 1;
    const ScreenChange change = Spanning(in, x1, y1, x2, y2);
    if (change.Empty())
        return;
    ScreenLine(s, x1, y1, x2, y1, colour);
    ScreenLine(s, x2, y1, x2, y2, colour);
    ScreenLine(s, x2, y2, x1, y2, colour);
    ScreenLine(s, x1, y2, x1, y1, colour);
}

// End points plus the origin, limited to the screen.
void CmdScreenLine(Interp &in)
{
    int32_t v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = ReadNumber(in, i == 0 ? 0 : 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    Screen &s = in.screen;
    const auto limit = [](int64_t value, int32_t size) { return std::clamp<int64_t>(value, 0, size - 1); };
    const int64_t x1 = limit(PlusX(s, v[0]), s.surface.width), y1 = limit(PlusY(s, v[1]), s.surface.height);
    const int64_t x2 = limit(PlusX(s, v[2]), s.surface.width), y2 = limit(PlusY(s, v[3]), s.surface.height);
    const ScreenChange change = Spanning(in, x1, y1, x2, y2);
    ScreenLine(s, x1, y1, x2, y2, colour);
}

void CmdScreenFilledBox(Interp &in)
{
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    const int32_t w = ReadNumber(in, 2), h = ReadNumber(in, 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    const Screen &s = in.screen;
    const int64_t px = PlusX(s, x), py = PlusY(s, y);
    // Nothing when the corner is off the screen; cut at the right and bottom edges.
    if (px < 0 || py < 0 || px >= s.surface.width || py >= s.surface.height)
        return;
    FillScreen(in, px, py, w, h, colour);
}

void CmdScreenPaletteLock(Interp &in)
{
    const auto first = static_cast<uint32_t>(ReadNumber(in));
    const int32_t count = ReadNumber(in, 1);
    const bool lock = ReadNumber(in, 2) != 0;
    if (first >= 256 || count <= 0)
        return;
    const uint32_t last = std::min<uint32_t>(first + static_cast<uint32_t>(count) - 1, 255);
    for (uint32_t i = first; i <= last; ++i)
        in.screen.locks[i] = lock;
}

void CmdScreenGetDarkestPaletteIndex(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, DarkestEntry(in.screen.palette));
}

void CmdScreenGetBrightestPaletteIndex(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, BrightestEntry(in.screen.palette));
}

void CmdScreenForcePaletteZeroBlack(Interp &in)
{
    const bool force = ReadNumber(in) != 0;
    Screen &s = in.screen;
    if (force)
        std::memset(s.palette, 0, 3);
    ApplyScreenPalette(in);
    s.locks[0] = force;
}

} // namespace zscript
