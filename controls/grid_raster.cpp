#include "controls/grid_raster.h"

#include <algorithm>
#include <cstdlib>

namespace controls {

namespace {

// k * d / n rounded to the nearest integer, halves away from zero (n > 0).
int RoundedStep(int k, int d, int n) {
    const long long twice = 2LL * k * std::abs(d) + n;
    const int magnitude = static_cast<int>(twice / (2LL * n));
    return d < 0 ? -magnitude : magnitude;
}

}  // namespace

void ForEachLinePixel(int x0, int y0, int x1, int y1, const PixelVisitor& visit) {
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int k = 0; k < steps; ++k)
        visit(x0 + RoundedStep(k, dx, steps), y0 + RoundedStep(k, dy, steps));
}

void ForEachDiscPixel(int r, int boxLimit, const PixelVisitor& visit) {
    if (r < 0)
        return;
    // Integer form of (i - r)^2 + (j - r)^2 < (r + 0.5)^2.
    const long long limit = static_cast<long long>(r) * r + r;
    const int last = static_cast<int>(std::min<long long>(2LL * r, boxLimit - 1LL));
    for (int i = 0; i <= last; ++i) {
        for (int j = 0; j <= last; ++j) {
            const long long di = i - static_cast<long long>(r);
            const long long dj = j - static_cast<long long>(r);
            if (di * di + dj * dj <= limit)
                visit(i, j);
        }
    }
}

}  // namespace controls
