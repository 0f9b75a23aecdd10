// The host of the script player on SDL: window messages through the display
// layer, message boxes through the platform's message output, sound through
// SDL audio devices. ZorbScriptMain runs the program with it.
#include "script/zscript.h"
#include "script/core/interp.h"
#include "script/core/program.h"
#include "script/sdl/sound_commands.h"
#include "platform/platform.h"
#include "runtime/display.h"
#include "runtime/sound.h"
#include "runtime/sound_hook.h"

#include <SDL.h>

namespace zscript {

namespace {

class SdlHost : public Host {
public:
    SdlHost() : sound_([](const std::string &name) { return ResolveName(name); }) {}

    void Pump() override
    {
        if (WindowHandle())
            WindowPump();
        zorb::RuntimeSoundService();
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
        surface.pixels = d->Buffer;
        surface.pitch = d->Pitch;
        surface.width = d->Width;
        surface.height = d->Height;
        surface.bottomUp = d->BottomUp != 0;
        surface.rectMode = d->RectMode;
        return true;
    }
    void ShowRect(int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        if (ZorbDisplay *d = WindowDisplay())
            DisplayDraw(d, nullptr, x, y, x, y, width, height);
    }
    void SetPalette(const uint8_t *rgb768) override
    {
        if (ZorbDisplay *d = WindowDisplay()) {
            DisplaySetPalette(d, rgb768, 0);
            DisplayDraw(d, nullptr, 0, 0, 0, 0, d->Width, d->Height);
        }
    }
    void BeginFrame() override { DisplayBeginBatch(WindowDisplay()); }
    void EndFrame() override { DisplayEndBatch(WindowDisplay()); }
    int32_t TakeKey() override { return KeyAvailable() ? KeyGet() : -1; }
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
            DisplayBeginBatch(d);
            DisplayDraw(d, nullptr, 0, 0, 0, 0, d->Width, d->Height);
            DisplayEndBatch(d);
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
    void Shutdown() override
    {
        sound_.CloseAll();
        if (resolutionChanged_)
            DisplaySetResolution(0);
    }

private:
    SoundCommands sound_;
    bool resolutionChanged_ = false;
};

}  // namespace

}  // namespace zscript

extern "C" int ZorbScriptMain(int argc, char **argv)
{
    zscript::SdlHost host;
    return zscript::RunProgram(host, argc, argv);
}
