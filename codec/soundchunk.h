// Sound chunk decoding: raw chunks and Huffman-coded sample deltas in the four
// variants (8/16-bit, mono/stereo), written into a ring with wrap-around.
#ifndef ZORB_CODEC_SOUNDCHUNK_H
#define ZORB_CODEC_SOUNDCHUNK_H

#include <cstddef>
#include <cstdint>

namespace zorb {

// A ring [start, end) and the position the next byte goes to. A flat buffer
// is a ring that never wraps.
struct SoundRing {
    uint8_t *start;
    uint8_t *end;
    uint8_t *pos;

    bool Valid() const { return start && end > start && pos >= start && pos < end; }
    void Put(uint8_t b)
    {
        *pos++ = b;
        if (pos == end)
            pos = start;
    }
};

// Decodes a compressed chunk's stream (the bytes after its two length words)
// into ring, writing exactly `decodedSize` bytes from ring.pos on (ring.pos
// ends past them). Never reads outside [stream, stream + streamBytes).
// Returns false, writing nothing, when the stream's first bit is 0 (the chunk
// carries no sound). Broken trees or a stream that ends early give silence
// for the rest of the chunk (0x80 for 8-bit, 0 for 16-bit samples).
bool DecodeSoundChunk(const uint8_t *stream, size_t streamBytes, uint32_t decodedSize, SoundRing &ring);

// Copies a raw chunk's bytes into the ring.
void CopySound(const uint8_t *src, size_t n, SoundRing &ring);

// Writes n bytes of silence.
void WriteSilence(size_t n, bool sixteenBit, SoundRing &ring);

// DecodeSoundIntoRing, the sound feed's entry (codec/timing.h), is defined
// with these: the scratch block is not needed (trees are built on the stack).

} // namespace zorb

#endif
