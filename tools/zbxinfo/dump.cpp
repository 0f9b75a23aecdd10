// zbxinfo --dump DIR FILE: the decoded content of a file as plain data (the
// layout is in docs/raw-dump.md). Every stored frame once, in file order:
// DIR/frame_NNNNN.raw (the 8-bit picture, top-down, then the 768-byte
// palette), and for every present track DIR/track_N.pcm and DIR/track_N.wav.
// Frames and tracks are numbered from 1 in names and messages, as everywhere.
#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cctype>
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
#include "tools/common/zorblax_failure.h"
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

// True for the names a dump writes: frame_NNNNN.raw, track_N.pcm, track_N.wav.
bool IsDumpName(const std::string &n)
{
    auto digits = [&n](size_t from, size_t count) {
        for (size_t i = from; i < from + count; ++i)
            if (i >= n.size() || n[i] < '0' || n[i] > '9')
                return false;
        return true;
    };
    if (n.size() == 15 && n.compare(0, 6, "frame_") == 0 && n.compare(11, 4, ".raw") == 0)
        return digits(6, 5);
    return n.size() == 11 && n.compare(0, 6, "track_") == 0 && n[6] >= '1' && n[6] <= '7' &&
           (n.compare(7, 4, ".pcm") == 0 || n.compare(7, 4, ".wav") == 0);
}

