// VEXFile speed in bytes per second: the direct 1/2/4-byte paths, the same
// values through the general byte path, bit fields, and a plain buffered copy
// of the same bytes, in one run. The file lives in /tmp (usually page cache).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "vexutil/vexutil.h"

namespace {

constexpr uint32_t kBytes = 1 << 20;

std::string benchFile()
{
    return "/tmp/zorb_bench_vexfile_" + std::to_string(getpid()) + ".bin";
}

void PutDirect8(benchmark::State &state)
{
    const std::string name = benchFile();
    for (auto _ : state) {
        VEXFILE *f = VEXFileCreate(64000, name.c_str());
        for (uint32_t i = 0; i < kBytes; ++i)
            VEXFilePut8(f, i);
        VEXFileClose(f);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void PutDirect32(benchmark::State &state)
{
    const std::string name = benchFile();
    for (auto _ : state) {
        VEXFILE *f = VEXFileCreate(64000, name.c_str());
        for (uint32_t i = 0; i < kBytes / 4; ++i)
            VEXFilePut32(f, i * 2654435761u);
        VEXFileClose(f);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

// Reference: the same bytes one at a time through the general byte path.
void PutGeneral8(benchmark::State &state)
{
    const std::string name = benchFile();
    for (auto _ : state) {
        VEXFILE *f = VEXFileCreate(64000, name.c_str());
        for (uint32_t i = 0; i < kBytes; ++i) {
            const uint8_t b = static_cast<uint8_t>(i);
            VEXFilePut(f, &b, 1);
        }
        VEXFileClose(f);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void PutBits5(benchmark::State &state)
{
    const std::string name = benchFile();
    for (auto _ : state) {
        VEXFILE *f = VEXFileCreate(64000, name.c_str());
        for (uint32_t i = 0; i < kBytes * 8 / 5; ++i)
            VEXFilePutBits(f, i, 5);
        VEXFileClose(f);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void GetDirect8(benchmark::State &state)
{
    const std::string name = benchFile();
    {
        std::vector<uint8_t> data(kBytes, 0x5A);
        FILE *out = std::fopen(name.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), out);
        std::fclose(out);
    }
    for (auto _ : state) {
        VEXFILE *f = VEXFileOpen(64000, name.c_str(), VEXFILE_READ);
        uint32_t sum = 0;
        for (uint32_t i = 0; i < kBytes; ++i)
            sum += VEXFileGet8(f);
        benchmark::DoNotOptimize(sum);
        VEXFileClose(f);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void GetBits5(benchmark::State &state)
{
    const std::string name = benchFile();
    {
        std::vector<uint8_t> data(kBytes, 0xA5);
        FILE *out = std::fopen(name.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), out);
        std::fclose(out);
    }
    for (auto _ : state) {
        VEXFILE *f = VEXFileOpen(64000, name.c_str(), VEXFILE_READ);
        uint32_t sum = 0;
        for (uint32_t i = 0; i < kBytes * 8 / 5; ++i)
            sum += VEXFileGetBits(f, 5);
        benchmark::DoNotOptimize(sum);
        VEXFileClose(f);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

// Baseline: the same bytes written with stdio in one call.
void CopySameBytes(benchmark::State &state)
{
    const std::string name = benchFile();
    std::vector<uint8_t> data(kBytes);
    for (uint32_t i = 0; i < kBytes; ++i)
        data[i] = static_cast<uint8_t>(i);
    for (auto _ : state) {
        FILE *out = std::fopen(name.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), out);
        std::fclose(out);
    }
    unlink(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

BENCHMARK(PutDirect8)->Unit(benchmark::kMillisecond);
BENCHMARK(PutDirect32)->Unit(benchmark::kMillisecond);
BENCHMARK(PutGeneral8)->Unit(benchmark::kMillisecond);
BENCHMARK(PutBits5)->Unit(benchmark::kMillisecond);
BENCHMARK(GetDirect8)->Unit(benchmark::kMillisecond);
BENCHMARK(GetBits5)->Unit(benchmark::kMillisecond);
BENCHMARK(CopySameBytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
