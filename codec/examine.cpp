// Inspection of an open file: frame tables, chunk layouts and stored sound,
// for tools that describe files rather than play them.
#include <cstring>

#include "codec/examine.h"
#include "codec/format.h"
#include "codec/handle.h"
#include "codec/soundchunk.h"

namespace zorb {

SoundChunk FindSoundChunk(const ZorbHandle *h, unsigned n)
{
    SoundChunk chunk{};
    const uint8_t *c = n < ZBX_MAX_TRACKS && h->FrameData ? h->AudioChunk[n] : nullptr;
    if (!c)
        return chunk;
    chunk.status = SoundChunk::kDamaged;
    const uint8_t *frameEnd = h->FrameData + h->CurrentFrameSize;
    chunk.compressed = h->AudioFormat[n] & ZBX_AUDIO_COMPRESSED;
    const uint32_t minimum = chunk.compressed ? 8u : 4u;
    if (c < h->FrameData || c > frameEnd || static_cast<size_t>(frameEnd - c) < minimum)
        return chunk;
    const uint32_t length = ZbxGet32(c);
    if (length < minimum || length > static_cast<size_t>(frameEnd - c))
        return chunk;
    chunk.status = SoundChunk::kPresent;
    chunk.data = c;
    chunk.length = length;
    chunk.decodedBytes = chunk.compressed ? ZbxGet32(c + 4) : length - 4;
    return chunk;
}

void ExtractSound(const ZorbHandle *h, unsigned n, const SoundChunk &chunk, uint8_t *out, uint32_t bytes)
{
    if (!chunk.compressed) {
        std::memcpy(out, chunk.data + 4, bytes);
        return;
    }
    SoundRing ring{out, out + bytes, out};
    if (!DecodeSoundChunk(chunk.data + 8, chunk.length - 8, bytes, ring))
        WriteSilence(bytes, h->AudioFormat[n] & ZBX_AUDIO_16BIT, ring);
}

} // namespace zorb

using namespace zorb;

extern "C" uint32_t ZorbTableFrames(const ZorbHandle *h)
{
    return h ? TableFrames(h) : 0;
}

extern "C" int ZorbInspectFrame(ZorbHandle *h, uint32_t index, ZorbFrameLayout *layout)
{
    if (!h || !layout || index >= TableFrames(h))
        return 0;
    std::memset(layout, 0, sizeof *layout);
    layout->Size = h->FrameSizes[index];
    layout->Type = h->FrameTypes[index];
    if (index != h->CurrentFrame) {
        // A damaged frame marks the handle; the next one is read all the same.
        const uint32_t failedBefore = h->ReadFailed;
        h->ReadFailed = 0;
        if (index == h->CurrentFrame + 1) {
            if (!h->ReadBufferStart && h->FrameData)
                h->FrameData += h->CurrentFrameSize;
            h->CurrentFrame = index;
            ReadCurrentFrame(h);
        } else {
            h->CurrentFrame = index;
            PositionOnCurrentFrame(h);
        }
        if (!h->ReadFailed)
            ParseFrame(h);
        if (h->ReadFailed)
            return 0;
        h->ReadFailed = failedBefore;
    } else if (h->ReadFailed) {
        return 0;
    }
    if (layout->Type & ZBX_FRAME_PALETTE)
        layout->PaletteBytes = 4u * h->PaletteChunk[0];
    for (unsigned t = 0; t < ZBX_MAX_TRACKS; ++t)
        if (h->AudioChunk[t])
            layout->SoundBytes[t] = ZbxGet32(h->AudioChunk[t]);
    layout->VideoBytes = h->CurrentFrameSize - h->VideoOffset;
    return 1;
}

extern "C" int64_t ZorbInspectSound(const ZorbHandle *h, unsigned track, void *buffer, uint32_t capacity)
{
    if (!h)
        return 0;
    const SoundChunk chunk = FindSoundChunk(h, track);
    if (chunk.status == SoundChunk::kDamaged)
        return -1;
    if (chunk.status == SoundChunk::kAbsent || chunk.decodedBytes == 0)
        return 0;
    if (buffer && chunk.decodedBytes <= capacity)
        ExtractSound(h, track, chunk, static_cast<uint8_t *>(buffer), chunk.decodedBytes);
    return chunk.decodedBytes;
}
