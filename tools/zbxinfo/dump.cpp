// zbxinfo --dump DIR FILE: the decoded content of a file as plain data (the
// layout is in docs/raw-dump.md). Every stored frame once, in file order:
// DIR/frame_NNNNN.raw (the 8-bit picture, top-down, then the 768-byte
// palette), and for every present track DIR/track_N.pcm and DIR/track_N.wav.
// Frames and tracks are numbered from 1 in names and messages, as everywhere.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "codec/examine.h"
#include "codec/zorb.h"
#include "platform/fdio.h"
#include "platform/platform.h"
#include "tools/zbxinfo/dump.h"

namespace {

// Largest decoded sound chunk the dump accepts (a damaged size field would
// otherwise ask for gigabytes).
constexpr uint32_t kMaxChunkSound = 64u << 20;

struct Track {
    int n = -1;
    uint32_t format = 0;
    zorb::platform::SafeFile pcm, wav;
    PlatformRiffWriter riff{};
    uint64_t bytes = 0;
};

// The file name (without extension) of the track at index n.
std::string TrackName(unsigned n)
{
    return "track_" + std::to_string(n + 1);
}

// The decoded sound of track n in the loaded frame; false when its chunk is damaged.
bool FrameSound(const ZorbHandle *h, unsigned n, std::vector<uint8_t> &out)
{
    out.clear();
    const int64_t size = ZorbInspectSound(h, n, nullptr, 0);
    if (size < 0 || size > kMaxChunkSound)
        return false;
    out.resize(static_cast<size_t>(size));
    return size == 0 || ZorbInspectSound(h, n, out.data(), static_cast<uint32_t>(size)) == size;
}

class Dump {
public:
    Dump(const std::string &dir, const std::string &file) : dir_(dir), file_(file) {}
    ~Dump()
    {
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
        // The picture with room for the palette after it: one write per frame.
        std::vector<uint8_t> picture(static_cast<size_t>(pixels) + 768, 0);
        if (pixels)
            ZorbSetOutput(h_, 0, 0, h_->Width, h_->Height, picture.data(), 0);
        for (unsigned n = 0; n < ZBX_MAX_TRACKS; ++n) {
            const uint32_t f = h_->AudioFormat[n];
            if (!(f & ZBX_AUDIO_PRESENT) || !(f & ZBX_AUDIO_RATE_MASK))
                continue;
            auto t = std::make_unique<Track>();
            t->n = static_cast<int>(n);
            t->format = f;
            if (!Create(TrackName(n) + ".pcm", t->pcm) || !Create(TrackName(n) + ".wav", t->wav))
                return 1;
            PlatformRiffStart(&t->riff, t->wav.Fd());
            if (!PlatformWaveBegin(&t->riff, f & ZBX_AUDIO_RATE_MASK, f & ZBX_AUDIO_STEREO ? 2 : 1,
                                   f & ZBX_AUDIO_16BIT ? 16 : 8))
                return Fail("cannot write " + dir_);
            tracks_.push_back(std::move(t));
        }
        const uint32_t frames = ZorbTableFrames(h_);
        std::vector<uint8_t> sound;
        for (uint32_t i = 0; i < frames; ++i) {
            if (i > 0)
                ZorbAdvanceFrame(h_);
            if (h_->ReadFailed || h_->CurrentFrame != i)
                return Fail(file_ + ": damaged or unreadable at frame " + std::to_string(i + 1));
            ZorbDecodeFrame(h_);
            char name[32];
            std::snprintf(name, sizeof name, "frame_%05u.raw", i + 1);
            std::memcpy(picture.data() + pixels, h_->Palette, 768);
            if (!WriteFrame(name, picture))
                return 1;
            for (auto &t : tracks_) {
                if (!FrameSound(h_, static_cast<unsigned>(t->n), sound))
                    return Fail(file_ + ": damaged sound chunk at frame " + std::to_string(i + 1));
                if (!sound.empty() && (!t->pcm.Write(sound.data(), sound.size()) ||
                                       !PlatformRiffWrite(&t->riff, sound.data(), sound.size())))
                    return Fail("cannot write " + dir_);
                t->bytes += sound.size();
            }
        }
        for (auto &t : tracks_) {
            const std::string name = TrackName(static_cast<unsigned>(t->n));
            if (!PlatformWaveEnd(&t->riff))
                return Fail(name + " is too long for a wave file");
            if (!Commit(name + ".pcm", t->pcm, t->bytes) || !Commit(name + ".wav", t->wav, t->riff.position))
                return 1;
        }
        std::fprintf(stderr, "zbxinfo: %s: %u frames and %zu sound tracks written to %s\n", file_.c_str(), frames,
                     tracks_.size(), dir_.c_str());
        return 0;
    }

private:
    bool Create(const std::string &name, zorb::platform::SafeFile &file)
    {
        std::string error;
        if (!file.Create(dir_ + "/" + name, error)) {
            Fail(error);
            return false;
        }
        return true;
    }
    // A frame file is written in place, in one piece: the dump owns its
    // directory and removes every file it wrote (this one included) when it
    // fails, so nothing half-written stays, without a temporary file and a
    // rename per frame.
    bool WriteFrame(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        const std::string path = dir_ + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            Fail("cannot write " + path + ": " + std::strerror(errno));
            return false;
        }
        written_.push_back(path);
        const bool wrote = zorb::platform::writeAll(fd, bytes.data(), bytes.size());
        const int saved = errno;
        if (::close(fd) != 0 || !wrote) {
            Fail("cannot write " + path + ": " + std::strerror(wrote ? errno : saved));
            return false;
        }
        return true;
    }
    bool Commit(const std::string &name, zorb::platform::SafeFile &file, uint64_t size)
    {
        std::string error;
        if (!file.Commit(size, error)) {
            Fail(error);
            return false;
        }
        written_.push_back(dir_ + "/" + name);
        return true;
    }
    int Fail(const std::string &why)
    {
        std::fprintf(stderr, "zbxinfo: %s\n", why.c_str());
        failed_ = true;
        return 1;
    }

    std::string dir_, file_;
    ZorbHandle *h_ = nullptr;
    std::vector<std::unique_ptr<Track>> tracks_;
    std::vector<std::string> written_;
    bool failed_ = false;
};

} // namespace

int DumpFile(const std::string &dir, const std::string &file)
{
    Dump d(dir, file);
    return d.Run();
}
