// zbxinfo --json: one JSON object per file. Numbers are plain integers except
// the frame rate, the frame time and the duration; absent facts are null.
#include "tools/zbxinfo/json.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "codec/examine.h"

namespace {

// A JSON string: quotes, backslashes and control characters escaped; other
// bytes as they are.
std::string Quoted(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Number(uint64_t v)
{
    return std::to_string(v);
}

std::string Decimal(double v, int places)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", places, v);
    return buf;
}

// "key": value pairs joined into an object.
class Object {
public:
    Object &Add(const char *key, const std::string &value)
    {
        text_ += (text_.empty() ? "" : ", ") + Quoted(key) + ": " + value;
        return *this;
    }
    std::string Text() const { return "{" + text_ + "}"; }

private:
    std::string text_;
};

std::string Array(const std::vector<std::string> &items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + items[i];
    return out + "]";
}

const char *HeightMode(const ZorbHandle *h)
{
    if (h->OpenFlags & ZORB_OPEN_HEIGHT_DOUBLE)
        return "doubled";
    if (h->OpenFlags & ZORB_OPEN_HEIGHT_INTERLACE)
        return "interlaced";
    return "normal";
}

// stored: the track's chunk bytes over the frames played.
std::string Track(const ZorbHandle *h, int n, uint64_t stored, double seconds)
{
    const uint32_t f = h->AudioFormat[n];
    const uint32_t rate = f & ZBX_AUDIO_RATE_MASK;
    const uint32_t channels = f & ZBX_AUDIO_STEREO ? 2 : 1, bits = f & ZBX_AUDIO_16BIT ? 16 : 8;
    return Object()
        .Add("track", Number(n + 1))
        .Add("rate", Number(rate))
        .Add("bits", Number(bits))
        .Add("channels", Number(channels))
        .Add("compressed", f & ZBX_AUDIO_COMPRESSED ? "true" : "false")
        .Add("playable", rate ? "true" : "false")
        .Add("largest_frame_sound", Number(h->AudioMaxSize[n]))
        .Add("decoded_bytes_per_second", Number(uint64_t(rate) * channels * bits / 8))
        .Add("stored_bytes", Number(stored))
        .Add("stored_bytes_per_second", seconds > 0 ? Number(uint64_t(stored / seconds + 0.5)) : "null")
        .Text();
}

} // namespace

namespace tool::zbxinfo {

std::string JsonReport(const std::string &path, ZorbHandle *h, uint64_t fileSize, bool &intact)
{
    const bool paced = h->FramePeriod != 0;
    const double seconds = paced ? h->FrameCount * (h->FramePeriod / 100000.0) : 0;
    const bool coded = h->OpenFlags & (ZORB_OPEN_HEIGHT_DOUBLE | ZORB_OPEN_HEIGHT_INTERLACE);

    // Frame bytes of each second of playback: frame i starts i x FramePeriod
    // hundredths of a millisecond in.
    std::vector<uint64_t> perSecond;
    uint64_t videoBytes = 0;
    for (uint32_t i = 0; i < h->FrameCount; ++i) {
        videoBytes += h->FrameSizes[i];
        if (!paced)
            continue;
        const uint64_t second = uint64_t(i) * h->FramePeriod / 100000;
        if (perSecond.size() <= second)
            perSecond.resize(second + 1, 0);
        perSecond[second] += h->FrameSizes[i];
    }
    std::vector<std::string> seconds_;
    for (uint64_t b : perSecond)
        seconds_.push_back(Number(b));

    // The sound chunks' bytes per track, over the frames played (the ring
    // frame repeats the first frame's); one pass in file order.
    uint64_t stored[ZBX_MAX_TRACKS] = {};
    uint32_t damaged = 0;
    for (uint32_t i = 0; i < ZorbTableFrames(h); ++i) {
        ZorbFrameLayout layout;
        if (!ZorbInspectFrame(h, i, &layout))
            ++damaged;
        else if (i < h->FrameCount)
            for (int n = 0; n < ZBX_MAX_TRACKS; ++n)
                stored[n] += layout.SoundBytes[n];
    }
    intact = damaged == 0;
    std::vector<std::string> tracks;
    for (int n = 0; n < ZBX_MAX_TRACKS; ++n)
        if (h->AudioFormat[n] & ZBX_AUDIO_PRESENT)
            tracks.push_back(Track(h, n, stored[n], seconds));

    const std::string header = Object()
                                   .Add("magic", Quoted("ZBX2"))
                                   .Add("width", Number(h->Width))
                                   .Add("height", Number(coded ? h->Height / 2 : h->Height))
                                   .Add("frame_count", Number(h->FrameCount))
                                   .Add("frame_rate", std::to_string(h->FrameRate))
                                   .Add("flags", Number(h->HeaderFlags))
                                   .Add("ring_frame", h->HeaderFlags & ZBX_RING_FRAME ? "true" : "false")
                                   .Add("tree_data_bytes", Number(h->TreeDataSize))
                                   .Text();
    const std::string rates =
        Object()
            .Add("mean_bytes_per_second", paced ? Number(uint64_t(videoBytes / seconds + 0.5)) : "null")
            .Add("largest_second_bytes", Number(h->LargestSecondBytes))
            .Add("largest_second_frame", Number(h->LargestSecondFrame))
            .Add("seconds", paced ? Array(seconds_) : "null")
            .Text();
    return Object()
               .Add("file", Quoted(path))
               .Add("size", Number(fileSize))
               .Add("header", header)
               .Add("width", Number(h->Width))
               .Add("height", Number(h->Height))
               .Add("height_mode", Quoted(HeightMode(h)))
               .Add("frames", Number(h->FrameCount))
               .Add("table_frames", Number(ZorbTableFrames(h)))
               .Add("frames_per_second", paced ? Decimal(100000.0 / h->FramePeriod, 3) : "null")
               .Add("frame_time_ms", paced ? Decimal(h->FramePeriod / 100.0, 2) : "null")
               .Add("duration_seconds", paced ? Decimal(seconds, 3) : "null")
               .Add("tracks", Array(tracks))
               .Add("frame_bytes", Number(h->TotalFrameBytes))
               .Add("data_offset", Number(h->DataStart))
               .Add("largest_frame_bytes", Number(h->LargestFrameSize))
               .Add("mean_frame_bytes", Number(h->MeanFrameBytes))
               .Add("data_rate", rates)
               .Add("damaged_frames", Number(damaged))
               .Text() +
           "\n";
}

} // namespace tool::zbxinfo
