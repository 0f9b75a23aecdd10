// AVI writer (see avi_writer.h).
#include "vexutil/graphics/avi_writer.h"

#include <cstring>
#include <vector>

#include "codec/format.h"
#include "platform/platform.h"

namespace vex {
namespace {

constexpr uint32_t kMaxParts = 256; // entries of the super index
constexpr uint32_t kSuperIndexSize = 24 + 16 * kMaxParts;
constexpr uint32_t kOdmlSize = 4 + 8 + 248; // "odml" list: type, "dmlh" chunk
constexpr uint32_t kAvifHasIndex = 0x10, kAvifIsInterleaved = 0x100;
constexpr uint32_t kAvisfPaletteChanges = 0x10000;
constexpr uint32_t kKeyFrame = 0x10, kNoTime = 0x100;

void PutTag(std::vector<uint8_t> &b, const char *tag)
{
    for (int i = 0; i < 4; i++)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

class Writer final : public AviWriter {
public:
    explicit Writer(const AviWriterSettings &s) : s_(s)
    {
        rowBytes_ = (s.width * s.bits / 8 + 3) & ~3u;
        imageSize_ = rowBytes_ * s.height;
    }
    bool Start(int fd, std::string &error);
    bool PutFrame(const uint8_t *dib, const uint8_t *palette) override;
    bool Close() override;
    uint64_t Size() const override { return riff_.position; }
    uint32_t RowBytes() const override { return rowBytes_; }
    uint32_t Parts() const override { return static_cast<uint32_t>(parts_.size()); }

private:
    struct Entry {
        uint64_t offset; // of the chunk's header
        uint32_t size;   // of its data
        bool palette;    // a palette change ("00pc")
    };
    struct Part {
        uint64_t riff, movi; // offsets of the RIFF and "movi" list headers
        std::vector<Entry> entries;
        uint64_t indexOffset = 0; // of its "ix00" chunk
        uint32_t indexSize = 0, frames = 0;
    };
    std::vector<uint8_t> Headers(bool final) const;
    void BeginPart();
    void EndPart();
    void WriteChunk(const char *tag, const uint8_t *data, uint32_t size, bool palette);

    AviWriterSettings s_;
    uint32_t rowBytes_ = 0, imageSize_ = 0;
    PlatformRiffWriter riff_{};
    std::vector<Part> parts_;
    uint32_t frames_ = 0;
    bool paletteChanges_ = false, closed_ = false, tooLong_ = false;
    uint8_t firstPalette_[768] = {}, palette_[768] = {};
};

// The header lists, always of the same size: room for the super index and
// the OpenDML list is held by "JUNK" chunks until the file has more than one
// part.
std::vector<uint8_t> Writer::Headers(bool final) const
{
    const bool odml = final && parts_.size() > 1;
    const uint32_t usPerFrame = s_.rate ? static_cast<uint32_t>(uint64_t(s_.scale) * 1000000 / s_.rate) : 0;
    const uint32_t firstFrames = parts_.empty() ? 0 : parts_[0].frames;
    const uint32_t tableSize = s_.bits == 8 ? 1024 : 0;
    std::vector<uint8_t> b;
    PutTag(b, "LIST");
    ZbxAppend32(b, 0); // patched below
    PutTag(b, "hdrl");
    PutTag(b, "avih");
    ZbxAppend32(b, 56);
    ZbxAppend32(b, usPerFrame);
    ZbxAppend32(b, s_.rate && s_.scale ? static_cast<uint32_t>(uint64_t(imageSize_ + 8) * s_.rate / s_.scale) : 0);
    ZbxAppend32(b, 0);
    ZbxAppend32(b, kAvifHasIndex | kAvifIsInterleaved);
    ZbxAppend32(b, odml ? firstFrames : frames_);
    ZbxAppend32(b, 0);
    ZbxAppend32(b, 1);
    ZbxAppend32(b, imageSize_ + 8);
    ZbxAppend32(b, s_.width);
    ZbxAppend32(b, s_.height);
    for (int i = 0; i < 4; i++)
        ZbxAppend32(b, 0);
    const size_t strl = b.size();
    PutTag(b, "LIST");
    ZbxAppend32(b, 0);
    PutTag(b, "strl");
    PutTag(b, "strh");
    ZbxAppend32(b, 56);
    PutTag(b, "vids");
    PutTag(b, "DIB ");
    ZbxAppend32(b, paletteChanges_ ? kAvisfPaletteChanges : 0);
    ZbxAppend32(b, 0); // priority, language
    ZbxAppend32(b, 0); // initial frames
    ZbxAppend32(b, s_.scale);
    ZbxAppend32(b, s_.rate);
    ZbxAppend32(b, 0); // start
    ZbxAppend32(b, frames_);
    ZbxAppend32(b, imageSize_);
    ZbxAppend32(b, 0xFFFFFFFFu); // quality: default
    ZbxAppend32(b, 0);           // sample size: frames vary (palette changes)
    ZbxAppend16(b, 0);
    ZbxAppend16(b, 0);
    ZbxAppend16(b, s_.width);
    ZbxAppend16(b, s_.height);
    PutTag(b, "strf");
    ZbxAppend32(b, 40 + tableSize);
    ZbxAppend32(b, 40);
    ZbxAppend32(b, s_.width);
    ZbxAppend32(b, s_.height); // positive: rows bottom-up
    ZbxAppend16(b, 1);
    ZbxAppend16(b, s_.bits);
    ZbxAppend32(b, 0); // no compression
    ZbxAppend32(b, imageSize_);
    ZbxAppend32(b, 0);
    ZbxAppend32(b, 0);
    ZbxAppend32(b, s_.bits == 8 ? 256 : 0);
    ZbxAppend32(b, 0);
    for (uint32_t i = 0; i < tableSize / 4; i++) {
        b.push_back(firstPalette_[3 * i + 2]);
        b.push_back(firstPalette_[3 * i + 1]);
        b.push_back(firstPalette_[3 * i]);
        b.push_back(0);
    }
    // The super index: where each part's standard index lies.
    const size_t indx = b.size();
    PutTag(b, odml ? "indx" : "JUNK");
    ZbxAppend32(b, kSuperIndexSize);
    if (odml) {
        ZbxAppend16(b, 4);
        b.push_back(0);
        b.push_back(0); // an index of indexes
        ZbxAppend32(b, static_cast<uint32_t>(parts_.size()));
        PutTag(b, "00db");
        for (int i = 0; i < 3; i++)
            ZbxAppend32(b, 0);
        for (const Part &p : parts_) {
            ZbxAppend32(b, static_cast<uint32_t>(p.indexOffset));
            ZbxAppend32(b, static_cast<uint32_t>(p.indexOffset >> 32));
            ZbxAppend32(b, p.indexSize);
            ZbxAppend32(b, p.frames);
        }
    }
    b.resize(indx + 8 + kSuperIndexSize, 0);
    const size_t strlEnd = b.size();
    // The OpenDML header: the total frame count.
    PutTag(b, odml ? "LIST" : "JUNK");
    ZbxAppend32(b, kOdmlSize);
    if (odml) {
        PutTag(b, "odml");
        PutTag(b, "dmlh");
        ZbxAppend32(b, 248);
        ZbxAppend32(b, frames_);
    }
    b.resize(strlEnd + 8 + kOdmlSize, 0);
    auto patch = [&](size_t at, size_t value) {
        for (int i = 0; i < 4; i++)
            b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    patch(4, b.size() - 8);
    patch(strl + 4, strlEnd - strl - 8);
    return b;
}

bool Writer::Start(int fd, std::string &error)
{
    if (s_.width == 0 || s_.height == 0 || s_.width > 32768 || s_.height > 32768 || (s_.bits != 8 && s_.bits != 24) ||
        uint64_t(rowBytes_) * s_.height > (uint64_t(1) << 30)) {
        error = "unsupported picture size or depth";
        return false;
    }
    if (s_.scale == 0 || s_.rate == 0)
        s_.scale = 1, s_.rate = 10;
    PlatformRiffStart(&riff_, fd);
    BeginPart();
    if (riff_.failed)
        error = "cannot write the file";
    return !riff_.failed;
}

void Writer::BeginPart()
{
    Part p;
    p.riff = riff_.position;
    PlatformRiffBegin(&riff_, "RIFF", parts_.empty() ? "AVI " : "AVIX");
    if (parts_.empty()) {
        const std::vector<uint8_t> h = Headers(false);
        PlatformRiffWrite(&riff_, h.data(), h.size());
    }
    p.movi = riff_.position;
    PlatformRiffBegin(&riff_, "LIST", "movi");
    parts_.push_back(p);
}

// Ends the part being written: its standard index at the end of its "movi"
// list, "idx1" after the first part's list, and the list and RIFF sizes.
void Writer::EndPart()
{
    Part &p = parts_.back();
    std::vector<uint8_t> b;
    p.indexOffset = riff_.position;
    ZbxAppend16(b, 2);
    b.push_back(0);
    b.push_back(1); // an index of chunks
    ZbxAppend32(b, p.frames);
    PutTag(b, "00db");
    ZbxAppend32(b, static_cast<uint32_t>(p.riff));
    ZbxAppend32(b, static_cast<uint32_t>(p.riff >> 32));
    ZbxAppend32(b, 0);
    for (const Entry &e : p.entries) {
        if (e.palette)
            continue;
        ZbxAppend32(b, static_cast<uint32_t>(e.offset + 8 - p.riff)); // of the data
        ZbxAppend32(b, e.size);                                       // bit 31 clear: a key frame
    }
    p.indexSize = static_cast<uint32_t>(b.size() + 8);
    PlatformRiffBegin(&riff_, "ix00", nullptr);
    PlatformRiffWrite(&riff_, b.data(), b.size());
    PlatformRiffEnd(&riff_);
    PlatformRiffEnd(&riff_); // "movi"
    if (parts_.size() == 1) {
        b.clear();
        for (const Entry &e : p.entries) {
            PutTag(b, e.palette ? "00pc" : "00db");
            ZbxAppend32(b, e.palette ? kNoTime : kKeyFrame);
            ZbxAppend32(b, static_cast<uint32_t>(e.offset - (p.movi + 8))); // from the "movi" type
            ZbxAppend32(b, e.size);
        }
        PlatformRiffBegin(&riff_, "idx1", nullptr);
        PlatformRiffWrite(&riff_, b.data(), b.size());
        PlatformRiffEnd(&riff_);
    }
    PlatformRiffEnd(&riff_); // "RIFF"
}

void Writer::WriteChunk(const char *tag, const uint8_t *data, uint32_t size, bool palette)
{
    Part &p = parts_.back();
    p.entries.push_back({riff_.position, size, palette});
    PlatformRiffBegin(&riff_, tag, nullptr);
    PlatformRiffWrite(&riff_, data, size);
    PlatformRiffEnd(&riff_);
    if (!palette)
        ++p.frames;
}

bool Writer::PutFrame(const uint8_t *dib, const uint8_t *palette)
{
    if (closed_ || riff_.failed || tooLong_ || !dib)
        return false;
    // A palette change: one record over the entries from the first to the
    // last that differ.
    std::vector<uint8_t> change;
    if (s_.bits == 8 && palette) {
        if (frames_ == 0) {
            std::memcpy(firstPalette_, palette, 768);
            std::memcpy(palette_, palette, 768);
        } else if (std::memcmp(palette_, palette, 768) != 0) {
            int first = 0, last = 255;
            while (std::memcmp(palette_ + 3 * first, palette + 3 * first, 3) == 0)
                ++first;
            while (std::memcmp(palette_ + 3 * last, palette + 3 * last, 3) == 0)
                --last;
            const int count = last - first + 1;
            change.push_back(static_cast<uint8_t>(first));
            change.push_back(static_cast<uint8_t>(count & 0xFF)); // 256 is 0
            ZbxAppend16(change, 0);
            for (int i = first; i <= last; i++) {
                change.insert(change.end(), palette + 3 * i, palette + 3 * i + 3);
                change.push_back(0);
            }
            std::memcpy(palette_, palette, 768);
            paletteChanges_ = true;
        }
    }
    // A new part when this one would grow past the limit with the frame and
    // the indexes still to come.
    const Part &p = parts_.back();
    const uint64_t entries = p.entries.size() + 2;
    const uint64_t grown = riff_.position - p.riff + change.size() + 8 + imageSize_ + 8 + entries * 24 + 64;
    if (grown > s_.partLimit && !p.entries.empty()) {
        if (parts_.size() >= kMaxParts) {
            tooLong_ = true;
            return false;
        }
        EndPart();
        BeginPart();
    }
    if (!change.empty())
        WriteChunk("00pc", change.data(), static_cast<uint32_t>(change.size()), true);
    WriteChunk("00db", dib, imageSize_, false);
    ++frames_;
    return !riff_.failed;
}

bool Writer::Close()
{
    if (closed_)
        return !riff_.failed;
    closed_ = true;
    EndPart();
    // The final headers over the first ones, in the same place.
    const std::vector<uint8_t> h = Headers(true);
    PlatformRiffWriter patch = riff_;
    patch.position = parts_[0].riff + 12;
    patch.depth = 0;
    patch.padPending = 0;
    if (!PlatformRiffWrite(&patch, h.data(), h.size()))
        riff_.failed = 1;
    return !riff_.failed && !tooLong_;
}

} // namespace

std::unique_ptr<AviWriter> AviWriter::Create(int fd, const AviWriterSettings &settings, std::string &error)
{
    auto w = std::make_unique<Writer>(settings);
    if (fd < 0 || !w->Start(fd, error))
        return nullptr;
    return w;
}

} // namespace vex
