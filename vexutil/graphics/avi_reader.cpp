// AVI (RIFF) reader: see avi_reader.h.
#include "vexutil/graphics/avi_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "codec/format.h"
#include "vexutil/graphics/graphics_input_internal.h"

namespace vex {
namespace {

const uint32_t kRiff = ZbxFourCC("RIFF");
const uint32_t kList = ZbxFourCC("LIST");
const uint32_t kAvi = ZbxFourCC("AVI ");
const uint32_t kAvix = ZbxFourCC("AVIX");
const uint32_t kHdrl = ZbxFourCC("hdrl");
const uint32_t kStrl = ZbxFourCC("strl");
const uint32_t kStrh = ZbxFourCC("strh");
const uint32_t kStrf = ZbxFourCC("strf");
const uint32_t kMovi = ZbxFourCC("movi");
const uint32_t kRec = ZbxFourCC("rec ");
const uint32_t kVids = ZbxFourCC("vids");
const uint32_t kAuds = ZbxFourCC("auds");

constexpr int32_t kMaxSide = static_cast<int32_t>(kMaxPictureSide);
constexpr int kMaxDepth = 8;
constexpr uint64_t kMaxFrameBytes = uint64_t(1) << 27;

class FileSource final : public ByteSource {
public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~FileSource() override { close(fd_); }
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void *dst, size_t n) override
    {
        size_t done = 0;
        while (done < n) {
            ssize_t r = pread(fd_, static_cast<uint8_t *>(dst) + done, n - done, static_cast<off_t>(offset + done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            done += static_cast<size_t>(r);
        }
        return done;
    }

private:
    int fd_;
    uint64_t size_;
};

class MemSource final : public ByteSource {
public:
    MemSource(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void *dst, size_t n) override
    {
        if (offset >= size_)
            return 0;
        size_t k = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
        if (k)
            std::memcpy(dst, data_ + offset, k);
        return k;
    }

private:
    const uint8_t *data_;
    size_t size_;
};

void SetError(std::string &error, const char *text)
{
    if (error.empty())
        error = text;
}

// Two ASCII digits at the start of a movi chunk id give the stream number.
int StreamNumber(uint32_t id)
{
    int a = static_cast<int>(id & 0xFF), b = static_cast<int>((id >> 8) & 0xFF);
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

} // namespace

std::unique_ptr<ByteSource> OpenFileSource(const char *path)
{
    if (!path)
        return nullptr;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
}

std::unique_ptr<ByteSource> MemorySource(const uint8_t *data, size_t size)
{
    return std::make_unique<MemSource>(data, size);
}

std::unique_ptr<AviReader> AviReader::OpenFile(const char *path, std::string &error)
{
    auto src = OpenFileSource(path);
    if (!src) {
        SetError(error, "cannot open the file");
        return nullptr;
    }
    return Open(std::move(src), error);
}

std::unique_ptr<AviReader> AviReader::Open(std::unique_ptr<ByteSource> src, std::string &error)
{
    if (!src)
        return nullptr;
    std::unique_ptr<AviReader> r(new AviReader());
    r->src_ = std::move(src);
    if (!r->Parse(error))
        return nullptr;
    return r;
}

bool AviReader::Parse(std::string &error)
{
    uint64_t fileSize = src_->Size();
    uint64_t pos = 0;
    bool first = true;
    while (pos + 12 <= fileSize) {
        uint8_t h[12];
        if (src_->ReadAt(pos, h, 12) != 12)
            break;
        uint32_t id = ZbxGet32(h), size = ZbxGet32(h + 4), form = ZbxGet32(h + 8);
        if (id != kRiff || (first ? form != kAvi : form != kAvix)) {
            if (first) {
                SetError(error, "not an AVI file");
                return false;
            }
            break;
        }
        uint64_t end = std::min<uint64_t>(pos + 8 + size, fileSize);
        if (size < 4)
            break;
        WalkList(pos + 12, end, 0, false);
        first = false;
        pos = pos + 8 + size + (size & 1);
    }
    if (first) {
        SetError(error, "not an AVI file");
        return false;
    }
    if (hasVideo_) {
        rowBytes_ = ((static_cast<uint32_t>(video_.width) * video_.bitCount + 31) / 32) * 4;
        std::memcpy(curPalette_, video_.palette, 768);
    }
    for (auto &s : sound_) {
        uint64_t at = 0;
        s.chunkStart.reserve(s.chunks.size());
        for (const auto &c : s.chunks) {
            s.chunkStart.push_back(at);
            at += c.size;
        }
        s.dataBytes = at;
    }
    return true;
}

namespace {

// The header fields that video and sound streams share.
struct StreamHeader {
    uint32_t handler, scale, rate, start, length;
};

StreamHeader ReadStreamHeader(const std::vector<uint8_t> &strh)
{
    return {ZbxGet32(&strh[4]), ZbxGet32(&strh[20]), ZbxGet32(&strh[24]), ZbxGet32(&strh[28]), ZbxGet32(&strh[32])};
}

// The picture format of a video stream (a BITMAPINFOHEADER and its colour
// table) into v: true for the uncompressed layouts this reader takes.
bool ReadVideoFormat(const std::vector<uint8_t> &strf, AviVideoStream &v)
{
    if (strf.size() < 40)
        return false;
    const uint32_t biSize = ZbxGet32(strf.data());
    const int32_t w = static_cast<int32_t>(ZbxGet32(&strf[4]));
    const int32_t hgt = static_cast<int32_t>(ZbxGet32(&strf[8]));
    const uint32_t bits = ZbxGet16(&strf[14]), comp = ZbxGet32(&strf[16]), used = ZbxGet32(&strf[32]);
    bool rgb = comp == 0 || comp == ZbxFourCC("DIB ") || comp == ZbxFourCC("RGB ") || comp == ZbxFourCC("RAW ");
    uint32_t tableAt = biSize < 40 ? 40 : biSize;
    if (comp == 3 && strf.size() >= 52) {
        // Bit fields: only the layouts that equal plain RGB.
        const uint32_t r = ZbxGet32(&strf[40]), g = ZbxGet32(&strf[44]), b = ZbxGet32(&strf[48]);
        rgb = (bits == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x001F) ||
              (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF);
        if (biSize <= 40)
            tableAt = 52;
    }
    const bool sizeOk = w > 0 && w <= kMaxSide && hgt != 0 && hgt != INT32_MIN && (hgt < 0 ? -hgt : hgt) <= kMaxSide &&
                        uint64_t(w) * static_cast<uint64_t>(hgt < 0 ? -hgt : hgt) * bits / 8 <= kMaxFrameBytes;
    if (!rgb || !sizeOk || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return false;
    v.width = w;
    v.topDown = hgt < 0;
    v.height = hgt < 0 ? -hgt : hgt;
    v.bitCount = bits;
    if (bits == 8) {
        uint32_t n = used == 0 || used > 256 ? 256 : used;
        const uint32_t avail = strf.size() > tableAt ? static_cast<uint32_t>((strf.size() - tableAt) / 4) : 0;
        n = std::min(n, avail);
        for (uint32_t i = 0; i < n; i++) {
            const uint8_t *q = &strf[tableAt + 4 * i];
            v.palette[3 * i] = q[2];
            v.palette[3 * i + 1] = q[1];
            v.palette[3 * i + 2] = q[0];
        }
        v.paletteColours = n;
    }
    return true;
}

// The sound format of a sound stream (a WAVEFORMATEX) into s.
void ReadSoundFormat(const std::vector<uint8_t> &strf, AviSoundStream &s)
{
    s.formatSize = static_cast<uint32_t>(strf.size());
    if (strf.size() >= 14) {
        s.formatTag = ZbxGet16(strf.data());
        s.channels = ZbxGet16(&strf[2]);
        s.samplesPerSec = ZbxGet32(&strf[4]);
        s.avgBytesPerSec = ZbxGet32(&strf[8]);
        s.blockAlign = ZbxGet16(&strf[12]);
    }
    if (strf.size() >= 16)
        s.bitsPerSample = ZbxGet16(&strf[14]);
}

} // namespace

void AviReader::WalkList(uint64_t begin, uint64_t end, int depth, bool inMovi)
{
    if (depth > kMaxDepth)
        return;
    uint64_t pos = begin;
    while (pos + 8 <= end) {
        uint8_t h[12];
        if (src_->ReadAt(pos, h, 8) != 8)
            break;
        const uint32_t id = ZbxGet32(h);
        const uint64_t data = pos + 8;
        // A chunk reaching past its parent is cut at the parent's end (a
        // truncated file keeps what it has).
        const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(ZbxGet32(h + 4), end - data));
        if ((id == kList || id == kRiff) && size >= 4 && src_->ReadAt(data, h + 8, 4) == 4) {
            const uint32_t type = ZbxGet32(h + 8);
            if (type == kStrl && !inMovi)
                ReadStreamList(data + 4, data + size);
            else if (type == kHdrl || type == kMovi || type == kRec)
                WalkList(data + 4, data + size, depth + 1, inMovi || type != kHdrl);
        } else if (id != kList && id != kRiff && inMovi) {
            OnStreamChunk(id, data, size);
        }
        pos = data + size + (size & 1);
    }
}

void AviReader::ReadStreamChunks(uint64_t begin, uint64_t end, std::vector<uint8_t> &strh, std::vector<uint8_t> &strf)
{
    uint64_t p = begin;
    while (p + 8 <= end) {
        uint8_t ch[8];
        if (src_->ReadAt(p, ch, 8) != 8)
            break;
        const uint32_t cid = ZbxGet32(ch);
        const uint32_t cs = static_cast<uint32_t>(std::min<uint64_t>(ZbxGet32(ch + 4), end - (p + 8)));
        if ((cid == kStrh && strh.empty()) || (cid == kStrf && strf.empty())) {
            auto &dst = cid == kStrh ? strh : strf;
            dst.resize(std::min<uint32_t>(cs, 4096));
            if (src_->ReadAt(p + 8, dst.data(), dst.size()) != dst.size())
                dst.clear();
        }
        p = p + 8 + cs + (cs & 1);
    }
}

void AviReader::ReadStreamList(uint64_t begin, uint64_t end)
{
    std::vector<uint8_t> strh, strf;
    ReadStreamChunks(begin, end, strh, strf);
    StreamInfo info{0, -1, false};
    if (strh.size() >= 36) {
        info.type = ZbxGet32(strh.data());
        const StreamHeader header = ReadStreamHeader(strh);
        if (info.type == kVids && !hasVideo_ && !videoRefused_) {
            AviVideoStream v = video_;
            if (ReadVideoFormat(strf, v)) {
                video_ = v;
                video_.handler = header.handler;
                video_.scale = header.scale;
                video_.rate = header.rate;
                video_.start = header.start;
                video_.length = header.length;
                hasVideo_ = true;
                info.video = true;
                videoNumber_ = static_cast<int>(streams_.size());
            } else {
                videoRefused_ = true;
            }
        } else if (info.type == kAuds) {
            AviSoundStream s;
            s.scale = header.scale;
            s.rate = header.rate;
            s.start = header.start;
            s.length = header.length;
            ReadSoundFormat(strf, s);
            info.soundIndex = static_cast<int>(sound_.size());
            sound_.push_back(std::move(s));
        }
    }
    streams_.push_back(info);
}

void AviReader::OnStreamChunk(uint32_t id, uint64_t offset, uint32_t size)
{
    int n = StreamNumber(id);
    if (n < 0 || static_cast<size_t>(n) >= streams_.size())
        return;
    const StreamInfo &s = streams_[static_cast<size_t>(n)];
    char t0 = static_cast<char>((id >> 16) & 0xFF), t1 = static_cast<char>((id >> 24) & 0xFF);
    if (s.video) {
        if (t0 == 'p' && t1 == 'c') {
            paletteChanges_.push_back({offset, size});
        } else if (t0 == 'd' && (t1 == 'b' || t1 == 'c')) {
            frames_.push_back({{offset, size}, static_cast<uint32_t>(paletteChanges_.size())});
        }
    } else if (s.soundIndex >= 0 && t0 == 'w' && t1 == 'b') {
        sound_[static_cast<size_t>(s.soundIndex)].chunks.push_back({offset, size});
    }
}

uint32_t AviReader::FrameStoredSize(uint32_t n) const
{
    return n < frames_.size() ? frames_[n].chunk.size : 0;
}

bool AviReader::ApplyPaletteChange(const AviChunk &c)
{
    // Each record: first entry, entry count (0 = 256), 16-bit flags, then the
    // entries as red, green, blue, flags. Only entries inside the chunk count.
    uint32_t size = std::min<uint32_t>(c.size, 4 + 256 * 4 * 4);
    std::vector<uint8_t> buf(size);
    if (src_->ReadAt(c.offset, buf.data(), size) != size)
        return false;
    uint32_t p = 0;
    while (p + 4 <= size) {
        uint32_t firstEntry = buf[p], count = buf[p + 1] ? buf[p + 1] : 256;
        p += 4;
        for (uint32_t i = 0; i < count && p + 4 <= size; i++, p += 4) {
            uint32_t e = firstEntry + i;
            if (e >= 256)
                continue;
            curPalette_[3 * e] = buf[p];
            curPalette_[3 * e + 1] = buf[p + 1];
            curPalette_[3 * e + 2] = buf[p + 2];
        }
    }
    return true;
}

bool AviReader::ReadFrame(uint32_t n)
{
    if (!hasVideo_ || n >= frames_.size())
        return false;
    // Palette in effect at frame n: the format's table and every change before it.
    uint32_t need = frames_[n].paletteChanges;
    if (appliedChanges_ > need) {
        std::memcpy(curPalette_, video_.palette, 768);
        appliedChanges_ = 0;
    }
    while (appliedChanges_ < need)
        ApplyPaletteChange(paletteChanges_[appliedChanges_++]);

    // A dropped (empty) frame repeats the last stored one before it.
    int64_t k = n;
    while (k >= 0 && frames_[static_cast<size_t>(k)].chunk.size == 0)
        k--;
    size_t total = static_cast<size_t>(rowBytes_) * static_cast<size_t>(video_.height);
    if (pixels_.size() != total) {
        pixels_.assign(total, 0);
        lastFrame_ = -1;
    }
    bool ok = true;
    if (k < 0) {
        std::fill(pixels_.begin(), pixels_.end(), 0);
        lastFrame_ = -1;
    } else if (k != lastFrame_) {
        const AviChunk &c = frames_[static_cast<size_t>(k)].chunk;
        size_t want = std::min<size_t>(c.size, total);
        size_t got = src_->ReadAt(c.offset, pixels_.data(), want);
        std::fill(pixels_.begin() + static_cast<ptrdiff_t>(got), pixels_.end(), 0);
        ok = got == want;
        lastFrame_ = ok ? k : -1;
    }
    if (video_.topDown) {
        top_ = pixels_.data();
        pitch_ = static_cast<ptrdiff_t>(rowBytes_);
    } else {
        top_ = pixels_.data() + static_cast<size_t>(video_.height - 1) * rowBytes_;
        pitch_ = -static_cast<ptrdiff_t>(rowBytes_);
    }
    return ok;
}

size_t AviReader::ReadSound(size_t i, uint64_t pos, void *dst, size_t n)
{
    if (i >= sound_.size() || n == 0)
        return 0;
    AviSoundStream &s = sound_[i];
    if (pos >= s.dataBytes)
        return 0;
    auto it = std::upper_bound(s.chunkStart.begin(), s.chunkStart.end(), pos);
    size_t c = static_cast<size_t>(it - s.chunkStart.begin()) - 1;
    size_t done = 0;
    uint8_t *out = static_cast<uint8_t *>(dst);
    while (done < n && c < s.chunks.size()) {
        uint64_t within = pos + done - s.chunkStart[c];
        if (within >= s.chunks[c].size) {
            c++;
            continue;
        }
        size_t k = static_cast<size_t>(std::min<uint64_t>(n - done, s.chunks[c].size - within));
        size_t got = src_->ReadAt(s.chunks[c].offset + within, out + done, k);
        done += got;
        if (got != k)
            break;
        c++;
    }
    return done;
}

} // namespace vex
