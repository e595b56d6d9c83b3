// The bicubic resampler (weights, flat and linear images, areas, edges) and WarpRectilinear against the
// DNG format's formula, evaluated here on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "dng/dng_opcode_list.h"
#include "dng/dng_resample.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

// Source position of destination pixel (row, col) for square pixels, straight from the format's definition.
void Expected(const WarpPlane& k, double cx, double cy, double width, double height, double row, double col,
              double& srcRow, double& srcCol) {
    const double ch = cx * width, cv = cy * height;
    double m = 0;
    for (double v : {0.0, height})
        for (double h : {0.0, width}) m = std::max(m, std::hypot(h - ch, v - cv));
    const double dx = (col - ch) / m, dy = (row - cv) / m;
    const double r2 = std::min(dx * dx + dy * dy, 1.0);
    const double f = k.kr[0] + k.kr[1] * r2 + k.kr[2] * r2 * r2 + k.kr[3] * r2 * r2 * r2;
    const double dxT = k.kt[1] * (r2 + 2 * dx * dx) + 2 * k.kt[0] * dx * dy;
    const double dyT = k.kt[0] * (r2 + 2 * dy * dy) + 2 * k.kt[1] * dx * dy;
    srcCol = ch + m * (dx * f + dxT);
    srcRow = cv + m * (dy * f + dyT);
}

// A value linear in the position, which bicubic sampling reproduces.
uint16_t Ramp(uint32_t r, uint32_t c, uint32_t p) { return uint16_t(1000 + 40 * c + 25 * r + 300 * p); }

// A ramp image warped with `coefficients` about (cx, cy).
AutoPtr<dng_image> WarpedRamp(uint32_t width, uint32_t height, uint32_t planes,
                              const std::vector<WarpPlane>& coefficients, double cx, double cy) {
    dng_host host;
    AutoPtr<dng_image> image = MakeImage(host, width, height, planes, Ramp);
    dng_opcode_WarpRectilinear(0x01030000, 0, WarpRectilinearParameters(coefficients, cx, cy))
        .Apply(host, *host.Make_dng_negative(), image);
    return image;
}

TEST(WarpRectilinear, SamplesMatchTheFormulaPerPlane) {
    const uint32_t width = 64, height = 48;
    const std::vector<WarpPlane> planes = {{{1.0, 0.05, -0.02, 0.01}, {0.001, -0.002}},
                                           {{0.98, 0.03, 0.0, 0.0}, {0.0, 0.0}},
                                           {{1.01, -0.04, 0.02, 0.0}, {-0.003, 0.001}}};
    const double cx = 0.45, cy = 0.55;
    AutoPtr<dng_image> image = WarpedRamp(width, height, 3, planes, cx, cy);
    ASSERT_EQ(image->Bounds(), dng_rect(height, width));
    int checked = 0;
    for (uint32_t p = 0; p < 3; ++p) {
        const std::vector<uint16_t> out = PlaneSamples(*image, p);
        for (uint32_t row = 0; row < height; row += 3)
            for (uint32_t col = 0; col < width; col += 5) {
                double sr, sc;
                Expected(planes[p], cx, cy, width, height, row, col, sr, sc);
                if (sr < 1 || sc < 1 || sr > height - 3 || sc > width - 3) continue;  // edge repeat, not linear
                // Positions are sampled in 1/32 steps (up to 65/32 levels here) and the kernel keeps a
                // ramp to within 5 % of a step (about 3.3 levels).
                EXPECT_NEAR(out[row * width + col], 1000 + 40 * sc + 25 * sr + 300 * p, 6.0)
                    << "plane " << p << " row " << row << " col " << col;
                ++checked;
            }
    }
    EXPECT_GT(checked, 200);
}

TEST(WarpRectilinear, IdentityLeavesTheImageAndOneSetServesEveryPlane) {
    const WarpPlane identity = {{1, 0, 0, 0}, {0, 0}}, k = {{1.0, 0.08, 0, 0}, {0, 0}};
    dng_host host;
    EXPECT_EQ(InterleavedSamples(*WarpedRamp(20, 14, 2, {identity}, 0.3, 0.7)),
              InterleavedSamples(*MakeImage(host, 20, 14, 2, Ramp)));
    EXPECT_EQ(InterleavedSamples(*WarpedRamp(30, 20, 3, {k}, 0.5, 0.5)),
              InterleavedSamples(*WarpedRamp(30, 20, 3, {k, k, k}, 0.5, 0.5)));
}

TEST(ResampleTaps, WeightsSumToOne) {
    for (uint32_t src : {7u, 100u, 6000u})
        for (uint32_t dst : {1u, 3u, 64u, 320u, 1000u}) {
            const auto taps = MakeResampleTaps(0, src, dst, dng_resample_bicubic::Get());
            ASSERT_EQ(taps.size(), dst);
            for (const dng_resample_taps& t : taps)
                EXPECT_EQ(std::accumulate(t.weights.begin(), t.weights.end(), 0), 16384) << src << " -> " << dst;
        }
}

// `area` of `src` resampled into a `rows` x `cols` image.
std::vector<uint16_t> Resampled(dng_host& host, const dng_image& src, const dng_rect& area, uint32 rows,
                                uint32 cols) {
    auto dst = host.Make_dng_image(dng_rect(rows, cols), 1, ttShort);
    ResampleImage(host, src, *dst, area, dst->Bounds(), dng_resample_bicubic::Get());
    return PlaneSamples(*dst, 0);
}

TEST(ResampleImage, ALinearRampIsSampledAtPixelCentresAndTheEdgeRepeats) {
    dng_host host;
    auto src = MakeImage(host, 200, 40, 1,
                         [](uint32_t r, uint32_t c, uint32_t) -> uint16_t { return uint16_t(500 + 100 * c + 10 * r); });
    // Shrink 4:1 from an area that starts at column 20, row 4.
    const std::vector<uint16_t> out = Resampled(host, *src, dng_rect(4, 20, 36, 180), 8, 40);
    for (uint32_t j = 2; j < 6; ++j)
        for (uint32_t i = 3; i < 37; ++i) {
            const double col = 20 + (i + 0.5) * 4 - 0.5, row = 4 + (j + 0.5) * 4 - 0.5;
            EXPECT_NEAR(out[j * 40 + i], 500 + 100 * col + 10 * row, 1.5) << j << " " << i;
        }
    // Enlarge 20 -> 57 columns. This kernel keeps a ramp only to within 5 % of a step.
    const std::vector<uint16_t> out2 = Resampled(host, *src, dng_rect(0, 0, 40, 20), 40, 57);
    for (uint32_t i = 6; i < 50; ++i) {
        const double col = (i + 0.5) * 20 / 57 - 0.5;
        EXPECT_NEAR(out2[10 * 57 + i], 500 + 100 * col + 100, 6.0) << i;
        EXPECT_GT(out2[10 * 57 + i], out2[10 * 57 + i - 1]);
    }
    // Outside the image the edge repeats: at the same size the weights reduce to the sample itself.
    auto edge = MakeImage(host, 10, 10, 1, [](uint32_t, uint32_t c, uint32_t) -> uint16_t { return c ? 1000 : 9000; });
    EXPECT_EQ(Resampled(host, *edge, edge->Bounds(), 10, 10), PlaneSamples(*edge, 0));
}

}  // namespace
