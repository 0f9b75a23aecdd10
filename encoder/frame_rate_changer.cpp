// The frame-rate changer: decodes a Zorblax file, picks for every frame of
// the new rate the picture the file shows at that frame's start, gathers
// each sound track's samples in a scratch wave file, and compresses it all
// again with the new frame period.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "codec/format.h"
#include "codec/zorb.h"
#include "encoder/encoder.h"
#include "encoder/last_error.h"
#include "encoder/writer_internal.h"

namespace zenc {

uint32_t RetimedFrameCount(uint32_t frames, uint32_t oldPeriod, uint32_t newPeriod)
{
    if (!newPeriod)
        return frames;
    const uint64_t n = (static_cast<uint64_t>(frames) * oldPeriod + newPeriod / 2) / newPeriod;
    return static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(n, 1), 0xFFFFFFu));
}

uint32_t SourceFrameAt(uint32_t frame, uint32_t oldPeriod, uint32_t newPeriod)
{
    if (!oldPeriod)
        return frame;
    return static_cast<uint32_t>(static_cast<uint64_t>(frame) * newPeriod / oldPeriod);
}

} // namespace zenc

namespace {

// Larger per-frame sound than this is taken for a damaged header.
constexpr uint32_t kMaxChunk = 64u << 20;

struct Track {
    bool present = false;
    uint32_t rate = 0, bits = 0, channels = 0;
    zenc::WaveOutput wave; // a scratch file beside the output
};

struct HandleCloser {
    void operator()(ZorbHandle *h) const { ZorbClose(h); }
};

} // namespace

