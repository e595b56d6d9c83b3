#include "engine/edge_mask.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/class_fft.h"
#include "platform/parallel_run.h"

namespace engine {
namespace {

constexpr int kEdgeScale = 600000;

// One row of the thresholded Sobel response; rows and columns where the
// 3 x 3 window does not fit keep the input sample.
void SobelRow(const IntPlane& in, int r, int height, int width, int white, int threshold, int32_t* out) {
    const int32_t* mid = in.Row(r);
    std::copy(mid, mid + width, out);
    if (r >= 2 && r <= height - 2) {
        const int t = kEdgeScale / white;
        const int32_t* up = in.Row(r - 1);
        const int32_t* down = in.Row(r + 1);
        for (int c = 2; c <= width - 2; ++c) {
            const int a = up[c - 1], b = up[c], d = up[c + 1];
            const int e = mid[c - 1], f = mid[c + 1];
            const int g = down[c - 1], h = down[c], k = down[c + 1];
            // One signed sum of both directions, not a gradient magnitude.
            const int s = ((a + 2 * b + d) - (g + 2 * h + k)) + ((d + 2 * f + k) - (a + 2 * e + g));
            out[c] = int(std::min(float(t) * std::fabs(float(s)), float(white)));
        }
    }
    for (int c = 0; c < width; ++c) out[c] = std::max(out[c] - threshold, 0);
}

// One row of the smoothed mask. Each sample sums its 25 products in the
// order rows outer, columns inner, so the result does not depend on how the
// loop is vectorised.
void SmoothRow(const IntPlane& z, int r, int height, int width, const double* g, double gsum, double* sum,
               int32_t* out) {
    const int32_t* own = z.Row(r);
    std::copy(own, own + width, out);
    if (r < 2 || r > height - 3 || width < 5) return;
    const int last = width - 3;
    std::fill(sum + 2, sum + last + 1, 0.0);
    for (int i = -2; i <= 2; ++i) {
        const int32_t* src = z.Row(r + i);
        for (int j = -2; j <= 2; ++j) {
            const double w = g[(i + 2) * 5 + (j + 2)];
            for (int c = 2; c <= last; ++c) sum[c] += src[c + j] * w;
        }
    }
    for (int c = 2; c <= last; ++c) out[c] = int(sum[c] / gsum);
}

}  // namespace

bool EdgeMask(const IntPlane& in, int height, int width, int white, int threshold, IntPlane& mask,
              const std::function<bool()>& stop) {
    IntPlane z(height, width);
    const bool sobelDone = platform::RunParallel(
        height, [&](int r, int) { SobelRow(in, r, height, width, white, threshold, z.Row(r)); }, nullptr, stop);
    if (!sobelDone) return false;

    double g[25];
    ClassFFT::GaussianKernel(2, g, 1.5);
    double gsum = 0.0;
    for (double w : g) gsum += w;
    std::vector<std::vector<double>> sums(platform::WorkerCount(), std::vector<double>(std::size_t(std::max(width, 1))));
    return platform::RunParallel(
        height, [&](int r, int worker) { SmoothRow(z, r, height, width, g, gsum, sums[worker].data(), mask.Row(r)); },
        nullptr, stop);
}

}  // namespace engine
