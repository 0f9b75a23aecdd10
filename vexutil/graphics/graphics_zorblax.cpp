// Zorblax files as a graphics input source, through the decode library: the
// frames are decoded one after the other into an 8-bit frame buffer.
#include "vexutil/graphics/graphics_zorblax.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "codec/zorb.h"
#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {
namespace {

class ZorblaxSource final : public GraphicsSource {
public:
    explicit ZorblaxSource(ZorbHandle *h)
        : h_(h), pitch_((h->Width + 3) & ~3u), frame_(static_cast<size_t>(pitch_) * h->Height, 0)
    {
        ZorbSetOutput(h_, 0, 0, pitch_, h_->Height, frame_.data(), 0);
    }
    ~ZorblaxSource() override { ZorbClose(h_); }

    ReadResult Read(GFILE *g, bool *paletteChanged) override
    {
        GFilePrivate *p = g->priv;
        bool first = !skipped_;
        if (first) {
            // Frames are coded as changes: every frame before the first is decoded.
            auto decode = [this] {
                ZorbDecodeFrame(h_);
                ZorbAdvanceFrame(h_);
            };
            if (!SkipToFirstFrame(g, decode))
                return ReadResult::Cancelled;
            skipped_ = true;
        }
        ZorbDecodeFrame(h_);
        *paletteChanged = first || h_->FreshPalette;
        h_->FreshPalette = 0;
        std::memcpy(g->sourcePalette, h_->Palette, 768);
        g->frameDataSize = h_->CurrentFrameSize;
        p->src = frame_.data();
        p->srcPitch = pitch_;
        g->frameDepth = 8;
        bool failed = h_->ReadFailed != 0;
        ZorbAdvanceFrame(h_);
        return failed ? ReadResult::Failed : ReadResult::Ok;
    }

    void Rewind(GFILE *) override
    {
        skipped_ = false;
        std::fill(frame_.begin(), frame_.end(), 0);
        ZorbSeekFrame(h_, 1);
    }

private:
    ZorbHandle *h_;
    uint32_t pitch_;
    std::vector<uint8_t> frame_;
    bool skipped_ = false; // the first read skipped to the first frame
};

} // namespace

bool OpenZorblaxSource(GFILE *g, const std::string &name)
{
    // The name as given first, then with the default extension.
    std::string path = FileExists(name) || HasExtension(name.c_str()) ? name : name + ".zbx";
    if (!FileExists(path))
        return false;
    // No sound tracks; every frame's video is decoded.
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path.c_str()), ZORB_OPEN_NEVER_SKIP, -1);
    if (!h)
        return false;
    if (h->Width == 0 || h->Height == 0 || h->Width > kMaxPictureSide || h->Height > kMaxPictureSide) {
        ZorbClose(h);
        return false;
    }
    GFilePrivate *p = g->priv;
    p->source = std::make_unique<ZorblaxSource>(h);
    p->sourceFrames = h->FrameCount;
    g->sourceWidth = h->Width;
    g->sourceHeight = h->Height;
    g->frameTime = h->FrameRate;
    g->depth = 8;
    g->kind = GFILE_ZORBLAX;
    for (int i = 0; i < ZBX_MAX_TRACKS; i++)
        g->trackInfo[i] = h->AudioFormat[i];
    std::snprintf(g->name, sizeof g->name, "%s", path.c_str());
    return true;
}

} // namespace vex
