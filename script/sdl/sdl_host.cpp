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
    void CloseWindow() override
    {
        if (WindowHandle())
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
