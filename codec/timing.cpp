// Frame timing and playback control: when a frame may be shown (by the clock
// or by the sound), whether playback is behind, pausing and resuming the
// sound, the booking of frame times and the playback statistics.
//
// Times are integers: the clock in milliseconds, frame periods and due times
// in 1/100 ms, sound in bytes (x 1024 for fractions).
#include "codec/timing.h"

#include <algorithm>

#include "codec/handle.h"
#include "codec/sound_track.h"
#include "platform/platform.h"

namespace zorb {

namespace {

ZorbTrack *Primary(ZorbHandle *h)
{
    return h->PrimaryTrack >= 0 && h->PrimaryTrack < ZBX_MAX_TRACKS ? h->Track[h->PrimaryTrack] : nullptr;
}

uint32_t PlayedPosition(ZorbTrack *t)
{
    const ZorbSoundBackend *b = SoundBackend();
    return b ? b->PlayedPosition(t) : 0;
}

// Clock pacing: true while the frame must wait.
bool ClockHolds(ZorbHandle *h)
{
    if (h->FrameReleased)
        return false;
    uint32_t now = PlatformTimeMs() * 100u;
    if (h->NextDueTime == 0xFFFFFFFFu) {
        h->NextDueTime = now + h->FramePeriod;
        return true;
    }
    // Compared as a signed distance, so the schedule survives the wrap of
    // the 1/100 ms count (every 11.9 hours).
    if (static_cast<int32_t>(h->NextDueTime - now) > 0)
        return true;
    uint32_t next = h->NextDueTime + h->FramePeriod;
    // Released less than one period late: next frame one period from now.
    // One to two periods late: keep the beat (next frame due at once).
    // Later: start the schedule again from now.
    h->NextDueTime = (now - next > h->FramePeriod) ? now + h->FramePeriod : next;
    if (h->FramePeriod != 0)
        h->FrameReleased = 1;
    return false;
}

} // namespace

int32_t FrameRateOverride()
{
    return g_frameRateOverride;
}

uint32_t BehindTest(ZorbHandle *h)
{
    ZorbTrack *t = Primary(h);
    if (!t || h->SoundPaused)
        return 0;
    if (!h->WaitingForSound)
        return 1;
    if (t->NoSoundThisFrame)
        return 0;
    uint32_t p = PlayedPosition(t) + t->LeadBytes;
    if (PositionAfter(SkipPosition(t), p))
        return 0;
    h->WaitingForSound = 0;
    return 1;
}

void BookFrameTimes(ZorbHandle *h)
{
    uint32_t now = 0;
    bool haveNow = false;
    auto clock = [&] {
        if (!haveNow) {
            now = PlatformTimeMs();
            haveNow = true;
        }
        return now;
    };
    if (h->FrameStartTime) {
        uint32_t d = clock() - h->FrameStartTime;
        h->FrameStartTime = 0;
        if (d > h->WorstFrameMs) {
            if (h->WorstFrame != h->CurrentFrame) {
                h->SecondWorstFrameMs = h->WorstFrameMs;
                h->SecondWorstFrame = h->WorstFrame;
                h->WorstFrame = h->CurrentFrame;
            }
            h->WorstFrameMs = d;
        } else if (d > h->SecondWorstFrameMs && h->WorstFrame != h->CurrentFrame) {
            h->SecondWorstFrameMs = d;
            h->SecondWorstFrame = h->CurrentFrame;
        }
    }
    if (h->BlitStartTime) {
        h->BlitTimeTotal += clock() - h->BlitStartTime;
        h->BlitStartTime = 0;
    }
    if (h->DecodeStartTime) {
        h->DecodeTimeTotal += clock() - h->DecodeStartTime;
        h->DecodeStartTime = 0;
    }
}

} // namespace zorb

using namespace zorb;

