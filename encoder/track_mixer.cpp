// Puts a new sound track into a copy of a Zorblax file: every frame keeps its
// palette chunk, its other sound chunks and its video bytes; only the chosen
// track's chunks and its header fields change.
#include <cstring>

#include "encoder/encoder.h"
#include "encoder/writer_internal.h"

extern "C" {

int ZencReadInfo(const char *name, ZencFileInfo *info) {
    if (!name || !info) return 0;
    zenc::ContainerFile file;
    std::string error;
    if (!zenc::ReadContainer(name, file, error)) return 0;
    const zenc::ContainerHeader &h = file.header;
    info->width = h.width;
    info->height = h.height;
    info->frameCount = h.frameCount;
    info->headerFlags = h.headerFlags;
    info->frameRate = h.frameRate;
    for (int t = 0; t < 7; ++t) {
        info->audioFormat[t] = h.audioFormat[t];
        info->audioMaxSize[t] = h.audioMaxSize[t];
    }
    return 1;
}

int ZencMixTrack(const char *input, const char *output, uint32_t track, int32_t frameRate, CSFILE *chunks,
                 ZencProgressFn progress) {
    std::string error;
    auto fail = [&](const std::string &text) {
        CSFileClose(chunks);
        if (progress && !text.empty()) progress(text.c_str(), 2);
        return 0;
    };
    if (!input || !output || track > 6 || !chunks) return fail("Error: bad arguments to the mixer.");
    zenc::ContainerFile file;
    if (!zenc::ReadContainer(input, file, error)) return fail(error);
    zenc::ContainerHeader &h = file.header;
    if (frameRate) h.frameRate = frameRate;
    uint32_t period = ZencFramePeriod(h.frameRate);
    if (period == 0) period = 6667;

    std::vector<std::vector<uint8_t>> sound;
    if (!zenc::SpoolTrack(chunks, h.frameCount, period, output, sound, h.audioFormat[track], h.audioMaxSize[track],
                          progress, error))
        return fail(error);
    CSFileClose(chunks);
    chunks = nullptr;

    const size_t n = file.frames.size();
    std::vector<uint32_t> sizes(n);
    for (size_t i = 0; i < n; ++i) {
        zenc::FrameChunks parts;
        if (!zenc::SplitFrame(file.frames[i], file.frameTypes[i], parts)) {
            if (progress) progress((std::string(input) + " is damaged (frame " + std::to_string(i + 1) + ").").c_str(), 2);
            return 0;
        }
        const size_t from = i < h.frameCount ? i : 0;  // the ring frame repeats frame 0's sound
        parts.sound[track] = from < sound.size() ? sound[from] : std::vector<uint8_t>{};
        std::vector<uint8_t> &out = file.frames[i];
        out.clear();
        uint8_t type = 0;
        if (file.frameTypes[i] & 1) {
            type |= 1;
            out.insert(out.end(), parts.palette.begin(), parts.palette.end());
        }
        for (int t = 0; t < 7; ++t) {
            if (parts.sound[t].empty()) continue;
            type |= static_cast<uint8_t>(2u << t);
            out.insert(out.end(), parts.sound[t].begin(), parts.sound[t].end());
        }
        out.insert(out.end(), parts.video.begin(), parts.video.end());
        file.frameTypes[i] = type;
        sizes[i] = static_cast<uint32_t>(out.size());
    }

    zenc::TempOutput temp;
    if (!temp.Create(output, error)) {
        if (progress) progress(error.c_str(), 2);
        return 0;
    }
    VEXFILE *f = VEXFileCreate(65536, temp.Path().c_str());
    if (!f) {
        if (progress) progress((std::string("Error creating the output file ") + output + ".").c_str(), 2);
        return 0;
    }
    uint8_t head[104];
    zenc::SerializeHeader(h, head);
    uint64_t total = 0;
    bool ok = VEXFilePut(f, head, 104) == 104;
    total += 104;
    for (size_t i = 0; i < n && ok; ++i) ok = VEXFilePut32(f, sizes[i]) == sizes[i];
    if (n && ok) ok = VEXFilePut(f, file.frameTypes.data(), static_cast<uint32_t>(n)) == n;
    total += 5 * n;
    if (!file.treeData.empty() && ok)
        ok = VEXFilePut(f, file.treeData.data(), static_cast<uint32_t>(file.treeData.size())) == file.treeData.size();
    total += file.treeData.size();
    for (size_t i = 0; i < n && ok; ++i) {
        if (!file.frames[i].empty())
            ok = VEXFilePut(f, file.frames[i].data(), static_cast<uint32_t>(file.frames[i].size())) == file.frames[i].size();
        total += file.frames[i].size();
    }
    VEXFileClose(f);
    if (!ok || !temp.Commit(total, error)) {
        if (progress) progress(error.empty() ? "Error writing the output file." : error.c_str(), 2);
        return 0;
    }
    return 1;
}

}  // extern "C"
