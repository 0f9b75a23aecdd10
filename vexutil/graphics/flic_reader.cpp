// The VEXFlic family: FLI and FLC animations read frame by frame.
#include <cstring>
#include <string>
#include <vector>

#include "codec/format.h"
#include "vexutil/graphics/flic_decode.h"
#include "vexutil/vexutil.h"

namespace {

constexpr int32_t kFlicBuffer = 64000;
constexpr uint64_t kMaxPicture = uint64_t(1) << 26; // 64 MB: far beyond any real flic

void Rewind(VEXFLIC *f)
{
    f->currentFrame = 0;
    VEXFileSetPos(f->file, f->frame1Offset);
}

// Decodes the next frame. Returns 0 without a file, else 1 or 2; *advanced
// tells whether a frame header was read.
int NextFrame(VEXFLIC *f, uint8_t *buffer, bool *advanced)
{
    *advanced = false;
    if (!f || !f->file)
        return 0;
    if (f->currentFrame >= f->frames)
        Rewind(f);
    if (f->currentFrame == 0)
        std::memset(buffer, 0, static_cast<size_t>(f->pitch) * f->rows);
    uint8_t h[16];
    bool palette = false;
    if (VEXFileGet(f->file, h, 16) == 16) {
        uint32_t size = ZbxGet32(h);
        uint32_t chunks = ZbxGet16(h + 6);
        f->frameDataSize = size >= 16 ? size - 16 : 0;
        uint32_t n = f->frameDataSize;
        if (n > 0) {
            // A frame that cannot be read completely is skipped.
            uint32_t pos = VEXFileGetPos(f->file), fileSize = VEXFileSize(f->file);
            if (pos <= fileSize && n <= fileSize - pos) {
                std::vector<uint8_t> data(n, 0);
                if (VEXFileGet(f->file, data.data(), n) == n) {
                    vex::FlicPicture pic{buffer, f->pitch, f->rows, f->width, f->height, f->palette};
                    palette = vex::DecodeFlicChunks(data.data(), n, chunks, pic);
                }
            } else {
                VEXFileSetPos(f->file, fileSize);
            }
        }
        f->currentFrame++;
        *advanced = true;
        if (f->currentFrame == 1) {
            // The first frame leaves the buffer's padding columns and rows clear.
            for (uint32_t y = 0; y < f->rows; y++) {
                uint8_t *row = buffer + static_cast<size_t>(y) * f->pitch;
                if (y >= f->height)
                    std::memset(row, 0, f->pitch);
                else
                    std::memset(row + f->width, 0, f->pitch - f->width);
            }
        }
    }
    return palette ? 2 : 1;
}

} // namespace

extern "C" {

VEXAPI VEXFLIC *VEXFlicOpen(const char *name)
{
    if (!name || !*name)
        return nullptr;
    VEXFILE *file = VEXFileOpen(kFlicBuffer, name, VEXFILE_READ);
    if (!file && !HasExtension(name)) {
        std::string n = std::string(name) + ".flc";
        file = VEXFileOpen(kFlicBuffer, n.c_str(), VEXFILE_READ);
        if (!file) {
            n = std::string(name) + ".fli";
            file = VEXFileOpen(kFlicBuffer, n.c_str(), VEXFILE_READ);
        }
    }
    if (!file)
        return nullptr;
    uint8_t h[128];
    if (VEXFileGet(file, h, 128) != 128) {
        VEXFileClose(file);
        return nullptr;
    }
    uint16_t magic = ZbxGet16(h + 4);
    int32_t frameTime;
    uint32_t first;
    if (magic == 0xAF11) {
        uint32_t speed = ZbxGet16(h + 16);
        // A speed of 0 (not meaningful for playback) is taken as 200 ms.
        frameTime = speed ? -static_cast<int32_t>(speed * 100000u / 70u) : -20000;
        first = 128;
    } else if (magic == 0xAF12) {
        uint32_t speed = ZbxGet32(h + 16);
        if (speed == 0 || speed > 30000)
            speed = 200;
        frameTime = -100 * static_cast<int32_t>(speed);
        // The flic writer keeps the exact frame time beside the speed.
        int32_t exact = static_cast<int32_t>(ZbxGet32(h + 26));
        if (exact < 0 && exact / -100 == static_cast<int32_t>(speed))
            frameTime = exact;
        first = ZbxGet32(h + 80);
    } else {
        VEXFileClose(file);
        return nullptr;
    }
    uint32_t width = ZbxGet16(h + 8), height = ZbxGet16(h + 10);
    uint32_t pitch = (width + 3) & ~3u, rows = (height + 3) & ~3u;
    if (width == 0 || height == 0 || uint64_t(pitch) * rows > kMaxPicture) {
        VEXFileClose(file);
        return nullptr;
    }
    auto *f = static_cast<VEXFLIC *>(vexmalloc(static_cast<int32_t>(sizeof(VEXFLIC))));
    if (!f) {
        VEXFileClose(file);
        return nullptr;
    }
    std::memset(f, 0, sizeof *f);
    f->size = ZbxGet32(h);
    f->pitch = pitch;
    f->rows = rows;
    f->frames = ZbxGet16(h + 6);
    f->frameTime = frameTime;
    f->width = width;
    f->height = height;
    f->file = file;
    f->frame1Offset = first;
    Rewind(f);
    return f;
}

VEXAPI void VEXFlicClose(VEXFLIC *flic)
{
    if (!flic)
        return;
    VEXFileClose(flic->file);
    vexfree(flic);
}

VEXAPI int VEXFlicGetNext(VEXFLIC *flic, uint8_t *buffer)
{
    bool advanced;
    if (!buffer)
        return 0;
    return NextFrame(flic, buffer, &advanced);
}

VEXAPI int VEXFlicGoto(VEXFLIC *flic, uint32_t frame, uint8_t *buffer)
{
    if (!flic || !flic->file || !buffer)
        return 0;
    if (frame > flic->frames)
        frame = flic->frames;
    if (flic->currentFrame >= frame)
        Rewind(flic);
    int result = 1;
    while (flic->currentFrame < frame) {
        bool advanced;
        int r = NextFrame(flic, buffer, &advanced);
        if (r == 0 || !advanced)
            return 0;
        if (r == 2)
            result = 2;
    }
    return result;
}

VEXAPI uint8_t *VEXFlicGetPalette(VEXFLIC *flic)
{
    return flic ? flic->palette : nullptr;
}

VEXAPI char *VEXFlicGetName(VEXFLIC *flic, char *destination)
{
    if (!flic || !flic->file)
        return nullptr;
    return VEXFileGetName(flic->file, destination);
}

} // extern "C"
