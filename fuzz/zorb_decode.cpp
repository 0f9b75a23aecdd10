// Opens arbitrary bytes as a .zbx file and decodes everything in it: every
// frame's video (through the handle, and again with the reference walk, the
// table-driven loop and the wide loop, which must agree), the dirty
// rectangles, every track's sound chunk, palettes, seeks and the loop.
// The last input byte picks the output variant.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "codec/handle.h"
#include "codec/video.h"
#include "codec/zorb.h"

namespace {

constexpr uint64_t kMaxPixels = 1u << 20;
constexpr uint32_t kMaxSteps = 64;
constexpr uint32_t kMaxSound = 1u << 22;

// Decodes the loaded frame's video on all three paths into private outputs
// and demands identical pixels and change maps.
void CrossCheck(ZorbHandle *h, uint32_t codedHeight)
{
    if (!h->TreeTable || !h->VideoChunk || !h->FrameData)
        return;
    const size_t size = static_cast<size_t>(h->FrameData + h->CurrentFrameSize - h->VideoChunk);
    const size_t block = zorb::OutputBlockSize(h->Width, codedHeight, false);
    if (!block)
        return;
    std::vector<uint8_t> pics[3], maps[3];
    const zorb::DecodePath paths[] = {zorb::DecodePath::Reference, zorb::DecodePath::Table, zorb::DecodePath::Wide};
    for (int p = 0; p < 3; ++p) {
        std::vector<uint64_t> mem(block / 8 + 1, 0);
        pics[p].assign(size_t{h->Width} * codedHeight, 0);
        auto *od = zorb::SetupOutput(mem.data(), block, h->Width, codedHeight, 0, 0, 0, h->Width, codedHeight,
                                     pics[p].data(), 0);
        // The trees' caches are shared state: every path starts from a reset, as each decode does.
        zorb::DecodeVideo(*h->TreeTable, h->VideoChunk, size, *od, paths[p]);
        maps[p].assign(od->changeMap, od->changeMap + od->changeMapBytes);
    }
    if (pics[0] != pics[1] || pics[0] != pics[2] || maps[0] != maps[1] || maps[0] != maps[2])
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int fd = ::memfd_create("zbx", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    for (size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w <= 0)
            break;
        done += static_cast<size_t>(w);
    }
    ::lseek(fd, 0, SEEK_SET);
    const uint8_t mode = size > 104 ? data[size - 1] : 0;
    const uint32_t flags = ZORB_OPEN_FILE_HANDLE | (mode & 1 ? ZORB_OPEN_PRELOAD : 0u);
    ZorbHandle *h = ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), flags, -1);
    if (h) {
        const uint32_t coded =
            h->OpenFlags & (ZORB_OPEN_HEIGHT_INTERLACE | ZORB_OPEN_HEIGHT_DOUBLE) ? h->Height / 2 : h->Height;
        const bool sixteen = mode & 2;
        const uint32_t bpp = sixteen ? 2 : 1;
        // A buffer a little off the picture's size, so that clipping is exercised too.
        const uint32_t stride = h->Width * bpp + (mode & 4 ? 6 : 0), lines = h->Height + (mode & 8 ? 0 : 3);
        std::vector<uint8_t> buffer;
        if (uint64_t{h->Width} * h->Height <= kMaxPixels && h->Width > 0) {
            buffer.assign(size_t{stride} * lines, 0);
            const uint32_t type = (sixteen ? (mode & 16 ? 0xC0000000u : 0x80000000u) : 0u) | (mode >> 5 & 1);
            ZorbSetOutput(h, mode & 64 ? 2 : 0, mode & 128 ? -1 : 0, stride, lines, buffer.data(), type);
        }
        if (mode & 32) {
            uint8_t target[256 * 3];
            for (int i = 0; i < 768; ++i)
                target[i] = static_cast<uint8_t>(i * 7);
            ZorbRemapColors(h, target, 1 + mode % 200, mode & 12);
        }
        std::vector<uint8_t> sound;
        // Every stored frame twice (the loop and the ring frame included), within a bound.
        const uint64_t steps = std::min<uint64_t>(kMaxSteps, 2 * uint64_t{zorb::TableFrames(h)} + 2);
        for (uint32_t step = 0; step < steps; ++step) {
            ZorbDecodeFrame(h);
            while (ZorbNextDirtyRect(h, static_cast<int32_t>(step % 3))) {
            }
            if (uint64_t{h->Width} * coded <= kMaxPixels)
                CrossCheck(h, coded);
            for (unsigned n = 0; n < ZBX_MAX_TRACKS; ++n)
                if (h->AudioMaxSize[n] <= kMaxSound) {
                    sound.assign(h->AudioMaxSize[n], 0);
                    if (ZorbGetTrackSound(h, ZORB_OPEN_TRACK(n), sound.data()) > h->AudioMaxSize[n])
                        __builtin_trap();
                }
            if (step % 16 == 15)
                ZorbSeekFrame(h, step / 3);
            else
                ZorbAdvanceFrame(h);
        }
        ZorbClose(h);
    }
    ::close(fd);
    return 0;
}
