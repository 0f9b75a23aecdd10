// The analyzer's load of a 100,000-frame file (header, frame size table,
// moving average) against reading the same bytes whole: the load must stay
// far under a second.
#include "frontend/core/zbxrates.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

constexpr uint32_t kFrames = 100000;

const QString &TestFile()
{
    static const QString path = [] {
        const QString p = QDir::tempPath() + QStringLiteral("/zbench-analyzer-%1.zbx").arg(getpid());
        QByteArray b(104, '\0');
        b.replace(0, 4, "ZBX2");
        auto put = [&b](qsizetype at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b[at + i] = static_cast<char>(v >> (8 * i));
        };
        put(12, kFrames);
        put(16, static_cast<uint32_t>(-6667));
        uint64_t total = 0;
        QByteArray table(qsizetype(kFrames) * 4, '\0');
        for (uint32_t i = 0; i < kFrames; ++i) {
            const uint32_t size = 8 + (i * 2654435761u >> 28);
            total += size;
            for (int j = 0; j < 4; ++j)
                table[qsizetype(i) * 4 + j] = static_cast<char>(size >> (8 * j));
        }
        b += table;
        b += QByteArray(kFrames, '\0');
        b += QByteArray(qsizetype(total), '\x11');
        QFile f(p);
        if (f.open(QIODevice::WriteOnly))
            f.write(b);
        return p;
    }();
    return path;
}

void BM_AnalyzerLoad100k(benchmark::State &state)
{
    zfront::RateData d;
    QString error;
    for (auto _ : state) {
        if (!zfront::LoadRates(TestFile(), d, error))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(d.averages.data());
    }
    state.counters["frames"] = kFrames;
}
BENCHMARK(BM_AnalyzerLoad100k)->Unit(benchmark::kMillisecond);

// Reference: the same file read whole into memory.
void BM_ReadWholeFile(benchmark::State &state)
{
    for (auto _ : state) {
        QFile f(TestFile());
        if (!f.open(QIODevice::ReadOnly))
            state.SkipWithError("open failed");
        QByteArray all = f.readAll();
        benchmark::DoNotOptimize(all.data());
    }
}
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QFile::remove(TestFile());
    return 0;
}
