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

#include "codec/format.h"
#include "platform/platform.h"
#include "tools/common/demo_content.h"

namespace {

std::string g_error; // why the last write failed ("Error creating NAME: REASON")

// Written whole under a temporary name, then renamed into place.
bool WriteFile(const std::string &name, const std::vector<uint8_t> &data)
{
    zorb::platform::SafeFile f;
    g_error = "Error writing " + name;
    return f.Create(name, g_error) && f.Write(data.data(), data.size()) && f.Commit(data.size(), g_error);
}

bool WriteWave(const std::string &name, uint32_t rate, const std::vector<uint8_t> &pcm)
{
    zorb::platform::SafeFile f;
    g_error = "Error writing " + name;
    if (!f.Create(name, g_error))
        return false;
    PlatformRiffWriter w;
    PlatformRiffStart(&w, f.Fd());
    return PlatformWaveBegin(&w, rate, 2, 16) && PlatformRiffWrite(&w, pcm.data(), pcm.size()) && PlatformWaveEnd(&w) &&
           f.Commit(w.position, g_error);
}

} // namespace

const char kUsage[] = "Usage: zbxdemo FRAMES.raw TUNE.wav [width height frames]\n"
                      "Renders the demo animation (default 320 x 240, 150 frames at 15 per second) as a raw frame\n"
                      "file and its tune (22050 Hz, 16-bit stereo) as a wave file.\n";

int main(int argc, char **argv)
{
    if (int status = PlatformStandardOptions(argc, argv, "zbxdemo", kUsage); status >= 0)
        return status;
    if (argc < 3) {
        std::fputs(kUsage, stderr);
        return PLATFORM_EXIT_USAGE;
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
    ZbxAppend32(raw, static_cast<uint32_t>(frames));
    ZbxAppend32(raw, static_cast<uint32_t>(w));
    ZbxAppend32(raw, static_cast<uint32_t>(h));
    ZbxAppend32(raw, 6667);
    std::vector<uint8_t> px(static_cast<size_t>(w) * h);
    uint8_t pal[768];
    for (int t = 0; t < frames; ++t) {
        tool::DemoFrame(static_cast<uint32_t>(t), static_cast<uint32_t>(frames), static_cast<uint32_t>(w),
                        static_cast<uint32_t>(h), px.data(), pal);
        ZbxAppend32(raw, 0);
        raw.insert(raw.end(), pal, pal + 768);
        ZbxAppend32(raw, 1);
        raw.insert(raw.end(), px.begin(), px.end());
    }
    if (!WriteFile(argv[1], raw)) {
        std::fprintf(stderr, "zbxdemo: %s\n", g_error.c_str());
        return 1;
    }
    const uint32_t rate = 22050;
    std::vector<uint8_t> pcm(tool::DemoTune(frames / 15.0, rate, nullptr, 0));
    tool::DemoTune(frames / 15.0, rate, pcm.data(), pcm.size());
    if (!WriteWave(argv[2], rate, pcm)) {
        std::fprintf(stderr, "zbxdemo: %s\n", g_error.c_str());
        return 1;
    }
    return 0;
}
