// VEXFile: one file descriptor, one buffer, a logical position that accounts
// for buffered and partly consumed bytes, reading and writing on the same
// handle, and bit fields of 1 to 32 bits, least significant bit first.
//
// Positions. Read direction: the descriptor's offset (osPosition) lies just
// past the last refill, whose fill bytes are in the buffer; the logical
// position is osPosition + index - fill, minus one while a byte is partly
// consumed (the position names that byte). Write direction: osPosition counts
// the bytes handed to the descriptor, fill is the buffer's capacity and the
// logical position is osPosition + index (a partly filled byte is not yet
// counted). Direction changes happen on byte boundaries: a pending partial
// byte is padded with zero bits and written, and a partly consumed byte is
// where writing starts.
#include "platform/fdio.h"
#include "platform/platform.h"
#include "vexutil/core/vexfile_record.h"

#include "platform/assert.h"
#include "vexutil/core/last_error.h"
#include "vexutil/core/pathmap.h"
#include "vexutil/vexutil.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vex;

namespace {

bool isOpen(const VEXFILE *f)
{
    return f && f->handle >= 0;
}

// Reads up to count bytes (fewer only at the end of the file or on an error).
uint32_t osRead(int fd, void *dst, uint32_t count)
{
    const long got = zorb::platform::readUpTo(fd, dst, count);
    return got > 0 ? static_cast<uint32_t>(got) : 0;
}

// Writes count bytes; fewer only when the system refuses them (disk full...).
uint32_t osWrite(int fd, const void *src, uint32_t count)
{
    const uint8_t *p = static_cast<const uint8_t *>(src);
    uint32_t put = 0;
    while (put < count) {
        const ssize_t w = ::write(fd, p + put, count - put);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            break;
        put += static_cast<uint32_t>(w);
    }
    return put;
}

uint32_t logicalPosition(const VEXFILE *f)
{
    if (f->direction == kWrite)
        return f->osPosition + f->index;
    return f->osPosition + f->index - f->fill - (f->bitCount != 0 ? 1u : 0u);
}

void ensureBuffer(VEXFILE *f)
{
    if (f->buffer || f->bufferSize == 0)
        return;
    f->buffer = static_cast<uint8_t *>(vexmalloc(static_cast<int32_t>(f->bufferSize)));
    if (!f->buffer) {
        // Carry on unbuffered.
        f->bufferSize = 0;
        f->fill = 0;
        f->index = 0;
    }
}

// Writes the buffer's bytes [0, index) and empties it.
void writeBuffer(VEXFILE *f)
{
    if (f->index == 0)
        return;
    const uint32_t put = osWrite(f->handle, f->buffer, f->index);
    if (put < f->index)
        f->error = 1;
    f->osPosition += put;
    f->index = 0;
}

void switchToRead(VEXFILE *f)
{
    if (f->direction != kWrite)
        return;
    const uint32_t pos = logicalPosition(f);
    VEXFileFlush(f);
    f->index = f->fill;
    f->direction = kRead;
    VEXFileSetPos(f, pos);
}

void switchToWrite(VEXFILE *f)
{
    if (f->direction != kRead)
        return;
    const uint32_t pos = logicalPosition(f);
    f->index = 0;
    f->bitCount = 0;
    f->heldByte = 0;
    f->fill = f->bufferSize; // the write buffer's capacity
    f->direction = kWrite;
    VEXFileSetPos(f, pos);
}

uint32_t le(const uint8_t *p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void putLe(uint8_t *p, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t getSmall(VEXFILE *f, int bytes)
{
    if (!isOpen(f))
        return 0;
    if (f->buffer && f->direction == kRead && f->bitCount == 0 &&
        f->index + static_cast<uint32_t>(bytes) - 1 < f->fill) {
        const uint32_t v = le(f->buffer + f->index, bytes);
        f->index += static_cast<uint32_t>(bytes);
        return v;
    }
    uint8_t tmp[4] = {0, 0, 0, 0};
    VEXFileGet(f, tmp, static_cast<uint32_t>(bytes));
    return le(tmp, bytes);
}

uint32_t putSmall(VEXFILE *f, uint32_t value, int bytes)
{
    if (!isOpen(f))
        return 0;
    if (f->buffer && f->direction == kWrite && f->bitCount == 0 &&
        f->index + static_cast<uint32_t>(bytes) - 1 < f->fill) {
        putLe(f->buffer + f->index, value, bytes);
        f->index += static_cast<uint32_t>(bytes);
        return value;
    }
    uint8_t tmp[4];
    putLe(tmp, value, bytes);
    VEXFilePut(f, tmp, static_cast<uint32_t>(bytes));
    return value;
}

VEXFILE *newRecord(int32_t bufferSize, const char *name)
{
    VEXFILE *f = static_cast<VEXFILE *>(vexmalloc(static_cast<int32_t>(sizeof(VEXFILE))));
    if (!f)
        return nullptr;
    std::memset(f, 0, sizeof *f);
    f->handle = -1;
    const size_t len = std::strlen(name);
    f->name = static_cast<char *>(vexmalloc(static_cast<int32_t>(len + 1)));
    if (!f->name) {
        vexfree(f);
        return nullptr;
    }
    std::memcpy(f->name, name, len + 1);
    // The magnitude of the requested size (the sign is dropped).
    f->bufferSize = bufferSize < 0 ? 0u - static_cast<uint32_t>(bufferSize) : static_cast<uint32_t>(bufferSize);
    f->cachedSize = -1;
    f->fill = f->bufferSize;
    f->index = f->bufferSize;
    f->direction = kRead;
    return f;
}

void freeRecord(VEXFILE *f)
{
    vexfree(f->buffer);
    vexfree(f->name);
    vexfree(f);
}

// Opens name with flags; directories are refused (they are not files here).
int openFile(const char *name, int flags)
{
    const std::string path = hostPath(name);
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int reason = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        errno = reason;
        return -1;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

// Why name could not be opened, as the last error: the system's reason
// ("Error opening NAME: no such file or directory").
void openFailed(const char *name)
{
    vex::SetLastError(std::string("Error opening ") + name + ": " + PlatformReasonText(errno));
}

// FILETIME: 100-nanosecond units since 1601-01-01.
constexpr uint64_t kFileTimeUnix = 116444736000000000ull;

} // namespace

extern "C" {

VEXAPI VEXFILE *VEXFileOpen(int32_t bufferSize, const char *name, int32_t mode)
{
    vex::ClearLastError();
    if (!name || (mode != VEXFILE_READ && mode != VEXFILE_READWRITE)) {
        vex::SetLastError("Error: bad arguments to VEXFileOpen.");
        return nullptr;
    }
    VEXFILE *f = newRecord(bufferSize, name);
    if (!f)
        return nullptr;
    f->handle = openFile(name, mode == VEXFILE_READ ? O_RDONLY : O_RDWR);
    if (f->handle < 0) {
        openFailed(name);
        freeRecord(f);
        return nullptr;
    }
    return f;
}

VEXAPI VEXFILE *VEXFileCreate(int32_t bufferSize, const char *name)
{
    vex::ClearLastError();
    if (!name) {
        vex::SetLastError("Error: no file name for VEXFileCreate.");
        return nullptr;
    }
    VEXFILE *f = newRecord(bufferSize, name);
    if (!f)
        return nullptr;
    f->handle = openFile(name, O_RDWR | O_CREAT | O_TRUNC);
    if (f->handle < 0) {
        openFailed(name);
        freeRecord(f);
        return nullptr;
    }
    f->index = 0;
    f->direction = kWrite;
    return f;
}

VEXAPI void VEXFileClose(VEXFILE *f)
{
    if (!f)
        return;
    if (f->handle >= 0) {
        VEXFileFlush(f);
        ::close(f->handle);
        f->handle = -1;
    }
    freeRecord(f);
}

VEXAPI uint32_t VEXFileBitPos(VEXFILE *f)
{
    return isOpen(f) ? f->bitCount : 0;
}

VEXAPI uint32_t VEXFileSize(VEXFILE *f)
{
    if (!isOpen(f))
        return 0;
    if (f->cachedSize == -1) {
        struct stat st {};
        if (fstat(f->handle, &st) == 0)
            f->cachedSize = st.st_size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(st.st_size);
        else
            f->cachedSize = 0;
    }
    const uint32_t pos = logicalPosition(f);
    const uint32_t size = static_cast<uint32_t>(f->cachedSize);
    return size > pos ? size : pos;
}

VEXAPI uint32_t VEXFileGetPos(VEXFILE *f)
{
    return isOpen(f) ? logicalPosition(f) : 0;
}

VEXAPI uint32_t VEXFileSetPos(VEXFILE *f, uint32_t position)
{
    if (!isOpen(f))
        return 0;
    const uint32_t old = logicalPosition(f);
    if (old == position)
        return old;
    if (f->cachedSize != -1 && static_cast<uint32_t>(f->cachedSize) < old)
        f->cachedSize = static_cast<int32_t>(old);
    if (f->direction == kWrite) {
        VEXFileFlush(f);
        // A padded partial byte went out as well: the file reaches osPosition.
        if (f->cachedSize != -1 && static_cast<uint32_t>(f->cachedSize) < f->osPosition)
            f->cachedSize = static_cast<int32_t>(f->osPosition);
    } else {
        if (f->osPosition >= f->fill && position >= f->osPosition - f->fill && position < f->osPosition &&
            f->index < f->fill) {
            f->index = position - (f->osPosition - f->fill);
            f->bitCount = 0;
            f->heldByte = 0;
            return old;
        }
        f->index = f->fill;
    }
    const off_t at = ::lseek(f->handle, static_cast<off_t>(position), SEEK_SET);
    f->bitCount = 0;
    f->heldByte = 0;
    f->osPosition = at < 0 ? position : static_cast<uint32_t>(at);
    return old;
}

VEXAPI int VEXFileIsInBuffer(VEXFILE *f, uint32_t position)
{
    if (!isOpen(f) || f->direction != kRead || f->index >= f->fill || f->osPosition < f->fill)
        return 0;
    return position >= f->osPosition - f->fill && position < f->osPosition;
}

VEXAPI int VEXFileAtEnd(VEXFILE *f)
{
    if (!isOpen(f))
        return 1;
    VEXFileSize(f);
    const uint32_t size = static_cast<uint32_t>(f->cachedSize);
    if (f->direction == kWrite && f->index != f->fill)
        return f->osPosition + f->index >= size;
    return logicalPosition(f) >= size;
}

VEXAPI void VEXFileByteAlign(VEXFILE *f)
{
    if (!isOpen(f))
        return;
    if (f->direction == kWrite && f->bitCount != 0)
        VEXFilePutBits(f, 0, 8 - f->bitCount);
    f->bitCount = 0;
    f->heldByte = 0;
}

VEXAPI void VEXFileFlush(VEXFILE *f)
{
    if (!isOpen(f))
        return;
    VEXFileByteAlign(f);
    if (f->direction == kWrite && f->index > 0)
        writeBuffer(f);
}

VEXAPI uint32_t VEXFileGetNB(VEXFILE *f, void *destination, uint32_t count)
{
    if (!isOpen(f) || count == 0 || !destination)
        return 0;
    switchToRead(f);
    ensureBuffer(f);
    uint8_t *dst = static_cast<uint8_t *>(destination);
    uint32_t remaining = count, total = 0;
    for (;;) {
        const uint32_t avail = f->fill - f->index;
        const uint32_t n = avail < remaining ? avail : remaining;
        if (n) {
            std::memcpy(dst, f->buffer + f->index, n);
            f->index += n;
            dst += n;
            total += n;
            remaining -= n;
        }
        if (remaining == 0)
            return total;
        // Large requests (at least what the last refill brought) bypass the buffer.
        if (remaining >= f->fill)
            break;
        f->fill = osRead(f->handle, f->buffer, f->bufferSize);
        f->osPosition += f->fill;
        f->index = 0;
    }
    const uint32_t got = osRead(f->handle, dst, remaining);
    f->osPosition += got;
    return total + got;
}

VEXAPI uint32_t VEXFileGet(VEXFILE *f, void *destination, uint32_t count)
{
    if (!isOpen(f) || count == 0 || !destination)
        return 0;
    switchToRead(f);
    const uint32_t k = f->bitCount;
    const uint32_t got = VEXFileGetNB(f, destination, count);
    if (k != 0 && got != 0) {
        uint8_t *p = static_cast<uint8_t *>(destination);
        uint32_t held = f->heldByte & 0xFF;
        for (uint32_t i = 0; i < got; ++i) {
            const uint32_t in = p[i];
            p[i] = static_cast<uint8_t>((held >> k) | (in << (8 - k)));
            held = in;
        }
        f->heldByte = held;
    }
    return got;
}

VEXAPI uint32_t VEXFileGet8(VEXFILE *f)
{
    return getSmall(f, 1);
}

VEXAPI uint32_t VEXFileGet16(VEXFILE *f)
{
    return getSmall(f, 2);
}

VEXAPI uint32_t VEXFileGet32(VEXFILE *f)
{
    return getSmall(f, 4);
}

VEXAPI uint32_t VEXFileGetBits(VEXFILE *f, uint32_t count)
{
    if (!isOpen(f))
        return 0;
    if (count != 32)
        count &= 31;
    if (count == 0)
        return 0;
    if (count % 8 == 0)
        return getSmall(f, static_cast<int>(count / 8));
    switchToRead(f);
    const uint32_t whole = count / 8;
    const uint32_t r = count % 8;
    uint32_t result = whole ? getSmall(f, static_cast<int>(whole)) : 0;
    const uint32_t k = f->bitCount;
    uint32_t h = k ? (f->heldByte & 0xFF) >> k : 0;
    const uint32_t left = (8 - k) % 8;
    if (left < r) {
        uint8_t b = 0;
        bool got;
        if (f->buffer && f->index < f->fill) {
            b = f->buffer[f->index++]; // the next byte is in the buffer
            got = true;
        } else {
            got = VEXFileGetNB(f, &b, 1) == 1;
        }
        // At the end of the file there is no next byte: the bit state stays
        // as it is so the position stays meaningful.
        if (got) {
            f->heldByte = b;
            h |= static_cast<uint32_t>(b) << left;
            f->bitCount = (k + r) % 8;
        }
    } else {
        f->bitCount = k + r == 8 ? 0 : k + r;
    }
    ZORB_ASSERT(f->bitCount < 8);
    return result | ((h & ((1u << r) - 1)) << (8 * whole));
}

VEXAPI uint32_t VEXFilePutNB(VEXFILE *f, const void *source, uint32_t count)
{
    if (!isOpen(f) || count == 0 || !source)
        return 0;
    ensureBuffer(f);
    switchToWrite(f);
    const uint8_t *src = static_cast<const uint8_t *>(source);
    uint32_t remaining = count, total = 0;
    for (;;) {
        if (f->index < f->fill && (f->index > 0 || remaining <= f->fill)) {
            const uint32_t room = f->fill - f->index;
            const uint32_t n = room < remaining ? room : remaining;
            std::memcpy(f->buffer + f->index, src, n);
            f->index += n;
            src += n;
            total += n;
            remaining -= n;
        }
        if (remaining == 0)
            return total;
        writeBuffer(f);
        // Requests larger than the buffer, at an empty buffer, bypass it.
        if (remaining >= f->fill)
            break;
    }
    const uint32_t put = osWrite(f->handle, src, remaining);
    if (put < remaining)
        f->error = 1;
    f->osPosition += put;
    return total + put;
}

VEXAPI uint32_t VEXFilePut(VEXFILE *f, const void *source, uint32_t count)
{
    if (!isOpen(f) || count == 0 || !source)
        return 0;
    switchToWrite(f);
    if (f->bitCount == 0)
        return VEXFilePutNB(f, source, count);
    const uint8_t *src = static_cast<const uint8_t *>(source);
    uint32_t total = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t v = (static_cast<uint32_t>(src[i]) << f->bitCount) | (f->heldByte & 0xFF);
        const uint8_t low = static_cast<uint8_t>(v);
        total += VEXFilePutNB(f, &low, 1);
        f->heldByte = (v >> 8) & 0xFF;
    }
    return total;
}

VEXAPI uint32_t VEXFilePut8(VEXFILE *f, uint32_t value)
{
    return putSmall(f, value, 1);
}

VEXAPI uint32_t VEXFilePut16(VEXFILE *f, uint32_t value)
{
    return putSmall(f, value, 2);
}

VEXAPI uint32_t VEXFilePut32(VEXFILE *f, uint32_t value)
{
    return putSmall(f, value, 4);
}

VEXAPI uint32_t VEXFilePutBits(VEXFILE *f, uint32_t value, uint32_t count)
{
    if (!isOpen(f))
        return 0;
    if (count != 32)
        count &= 31;
    if (count == 0)
        return value;
    if (count % 8 == 0) {
        putSmall(f, value, static_cast<int>(count / 8));
        return value;
    }
    switchToWrite(f);
    const uint32_t whole = count / 8;
    const uint32_t r = count % 8;
    uint32_t v = value;
    if (whole) {
        putSmall(f, v, static_cast<int>(whole));
        v >>= 8 * whole;
    }
    const uint32_t k = f->bitCount;
    ZORB_ASSERT(k < 8 && r < 8);
    const uint32_t w = (k ? (f->heldByte & 0xFF) : 0) | ((v & ((1u << r) - 1)) << k);
    if (k + r < 8) {
        f->bitCount = k + r;
        f->heldByte = w & 0xFF;
    } else {
        const uint8_t low = static_cast<uint8_t>(w);
        if (f->buffer && f->index < f->fill)
            f->buffer[f->index++] = low; // room in the buffer
        else
            VEXFilePutNB(f, &low, 1);
        f->bitCount = (k + r) % 8;
        f->heldByte = (w >> 8) & 0xFF;
    }
    ZORB_ASSERT(f->bitCount < 8);
    return value;
}

VEXAPI char *VEXFileGetName(VEXFILE *f, char *destination)
{
    if (!isOpen(f))
        return nullptr;
    if (destination) {
        const size_t len = std::strlen(f->name);
        const size_t n = len < kNameCopy - 1 ? len : kNameCopy - 1;
        std::memcpy(destination, f->name, n);
        destination[n] = '\0';
    }
    return f->name;
}

VEXAPI char *VEXFileGetLine(VEXFILE *f, char *buffer, uint32_t size)
{
    if (!buffer || size == 0)
        return buffer;
    uint32_t n = 0;
    if (isOpen(f)) {
        while (n < size - 1 && !VEXFileAtEnd(f)) {
            const char c = static_cast<char>(VEXFileGet8(f));
            buffer[n++] = c;
            if (c == '\n')
                break;
        }
    }
    while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r'))
        --n;
    buffer[n] = '\0';
    return buffer;
}

VEXAPI uint32_t VEXFileGetTime(VEXFILE *f)
{
    if (!isOpen(f))
        return 0;
    struct stat st {};
    if (fstat(f->handle, &st) != 0)
        return 0;
    const int64_t secs = static_cast<int64_t>(st.st_mtim.tv_sec);
    if (secs < -11644473600LL)
        return 0;
    const uint64_t ft =
        kFileTimeUnix + static_cast<uint64_t>(secs * 10000000LL) + static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100u;
    return static_cast<uint32_t>(ft >> 32);
}

VEXAPI int VEXFileSetTime(VEXFILE *f, uint32_t time)
{
    if (!isOpen(f))
        return 0;
    VEXFileFlush(f);
    const uint64_t ft = static_cast<uint64_t>(time) << 32;
    const int64_t rel = static_cast<int64_t>(ft) - static_cast<int64_t>(kFileTimeUnix);
    int64_t secs = rel / 10000000LL;
    int64_t rest = rel % 10000000LL;
    if (rest < 0) {
        rest += 10000000LL;
        --secs;
    }
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(secs);
    times[0].tv_nsec = static_cast<long>(rest * 100);
    times[1] = times[0];
    return futimens(f->handle, times) == 0;
}

VEXAPI int VEXFileErase(const char *name)
{
    if (!name)
        return 0;
    const std::string path = hostPath(name);
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

} // extern "C"
