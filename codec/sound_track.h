// The sound back-end interface: what a sound back end (runtime/) implements
// and what it may use of the codec's tracks. The codec owns the tracks and
// calls the back end through one table of seven operations, installed once
// per process; runtime/ provides the back ends (the queue back end and the
// pull back end, runtime/sound_backends.h) and installs one. Nothing outside
// codec/ and runtime/ includes this header.
//
// Every sound track a handle plays has a ZorbTrack: a ring buffer that the
// frame feed fills with PCM data, the sound clock that frame timing reads,
// and the fields of the back end that moves the data to a device. The codec
// never knows which back end runs. With no back end installed (the utility
// library, or a process without a sound device layer) track opens fail and
// playing goes on by the clock.
//
// Threads: all of this runs on the thread that owns the handles, except the
// service pass of a back end that has its own timer thread. Such a pass and
// the owning thread meet only in BytesPending and Underrun (atomic, through
// the accessors below) and under SoundGuard.
#ifndef ZORB_CODEC_SOUND_TRACK_H
#define ZORB_CODEC_SOUND_TRACK_H

#include <stdint.h>

#include <atomic>
#include <cstring>

struct ZorbPullBuffer; // a pull back end's device buffer (runtime)

// One device buffer of the queue back end (the "header" of the original
// design): its data, the length last handed to the device, and whether the
// device has consumed it.
struct ZorbQueueBuffer {
    uint8_t *Data;
    uint32_t Length;
    uint32_t Done;
    uint64_t QueuedEnd; // device byte count at which this buffer has been consumed
};

// Where a device stands: the bytes it has taken (confirmed), and the played
// position interpolated by time between its updates, never past what it has
// confirmed and never backwards. Positions count from the last reset.
struct ZorbDeviceClock {
    uint64_t DeviceBase; // device count at which position Offset was taken
    uint32_t Offset;     // position at DeviceBase (carried over pause and resume)
    uint32_t Confirmed;  // position the device has confirmed taking
    uint32_t From;       // position where the running interpolation started
    uint32_t FromTime;   // clock at which it started
    uint32_t Reported;   // last position reported
};

// Back-end fields of the queue back end (one device fed by queued buffers).
struct ZorbQueueChannel {
    uint32_t Device;     // device id, 0 = closed
    uint32_t HalfBuffer; // size of each of the two device buffers
    ZorbQueueBuffer Header1, Header2;
    void *Owner;           // the handle
    uint64_t DeviceQueued; // bytes ever handed to the device
    uint8_t *Block;        // the two buffers' memory
    uint32_t Started;      // sound was handed over since the device opened or was reset
};

// Back-end fields of the pull back end (a device that pulls from our
// half-second device buffer).
struct ZorbPullChannel {
    uint32_t BufferBytes;   // size of the device buffer
    ZorbPullBuffer *Buffer; // the device buffer; null while paused
};

struct ZorbTrack {
    uint8_t *RingStart, *RingEnd; // the ring buffer
    uint8_t *ReadPos;             // next byte to hand to the device
    uint8_t *WritePos;            // next byte the feed writes
    uint32_t BytesPending;        // bytes between ReadPos and WritePos (atomic access)
    uint32_t BytesPerSecond;
    uint32_t RingSize; // RingEnd - RingStart
    // The sound clock (frame timing).
    uint32_t FrameBytes1024; // bytes per frame x 1024
    uint32_t ExpectedFrac;   // bytes x 1024 since ExpectedBase
    uint32_t ExpectedBase;   // bytes at which the current frame's time line is anchored
    uint32_t SkipMark;       // bytes x 1024 since ExpectedBase beyond which video is behind
    uint32_t BytesQueued;    // bytes ever written to the ring (sound and silence)
    uint32_t Overflows;      // frames whose sound was cut to the ring's free space
    uint32_t SoundSkips;     // times the device ran dry with sound still to come (atomic access)
    uint32_t MaxFrameBytes;  // largest per-frame chunk, multiple of 4
    ZorbTrack *NextChannel;  // the back end's list of open channels
    ZorbQueueChannel Queue;
    uint32_t SampleRate;
    uint32_t NoSoundThisFrame;
    uint32_t Is16Bit, IsStereo;
    uint32_t Underrun; // the device ran dry and still waits for sound (atomic access)
    ZorbPullChannel Pull;
    uint32_t TrackIndex; // 0..6
    // Set by the back end when the channel opens: the sound it keeps handed
    // over ahead of the device (frames are released that far ahead of the
    // played position), and the device's position.
    uint32_t LeadBytes;
    ZorbDeviceClock Clock;
};

