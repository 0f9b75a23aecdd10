// Sound chunk decoding (see soundchunk.h). Trees are rebuilt for every chunk
// and walked bit by bit.
#include "codec/soundchunk.h"

#include "codec/bitreader.h"
#include "codec/timing.h"
#include "codec/trees.h"

namespace zorb {

void CopySound(const uint8_t *src, size_t n, SoundRing &ring)
{
    for (size_t i = 0; i < n; ++i)
        ring.Put(src[i]);
}

void WriteSilence(size_t n, bool sixteenBit, SoundRing &ring)
{
    const uint8_t v = sixteenBit ? 0 : 0x80;
    for (size_t i = 0; i < n; ++i)
        ring.Put(v);
}

bool DecodeSoundChunk(const uint8_t *stream, size_t streamBytes, uint32_t decodedSize, SoundRing &ring)
{
    BitReader in(stream, streamBytes);
    if (!in.ReadBit())
        return false;
    const bool stereo = in.ReadBit(), sixteen = in.ReadBit();
    const unsigned channels = stereo ? 2 : 1, trees = channels * (sixteen ? 2 : 1);
    ByteNode nodes[4][kByteTreeMaxNodes];
    uint32_t left = decodedSize;
    for (unsigned t = 0; t < trees; ++t) {
        in.ReadBit(); // not interpreted
        if (!ReadByteTree(in, nodes[t])) {
            WriteSilence(left, sixteen, ring);
            return true;
        }
    }
    if (left == 0)
        return true;

    uint32_t s[2] = {0, 0}; // s[0] left (or mono), s[1] right
    if (sixteen) {
        for (unsigned ch = channels; ch-- > 0;) {
            const uint32_t high = in.ReadBits(8);
            s[ch] = high << 8 | in.ReadBits(8);
        }
    } else {
        for (unsigned ch = channels; ch-- > 0;)
            s[ch] = in.ReadBits(8);
    }
    for (bool first = true; left > 0; first = false) {
        if (!first) {
            for (unsigned ch = 0; ch < channels; ++ch) {
                if (sixteen) {
                    const uint32_t lo = DecodeByte(nodes[2 * ch], in);
                    const uint32_t hi = DecodeByte(nodes[2 * ch + 1], in);
                    s[ch] = (s[ch] + (hi << 8 | lo)) & 0xFFFF;
                } else {
                    s[ch] = (s[ch] + DecodeByte(nodes[ch], in)) & 0xFF;
                }
            }
        }
        if (in.Overrun()) // the stream ended before the chunk's sound did
            break;
        for (unsigned ch = 0; ch < channels && left > 0; ++ch) {
            ring.Put(static_cast<uint8_t>(s[ch]));
            --left;
            if (sixteen && left > 0) {
                ring.Put(static_cast<uint8_t>(s[ch] >> 8));
                --left;
            }
        }
    }
    WriteSilence(left, sixteen, ring);
    return true;
}

void DecodeSoundIntoRing(const uint8_t *stream, uint32_t streamBytes, uint32_t n, uint8_t *, uint8_t *ringStart,
                         uint8_t *ringEnd, uint8_t *writePos)
{
    SoundRing ring{ringStart, ringEnd, writePos};
    if (!ring.Valid() || n == 0)
        return;
    DecodeSoundChunk(stream, streamBytes, n, ring);
}

} // namespace zorb
