// Compression speed (frames per second) of the demo content at 320x240 and
// 640x480, lossless and at a data rate, and the size of the lossless file
// next to the same frames compressed by general-purpose compressors (xz and
// zstd, run on the machine in the same process run).
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "encoder/encoder.h"

namespace {

constexpr uint32_t kFrames = 30;

struct Material {
    uint32_t width, height;
    std::vector<std::vector<uint8_t>> pixels;
    std::vector<std::vector<uint8_t>> palettes;
};

const Material &Demo(uint32_t w, uint32_t h)
{
    static Material small, large;
    Material &m = w == 320 ? small : large;
    if (m.pixels.empty()) {
        m.width = w;
        m.height = h;
        for (uint32_t t = 0; t < kFrames; ++t) {
            std::vector<uint8_t> px(static_cast<size_t>(w) * h), pal(768);
            // The whole animation's range of palettes: frames spread over 150.
            ZencDemoFrame(t * 5, 150, w, h, px.data(), pal.data());
            m.pixels.push_back(std::move(px));
            m.palettes.push_back(std::move(pal));
        }
    }
    return m;
}

std::string TempName(const char *suffix)
{
    return std::string("/tmp/zorb-bench-") + std::to_string(getpid()) + suffix;
}

uint64_t FileSize(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

uint64_t Compress(const Material &m, int32_t value, const std::string &out)
{
    ZencParams p{};
    p.width = m.width;
    p.height = m.height;
    p.frameRate = -6667; // 15 frames per second
    p.regular = value;
    p.key = value;
    ZENC *enc = ZencOpen(&p);
    for (uint32_t i = 0; i < kFrames; ++i)
        ZencAddFrame(enc, m.pixels[i].data(), m.width, m.palettes[i].data());
    const int ok = ZencWrite(enc, out.c_str(), nullptr);
    ZencClose(enc);
    return ok ? FileSize(out) : 0;
}

// Bytes of the raw frames (pictures and palettes) through an outside
// compressor; 0 when the program is missing.
uint64_t External(const Material &m, const char *command)
{
    const std::string raw = TempName(".raw");
    FILE *f = std::fopen(raw.c_str(), "wb");
    if (!f)
        return 0;
    for (uint32_t i = 0; i < kFrames; ++i) {
        std::fwrite(m.palettes[i].data(), 1, 768, f);
        std::fwrite(m.pixels[i].data(), 1, m.pixels[i].size(), f);
    }
    std::fclose(f);
    const std::string line = std::string(command) + " < " + raw + " 2>/dev/null | wc -c";
    uint64_t bytes = 0;
    if (FILE *p = popen(line.c_str(), "r")) {
        unsigned long long n = 0;
        if (std::fscanf(p, "%llu", &n) == 1)
            bytes = n;
        pclose(p);
    }
    unlink(raw.c_str());
    return bytes;
}

void BM_Compress(benchmark::State &state)
{
    const uint32_t w = static_cast<uint32_t>(state.range(0)), h = w * 3 / 4;
    const int32_t value = static_cast<int32_t>(state.range(1));
    const Material &m = Demo(w, h);
    const std::string out = TempName(".zbx");
    uint64_t bytes = 0;
    for (auto _ : state)
        bytes = Compress(m, value, out);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames); // frames per second
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.counters["bytes_per_second_of_video"] = static_cast<double>(bytes) * 15.0 / kFrames;
    unlink(out.c_str());
}
BENCHMARK(BM_Compress)
    ->ArgsProduct({{320, 640}, {0, 150000}})
    ->ArgNames({"width", "rate"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_SizeAgainstGeneralCompressors(benchmark::State &state)
{
    const uint32_t w = static_cast<uint32_t>(state.range(0)), h = w * 3 / 4;
    const Material &m = Demo(w, h);
    const std::string out = TempName(".zbx");
    uint64_t zbx = 0, xz = 0, zstd = 0;
    for (auto _ : state) {
        zbx = Compress(m, 0, out);
        xz = External(m, "xz -6 -c");
        zstd = External(m, "zstd -19 -c");
    }
    const double raw = static_cast<double>(kFrames) * (static_cast<double>(w) * h + 768);
    state.counters["raw_bytes"] = raw;
    state.counters["zbx_lossless_bytes"] = static_cast<double>(zbx);
    state.counters["xz6_bytes"] = static_cast<double>(xz);
    state.counters["zstd19_bytes"] = static_cast<double>(zstd);
    state.counters["zbx_vs_xz"] = xz ? static_cast<double>(zbx) / static_cast<double>(xz) : 0;
    state.counters["zbx_vs_zstd"] = zstd ? static_cast<double>(zbx) / static_cast<double>(zstd) : 0;
    unlink(out.c_str());
}
BENCHMARK(BM_SizeAgainstGeneralCompressors)->Arg(320)->Arg(640)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
