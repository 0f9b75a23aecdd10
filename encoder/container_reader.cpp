// Reads a Zorblax file (header, tables, tree data, frames) for tools that
// rewrite one (the mixer), frame by frame or whole. Every size is checked
// against the file.
#include <cstdio>
#include <cstring>

#include "codec/format.h"
#include "encoder/writer_internal.h"

namespace zenc {

namespace {

uint64_t StoredFrames(const ContainerHeader &h)
{
    return static_cast<uint64_t>(h.FrameCount) + (h.HeaderFlags & ZBX_RING_FRAME);
}

void ParseTables(const uint8_t *tables, uint64_t n, ContainerFile &file)
{
    file.frameSizes.resize(n);
    file.frameTypes.resize(n);
    for (uint64_t i = 0; i < n; ++i) {
        file.frameSizes[i] = ZbxGet32(tables + 4 * i);
        file.frameTypes[i] = tables[4 * n + i];
    }
}

uint64_t TotalSize(const ContainerFile &file)
{
    uint64_t total = 104 + 5 * static_cast<uint64_t>(file.frameSizes.size()) + file.header.TreeDataSize;
    for (uint32_t s : file.frameSizes)
        total += s;
    return total;
}

} // namespace

ContainerStream::~ContainerStream()
{
    if (file_)
        std::fclose(file_);
}

bool ContainerStream::Open(const std::string &name, std::string &error)
{
    if (file_)
        std::fclose(file_);
    head_ = ContainerFile{};
    next_ = 0;
    file_ = std::fopen(name.c_str(), "rb");
    if (!file_) {
        error = "Error opening: " + name;
        return false;
    }
    uint64_t size = 0;
    if (fseeko(file_, 0, SEEK_END) == 0)
        size = static_cast<uint64_t>(ftello(file_));
    fseeko(file_, 0, SEEK_SET);
    uint8_t head[104];
    if (size < 104 || std::fread(head, 1, 104, file_) != 104 || std::memcmp(head, "ZBX2", 4) != 0) {
        error = name + " is not a Zorblax file.";
        return false;
    }
    ZbxParseHeader(head, &head_.header);
    const uint64_t n = StoredFrames(head_.header);
    if (104 + 5 * n + head_.header.TreeDataSize > size) {
        error = name + " is damaged (its tables do not fit in the file).";
        return false;
    }
    std::vector<uint8_t> tables(5 * n);
    head_.treeData.resize(head_.header.TreeDataSize);
    if ((n && std::fread(tables.data(), 1, tables.size(), file_) != tables.size()) ||
        (!head_.treeData.empty() &&
         std::fread(head_.treeData.data(), 1, head_.treeData.size(), file_) != head_.treeData.size())) {
        error = "Error reading " + name;
        return false;
    }
    ParseTables(tables.data(), n, head_);
    // A file cut short keeps the frames that lie whole in it, as the decoder
    // does; NextFrame fails at the first one cut off.
    uint32_t whole = 0;
    if (!ZbxWholeFrames(head_.frameSizes.data(), static_cast<uint32_t>(n), 104 + 5 * n + head_.header.TreeDataSize,
                        size, &whole)) {
        error = name + " is damaged (its frames run past the end of the file).";
        return false;
    }
    head_.wholeFrames = whole;
    name_ = name;
    return true;
}

bool ContainerStream::NextFrame(std::vector<uint8_t> &frame, std::string &error)
{
    if (!file_ || next_ >= head_.frameSizes.size()) {
        error = "Error reading " + name_;
        return false;
    }
    if (next_ >= head_.wholeFrames) {
        error = name_ + ": frame " + std::to_string(next_ + 1) + " is damaged or cut off";
        return false;
    }
    frame.resize(head_.frameSizes[next_++]);
    if (!frame.empty() && std::fread(frame.data(), 1, frame.size(), file_) != frame.size()) {
        error = "Error reading " + name_;
        return false;
    }
    return true;
}

bool ReadContainer(const std::string &name, ContainerFile &file, std::string &error)
{
    ContainerStream in;
    if (!in.Open(name, error))
        return false;
    file = in.Head();
    file.frames.resize(file.frameSizes.size());
    for (auto &frame : file.frames)
        if (!in.NextFrame(frame, error))
            return false;
    return true;
}

bool ParseContainer(const uint8_t *data, size_t size, const std::string &name, ContainerFile &file, std::string &error)
{
    file = ContainerFile{};
    if (size < 104 || std::memcmp(data, "ZBX2", 4) != 0) {
        error = name + " is not a Zorblax file.";
        return false;
    }
    ZbxParseHeader(data, &file.header);
    const uint64_t n = StoredFrames(file.header);
    if (104 + 5 * n + file.header.TreeDataSize > size) {
        error = name + " is damaged (its tables do not fit in the file).";
        return false;
    }
    ParseTables(data + 104, n, file);
    if (TotalSize(file) > size) {
        error = name + " is damaged (its frames run past the end of the file).";
        return false;
    }
    file.wholeFrames = static_cast<uint32_t>(n);
    const uint8_t *at = data + 104 + 5 * n;
    file.treeData.assign(at, at + file.header.TreeDataSize);
    at += file.header.TreeDataSize;
    file.frames.resize(n);
    for (uint64_t i = 0; i < n; ++i) {
        file.frames[i].assign(at, at + file.frameSizes[i]);
        at += file.frameSizes[i];
    }
    return true;
}

bool SplitFrame(const std::vector<uint8_t> &frame, uint8_t type, FrameChunks &chunks)
{
    size_t at = 0;
    chunks = FrameChunks{};
    if (type & 1) {
        if (frame.empty())
            return false;
        const size_t len = static_cast<size_t>(frame[0]) * 4;
        if (len == 0 || len > frame.size())
            return false;
        chunks.palette.assign(frame.begin(), frame.begin() + static_cast<long>(len));
        at = len;
    }
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
        if (!(type & (2u << t)))
            continue;
        if (frame.size() - at < 4)
            return false;
        const uint32_t len = ZbxGet32(&frame[at]);
        if (len < 4 || len > frame.size() - at)
            return false;
        chunks.sound[t].assign(frame.begin() + static_cast<long>(at), frame.begin() + static_cast<long>(at + len));
        at += len;
    }
    chunks.video.assign(frame.begin() + static_cast<long>(at), frame.end());
    return true;
}

} // namespace zenc
