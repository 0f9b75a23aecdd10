// Zorblax sound tracks as a sound input source: the track's chunks, frame by
// frame, through the decode library.

#include "codec/format.h"
#include "codec/zorb.h"
#include "platform/platform.h"
#include "vexutil/sound/sound_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vex::sound {
namespace {

// Larger per-frame sound than this is taken for a damaged header.
constexpr uint32_t kMaxChunk = 64u << 20;

class ZorbSource final : public Source {
public:
    ZorbSource(ZorbHandle *h, uint32_t mask, uint32_t chunkBytes, uint32_t frameBytes)
        : h_(h), mask_(mask), frameBytes_(frameBytes), chunk_((chunkBytes + 15) / 16 * 16)
    {}
    ~ZorbSource() override { ZorbClose(h_); }

    size_t Read(uint8_t *dst, size_t n) override
    {
        size_t done = 0;
        while (done < n) {
            if (pos_ < len_) {
                const size_t k = std::min(n - done, len_ - pos_);
                std::memcpy(dst + done, chunk_.data() + pos_, k);
                pos_ += k;
                done += k;
                continue;
            }
            if (!NextFrame())
                break;
        }
        return done;
    }

    bool Seek(uint64_t pos) override
    {
        ZorbSeekFrame(h_, 1);
        frames_ = 0;
        pos_ = len_ = 0;
        // Chunks have no index: skip by reading.
        uint8_t scratch[4096];
        while (pos > 0) {
            const size_t got = Read(scratch, static_cast<size_t>(std::min<uint64_t>(pos, sizeof scratch)));
            if (!got)
                break;
            pos -= got;
        }
        return true;
    }

private:
    // Loads the sound of the next frame; false after the last frame.
    bool NextFrame()
    {
        if (frames_ >= h_->FrameCount || h_->ReadFailed)
            return false;
        if (frames_ > 0)
            ZorbAdvanceFrame(h_);
        ++frames_;
        if (h_->ReadFailed)
            return false;
        // The decoder never writes more than the track's largest chunk as the
        // header gives it, which is what the buffer holds.
        const uint32_t got = ZorbGetTrackSound(h_, mask_, chunk_.data());
        // Whole sample frames only: a damaged chunk must not shift the
        // channels of everything after it.
        len_ = std::min<size_t>(got, chunk_.size()) / frameBytes_ * frameBytes_;
        pos_ = 0;
        return true;
    }

    ZorbHandle *h_;
    uint32_t mask_;
    uint32_t frameBytes_;
    std::vector<uint8_t> chunk_;
    size_t pos_ = 0, len_ = 0;
    uint32_t frames_ = 0;
};

bool HasSound(const ZorbHandle *h, int index)
{
    const uint32_t f = h->AudioFormat[index];
    return (f & ZBX_AUDIO_PRESENT) && (f & ZBX_AUDIO_RATE_MASK) && h->AudioMaxSize[index];
}

} // namespace

Probe OpenZorbSource(const std::string &name, int32_t track, SFILEPROGRESS progress, Opened *out)
{
    ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), 0, -1);
    if (!h)
        return Probe::NotThisKind;
    int index = -1;
    if (track > 0) {
        index = std::min(track, 7) - 1;
        if (!HasSound(h, index)) {
            ReportError(progress, "No sound found in the specified Zorblax track.");
            index = -2;
        }
    } else {
        for (int i = 0; i < ZBX_MAX_TRACKS && index < 0; ++i)
            if (HasSound(h, i))
                index = i;
        if (index < 0) {
            ReportError(progress, "No sound found in the Zorblax file.");
            index = -2;
        }
    }
    if (index >= 0 && h->AudioMaxSize[index] > kMaxChunk) {
        ReportError(progress, "The sound track of the Zorblax file is damaged.");
        index = -2;
    }
    if (index < 0) {
        ZorbClose(h);
        return Probe::Failed;
    }
    const uint32_t flags = h->AudioFormat[index];
    Format f;
    f.rate = static_cast<int32_t>(flags & ZBX_AUDIO_RATE_MASK);
    f.bits = flags & ZBX_AUDIO_16BIT ? 16 : 8;
    f.channels = flags & ZBX_AUDIO_STEREO ? 2 : 1;
    // The sound of the file's running time, in whole sample frames (not cut
    // down further to 4-byte units, which would drop up to three samples of
    // 8-bit sound); without a frame time, at most the largest chunk per frame
    // (the source ends where the chunks do).
    const uint32_t period = ZbxFramePeriod(h->FrameRate);
    uint64_t bytes;
    if (period)
        bytes = static_cast<uint64_t>(period) * h->FrameCount * f.bytesPerSecond() / 100000;
    else
        bytes = static_cast<uint64_t>(h->AudioMaxSize[index]) * h->FrameCount;
    out->source = std::make_unique<ZorbSource>(h, ZORB_OPEN_TRACK(index), h->AudioMaxSize[index],
                                               static_cast<uint32_t>(f.frameBytes()));
    out->kind = SFILE_KIND_ZORBLAX;
    out->format = f;
    out->bytes = bytes / static_cast<uint32_t>(f.frameBytes()) * static_cast<uint32_t>(f.frameBytes());
    out->framePeriod = period;
    out->trackMask = ZORB_OPEN_TRACK(index);
    out->name = name;
    return Probe::Opened;
}

} // namespace vex::sound
