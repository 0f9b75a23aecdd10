// The same frames written three ways: the lossless Zorblax file, our FLC and
// the GIF images that GraphicsMagick writes (one file per frame, the toolkit's
// GIF output kind). Sizes and write speeds of each, with their ratios to the
// Zorblax file, measured in one run: the demo animation, a sprite moving over
// a still picture (small changes; 320 x 200, so the flic uses LC deltas), a
// panning picture (the whole frame changes each time) and a photograph panned
// slowly at 320 x 240, quantised to 256 colours plainly and with dithering.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "encoder/encoder.h"
#include "tests/support/photo_source.h"
#include "vexutil/vexutil.h"

namespace {

constexpr uint32_t kFrames = 30;

struct Clip {
    uint32_t width = 0, height = 0;
    std::vector<std::vector<uint8_t>> pixels, palettes;
};

// 0: the demo at 320 x 240; 1: a moving sprite at 320 x 200; 2: a pan at 640 x 480;
// 3 and 4: a photograph at 320 x 240, plain and dithered.
const Clip &Material(int kind)
{
    static Clip clips[5];
    Clip &c = clips[kind];
    if (!c.pixels.empty())
        return c;
    if (kind >= 3) {
        photo::Options o;
        o.dithered = kind == 4;
        c.width = o.width;
        c.height = o.height;
        const auto palette = photo::Palette8(o);
        for (uint32_t t = 0; t < kFrames; ++t) {
            c.pixels.push_back(photo::Frame(o, t));
            c.palettes.emplace_back(palette.begin(), palette.end());
        }
        return c;
    }
    c.width = kind == 2 ? 640 : 320;
    c.height = kind == 0 ? 240 : kind == 1 ? 200 : 480;
    std::vector<uint8_t> still(size_t(c.width) * c.height), pal(768);
    for (int i = 0; i < 768; ++i)
        pal[size_t(i)] = static_cast<uint8_t>((i / 3) * (1 + i % 3) & 0xFC);
    uint32_t seed = 1;
    for (uint32_t y = 0; y < c.height; ++y)
        for (uint32_t x = 0; x < c.width; ++x) {
            seed = seed * 1103515245u + 12345u;
            still[y * c.width + x] = static_cast<uint8_t>(((x / 16 + y / 16) * 9 + (seed >> 28)) & 0xFF);
        }
    for (uint32_t t = 0; t < kFrames; ++t) {
        std::vector<uint8_t> px(still.size()), p = pal;
        if (kind == 0) {
            ZencDemoFrame(t * 5, 150, c.width, c.height, px.data(), p.data());
        } else if (kind == 1) {
            px = still;
            for (uint32_t y = 0; y < 32; ++y)
                for (uint32_t x = 0; x < 32; ++x)
                    px[(40 + y + t) * c.width + 20 + x + 6 * t] = static_cast<uint8_t>(200 + (x ^ y) % 8);
        } else {
            for (uint32_t y = 0; y < c.height; ++y)
                for (uint32_t x = 0; x < c.width; ++x)
                    px[y * c.width + x] = still[y * c.width + (x + 7 * t) % c.width];
        }
        c.pixels.push_back(std::move(px));
        c.palettes.push_back(std::move(p));
    }
    return c;
}

std::string Temp(const std::string &suffix)
{
    return "/tmp/zorb-gout-bench-" + std::to_string(getpid()) + suffix;
}

uint64_t FileSize(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

uint64_t WriteZbx(const Clip &c)
{
    ZencParams p{};
    p.width = c.width;
    p.height = c.height;
    p.frameRate = -6667;
    ZENC *enc = ZencOpen(&p);
    for (uint32_t i = 0; i < kFrames; ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    const std::string out = Temp(".zbx");
    const int ok = ZencWrite(enc, out.c_str(), nullptr);
    ZencClose(enc);
    const uint64_t size = ok ? FileSize(out) : 0;
    unlink(out.c_str());
    return size;
}

uint64_t WriteFlc(const Clip &c)
{
    const std::string out = Temp(".flc");
    VEXOFLIC *f = VEXOFlicCreate(out.c_str(), c.width, c.height, -6667);
    for (uint32_t i = 0; i < kFrames; ++i)
        VEXOFlicPutNext(f, c.pixels[i].data(), c.palettes[i].data());
    const uint64_t size = VEXOFlicClose(f);
    unlink(out.c_str());
    return size;
}

uint64_t WriteGif(const Clip &c)
{
    const std::string out = Temp(".gif");
    OGFILE *og =
        OGFileCreate(nullptr, out.c_str(), 0, kFrames, c.width, c.height, c.width, -6667, nullptr, OGFILE_OVERWRITE);
    for (uint32_t i = 0; i < kFrames; ++i)
        OGFilePut(og, c.pixels[i].data(), c.palettes[i].data());
    const uint64_t size = OGFileClose(og);
    for (uint32_t i = 0; i < kFrames; ++i) {
        char n[16];
        std::snprintf(n, sizeof n, "%02u.gif", i);
        unlink(Temp(n).c_str());
    }
    return size;
}

template <class F>
double Seconds(F &&f, uint64_t &bytes)
{
    const auto t0 = std::chrono::steady_clock::now();
    bytes = f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_OutputSizesAndSpeeds(benchmark::State &state)
{
    const Clip &c = Material(static_cast<int>(state.range(0)));
    uint64_t zbx = 0, flc = 0, gif = 0;
    double tz = 0, tf = 0, tg = 0;
    for (auto _ : state) {
        tz += Seconds([&] { return WriteZbx(c); }, zbx);
        tf += Seconds([&] { return WriteFlc(c); }, flc);
        tg += Seconds([&] { return WriteGif(c); }, gif);
    }
    const double n = static_cast<double>(state.iterations()) * kFrames;
    state.counters["zbx_bytes"] = static_cast<double>(zbx);
    state.counters["flc_bytes"] = static_cast<double>(flc);
    state.counters["gif_bytes"] = static_cast<double>(gif);
    state.counters["flc_vs_zbx_size"] = zbx ? static_cast<double>(flc) / static_cast<double>(zbx) : 0;
    state.counters["gif_vs_zbx_size"] = zbx ? static_cast<double>(gif) / static_cast<double>(zbx) : 0;
    state.counters["zbx_ms_per_frame"] = 1000 * tz / n;
    state.counters["flc_ms_per_frame"] = 1000 * tf / n;
    state.counters["gif_ms_per_frame"] = 1000 * tg / n;
    state.counters["flc_speed_vs_zbx"] = tf > 0 ? tz / tf : 0;
    state.counters["gif_speed_vs_zbx"] = tg > 0 ? tz / tg : 0;
}
BENCHMARK(BM_OutputSizesAndSpeeds)->DenseRange(0, 4)->ArgName("clip")->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
