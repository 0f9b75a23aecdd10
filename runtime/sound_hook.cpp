#include "runtime/sound_hook.h"

#include <atomic>

namespace zorb {
namespace {
std::atomic<SoundServiceFn> g_service{nullptr};
}

void RuntimeSetSoundService(SoundServiceFn fn)
{
    g_service.store(fn, std::memory_order_release);
}

void RuntimeSoundService()
{
    if (SoundServiceFn fn = g_service.load(std::memory_order_acquire))
        fn();
}

} // namespace zorb
