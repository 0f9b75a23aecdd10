// The device layer under the two sound back ends: SDL2 audio devices by
// default, replaceable by a fake device in tests.
//
// A queued device is fed with whole buffers (the queue back end); a pull
// device calls a function of ours for every stretch it plays (the pull back
// end). Devices start playing when opened.
#ifndef ZORB_RUNTIME_SOUND_DEVICE_H
#define ZORB_RUNTIME_SOUND_DEVICE_H

#include <stdint.h>

namespace zorb {

struct SoundFormat {
    uint32_t Rate;     // samples per second
    uint32_t Channels; // 1 or 2
    uint32_t Bits;     // 8 (unsigned) or 16 (signed, little-endian)
};

// Fills out with bytes of sound; called on the device's own thread with the
// device locked.
using SoundPullFn = void (*)(void *context, uint8_t *out, uint32_t bytes);

class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    // Brings the audio system up (counted; every successful Init needs a Quit).
    virtual bool Init() = 0;
    virtual void Quit() = 0;
    // Opens a device for track 0..6; returns its id, 0 on failure.
    virtual uint32_t OpenQueued(const SoundFormat &format, uint32_t track) = 0;
    virtual uint32_t OpenPull(const SoundFormat &format, uint32_t track, SoundPullFn fn, void *context) = 0;
    virtual void Close(uint32_t device) = 0;
    // Sample frames the device takes at a time (its period).
    virtual uint32_t PeriodFrames(uint32_t device) = 0;
    // Queued devices.
    virtual bool Queue(uint32_t device, const uint8_t *data, uint32_t bytes) = 0;
    virtual uint32_t QueuedBytes(uint32_t device) = 0; // handed over and not yet taken by the device
    virtual void ClearQueue(uint32_t device) = 0;
    // Stops a device taking sound (it stays open) and starts it again.
    virtual void SetPaused(uint32_t /*device*/, bool /*paused*/) {}
    // Pull devices: no pull runs between Lock and Unlock.
    virtual void Lock(uint32_t device) = 0;
    virtual void Unlock(uint32_t device) = 0;
    // Text of the last failure.
    virtual const char *LastError() = 0;
};

// The device layer in use (SDL2 unless a test replaced it).
SoundDevice &CurrentSoundDevice();
// Replaces the device layer (null restores SDL2). Only while no channel is open.
void SetSoundDevice(SoundDevice *device);

// The SDL2 layer opens the default output device. A namer, when set, gives
// the SDL device name per track instead (tests use it with SDL's disk driver,
// whose device names are output files).
using SoundDeviceNamer = const char *(*)(uint32_t track, void *context);
void SetSdlSoundDeviceNamer(SoundDeviceNamer namer, void *context);

} // namespace zorb

#endif
