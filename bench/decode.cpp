// Video decode speed on generated content: 320x240 and 640x480, 8-bit and
// 16-bit output, five kinds of content (mostly skipped blocks, mostly
// two-colour blocks, all full blocks, and photographs panned slowly, plain
// and dithered, as the compressor codes them), for the table-driven plain
// loop, the wide loop and the plain bit-by-bit reference walk. Each figure
// carries "x_ref", its speed as a multiple of the reference walk on the same
// content measured in the same run, plus frames per second and time per tree
// value (thread CPU time).
//
// BM_WholeFile runs whole processes on a 120-frame photographic clip, in
// turn: `zbxinfo --dump` (open, read, decode and write out every frame) and
// `zstd -d` of the same raw frames (pictures and palettes, as the dump
// writes them), both writing into memory (/dev/shm). "x_zstd" is the speed
// of the first as a multiple of the second (CPU time of the child processes).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "codec/video.h"
#include "codec/zorb.h"
#include "encoder/encoder.h"
#include "tests/support/photo_source.h"
#include "tests/support/zbxgen.h"

extern char **environ;

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

// Content kinds: the generator's, then photographs coded by the compressor.
constexpr int kPhoto = 16, kPhotoDithered = 17;

std::string ScratchName(const char *what)
{
    return "/tmp/zorb_bench_decode_" + std::to_string(::getpid()) + what;
}

struct Clip {
    ZorbHandle *h = nullptr;
    std::vector<std::vector<uint8_t>> video; // video data of frames 1..kFrames
    uint64_t values = 0;                     // tree values in those frames
    uint32_t width = 0, height = 0;
    ~Clip() { ZorbClose(h); }
};

// A photographic clip as the compressor codes it (lossless); raw, when given,
// receives every frame's picture and 8-bit palette.
bool WritePhotoFile(uint32_t w, uint32_t h, bool dithered, uint32_t frames, const std::string &path,
                    std::vector<uint8_t> *raw = nullptr)
{
    photo::Options o;
    o.width = w;
    o.height = h;
    o.dithered = dithered;
    ZencParams p{};
    p.width = w;
    p.height = h;
    p.frameRate = 40;
    ZENC *enc = ZencOpen(&p);
    if (!enc)
        return false;
    const auto palette = photo::Palette8(o);
    for (uint32_t i = 0; i < frames; ++i) {
        const std::vector<uint8_t> px = photo::Frame(o, i);
        ZencAddFrame(enc, px.data(), w, palette.data());
        if (raw) {
            raw->insert(raw->end(), px.begin(), px.end());
            raw->insert(raw->end(), palette.begin(), palette.end());
        }
    }
    const bool ok = ZencWrite(enc, path.c_str(), nullptr) == 1;
    ZencClose(enc);
    return ok;
}

// Opens a generated file and keeps the video data of its frames.
std::unique_ptr<Clip> MakeClip(uint32_t w, uint32_t h, int kind)
{
    const std::string path = ScratchName(".zbx");
    if (kind >= kPhoto) {
        if (!WritePhotoFile(w, h, kind == kPhotoDithered, kFrames + 1, path))
            return nullptr;
    } else {
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
            f.picture = static_cast<Content>(kind) == Content::Full
                            ? SmoothFull(w, h, rng, static_cast<uint32_t>(i) * 3)
                            : MakePicture(w, h, static_cast<Content>(kind), rng, &d.frames.back().picture);
            d.frames.push_back(f);
        }
        WriteBytes(Build(d), path);
    }
    auto clip = std::make_unique<Clip>();
    clip->width = w;
    clip->height = h;
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

