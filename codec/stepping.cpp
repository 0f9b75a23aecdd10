// Frame stepping: ZorbDecodeFrame, ZorbAdvanceFrame and ZorbSeekFrame. The
// sound feed, the behind test and the booking of frame times belong to the
// frame timing; this file calls them at the points where a frame is decoded,
// left and re-entered.
#include <cstring>

#include "codec/handle.h"
#include "codec/timing.h"
#include "platform/platform.h"

namespace zorb {

// Video output (output.cpp).
void DecodeFrameVideo(ZorbHandle *h);

namespace {

// Makes frame `index` current by positioning the reader on it. Returning to
// frame 0 starts from a black palette; a jump there also restarts the sound
// time line, while the loop at the end lets the sound run on, so the sound
// already handed over (the back end's lead) is heard and the loop has no gap.
void GoToFrame(ZorbHandle *h, uint32_t index, bool jump)
{
    if (index == 0) {
        std::memset(h->Palette, 0, sizeof h->Palette);
        if (jump)
            SoundRestartAtFrameZero(h);
    }
    h->CurrentFrame = index;
    PositionOnCurrentFrame(h);
    h->FrameReleased = 0;
    ParseFrame(h);
}

} // namespace

} // namespace zorb

using namespace zorb;

extern "C" uint8_t ZorbDecodeFrame(ZorbHandle *h)
{
    if (!h || h->ReadFailed)
        return 0;
    const uint32_t t = PlatformTimeMs();
    h->DecodeStartTime = h->FrameStartTime = t;
    if (h->FirstFrameTime == 0)
        h->FirstFrameTime = t;
    if (h->FreshPalette)
        h->LastPaletteFrame = h->CurrentFrame;
    ++h->FramesDecoded;
    SoundFeedFrame(h);
    uint32_t behind = 0;
    bool skip = false;
    if (h->FramePeriod != 0) {
        behind = BehindTest(h);
        skip = behind && !(h->OpenFlags & ZORB_OPEN_NEVER_SKIP);
    }
    if (h->OutputDescriptor) {
        if (skip)
            ++h->FramesSkipped;
        else
            DecodeFrameVideo(h);
    }
    SoundHookService(h);
    return static_cast<uint8_t>(behind);
}

extern "C" void ZorbAdvanceFrame(ZorbHandle *h)
{
    if (!h)
        return;
    if (h->ReadFailed) {
        ++h->CurrentFrame;
        return;
    }
    SoundHookService(h);
    BookFrameTimes(h);
    const uint32_t size = h->CurrentFrameSize;
    const bool ring = h->HeaderFlags & ZBX_RING_FRAME;
    ++h->CurrentFrame;
    if (h->CurrentFrame < h->FrameCount || (ring && h->CurrentFrame == h->FrameCount)) {
        // The next frame in file order (the ring frame after the last one).
        if (!h->ReadBufferStart && h->FrameData)
            h->FrameData += size;
        ReadCurrentFrame(h);
        h->FrameReleased = 0;
        ParseFrame(h);
    } else {
        // After the ring frame playing goes on at frame 1 (frame 0 is the key
        // frame); without one it starts again at frame 0.
        GoToFrame(h, ring && h->FrameCount > 1 ? 1 : 0, false);
    }
    SoundHookService(h);
}

extern "C" void ZorbSeekFrame(ZorbHandle *h, uint32_t frame)
{
    if (!h || h->ReadFailed || h->FrameCount == 0)
        return;
    uint32_t index = frame == 0 ? 0 : frame - 1;
    if (index >= h->FrameCount) // past the end: the last frame
        index = h->FrameCount - 1;
    if (index == h->CurrentFrame)
        return;
    GoToFrame(h, index, true);
}
