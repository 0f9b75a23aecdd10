// YUV4MPEG2 stream output for video encoders: a header with the size, the
// frame rate as a fraction, progressive frames, square pixels and 4:4:4
// sampling, then per frame "FRAME" and the Y, Cb and Cr planes (BT.601,
// limited range, as encoders assume). Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_Y4M_WRITER_H
#define ZORB_VEXUTIL_GRAPHICS_Y4M_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vex {

// The frame rate of a frame time (positive milliseconds, or minus
// 10-microsecond units) as a reduced fraction.
void FrameRateFraction(int32_t frameTime, uint32_t *numerator, uint32_t *denominator);

// One pixel in limited-range BT.601 (the conversion every frame uses).
void RgbToYcbcr(uint8_t r, uint8_t g, uint8_t b, uint8_t *y, uint8_t *cb, uint8_t *cr);

class Y4mWriter {
public:
    // Writes the header to fd (a file, or a pipe such as standard output).
    bool Open(int fd, uint32_t width, uint32_t height, int32_t frameTime, std::string &error);
    // pixels: blue, green, red, unused per pixel, rows stride bytes apart.
    bool PutFrame(const uint8_t *bgrx, size_t stride, std::string &error);
    uint64_t Size() const { return size_; }

private:
    bool Write(const void *data, size_t size, std::string &error);
    int fd_ = -1;
    uint32_t w_ = 0, h_ = 0;
    uint64_t size_ = 0;
    std::vector<uint8_t> frame_;
};

} // namespace vex

#endif