extern "C" uint32_t ZorbMustWait(ZorbHandle *h)
{
    if (!h || h->ReadFailed)
        return 0;
    SoundServiceIfOpen();
    if (ZorbTrack *t = Primary(h)) {
        // The sound clock: the frame is due when the device has played up to
        // it, less the lead the back end keeps handed over ahead of the device.
        if (h->WaitingForSound && !h->SoundPaused) {
            uint32_t p = PlayedPosition(t) + t->LeadBytes;
            if (PositionAfter(DuePosition(t), p + 8)) {
                BackgroundReadStep(h);
                return 1;
            }
            h->WaitingForSound = 0;
        }
        return 0;
    }
    if (ClockHolds(h)) {
        BackgroundReadStep(h);
        return 1;
    }
    return 0;
}

extern "C" uint32_t ZorbSetSoundActive(ZorbHandle *h, int32_t on)
{
    if (!h)
        return 0;
    const ZorbSoundBackend *b = SoundBackend();
    if (on == 0 && !h->SoundPaused) {
        h->PausedAtFrame = h->CurrentFrame;
        h->SoundPaused = 1;
        for (ZorbTrack *t : h->Track) {
            if (!t)
                continue;
            uint32_t p = PlayedPosition(t);
            if (b)
                b->Pause(t);
            TrackDropPending(t, p);
        }
    } else if (on != 0 && h->SoundPaused) {
        bool silence = h->CurrentFrame != h->PausedAtFrame || on < 0;
        for (ZorbTrack *t : h->Track) {
            if (!t)
                continue;
            uint32_t p = PlayedPosition(t);
            // The last frame's sound is handed over again (silenced after a
            // jump, so nothing stale is heard) and the time line restarts
            // where the device stands.
            if (h->CurrentFrame != 0)
                TrackReplayLastFrame(t, silence);
            ClockAnchor(t, p);
            if (b && !b->Resume(t))
                return 0;
            UnderrunFlag(t).store(0);
        }
        h->SoundPaused = 0;
    }
    return 1;
}

extern "C" uint32_t ZorbSoundPending(ZorbHandle *h)
{
    if (!h || h->SoundPaused)
        return 0;
    uint32_t most = 0;
    for (ZorbTrack *t : h->Track) {
        if (!t)
            continue;
        uint32_t p = PlayedPosition(t);
        if (PositionAfter(t->BytesQueued, p))
            most = std::max(most, t->BytesQueued - p);
    }
    return most;
}

extern "C" void ZorbGetStats(ZorbHandle *h, ZorbStats *s)
{
    if (!h || !s)
        return;
    BookFrameTimes(h);
    ZorbTrack *t = Primary(h);
    uint32_t readTime = h->ForegroundTime + h->BackgroundTime;
    uint64_t readBytes = uint64_t(h->ForegroundBytes) + h->BackgroundBytes;
    // Play time counts from the first decoded frame; nothing decoded, nothing played.
    s->PlayTimeMs = h->FirstFrameTime ? PlatformTimeMs() - h->FirstFrameTime : 0;
    s->FramePeriod = h->FramePeriod;
    s->OpenTimeMs = h->OpenDuration;
    s->FramesDecoded = h->FramesDecoded;
    s->FramesSkipped = h->FramesSkipped;
    s->SoundSkips = t ? SkipCount(t).load() : 0;
    s->BlitTimeMs = h->BlitTimeTotal;
    s->ReadTimeMs = h->ForegroundTime - h->ReadTimeAtOpen;
    s->DecodeTimeMs = h->DecodeTimeTotal;
    s->IdleReadTimeMs = h->BackgroundTime;
    s->DeviceBytesPerSec = readTime ? static_cast<uint32_t>(readBytes * 1000u / readTime) : 0;
    s->WorstFrameMs = h->WorstFrameMs ? h->WorstFrameMs : 1000;
    s->SecondWorstFrameMs = h->SecondWorstFrameMs ? h->SecondWorstFrameMs : 1000;
    s->WorstFrame = h->WorstFrame + 1;
    s->SecondWorstFrame = h->SecondWorstFrame + 1;
    s->MeanFrameBytes = h->MeanFrameBytes;
    s->PeakMemory = h->PeakMemory;
    s->ExtraBufferBytes = h->ReadBufferSize;
    s->PeakExtraBufferUsed = h->PeakBuffered;
}

extern "C" void ZorbSetFrameRateOverride(int32_t fps)
{
    g_frameRateOverride = fps > 0 ? -(100000 / fps) : fps;
}
