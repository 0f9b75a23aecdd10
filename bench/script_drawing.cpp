// Drawing speed of the script player on 640 x 480: filled boxes, lines, text
// and the three keyed bitmap copies, each run as script commands through the
// interpreter and, in the same run, as a plain per-pixel loop doing the same
// work. Reported in pixels per second; "vs_plain" is how many times faster
// the commands are than the plain loop (CPU time over the same
// number of iterations).
#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "script/core/interp.h"
#include "tests/support/plain_line.h"

namespace {

constexpr int kW = 640, kH = 480;
constexpr int kRepeat = 16; // commands per script run

// A window that is a block of memory.
class MemoryHost : public zscript::Host {
public:
    bool HasWindow() override { return true; }
    bool OpenScreen(int32_t width, int32_t height, int32_t, int32_t, uint32_t, const std::string &,
                    zscript::ScreenSurface &surface) override
    {
        pixels_.assign(static_cast<size_t>(width) * height, 0);
        surface.pixels = pixels_.data();
        surface.pitch = surface.width = width;
        surface.height = height;
        return true;
    }

private:
    std::vector<uint8_t> pixels_;
};

// The interpreter with a window, a destination bitmap (9000), a source
// (9001) with some keyed pixels, and a mask or background (9002).
struct Bench {
    MemoryHost host;
    zscript::Interp in;
    Bench()
    {
        in.host = &host;
        zscript::RunScriptText(in, "setup.zs",
                               "SCREENGRAPHICS ok 640 480\nBITMAPALLOC d 640 480\nBITMAPALLOC s 640 480\n"
                               "BITMAPALLOC m 640 480\n");
        std::mt19937 rng(1);
        for (int i = 1; i <= 2; ++i)
            for (auto &p : in.bitmaps.slots[i]->pixels)
                p = static_cast<uint8_t>(rng() % 8 ? rng() : 0);
    }
    uint8_t *Dst() { return in.bitmaps.slots[0]->pixels.data(); }
    const uint8_t *Src() { return in.bitmaps.slots[1]->pixels.data(); }
    const uint8_t *Extra() { return in.bitmaps.slots[2]->pixels.data(); }
};

// Per-pixel references: every pixel placed on its own, with its bounds check.
void PlainPlot(uint8_t *dst, int64_t x, int64_t y, uint8_t c)
{
    if (x >= 0 && y >= 0 && x < kW && y < kH)
        dst[y * kW + x] = c;
}

void PlainLine(uint8_t *dst, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint8_t c)
{
    zbxtest::PlainLineWalk(x1, y1, x2, y2, [&](int64_t x, int64_t y) { PlainPlot(dst, x, y, c); });
}

const char *const kText = "The quick brown fox jumps over the lazy dog. 0123456789 ABCDEFGHIJKLMNOPQRSTUVW";

void PlainText(uint8_t *dst, int64_t x, int64_t y, const std::string &text, const zscript::Font &font)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t *glyph = font.Glyph(static_cast<uint8_t>(text[i]));
        for (uint32_t r = 0; r < font.cellHeight; ++r)
            for (uint32_t c = 0; c < font.cellWidth; ++c) {
                const bool set = (glyph[r * font.RowBytes() + c / 8] & (0x80 >> (c % 8))) != 0;
                PlainPlot(dst, x + static_cast<int64_t>(i * font.cellWidth + c), y + r, set ? 7 : 0);
            }
    }
}

struct Case {
    std::string command; // one drawing command; %I% is the repetition (0 .. kRepeat - 1)
    int64_t pixels;      // pixels it draws
    std::function<void(Bench &, int)> plain;
};

Case Make(int which)
{
    switch (which) {
    case 0:
        return {"BITMAPFILLEDBOX d 0 0 640 480 i", int64_t{kW} * kH, [](Bench &b, int i) {
                    for (int y = 0; y < kH; ++y)
                        for (int x = 0; x < kW; ++x)
                            PlainPlot(b.Dst(), x, y, static_cast<uint8_t>(i));
                }};
    case 1: // lines corner to corner, shallow and steep
        return {"BITMAPLINE d 0 i 639 479 i ; BITMAPLINE d i 0 639 479 i", 640 + 480, [](Bench &b, int i) {
                    PlainLine(b.Dst(), 0, i, 639, 479, static_cast<uint8_t>(i));
                    PlainLine(b.Dst(), i, 0, 639, 479, static_cast<uint8_t>(i));
                }};
    case 2:
        return {std::string("BITMAPTEXT d 0 i '") + kText + "'", int64_t{80} * 8 * 16,
                [](Bench &b, int i) { PlainText(b.Dst(), 0, i, kText, b.in.screen.font); }};
    default: {
        const char *names[] = {"BITMAPTOBITMAPTRANS d s 0 0 0", "BITMAPTOBITMAPMASK d s m 0 0 0",
                               "BITMAPTOBITMAPMERGE d s m 0 0 0"};
        const int kind = which - 3;
        return {names[kind], int64_t{kW} * kH, [kind](Bench &b, int) {
                    uint8_t *d = b.Dst();
                    const uint8_t *s = b.Src(), *e = b.Extra();
                    for (int y = 0; y < kH; ++y)
                        for (int x = 0; x < kW; ++x) {
                            const int at = y * kW + x;
                            if (kind == 0 && s[at] != 0)
                                d[at] = s[at];
                            else if (kind == 1 && e[at] != 0)
                                d[at] = s[at];
                            else if (kind == 2)
                                d[at] = s[at] != 0 ? s[at] : e[at];
                        }
                }};
    }
    }
}

// CPU time of this thread, as the library measures the commands.
double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void Drawing(benchmark::State &state, int which)
{
    Bench b;
    const Case c = Make(which);
    const std::string script =
        "VARSET i 0\n:L\n" + c.command + "\nCOMPUTE i = i + 1\nIF i < " + std::to_string(kRepeat) + " GOTO 'L'\n";
    const double start = CpuSeconds();
    for (auto _ : state) {
        zscript::RunScriptText(b.in, "draw.zs", script);
        benchmark::ClobberMemory();
    }
    const double commands = CpuSeconds() - start;
    const double plainStart = CpuSeconds();
    for (benchmark::IterationCount n = 0; n < state.iterations(); ++n) {
        for (int i = 0; i < kRepeat; ++i)
            c.plain(b, i);
        benchmark::ClobberMemory();
    }
    const double plain = CpuSeconds() - plainStart;
    const double pixels = static_cast<double>(c.pixels) * kRepeat * static_cast<double>(state.iterations());
    state.counters["pixels/s"] = benchmark::Counter(pixels, benchmark::Counter::kIsRate);
    state.counters["plain_pixels/s"] = pixels / plain;
    state.counters["vs_plain"] = plain / commands;
}

} // namespace

BENCHMARK_CAPTURE(Drawing, FilledBox, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Drawing, Line, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Drawing, Text, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Drawing, Trans, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Drawing, Mask, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Drawing, Merge, 5)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
