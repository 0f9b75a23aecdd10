// Screen commands: the window (SCREENGRAPHICS, SCREENTEXT and its settings),
// the screen origin, direct drawing (pixels, boxes, clearing), the palette
// with its locks, and the text colours and cursor. Nothing is ever written or
// read outside the surface: such pixels are skipped (reads give 0).
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>

namespace zscript {

namespace {

Screen &S(Interp &in) { return in.screen; }

bool Inside(const Screen &s, int32_t x, int32_t y)
{
    return x >= 0 && y >= 0 && x < s.surface.width && y < s.surface.height;
}

// Fills the part of the rectangle that lies on the surface and shows it.
void Fill(Interp &in, int32_t x, int32_t y, int32_t w, int32_t h, uint8_t colour)
{
    Screen &s = S(in);
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, s.surface.width);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, s.surface.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int64_t row = y0; row < y1; ++row)
        std::memset(s.surface.Row(static_cast<int32_t>(row)) + x0, colour, static_cast<size_t>(x1 - x0));
    in.host->ShowRect(static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1 - x0),
                      static_cast<int32_t>(y1 - y0));
}

void ResetText(Screen &s)
{
    s.textColour = 7;
    s.backColour = 0;
    s.transColour = 128;
}

uint8_t Colour(int32_t value) { return static_cast<uint8_t>(value & 0xFF); }

}  // namespace

void SetScreenPalette(Interp &in, const uint8_t *rgb768)
{
    Screen &s = S(in);
    for (int i = 0; i < 256; ++i)
        if (!s.locks[i])
            std::memcpy(s.palette + 3 * i, rgb768 + 3 * i, 3);
}

void ApplyScreenPalette(Interp &in)
{
    Screen &s = S(in);
    if (s.open)
        in.host->SetPalette(s.palette);
    ++s.paletteVersion;
}

void CloseScreen(Interp &in)
{
    Screen &s = S(in);
    ResetPointer(in);
    if (s.open)
        in.host->CloseWindow();
    s.open = false;
    s.surface = {};
    ResetText(s);
    s.cursorX = s.cursorY = 0;
    s.originX = s.originY = 0;
}

void CmdScreengraphics(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t width = ReadNumber(in, 1);
    const int32_t height = ReadNumber(in, 1);
    RemovePointer(in);
    if (width == 0 || height == 0)
        CommandError(in, "  Zero dimension in command:\r\n    ");
    Screen &s = S(in);
    if (width < 0 || height < 0 ||
        !in.host->OpenScreen(width, height, s.windowX, s.windowY, s.flags, s.title, s.surface)) {
        s.open = in.host->HasWindow();
        SetVariableNumber(in, name, 0);
        return;
    }
    s.open = true;
    PointerScreenOpened(in);
    uint8_t ramps[768];
    for (int k = 0; k < 64; ++k) {
        const auto v = static_cast<uint8_t>(k);
        const uint8_t entries[4][3] = {{v, v, v}, {v, 0, 0}, {0, v, 0}, {0, 0, v}};
        for (int r = 0; r < 4; ++r)
            std::memcpy(ramps + 3 * (64 * r + k), entries[r], 3);
    }
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

void CmdScreentext(Interp &in) { CloseScreen(in); }

void CmdScreensettings(Interp &in)
{
    const auto n = static_cast<uint32_t>(ReadNumber(in));
    uint32_t &f = S(in).flags;
    if (n == 0)
        f = (f & ~7u) | 0x18u;
    else if (n <= 4)
        f = (f & ~0x1Fu) | 0x100u | (n + 21u);
}

void CmdScreenwindowborder(Interp &in)
{
    const int32_t n = ReadNumber(in);
    uint32_t &f = S(in).flags;
    f &= ~0xC000u;
    if (n == 1)
        f |= 0xC000u;
    else if (n == 2)
        f |= 0x4200u;
}

void CmdScreenwindowtitle(Interp &in)
{
    Screen &s = S(in);
    s.title = ReadValue(in);
    if (s.open) {
        in.host->SetTitle(s.title);
    } else if (s.title.empty()) {
        s.flags |= 0x200u;
    } else {
        s.flags &= ~0x200u;
    }
}

void CmdScreenwindowpos(Interp &in)
{
    Screen &s = S(in);
    s.windowX = ReadNumber(in);
    s.windowY = ReadNumber(in, 1);
    if (s.open)
        in.host->MoveWindow(s.windowX, s.windowY);
}

void CmdScreenwindowautopause(Interp &in) { in.autopause = ReadNumber(in) != 0; }

void CmdScreenwindowhasfocus(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, S(in).open && in.host->WindowHasFocus() ? 1 : 0);
}