// The system's reason in the toolkit's words (lower case).
std::string Reason(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

class Dump {
public:
    Dump(const std::string &dir, const std::string &file, bool replace, bool quiet)
        : dir_(dir), file_(file), replace_(replace), quiet_(quiet)
    {}
    ~Dump()
    {
        ZorbClose(h_);
        // Nothing half-written is left behind: on failure every file this
        // run wrote goes, and the directories it made.
        for (auto it = written_.rbegin(); it != written_.rend(); ++it) {
            if (failed_)
                std::remove(it->c_str());
            PlatformCleanupRemove(it->c_str());
        }
        for (auto it = madeDirs_.rbegin(); it != madeDirs_.rend(); ++it) {
            if (failed_)
                ::rmdir(it->c_str());
            PlatformCleanupRemove(it->c_str());
        }
    }

    // The output directory: made (with its parents) when missing, else it
    // must be empty, or with /O it loses the files of an older dump (and
    // only those).
    bool PrepareDirectory()
    {
        struct stat st {};
        if (::stat(dir_.c_str(), &st) != 0) {
            std::string path;
            size_t from = 0;
            while (from <= dir_.size()) {
                const size_t slash = dir_.find('/', from);
                path = dir_.substr(0, slash == std::string::npos ? dir_.size() : slash);
                from = slash == std::string::npos ? dir_.size() + 1 : slash + 1;
                if (path.empty() || ::stat(path.c_str(), &st) == 0)
                    continue;
                PlatformCleanupAdd(path.c_str(), 1);
                madeDirs_.push_back(path);
                if (::mkdir(path.c_str(), 0777) != 0) {
                    const int e = errno;
                    Fail("Error creating " + dir_ + ": " + Reason(e));
                    return false;
                }
            }
            return true;
        }
        if (!S_ISDIR(st.st_mode)) {
            Fail("Error creating " + dir_ + ": " + Reason(ENOTDIR));
            return false;
        }
        std::error_code ec;
        std::vector<std::string> old;
        for (const auto &e : std::filesystem::directory_iterator(dir_, ec)) {
            const std::string n = e.path().filename().string();
            if (!replace_ || !IsDumpName(n)) {
                Fail("Error creating " + dir_ + ": the directory is not empty (use /O to replace an older dump)");
                return false;
            }
            old.push_back(e.path().string());
        }
        if (ec) {
            Fail("Error creating " + dir_ + ": " + ec.message());
            return false;
        }
        for (const std::string &p : old)
            if (std::remove(p.c_str()) != 0) {
                const int e = errno;
                Fail("Error creating " + dir_ + ": " + p + ": " + Reason(e));
                return false;
            }
        return true;
    }

    int Run()
    {
        h_ = ZorbOpen(const_cast<char *>(file_.c_str()), 0, -1);
        if (!h_)
            return Fail("Error opening " + file_ + ": " + tool::ZorblaxFailure(file_));
        if (!PrepareDirectory())
            return 1;
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
                return Fail("Error reading " + file_ + ": frame " + std::to_string(i + 1) + " is damaged or cut off");
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
        if (!quiet_)
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
        PlatformCleanupAdd(path.c_str(), 0); // before it exists: no signal leaves it behind
        written_.push_back(path);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int e = errno;
            Fail("Error creating " + path + ": " + Reason(e));
            return false;
        }
        const bool wrote = zorb::platform::writeAll(fd, bytes.data(), bytes.size());
        const int saved = errno;
        if (::close(fd) != 0 || !wrote) {
            const int e = wrote ? errno : saved;
            Fail("Error writing " + path + ": " + Reason(e));
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
        PlatformCleanupAdd((dir_ + "/" + name).c_str(), 0);
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
    bool replace_ = false, quiet_ = false;
    std::vector<std::string> madeDirs_;
    ZorbHandle *h_ = nullptr;
    std::vector<std::unique_ptr<Track>> tracks_;
    std::vector<std::string> written_;
    bool failed_ = false;
};

// --dump - FILE: the same content as one stream on standard output (the
// layout is in docs/raw-dump.md): a header line, every frame record, then
// each track as a wave file behind a "TRACK N BYTES" line.
int DumpStream(const std::string &file, bool quiet)
{
    auto fail = [](const std::string &why) {
        std::fprintf(stderr, "zbxinfo: %s\n", why.c_str());
        return 1;
    };
    std::unique_ptr<ZorbHandle, void (*)(ZorbHandle *)> h(ZorbOpen(const_cast<char *>(file.c_str()), 0, -1), ZorbClose);
    if (!h)
        return fail("Error opening " + file + ": " + tool::ZorblaxFailure(file));
    const uint64_t pixels = uint64_t{h->Width} * h->Height;
    if (pixels > (uint64_t{1} << 28))
        return fail(file + ": picture too large to dump");
    std::vector<uint8_t> picture(static_cast<size_t>(pixels) + 768, 0);
    if (pixels)
        ZorbSetOutput(h.get(), 0, 0, h->Width, h->Height, picture.data(), 0);
    std::vector<unsigned> tracks;
    for (unsigned n = 0; n < ZBX_MAX_TRACKS; ++n)
        if ((h->AudioFormat[n] & ZBX_AUDIO_PRESENT) && (h->AudioFormat[n] & ZBX_AUDIO_RATE_MASK))
            tracks.push_back(n);
    std::vector<std::vector<uint8_t>> pcm(tracks.size());
    const uint32_t frames = ZorbTableFrames(h.get());
    const std::string header = "ZBXDUMP 1 " + std::to_string(h->Width) + " " + std::to_string(h->Height) + " " +
                               std::to_string(frames) + " " + std::to_string(tracks.size()) + "\n";
    if (!zorb::platform::writeAll(1, header.data(), header.size()))
        return fail(std::string("Error writing standard output: ") + std::strerror(errno));
    std::vector<uint8_t> sound;
    for (uint32_t i = 0; i < frames; ++i) {
        if (i > 0)
            ZorbAdvanceFrame(h.get());
        if (h->ReadFailed || h->CurrentFrame != i)
            return fail("Error reading " + file + ": frame " + std::to_string(i + 1) + " is damaged or cut off");
        ZorbDecodeFrame(h.get());
        std::memcpy(picture.data() + pixels, h->Palette, 768);
        if (!zorb::platform::writeAll(1, picture.data(), picture.size()))
            return fail(std::string("Error writing standard output: ") + std::strerror(errno));
        for (size_t t = 0; t < tracks.size(); ++t) {
            if (!FrameSound(h.get(), tracks[t], sound))
                return fail(file + ": damaged sound chunk at frame " + std::to_string(i + 1));
            pcm[t].insert(pcm[t].end(), sound.begin(), sound.end());
        }
    }
    for (size_t t = 0; t < tracks.size(); ++t) {
        const uint32_t f = h->AudioFormat[tracks[t]];
        const uint32_t channels = f & ZBX_AUDIO_STEREO ? 2 : 1, bits = f & ZBX_AUDIO_16BIT ? 16 : 8;
        const uint32_t rate = f & ZBX_AUDIO_RATE_MASK, size = static_cast<uint32_t>(pcm[t].size());
        if (pcm[t].size() > 0xFFFFFF00u)
            return fail(TrackName(tracks[t]) + " is too long for a wave file");
        std::vector<uint8_t> wave(44);
        auto put = [&wave](size_t at, uint32_t v, int n) {
            for (int k = 0; k < n; ++k)
                wave[at + k] = static_cast<uint8_t>(v >> (8 * k));
        };
        std::memcpy(wave.data(), "RIFF", 4);
        put(4, 36 + size, 4);
        std::memcpy(wave.data() + 8, "WAVEfmt ", 8);
        put(16, 16, 4);
        put(20, 1, 2);
        put(22, channels, 2);
        put(24, rate, 4);
        put(28, rate * channels * bits / 8, 4);
        put(32, channels * bits / 8, 2);
        put(34, bits, 2);
        std::memcpy(wave.data() + 36, "data", 4);
        put(40, size, 4);
        wave.insert(wave.end(), pcm[t].begin(), pcm[t].end());
        const std::string line = "TRACK " + std::to_string(tracks[t] + 1) + " " + std::to_string(wave.size()) + "\n";
        if (!zorb::platform::writeAll(1, line.data(), line.size()) ||
            !zorb::platform::writeAll(1, wave.data(), wave.size()))
            return fail(std::string("Error writing standard output: ") + std::strerror(errno));
    }
    if (!quiet)
        std::fprintf(stderr, "zbxinfo: %s: %u frames and %zu sound tracks written to standard output\n", file.c_str(),
                     frames, tracks.size());
    return 0;
}

} // namespace

namespace tool::zbxinfo {

int DumpFile(const std::string &dir, const std::string &file, bool replace, bool quiet)
{
    if (dir == "-")
        return DumpStream(file, quiet);
    PlatformInterruptInstall();
    Dump d(dir, file, replace, quiet);
    return d.Run();
}

} // namespace tool::zbxinfo
