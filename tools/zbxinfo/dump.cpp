// zbxinfo --dump DIR FILE: the decoded content of a file as plain data (the
// layout is in docs/raw-dump.md). Every stored frame once, in file order:
// DIR/frame_NNNNN.raw (the 8-bit picture, top-down, then the 768-byte
// palette), and for every present track DIR/track_N.pcm and DIR/track_N.wav.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/handle.h"
#include "codec/soundchunk.h"
#include "codec/zorb.h"
#include "tools/zbxinfo/dump.h"

namespace {

// Largest decoded sound chunk the dump accepts (a damaged size field would
// otherwise ask for gigabytes).
constexpr uint32_t kMaxChunkSound = 64u << 20;

uint32_t ReadU32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

void Put32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Track {
    int n = -1;
    uint32_t format = 0;
    FILE *pcm = nullptr, *wav = nullptr;
    uint64_t bytes = 0;
};

std::vector<uint8_t> WavHeader(uint32_t format, uint64_t dataBytes)
{
    const uint32_t channels = format & ZBX_AUDIO_STEREO ? 2 : 1, bits = format & ZBX_AUDIO_16BIT ? 16 : 8;
    const uint32_t rate = format & ZBX_AUDIO_RATE_MASK, align = channels * bits / 8;
    const uint32_t data = dataBytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<uint32_t>(dataBytes);
    std::vector<uint8_t> h(44);
    std::memcpy(&h[0], "RIFF", 4);
    Put32(&h[4], 36 + data);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    Put32(&h[16], 16);
    h[20] = 1; // PCM
    h[22] = static_cast<uint8_t>(channels);
    Put32(&h[24], rate);
    Put32(&h[28], rate * align);
    h[32] = static_cast<uint8_t>(align);
    h[34] = static_cast<uint8_t>(bits);
    std::memcpy(&h[36], "data", 4);
    Put32(&h[40], data);
    return h;
}

// The decoded sound of track n in the loaded frame; false when its chunk is damaged.
bool FrameSound(const ZorbHandle *h, unsigned n, std::vector<uint8_t> &out)
{
    out.clear();
    const uint8_t *c = h->AudioChunk[n];
    if (!c)
        return true;
    const uint8_t *end = h->FrameData + h->CurrentFrameSize;
    const bool compressed = h->AudioFormat[n] & ZBX_AUDIO_COMPRESSED;
    if (end - c < (compressed ? 8 : 4))
        return false;
    const uint32_t length = ReadU32(c);
    if (length < (compressed ? 8u : 4u) || length > static_cast<size_t>(end - c))
        return false;
    if (!compressed) {
        out.assign(c + 4, c + length);
        return true;
    }
    const uint32_t size = ReadU32(c + 4);
    if (size > kMaxChunkSound)
        return false;
    out.resize(size);
    if (size == 0)
        return true;
    zorb::SoundRing ring{out.data(), out.data() + size, out.data()};
    if (!zorb::DecodeSoundChunk(c + 8, length - 8, size, ring))
        zorb::WriteSilence(size, h->AudioFormat[n] & ZBX_AUDIO_16BIT, ring);
    return true;
}

class Dump {
public:
    Dump(const std::string &dir, const std::string &file) : dir_(dir), file_(file) {}
    ~Dump()
    {
        for (Track &t : tracks_) {
            if (t.pcm)
                std::fclose(t.pcm);
            if (t.wav)
                std::fclose(t.wav);
        }
        ZorbClose(h_);
        if (failed_) // nothing half-written is left behind
            for (const std::string &p : written_)
                std::remove(p.c_str());
    }

