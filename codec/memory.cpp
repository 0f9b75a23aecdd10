// Memory of a handle: 16-byte aligned, zero-filled blocks booked in
// MemoryInUse and PeakMemory.
#include <cstddef>
#include <cstdlib>

#include "codec/handle.h"

namespace zorb {

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

// calloc gives 16-byte alignment here and takes large blocks straight from
// the system, already zero: a preloaded file's buffer is not written twice.
static_assert(alignof(std::max_align_t) >= 16, "blocks must be 16-byte aligned");

void *HandleAlloc(ZorbHandle *h, size_t size)
{
    size_t rounded = (size + 15) & ~size_t{15};
    if (rounded < size)
        return nullptr;
    if (rounded == 0)
        rounded = 16;
    void *p = std::calloc(1, rounded);
    if (!p)
        return nullptr;
    BookMemory(h, size);
    return p;
}

void HandleFree(ZorbHandle *h, void *p, size_t size)
{
    if (!p)
        return;
    std::free(p);
    UnbookMemory(h, size);
}

} // namespace zorb
