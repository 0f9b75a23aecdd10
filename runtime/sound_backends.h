// The two sound back ends of the runtime (internal).
#ifndef ZORB_RUNTIME_SOUND_BACKENDS_H
#define ZORB_RUNTIME_SOUND_BACKENDS_H

#include <stdint.h>

#include <atomic>

struct ZorbSoundBackend;
struct ZorbTrack;

// The device buffer of the pull back end, a ring between our service (which
// writes at Written) and the device's pull (which takes from Taken): the pull
// takes what has been written and plays silence for the rest, marking the
// buffer Starved when it had to.
struct ZorbPullBuffer {
    uint32_t Device;
    uint8_t *Data;
    uint32_t Size;
    uint8_t Silence;
    std::atomic<uint64_t> Written; // bytes ever written
    std::atomic<uint64_t> Taken;   // bytes ever taken by the device
    std::atomic<bool> Starved;     // the device found nothing (or too little) since sound last came
};

namespace zorb {

// The sound a back end keeps handed over ahead of its device, for a device
// period of so many sample frames: three periods, at least a tenth of a
// second, at most a quarter.
uint32_t LeadBytesFor(const ZorbTrack *t, uint32_t periodFrames);

// The default back end: queued devices (installed by the first track open).
const ZorbSoundBackend *QueueSoundBackend();
// The pull back end with its 75 ms service timer (installed by ZorbSelectDirectSound).
const ZorbSoundBackend *PullSoundBackend();

// Process-wide state of the pull back end, for tests.
struct PullBackendState {
    bool ObjectExists;    // the audio system is up for us
    bool CreatedHere;     // we brought it up (and take it down)
    uintptr_t Window;     // the window given to ZorbSetSoundWindow
    uint32_t BufferCount; // device buffers in existence
    bool TimerRunning;
    uint32_t NextPassTime;
    bool PassTimeSet;
};
PullBackendState PullBackendStateForTests();
// Stops the timer thread from calling the service (tests that drive the
// service by hand); the thread itself still starts and stops as usual.
void SetPullTimerPassesEnabled(bool enabled);
// Resets the process-wide state of both back ends (tests; no channel open).
void ResetSoundBackendsForTests();

} // namespace zorb

#endif
