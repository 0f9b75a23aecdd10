// The millisecond clock: a monotonic source reduced to a wrapping 32-bit
// value, replaceable by tests.
#include "platform/platform.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <sched.h>

namespace {

struct ClockHook {
    PlatformClockFn fn;
    void *context;
};

// The hook is swapped as one pointer so a reader never sees a function with
// another hook's context.
std::atomic<const ClockHook *> g_hook{nullptr};
ClockHook g_hooks[2];
std::atomic<int> g_nextSlot{0};

uint32_t monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

} // namespace

extern "C" uint32_t PlatformTimeMs(void)
{
    const ClockHook *hook = g_hook.load(std::memory_order_acquire);
    if (hook)
        return hook->fn(hook->context);
    return monotonicMs();
}

extern "C" void PlatformSetClock(PlatformClockFn fn, void *context)
{
    if (!fn) {
        g_hook.store(nullptr, std::memory_order_release);
        return;
    }
    // Two slots: the one not currently published is filled, then published.
    const int slot = g_nextSlot.fetch_xor(1) & 1;
    g_hooks[slot] = ClockHook{fn, context};
    g_hook.store(&g_hooks[slot], std::memory_order_release);
}

extern "C" void PlatformSleepMs(uint32_t ms)
{
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
