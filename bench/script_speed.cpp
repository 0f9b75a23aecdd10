// Script speed: a counting loop of COMPUTE, IF and GOTO, one million rounds,
// run by zorbscw and, in the same run, the same loop in bash and python3.
// Reported as script commands per second and as the CPU-time ratio of each
// other interpreter to zorbscw (target: bash / zorbscw >= 10).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/child_cpu.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 1000000;

void BM_ScriptLoop(benchmark::State &state)
{
    char self[4096];
    if (!PlatformSelfPath(self, sizeof self)) {
        state.SkipWithError("no program path");
        return;
    }
    const fs::path zorbscw = fs::path(self).parent_path().parent_path() / "bin" / "zorbscw";
    const fs::path dir = fs::temp_directory_path() / ("zorb_bench_script_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path script = dir / "loop.zs", python = dir / "loop.py";
    std::ofstream(script) << "VARSET i 0\n:LOOP\nCOMPUTE i = i + 1\nIF i < " << kRounds << " GOTO \"LOOP\"\n";
    std::ofstream(python) << "i = 0\nwhile i < " << kRounds << ":\n    i = i + 1\n";
    const std::string bash = "bash -c 'i=0; while [ $i -lt " + std::to_string(kRounds) + " ]; do i=$((i+1)); done'";

    double zs = 0, sh = 0, py = 0;
    bool ok = true;
    for (auto _ : state) {
        zs += bench_support::MeasureCommand("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy '" + zorbscw.string() + "' '" +
                                                script.string() + "' 2>/dev/null",
                                            &ok);
        sh += bench_support::MeasureCommand(bash, &ok);
        py += bench_support::MeasureCommand("python3 '" + python.string() + "'", &ok);
    }
    fs::remove_all(dir);
    if (!ok) {
        state.SkipWithError("an interpreter failed");
        return;
    }
    const double runs = static_cast<double>(state.iterations());
    // Three commands a round (the last IF does not jump).
    state.counters["commands_per_s"] = 3.0 * kRounds * runs / zs;
    state.counters["bash_ratio"] = sh / zs;
    state.counters["python3_ratio"] = py / zs;
}
BENCHMARK(BM_ScriptLoop)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
