// The pull sound back end (selected with ZorbSelectDirectSound): one device
// per track pulling from our half-second device buffer. The service copies
// sound from the track's ring into the buffer as far as it has room; the
// device's pull takes what is there and plays silence only when nothing is
// (an underrun, counted when sound comes again). The played position is
// what the device has taken. A timer thread runs the service every 75 ms
// besides the owning thread; the busy counter keeps the two apart (see
// SoundGuard), and a 10 ms gate keeps the service from running more often
// however often it is called.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "codec/sound_track.h"
#include "platform/platform.h"
#include "runtime/sound.h"
#include "runtime/sound_backends.h"
#include "runtime/sound_device.h"

namespace zorb {

namespace {

constexpr uint32_t kTimerPeriodMs = 75;
constexpr uint32_t kServiceGateMs = 10;

struct State {
    bool ObjectExists = false;
    bool CreatedHere = false;
    uintptr_t Window = 0;
    uint32_t BufferCount = 0;
    uint32_t NextPassTime = 0;
    bool PassTimeSet = false;
};
State g_state;

// ---- The timer thread -------------------------------------------------------

void Service();

class Timer {
public:
    void Start()
    {
        if (thread_.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = false;
        }
        thread_ = std::thread([this] { Run(); });
    }
    void Stop()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    bool Running() const { return thread_.joinable(); }
    std::atomic<bool> PassesEnabled{true};

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            if (wake_.wait_for(lock, std::chrono::milliseconds(kTimerPeriodMs), [this] { return stop_; }))
                break;
            lock.unlock();
            if (PassesEnabled.load())
                Service();
            lock.lock();
        }
    }
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};
Timer g_timer;

// ---- The device buffer -------------------------------------------------------

// The device's side, on its own thread: takes what has been written, plays
// silence for the rest.
void Pull(void *context, uint8_t *out, uint32_t bytes)
{
    auto *b = static_cast<ZorbPullBuffer *>(context);
    uint64_t taken = b->Taken.load(std::memory_order_relaxed);
    uint64_t written = b->Written.load(std::memory_order_acquire);
    uint32_t k = static_cast<uint32_t>(std::min<uint64_t>(written - taken, bytes));
    uint32_t at = static_cast<uint32_t>(taken % b->Size);
    for (uint32_t left = k; left > 0;) {
        uint32_t piece = std::min(left, b->Size - at);
        std::memcpy(out, b->Data + at, piece);
        out += piece;
        left -= piece;
        at = (at + piece) % b->Size;
    }
    if (k < bytes) {
        std::memset(out, b->Silence, bytes - k);
        if (taken + k > 0)
            b->Starved.store(true, std::memory_order_relaxed);
    }
    b->Taken.store(taken + k, std::memory_order_release);
}

// Drops what the device has not taken yet (reset).
void DropUnplayed(ZorbPullBuffer *b)
{
    SoundDevice &dev = CurrentSoundDevice();
    dev.Lock(b->Device);
    b->Written.store(b->Taken.load());
    b->Starved.store(false);
    dev.Unlock(b->Device);
}

void ReleaseBuffer(ZorbTrack *t)
{
    ZorbPullBuffer *b = t->Pull.Buffer;
    if (!b)
        return;
    CurrentSoundDevice().Close(b->Device);
    ::operator delete(b->Data, std::align_val_t(16));
    delete b;
    t->Pull.Buffer = nullptr;
    if (g_state.BufferCount > 0)
        --g_state.BufferCount;
}

bool CreateObject()
{
    if (g_state.ObjectExists)
        return true;
    if (!CurrentSoundDevice().Init()) {
        PlatformDebugLog("Unable to create DirectSound object - error #: %d\n", 1);
        PlatformDebugLog("%s\n", CurrentSoundDevice().LastError());
        return false;
    }
    g_state.ObjectExists = true;
    g_state.CreatedHere = true;
    PlatformDebugLog("DirectSound using HWND: %lu\n", static_cast<unsigned long>(g_state.Window));
    return true;
}

