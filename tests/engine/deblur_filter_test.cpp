#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine_fixture.h"
#include "platform/bitmap.h"

namespace {

using enginetest::CountingPlane;
constexpr int N = engine::ClassFFT::kTileSize;

class DeblurFilterTest : public enginetest::EngineFixture {
protected:
    // Blocks on a chequered background, with a bright patch and a dark band.
    static int Scene(int r, int c) {
        int v = 1500 + ((r / 40 + c / 56) % 2) * 300;
        if ((c / 24) % 3 == 1) v += 1200;
        if (r > 90 && r < 150 && c > 40 && c < 200) v = 3400;
        if (r > 170 && r < 180) v = 200;
        return v;
    }

    // The scene blurred by the horizontal line kernel of `length` cells; at the
    // plane's sides the row either wraps around or repeats its end pixel.
    static CountingPlane BlurredScene(int width, int height, int length, bool wrap = false) {
        return MakePlane(width, height, [&](int r, int c) {
            double sum = 0.0;
            for (int k = -length / 2; k <= length / 2; ++k)
                sum += Scene(r, wrap ? (c + k + width) % width : std::clamp(c + k, 0, width - 1));
            return int(std::lround(sum / length));
        });
    }

    static double InteriorRmsError(const CountingPlane& a, int border) {
        double sum = 0.0;
        int count = 0;
        for (int r = border; r < a.Height() - border; ++r)
            for (int c = border; c < a.Width() - border; ++c, ++count) sum += std::pow(a.At(r, c) - Scene(r, c), 2);
        return std::sqrt(sum / count);
    }
};

TEST_F(DeblurFilterTest, DeblurringALineBlurBringsTheSceneCloser) {
    // One 512-pixel tile wraps around exactly as the transform assumes; several
    // tiles bring tile edges and the plane's border ring, so a stronger low pass.
    struct Case { int width, height; bool wrap; int lowPass; double factor; };
    LineKernel(9);
    for (const Case k : {Case{512, 512, true, 10, 0.5}, Case{700, 600, false, 100, 0.9}}) {
        fft.lowPass = k.lowPass;
        const CountingPlane blurred = BlurredScene(k.width, k.height, 9, k.wrap);
        const double before = InteriorRmsError(blurred, 16);
        const double after = InteriorRmsError(Deblurred(blurred, 4095), 16);
        EXPECT_LT(after, k.factor * before) << k.width << " wide: before " << before << " after " << after;
    }
}

TEST_F(DeblurFilterTest, FilterUsesTheRealPartOfTheKernelSpectrum) {
    // A kernel that shifts by two columns has Re(H) = cos: the filter answers
    // with half the impulse on either side rather than shifting it back.
    grid.Set(52, 50);
    fft.lowPass = 0;
    const auto impulse = [](int r, int c) { return r == 100 && c == 100 ? 2000 : 0; };
    const CountingPlane out = Deblurred(MakePlane(200, 200, impulse), 4095);
    EXPECT_NEAR(out.At(100, 98), 1000, 10);
    EXPECT_NEAR(out.At(100, 102), 1000, 10);
    EXPECT_LT(out.At(100, 100), 10);
}

TEST_F(DeblurFilterTest, LowPassDampsEachFrequencyByTheLaplacianRegulariser) {
    // With the unit kernel the filter is 1 / (gamma |P|^2 + 1), gamma = 1.07^lowPass / 10^4, where
    // the wrapped Laplacian gives |P|^2 = 16 to a column wave of period 2 and 4 to a row wave of
    // period 4. One 512-pixel tile wraps around as the transform does; 250 acts as 200 and is stored back.
    grid.Set(50, 50);
    // The row wave is the cosine of a quarter turn per row: 1, 0, -1, 0.
    const auto wave = [](int r, int c, double columnGain, double rowGain) {
        return 2000 + 1000 * columnGain * (c % 2 ? -1 : 1) + 600 * rowGain * ((r + 1) % 2) * (r % 4 ? -1 : 1);
    };
    const CountingPlane input = MakePlane(N, N, [&](int r, int c) { return int(wave(r, c, 1, 1)); });
    for (const int lowPass : {0, 60, 200, 250}) {
        fft.lowPass = lowPass;
        const CountingPlane out = Deblurred(input, 4095);
        EXPECT_EQ(fft.lowPass, std::min(lowPass, 200));
        const double gamma = std::pow(1.07, std::min(lowPass, 200)) * 0.0001;
        for (int r = 0; r < N; r += 3)
            for (int c = 0; c < N; c += 5)
                ASSERT_NEAR(out.At(r, c), wave(r, c, 1 / (16 * gamma + 1), 1 / (4 * gamma + 1)), 1.0)
                    << "low pass " << lowPass << " at " << r << "," << c;
    }
}

TEST_F(DeblurFilterTest, ResultsStayWithinZeroAndWhiteEvenWhenTheMaskBlendsSamplesAboveWhite) {
    LineKernel(31);
    fft.lowPass = 0;
    const CountingPlane out = Deblurred(NoisePlane(200, 150, 0, 1000, 9), 1000);
    EXPECT_LE(*std::max_element(out.Samples().begin(), out.Samples().end()), 1000);
    EXPECT_GT(std::count(out.Samples().begin(), out.Samples().end(), 0), 0);  // the clamp was really needed
    EXPECT_GT(std::count(out.Samples().begin(), out.Samples().end(), 1000), 0);

    fft.maskThreshold = 10;  // inputs above white must not wrap around through the blend
    const CountingPlane high = Deblurred(NoisePlane(60, 50, 4000, 6000, 19), 1000);
    EXPECT_LE(*std::max_element(high.Samples().begin(), high.Samples().end()), 6000);
}

TEST_F(DeblurFilterTest, CirclesFeatherFromTheInputOnTheirEdgeToTheFullResultInside) {
    LineKernel(11);
    fft.lowPass = 0;
    const CountingPlane input = NoisePlane(200, 200, 500, 3500, 13);
    const CountingPlane full = Deblurred(input, 4095);

    // A 30-pixel band, then no band with the plane as a window at (1000, 2000) of the preview.
    struct Case { int y, x, radiusX, radiusY, percent, rowOffset, colOffset; };
    for (const Case k : {Case{100, 100, 60, 60, 50, 0, 0}, Case{1075, 2070, 40, 30, 0, 1000, 2000}}) {
        fft.ClearCircles();
        fft.AddCircle(k.y, k.x);
        fft.circles[0]->SetSize(k.radiusX, k.radiusY, k.percent);
        CountingPlane out = input;
        Run(out, 4095, 0, nullptr, k.rowOffset, k.colOffset);
        const engine::ControlCircle& circle = *fft.circles[0];
        const int band = circle.transitionWidth;
        int feathered = 0;
        for (int r = 0; r < 200; ++r) {
            for (int c = 0; c < 200; ++c) {
                const int d = circle.Depth(r + k.rowOffset, c + k.colOffset);
                const int i = input.At(r, c);
                if (d < 0) {
                    ASSERT_EQ(out.At(r, c), i);
                } else if (d >= band) {
                    ASSERT_EQ(out.At(r, c), full.At(r, c));
                } else {
                    const double expected = full.At(r, c) + (i - full.At(r, c)) * double(band - d) / band;
                    ASSERT_NEAR(out.At(r, c), expected, 1.01) << r << "," << c << " depth " << d;
                    feathered += full.At(r, c) != i;
                }
            }
        }
        EXPECT_EQ(feathered > 100, band > 0);
    }
    EXPECT_EQ(fft.circles[0]->Depth(1075, 2030), 0);  // the edge itself is deblurred

    // Of two circles holding a pixel the first alone decides: depth 0 without a
    // band in the first, depth 10 of a 32-pixel band in the second.
    fft.ClearCircles();
    fft.AddCircle(100, 100);
    fft.circles[0]->SetSize(30, 30, 0);
    fft.AddCircle(100, 100);
    fft.circles[1]->SetSize(40, 40, 80);
    EXPECT_EQ(Deblurred(input, 4095).At(100, 130), full.At(100, 130));
    std::swap(fft.circles[0], fft.circles[1]);
    const int i = input.At(100, 130), f = full.At(100, 130);
    EXPECT_NEAR(Deblurred(input, 4095).At(100, 130), f + (i - f) * 22.0 / 32.0, 1.01);
}

TEST_F(DeblurFilterTest, ColourPlanesShareTheSpectrumOfTheFirstPlane) {
    LineKernel(9);
    const CountingPlane input = BlurredScene(100, 80, 9);
    const CountingPlane single = Deblurred(input, 4095);
    for (int channel : {1, 2, 3}) {
        CountingPlane colour = input;
        Run(colour, 4095, channel);
        EXPECT_EQ(colour.Samples(), single.Samples()) << "channel " << channel;
        EXPECT_EQ(fft.kernelSpectrum == nullptr, channel == 3);
        grid.Clear(false);  // later planes must not read the grid again
    }
}

// A bitmap plane is a grey bitmap, or a 24-bit one with the value in the red byte.
TEST_F(DeblurFilterTest, BitmapPlaneGoesThroughItsValueByteBottomUpLikeARawPlane) {
    LineKernel(5);
    fft.lowPass = 3;
    const int width = 37, height = 29;  // rows padded in memory in both formats
    const CountingPlane input = NoisePlane(width, height, 0, 255, 17);
    const CountingPlane raw = Deblurred(input, 255);

    for (const auto format : {platform::PixelFormat::pf24bit, platform::PixelFormat::pf8bit}) {
        const bool grey = format == platform::PixelFormat::pf8bit;
        const auto valueAt = [&](platform::Bitmap& b, int r, int c) -> uint8_t& {
            return b.ScanLine(r)[grey ? c : 3 * c + 2];
        };
        platform::Bitmap bitmap(width, height, format);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) valueAt(bitmap, r, c) = uint8_t(input.At(r, c));
        fft.Deblur(nullptr, &bitmap, 0, 0, 0, 255, nullptr);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                ASSERT_EQ(valueAt(bitmap, r, c), raw.At(r, c)) << r << "," << c << (grey ? " grey" : " 24-bit");
                if (!grey) {
                    ASSERT_EQ(bitmap.ScanLine(r)[3 * c] | bitmap.ScanLine(r)[3 * c + 1], 0) << r << "," << c;
                }
            }
    }
}

