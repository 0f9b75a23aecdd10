// Decoding of one flic frame's chunks into an 8-bit picture and a palette.
// Internal to vexutil (the VEXFlic reader reads the frame, this walks it).
#ifndef ZORB_VEXUTIL_GRAPHICS_FLIC_DECODE_H
#define ZORB_VEXUTIL_GRAPHICS_FLIC_DECODE_H

#include <cstddef>
#include <cstdint>

namespace vex {

struct FlicPicture {
    uint8_t *pixels; // rows * pitch bytes
    uint32_t pitch;  // row length (>= width)
    uint32_t rows;   // rows in the buffer (>= height)
    uint32_t width, height;
    uint8_t *palette; // 768 bytes, red, green, blue
};

enum : uint16_t {
    kFlicColor256 = 4,
    kFlicDeltaFlc = 7,
    kFlicColor64 = 11,
    kFlicDeltaFli = 12,
    kFlicBlack = 13,
    kFlicByteRun = 15,
    kFlicCopy = 16,
};

// Walks chunkCount chunks in data[0, size) (the frame's data after its
// 16-byte header) and applies them to the picture. Nothing outside data is
// read and nothing outside the picture's width x height is written. Returns
// true when a palette chunk was seen.
bool DecodeFlicChunks(const uint8_t *data, size_t size, uint32_t chunkCount, const FlicPicture &pic);

// The single chunk decoders, on the chunk's data (after its 6-byte header).
bool DecodeFlicPalette(const uint8_t *d, size_t n, bool sixBit, uint8_t *palette);
void DecodeFlicDeltaFlc(const uint8_t *d, size_t n, const FlicPicture &pic);
void DecodeFlicDeltaFli(const uint8_t *d, size_t n, const FlicPicture &pic);
void DecodeFlicByteRun(const uint8_t *d, size_t n, const FlicPicture &pic);
void DecodeFlicCopy(const uint8_t *d, size_t n, const FlicPicture &pic);
void DecodeFlicBlack(const FlicPicture &pic);

} // namespace vex

#endif
