// The host of the script player on SDL: window messages through the display
// layer, message boxes through the platform's message output, sound through
// SDL audio devices. ZorbScriptMain runs the program with it.
#include "platform/platform.h"
#include "runtime/display.h"
#include "runtime/sound.h"
#include "runtime/sound_hook.h"
#include "script/core/interp.h"
#include "script/core/program.h"
#include "script/sdl/sound_commands.h"
#include "script/sdl/test_input.h"
#include "script/zscript.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zscript {

namespace {

class SdlHost : public Host {
public:
    SdlHost()
        : sound_([](const std::string &name) { return ResolveName(name); }),
          testInput_(std::getenv("ZORBSCW_TEST_INPUT"))
    {}

    void Pump() override
    {
        if (pending_)
            ShowChanges(false);
        if (WindowHandle())
            WindowPump();
        zorb::RuntimeSoundService();
        CheckInterrupt();
    }
    void Message(const std::string &caption, const std::string &text) override
    {
        PlatformMessage(caption.c_str(), text.c_str());
    }
    void Wait(uint32_t ms) override
    {
        const uint32_t start = PlatformTimeMs();
        for (;;) {
            Pump();
            const uint32_t passed = PlatformTimeMs() - start;
            if (passed >= ms)
                break;
            PlatformSleepMs(std::min<uint32_t>(ms - passed, 5));
        }
    }
    void Tone(int32_t frequency, int32_t ms) override
    {
        sound_.Tone(frequency, ms, [this](uint32_t t) { Wait(t); });
    }
    std::string Mci(const std::string &command) override
    {
        return sound_.Command(command, [this](uint32_t t) { Wait(t); });
    }
    bool HasWindow() override { return WindowHandle() != nullptr; }
    bool WindowHasFocus() override { return WindowDisplay() && DisplayIsActive(WindowDisplay()); }
    bool OpenScreen(int32_t width, int32_t height, int32_t x, int32_t y, uint32_t flags, const std::string &title,
                    ScreenSurface &surface) override
    {
        WindowSetName(title.c_str());
        // The full-screen modes give the script the whole screen as its
        // surface; the script's area is centred in it by the screen origin.
        const uint32_t mode = flags & 0x1F;
        if (mode == 22 && width <= 320 && height <= 240) {
            width = 320;
            height = 240;
        } else if (mode == 23 && width <= 320 && height <= 200) {
            width = 320;
            height = 200;
        }
        ZorbDisplay *d = WindowOpen(width, height, x, y, flags);
        if (!d || !d->Buffer)
            return false;
        WindowSetTitle(title.c_str());
        // The script draws its own pointer while it waits for input.
        WindowShowPointer(0);
        surface.pixels = d->Buffer;
        surface.pitch = d->Pitch;
        surface.width = d->Width;
        surface.height = d->Height;
        surface.bottomUp = d->BottomUp != 0;
        surface.rectMode = d->RectMode;
        return true;
    }
    // Changed rectangles are collected in a display batch and shown at the
    // next pump (commands draw many small pieces) or wait.
    void ShowRect(int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        if (ZorbDisplay *d = WindowDisplay()) {
            if (d->BatchMode != DISPLAY_BATCH_COLLECT)
                DisplayBeginBatch(d);
            DisplayDraw(d, nullptr, x, y, x, y, width, height);
            pending_ = true;
        }
    }
    void ShowChanges(bool frameEnds) override
    {
        ZorbDisplay *d = WindowDisplay();
        pending_ = false;
        if (!d)
            return;
        if (frameEnds) {
            if (d->BatchMode != DISPLAY_BATCH_COLLECT)
                DisplayBeginBatch(d);
            DisplayEndBatch(d);
        } else if (d->BatchMode == DISPLAY_BATCH_COLLECT) {
            DisplayFlushBatch(d);
        }
    }
    void SetPalette(const uint8_t *rgb768) override
    {
        if (ZorbDisplay *d = WindowDisplay()) {
            DisplaySetPalette(d, rgb768, 0);
            ShowRect(0, 0, d->Width, d->Height);
        }
    }
    std::string DescribeScreen() override
    {
        char text[256] = {};
        if (ZorbDisplay *d = WindowDisplay())
            DisplayDescribe(d, text);
        return text;
    }
    void SetTitle(const std::string &title) override { WindowSetTitle(title.c_str()); }
    void MoveWindow(int32_t x, int32_t y) override
    {
        if (SDL_Window *w = WindowHandle())
            SDL_SetWindowPosition(w, x < 0 ? SDL_WINDOWPOS_CENTERED : x, y < 0 ? SDL_WINDOWPOS_CENTERED : y);
    }
    uint32_t WindowId() override { return WindowHandle() ? SDL_GetWindowID(WindowHandle()) : 0; }
    // The last picture is captured (ZORB_CAPTURE) before the window goes.
    void CloseWindow() override
    {
        if (!WindowHandle())
            return;
        if (ZorbDisplay *d = WindowDisplay()) {
            ShowRect(0, 0, d->Width, d->Height);
            ShowChanges(true);
        }
        WindowClose();
    }
    uint32_t ScreenColours() override
    {
        const uint32_t c = WindowScreenColours();
        return c ? c : 1u << 24;
    }
    int SetResolution(int32_t mode) override
    {
        resolutionChanged_ = resolutionChanged_ || (mode >= 1 && mode <= 4);
        return DisplaySetResolution(mode);
    }
    void UseDirectSound() override { ZorbSelectDirectSound(nullptr); }
    int32_t TakeKey() override { return KeyAvailable() ? KeyGet() : -1; }
    uint32_t ButtonReleases(bool right) override { return right ? WindowRightReleases() : WindowLeftReleases(); }
    bool PointerAt(int32_t &x, int32_t &y) override { return WindowPointer(&x, &y) != 0; }
    void MovePointer(int32_t x, int32_t y) override { WindowSetPointer(x, y); }
    bool MousePresent() override { return true; }
    void Idle(uint32_t ms) override
    {
        if (WindowHandle())
            WindowWaitEvent(ms);
        else
            PlatformSleepMs(ms);
    }
    void WaitBegins() override { testInput_.WaitBegins(); }
    int Ask(const std::string &caption, const std::string &text, int32_t style) override;
    void Shutdown() override
    {
        sound_.CloseAll();
        if (resolutionChanged_)
            DisplaySetResolution(0);
    }

private:
    SoundCommands sound_;
    TestInput testInput_;
    bool resolutionChanged_ = false;
    bool pending_ = false; // rectangles collected and not shown yet
};

// A graphical box needs a real display; without one the text goes to
// standard error and the answer is Cancel (2).
bool RealDisplay()
{
    const char *driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (!std::strcmp(driver, "dummy") || !std::strcmp(driver, "offscreen")))
        return false;
    const char *x11 = std::getenv("DISPLAY"), *wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

int SdlHost::Ask(const std::string &caption, const std::string &text, int32_t style)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (!RealDisplay() || PlatformUnattended())
        return 2;
    // Buttons with their answers: OK 1, Cancel 2, Yes 4, No 8.
    const bool cancel = (style & 2) != 0, yesNo = (style & 0xC) != 0;
    std::vector<SDL_MessageBoxButtonData> buttons;
    if (yesNo) {
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 4, "Yes"});
        buttons.push_back({cancel ? 0u : Uint32{SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT}, 8, "No"});
    } else {
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"});
    }
    if (cancel)
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "Cancel"});
    const Uint32 icon = yesNo    ? SDL_MESSAGEBOX_INFORMATION
                        : cancel ? SDL_MESSAGEBOX_WARNING
                                 : SDL_MESSAGEBOX_INFORMATION;
    const SDL_MessageBoxData data{
        icon, WindowHandle(), caption.c_str(), text.c_str(), static_cast<int>(buttons.size()), buttons.data(), nullptr};
    int hit = -1;
    if (SDL_ShowMessageBox(&data, &hit) != 0 || hit < 0)
        return 2;
    return hit;
}

} // namespace

} // namespace zscript

extern "C" int ZorbScriptMain(int argc, char **argv)
{
    zscript::SdlHost host;
    return zscript::RunProgram(host, argc, argv);
}
