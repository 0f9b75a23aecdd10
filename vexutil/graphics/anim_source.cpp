// Animated GIF and WebP files as graphics input. Opening reads every frame
// once: to count them, to learn their durations (see ChooseAnimTiming) and to
// see whether every picture has at most 256 colours. Such files are delivered
// as 8-bit frames whose palette keeps each colour at its index for as long as
// the colour stays in use, so the palette changes only where colours come and
// go; others as 32-bit frames.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "vexutil/graphics/anim_decoder.h"
#include "vexutil/graphics/anim_source.h"
#include "vexutil/graphics/anim_timing.h"
#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {

int StablePalette::Find(uint32_t colour) const
{
    for (uint32_t i = Slot(colour);; i = (i + 1) & (kSlots - 1)) {
        if (keys_[i] == colour)
            return values_[i];
        if (keys_[i] == kEmpty)
            return -1;
    }
}

void StablePalette::Insert(uint32_t colour, uint8_t index)
{
    uint32_t i = Slot(colour);
    while (keys_[i] != kEmpty && keys_[i] != colour)
        i = (i + 1) & (kSlots - 1);
    keys_[i] = colour;
    values_[i] = index;
}

void StablePalette::Rebuild()
{
    std::fill(std::begin(keys_), std::end(keys_), kEmpty);
    for (int i = 0; i < 256; ++i)
        if (assigned_[i])
            Insert(colours_[i], static_cast<uint8_t>(i));
}

namespace {

uint32_t ColourAt(const uint8_t *bgrx, size_t i)
{
    const uint8_t *p = bgrx + 4 * i;
    return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

} // namespace

bool StablePalette::Map(const uint8_t *bgrx, size_t count, uint8_t *indices, bool *changed)
{
    *changed = false;
    // The picture's colours: those with an index are kept, the others collected.
    bool keep[256] = {};
    size_t distinct = 0;
    for (uint32_t s : freshSlots_)
        freshKeys_[s] = kEmpty;
    freshSlots_.clear();
    fresh_.clear();
    uint32_t last = kEmpty;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = ColourAt(bgrx, i);
        if (c == last)
            continue;
        last = c;
        const int at = Find(c);
        if (at >= 0) {
            if (!keep[at])
                keep[at] = true, ++distinct;
            continue;
        }
        uint32_t s = Slot(c);
        while (freshKeys_[s] != kEmpty && freshKeys_[s] != c)
            s = (s + 1) & (kSlots - 1);
        if (freshKeys_[s] == c)
            continue;
        if (++distinct > 256)
            return false;
        freshKeys_[s] = c;
        freshSlots_.push_back(s);
        fresh_.push_back(c);
    }
    // New colours take indices no colour of this picture holds, unused ones first.
    std::sort(fresh_.begin(), fresh_.end());
    bool evicted = false;
    for (int pass = 0; pass < 2 && !fresh_.empty(); ++pass)
        for (int next = 0; next < 256 && !fresh_.empty(); ++next) {
            if (keep[next] || (pass == 0 && assigned_[next]))
                continue;
            evicted = evicted || assigned_[next];
            colours_[next] = fresh_.back();
            fresh_.pop_back();
            assigned_[next] = true;
            keep[next] = true;
            *changed = true;
            if (!evicted)
                Insert(colours_[next], static_cast<uint8_t>(next));
        }
    if (evicted)
        Rebuild();
    last = kEmpty;
    uint8_t lastIndex = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = ColourAt(bgrx, i);
        if (c != last)
            last = c, lastIndex = static_cast<uint8_t>(Find(c));
        indices[i] = lastIndex;
    }
    return true;
}

void StablePalette::Get(uint8_t *palette) const
{
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = static_cast<uint8_t>(colours_[i] >> 16);
        palette[3 * i + 1] = static_cast<uint8_t>(colours_[i] >> 8);
        palette[3 * i + 2] = static_cast<uint8_t>(colours_[i]);
    }
}

void StablePalette::Reset()
{
    std::fill(std::begin(colours_), std::end(colours_), 0u);
    std::fill(std::begin(assigned_), std::end(assigned_), false);
    std::fill(std::begin(keys_), std::end(keys_), kEmpty);
    std::fill(std::begin(freshKeys_), std::end(freshKeys_), kEmpty);
    freshSlots_.clear();
}

namespace {

class AnimatedSource final : public GraphicsSource {
public:
    AnimatedSource(std::unique_ptr<AnimDecoder> decoder, AnimTiming timing, bool trueColour, uint32_t frameBytes)
        : dec_(std::move(decoder)), timing_(std::move(timing)), trueColour_(trueColour), frameBytes_(frameBytes),
          canvas_(static_cast<size_t>(dec_->Width()) * dec_->Height() * 4),
          indices_(static_cast<size_t>(dec_->Width()) * dec_->Height())
    {}

