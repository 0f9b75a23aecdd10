// The two sound back ends of the runtime (internal).
#ifndef ZORB_RUNTIME_SOUND_BACKENDS_H
#define ZORB_RUNTIME_SOUND_BACKENDS_H

#include <stdint.h>

#include <atomic>

struct ZorbSoundBackend;

// The device buffer of the pull back end: the device's pull reads it at the
// play cursor, round and round while playing; silence while stopped.
struct ZorbPullBuffer {
    uint32_t Device;
    uint8_t *Data;
    uint32_t Size;
    uint8_t Silence;
    std::atomic<uint32_t> Cursor;  // the play cursor: bytes the device has taken, modulo Size
    std::atomic<bool> Playing;
};

namespace zorb {

// The default back end: queued devices (installed by the first track open).
const ZorbSoundBackend *QueueSoundBackend();
// The pull back end with its 75 ms service timer (installed by ZorbSelectDirectSound).
const ZorbSoundBackend *PullSoundBackend();

// Process-wide state of the pull back end, for tests.
struct PullBackendState {
    bool ObjectExists;         // the audio system is up for us
    bool CreatedHere;          // we brought it up (and take it down)
    bool PrimaryFormatPending;
    uintptr_t Window;          // the window given to ZorbSetSoundWindow
    uint32_t BufferCount;      // device buffers in existence
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

}  // namespace zorb

#endif