Clip *GetClip(uint32_t w, uint32_t h, int kind)
{
    static std::map<std::tuple<uint32_t, uint32_t, int>, std::unique_ptr<Clip>> cache;
    auto &c = cache[{w, h, kind}];
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

uint64_t DecodeAll(Clip &c, Target &t, DecodePath path)
{
    uint64_t values = 0;
    for (const auto &v : c.video)
        values += zorb::DecodeVideo(*c.h->TreeTable, v.data(), v.size(), *t.od, path).values;
    return values;
}

// Seconds per pass over the clip with the reference walk (measured once per clip and output).
double ReferenceSeconds(Clip &c, bool sixteen)
{
    static std::map<std::pair<Clip *, bool>, double> cache;
    auto it = cache.find({&c, sixteen});
    if (it != cache.end())
        return it->second;
    Target t(c, sixteen);
    c.values = DecodeAll(c, t, DecodePath::Reference); // warm up
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
    const int kind = static_cast<int>(state.range(2));
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
    const std::string name = kind == kPhoto ? "photo" : kind == kPhotoDithered ? "photo-dithered" : kinds[kind];
    state.SetLabel(name + (sixteen ? " 16-bit " : " 8-bit ") + paths[static_cast<int>(path)]);
}

void Args(benchmark::internal::Benchmark *b)
{
    for (int w : {320, 640})
        for (int sixteen : {0, 1})
            for (int k : {static_cast<int>(Content::MostlySkipped), static_cast<int>(Content::TwoColour),
                          static_cast<int>(Content::Full), kPhoto, kPhotoDithered})
                for (DecodePath p : {DecodePath::Reference, DecodePath::Table, DecodePath::Wide})
                    b->Args({w, sixteen, k, static_cast<int>(p)});
}

// CPU seconds of the finished child processes.
double ChildCpuSeconds()
{
    rusage ru;
    getrusage(RUSAGE_CHILDREN, &ru);
    auto sec = [](const timeval &t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return sec(ru.ru_utime) + sec(ru.ru_stime);
}

// Runs a program with standard output and error thrown away; true when it
// exits with status 0.
bool RunQuiet(std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_WholeFile(benchmark::State &state)
{
    const uint32_t w = static_cast<uint32_t>(state.range(0)), h = w * 3 / 4;
    const bool dithered = state.range(1) != 0;
    constexpr uint32_t kClipFrames = 120;
    const std::string zbx = ScratchName(".clip.zbx"), raw = ScratchName(".raw"), packed = raw + ".zst";
    const std::string shm = "/dev/shm/zorb_bench_decode_" + std::to_string(::getpid());
    std::vector<uint8_t> frames;
    bool ok = WritePhotoFile(w, h, dithered, kClipFrames, zbx, &frames);
    if (ok) {
        FILE *f = std::fopen(raw.c_str(), "wb");
        ok = f && std::fwrite(frames.data(), 1, frames.size(), f) == frames.size();
        if (f)
            ok = std::fclose(f) == 0 && ok;
    }
    ok = ok && RunQuiet({"zstd", "-q", "-f", raw, "-o", packed});
    double ours = 0, theirs = 0;
    uint64_t runs = 0;
    for (auto _ : state) {
        if (!ok)
            break;
        double t0 = ChildCpuSeconds();
        ok = RunQuiet({ZORB_BINARY_DIR "/bin/zbxinfo", "--dump", shm + "_dump", zbx});
        const double t1 = ChildCpuSeconds();
        ok = ok && RunQuiet({"zstd", "-d", "-q", "-f", packed, "-o", shm + ".raw"});
        const double t2 = ChildCpuSeconds();
        ours += t1 - t0;
        theirs += t2 - t1;
        ++runs;
    }
    std::error_code ec;
    std::filesystem::remove_all(shm + "_dump", ec);
    for (const std::string &name : {zbx, raw, packed, shm + ".raw"})
        std::remove(name.c_str());
    if (!ok || runs == 0 || ours <= 0) {
        state.SkipWithError("zbxinfo or zstd failed (is zstd installed?)");
        return;
    }
    state.counters["fps"] = kClipFrames * static_cast<double>(runs) / ours;
    state.counters["zstd_fps"] = kClipFrames * static_cast<double>(runs) / theirs;
    state.counters["x_zstd"] = theirs / ours;
    state.SetLabel(std::string(dithered ? "photo-dithered" : "photo") + ", zbxinfo --dump vs zstd -d, 120 frames");
}

// The decode of a whole given file, as the browser's benchmark page measures
// it (web/bench.js): open preloaded, every frame decoded into an 8-bit
// picture in file order, close. The file is named by ZORB_BENCH_FILE
// (scripts/web-bench.sh gives the demo); "fps" is frames per second of
// wall time, as the page measures.
void BM_DecodeFile(benchmark::State &state)
{
    const char *path = std::getenv("ZORB_BENCH_FILE");
    if (!path || !*path) {
        state.SkipWithError("ZORB_BENCH_FILE names no file");
        return;
    }
    uint64_t frames = 0;
    for (auto _ : state) {
        ZorbHandle *h = ZorbOpen(const_cast<char *>(path), ZORB_OPEN_PRELOAD, -1);
        if (!h) {
            state.SkipWithError(ZorbLastOpenError());
            return;
        }
        std::vector<uint8_t> picture(size_t{h->Width} * h->Height);
        if (!picture.empty())
            ZorbSetOutput(h, 0, 0, h->Width, h->Height, picture.data(), 0);
        const uint32_t n = h->FrameCount + (h->HeaderFlags & ZBX_RING_FRAME ? 1u : 0u);
        for (uint32_t i = 0; i < n && !h->ReadFailed; ++i) {
            if (i > 0)
                ZorbAdvanceFrame(h);
            ZorbDecodeFrame(h);
            benchmark::DoNotOptimize(picture.data());
        }
        frames += n;
        ZorbClose(h);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.SetLabel(path);
}

} // namespace

BENCHMARK(BM_Decode)->Apply(Args)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeFile)->Args({320, 0})->Args({320, 1})->Args({640, 0})->Iterations(10)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DecodeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

BENCHMARK_MAIN();
