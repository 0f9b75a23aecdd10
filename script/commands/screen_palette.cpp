// The screen palette: setting it (locked entries stay), applying it to the
// display (the palette version counts), and the fades paced by the fade
// period of SCREENFADESPEED.
#include "platform/platform.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <cstring>

namespace zscript {

namespace {

// Waits until the fade period has passed since the previous step.
void FadeStepWait(Interp &in, uint32_t &previous)
{
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

void FadeInPalette(Interp &in, const uint8_t *rgb768)
{
    uint32_t previous = PlatformTimeMs();
    uint8_t step[768];
    for (int level = 63; level >= 3; level -= 4) {
        for (int i = 0; i < 768; ++i)
            step[i] = rgb768[i] > level ? static_cast<uint8_t>(rgb768[i] - level) : 0;
        SetScreenPalette(in, step);
        ApplyScreenPalette(in);
        FadeStepWait(in, previous);
    }
    SetScreenPalette(in, rgb768);
    ApplyScreenPalette(in);
}

void FadeOutPalette(Interp &in)
{
    uint32_t previous = PlatformTimeMs();
    uint8_t step[768];
    for (int k = 0; k < 16; ++k) {
        for (int i = 0; i < 768; ++i)
            step[i] = in.screen.palette[i] > 4 ? static_cast<uint8_t>(in.screen.palette[i] - 4) : 0;
        SetScreenPalette(in, step);
        ApplyScreenPalette(in);
        FadeStepWait(in, previous);
    }
}

} // namespace zscript
