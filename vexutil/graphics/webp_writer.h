// Animated lossless WebP output through libwebp's animation encoder: every
// frame lossless, start times in milliseconds rounded from the exact frame
// times (the total stays exact), looping forever. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_WEBP_WRITER_H
#define ZORB_VEXUTIL_GRAPHICS_WEBP_WRITER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vex {

class WebpAnimWriter {
public:
    // period: the frame period in 10-microsecond units.
    static std::unique_ptr<WebpAnimWriter> Create(uint32_t width, uint32_t height, int64_t period, std::string &error);
    virtual ~WebpAnimWriter() = default;
    // pixels: blue, green, red, unused per pixel, rows stride bytes apart.
    virtual bool PutFrame(const uint8_t *bgrx, size_t stride, std::string &error) = 0;
    // The whole file.
    virtual bool Finish(std::vector<uint8_t> *file, std::string &error) = 0;
};

} // namespace vex

#endif