void ReleaseObjectIfCreatedHere()
{
    if (g_state.ObjectExists && g_state.CreatedHere) {
        CurrentSoundDevice().Quit();
        g_state.ObjectExists = false;
        g_state.CreatedHere = false;
    }
}

// Creates the device buffer (tried once more when the device refuses).
bool CreateBuffer(ZorbTrack *t)
{
    ZorbPullChannel &c = t->Pull;
    SoundDevice &dev = CurrentSoundDevice();
    auto *b = new (std::nothrow) ZorbPullBuffer;
    if (!b)
        return false;
    b->Size = c.BufferBytes;
    b->Silence = SilenceByte(t);
    b->Written.store(0);
    b->Taken.store(0);
    b->Starved.store(false);
    b->Data = static_cast<uint8_t *>(::operator new(c.BufferBytes, std::align_val_t(16), std::nothrow));
    if (!b->Data) {
        delete b;
        return false;
    }
    std::memset(b->Data, b->Silence, c.BufferBytes);
    SoundFormat format{t->SampleRate, t->IsStereo ? 2u : 1u, t->Is16Bit ? 16u : 8u};
    b->Device = dev.OpenPull(format, t->TrackIndex, Pull, b);
    if (b->Device == 0)
        b->Device = dev.OpenPull(format, t->TrackIndex, Pull, b);
    if (b->Device == 0) {
        PlatformDebugLog("Unable to create sound buffer - Error #: %d\n", 1);
        PlatformDebugLog("%s\n", dev.LastError());
        ::operator delete(b->Data, std::align_val_t(16));
        delete b;
        return false;
    }
    c.Buffer = b;
    ++g_state.BufferCount;
    t->LeadBytes = LeadBytesFor(t, dev.PeriodFrames(b->Device));
    return true;
}

// ---- The seven operations -----------------------------------------------------

// Moves pending sound from the ring into the device buffer, as much as fits,
// in whole sample frames.
void ServiceChannel(ZorbTrack *t)
{
    ZorbPullBuffer *b = t->Pull.Buffer;
    uint64_t written = b->Written.load(std::memory_order_relaxed);
    uint32_t room = b->Size - static_cast<uint32_t>(written - b->Taken.load(std::memory_order_acquire));
    uint32_t n = std::min(Pending(t).load(), room);
    n -= n % SampleFrameBytes(t);
    if (n == 0)
        return;
    uint32_t at = static_cast<uint32_t>(written % b->Size);
    for (uint32_t left = n; left > 0;) {
        uint32_t piece = std::min(left, b->Size - at);
        RingRead(t, b->Data + at, piece);
        left -= piece;
        at = (at + piece) % b->Size;
    }
    Pending(t).fetch_sub(n);
    // The device played silence since sound last came, for want of any.
    if (b->Starved.exchange(false)) {
        SkipCount(t).fetch_add(1);
        UnderrunFlag(t).store(1);
    } else {
        UnderrunFlag(t).store(0);
    }
    b->Written.store(written + n, std::memory_order_release);
}

void Service()
{
    if (!SoundTryEnterPass())
        return;
    uint32_t now = PlatformTimeMs();
    bool run = !g_state.PassTimeSet || static_cast<int32_t>(now - g_state.NextPassTime) >= 0;
    if (run) {
        g_state.NextPassTime = now + kServiceGateMs;
        g_state.PassTimeSet = true;
        for (ZorbTrack *t = SoundChannelList(); t; t = t->NextChannel)
            if (t->Pull.Buffer)
                ServiceChannel(t);
    }
    SoundLeavePass();
}

