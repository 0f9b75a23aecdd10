// Reads a Zorblax file whole (header, tables, tree data, frames) for tools
// that rewrite one (the mixer). Every size is checked against the file.
#include <cstdio>
#include <cstring>
#include <memory>

#include "encoder/writer_internal.h"

namespace zenc {

namespace {

uint32_t Get32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

struct FileCloser {
    void operator()(FILE *f) const { std::fclose(f); }
};

}  // namespace

bool ReadContainer(const std::string &name, ContainerFile &file, std::string &error) {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(name.c_str(), "rb"));
    if (!f) {
        error = "Error opening: " + name;
        return false;
    }
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) data.insert(data.end(), buf, buf + n);
    if (std::ferror(f.get())) {
        error = "Error reading " + name;
        return false;
    }
    return ParseContainer(data.data(), data.size(), name, file, error);
}

bool ParseContainer(const uint8_t *data, size_t size, const std::string &name, ContainerFile &file,
                    std::string &error) {
    file = ContainerFile{};
    if (size < 104 || std::memcmp(data, "ZBX2", 4) != 0) {
        error = name + " is not a Zorblax file.";
        return false;
    }
    const uint8_t *head = data;
    ContainerHeader &h = file.header;
    h.width = Get32(head + 4);
    h.height = Get32(head + 8);
    h.frameCount = Get32(head + 12);
    h.frameRate = static_cast<int32_t>(Get32(head + 16));
    h.headerFlags = Get32(head + 20);
    for (int t = 0; t < 7; ++t) h.audioMaxSize[t] = Get32(head + 24 + 4 * t);
    h.treeDataSize = Get32(head + 52);
    for (int t = 0; t < 4; ++t) h.treeSize[t] = Get32(head + 56 + 4 * t);
    for (int t = 0; t < 7; ++t) h.audioFormat[t] = Get32(head + 72 + 4 * t);
    h.reserved = Get32(head + 100);
    const uint64_t n = static_cast<uint64_t>(h.frameCount) + (h.headerFlags & 1);
    if (104 + 5 * n + h.treeDataSize > size) {
        error = name + " is damaged (its tables do not fit in the file).";
        return false;
    }
    const uint8_t *tables = data + 104;
    uint64_t total = 104 + 5 * n + h.treeDataSize;
    for (uint64_t i = 0; i < n; ++i) total += Get32(tables + 4 * i);
    if (total > size) {
        error = name + " is damaged (its frames run past the end of the file).";
        return false;
    }
    file.frameSizes.resize(n);
    file.frameTypes.resize(n);
    for (uint64_t i = 0; i < n; ++i) {
        file.frameSizes[i] = Get32(tables + 4 * i);
        file.frameTypes[i] = tables[4 * n + i];
    }
    const uint8_t *at = data + 104 + 5 * n;
    file.treeData.assign(at, at + h.treeDataSize);
    at += h.treeDataSize;
    file.frames.resize(n);
    for (uint64_t i = 0; i < n; ++i) {
        file.frames[i].assign(at, at + file.frameSizes[i]);
        at += file.frameSizes[i];
    }
    return true;
}

bool SplitFrame(const std::vector<uint8_t> &frame, uint8_t type, FrameChunks &chunks) {
    size_t at = 0;
    chunks = FrameChunks{};
    if (type & 1) {
        if (frame.empty()) return false;
        const size_t len = static_cast<size_t>(frame[0]) * 4;
        if (len == 0 || len > frame.size()) return false;
        chunks.palette.assign(frame.begin(), frame.begin() + static_cast<long>(len));
        at = len;
    }
    for (int t = 0; t < 7; ++t) {
        if (!(type & (2u << t))) continue;
        if (frame.size() - at < 4) return false;
        const uint32_t len = Get32(&frame[at]);
        if (len < 4 || len > frame.size() - at) return false;
        chunks.sound[t].assign(frame.begin() + static_cast<long>(at), frame.begin() + static_cast<long>(at + len));
        at += len;
    }
    chunks.video.assign(frame.begin() + static_cast<long>(at), frame.end());
    return true;
}

}  // namespace zenc