TEST_F(DeblurFilterTest, RefusedRunsLeaveThePlaneAlone) {
    LineKernel(5);
    const CountingPlane input = NoisePlane(40, 30, 0, 255, 18);
    CountingPlane plane = input;
    Run(plane, 0);  // no white level
    EXPECT_EQ(plane.commits, 1);
    Run(plane, 255, 2);  // a later colour plane without its first
    fft.kernelPanel = nullptr;
    Run(plane, 255, 0);
    EXPECT_EQ(plane.Samples(), input.Samples());
    // A first colour plane without a grid still drops a stale spectrum, so no later plane uses it.
    fft.kernelSpectrum.reset(new engine::Complex[engine::ClassFFT::kTileSize * engine::ClassFFT::kTileSize]());
    Run(plane, 255, 1);
    EXPECT_EQ(fft.kernelSpectrum, nullptr);
    fft.kernelPanel = &grid;

    platform::Bitmap grey(40, 30, platform::PixelFormat::pf8bit);
    grey.Bits()[5] = 77;
    fft.Deblur(&plane, &grey, 0, 0, 0, 255, nullptr);  // two planes at once
    EXPECT_EQ(plane.Samples(), input.Samples());
    EXPECT_EQ(grey.Bits()[5], 77);
}

}  // namespace
