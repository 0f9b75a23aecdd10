// PCM wave files of the sound tools, through the platform's safe writing and
// RIFF writer.
#include "encoder/writer_internal.h"

namespace zenc {

bool WaveOutput::Begin(const std::string &target, uint32_t rate, uint32_t bits, uint32_t channels, std::string &error)
{
    target_ = target;
    data_ = 0;
    if (!file_.Create(target, error))
        return false;
    PlatformRiffStart(&riff_, file_.Fd());
    if (PlatformWaveBegin(&riff_, rate, channels, bits))
        return true;
    error = "Error writing " + target + ".";
    return false;
}

bool WaveOutput::End(std::string &error)
{
    const uint64_t start = 44; // the data chunk's first byte
    if (!riff_.failed && riff_.position >= start)
        data_ = riff_.position - start;
    if (PlatformWaveEnd(&riff_))
        return true;
    error = "Error writing " + target_ + " (disk full, or more than 4 GB of sound?).";
    return false;
}

} // namespace zenc
