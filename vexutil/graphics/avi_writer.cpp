// AVI writer (see avi_writer.h).
#include "vexutil/graphics/avi_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vex {
namespace {

constexpr uint32_t kMaxParts = 256;         // entries of the super index
constexpr uint32_t kSuperIndexSize = 24 + 16 * kMaxParts;
constexpr uint32_t kOdmlSize = 4 + 8 + 248; // "odml" list: type, "dmlh" chunk
constexpr uint32_t kAvifHasIndex = 0x10, kAvifIsInterleaved = 0x100;
constexpr uint32_t kAvisfPaletteChanges = 0x10000;
constexpr uint32_t kKeyFrame = 0x10, kNoTime = 0x100;

void Put16(std::vector<uint8_t> &b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t> &b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutTag(std::vector<uint8_t> &b, const char *tag)
{
    for (int i = 0; i < 4; i++) b.push_back(static_cast<uint8_t>(tag[i]));
}

// A file written front to back through a buffer, with patches of what was
// written before. Every failure is remembered.
class OutFile {
public:
    ~OutFile()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Open(const char *path)
    {
        do fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        while (fd_ < 0 && errno == EINTR);
        return fd_ >= 0;
    }
    void Write(const void *p, size_t n)
    {
        const uint8_t *s = static_cast<const uint8_t *>(p);
        if (buf_.size() + n > kBuffer) Flush();
        if (n >= kBuffer) {
            WriteAll(s, n);
        } else {
            buf_.insert(buf_.end(), s, s + n);
        }
        pos_ += n;
    }
    void Write(const std::vector<uint8_t> &b) { Write(b.data(), b.size()); }
    void Patch32(uint64_t at, uint32_t v)
    {
        std::vector<uint8_t> b;
        Put32(b, v);
        Patch(at, b);
    }
    void Patch(uint64_t at, const std::vector<uint8_t> &b)
    {
        Flush();
        size_t done = 0;
        while (done < b.size() && !failed_) {
            ssize_t w = ::pwrite(fd_, b.data() + done, b.size() - done, static_cast<off_t>(at + done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) failed_ = true;
            else done += static_cast<size_t>(w);
        }
    }
    void Flush()
    {
        if (!buf_.empty()) WriteAll(buf_.data(), buf_.size());
        buf_.clear();
    }
    bool Close()
    {
        Flush();
        if (fd_ >= 0 && ::close(fd_) != 0) failed_ = true;
        fd_ = -1;
        return !failed_;
    }
    uint64_t Pos() const { return pos_; }
    bool Failed() const { return failed_; }

private:
    static constexpr size_t kBuffer = 1 << 20;
    void WriteAll(const uint8_t *p, size_t n)
    {
        while (n > 0 && !failed_) {
            ssize_t w = ::write(fd_, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                failed_ = true;
                break;
            }
            p += w;
            n -= static_cast<size_t>(w);
        }
    }
    int fd_ = -1;
    uint64_t pos_ = 0;
    bool failed_ = false;
    std::vector<uint8_t> buf_;
};

class Writer final : public AviWriter {
public:
    explicit Writer(const AviWriterSettings &s) : s_(s)
    {
        rowBytes_ = (s.width * s.bits / 8 + 3) & ~3u;
        imageSize_ = rowBytes_ * s.height;
    }
    bool Start(const char *path, std::string *error);
    bool PutFrame(const uint8_t *dib, const uint8_t *palette) override;
    bool Close() override;
    uint64_t Size() const override { return file_.Pos(); }
    uint32_t RowBytes() const override { return rowBytes_; }
    uint32_t Parts() const override { return static_cast<uint32_t>(parts_.size()); }

private:
    struct Entry {
        uint64_t offset;  // of the chunk's header
        uint32_t size;    // of its data
        bool palette;     // a palette change ("00pc")
    };
    struct Part {
        uint64_t riff, movi;  // offsets of the RIFF and "movi" list headers
        std::vector<Entry> entries;
        uint64_t indexOffset = 0;  // of its "ix00" chunk
        uint32_t indexSize = 0, frames = 0;
    };
    std::vector<uint8_t> Headers(bool final) const;
    void BeginPart();
    void EndPart();
    void WriteChunk(const char *tag, const uint8_t *data, uint32_t size, bool palette);

    AviWriterSettings s_;
    uint32_t rowBytes_ = 0, imageSize_ = 0;
    OutFile file_;
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
    Put32(b, 0);  // patched below
    PutTag(b, "hdrl");
    PutTag(b, "avih");
    Put32(b, 56);
    Put32(b, usPerFrame);
    Put32(b, s_.rate && s_.scale ? static_cast<uint32_t>(uint64_t(imageSize_ + 8) * s_.rate / s_.scale) : 0);
    Put32(b, 0);
    Put32(b, kAvifHasIndex | kAvifIsInterleaved);
    Put32(b, odml ? firstFrames : frames_);
    Put32(b, 0);
    Put32(b, 1);
    Put32(b, imageSize_ + 8);
    Put32(b, s_.width);
    Put32(b, s_.height);
    for (int i = 0; i < 4; i++) Put32(b, 0);
    const size_t strl = b.size();
    PutTag(b, "LIST");
    Put32(b, 0);
    PutTag(b, "strl");
    PutTag(b, "strh");
    Put32(b, 56);
    PutTag(b, "vids");
    PutTag(b, "DIB ");
    Put32(b, paletteChanges_ ? kAvisfPaletteChanges : 0);
    Put32(b, 0);  // priority, language
    Put32(b, 0);  // initial frames
    Put32(b, s_.scale);
    Put32(b, s_.rate);
    Put32(b, 0);  // start
    Put32(b, frames_);
    Put32(b, imageSize_);
    Put32(b, 0xFFFFFFFFu);  // quality: default
    Put32(b, 0);            // sample size: frames vary (palette changes)
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, s_.width);
    Put16(b, s_.height);
    PutTag(b, "strf");
    Put32(b, 40 + tableSize);
    Put32(b, 40);
    Put32(b, s_.width);
    Put32(b, s_.height);  // positive: rows bottom-up
    Put16(b, 1);
    Put16(b, s_.bits);
    Put32(b, 0);  // no compression
    Put32(b, imageSize_);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, s_.bits == 8 ? 256 : 0);
    Put32(b, 0);
    for (uint32_t i = 0; i < tableSize / 4; i++) {
        b.push_back(firstPalette_[3 * i + 2]);
        b.push_back(firstPalette_[3 * i + 1]);
        b.push_back(firstPalette_[3 * i]);
        b.push_back(0);
    }
    // The super index: where each part's standard index lies.
    const size_t indx = b.size();
    PutTag(b, odml ? "indx" : "JUNK");
    Put32(b, kSuperIndexSize);
    if (odml) {
        Put16(b, 4);
        b.push_back(0);
        b.push_back(0);  // an index of indexes
        Put32(b, static_cast<uint32_t>(parts_.size()));
        PutTag(b, "00db");
        for (int i = 0; i < 3; i++) Put32(b, 0);
        for (const Part &p : parts_) {
            Put32(b, static_cast<uint32_t>(p.indexOffset));
            Put32(b, static_cast<uint32_t>(p.indexOffset >> 32));
            Put32(b, p.indexSize);
            Put32(b, p.frames);
        }
    }
    b.resize(indx + 8 + kSuperIndexSize, 0);
    const size_t strlEnd = b.size();
    // The OpenDML header: the total frame count.
    PutTag(b, odml ? "LIST" : "JUNK");
    Put32(b, kOdmlSize);
    if (odml) {
        PutTag(b, "odml");
        PutTag(b, "dmlh");
        Put32(b, 248);
        Put32(b, frames_);
    }
    b.resize(strlEnd + 8 + kOdmlSize, 0);
    auto patch = [&](size_t at, size_t value) {
        for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    patch(4, b.size() - 8);
    patch(strl + 4, strlEnd - strl - 8);
    return b;
}

bool Writer::Start(const char *path, std::string *error)
{
    if (s_.width == 0 || s_.height == 0 || s_.width > 32768 || s_.height > 32768 || (s_.bits != 8 && s_.bits != 24) ||
        uint64_t(rowBytes_) * s_.height > (uint64_t(1) << 30)) {
        if (error) *error = "unsupported picture size or depth";
        return false;
    }
    if (s_.scale == 0 || s_.rate == 0) s_.scale = 1, s_.rate = 10;
    if (!file_.Open(path)) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    BeginPart();
    return !file_.Failed();
}

void Writer::BeginPart()
{
    Part p;
    p.riff = file_.Pos();
    std::vector<uint8_t> b;
    PutTag(b, "RIFF");
    Put32(b, 0);
    PutTag(b, parts_.empty() ? "AVI " : "AVIX");
    if (parts_.empty()) {
        const std::vector<uint8_t> h = Headers(false);
        b.insert(b.end(), h.begin(), h.end());
    }
    p.movi = p.riff + b.size();
    PutTag(b, "LIST");
    Put32(b, 0);
    PutTag(b, "movi");
    file_.Write(b);
    parts_.push_back(p);
}

// Ends the part being written: its standard index at the end of its "movi"
// list, "idx1" after the first part's list, and the list and RIFF sizes.
void Writer::EndPart()
{
    Part &p = parts_.back();
    std::vector<uint8_t> b;
    p.indexOffset = file_.Pos();
    PutTag(b, "ix00");
    Put32(b, 0);
    Put16(b, 2);
    b.push_back(0);
    b.push_back(1);  // an index of chunks
    Put32(b, p.frames);
    PutTag(b, "00db");
    Put32(b, static_cast<uint32_t>(p.riff));
    Put32(b, static_cast<uint32_t>(p.riff >> 32));
    Put32(b, 0);
    for (const Entry &e : p.entries) {
        if (e.palette) continue;
        Put32(b, static_cast<uint32_t>(e.offset + 8 - p.riff));  // of the data
        Put32(b, e.size);                                          // bit 31 clear: a key frame
    }
    p.indexSize = static_cast<uint32_t>(b.size());
    for (int i = 0; i < 4; i++) b[4 + i] = static_cast<uint8_t>((b.size() - 8) >> (8 * i));
    file_.Write(b);
    file_.Patch32(p.movi + 4, static_cast<uint32_t>(file_.Pos() - p.movi - 8));
    if (parts_.size() == 1) {
        b.clear();
        PutTag(b, "idx1");
        Put32(b, static_cast<uint32_t>(16 * p.entries.size()));
        for (const Entry &e : p.entries) {
            PutTag(b, e.palette ? "00pc" : "00db");
            Put32(b, e.palette ? kNoTime : kKeyFrame);
            Put32(b, static_cast<uint32_t>(e.offset - (p.movi + 8)));  // from the "movi" type
            Put32(b, e.size);
        }
        file_.Write(b);
    }
    file_.Patch32(p.riff + 4, static_cast<uint32_t>(file_.Pos() - p.riff - 8));
}

void Writer::WriteChunk(const char *tag, const uint8_t *data, uint32_t size, bool palette)
{
    Part &p = parts_.back();
    p.entries.push_back({file_.Pos(), size, palette});
    std::vector<uint8_t> h;
    PutTag(h, tag);
    Put32(h, size);
    file_.Write(h);
    file_.Write(data, size);
    if (size & 1) file_.Write("", 1);
    if (!palette) ++p.frames;
}

bool Writer::PutFrame(const uint8_t *dib, const uint8_t *palette)
{
    if (closed_ || file_.Failed() || tooLong_ || !dib) return false;
    // A palette change: one record over the entries from the first to the
    // last that differ.
    std::vector<uint8_t> change;
    if (s_.bits == 8 && palette) {
        if (frames_ == 0) {
            std::memcpy(firstPalette_, palette, 768);
            std::memcpy(palette_, palette, 768);
        } else if (std::memcmp(palette_, palette, 768) != 0) {
            int first = 0, last = 255;
            while (std::memcmp(palette_ + 3 * first, palette + 3 * first, 3) == 0) ++first;
            while (std::memcmp(palette_ + 3 * last, palette + 3 * last, 3) == 0) --last;
            const int count = last - first + 1;
            change.push_back(static_cast<uint8_t>(first));
            change.push_back(static_cast<uint8_t>(count & 0xFF));  // 256 is 0
            Put16(change, 0);
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
    const uint64_t grown = file_.Pos() - p.riff + change.size() + 8 + imageSize_ + 8 + entries * 24 + 64;
    if (grown > s_.partLimit && !p.entries.empty()) {
        if (parts_.size() >= kMaxParts) {
            tooLong_ = true;
            return false;
        }
        EndPart();
        BeginPart();
    }
    if (!change.empty()) WriteChunk("00pc", change.data(), static_cast<uint32_t>(change.size()), true);
    WriteChunk("00db", dib, imageSize_, false);
    ++frames_;
    return !file_.Failed();
}

bool Writer::Close()
{
    if (closed_) return !file_.Failed();
    closed_ = true;
    EndPart();
    std::vector<uint8_t> h = Headers(true);
    file_.Patch(12, h);
    return file_.Close() && !tooLong_;
}

}  // namespace

std::unique_ptr<AviWriter> AviWriter::Create(const char *path, const AviWriterSettings &settings, std::string *error)
{
    auto w = std::make_unique<Writer>(settings);
    if (!path || !w->Start(path, error)) return nullptr;
    return w;
}

}  // namespace vex
