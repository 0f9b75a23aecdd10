// PCM wave files: the platform's RIFF writer fills the header's sizes in
// when the data is complete and pads odd-sized data.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "encoder/writer_internal.h"

namespace zenc {

namespace {

// The RIFF size field counts everything after it and must fit in 32 bits.
constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36 - 1;

}  // namespace

WaveWriter::~WaveWriter() {
    if (fd_ >= 0) close(fd_);
}

bool WaveWriter::Open(const std::string &path, uint32_t rate, uint32_t bits, uint32_t channels, std::string &error) {
    if (fd_ >= 0) close(fd_);
    path_ = path;
    data_ = 0;
    tooLong_ = false;
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error = "Error creating " + path + ": " + std::strerror(errno);
        return false;
    }
    PlatformRiffStart(&riff_, fd_);
    PlatformWaveBegin(&riff_, rate, channels, bits);
    return true;
}

bool WaveWriter::Write(const void *data, size_t size) {
    if (fd_ < 0 || riff_.failed) return false;
    if (size > kMaxData - data_) {
        tooLong_ = true;
        riff_.failed = 1;
        return false;
    }
    data_ += size;
    return PlatformRiffWrite(&riff_, data, size) != 0;
}

bool WaveWriter::Close(std::string &error) {
    if (fd_ < 0) {
        error = "Error: the wave file " + path_ + " was never opened.";
        return false;
    }
    // The pad byte after odd data counts in the RIFF chunk.
    bool ok = PlatformRiffEnd(&riff_) && PlatformRiffPad(&riff_) && PlatformRiffEnd(&riff_);
    if (close(fd_) != 0) ok = false;
    fd_ = -1;
    if (!ok) {
        error = tooLong_ ? "Error: the sound does not fit in a wave file (4 GB at most)."
                         : "Error writing " + path_ + " (disk full?).";
        return false;
    }
    return true;
}

}  // namespace zenc
