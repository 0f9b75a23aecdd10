// The chunk encoders of the flic writer: palette packets, BYTE_RUN, LC
// (DELTA_FLI) and DELTA_FLC, each writing a chunk's data (after its 6-byte
// header) into a bounded output. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_FLIC_ENCODE_H
#define ZORB_VEXUTIL_GRAPHICS_FLIC_ENCODE_H

#include <cstddef>
#include <cstdint>

namespace vex {

// Bytes written into a buffer of fixed capacity; once a write would pass the
// end nothing more is stored and Overflowed() stays true.
class ChunkOutput {
public:
    ChunkOutput(uint8_t *data, size_t capacity) : data_(data), capacity_(capacity) {}
    void Byte(uint32_t v)
    {
        if (size_ < capacity_)
            data_[size_] = static_cast<uint8_t>(v);
        else
            overflowed_ = true;
        ++size_;
    }
    void Word(uint32_t v)
    {
        Byte(v & 0xFF);
        Byte((v >> 8) & 0xFF);
    }
    void Bytes(const uint8_t *p, size_t n);
    // Rewrite a value already written at offset at.
    void PatchByte(size_t at, uint32_t v);
    void PatchWord(size_t at, uint32_t v);
    // Marks the output unusable (a limit of the encoding was passed).
    void Fail() { overflowed_ = true; }
    size_t Size() const { return size_; }
    bool Overflowed() const { return overflowed_; }

private:
    uint8_t *data_;
    size_t capacity_;
    size_t size_ = 0;
    bool overflowed_ = false;
};

// COLOR_256 packets for the entries of palette that differ from previous
// (every entry when previous is null). Returns false when nothing differs.
bool EncodeFlicPalette(const uint8_t *previous, const uint8_t *palette, ChunkOutput &out);

// The whole picture, row by row (width x height bytes, no padding).
void EncodeFlicByteRun(const uint8_t *pixels, uint32_t width, uint32_t height, ChunkOutput &out);

// Changes from previous to current. Both return false when the pictures are
// equal (nothing is written then). DeltaFlc needs an even width.
bool EncodeFlicLc(const uint8_t *previous, const uint8_t *current, uint32_t width, uint32_t height, ChunkOutput &out);
bool EncodeFlicDeltaFlc(const uint8_t *previous, const uint8_t *current, uint32_t width, uint32_t height,
                        ChunkOutput &out);

} // namespace vex

#endif
