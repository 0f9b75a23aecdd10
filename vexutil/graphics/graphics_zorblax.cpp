// Zorblax files as a graphics input source, through the decode library: the
// frames are decoded one after the other into an 8-bit frame buffer.
#include "vexutil/graphics/graphics_zorblax.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codec/zorb.h"

namespace vex {
bool OpenZorblaxSource(GFILE *g, const std::string &name)
{
    std::string path = HasExtension(name.c_str()) ? name : name + ".zbx";
    if (!FileExists(path)) return false;
    // No sound tracks; every frame's video is decoded.
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), ZORB_OPEN_NEVER_SKIP, -1);
    if (!h) return false;
    if (h->Width == 0 || h->Height == 0 || h->Width > 16384 || h->Height > 16384) {
        ZorbClose(h);
        return false;
    }
    GFilePrivate *p = g->priv;
    p->zorb = h;
    p->sourceFrames = h->FrameCount;
    g->sourceWidth = h->Width;
    g->sourceHeight = h->Height;
    g->frameTime = h->FrameRate;
    g->depth = 8;
    g->kind = GFILE_ZORBLAX;
    for (int i = 0; i < 7; i++) g->trackInfo[i] = h->AudioFormat[i];
    p->frameBufferPitch = (h->Width + 3) & ~3u;
    p->frameBuffer.assign(static_cast<size_t>(p->frameBufferPitch) * h->Height, 0);
    ZorbSetOutput(h, 0, 0, p->frameBufferPitch, h->Height, p->frameBuffer.data(), 0);
    std::snprintf(g->name, sizeof g->name, "%s", path.c_str());
    return true;
}

ReadResult ReadZorblaxFrame(GFILE *g, bool *paletteChanged)
{
    GFilePrivate *p = g->priv;
    ZorbHandle *h = p->zorb;
    bool first = !p->skipped;
    if (first) {
        // Frames are coded as changes: every frame before the first is decoded.
        for (uint32_t i = 0; i < p->firstFrameIndex; i++) {
            if (Progress(g, i == 0 ? 1 : 0, "Skipping frame %li...", static_cast<long>(i) + 1))
                return ReadResult::Cancelled;
            ZorbDecodeFrame(h);
            ZorbAdvanceFrame(h);
        }
        p->skipped = true;
    }
    ZorbDecodeFrame(h);
    *paletteChanged = first || h->FreshPalette;
    h->FreshPalette = 0;
    std::memcpy(g->sourcePalette, h->Palette, 768);
    g->frameDataSize = h->CurrentFrameSize;
    p->src = p->frameBuffer.data();
    p->srcPitch = p->frameBufferPitch;
    g->frameDepth = 8;
    bool failed = h->ReadFailed != 0;
    ZorbAdvanceFrame(h);
    return failed ? ReadResult::Failed : ReadResult::Ok;
}

void RewindZorblaxSource(GFILE *g)
{
    GFilePrivate *p = g->priv;
    if (!p->zorb) return;
    std::fill(p->frameBuffer.begin(), p->frameBuffer.end(), 0);
    ZorbSeekFrame(p->zorb, 1);
}

void CloseZorblaxSource(GFILE *g)
{
    GFilePrivate *p = g->priv;
    ZorbClose(p->zorb);
    p->zorb = nullptr;
}

}  // namespace vex
