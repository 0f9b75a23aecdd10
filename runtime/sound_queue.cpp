// The default sound back end: one queued device per track, fed through two
// quarter-second device buffers. A buffer is done when the device has taken
// all of its bytes. The played position is what the device has taken from
// its queue (bytes handed over minus bytes still queued), interpolated
// between its updates. Everything runs on the thread that owns the handles.
#include "runtime/sound_backends.h"

#include <algorithm>
#include <new>

#include "codec/sound_track.h"
#include "platform/platform.h"
#include "runtime/sound_device.h"

namespace zorb {

namespace {

// Started while the device is paused: it stays open but takes nothing.
constexpr uint32_t kPausedDevice = 2;

SoundFormat FormatOf(const ZorbTrack *t)
{
    return SoundFormat{t->SampleRate, t->IsStereo ? 2u : 1u, t->Is16Bit ? 16u : 8u};
}

// Bytes the device has taken from its queue since it opened.
uint64_t Taken(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device == 0)
        return q.DeviceQueued;
    return q.DeviceQueued - CurrentSoundDevice().QueuedBytes(q.Device);
}

// Marks the buffers the device has consumed as done.
void UpdateDone(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device == 0) {
        q.Header1.Done = q.Header2.Done = 1;
        return;
    }
    uint64_t consumed = Taken(t);
    if (consumed >= q.Header1.QueuedEnd)
        q.Header1.Done = 1;
    if (consumed >= q.Header2.QueuedEnd)
        q.Header2.Done = 1;
}

void Submit(ZorbTrack *t, ZorbQueueBuffer &b, uint32_t n)
{
    ZorbQueueChannel &q = t->Queue;
    b.Length = n;
    b.Done = 0;
    if (!CurrentSoundDevice().Queue(q.Device, b.Data, n)) {
        b.Done = 1; // the device refused it: nothing in flight
        return;
    }
    q.DeviceQueued += n;
    b.QueuedEnd = q.DeviceQueued;
}

void CloseDevice(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device == 0)
        return;
    SoundDevice &dev = CurrentSoundDevice();
    dev.ClearQueue(q.Device);
    dev.Close(q.Device);
    dev.Quit();
    q.Device = 0;
    q.Header1.Done = q.Header2.Done = 1;
}

// Opens the device and proves that it plays: a 4-byte silent buffer must come
// back within 1000 ms. The played position then counts from the device's
// present count.
bool OpenDevice(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    SoundDevice &dev = CurrentSoundDevice();
    PlatformDebugLog("Using standard waveOut\n");
    if (!dev.Init()) {
        PlatformDebugLog("WaveOut open failed - error #: %d\n", 1);
        PlatformDebugLog("%s\n", dev.LastError());
        return false;
    }
    q.Device = dev.OpenQueued(FormatOf(t), t->TrackIndex);
    if (q.Device == 0) {
        PlatformDebugLog("WaveOut open failed - error #: %d\n", 2);
        PlatformDebugLog("%s\n", dev.LastError());
        dev.Quit();
        return false;
    }
    q.DeviceQueued = 0;
    q.Started = 0;
    q.Header1.Length = q.Header2.Length = q.HalfBuffer;
    q.Header1.Done = 0;
    q.Header2.Done = 1;
    q.Header2.QueuedEnd = 0;
    std::memset(q.Header1.Data, SilenceByte(t), 4);
    Submit(t, q.Header1, 4);
    uint32_t start = PlatformTimeMs();
    for (;;) {
        UpdateDone(t);
        if (q.Header1.Done) {
            t->LeadBytes = LeadBytesFor(t, dev.PeriodFrames(q.Device));
            return true;
        }
        if (PlatformTimeMs() - start >= 1000)
            break;
        PlatformSleepMs(1);
    }
    CloseDevice(t); // a device that does not play counts as missing
    return false;
}

int OpenChannel(ZorbTrack *t, uint32_t /*stereo*/, uint32_t /*openFlags*/)
{
    ZorbQueueChannel &q = t->Queue;
    // A quarter second per device buffer, in 4 KB steps (at least one step, so
    // very slow rates still move data).
    q.HalfBuffer = std::max<uint32_t>((t->BytesPerSecond / 4 + 4095) & ~4095u, 4096);
    q.Block = static_cast<uint8_t *>(::operator new(2 * size_t(q.HalfBuffer), std::align_val_t(16), std::nothrow));
    if (!q.Block)
        return 0;
    q.Header1 = ZorbQueueBuffer{q.Block, q.HalfBuffer, 1, 0};
    q.Header2 = ZorbQueueBuffer{q.Block + q.HalfBuffer, q.HalfBuffer, 1, 0};
    if (!OpenDevice(t)) {
        ::operator delete(q.Block, std::align_val_t(16));
        q.Block = nullptr;
        return 0;
    }
    DeviceClockRestart(&t->Clock, Taken(t), PlatformTimeMs());
    SoundChannelAdd(t);
    return 1;
}

