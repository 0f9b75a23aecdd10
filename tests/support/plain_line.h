// The plain reference walk of a line as the script player draws it: integer
// Bresenham from the upper end point, both ends included, every point handed
// to plot (which clips). Tests and benchmarks check the drawing code with it.
#ifndef ZORB_TESTS_SUPPORT_PLAIN_LINE_H
#define ZORB_TESTS_SUPPORT_PLAIN_LINE_H

#include <cstdint>
#include <utility>

namespace zbxtest {

template <class Plot>
void PlainLineWalk(int64_t x1, int64_t y1, int64_t x2, int64_t y2, Plot plot)
{
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int64_t dx = x2 - x1, n = y2 - y1, step = dx > 0 ? 1 : -1, m = dx > 0 ? dx : -dx;
    int64_t x = x1, y = y1;
    if (n < m) {
        int64_t e = 2 * n - m;
        for (int64_t i = 0; i <= m; ++i) {
            plot(x, y);
            x += step;
            if (e >= 0) {
                ++y;
                e -= 2 * m;
            }
            e += 2 * n;
        }
    } else {
        int64_t e = 2 * m - n;
        for (int64_t i = 0; i <= n; ++i) {
            plot(x, y);
            ++y;
            if (e >= 0) {
                x += step;
                e += 2 * m - 2 * n;
            } else {
                e += 2 * m;
            }
        }
    }
}

} // namespace zbxtest

#endif
