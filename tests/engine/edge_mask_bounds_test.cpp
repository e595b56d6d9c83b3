// The edge mask and the localization bounds against values worked out from
// their description one pixel at a time, on small planes of odd and even,
// unequal sides where the frame, the corners and the band seams show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/edge_mask.h"
#include "engine_fixture.h"

namespace {

using enginetest::CountingPlane;

// The Sobel's vertical part (row above less row below, weights 1 2 1) plus its
// horizontal part (right column less left) add up to this one 3 x 3 kernel.
constexpr int kSobel[3][3] = {{0, 2, 2}, {-2, 0, 2}, {-2, -2, 0}};

// The mask as described: thresholded Sobel at rows 2..H-2 and columns 2..W-2
// (the input elsewhere), then the 5 x 5 Gaussian of sigma 1.5 at rows 2..H-3 and
// columns 2..W-3. Smoothed pixels are given before truncation.
std::vector<double> DescribedMask(const CountingPlane& in, int white, int threshold) {
    const int h = in.Height(), w = in.Width();
    const long t = 600000 / white;
    const auto thresholded = [&](int r, int c) {
        long z = in.At(r, c);
        if (r >= 2 && r <= h - 2 && c >= 2 && c <= w - 2) {
            long s = 0;
            for (int i = -1; i <= 1; ++i)
                for (int j = -1; j <= 1; ++j) s += kSobel[i + 1][j + 1] * long(in.At(r + i, c + j));
            z = std::min(t * std::labs(s), long(white));
        }
        return double(std::max(z - threshold, 0L));
    };
    std::vector<double> mask(std::size_t(h) * w);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            double& m = mask[std::size_t(r) * w + c];
            if (r < 2 || r > h - 3 || c < 2 || c > w - 3) {
                m = thresholded(r, c);
                continue;
            }
            double sum = 0.0, weights = 0.0;
            for (int i = -2; i <= 2; ++i)
                for (int j = -2; j <= 2; ++j) {
                    const double g = std::exp(-(i * i + j * j) / 4.5);
                    sum += g * thresholded(r + i, c + j);
                    weights += g;
                }
            m = sum / weights;
        }
    return mask;
}

// Sums of the same samples in another order may truncate to either side of a whole number.
bool NearWhole(double x) { return std::fabs(x - std::round(x)) < 1e-6; }

testing::AssertionResult Truncates(long actual, double exact) {
    const long whole = long(std::round(exact));
    if (NearWhole(exact) ? actual == whole || actual == whole - 1 : actual == long(std::floor(exact)))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << actual << " for " << exact;
}

// Noise of `spread` over `base`, the right part `step` higher: unsaturated edges and saturated ones.
CountingPlane StepPlane(int height, int width, int base, int spread, int step, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> noise(0, spread);
    CountingPlane plane(width, height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) plane.Set(r, c, uint16_t(base + noise(gen) + (c >= width * 2 / 3 ? step : 0)));
    return plane;
}

template <typename Plane>
void ExpectDescribedMask(const CountingPlane& in, int white, int threshold) {
    engine::SamplePlane samples(in.Height(), in.Width());
    for (int r = 0; r < in.Height(); ++r) std::copy(in.Row(r), in.Row(r) + in.Width(), samples.Row(r));
    Plane mask(in.Height(), in.Width());
    ASSERT_TRUE(engine::EdgeMask(samples, in.Height(), in.Width(), white, threshold, mask, [] { return false; }));
    const std::vector<double> expected = DescribedMask(in, white, threshold);
    for (int r = 0; r < in.Height(); ++r)
        for (int c = 0; c < in.Width(); ++c)
            ASSERT_TRUE(Truncates(mask.Row(r)[c], expected[std::size_t(r) * in.Width() + c])) << r << "," << c;
}

TEST(EdgeMaskTest, MatchesTheDescribedSobelThresholdAndGaussianOnEveryPixel) {
    struct Case { int height, width, white, threshold, base, spread, step; };
    const Case cases[] = {
        {7, 9, 4095, 1, 1000, 8, 3000},  {9, 7, 4095, 300, 200, 12, 40},  // wider, then taller
        {6, 8, 255, 40, 60, 1, 150},     {4, 5, 1000, 5, 100, 30, 0},    // no row to smooth
        {131, 10, 16383, 100, 5000, 30, 9000},                          // rows in several bands
        {8, 11, 70000, 20, 20000, 900, 30000},                                     // a mask above 16 bits
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.height << " x " << k.width << " white " << k.white);
        const CountingPlane in = StepPlane(k.height, k.width, k.base, k.spread, k.step, unsigned(k.height * k.width));
        if (k.white > 0xFFFF)
            ExpectDescribedMask<engine::IntPlane>(in, k.white, k.threshold);
        else
            ExpectDescribedMask<engine::SamplePlane>(in, k.white, k.threshold);
    }
}

