// Frame times of animated outputs and inputs. A frame time (positive
// milliseconds, or minus 10-microsecond units) becomes a period in
// 10-microsecond units; frame boundaries are rounded from the exact times so
// that rounding never accumulates (GIF delays in centiseconds, WebP and y4m
// times in milliseconds or as a fraction).
#ifndef ZORB_VEXUTIL_GRAPHICS_ANIM_TIMING_H
#define ZORB_VEXUTIL_GRAPHICS_ANIM_TIMING_H

#include <cstdint>
#include <vector>

namespace vex {

constexpr int64_t kUnitsPerCentisecond = 1000; // 10-microsecond units
constexpr int64_t kUnitsPerMillisecond = 100;

// The frame period in 10-microsecond units; no frame time means 100 ms.
inline int64_t FramePeriodUnits(int32_t frameTime)
{
    if (frameTime < 0)
        return -static_cast<int64_t>(frameTime);
    if (frameTime > 0)
        return static_cast<int64_t>(frameTime) * kUnitsPerMillisecond;
    return 100 * kUnitsPerMillisecond;
}

// The start of frame `index` (or the end of the last one, index = count)
// rounded to the nearest multiple of `unit`, counted in units.
inline int64_t RoundedFrameStart(int64_t index, int64_t period, int64_t unit)
{
    return (index * period + unit / 2) / unit;
}

// How an animated input with per-frame durations (10-microsecond units) is
// delivered at one frame time: the frame time, and how often each frame is
// delivered. Durations that differ by at most `tolerance` (the rounding of the
// file's time unit) give their exact mean with every frame once; other
// durations are kept by repeating frames at their common divisor when that at
// most quadruples the frames, and otherwise give the mean.
struct AnimTiming {
    int32_t frameTime = -10000;
    std::vector<uint32_t> repeats;
    uint64_t delivered = 0; // sum of repeats
};
AnimTiming ChooseAnimTiming(const std::vector<int64_t> &durations, int64_t tolerance);

} // namespace vex

#endif