int OpenChannel(ZorbTrack *t, uint32_t /*stereo*/, uint32_t /*openFlags*/)
{
    ZorbPullChannel &c = t->Pull;
    SoundGuard guard;
    // Half a second, in 4 KB steps (at least one step).
    c.BufferBytes = std::max<uint32_t>((t->BytesPerSecond / 2 + 4095) & ~4095u, 4096);
    PlatformDebugLog("Using DirectSound\n");
    bool createdNow = false;
    if (!g_state.ObjectExists) {
        if (!CreateObject())
            return 0;
        createdNow = true;
    }
    bool ok = CreateBuffer(t);
    if (ok) {
        DeviceClockRestart(&t->Clock, 0, PlatformTimeMs());
        if (!SoundChannelList())
            g_timer.Start();
        SoundChannelAdd(t);
    } else if (createdNow && g_state.BufferCount == 0) {
        ReleaseObjectIfCreatedHere();
    }
    return ok ? 1 : 0;
}

void CloseChannel(ZorbTrack *t)
{
    SoundGuard guard;
    SoundChannelRemove(t);
    if (!SoundChannelList())
        g_timer.Stop();
    ReleaseBuffer(t);
    if (!SoundChannelList()) {
        if (g_state.BufferCount == 0)
            ReleaseObjectIfCreatedHere();
    }
}

uint32_t PlayedPosition(ZorbTrack *t)
{
    Service();
    SoundGuard guard;
    ZorbPullBuffer *b = t->Pull.Buffer;
    uint32_t now = PlatformTimeMs();
    if (!b)
        return t->Clock.Reported; // paused: the position stands
    return DeviceClockUpdate(&t->Clock, b->Taken.load(std::memory_order_acquire), now, t->BytesPerSecond);
}

void Reset(ZorbTrack *t)
{
    SoundGuard guard;
    ZorbPullBuffer *b = t->Pull.Buffer;
    if (b)
        DropUnplayed(b);
    UnderrunFlag(t).store(0);
    DeviceClockRestart(&t->Clock, b ? b->Taken.load() : 0, PlatformTimeMs());
}

void Pause(ZorbTrack *t)
{
    SoundGuard guard;
    ReleaseBuffer(t);
    UnderrunFlag(t).store(0);
    if (g_state.BufferCount == 0)
        ReleaseObjectIfCreatedHere();
}

int Resume(ZorbTrack *t)
{
    SoundGuard guard;
    ZorbPullChannel &c = t->Pull;
    if (c.Buffer)
        return 1;
    if (!g_state.ObjectExists && !CreateObject())
        return 0;
    if (!CreateBuffer(t)) {
        if (g_state.BufferCount == 0)
            ReleaseObjectIfCreatedHere();
        return 0;
    }
    DeviceClockCarryOver(&t->Clock, 0, PlatformTimeMs());
    return 1;
}

const ZorbSoundBackend kPullBackend = {
    "pull", Service, OpenChannel, CloseChannel, PlayedPosition, Reset, Pause, Resume,
};

} // namespace

const ZorbSoundBackend *PullSoundBackend()
{
    return &kPullBackend;
}

PullBackendState PullBackendStateForTests()
{
    return PullBackendState{g_state.ObjectExists, g_state.CreatedHere,  g_state.Window,     g_state.BufferCount,
                            g_timer.Running(),    g_state.NextPassTime, g_state.PassTimeSet};
}

void SetPullTimerPassesEnabled(bool enabled)
{
    g_timer.PassesEnabled.store(enabled);
}

void ResetSoundBackendsForTests()
{
    g_timer.Stop();
    g_state = State{};
    g_timer.PassesEnabled.store(true);
}

} // namespace zorb

extern "C" uint8_t ZorbSelectDirectSound(void *object)
{
    using namespace zorb;
    if (const ZorbSoundBackend *installed = SoundBackend())
        return installed == PullSoundBackend() ? 1 : 0;
    if (!SoundInstallBackend(PullSoundBackend()))
        return 0;
    if (object) {
        // The caller's audio system: used, never taken down by us.
        g_state.ObjectExists = true;
        g_state.CreatedHere = false;
    }
    return 1;
}

extern "C" void ZorbSetSoundWindow(void *window)
{
    zorb::g_state.Window = reinterpret_cast<uintptr_t>(window);
    // The device needs no cooperation with a window here; the call is kept for
    // its callers.
}
