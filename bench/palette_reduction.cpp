// Palette reduction speed: the quantiser with the prefix-sum split search
// against the plain per-candidate search (same boxes), on histograms of a
// true-colour picture's size; and the nearest-colour mapping through the
// cache against a plain search of the palette for every pixel.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "vexutil/graphics/palette_reduction.h"

namespace {

std::vector<uint32_t> Histogram(int cells)
{
    std::vector<uint32_t> h(vex::kCells, 0);
    std::mt19937 rng(17);
    for (int i = 0; i < cells; i++) {
        int base = int(rng() % 4) * 60;
        h[vex::CellOf(uint32_t(base + rng() % 40), rng() & 255, uint32_t(base / 2 + rng() % 90))] += 1 + rng() % 500;
    }
    return h;
}

void Quantise(benchmark::State &state, bool reference)
{
    auto h = Histogram(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(vex::QuantiseCells(h.data(), 64, nullptr, nullptr, reference));
}

void QuantisePrefixSums(benchmark::State &state)
{
    Quantise(state, false);
}
void QuantisePlain(benchmark::State &state)
{
    Quantise(state, true);
}

std::vector<uint8_t> Pixels()
{
    std::vector<uint8_t> px(320 * 200 * 3);
    std::mt19937 rng(5);
    for (size_t i = 0; i < px.size(); i += 3) {
        // A smooth picture: neighbouring pixels share cells, as in real frames.
        size_t p = i / 3;
        px[i] = uint8_t(p % 320 * 255 / 320);
        px[i + 1] = uint8_t(p / 320 * 255 / 200);
        px[i + 2] = uint8_t(128 + rng() % 8);
    }
    return px;
}

std::vector<uint8_t> Palette()
{
    std::vector<uint8_t> pal(768);
    std::mt19937 rng(3);
    for (auto &b : pal)
        b = uint8_t(rng());
    return pal;
}

void NearestCached(benchmark::State &state)
{
    auto px = Pixels();
    auto pal = Palette();
    std::vector<uint16_t> cache(vex::kCells);
    for (auto _ : state) {
        std::fill(cache.begin(), cache.end(), 0); // a new palette every frame: the worst case
        uint32_t sum = 0;
        for (size_t i = 0; i < px.size(); i += 3)
            sum += vex::NearestCached(cache.data(), pal.data(), 0, 256, px[i], px[i + 1], px[i + 2]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(px.size() / 3));
}

void NearestPlain(benchmark::State &state)
{
    auto px = Pixels();
    auto pal = Palette();
    const auto &D = vex::Dist();
    for (auto _ : state) {
        uint32_t sum = 0;
        for (size_t i = 0; i < px.size(); i += 3) {
            uint32_t best = 0, bestD = UINT32_MAX;
            for (uint32_t p = 0; p < 256; p++) {
                uint32_t d = D[px[i] >> 2][pal[3 * p] >> 2] + D[px[i + 1] >> 2][pal[3 * p + 1] >> 2] +
                             D[px[i + 2] >> 2][pal[3 * p + 2] >> 2];
                if (d < bestD)
                    bestD = d, best = p;
            }
            sum += best;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(px.size() / 3));
}

} // namespace

BENCHMARK(QuantisePrefixSums)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(QuantisePlain)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(NearestCached)->Unit(benchmark::kMillisecond);
BENCHMARK(NearestPlain)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
