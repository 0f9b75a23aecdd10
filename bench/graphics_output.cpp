// The same frames written several ways: the lossless Zorblax file, our FLC,
// our animated GIF and animated lossless WebP, and as the reference for the
// GIF the output of `gifsicle -O3` on a plain animated GIF of the frames (full
// frames, skipped when gifsicle is not installed). Sizes, write speeds and
// (Zorblax, GIF, WebP) read speeds through the graphics input, with their
// ratios to the Zorblax file, measured in one run: the demo animation, a
// sprite moving over a still picture (small changes; 320 x 200, so the flic
// uses LC deltas), a panning picture (the whole frame changes each time) and a
// photograph panned slowly at 320 x 240, quantised to 256 colours plainly and
// with dithering.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "encoder/encoder.h"
#include "tests/support/photo_source.h"
#include "tools/common/demo_content.h"
#include "vexutil/vexutil.h"

namespace {

constexpr uint32_t kFrames = 120;

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
            tool::DemoFrame(t * 5, 150, c.width, c.height, px.data(), p.data());
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

uint64_t WriteZbx(const Clip &c, const std::string &out)
{
    ZencParams p{};
    p.width = c.width;
    p.height = c.height;
    p.frameRate = -6667;
    ZENC *enc = ZencOpen(&p);
    for (uint32_t i = 0; i < kFrames; ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    const int ok = ZencWrite(enc, out.c_str(), nullptr);
    ZencClose(enc);
    return ok ? FileSize(out) : 0;
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

// The frames as one animated GIF, .webp or the like through OGFile; the file
// stays for reading.
uint64_t WriteAnimated(const Clip &c, const std::string &out)
{
    OGFILE *og =
        OGFileCreate(nullptr, out.c_str(), 0, kFrames, c.width, c.height, c.width, -6667, nullptr, OGFILE_OVERWRITE);
    for (uint32_t i = 0; i < kFrames; ++i)
        OGFilePut(og, c.pixels[i].data(), c.palettes[i].data());
    return OGFileClose(og);
}

// Every frame through the graphics input, as a converter reads them.
uint64_t ReadAll(const std::string &name)
{
    GFILE *g = GFileOpen(name.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr);
    uint64_t frames = 0;
    while (g && frames < g->frames && GFileGet(g))
        ++frames;
    GFileClose(g);
    return frames;
}

bool HaveGifsicle()
{
    return std::system("gifsicle --version > /dev/null 2>&1") == 0;
}

// gifsicle -O3 on a plain animated GIF of the frames: every frame whole, the
// first palette global, other palettes local.
uint64_t GifsicleSize(const Clip &c)
{
    const std::string plain = Temp("-plain.gif"), optimised = Temp("-O3.gif");
    int err = 0;
    GifFileType *g = EGifOpenFileName(plain.c_str(), false, &err);
    if (!g)
        return 0;
    auto map = [](const std::vector<uint8_t> &pal) {
        GifColorType colours[256];
        for (int i = 0; i < 256; ++i)
            colours[i] = GifColorType{pal[size_t(3 * i)], pal[size_t(3 * i + 1)], pal[size_t(3 * i + 2)]};
        return GifMakeMapObject(256, colours);
    };
    g->SWidth = static_cast<int>(c.width), g->SHeight = static_cast<int>(c.height), g->SColorResolution = 8;
    g->SColorMap = map(c.palettes[0]);
    for (uint32_t i = 0; i < kFrames; ++i) {
        SavedImage *s = GifMakeSavedImage(g, nullptr);
        s->ImageDesc = GifImageDesc{0,          0,     g->SWidth,
                                    g->SHeight, false, c.palettes[i] == c.palettes[0] ? nullptr : map(c.palettes[i])};
        s->RasterBits = static_cast<GifByteType *>(malloc(c.pixels[i].size()));
        std::memcpy(s->RasterBits, c.pixels[i].data(), c.pixels[i].size());
        GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, 7, NO_TRANSPARENT_COLOR};
        EGifGCBToSavedExtension(&gcb, g, g->ImageCount - 1);
    }
    if (EGifSpew(g) != GIF_OK)
        return 0;
    const std::string cmd = "gifsicle -O3 " + plain + " -o " + optimised + " 2>/dev/null";
    const uint64_t size = std::system(cmd.c_str()) == 0 ? FileSize(optimised) : 0;
    unlink(plain.c_str());
    unlink(optimised.c_str());
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
    const std::string zbxName = Temp(".zbx"), gifName = Temp(".gif"), webpName = Temp(".webp");
    uint64_t zbx = 0, flc = 0, gif = 0, webp = 0, frames = 0;
    double tz = 0, tf = 0, tg = 0, tw = 0, rz = 0, rg = 0, rw = 0;
    for (auto _ : state) {
        tz += Seconds([&] { return WriteZbx(c, zbxName); }, zbx);
        tf += Seconds([&] { return WriteFlc(c); }, flc);
        tg += Seconds([&] { return WriteAnimated(c, gifName); }, gif);
        tw += Seconds([&] { return WriteAnimated(c, webpName); }, webp);
        rz += Seconds([&] { return ReadAll(zbxName); }, frames);
        rg += Seconds([&] { return ReadAll(gifName); }, frames);
        rw += Seconds([&] { return ReadAll(webpName); }, frames);
    }
    for (const std::string &n : {zbxName, gifName, webpName})
        unlink(n.c_str());
    const double n = static_cast<double>(state.iterations()) * kFrames;
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0; };
    state.counters["zbx_bytes"] = static_cast<double>(zbx);
    state.counters["flc_vs_zbx_size"] = ratio(double(flc), double(zbx));
    state.counters["gif_vs_zbx_size"] = ratio(double(gif), double(zbx));
    state.counters["webp_vs_zbx_size"] = ratio(double(webp), double(zbx));
    if (HaveGifsicle()) {
        const uint64_t reference = GifsicleSize(c);
        state.counters["gifsicle_vs_zbx_size"] = ratio(double(reference), double(zbx));
        state.counters["gif_vs_gifsicle_size"] = ratio(double(gif), double(reference));
    }
    state.counters["zbx_write_ms_per_frame"] = 1000 * tz / n;
    state.counters["flc_write_speed_vs_zbx"] = ratio(tz, tf);
    state.counters["gif_write_speed_vs_zbx"] = ratio(tz, tg);
    state.counters["webp_write_speed_vs_zbx"] = ratio(tz, tw);
    state.counters["zbx_read_ms_per_frame"] = 1000 * rz / n;
    state.counters["gif_read_speed_vs_zbx"] = ratio(rz, rg);
    state.counters["webp_read_speed_vs_zbx"] = ratio(rz, rw);
}
BENCHMARK(BM_OutputSizesAndSpeeds)->DenseRange(0, 4)->ArgName("clip")->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
