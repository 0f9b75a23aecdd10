// A handle record made by hand (no file behind it) for the timing tests:
// frame timing and the sound feed only read the members set here.
#ifndef ZORB_TESTS_TIMING_HANDLE_BOX_H
#define ZORB_TESTS_TIMING_HANDLE_BOX_H

#include <map>
#include <vector>

#include "codec/sound_track.h"
#include "codec/timing.h"
#include "codec/zorb.h"

namespace zorbtest {

constexpr uint32_t kPresent = ZBX_AUDIO_PRESENT;

struct HandleBox {
    ZorbHandle h{};
    std::vector<uint8_t> frame;

    explicit HandleBox(uint32_t framePeriod)
    {
        h.PrimaryTrack = -1;
        h.FramePeriod = framePeriod;
        h.NextDueTime = 0xFFFFFFFFu;
        h.LastPaletteFrame = 0xFFFFFFFFu;
    }
    ~HandleBox() { zorb::SoundCloseTracks(&h); }
    HandleBox(const HandleBox &) = delete;
    HandleBox &operator=(const HandleBox &) = delete;

    bool Open(uint32_t n, uint32_t format, uint32_t maxSize, uint32_t flags = 0)
    {
        h.AudioFormat[n] = format;
        h.AudioMaxSize[n] = maxSize;
        return zorb::SoundOpenTrack(&h, n, flags);
    }
    ZorbTrack *T(uint32_t n) { return h.Track[n]; }

    // Loads a frame carrying raw sound chunks for the given tracks.
    void Load(const std::map<uint32_t, std::vector<uint8_t>> &sound)
    {
        frame.clear();
        std::map<uint32_t, size_t> at;
        for (const auto &[n, pcm] : sound) {
            at[n] = frame.size();
            uint32_t length = static_cast<uint32_t>(pcm.size() + 4);
            for (int i = 0; i < 4; ++i)
                frame.push_back(static_cast<uint8_t>(length >> (8 * i)));
            frame.insert(frame.end(), pcm.begin(), pcm.end());
        }
        frame.resize(frame.size() + 16); // some video bytes
        h.FrameData = frame.data();
        h.CurrentFrameSize = static_cast<uint32_t>(frame.size());
        for (uint32_t n = 0; n < ZBX_MAX_TRACKS; ++n)
            h.AudioChunk[n] = at.count(n) ? frame.data() + at[n] : nullptr;
    }
    // Loads a frame and feeds its sound.
    void Feed(const std::map<uint32_t, std::vector<uint8_t>> &sound)
    {
        Load(sound);
        zorb::SoundFeedFrame(&h);
    }
};

// The bytes a track's ring holds from its read position on.
inline std::vector<uint8_t> PendingBytes(ZorbTrack *t)
{
    std::vector<uint8_t> out(zorb::Pending(t).load());
    uint8_t *p = t->ReadPos;
    for (auto &b : out) {
        b = *p;
        if (++p == t->RingEnd)
            p = t->RingStart;
    }
    return out;
}

inline std::vector<uint8_t> Bytes(uint32_t n, uint8_t first)
{
    std::vector<uint8_t> v(n);
    for (uint32_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(first + i) == 0x80 ? 0x81 : static_cast<uint8_t>(first + i);
    return v;
}

} // namespace zorbtest

#endif
