// The bundled demo's material: a procedural animation (a moving plasma
// whose palette cycles, a bouncing ball, a status bar, and a palette change
// half way) and a short tune. Used by the demo generator, tests and benchmarks.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "codec/format.h"
#include "tools/common/demo_content.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void MakePalette(int t, int frames, uint8_t pal[768])
{
    const bool cool = t >= frames / 2;
    for (int i = 0; i < 192; ++i) {
        const double a = 2 * kPi * ((i + t) % 192) / 192.0;
        double r = 0.5 + 0.5 * std::sin(a), g = 0.5 + 0.5 * std::sin(a + 2.1), b = 0.5 + 0.5 * std::sin(a + 4.2);
        if (cool) {
            r *= 0.3;
            g = 0.3 + 0.7 * g;
        } else {
            b *= 0.35;
        }
        pal[i * 3] = static_cast<uint8_t>(static_cast<int>(r * 63) << 2);
        pal[i * 3 + 1] = static_cast<uint8_t>(static_cast<int>(g * 63) << 2);
        pal[i * 3 + 2] = static_cast<uint8_t>(static_cast<int>(b * 63) << 2);
    }
    for (int i = 192; i < 256; ++i) {
        const int v = (i - 192) * 63 / 63;
        pal[i * 3] = static_cast<uint8_t>(v << 2);
        pal[i * 3 + 1] = static_cast<uint8_t>(v << 2);
        pal[i * 3 + 2] = static_cast<uint8_t>(std::min(63, v + 8) << 2);
    }
    pal[255 * 3] = 63 << 2; // the ball
    pal[255 * 3 + 1] = 63 << 2;
    pal[255 * 3 + 2] = 0;
}

void RenderFrame(int t, int w, int h, std::vector<uint8_t> &px)
{
    px.assign(static_cast<size_t>(w) * h, 0);
    // The plasma moves slowly; its indexes stay still in most places while
    // the palette cycles, so the colour motion costs little.
    const double phase = t * 0.05;
    const double bx = w / 2 + (w / 2 - 24) * std::sin(t * 0.11),
                 by = h / 2 + (h / 2 - 24) * std::fabs(std::cos(t * 0.17));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t v;
            if (y >= h - 24) {
                // A status bar with a moving marker.
                v = static_cast<uint8_t>(200 + ((x / 8 + (x > (t * 2) % w ? 0 : 20)) % 40));
            } else {
                const double s = std::sin(x / 23.0 + phase) + std::sin(y / 17.0 - phase * 0.7) +
                                 std::sin((x + y) / 31.0 + phase * 0.4);
                v = static_cast<uint8_t>(static_cast<int>((s + 3) / 6 * 191.99) & 0xFC); // 48 bands
            }
            const double dx = x - bx, dy = y - by;
            if (dx * dx + dy * dy < 18 * 18)
                v = 255;
            px[static_cast<size_t>(y) * w + x] = v;
        }
    }
}

std::vector<uint8_t> RenderTune(double seconds, uint32_t rate)
{
    // A little melody over a slow chord, the melody panned left to right.
    static const int kMelody[] = {0, 4, 7, 12, 7, 4, 2, 5, 9, 14, 9, 5, 4, 7, 11, 16, 11, 7, 0, 12};
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<uint8_t> out;
    out.reserve(frames * 4);
    const double noteLength = 0.5;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const int note = static_cast<int>(t / noteLength);
        const double inNote = t - note * noteLength;
        const double f = 261.63 * std::pow(2.0, kMelody[note % 20] / 12.0);
        const double env = std::exp(-inNote * 5.0) * std::min(1.0, inNote * 200.0);
        const double melody = 0.35 * env * std::sin(2 * kPi * f * t);
        const double chord =
            0.08 * (std::sin(2 * kPi * 130.81 * t) + std::sin(2 * kPi * 164.81 * t) + std::sin(2 * kPi * 196.0 * t));
        const double pan = 0.5 + 0.5 * std::sin(t * 0.8);
        const double l = melody * (1 - pan) + chord, r = melody * pan + chord;
        ZbxAppend16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(l * 32000))));
        ZbxAppend16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(r * 32000))));
    }
    return out;
}

} // namespace

namespace tool {

void DemoFrame(uint32_t t, uint32_t frames, uint32_t width, uint32_t height, uint8_t *pixels, uint8_t *palette)
{
    MakePalette(static_cast<int>(t), static_cast<int>(frames), palette);
    std::vector<uint8_t> px;
    RenderFrame(static_cast<int>(t), static_cast<int>(width), static_cast<int>(height), px);
    std::memcpy(pixels, px.data(), px.size());
}

size_t DemoTune(double seconds, uint32_t rate, uint8_t *out, size_t size)
{
    const std::vector<uint8_t> pcm = RenderTune(seconds, rate);
    if (out)
        std::memcpy(out, pcm.data(), std::min(size, pcm.size()));
    return pcm.size();
}

} // namespace tool
