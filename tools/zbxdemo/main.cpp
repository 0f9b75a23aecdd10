// zbxdemo: renders the bundled demo's material: a procedural animation
// (moving plasma with a cycling palette, a bouncing ball and a palette change
// half way) as a raw frame file, and a short tune in 16-bit stereo as a wave
// file. The build turns them into the demo file with zorbc and zorbmix.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

void Put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t> &out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// Palette for frame t: entries 0-191 a gradient that rotates by one entry a
// frame, 192-255 fixed colours. The gradient is warm in the first half of the
// animation and cool in the second. Components are 8-bit values that keep
// their top six bits (what the file stores).
void MakePalette(int t, int frames, uint8_t pal[768]) {
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
    pal[255 * 3] = 63 << 2;  // the ball
    pal[255 * 3 + 1] = 63 << 2;
    pal[255 * 3 + 2] = 0;
}

void RenderFrame(int t, int w, int h, std::vector<uint8_t> &px) {
    px.assign(static_cast<size_t>(w) * h, 0);
    // The plasma moves slowly; its indexes stay still in most places while
    // the palette cycles, so the colour motion costs little.
    const double phase = t * 0.05;
    const double bx = w / 2 + (w / 2 - 24) * std::sin(t * 0.11), by = h / 2 + (h / 2 - 24) * std::fabs(std::cos(t * 0.17));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t v;
            if (y >= h - 24) {
                // A status bar with a moving marker.
                v = static_cast<uint8_t>(200 + ((x / 8 + (x > (t * 2) % w ? 0 : 20)) % 40));
            } else {
                const double s = std::sin(x / 23.0 + phase) + std::sin(y / 17.0 - phase * 0.7) +
                                 std::sin((x + y) / 31.0 + phase * 0.4);
                v = static_cast<uint8_t>(static_cast<int>((s + 3) / 6 * 191.99) & 0xFC);  // 48 bands
            }
            const double dx = x - bx, dy = y - by;
            if (dx * dx + dy * dy < 18 * 18) v = 255;
            px[static_cast<size_t>(y) * w + x] = v;
        }
    }
}

bool WriteFile(const std::string &name, const std::vector<uint8_t> &data) {
    FILE *f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> RenderTune(double seconds, uint32_t rate) {
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
        const double chord = 0.08 * (std::sin(2 * kPi * 130.81 * t) + std::sin(2 * kPi * 164.81 * t) +
                                     std::sin(2 * kPi * 196.0 * t));
        const double pan = 0.5 + 0.5 * std::sin(t * 0.8);
        const double l = melody * (1 - pan) + chord, r = melody * pan + chord;
        Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(l * 32000))));
        Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(r * 32000))));
    }
    return out;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "Usage: zbxdemo FRAMES.raw TUNE.wav [width height frames]\n"
                     "Renders the demo animation (default 320 x 240, 150 frames at 15 per second) as a raw frame\n"
                     "file and its tune (22050 Hz, 16-bit stereo) as a wave file.\n");
        return 2;
    }
    const int w = argc > 5 ? std::atoi(argv[3]) : 320;
    const int h = argc > 5 ? std::atoi(argv[4]) : 240;
    const int frames = argc > 5 ? std::atoi(argv[5]) : 150;
    if (w < 4 || h < 4 || frames < 1 || w > 4096 || h > 4096 || w % 4) {
        std::fprintf(stderr, "zbxdemo: bad size (the width must be a multiple of 4)\n");
        return 2;
    }
    // Raw frame file: "RAWB", frames, width, height, frame time (1/100 ms),
    // then per frame a palette (tag 0) and the pixels (tag 1).
    std::vector<uint8_t> raw;
    raw.insert(raw.end(), {'R', 'A', 'W', 'B'});
    Put32(raw, static_cast<uint32_t>(frames));
    Put32(raw, static_cast<uint32_t>(w));
    Put32(raw, static_cast<uint32_t>(h));
    Put32(raw, 6667);
    std::vector<uint8_t> px;
    uint8_t pal[768];
    for (int t = 0; t < frames; ++t) {
        MakePalette(t, frames, pal);
        Put32(raw, 0);
        raw.insert(raw.end(), pal, pal + 768);
        RenderFrame(t, w, h, px);
        Put32(raw, 1);
        raw.insert(raw.end(), px.begin(), px.end());
    }
    if (!WriteFile(argv[1], raw)) {
        std::fprintf(stderr, "zbxdemo: cannot write %s\n", argv[1]);
        return 1;
    }
    const uint32_t rate = 22050;
    std::vector<uint8_t> pcm = RenderTune(frames / 15.0, rate);
    std::vector<uint8_t> wav;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    Put32(wav, static_cast<uint32_t>(36 + pcm.size()));
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, 2);
    Put32(wav, rate);
    Put32(wav, rate * 4);
    Put16(wav, 4);
    Put16(wav, 16);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    Put32(wav, static_cast<uint32_t>(pcm.size()));
    wav.insert(wav.end(), pcm.begin(), pcm.end());
    if (!WriteFile(argv[2], wav)) {
        std::fprintf(stderr, "zbxdemo: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
