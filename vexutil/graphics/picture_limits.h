// The largest picture any graphics source takes: a side, and all its pixels.
#ifndef ZORB_VEXUTIL_GRAPHICS_PICTURE_LIMITS_H
#define ZORB_VEXUTIL_GRAPHICS_PICTURE_LIMITS_H

#include <cstdint>

namespace vex {

constexpr uint32_t kMaxPictureSide = 16384;
constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 26;

} // namespace vex

#endif
