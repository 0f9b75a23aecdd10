// The frame parser: where the palette chunk, the sound chunks and the video
// data of the loaded frame begin.
//
// A frame is [palette chunk][sound chunk of track 0] ... [sound chunk of
// track 6][video data], each chunk present only when its bit of the frame's
// type byte is set (bit 0 palette, bit n + 1 track n). The palette chunk's
// first byte gives its length in 4-byte units; a sound chunk starts with its
// total length as a 32-bit little-endian word. Every length is checked
// against the frame: a chunk that does not fit marks the handle ReadFailed
// and leaves that chunk and everything after it out.
#include <cstring>

#include "codec/format.h"
#include "codec/handle.h"

namespace zorb {

void ParseFrame(ZorbHandle *h)
{
    uint8_t *p = h->FrameData;
    uint32_t size = h->CurrentFrameSize;
    uint32_t n = TableFrames(h);
    uint8_t type = h->CurrentFrame < n && h->FrameTypes ? h->FrameTypes[h->CurrentFrame] : 0;
    uint8_t *end = p + size;

    h->PaletteChunk = p;
    for (uint8_t *&a : h->AudioChunk)
        a = nullptr;
    bool bad = false;
    uint32_t paletteLength = 0;
    uint8_t *c = p;
    if (type & 1) {
        paletteLength = size > 0 ? 4u * p[0] : 0;
        if (paletteLength == 0 || paletteLength > size)
            bad = true;
        else
            c = p + paletteLength;
    }
    for (unsigned t = 0; t < ZBX_MAX_TRACKS && !bad; ++t) {
        if (!(type & (2u << t)))
            continue;
        if (end - c < 4) {
            bad = true;
            break;
        }
        uint32_t len = ZbxGet32(c);
        if (len < 4 || len > static_cast<size_t>(end - c)) {
            bad = true;
            break;
        }
        h->AudioChunk[t] = c;
        c += len;
    }
    if (bad) {
        h->ReadFailed = 1;
        c = end;
    }
    h->VideoChunk = c;
    h->VideoOffset = static_cast<uint32_t>(c - p);
    if ((type & 1) && !bad)
        DecodePalette(h, paletteLength);
    else
        h->FreshPalette = 0;
}

} // namespace zorb
