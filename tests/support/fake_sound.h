// Test fixtures for the sound output: a fake device layer that records what
// each device received and lets the test decide how much it has played, a
// clock the test sets by hand, and a fake back end that plays by that clock.
#ifndef ZORB_TESTS_SUPPORT_FAKE_SOUND_H
#define ZORB_TESTS_SUPPORT_FAKE_SOUND_H

#include <stdint.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/sound_device.h"

struct ZorbSoundBackend;
struct ZorbTrack;

namespace zorbtest {

// A clock under the test's control, installed with PlatformSetClock. Every
// reading may move it on by a fixed step (so polling loops end).
class ManualClock {
public:
    explicit ManualClock(uint32_t start = 1000, uint32_t stepPerRead = 0);
    ~ManualClock();
    void Set(uint32_t ms) { now_.store(ms); }
    void Advance(uint32_t ms) { now_.fetch_add(ms); }
    uint32_t Now() const { return now_.load(); }
    void SetStep(uint32_t step) { step_.store(step); }

private:
    static uint32_t Read(void *self);
    std::atomic<uint32_t> now_;
    std::atomic<uint32_t> step_;
};

class FakeSoundDevice : public zorb::SoundDevice {
public:
    struct Device {
        bool Pull = false;
        bool Open = true;
        bool Paused = false;
        uint32_t Track = 0;
        zorb::SoundFormat Format{};
        zorb::SoundPullFn Fn = nullptr;
        void *Context = nullptr;
        std::vector<uint8_t> Received;    // queued: everything handed over; pull: everything pulled
        uint64_t Consumed = 0;            // queued: bytes the device has taken
        std::vector<uint32_t> QueueCalls; // sizes of the buffers handed over
    };

    FakeSoundDevice();           // installs itself
    ~FakeSoundDevice() override; // restores the SDL layer

    // Behaviour.
    bool FailInit = false;
    int FailOpens = 0;       // the next n opens fail
    bool AutoConsume = true; // queued devices take everything at once
    int InitCount = 0;       // Init minus Quit calls
    int LockDepth = 0;
    uint32_t Period = 256; // sample frames per device period

    // The device takes up to n more queued bytes.
    void Consume(uint32_t device, uint64_t n);
    // The device pulls n bytes (runs its pull function) and returns them.
    std::vector<uint8_t> PullBytes(uint32_t device, uint32_t n);
    Device &Get(uint32_t device) { return devices_.at(device); }
    // The most recent device opened for a track (0 if none).
    uint32_t LastFor(uint32_t track) const;
    size_t OpenDevices() const;

    bool Init() override;
    void Quit() override;
    uint32_t OpenQueued(const zorb::SoundFormat &format, uint32_t track) override;
    uint32_t OpenPull(const zorb::SoundFormat &format, uint32_t track, zorb::SoundPullFn fn, void *context) override;
    void Close(uint32_t device) override;
    uint32_t PeriodFrames(uint32_t) override { return Period; }
    bool Queue(uint32_t device, const uint8_t *data, uint32_t bytes) override;
    uint32_t QueuedBytes(uint32_t device) override;
    void ClearQueue(uint32_t device) override;
    void SetPaused(uint32_t device, bool paused) override { devices_.at(device).Paused = paused; }
    void Lock(uint32_t device) override;
    void Unlock(uint32_t device) override;
    const char *LastError() override { return "fake device failure"; }

private:
    uint32_t Open(const zorb::SoundFormat &format, uint32_t track, bool pull, zorb::SoundPullFn fn, void *context);
    std::recursive_mutex mutex_;
    std::map<uint32_t, Device> devices_;
    uint32_t nextId_ = 1;
};

// A back end that "plays" by the clock: the played position of a channel is
// what the test sets; it records the operations called on it.
struct FakeBackend {
    static const ZorbSoundBackend *Table();
    static void Clear();
    static bool FailOpen;
    static bool FailResume;
    static std::map<const ZorbTrack *, uint32_t> Played;
    static std::vector<std::string> Calls; // "open 0", "reset 1", "pause 0", ...
    static int Services;
};

// Puts the process-wide sound state back to "nothing installed" (codec and
// runtime), with no default back end.
void ResetSoundState();

} // namespace zorbtest

#endif
