// The handle's video output: ZorbSetOutput, the frame's video decode,
// ZorbNextDirtyRect, ZorbRemapColors, and ZorbGetTrackSound.
#include <algorithm>
#include <cstring>

#include "codec/cpu.h"
#include "codec/format.h"
#include "codec/handle.h"
#include "codec/soundchunk.h"
#include "codec/video.h"
#include "platform/platform.h"

namespace zorb {

namespace {

uint32_t CodedHeight(const ZorbHandle *h)
{
    return (h->OpenFlags & (ZORB_OPEN_HEIGHT_INTERLACE | ZORB_OPEN_HEIGHT_DOUBLE)) ? h->Height / 2 : h->Height;
}

int HeightMode(const ZorbHandle *h)
{
    if (h->OpenFlags & ZORB_OPEN_HEIGHT_INTERLACE)
        return 1;
    return (h->OpenFlags & ZORB_OPEN_HEIGHT_DOUBLE) ? 2 : 0;
}

void DropOutput(ZorbHandle *h)
{
    if (h->OutputDescriptor)
        HandleFree(h, h->OutputDescriptor, h->OutputDescriptorSize);
    h->OutputDescriptor = nullptr;
    h->OutputDescriptorSize = 0;
    h->ColourTable16 = nullptr;
    h->RectWalkState = 0;
}

bool AnyChange(const OutputDescriptor &od)
{
    const uint32_t groups = (od.blocksPerRow * od.blockRows + 15) / 16;
    for (uint32_t g = 0; g < groups; ++g)
        if (od.changeMap[g])
            return true;
    return false;
}

} // namespace

DecodePath CurrentDecodePath()
{
    return ZorbMMXLevel() == 2 ? DecodePath::Wide : DecodePath::Table;
}

void DecodeFrameVideo(ZorbHandle *h)
{
    OutputDescriptor *od = h->OutputDescriptor;
    if (!od || !h->TreeTable)
        return;
    if (od->colourTable16 && h->ColourTableStale) {
        BuildColourTable16(h->Palette, od->pixelFormat, od->colourTable16);
        h->ColourTableStale = 0;
    }
    const uint8_t *video = h->VideoChunk;
    size_t size = 0;
    if (video && h->FrameData && video >= h->FrameData && video <= h->FrameData + h->CurrentFrameSize)
        size = static_cast<size_t>(h->FrameData + h->CurrentFrameSize - video);
    DecodeVideo(*h->TreeTable, video, size, *od, CurrentDecodePath());
    StartDirtyWalk(*od);
    h->RectWalkState = 1;
}

} // namespace zorb

using namespace zorb;

extern "C" void ZorbSetOutput(ZorbHandle *h, uint32_t x, int32_t y, uint32_t stride, uint32_t bufferHeight,
                              void *buffer, uint32_t outputType)
{
    if (!h)
        return;
    if (!buffer) {
        DropOutput(h);
        return;
    }
    const bool sixteen = (outputType >> 24 & 0xC0) == 0x80 || (outputType >> 24 & 0xC0) == 0xC0;
    const size_t need = OutputBlockSize(h->Width, CodedHeight(h), sixteen);
    if (need == 0 || need > UINT32_MAX) {
        DropOutput(h);
        return;
    }
    void *block = h->OutputDescriptor;
    size_t size = h->OutputDescriptorSize;
    if (!block || size < need) {
        DropOutput(h);
        block = HandleAlloc(h, need);
        if (!block)
            return; // no output: video is no longer decoded
        size = need;
    }
    OutputDescriptor *od = SetupOutput(block, size, h->Width, CodedHeight(h), HeightMode(h), x, y, stride, bufferHeight,
                                       static_cast<uint8_t *>(buffer), outputType);
    h->OutputDescriptor = od;
    h->OutputDescriptorSize = static_cast<uint32_t>(size);
    h->ColourTable16 = od->colourTable16;
    if (od->colourTable16) // always from the palette in force, whatever the block held before
        BuildColourTable16(h->Palette, od->pixelFormat, od->colourTable16);
    h->ColourTableStale = 0;
    h->OutputX = x;
    h->OutputY = y;
    h->RectWalkState = 0;
}

extern "C" uint32_t ZorbNextDirtyRect(ZorbHandle *h, int32_t mode)
{
    if (!h || !h->OutputDescriptor)
        return 0;
    OutputDescriptor &od = *h->OutputDescriptor;
    if (h->BlitStartTime == 0) { // the frame's first request: decoding time ends, blitting time starts
        const uint32_t t = PlatformTimeMs();
        h->BlitStartTime = t ? t : 1;
        if (h->DecodeStartTime) {
            h->DecodeTimeTotal += t - h->DecodeStartTime;
            h->DecodeStartTime = 0;
        }
    }
    int32_t r[4];
    bool got = false;
    if (mode == 2) {
        if (h->RectWalkState == 1)
            return 0;
        got = PopPendingRect(od, r);
    } else if (h->RectWalkState == 3) {
        h->RectWalkState = 0;
    } else if (h->RectWalkState != 0) {
        if (h->RectWalkState == 1) {
            h->RectWalkState = 2;
            if (h->FreshPalette && od.pendingCount == 0 && !AnyChange(od)) {
                // Nothing changed but the palette: one empty rectangle so the caller refreshes.
                r[0] = r[1] = r[2] = r[3] = 0;
                h->RectWalkState = 3;
                got = true;
            }
        }
        if (!got) {
            got = NextDirtyRect(od, mode == 1 ? 1 : 0, r);
            if (!got)
                h->RectWalkState = 3;
        }
    }
    h->RectListCount = od.pendingCount;
    if (!got)
        return 0;
    h->LastRectX = r[0];
    h->LastRectY = r[1];
    h->LastRectW = r[2];
    h->LastRectH = r[3];
    return 1;
}

extern "C" void ZorbRemapColors(ZorbHandle *h, const void *target, uint32_t count, uint32_t layout)
{
    if (!h || !h->TreeTable || !target || count == 0)
        return;
    uint8_t map[256];
    BuildRemap(h->Palette, static_cast<const uint8_t *>(target), count, layout, map);
    RemapTrees(*h->TreeTable, map);
}

extern "C" uint32_t ZorbGetTrackSound(ZorbHandle *h, uint32_t trackFlags, void *buffer)
{
    if (!h || h->ReadFailed || !buffer || !h->FrameData)
        return 0;
    for (unsigned n = 0; n < ZBX_MAX_TRACKS; ++n) {
        if (!(trackFlags & ZORB_OPEN_TRACK(n)))
            continue;
        const SoundChunk chunk = FindSoundChunk(h, n);
        if (chunk.status != SoundChunk::kPresent)
            continue; // a chunk that does not fit its frame counts as absent
        if (chunk.compressed && (chunk.decodedBytes == 0 || chunk.decodedBytes == UINT32_MAX))
            return 0; // no sound, or a marker: nothing written
        // Never more than the header's largest frame of this track: that is
        // what callers size their buffers by.
        const uint32_t bytes = std::min(chunk.decodedBytes, h->AudioMaxSize[n]);
        if (bytes > 0)
            ExtractSound(h, n, chunk, static_cast<uint8_t *>(buffer), bytes);
        return bytes;
    }
    return 0;
}
