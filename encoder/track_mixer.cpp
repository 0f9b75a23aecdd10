// Puts a new sound track into a copy of a Zorblax file: every frame keeps its
// palette chunk, its other sound chunks and its video bytes; only the chosen
// track's chunks and its header fields change.
#include <algorithm>
#include <cstring>

#include "codec/format.h"
#include "encoder/encoder.h"
#include "encoder/last_error.h"
#include "encoder/writer_internal.h"

extern "C" {

int ZencReadInfo(const char *name, ZencFileInfo *info)
{
    zenc::ErrorScope errors;
    if (!name || !info)
        return errors.Fail("Error: bad arguments to ZencReadInfo.");
    zenc::ContainerStream file;
    std::string error;
    if (!file.Open(name, error))
        return errors.Fail(error);
    const zenc::ContainerHeader &h = file.Head().header;
    info->width = h.Width;
    info->height = h.Height;
    info->frameCount = h.FrameCount;
    info->headerFlags = h.HeaderFlags;
    info->frameRate = h.FrameRate;
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
        info->audioFormat[t] = h.AudioFormat[t];
        info->audioMaxSize[t] = h.AudioMaxSize[t];
    }
    info->wholeFrames = file.Head().wholeFrames;
    return 1;
}

int ZencMixTrack(const char *input, const char *output, uint32_t track, int32_t frameRate, CSFILE *chunks,
                 ZencProgressFn progress)
{
    zenc::ErrorScope errors(progress);
    progress = errors.Progress();
    std::string error;
    auto fail = [&](const std::string &text) {
        CSFileClose(chunks);
        return errors.Fail(text);
    };
    if (!input || !output || track > 6 || !chunks)
        return fail("Error: bad arguments to the mixer.");
    zenc::ContainerStream in;
    if (!in.Open(input, error))
        return fail(error);
    zenc::ContainerHeader h = in.Head().header;
    const std::vector<uint8_t> &types = in.Head().frameTypes;
    const std::vector<uint8_t> &treeData = in.Head().treeData;
    if (frameRate)
        h.FrameRate = frameRate;
    // A file cut short: the frames that lie whole in it, without a ring frame
    // that was cut off.
    const size_t n = std::min<size_t>(types.size(), in.Head().wholeFrames);
    if (n < types.size()) {
        h.FrameCount = std::min<uint32_t>(h.FrameCount, static_cast<uint32_t>(n));
        h.HeaderFlags &= ~static_cast<uint32_t>(ZBX_RING_FRAME);
    }
    uint32_t period = ZbxFramePeriod(h.FrameRate);
    if (period == 0)
        period = 6667;

    std::vector<std::vector<uint8_t>> sound;
    if (!zenc::SpoolTrack(chunks, h.FrameCount, period, output, sound, h.AudioFormat[track], h.AudioMaxSize[track],
                          progress, error))
        return fail(error);
    CSFileClose(chunks);
    chunks = nullptr;
    auto report = [&errors](const std::string &text) { return errors.Fail(text); };

    zorb::platform::SafeFile temp;
    if (!temp.Create(output, error))
        return report(error);
    VEXFILE *f = VEXFileCreate(65536, temp.Path().c_str());
    if (!f)
        return report(std::string("Error creating the output file ") + output + ".");
    // Header and tables are written again at the end, when the sizes are known.
    const uint32_t tableEnd = static_cast<uint32_t>(104 + 5 * n);
    std::vector<uint8_t> zeros(tableEnd, 0);
    bool ok = VEXFilePut(f, zeros.data(), tableEnd) == tableEnd;
    if (!treeData.empty() && ok)
        ok = VEXFilePut(f, treeData.data(), static_cast<uint32_t>(treeData.size())) == treeData.size();
    uint64_t total = tableEnd + treeData.size();
    std::vector<uint32_t> sizes(n);
    std::vector<uint8_t> newTypes(n), frame, out;
    for (size_t i = 0; i < n && ok; ++i) {
        if (!in.NextFrame(frame, error)) {
            VEXFileClose(f);
            return report(error);
        }
        zenc::FrameChunks parts;
        if (!zenc::SplitFrame(frame, types[i], parts)) {
            VEXFileClose(f);
            return report(std::string(input) + " is damaged (frame " + std::to_string(i + 1) + ").");
        }
        const size_t from = i < h.FrameCount ? i : 0; // the ring frame repeats frame 0's sound
        parts.sound[track] = from < sound.size() ? sound[from] : std::vector<uint8_t>{};
        out.clear();
        uint8_t type = 0;
        if (types[i] & 1) {
            type |= 1;
            out.insert(out.end(), parts.palette.begin(), parts.palette.end());
        }
        for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
            if (parts.sound[t].empty())
                continue;
            type |= static_cast<uint8_t>(2u << t);
            out.insert(out.end(), parts.sound[t].begin(), parts.sound[t].end());
        }
        out.insert(out.end(), parts.video.begin(), parts.video.end());
        newTypes[i] = type;
        sizes[i] = static_cast<uint32_t>(out.size());
        if (!out.empty())
            ok = VEXFilePut(f, out.data(), sizes[i]) == sizes[i];
        total += out.size();
        if (progress && i % 32 == 0) {
            const std::string text = "Writing frame " + std::to_string(i + 1) + " of " + std::to_string(n) + "...";
            if (progress(text.c_str(), 0)) {
                VEXFileClose(f);
                return 0;
            }
        }
    }
    uint8_t head[104];
    zenc::SerializeHeader(h, head);
    VEXFileSetPos(f, 0);
    ok = ok && VEXFilePut(f, head, 104) == 104;
    for (size_t i = 0; i < n && ok; ++i)
        ok = VEXFilePut32(f, sizes[i]) == sizes[i];
    if (n && ok)
        ok = VEXFilePut(f, newTypes.data(), static_cast<uint32_t>(n)) == n;
    VEXFileClose(f);
    if (!ok || !temp.Commit(total, error))
        return report(error.empty() ? "Error writing the output file." : error);
    return 1;
}

} // extern "C"
