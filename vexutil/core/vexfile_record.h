// Internal: the record behind a VEXFILE handle. Callers of the library only
// see the opaque type; the library's own files and its tests use the fields.
#ifndef ZORB_VEXUTIL_CORE_VEXFILE_RECORD_H
#define ZORB_VEXUTIL_CORE_VEXFILE_RECORD_H

#include "vexutil/vexutil.h"

#include <cstdint>

struct VEXFILE {
    int handle;          // file descriptor; -1 marks a closed record
    uint32_t error;      // 1 after a short write; never cleared
    char *name;          // the name as given (any length; copies hand out 127 characters)
    uint8_t *buffer;     // null until first use; stays null when unbuffered
    uint32_t bufferSize; // 0 = unbuffered
    uint32_t fill;       // read: valid bytes of the last refill; write: the capacity
    uint32_t index;      // next byte to read or write in the buffer
    uint32_t osPosition; // the descriptor's offset (see the position rules in vexfile.cpp)
    int32_t cachedSize;  // -1 while unknown
    uint32_t bitCount;   // read: bits consumed from heldByte; write: bits pending in it
    uint32_t heldByte;   // low 8 bits used
    uint32_t direction;  // 0 read, 1 write
};

namespace vex {
constexpr uint32_t kRead = 0;
constexpr uint32_t kWrite = 1;
constexpr size_t kNameCopy = 128; // the name field of the original record: 127 characters and the NUL
} // namespace vex

#endif
