// Internal: whole-buffer reads and writes on file descriptors, retried on
// interruption. Numbers in the link protocol: platform/byte_order.h.
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

} // namespace zorb::platform

#endif