class MaskAndBoundsTest : public enginetest::EngineFixture {
protected:
    MaskAndBoundsTest() {
        SlantedKernel();
        fft.lowPass = 2;
    }
};

// A run's result blends input and unmasked result by z / white.
TEST_F(MaskAndBoundsTest, MaskedRunBlendsTheInputAndTheUnmaskedResultByTheDescribedMask) {
    struct Case { int height, width, white, threshold, base, spread, step; };
    const Case cases[] = {
        {29, 37, 4095, 30, 1000, 6, 1500},
        {270, 530, 4095, 200, 500, 10, 2500},  // several tiles
        {31, 24, 70000, 20, 5000, 1200, 20000},  // the mask outgrows 16 bits
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.height << " x " << k.width << " white " << k.white);
        const CountingPlane in = StepPlane(k.height, k.width, k.base, k.spread, k.step, 3);
        fft.maskThreshold = 0;
        const CountingPlane unmasked = Deblurred(in, k.white);
        fft.maskThreshold = k.threshold;
        const CountingPlane masked = Deblurred(in, k.white);
        const std::vector<double> z = DescribedMask(in, k.white, k.threshold);
        int blended = 0;
        for (int r = 0; r < k.height; ++r)
            for (int c = 0; c < k.width; ++c) {
                const int i = in.At(r, c), u = unmasked.At(r, c);
                if (u == 0xFFFF) continue;  // above 16 bits the unmasked value is not known
                const double exact = z[std::size_t(r) * k.width + c];
                const bool nearWhole = NearWhole(exact);
                const double zt = nearWhole ? std::round(exact) : std::floor(exact);
                const double slack = nearWhole ? std::abs(i - u) / double(k.white) : 0.0;
                const double expected = i - (i - u) / double(k.white) * zt;
                ASSERT_LT(std::fabs(masked.At(r, c) - expected), 1.0 + slack) << r << "," << c << " z " << zt;
                blended += zt > 0 && zt < k.white && u != i;
            }
        EXPECT_GT(blended, k.height);  // partial weights, not only all or nothing
    }
}

// Bounds of a pixel two inside every border: its 5 x 5 input range widened by the margin.
// They are whole numbers, so clamping the truncated result equals truncating the clamped one.
CountingPlane DescribedClamp(const CountingPlane& in, const CountingPlane& unclamped, int margin, int white) {
    CountingPlane out = unclamped;
    for (int r = 2; r < in.Height() - 2; ++r)
        for (int c = 2; c < in.Width() - 2; ++c) {
            int lo = in.At(r, c), hi = lo;
            for (int i = r - 2; i <= r + 2; ++i)
                for (int j = c - 2; j <= c + 2; ++j) {
                    lo = std::min<int>(lo, in.At(i, j));
                    hi = std::max<int>(hi, in.At(i, j));
                }
            lo = std::max(lo - margin, 0);
            hi = std::min(hi + margin, white);
            int v = unclamped.At(r, c);
            if (lo < white) v = std::max(v, lo);
            if (hi > 0) v = std::min(v, hi);
            out.Set(r, c, uint16_t(v));
        }
    return out;
}

TEST_F(MaskAndBoundsTest, LocalizationClampsTheResultToTheDescribedBounds) {
    // Noise with a black block and a block at white, where only one side of the bounds applies.
    const auto scene = [](int height, int width, int white) {
        CountingPlane in = NoisePlane(width, height, white / 8, white * 7 / 8, unsigned(width));
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                if (r >= 3 && r < 10 && c >= 3 && c < 10) in.Set(r, c, 0);
                if (r >= 12 && r < 19 && c >= 5 && c < 12) in.Set(r, c, uint16_t(white));
            }
        return in;
    };
    struct Case { int height, width, white, position, maximum; };
    const Case cases[] = {
        {7, 9, 4095, 100, 150},  {22, 15, 4095, 400, 400}, {20, 31, 255, 10, 85},
        {270, 530, 4095, 200, 400}, {26, 24, 65535, 9000, 1000},  // a position above the maximum
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.height << " x " << k.width << " at " << k.position << " of " << k.maximum);
        const CountingPlane in = scene(k.height, k.width, k.white);
        fft.SetLocalization(0, 0);  // off, though a margin of 0 would be the tightest
        const CountingPlane unclamped = Deblurred(in, k.white);
        EXPECT_NE(unclamped.Samples(), DescribedClamp(in, unclamped, 0, k.white).Samples());
        fft.SetLocalization(k.position, k.maximum);
        const CountingPlane clamped = Deblurred(in, k.white);
        const CountingPlane expected = DescribedClamp(in, unclamped, std::abs(k.position - k.maximum), k.white);
        for (int r = 0; r < k.height; ++r)
            for (int c = 0; c < k.width; ++c) ASSERT_EQ(clamped.At(r, c), expected.At(r, c)) << r << "," << c;
        EXPECT_NE(clamped.Samples(), unclamped.Samples());
    }
}

}  // namespace
