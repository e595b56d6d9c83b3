#include "engine/edge_mask.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/class_fft.h"
#include "platform/parallel_run.h"

namespace engine {
namespace {

constexpr int kEdgeScale = 600000;
// Mask rows per band on the worker threads.
constexpr int kBandRows = 64;
// The smoothing reads this many Sobel rows on either side of its own.
constexpr int kReach = 2;

// Sobel rows first .. first + count - 1 of a band, held by its worker.
struct SobelRows {
    const int32_t* Row(int r) const { return base + std::size_t(r - first) * std::size_t(width); }
    const int32_t* base;
    int first;
    int width;
};

// One row of the thresholded Sobel response; rows and columns where the
// 3 x 3 window does not fit keep the input sample.
void SobelRow(const SamplePlane& in, int r, int height, int width, int white, int threshold, int32_t* out) {
    const uint16_t* mid = in.Row(r);
    std::copy(mid, mid + width, out);
    if (r >= 2 && r <= height - 2) {
        const int t = kEdgeScale / white;
        const uint16_t* up = in.Row(r - 1);
        const uint16_t* down = in.Row(r + 1);
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
template <typename Sample>
void SmoothRow(const SobelRows& z, int r, int height, int width, const double* g, double gsum, double* sum,
               Sample* out) {
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

template <typename MaskPlane>
bool EdgeMask(const SamplePlane& in, int height, int width, int white, int threshold, MaskPlane& mask,
              const std::function<bool()>& stop) {
    double g[25];
    ClassFFT::GaussianKernel(2, g, 1.5);
    double gsum = 0.0;
    for (double w : g) gsum += w;

    // Each band works out the Sobel rows it smooths, a few beyond its own, so no
    // whole plane of them is ever held.
    struct Scratch {
        std::vector<int32_t> sobel;
        std::vector<double> sums;
    };
    std::vector<Scratch> scratch(static_cast<std::size_t>(platform::WorkerCount()));
    const int bands = height > 0 ? (height - 1) / kBandRows + 1 : 0;
    const auto runBand = [&](int band, int worker) {
        const int first = band * kBandRows;
        const int last = std::min(height, first + kBandRows);
        const int sobelFirst = std::max(first - kReach, 0);
        const int sobelLast = std::min(last + kReach, height);
        Scratch& s = scratch[std::size_t(worker)];
        s.sobel.resize(std::size_t(sobelLast - sobelFirst) * std::size_t(width));
        s.sums.resize(std::size_t(std::max(width, 1)));
        for (int r = sobelFirst; r < sobelLast; ++r)
            SobelRow(in, r, height, width, white, threshold, s.sobel.data() + std::size_t(r - sobelFirst) * width);
        const SobelRows z{s.sobel.data(), sobelFirst, width};
        for (int r = first; r < last; ++r) SmoothRow(z, r, height, width, g, gsum, s.sums.data(), mask.Row(r));
    };
    return platform::RunParallel(bands, runBand, nullptr, stop);
}

template bool EdgeMask(const SamplePlane&, int, int, int, int, SamplePlane&, const std::function<bool()>&);
template bool EdgeMask(const SamplePlane&, int, int, int, int, IntPlane&, const std::function<bool()>&);

}  // namespace engine
