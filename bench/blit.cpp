// Blitter speed per mode in bytes of destination per second: the plain loops,
// the wide loops, and memcpy of the same destination bytes, in one run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "codec/cpu.h"
#include "runtime/blit.h"

namespace {

constexpr int kW = 320, kH = 240; // source picture; doubling modes write 640 x 480

struct Setup {
    std::vector<uint8_t> src, src2, dst;
    ZorbBlitter *h;
    int dstPitch, scale, bpp;
    Setup(uint32_t flags)
    {
        std::mt19937 rng(1);
        src.resize(kW * kH);
        src2.resize(kW * kH);
        for (auto &b : src)
            b = static_cast<uint8_t>(rng() % 16 ? rng() : 0); // some keyed pixels
        for (auto &b : src2)
            b = static_cast<uint8_t>(rng());
        h = ZorbBlitOpen(flags);
        std::vector<uint8_t> pal(768);
        for (auto &b : pal)
            b = static_cast<uint8_t>(rng());
        ZorbBlitSetPalette(h, pal.data(), 0);
        scale = (flags & 0xE) ? 2 : 1;
        bpp = flags >= 0x40000000u ? 2 : 1;
        dstPitch = kW * scale * bpp;
        dst.assign(static_cast<size_t>(dstPitch) * kH * scale, 0);
    }
    ~Setup() { ZorbBlitClose(h); }
    int64_t DstBytes() const { return static_cast<int64_t>(kW) * scale * bpp * kH * scale; }
};

enum Op { kBlit, kTrans, kMask, kMerge };

void Run(benchmark::State &state, uint32_t flags, Op op, bool wide)
{
    const int was = ZorbSetMMX(2);
    if (ZorbSetMMX(wide ? 1 : 0) != (wide ? 1 : 0)) {
        state.SkipWithError("wide loops not available");
        return;
    }
    Setup s(flags);
    for (auto _ : state) {
        switch (op) {
        case kBlit:
            ZorbBlit(s.h, s.dst.data(), s.dstPitch, 0, 0, s.src.data(), kW, 0, 0, kW, kH);
            break;
        case kTrans:
            ZorbBlitTrans(s.h, s.dst.data(), s.dstPitch, 0, 0, s.src.data(), kW, 0, 0, kW, kH, 0);
            break;
        case kMask:
            ZorbBlitMask(s.h, s.dst.data(), s.dstPitch, 0, 0, s.src.data(), kW, 0, 0, kW, kH, 0, s.src2.data());
            break;
        case kMerge:
            ZorbBlitMerge(s.h, s.dst.data(), s.dstPitch, 0, 0, s.src.data(), kW, 0, 0, kW, kH, 0, s.src2.data());
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * s.DstBytes());
    ZorbSetMMX(was ? 1 : 0);
}

// memcpy of as many bytes as the mode writes: the baseline.
void Copy(benchmark::State &state, uint32_t flags)
{
    Setup s(flags);
    std::vector<uint8_t> from(s.dst.size(), 7);
    for (auto _ : state) {
        std::memcpy(s.dst.data(), from.data(), s.dst.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * s.DstBytes());
}

struct Case {
    const char *name;
    uint32_t flags;
    Op op;
    bool hasWide;
};

const Case kCases[] = {
    {"8-bit 1x", 0x0, kBlit, false},
    {"8-bit 2x", 0x2, kBlit, true},
    {"8-bit 2x Interlaced", 0x8, kBlit, true},
    {"8-bit 2x Smoothing", 0x4, kBlit, false},
    {"16-bit 1x", 0xC0000000u, kBlit, false},
    {"16-bit 2x", 0xC0000002u, kBlit, true},
    {"16-bit 2x Interlaced", 0xC0000008u, kBlit, true},
    {"16-bit 2x Smoothing", 0xC0000004u, kBlit, false},
    {"Trans", 0x0, kTrans, true},
    {"Mask", 0x0, kMask, true},
    {"Merge", 0x0, kMerge, true},
};

const bool kRegistered = [] {
    for (const Case &c : kCases) {
        const std::string base = c.name;
        benchmark::RegisterBenchmark((base + "/plain").c_str(), Run, c.flags, c.op, false);
        if (c.hasWide)
            benchmark::RegisterBenchmark((base + "/wide").c_str(), Run, c.flags, c.op, true);
        benchmark::RegisterBenchmark((base + "/memcpy").c_str(), Copy, c.flags);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
