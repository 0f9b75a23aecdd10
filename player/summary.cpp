// The playback summary: timing and memory figures of the last file played.
#include "player/player.h"

namespace player {
namespace {

enum Stat {
    kPlayTimeMs,
    kFramePeriod,
    kOpenTimeMs,
    kFramesDecoded,
    kFramesSkipped,
    kSoundSkips,
    kBlitTimeMs,
    kReadTimeMs,
    kDecodeTimeMs,
    kIdleReadTimeMs,
    kDeviceBytesPerSec,
    kWorstFrameMs,
    kSecondWorstFrameMs,
    kWorstFrame,
    kSecondWorstFrame,
    kMeanFrameBytes,
    kPeakMemory,
    kExtraBufferBytes,
    kPeakExtraBufferUsed,
};

std::string N(uint32_t v)
{
    return std::to_string(v);
}

// A count followed by its unit, with "s" unless the count is 1.
std::string Unit(uint32_t n, const char *unit)
{
    return N(n) + " " + unit + (n == 1 ? "" : "s");
}

} // namespace

std::string Ratio(uint64_t numerator, uint32_t divisor)
{
    uint64_t n = numerator;
    uint64_t d = divisor == 0 ? 1 : divisor;
    return std::to_string(n / d) + "." + std::to_string((n * 10 / d) % 10);
}

std::string Elapsed(uint32_t t)
{
    if (t < 1000)
        return Unit(t, "millisecond");
    if (t < 60000)
        return Unit(t / 1000, "second");
    if (t < 3600000)
        return Unit(t / 60000, "minute") + " " + Unit((t % 60000) / 1000, "second");
    return Unit(t / 3600000, "hour") + " " + Unit((t % 3600000) / 60000, "minute");
}

std::string SummaryText(const SummaryInput &in)
{
    const uint32_t *s = in.stats;
    if (s[kFramesDecoded] == 0)
        return {};
    const uint32_t play = s[kPlayTimeMs];
    std::string t;
    t += "  Frame rate: ";
    t += s[kFramePeriod] == 0 ? std::string("As fast as possible.") : Ratio(100000, s[kFramePeriod]);
    t += "\n  Frame rate obtained: " + Ratio(uint64_t{s[kFramesDecoded]} * 1000, play);
    t += "\n  Total frames played: " + N(s[kFramesDecoded]);
    t += "\n  Skipped frames: " + N(s[kFramesSkipped]);
    t += "\n  Sound skips: " + N(s[kSoundSkips]);
    t += "\n  Total playback time: " + Elapsed(play);
    t += "\n  Total open time: " + Elapsed(s[kOpenTimeMs]);
    t += "\n\n  Average frame size: " + N(s[kMeanFrameBytes]);
    t += "\n  Highest one second data rate: " + N(in.highestSecondBytes);
    t += "\n  Highest one second data rate start frame: " + N(in.highestSecondFrame);
    t += "\n  Speed of playback device: " + N(s[kDeviceBytesPerSec]);
    t += "\n  Memory used for playback: " + N(s[kPeakMemory]);
    t += "\n  Total extra buffering memory: " + N(s[kExtraBufferBytes]);
    t += "\n  Highest extra buffering memory used: " + N(s[kPeakExtraBufferUsed]);
    // Products in 64 bits, so long playing times give right percentages.
    t += "\n\n  Percentage spent decompressing: " + Ratio(uint64_t{s[kDecodeTimeMs]} * 100, play);
    t += "\n  Percentage spent blitting: " + Ratio(uint64_t{s[kBlitTimeMs]} * 100, play);
    t += "\n  Percentage spent reading: " + Ratio(uint64_t{s[kReadTimeMs]} * 100, play);
    t += "\n  Percentage spent background reading: " + Ratio(uint64_t{s[kIdleReadTimeMs]} * 100, play);
    t += " (when idle)\n\n  Slowest frame: " + N(s[kWorstFrame]);
    t += "  Frame rate: " + Ratio(1000, s[kWorstFrameMs]);
    if (s[kFramesDecoded] > 1) {
        t += "\n  Second slowest frame: " + N(s[kSecondWorstFrame]);
        t += "  Frame rate: " + Ratio(1000, s[kSecondWorstFrameMs]);
    }
    t += "\n\n  Screen colors: " + N(in.screenColors);
    t += "\n  Display blitter: " + in.displayDescription;
    // The box holds 2048 bytes.
    if (t.size() > 2047)
        t.resize(2047);
    return t;
}

std::string FastRateText(const std::string &file, const uint32_t stats[19])
{
    const uint32_t frames = stats[kFramesDecoded], play = stats[kPlayTimeMs];
    if (frames == 0)
        return {};
    return file + ": " + Unit(frames, "frame") + " in " + Elapsed(play) + ", " +
           Ratio(uint64_t{frames} * 1000, play == 0 ? 1 : play) + " frames per second" +
           (play == 0 ? " or more." : ".");
}

} // namespace player
