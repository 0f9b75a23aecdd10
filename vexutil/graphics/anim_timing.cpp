// Choosing one frame time for an animated input with per-frame durations.
#include "vexutil/graphics/anim_timing.h"

#include <algorithm>
#include <numeric>

namespace vex {

AnimTiming ChooseAnimTiming(const std::vector<int64_t> &durations, int64_t tolerance)
{
    AnimTiming t;
    const size_t n = durations.size();
    t.repeats.assign(n, 1);
    t.delivered = n;
    if (n == 0)
        return t;
    const int64_t total = std::accumulate(durations.begin(), durations.end(), int64_t(0));
    const auto [lo, hi] = std::minmax_element(durations.begin(), durations.end());
    int64_t period = (total + static_cast<int64_t>(n) / 2) / static_cast<int64_t>(n);
    if (*hi - *lo > tolerance) {
        int64_t step = 0;
        for (int64_t d : durations)
            step = std::gcd(step, d);
        if (step > 0 && total / step <= 4 * static_cast<int64_t>(n)) {
            period = step;
            t.delivered = 0;
            for (size_t i = 0; i < n; ++i) {
                t.repeats[i] = static_cast<uint32_t>(durations[i] / step);
                t.delivered += t.repeats[i];
            }
        }
    }
    t.frameTime = -static_cast<int32_t>(std::clamp<int64_t>(period, 1, INT32_MAX));
    return t;
}

} // namespace vex
