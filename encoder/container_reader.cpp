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
    std::fseek(f.get(), 0, SEEK_END);
    const long longSize = std::ftell(f.get());
    std::fseek(f.get(), 0, SEEK_SET);
    const uint64_t size = longSize < 0 ? 0 : static_cast<uint64_t>(longSize);
    uint8_t head[104];
    if (size < 104 || std::fread(head, 1, 104, f.get()) != 104 || std::memcmp(head, "ZBX2", 4) != 0) {
        error = name + " is not a Zorblax file.";
        return false;
    }
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
    std::vector<uint8_t> tables(5 * n);
    if (n && std::fread(tables.data(), 1, tables.size(), f.get()) != tables.size()) {
        error = "Error reading " + name;
        return false;
    }
    file.frameSizes.resize(n);
    file.frameTypes.resize(n);
    uint64_t total = 104 + 5 * n + h.treeDataSize;
    for (uint64_t i = 0; i < n; ++i) {
        file.frameSizes[i] = Get32(&tables[4 * i]);
        file.frameTypes[i] = tables[4 * n + i];
        total += file.frameSizes[i];
    }
    if (total > size) {
        error = name + " is damaged (its frames run past the end of the file).";
        return false;
    }
    file.treeData.resize(h.treeDataSize);
    if (h.treeDataSize && std::fread(file.treeData.data(), 1, h.treeDataSize, f.get()) != h.treeDataSize) {
        error = "Error reading " + name;
        return false;
    }
    file.frames.resize(n);
    for (uint64_t i = 0; i < n; ++i) {
        file.frames[i].resize(file.frameSizes[i]);
        if (file.frameSizes[i] && std::fread(file.frames[i].data(), 1, file.frameSizes[i], f.get()) != file.frameSizes[i]) {
            error = "Error reading " + name;
            return false;
        }
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
