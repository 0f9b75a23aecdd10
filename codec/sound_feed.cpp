// A track's ring and its sound clock: setting a track up, the per-frame feed
// (overflow cut), and the moves of the time line
// (advance, rebase, anchor, restart, pause and resume).
#include <algorithm>

#include "codec/sound_track.h"

namespace zorb {

namespace {

constexpr uint32_t kFracLimit = 262144000u; // 256000 bytes x 1024
constexpr uint32_t kSkipLimit = 33554432u;  // 32768 bytes x 1024
constexpr uint32_t kBaseStep = 256000u;

} // namespace

void TrackSetUp(ZorbTrack *t, uint32_t index, uint32_t formatWord, uint32_t framePeriod)
{
    t->TrackIndex = index;
    t->SampleRate = formatWord & 0xFFFFFFu;
    t->Is16Bit = (formatWord >> 29) & 1u;
    t->IsStereo = (formatWord >> 28) & 1u;
    t->BytesPerSecond = FormatBytesPerSecond(formatWord);
    TrackSizes s = ComputeTrackSizes(t->BytesPerSecond, framePeriod);
    t->FrameBytes1024 = s.FrameBytes1024;
    t->SkipMark = s.SkipMark;
    t->RingSize = s.RingSize;
    t->ExpectedFrac = t->ExpectedBase = t->BytesQueued = 0;
}

void TrackAttachRing(ZorbTrack *t, uint8_t *ring)
{
    std::memset(ring, SilenceByte(t), t->RingSize);
    t->RingStart = ring;
    t->RingEnd = ring + t->RingSize;
    t->ReadPos = t->WritePos = ring;
    t->BytesPending = 0;
}

void SetMaxFrameBytes(ZorbTrack *t, uint32_t largestChunk)
{
    // A header that claims more than the ring holds would make the silence
    // and the replayed stretch reach outside the ring.
    t->MaxFrameBytes = std::min(largestChunk & ~3u, t->RingSize);
}

void ClockAdvance(ZorbTrack *t)
{
    t->ExpectedFrac += t->FrameBytes1024;
    t->SkipMark += t->FrameBytes1024;
    // Keeps the sums inside 32 bits without moving the time line.
    if (t->ExpectedFrac > kFracLimit && t->SkipMark > kSkipLimit) {
        t->ExpectedFrac -= kFracLimit;
        t->SkipMark -= kFracLimit;
        t->ExpectedBase += kBaseStep;
    }
}

uint32_t FeedTrack(ZorbTrack *t, uint32_t n, SoundProducer produce, void *context)
{
    uint32_t space = t->RingSize - Pending(t).load();
    if (n > space) {
        ++t->Overflows;
        n = space;
    }
    // Whatever the device did meanwhile, the sound goes on where it stands:
    // nothing is padded, dropped or played twice to catch up with the clock.
    if (n > 0)
        produce(context, t, n);
    t->BytesQueued += n;
    Pending(t).fetch_add(n);
    return n;
}

void ClockRebaseIfUnreachable(ZorbTrack *t)
{
    if (PositionAfter(DuePosition(t), t->BytesQueued))
        ClockAnchor(t, t->BytesQueued);
}

void ClockAnchor(ZorbTrack *t, uint32_t p)
{
    t->SkipMark -= t->ExpectedFrac;
    t->ExpectedFrac = 0;
    t->ExpectedBase = p;
}

void TrackRestart(ZorbTrack *t)
{
    SoundGuard guard;
    Pending(t).store(0);
    t->ReadPos = t->WritePos;
    ClockAnchor(t, 0);
    t->BytesQueued = 0;
}

void TrackDropPending(ZorbTrack *t, uint32_t played)
{
    SoundGuard guard;
    Pending(t).store(0);
    t->ReadPos = t->WritePos;
    t->BytesQueued = played;
}

void TrackReplayLastFrame(ZorbTrack *t, bool silence)
{
    SoundGuard guard;
    uint32_t back = t->MaxFrameBytes;
    uint32_t old = Pending(t).load();
    uint32_t behind = static_cast<uint32_t>(t->WritePos - t->RingStart);
    t->ReadPos = back <= behind ? t->WritePos - back : t->RingEnd - (back - behind);
    if (silence) {
        uint8_t *keep = t->WritePos;
        t->WritePos = t->ReadPos;
        RingFill(t, SilenceByte(t), back);
        t->WritePos = keep;
    }
    Pending(t).store(back);
    t->BytesQueued += back - old;
}

} // namespace zorb
