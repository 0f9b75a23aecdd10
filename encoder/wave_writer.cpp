// PCM wave files: a 44-byte header whose sizes are filled in when the data
// is complete, the data, and a pad byte after an odd-sized data chunk.
#include <cerrno>
#include <cstring>

#include "encoder/writer_internal.h"

namespace zenc {

namespace {

constexpr uint64_t kHeaderBytes = 44;
// The RIFF size field counts everything after it and must fit in 32 bits.
constexpr uint64_t kMaxData = 0xFFFFFFFFull - (kHeaderBytes - 8) - 1;

void Put16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t *p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

void WaveHeader(uint32_t rate, uint32_t bits, uint32_t channels, uint64_t dataBytes, uint8_t out[44]) {
    const uint32_t block = channels * bits / 8;
    const uint32_t data = static_cast<uint32_t>(dataBytes);
    std::memcpy(out, "RIFF", 4);
    Put32(out + 4, static_cast<uint32_t>(kHeaderBytes - 8 + dataBytes + (dataBytes & 1)));
    std::memcpy(out + 8, "WAVEfmt ", 8);
    Put32(out + 16, 16);
    Put16(out + 20, 1);
    Put16(out + 22, channels);
    Put32(out + 24, rate);
    Put32(out + 28, rate * block);
    Put16(out + 32, block);
    Put16(out + 34, bits);
    std::memcpy(out + 36, "data", 4);
    Put32(out + 40, data);
}

WaveWriter::~WaveWriter() {
    if (file_) std::fclose(file_);
}

bool WaveWriter::Open(const std::string &path, uint32_t rate, uint32_t bits, uint32_t channels, std::string &error) {
    if (file_) std::fclose(file_);
    path_ = path;
    rate_ = rate;
    bits_ = bits;
    channels_ = channels;
    data_ = 0;
    failed_ = false;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "Error creating " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t head[kHeaderBytes];
    WaveHeader(rate, bits, channels, 0, head);
    failed_ = std::fwrite(head, 1, sizeof head, file_) != sizeof head;
    return true;
}

bool WaveWriter::Write(const void *data, size_t size) {
    if (!file_ || failed_) return false;
    if (size > kMaxData - data_) {
        tooLong_ = true;
        failed_ = true;
        return false;
    }
    if (size && std::fwrite(data, 1, size, file_) != size) failed_ = true;
    data_ += size;
    return !failed_;
}

bool WaveWriter::Close(std::string &error) {
    if (!file_) {
        error = "Error: the wave file " + path_ + " was never opened.";
        return false;
    }
    if (!failed_ && (data_ & 1)) failed_ = std::fputc(0, file_) == EOF;
    uint8_t head[kHeaderBytes];
    WaveHeader(rate_, bits_, channels_, data_, head);
    if (!failed_) failed_ = std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(head, 1, sizeof head, file_) != sizeof head;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) {
        error = tooLong_ ? "Error: the sound does not fit in a wave file (4 GB at most)."
                         : "Error writing " + path_ + " (disk full?).";
        return false;
    }
    return true;
}

uint64_t WaveWriter::FileBytes() const { return kHeaderBytes + data_ + (data_ & 1); }

}  // namespace zenc
