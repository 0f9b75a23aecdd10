// The flic writer: standard FLC files (magic 0xAF12), one frame per call,
// each frame coded with the smallest of the chunk kinds that fit it.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "codec/format.h"
#include "vexutil/core/vexfile_record.h"
#include "vexutil/graphics/flic_encode.h"
#include "vexutil/vexutil.h"

namespace {

constexpr uint32_t kHeaderSize = 128;
constexpr uint32_t kFrameHeaderSize = 16;
constexpr uint32_t kChunkHeaderSize = 6;
constexpr uint32_t kMaxFrames = 0xFFFF;             // the header's count is 16-bit
constexpr uint64_t kMaxPicture = uint64_t(1) << 26; // what the flic reader accepts
constexpr size_t kPaletteChunkMax = 2 + 256 * 2 + 768 + 1;

} // namespace

struct VEXOFLIC {
    VEXFILE *file = nullptr;
    uint32_t width = 0, height = 0;
    int32_t frameTime = 0;
    bool error = false;
    uint32_t framesWritten = 0;
    uint32_t frame2Offset = 0;
    bool havePalette = false;
    std::vector<uint8_t> previous, first; // width x height
    std::vector<uint8_t> work;            // one whole frame
    uint8_t palette[768] = {};            // the palette in effect
    bool firstHasPalette = false;
    uint8_t firstPalette[768] = {};
};

namespace {

bool WriteHeader(VEXOFLIC *f, uint32_t size, uint32_t frames)
{
    uint8_t h[kHeaderSize] = {};
    ZbxPut32(h, size);
    ZbxPut16(h + 4, 0xAF12);
    ZbxPut16(h + 6, frames);
    ZbxPut16(h + 8, f->width);
    ZbxPut16(h + 10, f->height);
    ZbxPut16(h + 12, 8);
    ZbxPut16(h + 14, 3);
    const int32_t t = f->frameTime;
    ZbxPut32(h + 16, static_cast<uint32_t>(t >= 0 ? t : t / -100));
    ZbxPut32(h + 26, static_cast<uint32_t>(t < 0 ? t : 0)); // the exact frame time
    const bool vga = f->width == 320 && f->height == 200;
    ZbxPut16(h + 38, vga ? 6 : 1);
    ZbxPut16(h + 40, vga ? 5 : 1);
    ZbxPut32(h + 80, kHeaderSize);
    ZbxPut32(h + 84, f->frame2Offset);
    return VEXFilePutNB(f->file, h, kHeaderSize) == kHeaderSize;
}

// Appends one chunk: its header, then what encode writes (padded to an even
// size). Returns false (and writes nothing) when encode reports nothing to
// write or passes the capacity.
template <class Encode>
bool AddChunk(std::vector<uint8_t> &frame, size_t &used, uint16_t type, size_t capacity, Encode encode)
{
    vex::ChunkOutput out(frame.data() + used + kChunkHeaderSize, capacity);
    if (!encode(out) || out.Overflowed())
        return false;
    size_t size = kChunkHeaderSize + out.Size();
    if (size & 1)
        frame[used + size++] = 0;
    ZbxPut32(frame.data() + used, static_cast<uint32_t>(size));
    ZbxPut16(frame.data() + used + 4, type);
    used += size;
    return true;
}

// A frame's pixel chunk: a delta from the previous frame (none when nothing
// changed), or the whole picture when that is smaller or this is the first.
size_t AddPixelChunk(VEXOFLIC *f, const uint8_t *pixels, size_t &used)
{
    const size_t area = static_cast<size_t>(f->width) * f->height;
    if (f->framesWritten > 0) {
        if (std::memcmp(pixels, f->previous.data(), area) == 0)
            return 0;
        const bool lc = f->width == 320 && f->height == 200;
        // A delta must come out smaller than the picture.
        if (AddChunk(f->work, used, lc ? 12 : 7, area - 1, [&](vex::ChunkOutput &o) {
                return lc ? vex::EncodeFlicLc(f->previous.data(), pixels, f->width, f->height, o)
                          : vex::EncodeFlicDeltaFlc(f->previous.data(), pixels, f->width, f->height, o);
            }))
            return 1;
    }
    if (AddChunk(f->work, used, 15, area - 1, [&](vex::ChunkOutput &o) {
            vex::EncodeFlicByteRun(pixels, f->width, f->height, o);
            return true;
        }))
        return 1;
    AddChunk(f->work, used, 16, area, [&](vex::ChunkOutput &o) {
        o.Bytes(pixels, area);
        return true;
    });
    return 1;
}

bool PutFrame(VEXOFLIC *f, const uint8_t *pixels, const uint8_t *palette)
{
    if (f->error || !f->file || !pixels)
        return false;
    size_t used = kFrameHeaderSize;
    uint32_t chunks = 0;
    if (palette && AddChunk(f->work, used, 4, kPaletteChunkMax, [&](vex::ChunkOutput &o) {
            return vex::EncodeFlicPalette(f->havePalette ? f->palette : nullptr, palette, o);
        })) {
        ++chunks;
        std::memcpy(f->palette, palette, 768);
        f->havePalette = true;
    }
    chunks += static_cast<uint32_t>(AddPixelChunk(f, pixels, used));
    std::memset(f->work.data(), 0, kFrameHeaderSize);
    ZbxPut32(f->work.data(), static_cast<uint32_t>(used));
    ZbxPut16(f->work.data() + 4, 0xF1FA);
    ZbxPut16(f->work.data() + 6, chunks);
    const uint32_t n = static_cast<uint32_t>(used);
    if (VEXFilePutNB(f->file, f->work.data(), n) != n || f->file->error) {
        f->error = true;
        return false;
    }
    const size_t area = static_cast<size_t>(f->width) * f->height;
    std::memcpy(f->previous.data(), pixels, area);
    if (f->framesWritten == 0) {
        std::memcpy(f->first.data(), pixels, area);
        f->frame2Offset = VEXFileGetPos(f->file);
    }
    ++f->framesWritten;
    return true;
}

} // namespace

