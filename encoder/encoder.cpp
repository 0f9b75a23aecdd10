// The compressor's public interface: collects pictures and sound tracks,
// codes the sequence and writes the file safely.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "codec/format.h"
#include "encoder/encoder.h"
#include "encoder/last_error.h"
#include "encoder/writer_internal.h"

namespace {

// Pictures wait in a temporary file, palettes in memory.
class StoredFrames : public zenc::FrameSource {
public:
    bool Add(const std::vector<uint8_t> &pixels, const zenc::Palette6 &palette)
    {
        if (!store_.Append(pixels.data(), pixels.size()))
            return false;
        palettes_.push_back(palette);
        return true;
    }
    bool Ok() const { return store_.Ok(); }
    size_t Count() const override { return palettes_.size(); }
    const zenc::Palette6 &PaletteOf(size_t i) const override { return palettes_[i]; }
    bool Pixels(size_t i, std::vector<uint8_t> &out) const override
    {
        out.resize(store_.Size(i));
        return store_.Get(i, out.data(), out.size());
    }

private:
    zenc::BlobStore store_;
    std::vector<zenc::Palette6> palettes_;
};

} // namespace

struct ZENC {
    zenc::SequenceParams params;
    int32_t frameRate = 0;
    uint32_t headerFlags = 0;
    StoredFrames frames;
    zenc::BlobStore symbols;
    std::vector<uint8_t> row; // scratch for AddFrame
    CSFILE *tracks[ZBX_MAX_TRACKS] = {};
    bool keepTrailingSound = false;
    std::vector<zenc::FrameOut> out;
    std::vector<uint32_t> sizes;
    ZencReport report{};
    std::string warning;
};