    int Run()
    {
        std::error_code ec;
        std::filesystem::create_directories(dir_, ec);
        if (ec)
            return Fail(dir_ + ": " + ec.message());
        h_ = ZorbOpen(const_cast<char *>(file_.c_str()), 0, -1);
        if (!h_)
            return Fail(file_ + ": not a readable Zorblax file");
        const uint64_t pixels = uint64_t{h_->Width} * h_->Height;
        if (pixels > (uint64_t{1} << 28))
            return Fail(file_ + ": picture too large to dump");
        std::vector<uint8_t> picture(static_cast<size_t>(pixels), 0);
        if (pixels)
            ZorbSetOutput(h_, 0, 0, h_->Width, h_->Height, picture.data(), 0);
        for (unsigned n = 0; n < ZBX_MAX_TRACKS; ++n) {
            const uint32_t f = h_->AudioFormat[n];
            if (!(f & ZBX_AUDIO_PRESENT) || !(f & ZBX_AUDIO_RATE_MASK))
                continue;
            Track t;
            t.n = static_cast<int>(n);
            t.format = f;
            t.pcm = Create("track_" + std::to_string(n) + ".pcm");
            t.wav = Create("track_" + std::to_string(n) + ".wav");
            tracks_.push_back(t);
            if (!t.pcm || !t.wav)
                return 1;
            const auto header = WavHeader(f, 0);
            if (std::fwrite(header.data(), 1, header.size(), t.wav) != header.size())
                return Fail("cannot write " + dir_);
        }
        const uint32_t frames = zorb::TableFrames(h_);
        std::vector<uint8_t> sound;
        for (uint32_t i = 0; i < frames; ++i) {
            if (i > 0)
                ZorbAdvanceFrame(h_);
            if (h_->ReadFailed || h_->CurrentFrame != i)
                return Fail(file_ + ": damaged or unreadable at frame " + std::to_string(i));
            ZorbDecodeFrame(h_);
            char name[32];
            std::snprintf(name, sizeof name, "frame_%05u.raw", i);
            FILE *f = Create(name);
            if (!f)
                return 1;
            const bool ok = std::fwrite(picture.data(), 1, picture.size(), f) == picture.size() &&
                            std::fwrite(h_->Palette, 1, 768, f) == 768;
            if (std::fclose(f) != 0 || !ok)
                return Fail("cannot write " + dir_ + "/" + name);
            for (Track &t : tracks_) {
                if (!FrameSound(h_, static_cast<unsigned>(t.n), sound))
                    return Fail(file_ + ": damaged sound chunk at frame " + std::to_string(i));
                if (!sound.empty() && (std::fwrite(sound.data(), 1, sound.size(), t.pcm) != sound.size() ||
                                       std::fwrite(sound.data(), 1, sound.size(), t.wav) != sound.size()))
                    return Fail("cannot write " + dir_);
                t.bytes += sound.size();
            }
        }
        for (Track &t : tracks_) {
            const auto header = WavHeader(t.format, t.bytes);
            if (std::fseek(t.wav, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), t.wav) != 44)
                return Fail("cannot write " + dir_);
            if (std::fclose(t.pcm) != 0 || std::fclose(t.wav) != 0) {
                t.pcm = t.wav = nullptr;
                return Fail("cannot write " + dir_);
            }
            t.pcm = t.wav = nullptr;
        }
        std::fprintf(stderr, "zbxinfo: %s: %u frames and %zu sound tracks written to %s\n", file_.c_str(), frames,
                     tracks_.size(), dir_.c_str());
        return 0;
    }

private:
    FILE *Create(const std::string &name)
    {
        const std::string path = dir_ + "/" + name;
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f) {
            Fail(path + ": " + std::strerror(errno));
            return nullptr;
        }
        written_.push_back(path);
        return f;
    }
    int Fail(const std::string &why)
    {
        std::fprintf(stderr, "zbxinfo: %s\n", why.c_str());
        failed_ = true;
        return 1;
    }

    std::string dir_, file_;
    ZorbHandle *h_ = nullptr;
    std::vector<Track> tracks_;
    std::vector<std::string> written_;
    bool failed_ = false;
};

} // namespace

int DumpFile(const std::string &dir, const std::string &file)
{
    Dump d(dir, file);
    return d.Run();
}
