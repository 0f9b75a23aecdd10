// SDL2 audio devices for the sound back ends.
#include "runtime/sound_device.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

namespace zorb {

namespace {

SoundDeviceNamer g_namer = nullptr;
void *g_namerContext = nullptr;

struct PullTarget {
    SoundPullFn Fn;
    void *Context;
};

void SDLCALL PullCallback(void *userdata, Uint8 *stream, int len)
{
    auto *target = static_cast<PullTarget *>(userdata);
    target->Fn(target->Context, stream, static_cast<uint32_t>(len));
}

// Device buffer of about 20-40 ms: short enough that the queue's "consumed"
// state follows the real playing closely.
Uint16 DeviceSamples(uint32_t rate)
{
    Uint16 samples = 256;
    while (samples < 4096 && samples * 2u <= rate / 25u)
        samples = static_cast<Uint16>(samples * 2u);
    return samples;
}

class SdlSoundDevice final : public SoundDevice {
public:
    bool Init() override
    {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); // SIGINT and SIGTERM keep their usual effect
        return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    void Quit() override { SDL_QuitSubSystem(SDL_INIT_AUDIO); }

    uint32_t OpenQueued(const SoundFormat &format, uint32_t track) override { return Open(format, track, nullptr); }

    uint32_t OpenPull(const SoundFormat &format, uint32_t track, SoundPullFn fn, void *context) override
    {
        auto *target = new PullTarget{fn, context};
        uint32_t id = Open(format, track, target);
        if (id == 0)
            delete target;
        return id;
    }

    void Close(uint32_t device) override
    {
        if (device == 0)
            return;
        SDL_CloseAudioDevice(device);
        if (device < kMaxIds) {
            delete targets_[device];
            targets_[device] = nullptr;
        }
    }

    uint32_t PeriodFrames(uint32_t device) override { return device < kMaxIds ? periods_[device] : 0; }

    bool Queue(uint32_t device, const uint8_t *data, uint32_t bytes) override
    {
        return SDL_QueueAudio(device, data, bytes) == 0;
    }
    uint32_t QueuedBytes(uint32_t device) override { return SDL_GetQueuedAudioSize(device); }
    void ClearQueue(uint32_t device) override { SDL_ClearQueuedAudio(device); }
    void SetPaused(uint32_t device, bool paused) override { SDL_PauseAudioDevice(device, paused ? 1 : 0); }
    void Lock(uint32_t device) override { SDL_LockAudioDevice(device); }
    void Unlock(uint32_t device) override { SDL_UnlockAudioDevice(device); }
    const char *LastError() override { return SDL_GetError(); }

private:
    static constexpr uint32_t kMaxIds = 256;

    uint32_t Open(const SoundFormat &format, uint32_t track, PullTarget *target)
    {
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(format.Rate);
        want.format = format.Bits == 16 ? AUDIO_S16LSB : AUDIO_U8;
        want.channels = static_cast<Uint8>(format.Channels);
        want.samples = DeviceSamples(format.Rate);
        if (target) {
            want.callback = PullCallback;
            want.userdata = target;
        }
        const char *name = g_namer ? g_namer(track, g_namerContext) : nullptr;
        // Tests of the programs name each track's device through the
        // environment: "%u" in ZORB_SOUND_DEVICE becomes the track number,
        // 1 to 7 as users count them (with SDL's disk driver the name is the
        // output file).
        std::string fromEnvironment;
        if (!name) {
            if (const char *pattern = std::getenv("ZORB_SOUND_DEVICE"); pattern && *pattern) {
                fromEnvironment = pattern;
                size_t at = fromEnvironment.find("%u");
                if (at != std::string::npos)
                    fromEnvironment.replace(at, 2, std::to_string(track + 1));
                name = fromEnvironment.c_str();
            }
        }
        SDL_AudioSpec have{};
        SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
        if (id == 0)
            return 0;
        if (id >= kMaxIds) { // never seen in practice: SDL reuses small ids
            SDL_CloseAudioDevice(id);
            SDL_SetError("too many sound devices");
            return 0;
        }
        targets_[id] = target;
        periods_[id] = have.samples;
        SDL_PauseAudioDevice(id, 0);
        return id;
    }

    PullTarget *targets_[kMaxIds] = {};
    uint32_t periods_[kMaxIds] = {};
};

SdlSoundDevice g_sdlDevice;
SoundDevice *g_device = nullptr;

} // namespace

SoundDevice &CurrentSoundDevice()
{
    return g_device ? *g_device : g_sdlDevice;
}

void SetSoundDevice(SoundDevice *device)
{
    g_device = device;
}

void SetSdlSoundDeviceNamer(SoundDeviceNamer namer, void *context)
{
    g_namer = namer;
    g_namerContext = context;
}

} // namespace zorb
