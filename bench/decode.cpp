// Video decode speed on generated content: 320x240 and 640x480, 8-bit and
// 16-bit output, three kinds of content (mostly skipped blocks, mostly
// two-colour blocks, all full blocks), for the table-driven plain loop, the
// wide loop and the plain bit-by-bit reference walk. Each figure carries
// "x_ref", its speed as a multiple of the reference walk on the same content
// measured in the same run, plus frames per second and time per tree value
// (thread CPU time).
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unistd.h>

#include "codec/video.h"
#include "codec/zorb.h"
#include "tests/support/zbxgen.h"

namespace {

using namespace zbxgen;

// Thread CPU seconds: the machine is shared, wall time is not ours.
double CpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Full-block content as pictures have it: a smooth gradient with a little
// noise, so that every block has more than two colours but neighbouring
// pixels are alike.
std::vector<uint8_t> SmoothFull(uint32_t w, uint32_t h, Rng &rng, uint32_t shift)
{
    std::vector<uint8_t> p(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            p[size_t{y} * w + x] = static_cast<uint8_t>((x + y + shift) / 4 + (x & 1) + (y & 1) * 2 + rng.Below(3));
    return p;
}
using zorb::DecodePath;

constexpr int kFrames = 8; // frames cycled by a run (after a first, fully new frame)

struct Clip {
    ZorbHandle *h = nullptr;
    std::vector<std::vector<uint8_t>> video; // video data of frames 1..kFrames
    uint64_t values = 0;                     // tree values in those frames
    uint32_t width = 0, height = 0;
    ~Clip() { ZorbClose(h); }
};

// Opens a generated file and keeps the video data of its frames.
std::unique_ptr<Clip> MakeClip(uint32_t w, uint32_t h, Content kind)
{
    Rng rng(w * 7 + static_cast<uint32_t>(kind));
    Description d;
    d.width = w;
    d.height = h;
    d.options.variety = false;
    Frame first;
    first.picture = SmoothFull(w, h, rng, 0);
    first.palette = RandomPalette(rng);
    d.frames.push_back(first);
    for (int i = 0; i < kFrames; ++i) {
        Frame f;
        f.picture = kind == Content::Full ? SmoothFull(w, h, rng, static_cast<uint32_t>(i) * 3)
                                          : MakePicture(w, h, kind, rng, &d.frames.back().picture);
        d.frames.push_back(f);
    }
    Stats stats;
    const auto bytes = Build(d, &stats);
    auto clip = std::make_unique<Clip>();
    clip->width = w;
    clip->height = h;
    for (int i = 1; i <= kFrames; ++i)
        clip->values += stats.treeValuesPerFrame[static_cast<size_t>(i)];
    const std::string path = "/tmp/zorb_bench_decode_" + std::to_string(::getpid()) + ".zbx";
    WriteBytes(bytes, path);
    clip->h = ZorbOpen(const_cast<char *>(path.c_str()), ZORB_OPEN_PRELOAD | ZORB_OPEN_HEIGHT_NONE, -1);
    std::remove(path.c_str());
    if (!clip->h)
        return nullptr;
    for (int i = 1; i <= kFrames; ++i) {
        ZorbAdvanceFrame(clip->h);
        const uint8_t *v = clip->h->VideoChunk, *end = clip->h->FrameData + clip->h->CurrentFrameSize;
        clip->video.emplace_back(v, end);
    }
    return clip;
}

Clip *GetClip(uint32_t w, uint32_t h, Content kind)
{
    static std::map<std::tuple<uint32_t, uint32_t, int>, std::unique_ptr<Clip>> cache;
    auto &c = cache[{w, h, static_cast<int>(kind)}];
    if (!c)
        c = MakeClip(w, h, kind);
    return c.get();
}

struct Target {
    std::vector<uint64_t> block;
    zorb::OutputDescriptor *od;
    std::vector<uint8_t> pixels;
    Target(const Clip &c, bool sixteen)
    {
        const size_t n = zorb::OutputBlockSize(c.width, c.height, sixteen);
        block.assign(n / 8 + 1, 0);
        const uint32_t bpp = sixteen ? 2 : 1;
        pixels.assign(size_t{c.width} * c.height * bpp, 0);
        od = zorb::SetupOutput(block.data(), n, c.width, c.height, 0, 0, 0, c.width * bpp, c.height, pixels.data(),
                               sixteen ? 0xC0000000u : 0);
        if (od->colourTable16)
            for (int i = 0; i < 256; ++i)
                od->colourTable16[i] = static_cast<uint16_t>(i * 0x0101);
    }
};

void DecodeAll(Clip &c, Target &t, DecodePath path)
{
    for (const auto &v : c.video)
        zorb::DecodeVideo(*c.h->TreeTable, v.data(), v.size(), *t.od, path);
}

// Seconds per pass over the clip with the reference walk (measured once per clip and output).
double ReferenceSeconds(Clip &c, bool sixteen)
{
    static std::map<std::pair<Clip *, bool>, double> cache;
    auto it = cache.find({&c, sixteen});
    if (it != cache.end())
        return it->second;
    Target t(c, sixteen);
    DecodeAll(c, t, DecodePath::Reference); // warm up
    int passes = 0;
    const double start = CpuSeconds();
    double elapsed = 0;
    do {
        DecodeAll(c, t, DecodePath::Reference);
        ++passes;
        elapsed = CpuSeconds() - start;
    } while (elapsed < 0.3);
    return cache[{&c, sixteen}] = elapsed / passes;
}

void BM_Decode(benchmark::State &state)
{
    const uint32_t w = static_cast<uint32_t>(state.range(0)), h = w * 3 / 4;
    const bool sixteen = state.range(1) != 0;
    const auto kind = static_cast<Content>(state.range(2));
    const auto path = static_cast<DecodePath>(state.range(3));
    Clip *c = GetClip(w, h, kind);
    if (!c) {
        state.SkipWithError("cannot open the generated clip");
        return;
    }
    Target t(*c, sixteen);
    const double ref = ReferenceSeconds(*c, sixteen);
    uint64_t passes = 0;
    const double start = CpuSeconds();
    for (auto _ : state) {
        DecodeAll(*c, t, path);
        benchmark::ClobberMemory();
        ++passes;
    }
    const double per = (CpuSeconds() - start) / static_cast<double>(passes);
    state.counters["fps"] = kFrames / per;
    state.counters["ns_per_value"] = per * 1e9 / static_cast<double>(c->values);
    state.counters["x_ref"] = ref / per;
    static const char *kinds[] = {"random", "full", "two-colour", "fill", "mostly-skipped"};
    static const char *paths[] = {"reference", "table", "wide"};
    state.SetLabel(std::string(kinds[static_cast<int>(kind)]) + (sixteen ? " 16-bit " : " 8-bit ") +
                   paths[static_cast<int>(path)]);
}

void Args(benchmark::internal::Benchmark *b)
{
    for (int w : {320, 640})
        for (int sixteen : {0, 1})
            for (Content k : {Content::MostlySkipped, Content::TwoColour, Content::Full})
                for (DecodePath p : {DecodePath::Reference, DecodePath::Table, DecodePath::Wide})
                    b->Args({w, sixteen, static_cast<int>(k), static_cast<int>(p)});
}

} // namespace

BENCHMARK(BM_Decode)->Apply(Args)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