void CmdScreenwindowhwnd(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariable(in, name, std::to_string(S(in).open ? in.host->WindowId() : 0u));
}

void CmdScreeninfo(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariable(in, name, S(in).open ? in.host->DescribeScreen() : std::string());
}

void CmdScreenwidth(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, S(in).open ? S(in).surface.width : 80);
}

void CmdScreenheight(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, S(in).open ? S(in).surface.height : 25);
}

void CmdScreenadjustxy(Interp &in)
{
    Screen &s = S(in);
    s.originX = ReadNumber(in);
    s.originY = ReadNumber(in, 1);
    s.cursorX = s.originX;
    s.cursorY = s.originY;
}

void CmdScreenclear(Interp &in)
{
    const uint8_t colour = Colour(ReadNumber(in));
    NeedWindow(in);
    Fill(in, 0, 0, S(in).surface.width, S(in).surface.height, colour);
}

void CmdScreenfadespeed(Interp &in) { S(in).fadeMs = ReadNumber(in); }

void CmdScreensetpixel(Interp &in)
{
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    Fill(in, x + S(in).originX, y + S(in).originY, 1, 1, colour);
}

void CmdScreengetpixel(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t x = ReadNumber(in, 1), y = ReadNumber(in, 2);
    NeedWindow(in);
    const Screen &s = S(in);
    const int32_t px = x + s.originX, py = y + s.originY;
    SetVariableNumber(in, name, Inside(s, px, py) ? s.surface.Row(py)[px] : 0);
}

void CmdScreenbox(Interp &in)
{
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    const int32_t w = ReadNumber(in, 2), h = ReadNumber(in, 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    if (w <= 0 || h <= 0)
        return;
    const int32_t px = x + S(in).originX, py = y + S(in).originY;
    Fill(in, px, py, w, 1, colour);
    Fill(in, px, py + h - 1, w, 1, colour);
    Fill(in, px, py, 1, h, colour);
    Fill(in, px + w - 1, py, 1, h, colour);
}

void CmdScreenfilledbox(Interp &in)
{
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    const int32_t w = ReadNumber(in, 2), h = ReadNumber(in, 1);
    const uint8_t colour = Colour(ReadNumber(in, 2));
    NeedWindow(in);
    const Screen &s = S(in);
    const int32_t px = x + s.originX, py = y + s.originY;
    if (!Inside(s, px, py) || w <= 0 || h <= 0)
        return;
    Fill(in, px, py, w, h, colour);
}

void CmdScreenpalettelock(Interp &in)
{
    const auto first = static_cast<uint32_t>(ReadNumber(in));
    const int32_t count = ReadNumber(in, 1);
    const bool lock = ReadNumber(in, 2) != 0;
    if (first >= 256 || count <= 0)
        return;
    const uint32_t last = std::min<uint32_t>(first + static_cast<uint32_t>(count) - 1, 255);
    for (uint32_t i = first; i <= last; ++i)
        S(in).locks[i] = lock;
}

void CmdScreenforcepalettezeroblack(Interp &in)
{
    const bool force = ReadNumber(in) != 0;
    Screen &s = S(in);
    if (force)
        std::memset(s.palette, 0, 3);
    ApplyScreenPalette(in);
    s.locks[0] = force;
}

void CmdTextcolor(Interp &in) { S(in).textColour = Colour(ReadNumber(in)); }
void CmdTextbackcolor(Interp &in) { S(in).backColour = Colour(ReadNumber(in)); }
void CmdTexttranscolor(Interp &in) { S(in).transColour = Colour(ReadNumber(in)); }

void CmdTextsetxy(Interp &in)
{
    Screen &s = S(in);
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    s.cursorX = x + s.originX;
    s.cursorY = y + s.originY;
}

void CmdTextx(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, S(in).cursorX - S(in).originX);
}

void CmdTexty(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, S(in).cursorY - S(in).originY);
}

}  // namespace zscript