extern "C" {

VEXAPI VEXOFLIC *VEXOFlicCreate(const char *name, uint32_t width, uint32_t height, int32_t frameTime)
{
    if (!name || !name[0] || width == 0 || height == 0 || (width & 1) || width > 0xFFFF || height > 0xFFFF ||
        uint64_t(width) * height > kMaxPicture)
        return nullptr;
    std::string path = name;
    if (!HasExtension(name))
        path += ".flc";
    VEXOFLIC *f = new (std::nothrow) VEXOFLIC;
    if (!f)
        return nullptr;
    try {
        const size_t area = static_cast<size_t>(width) * height;
        f->previous.assign(area, 0);
        f->first.assign(area, 0);
        f->work.assign(kFrameHeaderSize + kChunkHeaderSize + kPaletteChunkMax + kChunkHeaderSize + area + 2, 0);
    } catch (const std::bad_alloc &) {
        delete f;
        return nullptr;
    }
    f->width = width;
    f->height = height;
    f->frameTime = frameTime;
    f->file = VEXFileCreate(64000, path.c_str());
    if (!f->file || !WriteHeader(f, 0, 0)) {
        VEXFileClose(f->file);
        delete f;
        return nullptr;
    }
    return f;
}

VEXAPI int VEXOFlicPutNext(VEXOFLIC *f, const uint8_t *pixels, const uint8_t *palette)
{
    if (!f)
        return 0;
    if (f->framesWritten >= kMaxFrames)
        f->error = true; // the count would not fit the header
    if (f->framesWritten == 0 && palette) {
        std::memcpy(f->firstPalette, palette, 768);
        f->firstHasPalette = true;
    }
    return PutFrame(f, pixels, palette) ? 1 : 0;
}

VEXAPI uint32_t VEXOFlicClose(VEXOFLIC *f)
{
    if (!f)
        return 0;
    uint32_t size = 0;
    if (f->file && !f->error) {
        // The loop frame: the first picture again, so players can cycle.
        const uint32_t frames = f->framesWritten;
        // It carries the first palette again when the colours changed since,
        // so a player that loops through it shows the first frame right.
        if (frames > 0)
            PutFrame(f, f->first.data(), f->firstHasPalette ? f->firstPalette : nullptr);
        if (!f->error) {
            size = VEXFileSize(f->file);
            VEXFileSetPos(f->file, 0);
            if (!WriteHeader(f, size, frames))
                f->error = true;
            VEXFileFlush(f->file);
            if (f->file->error)
                f->error = true;
        }
    }
    VEXFileClose(f->file);
    const bool failed = f->error;
    delete f;
    return failed ? 0 : size;
}

} // extern "C"
