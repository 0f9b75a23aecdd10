// The sound processor's work: the sound of any input the sound reader knows,
// trimmed, converted and written as a PCM wave file. Sample size and channel
// changes are done exactly by the reader; a rate change goes through the
// band-limited resampler.
#include <cstring>
#include <string>
#include <vector>

#include "encoder/encoder.h"
#include "encoder/last_error.h"
#include "encoder/writer_internal.h"

namespace {

// The reader's progress calls land here so that a cancel is told apart from
// the end of the sound.
thread_local ZencProgressFn tUserProgress = nullptr;
thread_local bool tCancelled = false;
thread_local const char *tInput = nullptr;

int ReaderProgress(const char *text, int level)
{
    if (!tUserProgress)
        return 0;
    if (level == 2 && tInput) { // the reader's errors name the input
        const std::string named = std::string(tInput) + ": " + text;
        return tUserProgress(named.c_str(), level);
    }
    const int answer = tUserProgress(text, level);
    if (answer && level != 2)
        tCancelled = true;
    return answer;
}

int16_t Widen8(uint8_t s)
{
    return static_cast<int16_t>((static_cast<int32_t>(s) - 128) * 256);
}
// The reader's own rule: value / 256 truncated towards zero, plus 128.
uint8_t Narrow16(int16_t v)
{
    return static_cast<uint8_t>(v / 256 + 128);
}

} // namespace

extern "C" int ZencConvertSound(const char *input, const char *output, const ZencSoundRequest *request,
                                ZencSoundResult *result, ZencProgressFn progress)
{
    zenc::ErrorScope errors(progress);
    progress = errors.Progress();
    if (!input || !output || !request)
        return errors.Fail("Error: bad arguments to the sound converter.");
    const ZencSoundRequest &r = *request;
    if (r.rate < 0 || (r.bits != 0 && r.bits != 8 && r.bits != 16) || r.channels < 0 || r.channels > 2)
        return errors.Fail("Error: the output format must be a positive rate, 8 or 16 bits, 1 or 2 channels.");

    tUserProgress = progress;
    tCancelled = false;
    tInput = input;
    SFILE *sf = SFileOpen(input, 0, r.bits, r.channels, r.start, r.end, r.track, r.rawFlags, r.rawOffset,
                          progress ? ReaderProgress : nullptr);
    if (!sf) {
        tUserProgress = nullptr;
        return errors.Fail(""); // the reader has said why
    }
    if (sf->total == 0) {
        SFileClose(sf);
        tUserProgress = nullptr;
        return errors.Fail(std::string(input) + ": no sound between the start and the end asked for.");
    }
    const uint32_t inRate = static_cast<uint32_t>(sf->rate);
    const uint32_t outRate = r.rate ? static_cast<uint32_t>(r.rate) : inRate;
    const uint32_t bits = static_cast<uint32_t>(sf->bits), channels = static_cast<uint32_t>(sf->channels);
    if (result) {
        *result = ZencSoundResult{};
        result->sourceRate = static_cast<uint32_t>(sf->sourceRate);
        result->sourceBits = static_cast<uint32_t>(sf->sourceBits);
        result->sourceChannels = static_cast<uint32_t>(sf->sourceChannels);
        result->rate = outRate;
        result->bits = bits;
        result->channels = channels;
    }

    std::string error;
    zenc::Resampler resampler;
    const bool resample = outRate != inRate;
    zenc::WaveOutput wave;
    bool ok = (!resample || resampler.Open(inRate, outRate, channels, error)) &&
              wave.Begin(output, outRate, bits, channels, error);

    const uint32_t frameBytes = static_cast<uint32_t>(sf->outputFrameSize);
    std::vector<uint8_t> block(65536 / frameBytes * frameBytes);
    std::vector<int16_t> wide, converted;
    std::vector<uint8_t> narrow;
    // Writes resampled samples in the output's sample size.
    auto put = [&](const std::vector<int16_t> &samples) {
        if (bits == 16)
            return wave.Write(samples.data(), samples.size() * 2);
        narrow.resize(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            narrow[i] = Narrow16(samples[i]);
        return wave.Write(narrow.data(), narrow.size());
    };
    while (ok) {
        const uint32_t got = SFileGet(sf, block.data(), static_cast<uint32_t>(block.size()));
        if (got == 0)
            break;
        if (!resample) {
            ok = wave.Write(block.data(), got);
            continue;
        }
        const size_t samples = got / (bits / 8);
        wide.resize(samples);
        if (bits == 16)
            std::memcpy(wide.data(), block.data(), got);
        else
            for (size_t i = 0; i < samples; ++i)
                wide[i] = Widen8(block[i]);
        converted.clear();
        ok = resampler.Process(wide.data(), samples / channels, converted) && put(converted);
        if (!ok && error.empty())
            error = "Error converting the sample rate.";
    }
    if (ok && resample && !tCancelled) {
        converted.clear();
        ok = resampler.Flush(converted) && put(converted);
        if (!ok && error.empty())
            error = "Error converting the sample rate.";
    }
    SFileClose(sf);
    const bool cancelled = tCancelled;
    tUserProgress = nullptr;
    if (cancelled)
        return errors.Fail(""); // nothing is left behind; the caller knows it cancelled
    if (!ok && error.empty())
        wave.End(error); // says what went wrong with the file
    if (ok)
        ok = wave.End(error) && wave.Commit(error);
    if (!ok)
        return errors.Fail(error.empty() ? "Error writing the output file " + std::string(output) + "." : error);
    if (result)
        result->dataBytes = wave.DataBytes();
    return 1;
}
