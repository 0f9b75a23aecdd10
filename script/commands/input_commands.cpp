// The waits and the input commands: DELAY, DELAYUNTIL, INPUTCHAR,
// INPUTCHARORDELAY, INPUTSTR, INPUTSTRWIN and INPUTMSGWIN. Waiting sleeps
// until the next window event or the next due time; keys come from the
// display layer's queue, clicks from its button counters.
#include "platform/platform.h"
#include "script/commands/input_family.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zscript {

namespace {

// Longest sleep between two looks at the sound output and the clock.
constexpr uint32_t kIdleMs = 10;

// One click, left before right: a left click over an area gives the area's
// name, any other "LEFT MOUSE"; a right click "RIGHT MOUSE".
bool TakeClick(Interp &in, std::string &name)
{
    InputState &s = in.input;
    if (in.host->ButtonReleases(false) != s.leftTaken) {
        ++s.leftTaken;
        const SoftPointer &p = s.pointer;
        const MouseArea *area = p.x == -1 && p.y == -1 ? nullptr : s.areas.At(p.x, p.y);
        name = area ? area->name : "LEFT MOUSE";
        return true;
    }
    if (in.host->ButtonReleases(true) != s.rightTaken) {
        ++s.rightTaken;
        name = "RIGHT MOUSE";
        return true;
    }
    return false;
}

// Waits until the millisecond clock reaches the time.
void WaitUntil(Interp &in, uint32_t due)
{
    BeginWait(in);
    for (;;) {
        if (in.sandbox)
            return;
        in.host->Pump();
        const auto left = static_cast<int32_t>(due - PlatformTimeMs());
        if (left <= 0)
            return;
        in.host->Idle(std::min<uint32_t>(static_cast<uint32_t>(left), kIdleMs));
    }
}

// The echo of line input at the text cursor.
void Echo(Interp &in, std::string_view text)
{
    DrawAtCursor(in, text);
}

// Line input is held to the longest value a variable takes.
int32_t LineLimit(int32_t max)
{
    return std::min<int32_t>(max, static_cast<int32_t>(kTextMax));
}

// The outline through (x, y) and (x + w, y + h) in a box picture.
void Outline(std::vector<uint8_t> &box, int32_t boxW, int32_t boxH, int32_t x, int32_t y, int32_t w, int32_t h,
             uint8_t colour)
{
    const auto plot = [&](int32_t px, int32_t py) {
        if (px >= 0 && py >= 0 && px < boxW && py < boxH)
            box[static_cast<size_t>(py) * static_cast<size_t>(boxW) + static_cast<size_t>(px)] = colour;
    };
    for (int32_t i = 0; i <= w; ++i) {
        plot(x + i, y);
        plot(x + i, y + h);
    }
    for (int32_t i = 0; i <= h; ++i) {
        plot(x, y + i);
        plot(x + w, y + i);
    }
}

// Copies a picture of w x h onto the screen at (x, y), as far as it lies on it.
void PutOnScreen(Interp &in, const uint8_t *pixels, int32_t x, int32_t y, int32_t w, int32_t h)
{
    const ScreenChange change(in, x, y, w, h);
    const ScreenRect &r = change.Rect();
    for (int32_t row = r.y; row < r.y + r.height; ++row)
        std::memcpy(in.screen.surface.Row(row) + r.x,
                    pixels + static_cast<size_t>(row - y) * static_cast<size_t>(w) + (r.x - x),
                    static_cast<size_t>(r.width));
}

// Line input of at most max characters at the text cursor.
std::string ReadLine(Interp &in, int32_t max)
{
    BeginWait(in);
    LineEditor editor(max);
    for (;;) {
        switch (editor.Key(WaitForKey(in))) {
        case LineEditor::Action::Ignore:
            break;
        case LineEditor::Action::Echo:
            Echo(in, std::string_view(editor.Text()).substr(editor.Text().size() - 1));
            break;
        case LineEditor::Action::Erase:
            Echo(in, "\b");
            break;
        case LineEditor::Action::Finish:
            Echo(in, "\n");
            return editor.Text();
        }
    }
}

} // namespace

void BeginWait(Interp &in)
{
    ScreenWaitStarts(in);
    in.host->WaitBegins();
}

