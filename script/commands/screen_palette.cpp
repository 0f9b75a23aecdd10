// The screen palette: setting it (locked entries stay), applying it to the
// display (the palette version counts), and the fades paced by the fade
// period of SCREENFADESPEED.
#include "platform/platform.h"
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <cstring>

namespace zscript {

namespace {

// Shows the step (a frame of its own: ZORB_CAPTURE writes it out) and waits
// until the fade period has passed since the previous step.
void FadeStepWait(Interp &in, uint32_t &previous)
{
    ScreenWaitStarts(in);
    const uint32_t period = in.screen.fadeMs > 0 ? static_cast<uint32_t>(in.screen.fadeMs) : 0;
    const uint32_t passed = PlatformTimeMs() - previous;
    if (passed < period)
        in.host->Wait(period - passed);
    previous = PlatformTimeMs();
}

} // namespace

void SetScreenPalette(Interp &in, const uint8_t *rgb768)
{
    Screen &s = in.screen;
    for (int i = 0; i < 256; ++i)
        if (!s.locks[i])
            std::memcpy(s.palette + 3 * i, rgb768 + 3 * i, 3);
}

void ApplyScreenPalette(Interp &in)
{
    Screen &s = in.screen;
    if (s.open)
        in.host->SetPalette(s.palette);
    ++s.paletteVersion;
}

// Fades work on the full 0-255 range of the components: 16 even steps, the
// last one the exact palette (fade in) or black (fade out).
constexpr int kFadeSteps = 16;

void FadeInPalette(Interp &in, const uint8_t *rgb768)
{
    uint32_t previous = PlatformTimeMs();
    uint8_t step[768];
    for (int k = 1; k < kFadeSteps; ++k) {
        for (int i = 0; i < 768; ++i)
            step[i] = static_cast<uint8_t>(rgb768[i] * k / kFadeSteps);
        SetScreenPalette(in, step);
        ApplyScreenPalette(in);
        FadeStepWait(in, previous);
    }
    SetScreenPalette(in, rgb768);
    ApplyScreenPalette(in);
    FadeStepWait(in, previous);
}

void FadeOutPalette(Interp &in)
{
    uint32_t previous = PlatformTimeMs();
    uint8_t start[768], step[768];
    std::memcpy(start, in.screen.palette, sizeof start);
    for (int k = kFadeSteps - 1; k >= 0; --k) {
        for (int i = 0; i < 768; ++i)
            step[i] = static_cast<uint8_t>(start[i] * k / kFadeSteps);
        SetScreenPalette(in, step);
        ApplyScreenPalette(in);
        FadeStepWait(in, previous);
    }
}

} // namespace zscript