void ServiceChannel(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device == 0 || q.Started == kPausedDevice)
        return; // paused
    UpdateDone(t);
    bool dry = q.Header1.Done && q.Header2.Done;
    if (dry && q.Started)
        UnderrunFlag(t).store(1);
    uint32_t pending = Pending(t).load();
    if (pending == 0)
        return;
    ZorbQueueBuffer *b = q.Header1.Done ? &q.Header1 : q.Header2.Done ? &q.Header2 : nullptr;
    if (!b)
        return;
    // Everything pending goes (up to a buffer): the device holds as much as
    // it can, so a slow frame or a slow read does not starve it.
    uint32_t n = std::min(pending, q.HalfBuffer);
    n -= n % SampleFrameBytes(t);
    if (n == 0)
        return;
    RingRead(t, b->Data, n);
    Pending(t).fetch_sub(n);
    // The device emptied its queue with sound still to come: it played
    // silence (or is about to) because nothing was ready.
    if (UnderrunFlag(t).exchange(0))
        SkipCount(t).fetch_add(1);
    Submit(t, *b, n);
    q.Started = 1;
}

void Service()
{
    for (ZorbTrack *t = SoundChannelList(); t; t = t->NextChannel)
        ServiceChannel(t);
}

uint32_t PlayedPosition(ZorbTrack *t)
{
    Service();
    return DeviceClockUpdate(&t->Clock, Taken(t), PlatformTimeMs(), t->BytesPerSecond);
}

void Reset(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device)
        CurrentSoundDevice().ClearQueue(q.Device);
    q.DeviceQueued = Taken(t); // what was cleared never plays
    UpdateDone(t);
    if (q.Started != kPausedDevice)
        q.Started = 0;
    UnderrunFlag(t).store(0);
    DeviceClockRestart(&t->Clock, Taken(t), PlatformTimeMs());
}

// Pausing keeps the device open (closing and opening it again on every
// pause costs time and, on a desktop's sound server, clicks): what it still
// holds is dropped and it stops taking sound until the resume.
void Pause(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device) {
        SoundDevice &dev = CurrentSoundDevice();
        dev.SetPaused(q.Device, true);
        const uint64_t taken = Taken(t);
        dev.ClearQueue(q.Device);
        q.DeviceQueued = taken; // what was dropped never plays
        UpdateDone(t);
        q.Started = kPausedDevice;
    }
    UnderrunFlag(t).store(0);
}

// Resume follows a pause: the open device plays on (a device that has gone
// away is opened again).
int Resume(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    if (q.Device) {
        CurrentSoundDevice().SetPaused(q.Device, false);
        q.Started = 0;
    } else if (!OpenDevice(t)) {
        return 0;
    }
    DeviceClockCarryOver(&t->Clock, Taken(t), PlatformTimeMs());
    return 1;
}

void CloseChannel(ZorbTrack *t)
{
    ZorbQueueChannel &q = t->Queue;
    SoundChannelRemove(t);
    CloseDevice(t);
    if (q.Block)
        ::operator delete(q.Block, std::align_val_t(16));
    q.Block = nullptr;
    q.Header1.Data = q.Header2.Data = nullptr;
}

const ZorbSoundBackend kQueueBackend = {
    "queue", Service, OpenChannel, CloseChannel, PlayedPosition, Reset, Pause, Resume,
};

} // namespace

const ZorbSoundBackend *QueueSoundBackend()
{
    return &kQueueBackend;
}

uint32_t LeadBytesFor(const ZorbTrack *t, uint32_t periodFrames)
{
    // Three device periods (the device may be a period ahead of the played
    // position), and at least a tenth of a second.
    uint64_t lead = std::max<uint64_t>(uint64_t(periodFrames) * SampleFrameBytes(t) * 3, t->BytesPerSecond / 10);
    lead = std::min<uint64_t>(lead, t->BytesPerSecond / 4);
    return static_cast<uint32_t>(lead - lead % SampleFrameBytes(t));
}

} // namespace zorb
