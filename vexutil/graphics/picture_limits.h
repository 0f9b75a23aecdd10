// The largest pictures the graphics sources take.
#ifndef ZORB_VEXUTIL_GRAPHICS_PICTURE_LIMITS_H
#define ZORB_VEXUTIL_GRAPHICS_PICTURE_LIMITS_H

#include <cstdint>

namespace vex {

constexpr uint32_t kMaxPictureSide = 16384;
constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 26;
// An animation's screen is held several times over (the picture so far, the
// one under a frame that is taken away again, its colour indices), so it is
// kept smaller: 4096 x 4096.
constexpr uint64_t kMaxAnimationPixels = uint64_t(1) << 24;

// Whether a picture of width x height (neither 0) is within the limits: the
// side, and the pixels of one picture (kMaxPicturePixels) or of an animation's
// screen (kMaxAnimationPixels).
constexpr bool WithinPictureLimits(uint64_t width, uint64_t height, uint64_t maxPixels = kMaxPicturePixels)
{
    return width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= maxPixels;
}

} // namespace vex

#endif
