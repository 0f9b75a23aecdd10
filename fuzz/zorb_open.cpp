// Opens arbitrary bytes as a .zbx file (through a memory file descriptor) in
// a mode chosen by the input, then walks every frame forwards and with seeks,
// parsing chunks and decoding tree values from the video data.
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "codec/handle.h"
#include "codec/trees.h"
#include "codec/zorb.h"

namespace {

void Touch(ZorbHandle *h)
{
    volatile uint32_t sum = 0;
    for (uint32_t i = 0; i < h->CurrentFrameSize; ++i)
        sum = sum + h->FrameData[i];
    for (uint8_t *a : h->AudioChunk)
        if (a)
            sum = sum + a[3];
    zorb::BitReader r(h->VideoChunk, h->CurrentFrameSize - h->VideoOffset);
    zorb::ResetCaches(h->TreeTable);
    for (int i = 0; i < 256; ++i) {
        zorb::BigTree &t = h->TreeTable->tree[i % 4];
        sum = sum + (i & 4 ? zorb::DecodeBig(t, r) : zorb::DecodeBigReference(t, r));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int fd = ::memfd_create("zbx", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    size_t done = 0;
    while (done < size) {
        ssize_t w = ::write(fd, data + done, size - done);
        if (w <= 0)
            break;
        done += static_cast<size_t>(w);
    }
    ::lseek(fd, 0, SEEK_SET);
    // The mode comes from the byte after the header's reserved word, when there is one.
    uint8_t mode = size > 104 ? data[size - 1] : 0;
    uint32_t flags = ZORB_OPEN_FILE_HANDLE;
    if (mode & 1)
        flags |= ZORB_OPEN_PRELOAD;
    if (mode & 2)
        flags |= ZORB_OPEN_FILL_BUFFER;
    flags |= (mode >> 2 & 3u) << 20; // height modes
    int32_t extra = mode & 16 ? 4096 : -1;
    ZorbHandle *h = ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), flags, extra);
    if (h) {
        uint32_t n = zorb::TableFrames(h);
        Touch(h);
        uint32_t seed = mode;
        for (uint32_t step = 0; step < 2 * n && step < 4096; ++step) {
            seed = seed * 1103515245u + 12345u;
            if (seed >> 16 & 1)
                zorb::BackgroundReadStep(h);
            if ((seed >> 20) % 5 == 0) {
                h->CurrentFrame = (seed >> 8) % n;
                zorb::PositionOnCurrentFrame(h);
            } else if (h->CurrentFrame + 1 < n) {
                if (!h->ReadBufferStart)
                    h->FrameData += h->CurrentFrameSize;
                ++h->CurrentFrame;
                zorb::ReadCurrentFrame(h);
            } else {
                continue;
            }
            zorb::ParseFrame(h);
            Touch(h);
        }
        ZorbClose(h);
    }
    ::close(fd);
    return 0;
}
