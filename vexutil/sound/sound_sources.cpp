// File sources of the sound input: wave files, headerless PCM and AVI sound
// streams, and the probe order that picks one for a name.

#include "codec/format.h"
#include "platform/platform.h"
#include "vexutil/graphics/avi_reader.h"
#include "vexutil/sound/sound_source.h"

#include <algorithm>
#include <cstring>

namespace vex::sound {
namespace {

constexpr int32_t kWaveBuffer = 16384;
constexpr int32_t kMaxRate = 0xFFFFFF;

bool ValidFormat(const Format &f)
{
    return f.rate > 0 && f.rate <= kMaxRate && (f.bits == 8 || f.bits == 16) && (f.channels == 1 || f.channels == 2);
}

std::string WithExtension(const std::string &name, const char *ext)
{
    return HasExtension(name.c_str()) ? name : name + ext;
}

// Sample data in a file read through VEXFile: a wave "data" chunk or the tail
// of a headerless file.
class FileSource final : public Source {
public:
    FileSource(VEXFILE *f, uint32_t start, uint32_t length) : f_(f), start_(start), length_(length) { Seek(0); }
    ~FileSource() override { VEXFileClose(f_); }
    size_t Read(uint8_t *dst, size_t n) override
    {
        const uint64_t left = pos_ < length_ ? length_ - pos_ : 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, left));
        if (!n)
            return 0;
        const uint32_t got = VEXFileGet(f_, dst, static_cast<uint32_t>(n));
        pos_ += got;
        return got;
    }
    bool Seek(uint64_t pos) override
    {
        pos_ = std::min<uint64_t>(pos, length_);
        VEXFileSetPos(f_, static_cast<uint32_t>(start_ + pos_));
        return true;
    }

private:
    VEXFILE *f_;
    uint32_t start_, length_;
    uint64_t pos_ = 0;
};

class AviSource final : public Source {
public:
    AviSource(std::unique_ptr<AviReader> avi, size_t stream, uint64_t length)
        : avi_(std::move(avi)), stream_(stream), length_(length)
    {}
    size_t Read(uint8_t *dst, size_t n) override
    {
        const uint64_t left = pos_ < length_ ? length_ - pos_ : 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, left));
        const size_t got = avi_->ReadSound(stream_, pos_, dst, n);
        pos_ += got;
        return got;
    }
    bool Seek(uint64_t pos) override
    {
        pos_ = std::min(pos, length_);
        return true;
    }

private:
    std::unique_ptr<AviReader> avi_;
    size_t stream_;
    uint64_t length_;
    uint64_t pos_ = 0;
};

void Finish(Opened *out, std::unique_ptr<Source> source, int32_t kind, const Format &f, uint64_t bytes,
            const std::string &name)
{
    out->source = std::move(source);
    out->kind = kind;
    out->format = f;
    const uint32_t fb = static_cast<uint32_t>(f.frameBytes());
    out->bytes = bytes / fb * fb;
    out->name = name;
}

bool OpenRaw(const std::string &name, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress, Opened *out)
{
    Format f;
    f.rate = static_cast<int32_t>(rawFlags >> 3);
    f.bits = rawFlags & 2 ? 16 : 8;
    f.channels = rawFlags & 1 ? 2 : 1;
    if (!ValidFormat(f)) {
        ReportError(progress, "Invalid sample rate for the headerless sound file.");
        return false;
    }
    VEXFILE *file = VEXFileOpen(kWaveBuffer, name.c_str(), VEXFILE_READ);
    if (!file) {
        ReportError(progress, "Error opening the input file.");
        return false;
    }
    const uint32_t size = VEXFileSize(file);
    const uint32_t start = size ? std::min(rawOffset, size - 1) : 0;
    const uint32_t length = size - start;
    Finish(out, std::make_unique<FileSource>(file, start, length), SFILE_KIND_WAVE, f, length, name);
    return true;
}