    ReadResult Read(GFILE *g, bool *changed) override
    {
        if (!started_) {
            started_ = true;
            bool ok = true;
            if (!SkipToFirstFrame(g, [&] {
                    bool unused;
                    ok = ok && Advance(&unused);
                }))
                return ReadResult::Cancelled;
            if (!ok)
                return ReadResult::Failed;
            first_ = true;
        }
        const bool ok = Advance(changed);
        *changed = *changed || first_;
        first_ = false;
        GFilePrivate *p = g->priv;
        g->frameDataSize = frameBytes_;
        if (trueColour_) {
            p->src = canvas_.data();
            p->srcPitch = static_cast<ptrdiff_t>(dec_->Width()) * 4;
            g->frameDepth = 32;
        } else {
            palette_.Get(g->sourcePalette);
            p->src = indices_.data();
            p->srcPitch = static_cast<ptrdiff_t>(dec_->Width());
            g->frameDepth = 8;
        }
        return ok ? ReadResult::Ok : ReadResult::Failed;
    }

    void Rewind(GFILE *) override
    {
        dec_->Rewind();
        palette_.Reset();
        frame_ = -1;
        left_ = 0;
        started_ = false;
    }

private:
    // Steps to the next delivered frame: the same picture again while it
    // repeats, else the file's next picture.
    bool Advance(bool *changed)
    {
        *changed = false;
        while (left_ == 0) {
            int64_t duration = 0;
            if (!dec_->Next(canvas_.data(), &duration))
                return false;
            ++frame_;
            left_ = static_cast<size_t>(frame_) < timing_.repeats.size() ? timing_.repeats[frame_] : 1;
            if (!trueColour_ && !palette_.Map(canvas_.data(), indices_.size(), indices_.data(), changed))
                return false; // more colours than at opening: the file changed
        }
        --left_;
        return true;
    }

    std::unique_ptr<AnimDecoder> dec_;
    AnimTiming timing_;
    bool trueColour_;
    uint32_t frameBytes_;
    std::vector<uint8_t> canvas_, indices_;
    StablePalette palette_;
    int64_t frame_ = -1;
    uint32_t left_ = 0; // deliveries left of the current picture
    bool started_ = false, first_ = false;
};

} // namespace

bool OpenAnimatedSource(GFILE *g, const std::string &path, bool webp, bool *handled)
{
    std::string error;
    std::unique_ptr<AnimDecoder> dec = webp ? OpenWebpAnimation(path, error) : OpenGifAnimation(path, error);
    if (!dec) {
        PlatformDebugLog("graphics input: %s: %s", path.c_str(), error.c_str());
        return false;
    }
    // One pass over the file: frames, durations, colours.
    std::vector<uint8_t> canvas(static_cast<size_t>(dec->Width()) * dec->Height() * 4);
    std::vector<uint8_t> indices(static_cast<size_t>(dec->Width()) * dec->Height());
    std::vector<int64_t> durations;
    StablePalette palette;
    bool fits = true;
    int64_t duration = 0;
    while (dec->Next(canvas.data(), &duration)) {
        durations.push_back(duration);
        bool changed;
        fits = fits && palette.Map(canvas.data(), indices.size(), indices.data(), &changed);
    }
    if (dec->Damaged() || durations.empty()) {
        PlatformDebugLog("graphics input: %s: %s", path.c_str(), durations.empty() ? "no frames" : "damaged");
        if (webp)
            *handled = true;
        return false;
    }
    // Single GIF pictures stay with the image reader.
    if (!webp && durations.size() < 2)
        return false;
    *handled = true;
    if (!dec->Rewind())
        return false;
    AnimTiming timing = ChooseAnimTiming(durations, webp ? kUnitsPerMillisecond : kUnitsPerCentisecond);
    GFilePrivate *p = g->priv;
    p->sourceFrames = static_cast<uint32_t>(std::min<uint64_t>(timing.delivered, 16777215));
    g->frameTime = timing.frameTime;
    g->sourceWidth = dec->Width();
    g->sourceHeight = dec->Height();
    g->depth = fits ? 8 : 32;
    g->kind = webp ? GFILE_WEBP : GFILE_GIF;
    const uint32_t size = vexfilesize(path.c_str());
    const uint32_t frameBytes = static_cast<uint32_t>(size / durations.size());
    p->source = std::make_unique<AnimatedSource>(std::move(dec), std::move(timing), !fits, frameBytes);
    std::snprintf(g->name, sizeof g->name, "%s", path.c_str());
    return true;
}

} // namespace vex