std::string WaitForInput(Interp &in, int32_t limit)
{
    BeginWait(in);
    const uint32_t start = PlatformTimeMs();
    Host &host = *in.host;
    for (;;) {
        host.Pump(); // shows what was drawn since (the pointer, an echo)
        const int key = host.TakeKey();
        if (key >= 0)
            return KeyName(key);
        if (host.MousePresent() && host.HasWindow() && in.screen.open) {
            TrackPointer(in);
            DrawPointer(in);
            std::string click;
            if (TakeClick(in, click))
                return click;
        }
        uint32_t sleep = kIdleMs;
        if (limit >= 0) {
            const uint32_t passed = PlatformTimeMs() - start;
            if (passed >= static_cast<uint32_t>(limit))
                return "DELAY";
            sleep = std::min(sleep, static_cast<uint32_t>(limit) - passed);
        }
        host.Idle(sleep);
    }
}

int WaitForKey(Interp &in)
{
    for (;;) {
        in.host->Pump();
        const int key = in.host->TakeKey();
        if (key >= 0)
            return key;
        in.host->Idle(kIdleMs);
    }
}

void CmdDelay(Interp &in)
{
    const int32_t ms = ReadNumber(in);
    WaitUntil(in, PlatformTimeMs() + static_cast<uint32_t>(ms));
}

void CmdDelayUntil(Interp &in)
{
    WaitUntil(in, static_cast<uint32_t>(ReadNumber(in)));
}

void CmdInputChar(Interp &in)
{
    const std::string name = ReadName(in);
    NeedWindow(in);
    SetVariable(in, name, WaitForInput(in, -1));
}

void CmdInputCharOrDelay(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t limit = ReadNumber(in, 1);
    NeedWindow(in);
    // -1 waits without a limit; other negative limits have passed already.
    SetVariable(in, name, WaitForInput(in, limit < -1 ? 0 : limit));
}

void CmdInputStr(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t max = LineLimit(ReadNumber(in, 1));
    const std::string prompt = ReadValue(in, 1);
    NeedWindow(in);
    RemovePointer(in);
    Echo(in, prompt);
    SetVariable(in, name, ReadLine(in, max));
}

void CmdInputStrWin(Interp &in)
{
    const std::string name = ReadName(in);
    int32_t x = ReadNumber(in, 1), y = ReadNumber(in, 1);
    const int32_t max = LineLimit(ReadNumber(in, 1));
    const std::string prompt = ToFontCodes(ReadValue(in, 1));
    NeedWindow(in);
    Screen &s = in.screen;
    const auto cw = static_cast<int32_t>(s.font.cellWidth), ch = static_cast<int32_t>(s.font.cellHeight);
    const int32_t n = std::max(max, 0), p = static_cast<int32_t>(std::min<size_t>(prompt.size(), kTextMax));
    const int32_t width = cw * (std::max(n, p) + 4), height = ch * 6;
    // -1 centres the box (at 0 when it is larger than the screen); other x
    // are rounded down to a multiple of 4.
    x = x == -1 ? std::max(0, (s.surface.width - width) / 2) : (x + s.originX) & ~3;
    y = y == -1 ? std::max(0, (s.surface.height - height) / 2) : y + s.originY;

    // The screen under the box, to put back at the end.
    RemovePointer(in);
    std::vector<uint8_t> under(static_cast<size_t>(width) * static_cast<size_t>(height), s.backColour);
    const ScreenRect kept = ClipToScreen(s, x, y, width, height);
    for (int32_t row = kept.y; row < kept.y + kept.height; ++row)
        std::memcpy(&under[static_cast<size_t>(row - y) * static_cast<size_t>(width) + (kept.x - x)],
                    s.surface.Row(row) + kept.x, static_cast<size_t>(kept.width));

    std::vector<uint8_t> box(under.size(), s.backColour);
    Outline(box, width, height, 1, 1, width - 3, height - 3, s.textColour);
    const ScreenSurface boxSurface{box.data(), width, width, height, false};
    DrawText(boxSurface, (width - p * cw) / 2, ch * 3 / 2, prompt, s.font, s.Colours());
    const int32_t g = (width - n * cw) / 2;
    Outline(box, width, height, g - cw / 2, ch * 4 - 4, cw * (n + 1), ch + 4, s.textColour);
    PutOnScreen(in, box.data(), x, y, width, height);

    s.cursorX = x + g;
    s.cursorY = y + ch * 4;
    const std::string text = ReadLine(in, n);
    PutOnScreen(in, under.data(), x, y, width, height);
    SetVariable(in, name, text);
}

void CmdInputMsgWin(Interp &in)
{
    const std::string name = ReadName(in);
    ReadNumber(in, 1); // x and y do not place the box
    ReadNumber(in, 1);
    const int32_t style = ReadNumber(in, 1);
    const std::string text = ReadValue(in, 1);
    RemovePointer(in);
    SetVariableNumber(in, name, in.host->Ask(in.screen.title, text, style));
}

} // namespace zscript
