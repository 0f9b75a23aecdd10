// Sound tracks: one chunk per frame, the bytes of each following the frame
// period with the fractional remainder carried, made by the sound chunk
// encoder into a scratch file beside the output and kept in memory until the
// frames are written.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "codec/format.h"
#include "encoder/writer_internal.h"

namespace zenc {

TrackFormat CSFileFormat(const CSFILE *cs)
{
    TrackFormat f;
    if (!cs || !cs->sound)
        return f;
    f.rate = static_cast<uint32_t>(cs->sound->rate);
    f.bits = static_cast<uint32_t>(cs->sound->bits);
    f.channels = static_cast<uint32_t>(cs->sound->channels);
    f.frameSize = f.channels * f.bits / 8;
    f.compressed = cs->storeRaw == 0;
    return f;
}

void CloseTrack(CSFILE *cs)
{
    CSFileClose(cs);
}

uint64_t SoundFramesBefore(uint64_t frame, uint32_t period, uint32_t rate)
{
    return frame * period * static_cast<uint64_t>(rate) / 100000u;
}

uint32_t SoundChunkBytes(uint64_t frame, uint32_t period, uint32_t rate, uint32_t frameSize)
{
    return static_cast<uint32_t>((SoundFramesBefore(frame + 1, period, rate) - SoundFramesBefore(frame, period, rate)) *
                                 frameSize);
}

uint32_t ChunkDecodedBytes(const std::vector<uint8_t> &chunk, bool compressed)
{
    if (chunk.size() < 4)
        return 0;
    if (!compressed)
        return ZbxGet32(chunk.data()) - 4;
    return chunk.size() >= 8 ? ZbxGet32(chunk.data() + 4) : 0;
}

bool SpoolTrack(CSFILE *cs, uint32_t frames, uint32_t period, const std::string &outputName,
                std::vector<std::vector<uint8_t>> &chunks, uint32_t &audioFormat, uint32_t &maxSize,
                ProgressFn progress, std::string &error, bool keepTail)
{
    const TrackFormat format = CSFileFormat(cs);
    if (format.rate == 0 || format.frameSize == 0) {
        error = "Error: the sound track has no usable format.";
        return false;
    }
    zorb::platform::SafeFile scratch;
    if (!scratch.Create(outputName + ".snd", error))
        return false;
    VEXFILE *f = VEXFileCreate(65536, scratch.Path().c_str());
    if (!f) {
        error = "Error creating a scratch file for the sound.";
        return false;
    }
    CSFileSetOutput(cs, f);
    std::vector<uint32_t> starts(frames + 1, 0);
    for (uint32_t i = 0; i < frames; ++i) {
        starts[i] = VEXFileGetPos(f);
        uint32_t bytes = SoundChunkBytes(i, period, format.rate, format.frameSize);
        if (keepTail && i + 1 == frames) {
            const uint64_t left = static_cast<uint64_t>(cs->leadInLeft) + cs->soundLeft;
            if (left > bytes)
                bytes = static_cast<uint32_t>(std::min<uint64_t>(left, 0xFFFFFFF0u));
        }
        if (bytes)
            CSFilePut(cs, bytes);
        if (progress && i % 16 == 0) {
            char text[96];
            std::snprintf(text, sizeof text, "Compressing sound, frame %u of %u...", i + 1, frames);
            if (progress(text, i == 0 ? 1 : 0)) {
                CSFileSetOutput(cs, nullptr);
                VEXFileClose(f);
                error.clear();
                return false;
            }
        }
    }
    starts[frames] = VEXFileGetPos(f);
    CSFileSetOutput(cs, nullptr);
    VEXFileClose(f);

    std::vector<uint8_t> all(starts[frames]);
    {
        std::unique_ptr<FILE, int (*)(FILE *)> in(std::fopen(scratch.Path().c_str(), "rb"), std::fclose);
        if (!in || (!all.empty() && std::fread(all.data(), 1, all.size(), in.get()) != all.size())) {
            error = "Error reading back the sound scratch file.";
            return false;
        }
    }
    scratch.Discard();
    chunks.assign(frames, {});
    maxSize = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        if (starts[i + 1] <= starts[i])
            continue;
        chunks[i].assign(all.begin() + starts[i], all.begin() + starts[i + 1]);
        if (chunks[i].size() < 4 || ZbxGet32(chunks[i].data()) != chunks[i].size()) {
            error = "Error: the sound chunk encoder wrote a damaged chunk.";
            return false;
        }
        maxSize = std::max(maxSize, ChunkDecodedBytes(chunks[i], format.compressed));
    }
    audioFormat = ZBX_AUDIO_PRESENT | (format.compressed ? ZBX_AUDIO_COMPRESSED : 0) |
                  (format.bits == 16 ? ZBX_AUDIO_16BIT : 0) | (format.channels == 2 ? ZBX_AUDIO_STEREO : 0) |
                  (format.rate & ZBX_AUDIO_RATE_MASK);
    return true;
}

} // namespace zenc
