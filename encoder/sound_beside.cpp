// Sound beside a y4m stream (see the header).
#include "encoder/sound_beside.h"
#include "codec/format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zenc {
namespace {

int Quiet(const char *, int)
{
    return 0;
}

} // namespace

std::string SoundBesideName(const std::string &output)
{
    if (output == "-")
        return {};
    const char *ext = HasExtension(output.c_str());
    return (ext ? output.substr(0, static_cast<size_t>(ext - output.c_str())) : output) + ".wav";
}

SoundBeside::~SoundBeside()
{
    Abandon();
}

void SoundBeside::Close()
{
    if (sound_)
        SFileClose(sound_);
    sound_ = nullptr;
    file_.Discard();
    if (pipe_ && fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void SoundBeside::Abandon()
{
    Close();
    if (finished_) {
        ::unlink(target_.c_str());
        PlatformCleanupRemove(target_.c_str());
        finished_ = false;
    }
}

void SoundBeside::Keep()
{
    if (finished_)
        PlatformCleanupRemove(target_.c_str());
    finished_ = false;
}

bool SoundBeside::Open(const char *input, int32_t first, int32_t last, const std::string &target, bool overwrite,
                       std::string &error, bool *declined)
{
    target_ = target;
    sound_ = SFileOpen(input, 0, 0, 0, first > 1 ? -first : 0, last > 0 ? -last : 0, 0, 0, 0, Quiet);
    if (!sound_ || sound_->outputFrameSize <= 0 || sound_->rate <= 0) {
        error = std::string("Error: ") + input + " has no sound for " + target + ".";
        return false;
    }
    frameBytes_ = static_cast<uint32_t>(sound_->outputFrameSize);
    rate_ = static_cast<uint32_t>(sound_->rate);
    declared_ = std::min<uint64_t>(sound_->total / frameBytes_ * frameBytes_, 0xFFFFFFFFu - 36 - frameBytes_);
    struct stat st;
    pipe_ = ::stat(target.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
    if (!pipe_) {
        if (!overwrite && ::stat(target.c_str(), &st) == 0 && !::overwrite(target.c_str())) {
            *declined = true;
            return false;
        }
        if (!file_.Create(target, error))
            return false;
        fd_ = file_.Fd();
    }
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    ZbxPut32(h + 4, static_cast<uint32_t>(36 + declared_));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    ZbxPut32(h + 16, 16);
    ZbxPut16(h + 20, 1);
    ZbxPut16(h + 22, static_cast<uint32_t>(sound_->channels));
    ZbxPut32(h + 24, rate_);
    ZbxPut32(h + 28, rate_ * frameBytes_);
    ZbxPut16(h + 32, frameBytes_);
    ZbxPut16(h + 34, static_cast<uint32_t>(sound_->bits));
    std::memcpy(h + 36, "data", 4);
    ZbxPut32(h + 40, static_cast<uint32_t>(declared_));
    return Send(h, sizeof h, false, error);
}

// To the file, or to the pipe once it has a reader (waiting for one when
// asked); until then into pending_.
bool SoundBeside::Send(const uint8_t *data, size_t size, bool wait, std::string &error)
{
    if (pipe_ && fd_ < 0) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | (wait ? 0 : O_NONBLOCK));
        if (fd_ < 0 && (wait || errno != ENXIO)) {
            error = "Error opening " + target_ + ": " + std::strerror(errno) + ".";
            return false;
        }
        if (fd_ >= 0)
            ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
    if (fd_ < 0) {
        pending_.insert(pending_.end(), data, data + size);
        return true;
    }
    if (!pending_.empty()) {
        std::vector<uint8_t> held;
        held.swap(pending_);
        if (!Send(held.data(), held.size(), wait, error))
            return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "Error writing " + target_ + ": " + (n < 0 ? std::strerror(errno) : "nothing written") + ".";
            return false;
        }
        data += n, size -= static_cast<size_t>(n);
    }
    return true;
}

// Takes the samples up to byte upTo of the data from the source (silence
// past its end) and sends them on.
bool SoundBeside::Take(uint64_t upTo, std::string &error)
{
    upTo = std::min(upTo, declared_);
    std::vector<uint8_t> block;
    while (taken_ < upTo) {
        const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(upTo - taken_, 1u << 16));
        block.assign(want, sound_->bits == 8 ? 0x80 : 0);
        for (uint32_t got = 0; got < want && !sound_->done;) { // what the source lacks stays silent
            const uint32_t n = SFileGet(sound_, block.data() + got, want - got);
            if (n == 0)
                break;
            got += n;
        }
        if (!Send(block.data(), want, false, error))
            return false;
        taken_ += want;
    }
    return true;
}

bool SoundBeside::Until(uint64_t frames, int64_t period, std::string &error)
{
    if (!sound_)
        return true;
    const uint64_t ticks = frames * static_cast<uint64_t>(period); // 10-microsecond units
    const uint64_t sampleFrames = ticks / 100000 * rate_ + ticks % 100000 * rate_ / 100000;
    return Take(sampleFrames * frameBytes_, error);
}

bool SoundBeside::Finish(std::string &error)
{
    if (!sound_)
        return true;
    bool ok = Take(declared_, error) && Send(nullptr, 0, true, error);
    if (ok && !pipe_) {
        PlatformCleanupAdd(target_.c_str(), 0); // before the rename: no signal leaves it behind
        ok = file_.Commit(44 + declared_, error);
        if (!ok)
            PlatformCleanupRemove(target_.c_str()); // not ours: an older file of the name stays
        finished_ = ok;
    }
    Close();
    return ok;
}

} // namespace zenc
