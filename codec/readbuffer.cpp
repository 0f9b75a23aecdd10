// Getting frame data from the file: the choice between preloading and the
// read-ahead ring, the reader, the background read step, positioning on a
// frame, the simulated read speed and the read statistics.
//
// The ring is a block of ReadBufferSize + 4096 bytes. Reads from the file are
// whole 4096-byte blocks at 4096-byte file offsets (after one alignment read
// up to the first boundary). The background step reads one block at
// WritePtr; a block that crosses the nominal end moves ReadBufferEnd out to
// the block's end, and the next block lands at the ring's start. Large
// requests that find the ring empty bypass it and go straight to the caller.
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "codec/handle.h"
#include "platform/fdio.h"
#include "platform/platform.h"

namespace zorb {

uint32_t g_simulatedReadSpeed = 0;

namespace {

constexpr uint32_t kBlock = 4096;

// Reads up to n bytes, stopping early only at end of file or on an error.
uint32_t ReadFile(int fd, void *dst, uint32_t n)
{
    if (fd < 0)
        return 0;
    const long got = zorb::platform::readUpTo(fd, dst, n);
    return got > 0 ? static_cast<uint32_t>(got) : 0;
}

// Waits until bytes read from the file since t0 have taken as long as the
// simulated speed demands.
void SimulateSpeed(const ZorbHandle *h, uint32_t t0, uint32_t fileBytes)
{
    if (!h->SimulatedReadRate || !fileBytes)
        return;
    uint64_t ms = uint64_t{fileBytes} * 1000 / h->SimulatedReadRate;
    while (PlatformTimeMs() - t0 < ms)
        PlatformSleepMs(1);
}

// Takes k bytes off the ring (copying them to dst unless null); k must not
// exceed BufferedBytes nor ReadBufferEnd - ReadPtr.
void TakeFromRing(ZorbHandle *h, uint8_t *dst, uint32_t k)
{
    if (dst)
        std::memcpy(dst, h->ReadPtr, k);
    h->BufferedBytes -= k;
    h->ReadPosition += k;
    h->ReadPtr += k;
    if (h->ReadPtr == h->ReadBufferEnd) {
        h->ReadPtr = h->ReadBufferStart;
        h->ReadBufferEnd = h->ReadBufferStart + h->ReadBufferSize;
        if (h->BufferedBytes == 0)
            h->WritePtr = h->ReadBufferStart;
    }
}

uint32_t Min3(uint32_t a, uint64_t b, uint32_t c)
{
    uint64_t m = a < b ? a : b;
    return static_cast<uint32_t>(m < c ? m : c);
}

} // namespace

extern "C" ZORBAPI void ZorbSetReadSpeed(uint32_t bytesPerSecond) // inside namespace zorb: the attribute again
{
    g_simulatedReadSpeed = bytesPerSecond;
}

BufferChoice ChooseBuffering(uint32_t flags, int32_t extra, uint64_t total, uint32_t largestSecondBytes,
                             uint32_t framePeriod)
{
    if (flags & ZORB_OPEN_PRELOAD)
        return {true, 0};
    uint64_t e;
    if (extra < 0) {
        uint64_t s = framePeriod == 0 ? 12288 : largestSecondBytes;
        if (s > total / 4)
            s = total / 4;
        e = s > 12288 ? s : 12288;
    } else {
        e = static_cast<uint64_t>(extra);
    }
    uint64_t r = (e + kBlock - 1) / kBlock * kBlock;
    if (r < 8192)
        r = 8192;
    if (r < total * 4 / 5)
        return {false, static_cast<uint32_t>(r)};
    return {true, 0};
}

uint32_t ReadBytes(ZorbHandle *h, void *dstv, uint32_t n)
{
    auto *dst = static_cast<uint8_t *>(dstv);
    uint32_t t0 = PlatformTimeMs();
    uint32_t fileBytes = 0, delivered = 0;
    if (!h->ReadBufferStart) {
        fileBytes = delivered = ReadFile(h->FileHandle, dst, n);
    } else {
        while (n > 0) {
            if (h->BufferedBytes > 0) {
                uint32_t k = Min3(n, static_cast<uint64_t>(h->ReadBufferEnd - h->ReadPtr), h->BufferedBytes);
                if (k == 0) { // a broken ring: never spin
                    h->ReadFailed = 1;
                    break;
                }
                TakeFromRing(h, dst, k);
                dst += k;
                n -= k;
                delivered += k;
                continue;
            }
            SoundHookService(h);
            bool failed = false;
            while (n > kBlock) {
                uint32_t want = n & ~(kBlock - 1);
                if (want > 4 * kBlock)
                    want = 4 * kBlock;
                uint32_t got = ReadFile(h->FileHandle, dst, want);
                fileBytes += got;
                h->ReadPosition += got;
                dst += got;
                n -= got;
                delivered += got;
                SoundHookService(h);
                if (got < want) {
                    h->ReadFailed = 1;
                    failed = true;
                    break;
                }
            }
            if (failed)
                break;
            if (n > 0) {
                uint32_t want = (n + kBlock - 1) & ~(kBlock - 1);
                uint32_t got = ReadFile(h->FileHandle, h->ReadBufferStart, want);
                fileBytes += got;
                h->ReadPtr = h->ReadBufferStart;
                h->ReadBufferEnd = h->ReadBufferStart + h->ReadBufferSize;
                h->WritePtr = h->ReadBufferStart + got;
                h->BufferedBytes = got;
                if (got < n) {
                    h->ReadFailed = 1;
                    break;
                }
            }
        }
        if (h->BufferedBytes > h->PeakBuffered)
            h->PeakBuffered = h->BufferedBytes;
    }
    h->ForegroundBytes += fileBytes;
    SimulateSpeed(h, t0, fileBytes);
    h->ForegroundTime += PlatformTimeMs() - t0;
    return delivered;
}

uint32_t BackgroundReadStep(ZorbHandle *h)
{
    if (!h->ReadBufferStart || h->CurrentFrame >= h->FrameCount || h->ReadBufferSize - h->BufferedBytes < kBlock ||
        h->BufferedBytes > h->ReadBufferSize)
        return 0;
    uint32_t t0 = PlatformTimeMs();
    uint32_t got = ReadFile(h->FileHandle, h->WritePtr, kBlock);
    h->BufferedBytes += got;
    h->WritePtr += got;
    if (h->WritePtr > h->ReadBufferEnd) {
        h->ReadBufferEnd = h->WritePtr;
        h->WritePtr = h->ReadBufferStart;
    }
    if (h->BufferedBytes > h->PeakBuffered)
        h->PeakBuffered = h->BufferedBytes;
    h->BackgroundBytes += got;
    SimulateSpeed(h, t0, got);
    h->BackgroundTime += PlatformTimeMs() - t0;
    return got;
}

void AlignReadBuffer(ZorbHandle *h, uint32_t target)
{
    h->ReadPtr = h->WritePtr = h->ReadBufferStart;
    h->ReadBufferEnd = h->ReadBufferStart + h->ReadBufferSize;
    h->BufferedBytes = 0;
    h->ReadPosition = target;
    if (target % kBlock) {
        uint32_t t0 = PlatformTimeMs();
        uint32_t got = ReadFile(h->FileHandle, h->ReadBufferStart, kBlock - target % kBlock);
        h->WritePtr = h->ReadBufferStart + got;
        h->BufferedBytes = got;
        h->ForegroundBytes += got;
        SimulateSpeed(h, t0, got);
        h->ForegroundTime += PlatformTimeMs() - t0;
    }
    if (h->BufferedBytes > h->PeakBuffered)
        h->PeakBuffered = h->BufferedBytes;
}

uint64_t FrameOffset(const ZorbHandle *h, uint32_t frame)
{
    uint64_t off = 0;
    uint32_t n = TableFrames(h);
    for (uint32_t i = 0; i < frame && i < n; ++i)
        off += h->FrameSizes[i];
    return off;
}

void ReadCurrentFrame(ZorbHandle *h)
{
    if (h->CurrentFrame >= TableFrames(h)) {
        h->CurrentFrameSize = 0;
        h->ReadFailed = 1;
        return;
    }
    h->CurrentFrameSize = h->FrameSizes[h->CurrentFrame];
    if (!h->ReadBufferStart)
        return; // preloaded: FrameData already points at the frame
    h->FrameData = h->FrameBuffer;
    if (h->CurrentFrameSize > h->FrameBufferSize) { // cannot happen: the buffer holds the largest frame
        h->CurrentFrameSize = 0;
        h->ReadFailed = 1;
        return;
    }
    if (ReadBytes(h, h->FrameBuffer, h->CurrentFrameSize) < h->CurrentFrameSize)
        h->ReadFailed = 1;
}

void PositionOnCurrentFrame(ZorbHandle *h)
{
    uint64_t offset = FrameOffset(h, h->CurrentFrame);
    if (!h->ReadBufferStart) {
        h->FrameData = h->FrameBuffer + (offset <= h->FrameBufferSize ? offset : 0);
        ReadCurrentFrame(h);
        return;
    }
    uint64_t target = uint64_t{h->DataStart} + offset;
    if (target >= h->ReadPosition && target <= uint64_t{h->ReadPosition} + h->BufferedBytes) {
        uint32_t skip = static_cast<uint32_t>(target - h->ReadPosition);
        while (skip > 0) {
            uint32_t k = Min3(skip, static_cast<uint64_t>(h->ReadBufferEnd - h->ReadPtr), h->BufferedBytes);
            if (k == 0) {
                h->ReadFailed = 1;
                break;
            }
            TakeFromRing(h, nullptr, k);
            skip -= k;
        }
    } else {
        if (::lseek(h->FileHandle, static_cast<off_t>(target), SEEK_SET) < 0)
            h->ReadFailed = 1;
        AlignReadBuffer(h, static_cast<uint32_t>(target));
    }
    ReadCurrentFrame(h);
}

} // namespace zorb
