// The pull sound back end (selected with ZorbSelectDirectSound): one device
// per track pulling from our half-second device buffer, which plays round
// and round. The play cursor is what the device has taken. A timer thread
// runs the service every 75 ms besides the owning thread; the busy counter
// keeps the two apart (see SoundGuard), and a 10 ms gate keeps the service
// from running more often however often it is called.
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

constexpr uint32_t kFlagGetPosition2 = 0x10000;
constexpr uint32_t kFlagGlobalFocus = 0x8000;
constexpr uint32_t kFlagPan = 0x40;
constexpr uint32_t kFlagVolume = 0x80;
constexpr uint32_t kTimerPeriodMs = 75;
constexpr uint32_t kServiceGateMs = 10;

struct State {
    bool ObjectExists = false;
    bool CreatedHere = false;
    bool CallerObject = false;  // the caller brought the audio system up
    bool PrimaryFormatPending = false;
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
    void Start() {
        if (thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = false;
        }
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        if (!thread_.joinable()) return;
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
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            if (wake_.wait_for(lock, std::chrono::milliseconds(kTimerPeriodMs), [this] { return stop_; })) break;
            lock.unlock();
            if (PassesEnabled.load()) Service();
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

void Pull(void *context, uint8_t *out, uint32_t bytes) {
    auto *b = static_cast<ZorbPullBuffer *>(context);
    if (!b->Playing.load(std::memory_order_relaxed)) {
        std::memset(out, b->Silence, bytes);
        return;
    }
    uint32_t cursor = b->Cursor.load(std::memory_order_relaxed);
    while (bytes > 0) {
        uint32_t k = std::min(bytes, b->Size - cursor);
        std::memcpy(out, b->Data + cursor, k);
        out += k;
        bytes -= k;
        cursor += k;
        if (cursor == b->Size) cursor = 0;
    }
    b->Cursor.store(cursor, std::memory_order_relaxed);
}

void StopBuffer(ZorbPullBuffer *b) {
    SoundDevice &dev = CurrentSoundDevice();
    dev.Lock(b->Device);
    b->Playing.store(false);
    b->Cursor.store(0);
    dev.Unlock(b->Device);
}

void StartBuffer(ZorbPullBuffer *b) {
    SoundDevice &dev = CurrentSoundDevice();
    dev.Lock(b->Device);
    b->Playing.store(true);
    dev.Unlock(b->Device);
}

void ReleaseBuffer(ZorbTrack *t) {
    ZorbPullBuffer *b = t->Pull.Buffer;
    if (!b) return;
    CurrentSoundDevice().Close(b->Device);
    ::operator delete(b->Data, std::align_val_t(16));
    delete b;
    t->Pull.Buffer = nullptr;
    if (g_state.BufferCount > 0) --g_state.BufferCount;
}

bool CreateObject() {
    if (g_state.ObjectExists) return true;
    if (!CurrentSoundDevice().Init()) {
        PlatformDebugLog("Unable to create DirectSound object - error #: %d\n", 1);
        PlatformDebugLog("%s\n", CurrentSoundDevice().LastError());
        return false;
    }
    g_state.ObjectExists = true;
    g_state.CreatedHere = true;
    PlatformDebugLog("DirectSound using HWND: %lu\n", static_cast<unsigned long>(g_state.Window));
    g_state.PrimaryFormatPending = true;
    return true;
}

void ReleaseObjectIfCreatedHere() {
    if (g_state.ObjectExists && g_state.CreatedHere) {
        CurrentSoundDevice().Quit();
        g_state.ObjectExists = false;
        g_state.CreatedHere = false;
    }
}

// Creates the device buffer (tried once more without global focus).
bool CreateBuffer(ZorbTrack *t) {
    ZorbPullChannel &c = t->Pull;
    SoundDevice &dev = CurrentSoundDevice();
    auto *b = new (std::nothrow) ZorbPullBuffer;
    if (!b) return false;
    b->Size = c.BufferBytes;
    b->Silence = SilenceByte(t);
    b->Cursor.store(0);
    b->Playing.store(false);
    b->Data = static_cast<uint8_t *>(::operator new(c.BufferBytes, std::align_val_t(16), std::nothrow));
    if (!b->Data) {
        delete b;
        return false;
    }
    std::memset(b->Data, b->Silence, c.BufferBytes);
    SoundFormat format{t->SampleRate, t->IsStereo ? 2u : 1u, t->Is16Bit ? 16u : 8u};
    b->Device = dev.OpenPull(format, t->TrackIndex, Pull, b);
    if (b->Device == 0) {
        c.BufferFlags &= ~kFlagGlobalFocus;  // the retry goes without global focus
        b->Device = dev.OpenPull(format, t->TrackIndex, Pull, b);
    }
    if (b->Device == 0) {
        PlatformDebugLog("Unable to create sound buffer - Error #: %d\n", 1);
        PlatformDebugLog("%s\n", dev.LastError());
        ::operator delete(b->Data, std::align_val_t(16));
        delete b;
        return false;
    }
    c.Buffer = b;
    ++g_state.BufferCount;
    c.LastPosition = 0;
    c.Stopped = 1;
    c.DataEnd = -1;
    c.LastReported = 0;
    return true;
}

// ---- The seven operations -----------------------------------------------------

// The device has played everything there was: stop, rewind, all free.
void RunOut(ZorbTrack *t) {
    ZorbPullChannel &c = t->Pull;
    UnderrunFlag(t).store(1);
    StopBuffer(c.Buffer);
    c.Stopped = 1;
    c.DataEnd = -1;
    c.FreeBytes = c.BufferBytes;
    // The buffer restarts at position 0, so the next data goes there too
    // (written anywhere else it would be reached only after stale bytes).
    c.WriteOffset = 0;
}

bool InStretch(uint32_t p, uint32_t from, uint32_t to) {
    return from <= to ? (p >= from && p < to) : (p >= from || p < to);
}

// Copies n bytes from the ring into the device buffer at WriteOffset (wrapping).
void CopyIn(ZorbTrack *t, uint32_t n) {
    ZorbPullChannel &c = t->Pull;
    uint8_t *data = c.Buffer->Data;
    while (n > 0) {
        uint32_t k = std::min(n, c.BufferBytes - c.WriteOffset);
        RingRead(t, data + c.WriteOffset, k);
        n -= k;
        c.WriteOffset = (c.WriteOffset + k) % c.BufferBytes;
    }
}

void FillIn(ZorbTrack *t, uint32_t n) {
    ZorbPullChannel &c = t->Pull;
    uint8_t *data = c.Buffer->Data;
    while (n > 0) {
        uint32_t k = std::min(n, c.BufferBytes - c.WriteOffset);
        std::memset(data + c.WriteOffset, SilenceByte(t), k);
        n -= k;
        c.WriteOffset = (c.WriteOffset + k) % c.BufferBytes;
    }
}

void ServiceChannel(ZorbTrack *t) {
    ZorbPullChannel &c = t->Pull;
    ZorbPullBuffer *b = c.Buffer;
    SoundDevice &dev = CurrentSoundDevice();
    if (c.Stopped) {
        c.WriteOffset = 0;
        c.FreeBytes = c.BufferBytes;
        c.DataEnd = -1;
    } else {
        uint32_t cursor = b->Cursor.load();
        if (c.DataEnd >= 0 && InStretch(cursor, static_cast<uint32_t>(c.DataEnd), c.SilenceEnd)) {
            RunOut(t);
        } else {
            uint32_t played = (cursor + c.BufferBytes - c.LastPlayCursor) % c.BufferBytes;
            c.LastPlayCursor = cursor;
            c.FreeBytes += played;
            if (c.FreeBytes >= c.BufferBytes) RunOut(t);
        }
    }

    bool wrote = false;
    if (c.FreeBytes > c.BufferBytes / 4 && c.DataEnd < 0) {
        uint32_t pending = Pending(t).load();
        if (pending < 4) {
            if (!c.Stopped && c.FreeBytes > c.BufferBytes / 5 * 4) {
                // The last bytes, then a quarter buffer of silence; the sound
                // has run out once the cursor reaches that silence.
                uint32_t span = pending + (c.BufferBytes / 16) * 4;
                dev.Lock(b->Device);
                CopyIn(t, pending);
                c.DataEnd = static_cast<int32_t>(c.WriteOffset);
                FillIn(t, span - pending);
                dev.Unlock(b->Device);
                Pending(t).fetch_sub(pending);
                c.SilenceEnd = c.WriteOffset;
                c.WrittenTotal += pending;
                UnderrunFlag(t).store(1);
                wrote = true;
            }
        } else {
            uint32_t n = std::min(pending, c.FreeBytes) & ~3u;
            if (n > 0) {
                dev.Lock(b->Device);
                CopyIn(t, n);
                dev.Unlock(b->Device);
                Pending(t).fetch_sub(n);
                c.WrittenTotal += n;
                c.FreeBytes -= n;
                wrote = true;
            }
        }
    }

    if (c.Stopped && wrote) {
        g_state.PrimaryFormatPending = false;  // the device takes each track's own format
        c.Stopped = 0;
        StartBuffer(b);
        c.LastPlayCursor = 0;
    }
}

void Service() {
    if (!SoundTryEnterPass()) return;
    uint32_t now = PlatformTimeMs();
    bool run = !g_state.PassTimeSet || static_cast<int32_t>(now - g_state.NextPassTime) >= 0;
    if (run) {
        g_state.NextPassTime = now + kServiceGateMs;
        g_state.PassTimeSet = true;
        for (ZorbTrack *t = SoundChannelList(); t; t = t->NextChannel)
            if (t->Pull.Buffer) ServiceChannel(t);
    }
    SoundLeavePass();
}

int OpenChannel(ZorbTrack *t, uint32_t /*stereo*/, uint32_t openFlags) {
    ZorbPullChannel &c = t->Pull;
    SoundGuard guard;
    // Half a second, in 4 KB steps (at least one step).
    c.BufferBytes = std::max<uint32_t>((t->BytesPerSecond / 2 + 4095) & ~4095u, 4096);
    PlatformDebugLog("Using DirectSound\n");
    bool createdNow = false;
    if (!g_state.ObjectExists) {
        if (!CreateObject()) return 0;
        createdNow = true;
    }
    c.WrittenTotal = 0;
    c.BufferFlags = kFlagGetPosition2 | kFlagGlobalFocus;
    if (openFlags & 0x20) c.BufferFlags |= kFlagPan;
    if (openFlags & 0x40) c.BufferFlags |= kFlagVolume;
    bool ok = CreateBuffer(t);
    if (ok) {
        if (!SoundChannelList()) g_timer.Start();
        SoundChannelAdd(t);
    } else if (createdNow && g_state.BufferCount == 0) {
        ReleaseObjectIfCreatedHere();
    }
    return ok ? 1 : 0;
}

void CloseChannel(ZorbTrack *t) {
    SoundGuard guard;
    SoundChannelRemove(t);
    if (!SoundChannelList()) g_timer.Stop();
    ReleaseBuffer(t);
    if (!SoundChannelList()) {
        if (g_state.BufferCount == 0) ReleaseObjectIfCreatedHere();
        g_state.PrimaryFormatPending = false;
    }
}

uint32_t PlayedPosition(ZorbTrack *t) {
    Service();
    SoundGuard guard;
    ZorbPullChannel &c = t->Pull;
    uint32_t now = PlatformTimeMs();
    int64_t p = c.Buffer ? int64_t(c.WrittenTotal) - (int64_t(c.BufferBytes) - int64_t(c.FreeBytes))
                         : int64_t(c.WrittenTotal);
    if (p < 0) p = 0;
    uint32_t pos = static_cast<uint32_t>(p);
    if (pos == c.LastPosition && pos != 0) {
        // The cursor has not moved since the last question: go on by time.
        uint64_t guess = c.LastPosition + uint64_t(now - c.LastPositionTime) * t->BytesPerSecond / 1000u;
        pos = static_cast<uint32_t>(std::min<uint64_t>(guess, c.WrittenTotal));
    } else {
        c.LastPosition = pos;
        c.LastPositionTime = now;
    }
    if (pos < c.LastReported) return c.LastReported;
    c.LastReported = pos;
    return pos;
}

void Reset(ZorbTrack *t) {
    SoundGuard guard;
    ZorbPullChannel &c = t->Pull;
    if (c.Buffer) StopBuffer(c.Buffer);
    c.Stopped = 1;
    c.DataEnd = -1;
    c.LastPosition = 0;
    c.LastReported = 0;
    c.WrittenTotal = 0;
}

void Pause(ZorbTrack *t) {
    SoundGuard guard;
    ZorbPullChannel &c = t->Pull;
    if (c.Buffer) StopBuffer(c.Buffer);
    ReleaseBuffer(t);
    c.Stopped = 1;
    if (g_state.BufferCount == 0) ReleaseObjectIfCreatedHere();
}

int Resume(ZorbTrack *t) {
    SoundGuard guard;
    ZorbPullChannel &c = t->Pull;
    if (c.Buffer) return 1;
    if (!g_state.ObjectExists && !CreateObject()) return 0;
    if (!CreateBuffer(t)) {
        if (g_state.BufferCount == 0) ReleaseObjectIfCreatedHere();
        return 0;
    }
    return 1;
}

const ZorbSoundBackend kPullBackend = {
    "pull", Service, OpenChannel, CloseChannel, PlayedPosition, Reset, Pause, Resume,
};

}  // namespace

const ZorbSoundBackend *PullSoundBackend() { return &kPullBackend; }

PullBackendState PullBackendStateForTests() {
    return PullBackendState{g_state.ObjectExists, g_state.CreatedHere, g_state.PrimaryFormatPending,
                            g_state.Window,       g_state.BufferCount, g_timer.Running(),
                            g_state.NextPassTime, g_state.PassTimeSet};
}

void SetPullTimerPassesEnabled(bool enabled) { g_timer.PassesEnabled.store(enabled); }

void ResetSoundBackendsForTests() {
    g_timer.Stop();
    g_state = State{};
    g_timer.PassesEnabled.store(true);
}

}  // namespace zorb

extern "C" uint8_t ZorbSelectDirectSound(void *object) {
    using namespace zorb;
    if (const ZorbSoundBackend *installed = SoundBackend()) return installed == PullSoundBackend() ? 1 : 0;
    if (!SoundInstallBackend(PullSoundBackend())) return 0;
    if (object) {
        // The caller's audio system: used, never taken down by us.
        g_state.ObjectExists = true;
        g_state.CreatedHere = false;
        g_state.CallerObject = true;
    }
    return 1;
}

extern "C" void ZorbSetSoundWindow(void *window) {
    zorb::g_state.Window = reinterpret_cast<uintptr_t>(window);
    // The device needs no cooperation with a window here; the call is kept for
    // its callers.
}
