// Huffman tree building: HuffStartEncode (sorted list kept by binary search,
// one move per insertion when the tail weighs the same) against a plain
// builder that keeps the same list by linear search and shifting, on the same
// counts in one run; and the symbol coding speed of HuffEncode.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "vexutil/vexutil.h"

namespace {

// Zipf-like counts over `symbols` symbols (every one used at least once).
std::vector<uint32_t> Counts(uint32_t symbols, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint32_t> c(65536, 0);
    for (uint32_t i = 0; i < symbols; ++i) {
        const uint32_t s = (i * 40503u + seed) & 0xFFFF;
        c[s] = 1 + static_cast<uint32_t>(100000.0 / (1.0 + i)) + rng() % 3;
    }
    return c;
}

// The plain builder: linear search, shifting insert, same tie rule; returns
// the number of inner nodes so the work cannot be optimised away.
uint32_t PlainBuild(const std::vector<uint32_t> &counts)
{
    std::vector<uint64_t> weight;
    std::vector<uint32_t> list;
    auto insert = [&](uint32_t node) {
        size_t p = 0;
        while (p < list.size() && weight[list[p]] >= weight[node])
            ++p;
        if (p < list.size() && weight[list[p]] == weight[list.back()]) {
            list.push_back(list[p]);
            list[p] = node;
        } else {
            list.insert(list.begin() + static_cast<long>(p), node);
        }
    };
    for (uint32_t s = 0; s < counts.size(); ++s) {
        if (!counts[s])
            continue;
        weight.push_back(counts[s]);
        insert(static_cast<uint32_t>(weight.size() - 1));
    }
    uint32_t inner = 0;
    while (list.size() > 1) {
        const uint32_t a = list.back();
        list.pop_back();
        const uint32_t b = list.back();
        list.pop_back();
        weight.push_back(weight[a] + weight[b]);
        insert(static_cast<uint32_t>(weight.size() - 1));
        ++inner;
    }
    return inner;
}

void BM_HuffStartEncode(benchmark::State &state)
{
    const std::vector<uint32_t> counts = Counts(static_cast<uint32_t>(state.range(0)), 1);
    HUFF *h = HuffOpen(0);
    VEXFILE *out = VEXFileCreate(65536, "/dev/null");
    HuffSetOutput(h, out);
    for (auto _ : state) {
        state.PauseTiming();
        HuffInitStats(h);
        // Counts straight into the statistics (one call per symbol occurrence
        // would dominate the measurement).
        for (uint32_t s = 0; s < 65536; ++s)
            h->codes[s] = counts[s];
        h->hasStats = 1;
        state.ResumeTiming();
        benchmark::DoNotOptimize(HuffStartEncode(h));
    }
    HuffClose(h);
    VEXFileClose(out);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PlainBuild(benchmark::State &state)
{
    const std::vector<uint32_t> counts = Counts(static_cast<uint32_t>(state.range(0)), 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainBuild(counts));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_HuffEncodeBytes(benchmark::State &state)
{
    std::mt19937 rng(2);
    std::geometric_distribution<int> g(0.1);
    std::vector<uint32_t> symbols(1 << 16);
    for (auto &s : symbols)
        s = static_cast<uint32_t>(g(rng) & 0xFF);
    HUFF *h = HuffOpen(1);
    VEXFILE *out = VEXFileCreate(65536, "/dev/null");
    HuffSetOutput(h, out);
    HuffInitStats(h);
    for (uint32_t s : symbols)
        HuffAddStat(h, s);
    HuffStartEncode(h);
    for (auto _ : state)
        for (uint32_t s : symbols)
            HuffEncode(h, s);
    HuffClose(h);
    VEXFileClose(out);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(symbols.size()));
}

} // namespace

BENCHMARK(BM_HuffStartEncode)->Arg(1000)->Arg(20000)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainBuild)->Arg(1000)->Arg(20000)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HuffEncodeBytes);
BENCHMARK_MAIN();
