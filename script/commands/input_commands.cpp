// The waits and the input commands: DELAY, DELAYUNTIL, INPUTCHAR,
// INPUTCHARORDELAY, INPUTSTR, INPUTSTRWIN and INPUTMSGWIN. Waiting sleeps
// until the next window event or the next due time; keys come from the
// display layer's queue, clicks from its button counters.
#include "script/commands/input_family.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"
#include "platform/platform.h"

#include <algorithm>

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
    TextOut(in, text, false);
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

}  // namespace

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

void CmdDelayuntil(Interp &in)
{
    WaitUntil(in, static_cast<uint32_t>(ReadNumber(in)));
}

void CmdInputchar(Interp &in)
{
    const std::string name = ReadName(in);
    NeedWindow(in);
    SetVariable(in, name, WaitForInput(in, -1));
}

void CmdInputcharordelay(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t limit = ReadNumber(in, 1);
    NeedWindow(in);
    // -1 waits without a limit; other negative limits have passed already.
    SetVariable(in, name, WaitForInput(in, limit < -1 ? 0 : limit));
}

void CmdInputstr(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t max = ReadNumber(in, 1);
    const std::string prompt = ReadValue(in, 1);
    NeedWindow(in);
    RemovePointer(in);
    Echo(in, prompt);
    SetVariable(in, name, ReadLine(in, max));
}

void CmdInputstrwin(Interp &in)
{
    CmdNotBuilt(in);
}

void CmdInputmsgwin(Interp &in)
{
    const std::string name = ReadName(in);
    ReadNumber(in, 1);  // x and y do not place the box
    ReadNumber(in, 1);
    const int32_t style = ReadNumber(in, 1);
    const std::string text = ReadValue(in, 1);
    RemovePointer(in);
    SetVariableNumber(in, name, in.host->Ask(in.screen.title, text, style));
}

}  // namespace zscript
