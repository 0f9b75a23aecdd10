// Makes the queued SDL2 back end the default that the first track open
// installs, and hands the sound service to the rest of the runtime (the
// blitter calls it around long work), in every program that links the
// runtime. The runtime's link options name ZorbSoundRuntimeLink, so this
// file is always linked in.
#include "codec/sound_track.h"
#include "runtime/sound_backends.h"
#include "runtime/sound_hook.h"

extern "C" void ZorbSoundRuntimeLink(void) {}

namespace {

struct RegisterDefaultBackend {
    RegisterDefaultBackend()
    {
        zorb::SoundSetDefaultBackend(zorb::QueueSoundBackend());
        zorb::RuntimeSetSoundService(zorb::SoundServiceIfOpen);
    }
};
const RegisterDefaultBackend g_register;

} // namespace
