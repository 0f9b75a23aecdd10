// Script speed: a counting loop of COMPUTE, IF and GOTO, one million rounds,
// run by zorbscw and, in the same run, the same loop in bash and python3, and
// by zorbscw again with 300 variables defined before the counter and 500
// labels after the loop's label. Reported as script commands per second and
// as CPU-time ratios: python3_ratio = python3 / zorbscw (target >= 1),
// bash_ratio = bash / zorbscw (target >= 20), many_names_ratio = the loop with
// 300 variables and 500 labels / the plain loop (target <= 1.3).
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
    const fs::path script = dir / "loop.zs", crowded = dir / "crowded.zs", python = dir / "loop.py";
    const std::string loop =
        "VARSET i 0\n:LOOP\nCOMPUTE i = i + 1\nIF i < " + std::to_string(kRounds) + " GOTO \"LOOP\"\n";
    std::ofstream(script) << loop;
    {
        std::ofstream many(crowded);
        for (int v = 0; v < 300; ++v)
            many << "VARSET filler" << v << " " << v << "\n";
        many << loop << "GOTO \"DONE\"\n";
        for (int l = 0; l < 500; ++l)
            many << ":LABEL" << l << "\n";
        many << ":DONE\n";
    }
    std::ofstream(python) << "i = 0\nwhile i < " << kRounds << ":\n    i = i + 1\n";
    const std::string bash = "bash -c 'i=0; while [ $i -lt " + std::to_string(kRounds) + " ]; do i=$((i+1)); done'";

    double zs = 0, many = 0, sh = 0, py = 0;
    bool ok = true;
    auto run = [&](const fs::path &file) {
        return bench_support::MeasureCommand("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy '" + zorbscw.string() +
                                                 "' --unattended '" + file.string() + "' 2>/dev/null",
                                             &ok);
    };
    for (auto _ : state) {
        zs += run(script);
        many += run(crowded);
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
    state.counters["many_names_ratio"] = many / zs;
}
BENCHMARK(BM_ScriptLoop)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
