// Animated GIF output through giflib. Frames (8-bit indices with their
// palette) are kept in a temporary file until the end, so that the colour
// tables can be chosen from all of them: one global table when every frame's
// colours fit in 256 (plus a transparent entry where there is room), else the
// first palette's colours as the global table and a local table, holding only
// the colours of the frame's rectangle, on frames whose palette is not
// covered by it. Each later frame stores only the rectangle that changed,
// written both plainly and with unchanged pixels as transparency, and the
// smaller one is kept. Delays are centiseconds rounded from the exact frame
// times, so the total time stays exact; the file loops. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_GIF_WRITER_H
#define ZORB_VEXUTIL_GRAPHICS_GIF_WRITER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vex {

class GifAnimWriter {
public:
    // period: the frame period in 10-microsecond units. Null with a reason
    // when the temporary file cannot be made.
    static std::unique_ptr<GifAnimWriter> Create(uint32_t width, uint32_t height, int64_t period, std::string &error);
    virtual ~GifAnimWriter() = default;
    // pixels: width x height indices, rows without padding; palette: 768
    // bytes red, green, blue. False once anything failed.
    virtual bool PutFrame(const uint8_t *pixels, const uint8_t *palette) = 0;
    // Encodes the file and hands its bytes to write in order; false (with a
    // reason) when encoding or a write failed.
    using Sink = std::function<bool(const uint8_t *, size_t)>;
    virtual bool Finish(const Sink &write, std::string &error) = 0;
};

} // namespace vex

#endif
