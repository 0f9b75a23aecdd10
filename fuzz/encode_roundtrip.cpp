// Encodes small pictures made from the input with the compressor library
// (lossless, as zorbc does by default), opens the file with the decoder and
// demands every frame back pixel for pixel, with its palette as the file
// keeps it (6 bits per component).
//
// Input: byte 0 picks the width, byte 1 the height (4 to 32, whole blocks),
// byte 2 the frame count (1 to 4) and the number of colours the pictures use,
// byte 3 the key-frame spacing, the ring frame and the effort level; the next 768 bytes (cycled)
// are the palette and the rest (cycled) the pixels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "codec/zorb.h"
#include "encoder/encoder.h"

namespace {

uint8_t At(const uint8_t *data, size_t size, size_t i)
{
    return size ? data[i % size] : 0;
}

int Quiet(const char *, int)
{
    return 0;
}

// Files go to memory when the system has a memory file system: safe writing
// syncs every file it completes, which on a disk costs more than the coding.
std::string WorkDir()
{
    struct stat st;
    if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    const char *dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

std::string OutputName()
{
    return WorkDir() + "/fuzz_encode_roundtrip_" + std::to_string(::getpid()) + ".zbx";
}

} // namespace

// The compressor keeps its pictures in a temporary file in $TMPDIR.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ::setenv("TMPDIR", WorkDir().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const uint32_t width = 4u * (1 + data[0] % 8);
    const uint32_t height = 4u * (1 + data[1] % 8);
    const uint32_t frames = 1 + data[2] % 4;
    const uint32_t colours = 1 + (data[2] >> 2) * 4; // 1 to 253
    const uint32_t keyEvery = data[3] & 3;
    const bool ring = data[3] & 4;
    const int effort = (data[3] >> 3) % 10;
    const uint8_t *rest = data + 4;
    const size_t restSize = size - 4;

    uint8_t palette[768];
    for (size_t i = 0; i < 768; ++i)
        palette[i] = At(rest, restSize, i);
    const uint8_t *pixelData = restSize > 768 ? rest + 768 : rest;
    const size_t pixelSize = restSize > 768 ? restSize - 768 : restSize;
    std::vector<std::vector<uint8_t>> pictures(frames, std::vector<uint8_t>(size_t{width} * height));
    size_t next = 0;
    for (auto &p : pictures)
        for (uint8_t &px : p)
            px = static_cast<uint8_t>(At(pixelData, pixelSize, next++) % colours);

    ZencParams params{};
    params.width = width;
    params.height = height;
    params.frameRate = 40;
    params.headerFlags = ring ? ZBX_RING_FRAME : 0;
    params.keyEvery = keyEvery;
    ZENC *enc = ZencOpen(&params);
    if (!enc)
        return 0;
    ZencSetEffort(enc, effort);
    for (const auto &p : pictures)
        if (!ZencAddFrame(enc, p.data(), width, palette))
            __builtin_trap();
    const std::string name = OutputName();
    const bool written = ZencWrite(enc, name.c_str(), Quiet);
    ZencReport report;
    ZencGetReport(enc, &report);
    ZencClose(enc);
    if (!written)
        __builtin_trap();
    if (report.changedPixels != 0) // the few-pixel-pairs exception cannot arise at these sizes
        __builtin_trap();

    ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), ZORB_OPEN_PRELOAD | ZORB_OPEN_NEVER_SKIP, -1);
    std::remove(name.c_str());
    if (!h || h->Width != width || h->Height != height || h->FrameCount != frames)
        __builtin_trap();
    std::vector<uint8_t> out(size_t{width} * height);
    ZorbSetOutput(h, 0, 0, width, height, out.data(), 0);
    for (uint32_t f = 0; f < frames; ++f) {
        if (f > 0)
            ZorbAdvanceFrame(h);
        ZorbDecodeFrame(h);
        if (h->ReadFailed || out != pictures[f])
            __builtin_trap();
        for (size_t i = 0; i < 768; ++i) {
            const uint8_t six = palette[i] >> 2;
            if (h->Palette[i] != static_cast<uint8_t>((six << 2) | (six >> 4)))
                __builtin_trap();
        }
    }
    ZorbClose(h);
    return 0;
}