extern "C" {

ZENC *ZencOpen(const ZencParams *params)
{
    zenc::ErrorScope errors;
    if (!params || params->width < 4 || params->height < 4 || params->width > 65536 || params->height > 65536) {
        errors.Fail("Error: the pictures must be 4 to 65536 pixels wide and high.");
        return nullptr;
    }
    ZENC *enc = new (std::nothrow) ZENC;
    if (!enc) {
        errors.Fail("Error: out of memory.");
        return nullptr;
    }
    zenc::SequenceParams &p = enc->params;
    p.width = params->width & ~3u;
    p.height = params->height & ~3u;
    p.period = ZbxFramePeriod(params->frameRate);
    if (p.period == 0)
        p.period = 6667; // unpaced files are budgeted as 15 frames per second
    p.ring = (params->headerFlags & ZBX_RING_FRAME) != 0;
    p.regular = params->regular;
    p.key = params->key;
    p.keyEvery = params->keyEvery;
    p.autoKeyPercent = params->autoKeyPercent;
    p.effort = ZENC_EFFORT_DEFAULT;
    for (uint32_t i = 0; i < params->settingCount && params->settings; ++i) {
        const ZencFrameSetting &s = params->settings[i];
        p.settings.push_back({s.first, s.last, s.regular, s.key});
    }
    if (!enc->frames.Ok() || !enc->symbols.Ok()) {
        delete enc;
        errors.Fail("Error: no temporary file for the compressor (in $TMPDIR or /tmp).");
        return nullptr;
    }
    enc->frameRate = params->frameRate;
    enc->headerFlags = params->headerFlags & (ZBX_RING_FRAME | ZBX_HEIGHT_INTERLACED | ZBX_HEIGHT_DOUBLED);
    return enc;
}

int ZencAddFrame(ZENC *enc, const uint8_t *pixels, uint32_t pitch, const uint8_t *palette)
{
    zenc::ErrorScope errors;
    if (!enc || !pixels || !palette || pitch < enc->params.width)
        return errors.Fail("Error: bad arguments to ZencAddFrame.");
    std::vector<uint8_t> &f = enc->row;
    f.resize(static_cast<size_t>(enc->params.width) * enc->params.height);
    for (uint32_t y = 0; y < enc->params.height; ++y)
        std::memcpy(&f[static_cast<size_t>(y) * enc->params.width], pixels + static_cast<size_t>(y) * pitch,
                    enc->params.width);
    if (!enc->frames.Add(f, zenc::ReducePalette(palette)))
        return errors.Fail("Error: the temporary storage of the compressor failed (disk full?).");
    return 1;
}

int ZencAddTrack(ZENC *enc, uint32_t track, CSFILE *chunks)
{
    zenc::ErrorScope errors;
    if (!enc || track > 6 || !chunks || enc->tracks[track])
        return errors.Fail("Error: bad arguments to ZencAddTrack, or the track has its sound already.");
    enc->tracks[track] = chunks;
    return 1;
}

void ZencSetEffort(ZENC *enc, int effort)
{
    if (enc)
        enc->params.effort = std::clamp(effort, 0, 9);
}

void ZencKeepTrailingSound(ZENC *enc, int on)
{
    if (enc)
        enc->keepTrailingSound = on != 0;
}

uint32_t ZencFrameCount(const ZENC *enc)
{
    return enc ? static_cast<uint32_t>(enc->frames.Count()) : 0;
}

int ZencWrite(ZENC *enc, const char *output, ZencProgressFn progress)
{
    zenc::ErrorScope errors(progress);
    progress = errors.Progress();
    if (!enc || !output)
        return errors.Fail("Error: bad arguments to the compressor.");
    if (enc->frames.Count() == 0)
        return errors.Fail("Error: there are no frames to compress.");
    if (!enc->frames.Ok())
        return errors.Fail("Error: the temporary storage of the compressor failed (disk full?).");
    const uint32_t frames = static_cast<uint32_t>(enc->frames.Count());
    const uint32_t total = frames + (enc->params.ring ? 1 : 0);
    std::string error;

    zenc::ContainerHeader header;
    header.Width = enc->params.width;
    header.Height = enc->params.height;
    header.FrameCount = frames;
    header.FrameRate = enc->frameRate;
    header.HeaderFlags = enc->headerFlags;

    // Sound first: its chunk sizes count against the data rate.
    std::vector<std::array<std::vector<uint8_t>, ZBX_MAX_TRACKS>> sound(total);
    std::vector<uint32_t> soundBytes(total, 0);
    for (uint32_t t = 0; t < ZBX_MAX_TRACKS; ++t) {
        if (!enc->tracks[t])
            continue;
        std::vector<std::vector<uint8_t>> chunks;
        if (!zenc::SpoolTrack(enc->tracks[t], frames, enc->params.period, output, chunks, header.AudioFormat[t],
                              header.AudioMaxSize[t], progress, error, enc->keepTrailingSound))
            return errors.Fail(error);
        for (uint32_t i = 0; i < frames && i < chunks.size(); ++i)
            sound[i][t] = std::move(chunks[i]);
        if (enc->params.ring)
            sound[frames][t] = sound[0][t]; // the ring frame stands in for frame 0
        for (uint32_t i = 0; i < total; ++i)
            soundBytes[i] += static_cast<uint32_t>(sound[i][t].size());
    }

    if (!zenc::CodeSequence(enc->params, enc->frames, soundBytes, enc->out, progress, &enc->symbols, error))
        return errors.Fail(error);

    enc->warning = zenc::ChangedPixelsWarning(enc->out, frames);
    if (!enc->warning.empty() && progress)
        progress(enc->warning.c_str(), 0);

    zorb::platform::SafeFile temp;
    if (!temp.Create(output, error))
        return errors.Fail(error);
    VEXFILE *f = VEXFileCreate(65536, temp.Path().c_str());
    if (!f)
        return errors.Fail(std::string("Error creating the output file ") + output + ".");
    const bool ok = zenc::WriteZorblax(f, header, enc->out, sound, enc->sizes, progress, error, 0, &enc->symbols,
                                       enc->params.effort);
    VEXFileClose(f);
    if (!ok)
        return errors.Fail(error);
    if (!temp.Commit(header.fileBytes, error))
        return errors.Fail(error);

    // The figures of the report.
    ZencReport &r = enc->report;
    r = ZencReport{};
    r.frames = frames;
    r.fileBytes = header.fileBytes;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < total; ++i) {
        r.largestFrame = std::max(r.largestFrame, enc->sizes[i]);
        if (i < frames)
            sum += enc->sizes[i];
        if (i < frames && enc->out[i].key)
            ++r.keyFrames;
        if (i < frames)
            r.worstErrorPercent = std::max(r.worstErrorPercent, enc->out[i].errorPercent);
        r.changedPixels += enc->out[i].changedPixels;
        r.changedFrames += enc->out[i].changedPixels ? 1 : 0;
    }
    const double seconds = static_cast<double>(frames) * enc->params.period / 100000.0;
    r.bytesPerSecond = seconds > 0 ? static_cast<double>(sum) / seconds : 0;
    const uint32_t perSecond = std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(100000.0 / enc->params.period)));
    uint64_t window = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        window += enc->sizes[i];
        if (i >= perSecond)
            window -= enc->sizes[i - perSecond];
        r.largestSecond = std::max<uint32_t>(r.largestSecond, static_cast<uint32_t>(window));
    }
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t)
        r.audioMaxSize[t] = header.AudioMaxSize[t];
    return 1;
}

const char *ZencWarning(const ZENC *enc)
{
    return enc ? enc->warning.c_str() : "";
}

void ZencGetReport(const ZENC *enc, ZencReport *report)
{
    if (enc && report)
        *report = enc->report;
}

uint32_t ZencFrameSize(const ZENC *enc, uint32_t frame)
{
    return enc && frame < enc->sizes.size() ? enc->sizes[frame] : 0;
}

double ZencFrameError(const ZENC *enc, uint32_t frame)
{
    return enc && frame < enc->out.size() ? enc->out[frame].errorPercent : 0;
}

void ZencClose(ZENC *enc)
{
    if (!enc)
        return;
    for (CSFILE *&t : enc->tracks) {
        zenc::CloseTrack(t);
        t = nullptr;
    }
    delete enc;
}

} // extern "C"