extern "C" int ZencChangeFrameRate(const char *input, const char *output, const ZencRetimeParams *params,
                                   ZencReport *report, ZencProgressFn progress)
{
    zenc::ErrorScope errors(progress);
    progress = errors.Progress();
    if (!input || !output || !params || params->frameRate == 0 || params->soundQuality < -1 || params->soundQuality > 9)
        return errors.Fail("Error: bad arguments to the frame-rate changer.");
    ZencFileInfo info;
    if (!ZencReadInfo(input, &info))
        return errors.Fail(std::string("Error: ") + input + " is not a readable Zorblax file.");
    std::unique_ptr<ZorbHandle, HandleCloser> h(
        ZorbOpen(const_cast<char *>(input), ZORB_OPEN_NEVER_SKIP | ZORB_OPEN_HEIGHT_NONE, -1));
    if (!h)
        return errors.Fail(std::string("Error: ") + input + " is not a readable Zorblax file.");
    const uint32_t width = h->Width & ~3u, height = h->Height & ~3u, frames = h->FrameCount;
    if (width < 4 || height < 4 || frames == 0)
        return errors.Fail(std::string("Error: ") + input + " holds no pictures.");

    uint32_t oldPeriod = ZbxFramePeriod(info.frameRate);
    if (oldPeriod == 0)
        oldPeriod = 6667; // unpaced files are taken as 15 frames per second
    const uint32_t newPeriod = ZbxFramePeriod(params->frameRate);
    const uint32_t newFrames = zenc::RetimedFrameCount(frames, oldPeriod, newPeriod);

    ZencParams p{};
    p.width = width;
    p.height = height;
    p.frameRate = params->frameRate;
    p.headerFlags = info.headerFlags;
    p.regular = params->regular;
    p.key = params->key;
    p.keyEvery = params->keyEvery;
    p.autoKeyPercent = params->autoKeyPercent;
    std::unique_ptr<ZENC, void (*)(ZENC *)> enc(ZencOpen(&p), ZencClose);
    if (!enc)
        return errors.Fail(
            "Error: the compressor could not start (no memory, or no temporary file in $TMPDIR or /tmp).");
    ZencKeepTrailingSound(enc.get(), 1);

    // Every track with sound is gathered whole, in its own format.
    std::string error;
    std::array<Track, ZBX_MAX_TRACKS> tracks;
    uint32_t largest = 0;
    for (int t = 0; t < ZBX_MAX_TRACKS && params->soundQuality >= 0; ++t) {
        const uint32_t f = h->AudioFormat[t];
        if (!(f & ZBX_AUDIO_PRESENT) || !(f & ZBX_AUDIO_RATE_MASK) || !h->AudioMaxSize[t])
            continue;
        if (h->AudioMaxSize[t] > kMaxChunk)
            return errors.Fail(std::string("Error: the sound of ") + input + " is damaged.");
        Track &k = tracks[t];
        k.rate = f & ZBX_AUDIO_RATE_MASK;
        k.bits = f & ZBX_AUDIO_16BIT ? 16 : 8;
        k.channels = f & ZBX_AUDIO_STEREO ? 2 : 1;
        if (!k.wave.Begin(std::string(output) + ".track" + std::to_string(t + 1), k.rate, k.bits, k.channels, error))
            return errors.Fail(error);
        k.present = true;
        largest = std::max(largest, h->AudioMaxSize[t]);
    }
    std::vector<uint8_t> sound((largest + 15) / 16 * 16);

    std::vector<uint8_t> picture(static_cast<size_t>(width) * height, 0);
    ZorbSetOutput(h.get(), 0, 0, width, height, picture.data(), 0);
    uint32_t next = 0;    // the next new frame
    uint32_t damaged = 0; // the first frame that cannot be read: the new frames shown before it are kept
    for (uint32_t i = 0; i < frames; ++i) {
        if (i > 0)
            ZorbAdvanceFrame(h.get());
        if (!h->ReadFailed)
            ZorbDecodeFrame(h.get());
        if (h->ReadFailed) {
            if (i == 0)
                return errors.Fail(std::string("Error reading ") + input + ": frame 1 is damaged or cut off");
            damaged = i + 1;
            break;
        }
        for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
            Track &k = tracks[t];
            if (!k.present)
                continue;
            const uint32_t got = ZorbGetTrackSound(h.get(), ZORB_OPEN_TRACK(t), sound.data());
            const uint32_t frameBytes = k.channels * k.bits / 8;
            if (!k.wave.Write(sound.data(), std::min<size_t>(got, sound.size()) / frameBytes * frameBytes)) {
                k.wave.End(error);
                return errors.Fail(error);
            }
        }
        for (; next < newFrames && zenc::SourceFrameAt(next, oldPeriod, newPeriod) <= i; ++next)
            if (!ZencAddFrame(enc.get(), picture.data(), width, h->Palette))
                return errors.Fail("Error: the compressor's temporary file could not take the frames (disk full?).");
        if (progress && i % 16 == 0) {
            const std::string text = "Reading frame " + std::to_string(i + 1) + " of " + std::to_string(frames) + "...";
            if (progress(text.c_str(), i == 0 ? 1 : 0))
                return errors.Fail(""); // cancelled
        }
    }
    // New frames past the source's last start show its last picture.
    for (; next < newFrames && !damaged; ++next)
        if (!ZencAddFrame(enc.get(), picture.data(), width, h->Palette))
            return errors.Fail("Error: the compressor's temporary file could not take the frames (disk full?).");
    h.reset();

    for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
        Track &k = tracks[t];
        if (!k.present)
            continue;
        if (!k.wave.End(error))
            return errors.Fail(error);
        if (k.wave.DataBytes() == 0)
            continue;
        CSFILE *cs =
            CSFileOpen(k.wave.Path().c_str(), params->soundQuality, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, progress);
        if (!cs)
            return errors.Fail("Error: the sound of track " + std::to_string(t + 1) + " could not be read back.");
        ZencAddTrack(enc.get(), static_cast<uint32_t>(t), cs);
    }
    if (!ZencWrite(enc.get(), output, progress))
        return errors.Fail(""); // ZencWrite has said why
    if (report) {
        ZencGetReport(enc.get(), report);
        report->damagedFrame = damaged;
    }
    return 1;
}
