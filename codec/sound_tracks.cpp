// The sound tracks of a handle: opening and closing them, feeding each
// frame's sound to them, and restarting them when playing returns to frame 0.
#include "codec/format.h"
#include "codec/handle.h"
#include "codec/sound_track.h"
#include "codec/timing.h"

namespace zorb {

namespace {

void FreeTrack(ZorbHandle *h, ZorbTrack *t)
{
    if (t->RingStart)
        HandleFree(h, t->RingStart, t->RingSize);
    HandleFree(h, t, sizeof(ZorbTrack));
}

struct ChunkSource {
    const uint8_t *Chunk;
    uint32_t Length; // the chunk's total length (checked against the frame)
    bool Compressed;
};

// The chunk of track n in the loaded frame, its length checked against the
// frame's end; Chunk is null when there is none or it is malformed.
ChunkSource FindChunk(const ZorbHandle *h, uint32_t n)
{
    ChunkSource s{nullptr, 0, (h->AudioFormat[n] & ZBX_AUDIO_COMPRESSED) != 0};
    const uint8_t *c = h->AudioChunk[n];
    if (!c || !h->FrameData)
        return s;
    const uint8_t *end = h->FrameData + h->CurrentFrameSize;
    if (c < h->FrameData || c > end || end - c < 4)
        return s;
    uint32_t length = ZbxGet32(c);
    uint32_t least = s.Compressed ? 8u : 4u;
    if (length < least || length > uint64_t(end - c))
        return s;
    s.Chunk = c;
    s.Length = length;
    return s;
}

void ProduceRaw(void *context, ZorbTrack *t, uint32_t n)
{
    RingWrite(t, static_cast<const ChunkSource *>(context)->Chunk + 4, n);
}

void ProduceCompressed(void *context, ZorbTrack *t, uint32_t n)
{
    const auto *s = static_cast<const ChunkSource *>(context);
    // Silence first: a stream that says "no data" or ends early leaves
    // silence, never what the ring held before.
    uint8_t *start = t->WritePos;
    RingFill(t, SilenceByte(t), n);
    DecodeSoundIntoRing(s->Chunk + 8, s->Length - 8, n, SoundWorkArea(), t->RingStart, t->RingEnd, start);
}

} // namespace

uint32_t ChunkSoundBytes(const ZorbHandle *h, uint32_t n)
{
    ChunkSource s = FindChunk(h, n);
    if (!s.Chunk)
        return 0;
    return s.Compressed ? ZbxGet32(s.Chunk + 4) : s.Length - 4;
}

bool SoundOpenTrack(ZorbHandle *h, uint32_t n, uint32_t openFlags)
{
    if (!h || n >= ZBX_MAX_TRACKS || h->Track[n])
        return false;
    const ZorbSoundBackend *backend = SoundInstallDefault();
    SoundWorkAreaAcquire();
    uint32_t format = h->AudioFormat[n];
    if (!(format & ZBX_AUDIO_PRESENT) || !(format & ZBX_AUDIO_RATE_MASK))
        return false;
    if (!backend)
        return false; // no sound device layer in this process: play by the clock

    auto *t = static_cast<ZorbTrack *>(HandleAlloc(h, sizeof(ZorbTrack))); // zero-filled
    if (!t)
        return false;
    TrackSetUp(t, n, format, h->FramePeriod);
    auto *ring = static_cast<uint8_t *>(HandleAlloc(h, t->RingSize));
    if (!ring) {
        FreeTrack(h, t);
        return false;
    }
    TrackAttachRing(t, ring);
    t->Queue.Owner = h;
    if (!backend->OpenChannel(t, t->IsStereo, openFlags)) {
        FreeTrack(h, t);
        return false;
    }
    SetMaxFrameBytes(t, h->AudioMaxSize[n]);
    if (h->PrimaryTrack < 0)
        h->PrimaryTrack = static_cast<int32_t>(n);
    SoundTrackOpened();
    h->Track[n] = t;
    h->OpenFlags |= ZORB_OPEN_TRACK(n);
    return true;
}

void SoundCloseTracks(ZorbHandle *h)
{
    if (!h)
        return;
    const ZorbSoundBackend *backend = SoundBackend();
    for (uint32_t n = 0; n < ZBX_MAX_TRACKS; ++n) {
        ZorbTrack *t = h->Track[n];
        if (!t)
            continue;
        if (backend)
            backend->CloseChannel(t);
        FreeTrack(h, t);
        h->Track[n] = nullptr;
        SoundTrackClosed();
    }
    h->PrimaryTrack = -1;
    SoundWorkAreaRelease();
}

void SoundFeedFrame(ZorbHandle *h)
{
    if (h->PrimaryTrack < 0 || h->SoundPaused)
        return;
    if (h->FramePeriod != 0)
        h->WaitingForSound = 1;
    ZorbTrack *primary = h->Track[h->PrimaryTrack];
    if (!primary)
        return;
    ClockAdvance(primary);
    for (uint32_t n = 0; n < ZBX_MAX_TRACKS; ++n) {
        ZorbTrack *t = h->Track[n];
        if (!t || !(h->OpenFlags & ZORB_OPEN_TRACK(n)))
            continue;
        ChunkSource s = FindChunk(h, n);
        uint32_t bytes = 0;
        if (s.Chunk)
            bytes = s.Compressed ? ZbxGet32(s.Chunk + 4) : s.Length - 4;
        t->NoSoundThisFrame = bytes == 0 ? 1 : 0;
        if (bytes == 0 && t == primary)
            break; // no sound for the clock track: none for any track
        // Whole sample frames only, so the ring never gets out of step.
        uint32_t sampleBytes = (t->Is16Bit ? 2u : 1u) * (t->IsStereo ? 2u : 1u);
        bytes -= bytes % sampleBytes;
        FeedTrack(t, bytes, s.Compressed ? ProduceCompressed : ProduceRaw, &s);
    }
    ClockRebaseIfUnreachable(primary);
}

void SoundRestartAtFrameZero(ZorbHandle *h)
{
    if (h->PrimaryTrack < 0)
        return;
    ZorbTrack *primary = h->Track[h->PrimaryTrack];
    if (!primary || primary->BytesQueued == 0)
        return;
    uint32_t mine = 0;
    for (ZorbTrack *t : h->Track)
        mine += t ? 1 : 0;
    if (mine != SoundOpenTrackCount())
        return; // another handle plays sound: its time line runs on
    const ZorbSoundBackend *backend = SoundBackend();
    for (ZorbTrack *t : h->Track) {
        if (!t)
            continue;
        // The ring is emptied first, so a service pass of a timer-driven back
        // end that falls between the two cannot hand the old sound to the
        // device after its reset.
        TrackRestart(t);
        if (backend)
            backend->Reset(t);
    }
}

} // namespace zorb
