// Memory of a handle: 16-byte aligned, zero-filled blocks booked in
// MemoryInUse and PeakMemory. Every block of the library, the handle record
// included, comes from AllocateBlock, so a test can make any one of them fail.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "codec/format.h"
#include "codec/handle.h"

namespace zorb {

namespace {

AllocationHook g_allocationHook = nullptr;
std::atomic<size_t> g_liveBlocks{0};

} // namespace

void SetAllocationHook(AllocationHook hook)
{
    g_allocationHook = hook;
}

size_t LiveBlocks()
{
    return g_liveBlocks.load(std::memory_order_relaxed);
}

// calloc gives 16-byte alignment here and takes large blocks straight from
// the system, already zero: a preloaded file's buffer is not written twice.
// The browser build's allocator aligns to 8 bytes only and asks for 16.
#ifndef __EMSCRIPTEN__
static_assert(alignof(std::max_align_t) >= 16, "blocks must be 16-byte aligned");
#endif

void *AllocateBlock(size_t size)
{
    size_t rounded = ZbxAlign16(size);
    if (rounded < size)
        return nullptr;
    if (rounded == 0)
        rounded = ZBX_ALIGNMENT;
    if (g_allocationHook && !g_allocationHook(size))
        return nullptr;
#ifdef __EMSCRIPTEN__
    void *p = std::aligned_alloc(ZBX_ALIGNMENT, rounded);
    if (!p)
        return nullptr;
    std::memset(p, 0, rounded);
#else
    void *p = std::calloc(1, rounded);
    if (!p)
        return nullptr;
#endif
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void FreeBlock(void *p)
{
    if (!p)
        return;
    std::free(p);
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

void BookMemory(ZorbHandle *h, size_t size)
{
    uint64_t now = uint64_t{h->MemoryInUse} + size;
    h->MemoryInUse = now > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(now);
    if (h->MemoryInUse > h->PeakMemory)
        h->PeakMemory = h->MemoryInUse;
}

void UnbookMemory(ZorbHandle *h, size_t size)
{
    h->MemoryInUse = size >= h->MemoryInUse ? 0 : h->MemoryInUse - static_cast<uint32_t>(size);
}

void *HandleAlloc(ZorbHandle *h, size_t size)
{
    void *p = AllocateBlock(size);
    if (p)
        BookMemory(h, size);
    return p;
}

void HandleFree(ZorbHandle *h, void *p, size_t size)
{
    if (!p)
        return;
    FreeBlock(p);
    UnbookMemory(h, size);
}

} // namespace zorb
