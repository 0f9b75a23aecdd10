// RIFF files written front to back: a chunk's size is patched in when the
// chunk ends. An odd chunk's pad byte is written when more follows or its
// parent ends, so a file whose last chunk is odd ends exactly after it.
#include "platform/byte_order.h"
#include "platform/fdio.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

bool putAt(PlatformRiffWriter *w, uint64_t at, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(w->fd, p, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            w->failed = 1;
            return false;
        }
        p += n;
        at += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool flushPad(PlatformRiffWriter *w)
{
    if (!w->padPending)
        return true;
    w->padPending = 0;
    const char zero = 0;
    if (!putAt(w, w->position, &zero, 1))
        return false;
    ++w->position;
    return true;
}

} // namespace

extern "C" void PlatformRiffStart(PlatformRiffWriter *w, int fd)
{
    std::memset(w, 0, sizeof *w);
    w->fd = fd;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    w->position = at > 0 ? static_cast<uint64_t>(at) : 0;
    w->failed = fd < 0;
}

extern "C" int PlatformRiffWrite(PlatformRiffWriter *w, const void *data, size_t size)
{
    if (w->failed || !flushPad(w))
        return 0;
    if (size && !putAt(w, w->position, data, size))
        return 0;
    w->position += size;
    return 1;
}

extern "C" int PlatformRiffBegin(PlatformRiffWriter *w, const char *id, const char *form)
{
    if (w->failed || w->depth >= PLATFORM_RIFF_DEPTH || !id || std::strlen(id) != 4 ||
        (form && std::strlen(form) != 4)) {
        w->failed = 1;
        return 0;
    }
    if (!flushPad(w))
        return 0;
    unsigned char head[12];
    std::memcpy(head, id, 4);
    std::memset(head + 4, 0, 4);
    if (form)
        std::memcpy(head + 8, form, 4);
    w->open[w->depth++] = w->position;
    return PlatformRiffWrite(w, head, form ? 12 : 8);
}

extern "C" int PlatformRiffEnd(PlatformRiffWriter *w)
{
    if (w->failed || w->depth == 0) {
        w->failed = 1;
        return 0;
    }
    // An odd child's pad byte belongs inside its parent; only the file's
    // outermost chunk may end without it.
    if (w->depth > 1 && !flushPad(w))
        return 0;
    const uint64_t start = w->open[--w->depth];
    const uint64_t size = w->position - start - 8;
    if (size > 0xFFFFFFFFull) { // too large for a 32-bit chunk size
        w->failed = 1;
        return 0;
    }
    unsigned char bytes[4];
    ZbxPut32(bytes, static_cast<uint32_t>(size));
    if (!putAt(w, start + 4, bytes, 4))
        return 0;
    // The padding of an inner chunk counts in its parent.
    if (size & 1)
        w->padPending = 1;
    return 1;
}

extern "C" int PlatformRiffPad(PlatformRiffWriter *w)
{
    return !w->failed && flushPad(w);
}

extern "C" int PlatformWaveBegin(PlatformRiffWriter *w, uint32_t rate, unsigned channels, unsigned bits)
{
    const uint32_t align = channels * ((bits + 7) / 8);
    unsigned char fmt[16];
    ZbxPut16(fmt, 1); // PCM
    ZbxPut16(fmt + 2, channels);
    ZbxPut32(fmt + 4, rate);
    ZbxPut32(fmt + 8, rate * align);
    ZbxPut16(fmt + 12, align);
    ZbxPut16(fmt + 14, bits);
    return PlatformRiffBegin(w, "RIFF", "WAVE") && PlatformRiffBegin(w, "fmt ", nullptr) &&
           PlatformRiffWrite(w, fmt, sizeof fmt) && PlatformRiffEnd(w) && PlatformRiffBegin(w, "data", nullptr);
}

extern "C" int PlatformWaveEnd(PlatformRiffWriter *w)
{
    return PlatformRiffEnd(w) && PlatformRiffEnd(w);
}
