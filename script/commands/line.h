// Internal: the line of BITMAPLINE, BITMAPBOX and the screen's lines, an
// integer Bresenham walked from the upper end point, with only the points
// inside a width x height area visited.
#ifndef ZORB_SCRIPT_COMMANDS_LINE_H
#define ZORB_SCRIPT_COMMANDS_LINE_H

#include <algorithm>
#include <cstdint>
#include <utility>

namespace zscript {

namespace line_detail {

__extension__ typedef __int128 Wide;

// Offset along the minor axis after k steps along the major one: the row
// (or column) moves of the incremental walk, in closed form.
inline int64_t MinorOffset(int64_t major, int64_t minor, int64_t k)
{
    if (major == 0)
        return 0;
    constexpr int64_t kSmall = int64_t{1} << 30; // products stay below 2^62
    if (major < kSmall && minor < kSmall && k < kSmall)
        return (2 * minor * k + major) / (2 * major);
    return static_cast<int64_t>((Wide{2} * minor * k + major) / (Wide{2} * major));
}

} // namespace line_detail

// Calls plot(x, y) for every point of the line from (x1, y1) to (x2, y2), both
// ends included, that lies inside [0, width) x [0, height), in drawing order.
// The end points are ordered so that y1 <= y2; with dx = x2 - x1, n = y2 - y1,
// m = |dx| and step = +1 when dx > 0 else -1, a shallow line (n < m) starts
// with e = 2n - m and plots m + 1 points, x moving by step after each and the
// row moving down (e -= 2m) when e >= 0, then e += 2n; a steep line starts
// with e = 2m - n and plots n + 1 points, moving down after each and x by step
// (e += 2m - 2n) when e >= 0, else e += 2m. Points outside the area are
// skipped without being walked, so far-away end points cost nothing.
template <class Plot>
void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t width, int64_t height, Plot &&plot)
{
    using line_detail::MinorOffset;
    if (width <= 0 || height <= 0)
        return;
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int64_t dx = x2 - x1, n = y2 - y1;
    const int64_t step = dx > 0 ? 1 : -1;
    const int64_t m = dx > 0 ? dx : -dx;
    const bool shallow = n < m;
    const int64_t major = shallow ? m : n, minor = shallow ? n : m;

    // Point k: shallow (x1 + step k, y1 + q(k)), steep (x1 + step q(k), y1 + k),
    // q nondecreasing. The area bounds k directly on the major axis and q on the
    // minor one.
    auto axisRange = [](int64_t start, int64_t dir, int64_t size, int64_t &lo, int64_t &hi) {
        // offsets t with 0 <= start + dir t < size
        if (dir > 0) {
            lo = -start;
            hi = size - 1 - start;
        } else {
            lo = start - (size - 1);
            hi = start;
        }
    };
    int64_t kLo, kHi, qLo, qHi;
    if (shallow) {
        axisRange(x1, step, width, kLo, kHi);
        axisRange(y1, 1, height, qLo, qHi);
    } else {
        axisRange(y1, 1, height, kLo, kHi);
        axisRange(x1, step, width, qLo, qHi);
    }
    kLo = std::max<int64_t>(kLo, 0);
    kHi = std::min(kHi, major);
    if (kLo > kHi)
        return;
    const int64_t qFirst = MinorOffset(major, minor, kLo), qLast = MinorOffset(major, minor, kHi);
    if (qFirst > qHi || qLast < qLo)
        return;
    // First k with q(k) >= qLo, last k with q(k) <= qHi (no search when the
    // ends are inside already, as for most lines).
    int64_t a = kLo, b = qFirst >= qLo ? kLo : kHi;
    while (a < b) {
        const int64_t mid = a + (b - a) / 2;
        if (MinorOffset(major, minor, mid) >= qLo)
            b = mid;
        else
            a = mid + 1;
    }
    kLo = a;
    a = qLast <= qHi ? kHi : kLo;
    b = kHi;
    while (a < b) {
        const int64_t mid = a + (b - a + 1) / 2;
        if (MinorOffset(major, minor, mid) <= qHi)
            a = mid;
        else
            b = mid - 1;
    }
    kHi = a;

    // The incremental walk from kLo, its error term restored in closed form.
    int64_t q = MinorOffset(major, minor, kLo);
    int64_t e = kLo == 0 ? 2 * minor - major
                         : static_cast<int64_t>(line_detail::Wide{2} * minor - major +
                                                line_detail::Wide{2} * minor * kLo - line_detail::Wide{2} * major * q);
    const int64_t up = 2 * minor, down = 2 * major;
    if (shallow) {
        for (int64_t x = x1 + step * kLo, y = y1 + q, left = kHi - kLo; left >= 0; --left, x += step, e += up) {
            plot(x, y);
            if (e >= 0)
                ++y, e -= down;
        }
    } else {
        for (int64_t x = x1 + step * q, y = y1 + kLo, left = kHi - kLo; left >= 0; --left, ++y, e += up) {
            plot(x, y);
            if (e >= 0)
                x += step, e -= down;
        }
    }
}

} // namespace zscript

#endif
