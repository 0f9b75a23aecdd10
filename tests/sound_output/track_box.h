// A sound track set up outside a handle, for the back-end tests.
#ifndef ZORB_TESTS_SOUND_OUTPUT_TRACK_BOX_H
#define ZORB_TESTS_SOUND_OUTPUT_TRACK_BOX_H

#include <vector>

#include "codec/sound_track.h"

namespace zorbtest {

constexpr uint32_t kPresent = 1u << 30;
constexpr uint32_t k16Bit = 1u << 29;
constexpr uint32_t kStereo = 1u << 28;

struct TrackBox {
    ZorbTrack t{};
    std::vector<uint8_t> ring;
    explicit TrackBox(uint32_t format = kPresent | 22050, uint32_t period = 6666, uint32_t index = 0,
                      uint32_t maxChunk = 1472)
    {
        zorb::TrackSetUp(&t, index, format, period);
        ring.resize(t.RingSize);
        zorb::TrackAttachRing(&t, ring.data());
        zorb::SetMaxFrameBytes(&t, maxChunk);
    }
    TrackBox(const TrackBox &) = delete;
    TrackBox &operator=(const TrackBox &) = delete;

    // Feeds bytes as one frame's sound.
    uint32_t Feed(const std::vector<uint8_t> &bytes)
    {
        return zorb::FeedTrack(
            &t, static_cast<uint32_t>(bytes.size()),
            [](void *ctx, ZorbTrack *tr, uint32_t n) {
                zorb::RingWrite(tr, static_cast<const std::vector<uint8_t> *>(ctx)->data(), n);
            },
            const_cast<std::vector<uint8_t> *>(&bytes));
    }
};

// n bytes counting up from start (wrapping at 256), never the silence byte
// 0x80 so inserted silence stands out.
inline std::vector<uint8_t> Ramp(uint32_t n, uint32_t start = 0)
{
    std::vector<uint8_t> v(n);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t b = static_cast<uint8_t>(start + i);
        v[i] = b == 0x80 ? 0x81 : b;
    }
    return v;
}

} // namespace zorbtest

#endif
