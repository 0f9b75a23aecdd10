// Processor detection and the process-wide wide-loop switch.
#include "codec/cpu.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

std::atomic<uint32_t> g_word{0}; // detection word, see ZORB_CPU_*
std::atomic<int> g_level{0};     // 0 unknown, 1 plain, 2 wide

uint32_t Detect()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    // Feature bit 23 (MMX) as the design asks, and bit 26 (SSE2) because our
    // wide loops are written with SSE2.
    if (__get_cpuid(1, &a, &b, &c, &d) && (d & (1u << 23)) && (d & (1u << 26)))
        return ZORB_CPU_DETECTED | ZORB_CPU_HAS_WIDE;
#elif defined(__wasm__)
    // WebAssembly has 64-bit integers everywhere, which is all the wide
    // decode loop needs (it uses no SSE2).
    return ZORB_CPU_DETECTED | ZORB_CPU_HAS_WIDE;
#endif
    return ZORB_CPU_DETECTED;
}

uint32_t EnsureDetected()
{
    uint32_t w = g_word.load(std::memory_order_relaxed);
    if (!(w & ZORB_CPU_DETECTED)) {
        g_word.fetch_or(Detect(), std::memory_order_relaxed);
        w = g_word.load(std::memory_order_relaxed);
    }
    return w;
}

int ComputeLevel(uint32_t word)
{
    // Wide loops only when the word holds exactly "detected" and "present".
    return word == (ZORB_CPU_DETECTED | ZORB_CPU_HAS_WIDE) ? 2 : 1;
}

} // namespace

extern "C" uint32_t ZorbCpuWord(void)
{
    return EnsureDetected();
}

extern "C" int ZorbMMXLevel(void)
{
    int level = g_level.load(std::memory_order_relaxed);
    if (level == 0) {
        level = ComputeLevel(EnsureDetected());
        g_level.store(level, std::memory_order_relaxed);
    }
    return level;
}

extern "C" int ZorbSetMMX(uint32_t request)
{
    EnsureDetected();
    if (request == 0)
        g_word.fetch_or(ZORB_CPU_WIDE_OFF, std::memory_order_relaxed);
    else if (request == 1)
        g_word.fetch_and(~uint32_t{ZORB_CPU_WIDE_OFF}, std::memory_order_relaxed);
    int level = ComputeLevel(g_word.load(std::memory_order_relaxed));
    g_level.store(level, std::memory_order_relaxed);
    return level == 2 ? 1 : 0;
}
