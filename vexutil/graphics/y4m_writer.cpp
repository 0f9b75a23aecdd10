// YUV4MPEG2 stream output.
#include "vexutil/graphics/y4m_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "vexutil/graphics/anim_timing.h"

namespace vex {

void FrameRateFraction(int32_t frameTime, uint32_t *numerator, uint32_t *denominator)
{
    uint64_t num = 100000, den = static_cast<uint64_t>(FramePeriodUnits(frameTime));
    if (frameTime > 0)
        num = 1000, den = static_cast<uint64_t>(frameTime);
    const uint64_t g = std::gcd(num, den);
    *numerator = static_cast<uint32_t>(num / g);
    *denominator = static_cast<uint32_t>(den / g);
}

void RgbToYcbcr(uint8_t r, uint8_t g, uint8_t b, uint8_t *y, uint8_t *cb, uint8_t *cr)
{
    *y = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    *cb = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    *cr = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

bool Y4mWriter::Write(const void *data, size_t size, std::string &error)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "nothing could be written";
            return false;
        }
        p += n, size -= static_cast<size_t>(n), size_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool Y4mWriter::Open(int fd, uint32_t width, uint32_t height, int32_t frameTime, std::string &error)
{
    fd_ = fd;
    w_ = width, h_ = height;
    uint32_t num = 0, den = 0;
    FrameRateFraction(frameTime, &num, &den);
    char header[128];
    const int n = std::snprintf(header, sizeof header, "YUV4MPEG2 W%u H%u F%u:%u Ip A1:1 C444 XCOLORRANGE=LIMITED\n",
                                width, height, num, den);
    frame_.resize(6 + static_cast<size_t>(width) * height * 3);
    std::memcpy(frame_.data(), "FRAME\n", 6);
    return Write(header, static_cast<size_t>(n), error);
}

bool Y4mWriter::PutFrame(const uint8_t *bgrx, size_t stride, std::string &error)
{
    const size_t plane = static_cast<size_t>(w_) * h_;
    uint8_t *y = frame_.data() + 6, *cb = y + plane, *cr = cb + plane;
    for (uint32_t row = 0; row < h_; ++row) {
        const uint8_t *s = bgrx + row * stride;
        for (uint32_t x = 0; x < w_; ++x, s += 4, ++y, ++cb, ++cr)
            RgbToYcbcr(s[2], s[1], s[0], y, cb, cr);
    }
    return Write(frame_.data(), frame_.size(), error);
}

} // namespace vex