// A RIFF "WAVE" file with a PCM "fmt " chunk and a "data" chunk. Chunks are
// walked by their sizes rounded up to even; every size is checked against the
// file before use.
Probe OpenWave(const std::string &name, SFILEPROGRESS progress, Opened *out)
{
    VEXFILE *file = VEXFileOpen(kWaveBuffer, name.c_str(), VEXFILE_READ);
    if (!file)
        return Probe::NotThisKind;
    const uint64_t size = VEXFileSize(file);
    uint8_t head[12];
    if (size < 12 || VEXFileGet(file, head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        VEXFileClose(file);
        return Probe::NotThisKind;
    }
    Format f;
    bool haveFormat = false, pcm = false;
    uint64_t dataStart = 0, dataSize = 0;
    bool haveData = false;
    uint64_t pos = 12;
    while (pos + 8 <= size && !(haveFormat && haveData)) {
        VEXFileSetPos(file, static_cast<uint32_t>(pos));
        const uint32_t id = VEXFileGet32(file);
        const uint32_t length = VEXFileGet32(file);
        const uint64_t body = pos + 8;
        const uint64_t avail = size - body;
        if (id == ZbxFourCC("fmt ") && !haveFormat) {
            if (length < 16 || avail < 16)
                break;
            const uint32_t tag = VEXFileGet16(file);
            f.channels = static_cast<int32_t>(VEXFileGet16(file));
            f.rate = static_cast<int32_t>(std::min<uint32_t>(VEXFileGet32(file), 0x7FFFFFFF));
            VEXFileGet32(file); // bytes per second
            VEXFileGet16(file); // block align
            f.bits = static_cast<int32_t>(VEXFileGet16(file));
            haveFormat = true;
            pcm = tag == 1;
        } else if (id == ZbxFourCC("data") && !haveData) {
            haveData = true;
            dataStart = body;
            dataSize = std::min<uint64_t>(length, avail); // a cut file keeps what it has
        }
        pos = body + length + (length & 1);
    }
    if (!haveFormat || !haveData) {
        VEXFileClose(file);
        return Probe::NotThisKind;
    }
    if (!pcm || !ValidFormat(f)) {
        VEXFileClose(file);
        ReportError(progress, "Unsupported wave format: only 8-bit or 16-bit PCM with one or two channels.");
        return Probe::Failed;
    }
    Finish(out, std::make_unique<FileSource>(file, static_cast<uint32_t>(dataStart), static_cast<uint32_t>(dataSize)),
           SFILE_KIND_WAVE, f, dataSize, name);
    return Probe::Opened;
}

Probe OpenAvi(const std::string &name, int32_t track, SFILEPROGRESS progress, Opened *out)
{
    std::string error;
    std::unique_ptr<AviReader> avi = AviReader::OpenFile(name.c_str(), error);
    if (!avi) {
        if (PlatformDebugOn())
            PlatformDebugLog("SFileOpen: %s: %s", name.c_str(), error.c_str());
        return Probe::NotThisKind;
    }
    const AviSoundStream *s = track >= 0 ? avi->Sound(static_cast<size_t>(track)) : nullptr;
    if (!s) {
        ReportError(progress, "Error opening the input file.");
        return Probe::Failed;
    }
    Format f;
    f.rate = static_cast<int32_t>(std::min<uint32_t>(s->samplesPerSec, 0x7FFFFFFF));
    f.bits = s->bitsPerSample;
    f.channels = s->channels;
    // A PCM record (16 bytes, or the longer record with an empty extension).
    if (s->formatTag != 1 || s->formatSize < 16 || !ValidFormat(f)) {
        ReportError(progress, "Error reading AVI file.");
        return Probe::Failed;
    }
    const uint64_t declared = static_cast<uint64_t>(s->length) * static_cast<uint32_t>(f.frameBytes());
    const uint64_t bytes = std::min(declared ? declared : s->dataBytes, s->dataBytes);
    if (const AviVideoStream *v = avi->Video(); v && v->rate) {
        out->framePeriod = static_cast<uint32_t>(std::min<uint64_t>(100000ull * v->scale / v->rate, 0xFFFFFFFF));
    }
    const size_t stream = static_cast<size_t>(track);
    Finish(out, std::make_unique<AviSource>(std::move(avi), stream, bytes), SFILE_KIND_AVI, f, bytes, name);
    return Probe::Opened;
}

} // namespace

bool OpenSource(const char *name, int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress,
                Opened *out)
{
    const std::string base(name);
    if (rawFlags)
        return OpenRaw(WithExtension(base, ".wav"), rawFlags, rawOffset, progress, out);

    // Each kind in turn until one recognises the file (and opens it or fails).
    Probe p = OpenWave(WithExtension(base, ".wav"), progress, out);
    if (p == Probe::NotThisKind)
        p = OpenZorbSource(WithExtension(base, ".zbx"), track, progress, out);
    if (p == Probe::NotThisKind)
        p = OpenAvi(WithExtension(base, ".avi"), track, progress, out);
    if (p != Probe::NotThisKind)
        return p == Probe::Opened;
    ReportError(progress, "Error opening the input file.");
    return false;
}

} // namespace vex::sound
