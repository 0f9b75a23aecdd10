// The display's drawing pass for a whole 320 x 240 frame (conversion or
// direct writing, texture update, present) in picture bytes per second, per
// mode, headless; memcpy of the picture's bytes as the baseline.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "runtime/display.h"

namespace {

constexpr int kW = 320, kH = 240;

void Frame(benchmark::State &state, uint32_t flags, int scale)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    WindowSetStretch(kW * scale, kH * scale);
    ZorbDisplay *d = WindowOpen(kW, kH, -1, -1, flags);
    WindowSetStretch(0, 0);
    if (!d) {
        state.SkipWithError("no display");
        return;
    }
    std::mt19937 rng(1);
    std::vector<uint8_t> pal(768);
    for (auto &b : pal)
        b = static_cast<uint8_t>(rng());
    DisplaySetPalette(d, pal.data(), 0);
    for (int y = 0; y < d->Height; ++y)
        for (int x = 0; x < d->Width; ++x)
            d->Buffer[y * d->Pitch + x] = static_cast<uint8_t>(rng());
    for (auto _ : state) {
        DisplayBeginBatch(d);
        DisplayDraw(d, nullptr, 0, 0, 0, 0, kW, kH);
        DisplayEndBatch(d);
    }
    state.SetBytesProcessed(state.iterations() * kW * kH);
    WindowClose();
}

void Copy(benchmark::State &state)
{
    std::vector<uint8_t> a(kW * kH, 1), b(kW * kH);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kW * kH);
}

BENCHMARK_CAPTURE(Frame, "Standard Windows DIBs", 24u, 1);
BENCHMARK_CAPTURE(Frame, "Standard Windows DIBs 2x", 24u, 2);
BENCHMARK_CAPTURE(Frame, "DIBSection direct 1x", 25u, 1);
BENCHMARK_CAPTURE(Frame, "DIBSection direct 2x", 25u, 2);
BENCHMARK_CAPTURE(Frame, "DIBSection direct 2x smoothing", 25u | 0x40u, 2);
BENCHMARK_CAPTURE(Frame, "Full screen 320x240", 22u, 1);
BENCHMARK(Copy);

} // namespace

BENCHMARK_MAIN();
