// Readers of animated GIF (giflib) and animated WebP (libwebp's demuxer)
// files: the composed picture of every frame, in the order of the file, and
// how long it shows. Transparent areas come out black. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_ANIM_DECODER_H
#define ZORB_VEXUTIL_GRAPHICS_ANIM_DECODER_H

#include <cstdint>
#include <memory>
#include <string>

#include "vexutil/graphics/picture_limits.h"

namespace vex {

class AnimDecoder {
public:
    virtual ~AnimDecoder() = default;
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    // The next frame into bgrx (width x height pixels of blue, green, red and
    // a 0 byte) and its duration in 10-microsecond units; false after the
    // last frame, or when the file is damaged (then Damaged()).
    virtual bool Next(uint8_t *bgrx, int64_t *duration) = 0;
    // Starts again at the first frame; false when the file cannot be read again.
    virtual bool Rewind() = 0;
    bool Damaged() const { return damaged_; }

protected:
    uint32_t width_ = 0, height_ = 0;
    bool damaged_ = false;
};

// Null (with a reason) when the file is no GIF or WebP file that can be read.
std::unique_ptr<AnimDecoder> OpenGifAnimation(const std::string &path, std::string &error);
std::unique_ptr<AnimDecoder> OpenWebpAnimation(const std::string &path, std::string &error);

} // namespace vex

#endif