// The seven operations of a sound back end.
struct ZorbSoundBackend {
    const char *Name;
    void (*Service)(void);
    int (*OpenChannel)(ZorbTrack *track, uint32_t stereo, uint32_t openFlags);
    void (*CloseChannel)(ZorbTrack *track);
    uint32_t (*PlayedPosition)(ZorbTrack *track);
    void (*Reset)(ZorbTrack *track);
    void (*Pause)(ZorbTrack *track);
    int (*Resume)(ZorbTrack *track);
};

namespace zorb {

#if defined(__cpp_lib_atomic_ref)
using TrackWord = std::atomic_ref<uint32_t>;
#else
// Standard libraries without std::atomic_ref (the browser build's): the same
// operations on a track's shared words through the compiler's builtins.
class TrackWord {
public:
    explicit TrackWord(uint32_t &word) : p_(&word) {}
    uint32_t load(std::memory_order o = std::memory_order_seq_cst) const { return __atomic_load_n(p_, int(o)); }
    void store(uint32_t v, std::memory_order o = std::memory_order_seq_cst) const { __atomic_store_n(p_, v, int(o)); }
    uint32_t exchange(uint32_t v, std::memory_order o = std::memory_order_seq_cst) const
    {
        return __atomic_exchange_n(p_, v, int(o));
    }
    uint32_t fetch_add(uint32_t v, std::memory_order o = std::memory_order_seq_cst) const
    {
        return __atomic_fetch_add(p_, v, int(o));
    }
    uint32_t fetch_sub(uint32_t v, std::memory_order o = std::memory_order_seq_cst) const
    {
        return __atomic_fetch_sub(p_, v, int(o));
    }

private:
    uint32_t *p_;
};
#endif

inline TrackWord Pending(ZorbTrack *t)
{
    return TrackWord(t->BytesPending);
}
inline TrackWord UnderrunFlag(ZorbTrack *t)
{
    return TrackWord(t->Underrun);
}
inline TrackWord SkipCount(ZorbTrack *t)
{
    return TrackWord(t->SoundSkips);
}

// Bytes of one sample frame (all channels) of a track.
inline uint32_t SampleFrameBytes(const ZorbTrack *t)
{
    return (t->Is16Bit ? 2u : 1u) * (t->IsStereo ? 2u : 1u);
}

// The device clock. Restart: position 0 at device count `device`. Carry
// over: the position reached so far continues from device count `device`
// (a device opened again after a pause). Update: the device has taken
// `device` bytes in all at time `now`; returns the played position.
void DeviceClockRestart(ZorbDeviceClock *c, uint64_t device, uint32_t now);
void DeviceClockCarryOver(ZorbDeviceClock *c, uint64_t device, uint32_t now);
uint32_t DeviceClockUpdate(ZorbDeviceClock *c, uint64_t device, uint32_t now, uint32_t bytesPerSecond);

inline uint8_t SilenceByte(const ZorbTrack *t)
{
    return t->Is16Bit ? 0x00 : 0x80;
}

// Sizes a track's ring and clock from its format and the frame period
// (1/100 ms): FrameBytes1024, SkipMark and RingSize.
struct TrackSizes {
    uint32_t FrameBytes1024;
    uint32_t SkipMark;
    uint32_t RingSize;
};
TrackSizes ComputeTrackSizes(uint32_t bytesPerSecond, uint32_t framePeriod);

// Bytes per second of a track format word (rate x sample bytes x channels).
uint32_t FormatBytesPerSecond(uint32_t formatWord);

// Ring copies, wrapping at the ring's end. They move WritePos / ReadPos but
// leave BytesPending to the caller.
void RingWrite(ZorbTrack *t, const uint8_t *src, uint32_t n);
void RingFill(ZorbTrack *t, uint8_t value, uint32_t n);
void RingRead(ZorbTrack *t, uint8_t *dst, uint32_t n);
// Position p moved on by n bytes inside the ring (n at most RingSize).
uint8_t *RingAdvance(const ZorbTrack *t, uint8_t *p, uint32_t n);

// ---- One track --------------------------------------------------------------

// Sets a track up from its format word for the given frame period: format,
// sizes (RingSize among them) and clock start values. MaxFrameBytes is set
// once the device is open (SetMaxFrameBytes).
void TrackSetUp(ZorbTrack *t, uint32_t index, uint32_t formatWord, uint32_t framePeriod);
// Gives the track its ring (RingSize bytes, 16-byte aligned, owned by the
// caller): emptied and silent.
void TrackAttachRing(ZorbTrack *t, uint8_t *ring);
// The largest per-frame chunk, rounded down to a multiple of 4 and never more
// than the ring holds.
void SetMaxFrameBytes(ZorbTrack *t, uint32_t largestChunk);

// Writes n bytes of a frame's sound at the write position (wrapping), from
// the chunk: raw bytes are copied, compressed ones decoded.
using SoundProducer = void (*)(void *context, ZorbTrack *t, uint32_t n);

// The sound clock and the feed, step by step (frame timing puts them together).
// Primary track: one frame further on the time line.
void ClockAdvance(ZorbTrack *primary);
// Feeds n bytes of a frame's sound: cut to the free space (an overflow),
// then produced into the ring. Returns the bytes written.
uint32_t FeedTrack(ZorbTrack *t, uint32_t n, SoundProducer produce, void *context);
// Primary track: when the device can never reach the frame's time because
// that much sound was never written, the time line is moved to what was.
void ClockRebaseIfUnreachable(ZorbTrack *primary);
// The frame's due position and the point beyond which video is behind.
inline uint32_t DuePosition(const ZorbTrack *t)
{
    return t->ExpectedBase + t->ExpectedFrac / 1024;
}
inline uint32_t SkipPosition(const ZorbTrack *t)
{
    return t->ExpectedBase + t->SkipMark / 1024;
}
// Positions on the time line compared as a signed distance (they wrap at 4 GB).
inline bool PositionAfter(uint32_t a, uint32_t b)
{
    return static_cast<int32_t>(a - b) > 0;
}
// Anchors the time line at position p (bytes played).
void ClockAnchor(ZorbTrack *t, uint32_t p);
// After the back end's reset: the ring is emptied and the time line restarts at 0.
void TrackRestart(ZorbTrack *t);
// After the back end's pause: pending bytes are dropped, and what was handed
// over ends at `played` (the device dropped what it had not played).
void TrackDropPending(ZorbTrack *t, uint32_t played);
// Before the back end's resume: the last MaxFrameBytes written are handed to
// the device again, silenced when asked.
void TrackReplayLastFrame(ZorbTrack *t, bool silence);

// ---- Process-wide sound state ----------------------------------------------

// The installed back end, or null.
const ZorbSoundBackend *SoundBackend();
// Installs a back end for the rest of the process. Returns false (and changes
// nothing) when one is installed already.
bool SoundInstallBackend(const ZorbSoundBackend *backend);
// The back end the first track open installs when none is installed yet (the
// device layer registers its default here; without one, opens fail).
void SoundSetDefaultBackend(const ZorbSoundBackend *backend);
// Installs the default back end when none is installed. Returns the installed one.
const ZorbSoundBackend *SoundInstallDefault();
// Forgets the installed and the default back end (tests; no track may be open).
void SoundForgetBackendsForTests();

// Tracks open over all handles.
uint32_t SoundOpenTrackCount();
void SoundTrackOpened();
void SoundTrackClosed();

// The list of open channels of the active back end.
ZorbTrack *&SoundChannelList();
void SoundChannelAdd(ZorbTrack *t);
void SoundChannelRemove(ZorbTrack *t);

// The 8192-byte work area for sound decompression: allocated with the first
// track, freed when the last track closes.
enum { kSoundWorkAreaSize = 8192 };
uint8_t *SoundWorkArea();
bool SoundWorkAreaAcquire();
void SoundWorkAreaRelease(); // frees it when no track is open

// Services the installed back end when any track is open.
void SoundServiceIfOpen();

// The busy counter. A service pass runs only when its increment yields 1;
// every other piece of work that touches a back end's buffer state or a
// ring's read side from the owning thread holds a SoundGuard, which raises
// the counter and, should a timer pass be running, waits for it to end.
class SoundGuard {
public:
    SoundGuard();
    ~SoundGuard();
    SoundGuard(const SoundGuard &) = delete;
    SoundGuard &operator=(const SoundGuard &) = delete;
};
// Enters a service pass: true when the counter's increment gave 1 (then
// SoundLeavePass must follow); false when something else runs (nothing to undo).
bool SoundTryEnterPass();
void SoundLeavePass();
// Current value of the busy counter (tests).
int SoundBusyCount();

} // namespace zorb

#endif
