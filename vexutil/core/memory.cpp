// vexmalloc / vexfree: 16-byte aligned blocks; the byte before a block holds
// how far it was advanced from what the heap returned.
#include "platform/platform.h"
#include "vexutil/vexutil.h"

#include <cstdint>
#include <cstdlib>

extern "C" VEXAPI void *vexmalloc(int32_t size)
{
    if (size <= 0) // 0 and -1 (and other negative sizes) give no block, silently
        return nullptr;
    unsigned char *raw = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(size) + 16));
    if (!raw) {
        PlatformMessage("Memory Error", "Error: ran out of memory!");
        return nullptr;
    }
    const unsigned advance = 16u - static_cast<unsigned>(reinterpret_cast<uintptr_t>(raw) & 15u);
    unsigned char *block = raw + advance;
    block[-1] = static_cast<unsigned char>(advance);
    return block;
}

extern "C" VEXAPI void vexfree(void *block)
{
    if (!block)
        return;
    unsigned char *p = static_cast<unsigned char *>(block);
    std::free(p - p[-1]);
}
