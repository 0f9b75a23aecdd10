// Internal: whole-buffer reads and writes on file descriptors, retried on
// interruption, and the byte order of the link protocol.
#ifndef ZORB_PLATFORM_FDIO_H
#define ZORB_PLATFORM_FDIO_H

#include <cstddef>
#include <cstdint>

namespace zorb::platform {

// Writes all bytes; false when the descriptor refuses some of them.
bool writeAll(int fd, const void *data, size_t size);

// Reads up to size bytes, stopping early only at end of file or on an error.
// Returns the bytes read, or -1 on an error before anything was read.
long readUpTo(int fd, void *data, size_t size);

// Little-endian 32-bit numbers of the link protocol.
inline uint32_t getLE32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void putLE32(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

} // namespace zorb::platform

#endif
