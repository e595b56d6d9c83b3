#include "reference_deblur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace enginetest {
namespace {

using engine::Complex;
constexpr int N = engine::ClassFFT::kTileSize;
constexpr std::size_t kTile = std::size_t(N) * N;

using Ints = std::vector<std::vector<int32_t>>;

Ints EdgeMask(const Ints& in, int height, int width, int white, int threshold) {
    Ints z = in;
    const int t = 600000 / white;
    for (int r = 2; r <= height - 2; ++r)
        for (int c = 2; c <= width - 2; ++c) {
            const int a = in[r - 1][c - 1], b = in[r - 1][c], d = in[r - 1][c + 1];
            const int e = in[r][c - 1], f = in[r][c + 1];
            const int g = in[r + 1][c - 1], h = in[r + 1][c], k = in[r + 1][c + 1];
            const int s = ((a + 2 * b + d) - (g + 2 * h + k)) + ((d + 2 * f + k) - (a + 2 * e + g));
            z[r][c] = int(std::min(float(t) * std::fabs(float(s)), float(white)));
        }
    for (auto& row : z)
        for (int32_t& v : row) v = std::max(v - threshold, 0);
    const Ints y = z;
    double g[25];
    engine::ClassFFT::GaussianKernel(2, g, 1.5);
    double gsum = 0.0;
    for (double w : g) gsum += w;
    for (int r = 2; r <= height - 3; ++r)
        for (int c = 2; c <= width - 3; ++c) {
            double sum = 0.0;
            for (int i = -2; i <= 2; ++i)
                for (int j = -2; j <= 2; ++j) sum += y[r + i][c + j] * g[(i + 2) * 5 + (j + 2)];
            z[r][c] = int(sum / gsum);
        }
    return z;
}

}  // namespace

void ReferenceDeblur(const engine::ClassFFT& settings, platform::ImagePlane16& image, int rowOffset, int columnOffset,
                     int white) {
    const int height = image.Height();
    const int width = image.Width();
    Ints in(height, std::vector<int32_t>(width));
    for (int r = 0; r < height; ++r) std::copy(image.Row(r), image.Row(r) + width, in[r].begin());

    engine::ClassFFT builder("");
    builder.kernelPanel = settings.kernelPanel;
    builder.kernelSmoothing = settings.kernelSmoothing;
    std::vector<Complex> kernel(kTile);
    builder.BuildKernel(kernel.data(), N);
    engine::ClassFFT::FFT2D(kernel.data(), N, 1, nullptr);

    std::vector<Complex> p(kTile);
    p[0] = 4.0;
    p[1] = p[N] = p[N - 1] = p[std::size_t(N - 1) * N] = -1.0;
    engine::ClassFFT::FFT2D(p.data(), N, 1, nullptr);
    const double gamma = std::pow(1.07, std::min(settings.lowPass, 200)) * 0.0001;
    std::vector<double> weight(kTile);
    for (std::size_t k = 0; k < kTile; ++k) {
        const double pp = p[k].real() * p[k].real() + p[k].imag() * p[k].imag();
        const double hh = kernel[k].real() * kernel[k].real() + kernel[k].imag() * kernel[k].imag();
        const double d = gamma * pp + hh;
        weight[k] = d != 0.0 ? kernel[k].real() / d : 0.0;
    }

    const int step = (N >= width && N >= height) ? N : N / 2;
    const bool masked = settings.maskThreshold != 0;
    const Ints mask = masked ? EdgeMask(in, height, width, white, settings.maskThreshold) : Ints();
    const int margin = std::abs(settings.localization - settings.localizationMax);

    std::vector<Complex> tile(kTile);
    for (int tileRow = 0; tileRow < height; tileRow += step)
        for (int tileCol = 0; tileCol < width; tileCol += step) {
            const int rows = std::min(N, height - tileRow);
            const int cols = std::min(N, width - tileCol);
            std::fill(tile.begin(), tile.end(), Complex());
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) tile[std::size_t(r) * N + c] = double(in[tileRow + r][tileCol + c]);
            engine::ClassFFT::FFT2D(tile.data(), N, 1, nullptr);
            for (std::size_t k = 0; k < kTile; ++k) tile[k] *= weight[k];
            engine::ClassFFT::FFT2D(tile.data(), N, -1, nullptr);

            for (int r = tileRow > 0 ? N / 4 : 0; r < rows; ++r)
                for (int c = tileCol > 0 ? N / 4 : 0; c < cols; ++c) {
                    const int row = tileRow + r, col = tileCol + c;
                    const int i = in[row][col];
                    double v = tile[std::size_t(r) * N + c].real() * (1.0 / (double(N) * double(N)));
                    const bool bounded = settings.localization > 0 && row >= 2 && row <= height - 3 && col >= 2 &&
                                         col <= width - 3;
                    int lo = i, hi = i;
                    if (bounded) {
                        for (int wr = row - 2; wr <= row + 2; ++wr)
                            for (int wc = col - 2; wc <= col + 2; ++wc) {
                                lo = std::min(lo, in[wr][wc]);
                                hi = std::max(hi, in[wr][wc]);
                            }
                        lo = std::max(lo - margin, 0);
                        hi = std::min(hi + margin, white);
                    }
                    v = std::min(std::max(v, 0.0), double(white));
                    if (bounded) {
                        if (lo < white) v = std::max(v, double(lo));
                        if (hi > 0) v = std::min(v, double(hi));
                    }
                    if (masked) {
                        const int z = mask[row][col];
                        v = z > 0 ? i - (i - v) / white * z : i;
                    }
                    int depth = 0;
                    for (const auto& circle : settings.circles) {
                        depth = circle->Depth(row + rowOffset, col + columnOffset);
                        const int tw = circle->transitionWidth;
                        if (depth >= 0 && depth < tw) v = v + float(i - v) * (tw - depth) / tw;
                        if (depth > -1) break;
                    }
                    if (depth <= -1) continue;
                    image.MutableRow(row)[col] = uint16_t(std::min(std::max(v, 0.0), 65535.0));
                }
        }
}

}  // namespace enginetest
