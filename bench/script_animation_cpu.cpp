// CPU use of ANIMATIONPLAY: zorbscw plays the bundled demo file centred with
// its sound track, at the file's own rate, and zorbplw plays the same file,
// in the same run (headless: SDL's off-screen video, dummy audio). Reported
// as the CPU seconds of each and their ratio (target: zorbscw / zorbplw
// <= 1.5). Both wait for their frames the same way, so the ratio stays
// near 1 however busy the machine is.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/child_cpu.h"

namespace fs = std::filesystem;

namespace {

const fs::path kBuild = ZORB_BINARY_DIR;

void BM_PlayDemoCpu(benchmark::State &state)
{
    const fs::path demo = kBuild / "demo" / "demo.zbx";
    if (!fs::exists(demo)) {
        state.SkipWithError("no demo file (build the demo target)");
        return;
    }
    const fs::path dir = fs::temp_directory_path() / ("zorb_bench_anim_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path script = dir / "play.zs";
    std::ofstream(script) << "SCREENGRAPHICS ok 320 240\nANIMATIONTRACKS 1\nANIMATIONPLAY r -1 -1 1 0 \""
                          << demo.string() << "\"\n";
    const std::string env = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ";
    double scw = 0, plw = 0;
    bool ok = true;
    for (auto _ : state) {
        scw += bench_support::MeasureCommand(
            env + "'" + (kBuild / "bin" / "zorbscw").string() + "' '" + script.string() + "' 2>/dev/null", &ok);
        plw += bench_support::MeasureCommand(
            env + "'" + (kBuild / "bin" / "zorbplw").string() + "' '" + demo.string() + "' >/dev/null 2>&1", &ok);
    }
    fs::remove_all(dir);
    if (!ok) {
        state.SkipWithError("a player failed");
        return;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["zorbscw_cpu_s"] = scw / runs;
    state.counters["zorbplw_cpu_s"] = plw / runs;
    state.counters["cpu_ratio"] = scw / plw;
}
BENCHMARK(BM_PlayDemoCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
