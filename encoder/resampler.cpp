// Rate conversion for the sound tools: libsoxr at high quality, 16-bit
// interleaved samples in and out, rounded without dither so the same input
// always gives the same output.
#include <soxr.h>

#include "encoder/writer_internal.h"

namespace zenc {

struct Resampler::State {
    soxr_t soxr = nullptr;
    double ratio = 1;
};

Resampler::~Resampler()
{
    if (state_)
        soxr_delete(state_->soxr);
    delete state_;
}

bool Resampler::Open(uint32_t inRate, uint32_t outRate, uint32_t channels, std::string &error)
{
    if (state_)
        soxr_delete(state_->soxr);
    delete state_;
    state_ = nullptr;
    if (!inRate || !outRate || !channels) {
        error = "Error: a sample rate or channel count of 0.";
        return false;
    }
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t e = nullptr;
    soxr_t s = soxr_create(inRate, outRate, channels, &e, &io, &quality, nullptr);
    if (!s || e) {
        if (s)
            soxr_delete(s);
        error = std::string("Error starting the rate conversion: ") + (e ? e : "unknown failure") + ".";
        return false;
    }
    state_ = new State;
    state_->soxr = s;
    state_->ratio = static_cast<double>(outRate) / inRate;
    channels_ = channels;
    return true;
}

bool Resampler::Process(const int16_t *in, size_t frames, std::vector<int16_t> &out)
{
    if (!state_)
        return false;
    while (frames > 0) {
        const size_t room = static_cast<size_t>(frames * state_->ratio) + 64;
        const size_t base = out.size();
        out.resize(base + room * channels_);
        size_t used = 0, made = 0;
        if (soxr_process(state_->soxr, in, frames, &used, out.data() + base, room, &made))
            return false;
        out.resize(base + made * channels_);
        in += used * channels_;
        frames -= used;
        if (used == 0 && made == 0)
            return false; // no progress: never loop forever
    }
    return true;
}

bool Resampler::Flush(std::vector<int16_t> &out)
{
    if (!state_)
        return false;
    for (;;) {
        constexpr size_t kRoom = 4096;
        const size_t base = out.size();
        out.resize(base + kRoom * channels_);
        size_t made = 0;
        if (soxr_process(state_->soxr, nullptr, 0, nullptr, out.data() + base, kRoom, &made))
            return false;
        out.resize(base + made * channels_);
        if (made == 0)
            return true;
    }
}

} // namespace zenc
