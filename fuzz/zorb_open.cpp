// Opens arbitrary bytes as a .zbx file (through a memory file descriptor) in
// a mode chosen by the input and plays it through the public calls: every
// frame decoded into an 8-bit or 16-bit picture, rectangles drained, sound
// extracted, read-ahead steps, seeks and a colour remap.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "codec/handle.h"
#include "codec/zorb.h"

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
    // The mode comes from the last byte (past the header when the file has more).
    uint8_t mode = size > 104 ? data[size - 1] : 0;
    uint32_t flags = ZORB_OPEN_FILE_HANDLE;
    if (mode & 1)
        flags |= ZORB_OPEN_PRELOAD;
    if (mode & 2)
        flags |= ZORB_OPEN_FILL_BUFFER;
    flags |= (mode >> 2 & 3u) << 20; // height modes
    int32_t extra = mode & 16 ? 4096 : -1;
    static const uint32_t kOutputs[4] = {0, 1, 0x80000000u, 0xC0000001u};
    const uint32_t outputType = kOutputs[mode >> 5 & 3];

    ZorbHandle *h = ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), flags, extra);
    if (h) {
        const uint32_t bpp = outputType >= 0x80000000u ? 2 : 1;
        const uint32_t stride = (h->Width + 8) * bpp, lines = h->Height + 4;
        std::vector<uint8_t> picture;
        if (uint64_t{stride} * lines <= (64u << 20)) {
            picture.assign(size_t{stride} * lines, 0);
            ZorbSetOutput(h, 4, 2, stride, lines, picture.data(), outputType);
        }
        uint32_t soundMax = 0;
        for (uint32_t m : h->AudioMaxSize)
            soundMax = std::max(soundMax, m);
        std::vector<uint8_t> sound(soundMax <= (4u << 20) ? soundMax + 1 : 0);
        uint32_t seed = mode;
        const uint32_t steps = std::min<uint32_t>(2 * (h->FrameCount + 1), 2000);
        for (uint32_t s = 0; s < steps; ++s) {
            seed = seed * 1103515245u + 12345u;
            ZorbDecodeFrame(h);
            for (int k = 0; k < 64 && ZorbNextDirtyRect(h, static_cast<int32_t>(seed >> 24) % 3); ++k) {
            }
            if (!sound.empty())
                ZorbGetTrackSound(h, ZORB_OPEN_TRACKS_MASK, sound.data());
            if (seed >> 16 & 1)
                zorb::BackgroundReadStep(h);
            if (s == 2) {
                uint8_t target[768];
                for (int i = 0; i < 768; ++i)
                    target[i] = static_cast<uint8_t>(i * 7 + mode);
                ZorbRemapColors(h, target, 256, 0);
            }
            if ((seed >> 20) % 7 == 0)
                ZorbSeekFrame(h, (seed >> 8) % (h->FrameCount + 2));
            else
                ZorbAdvanceFrame(h);
        }
        ZorbClose(h);
    }
    ::close(fd);
    return 0;
}
