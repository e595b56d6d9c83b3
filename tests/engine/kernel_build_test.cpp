#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine_fixture.h"

namespace {

using engine::ClassFFT;
using engine::Complex;
constexpr int N = ClassFFT::kTileSize;
constexpr uint32_t kCore = engine::KernelGridSource::kCoreColor;
constexpr uint32_t kRim = engine::KernelGridSource::kRimColor;

class BuildKernelTest : public enginetest::EngineFixture {
protected:
    std::vector<Complex> Build() {
        std::vector<Complex> array(std::size_t(N) * N);
        fft.BuildKernel(array.data(), N);
        return array;
    }
    static int NonZeroCount(const std::vector<Complex>& a) {
        int count = 0;
        for (const Complex& z : a) count += z != Complex();
        return count;
    }
};

TEST_F(BuildKernelTest, CentreCellAloneIsAUnitImpulseWithAFlatSpectrum) {
    EXPECT_EQ(NonZeroCount(Build()), 0);  // an empty grid gives zeros, yet repaints
    EXPECT_EQ(grid.repaints, 1);
    grid.Set(50, 50);
    std::vector<Complex> a = Build();
    EXPECT_EQ(a[0], Complex(1.0, 0.0));
    EXPECT_EQ(NonZeroCount(a), 1);
    ClassFFT::FFT2D(a.data(), N, 1, nullptr);
    for (const Complex& z : a) ASSERT_EQ(z, Complex(1.0, 0.0));
}

// Weights worked out by hand: taper x = 0.01 (r / rmax) smoothing; core 1 - x
// (floor 0.00005), rim in disc mode 0.5 - x (floor 0.000025); then normalised.
struct Cell { int x, y; uint32_t color; };
struct Weight { int row, col; double value; };
struct KernelCase {
    const char* what;
    int mode, smoothing;
    std::vector<Cell> cells;
    std::vector<Weight> weights;  // (row, column) of the array, centred on the origin
};

const double kEdgeTaper = 1.0 - 0.01 * (10.0 / std::sqrt(2.0 * 49 * 49)) * 100;  // rmax from cell (1, 1)

const KernelCase kKernelCases[] = {
    {"columns from x, rows from y", 0, 0, {{53, 50, kCore}, {50, 46, kCore}}, {{0, 3, 0.5}, {-4, 0, 0.5}}},
    {"rim weighs half in disc mode", 1, 0, {{50, 50, kCore}, {52, 50, kRim}, {48, 50, 0x123456}},
     {{0, 0, 1 / 2.5}, {0, 2, 0.5 / 2.5}, {0, -2, 1 / 2.5}}},
    {"every colour is core in free mode", 0, 0, {{50, 50, kCore}, {52, 50, kRim}, {48, 50, 0x123456}},
     {{0, 0, 1 / 3.0}, {0, 2, 1 / 3.0}, {0, -2, 1 / 3.0}}},
    {"smoothing 150 floors distant core and rim cells", 1, 150,
     {{50, 50, kCore}, {60, 50, kRim}, {50, 55, kCore}, {70, 50, kCore}, {80, 50, kCore}},
     {{0, 0, 1 / 1.750125}, {0, 10, 0.000025 / 1.750125}, {5, 0, 0.75 / 1.750125},
      {0, 20, 0.00005 / 1.750125}, {0, 30, 0.00005 / 1.750125}}},
    {"a closer rim cell keeps part of its half", 1, 150, {{50, 50, kCore}, {53, 50, kRim}, {80, 50, kCore}},
     {{0, 0, 1 / 1.35005}, {0, 3, 0.35 / 1.35005}, {0, 30, 0.00005 / 1.35005}}},
    {"taper floors at r = 10 without distant cells", 0, 100, {{50, 50, kCore}, {60, 50, kCore}},
     {{0, 0, 1 / 1.00005}, {0, 10, 0.00005 / 1.00005}}},
    {"cells at index 1 and 99 stay out but set the taper", 0, 100,
     {{50, 50, kCore}, {60, 50, kCore}, {99, 50, kCore}, {50, 1, kCore}, {1, 1, kCore}},
     {{0, 0, 1 / (1 + kEdgeTaper)}, {0, 10, kEdgeTaper / (1 + kEdgeTaper)}}},
    {"cells at index 2 and 98 are the outermost that enter", 0, 0,
     {{2, 50, kCore}, {98, 50, kCore}, {50, 2, kCore}, {50, 98, kCore}},
     {{0, -48, 0.25}, {0, 48, 0.25}, {-48, 0, 0.25}, {48, 0, 0.25}}},
};

TEST_F(BuildKernelTest, WeightsMatchTheHandWorkedCases) {
    for (const KernelCase& k : kKernelCases) {
        grid.Clear(false);
        grid.gridMode = k.mode;
        fft.kernelSmoothing = k.smoothing;
        for (const Cell& c : k.cells) grid.Set(c.x, c.y, c.color);
        const std::vector<Complex> a = Build();
        for (const Weight& w : k.weights)
            EXPECT_NEAR(a[std::size_t((w.row + N) % N) * N + (w.col + N) % N].real(), w.value, 1e-15)
                << k.what << " at " << w.row << "," << w.col;
        EXPECT_EQ(NonZeroCount(a), int(k.weights.size())) << k.what;
    }
}

TEST(GaussianKernel, IsNormalisedSymmetricAndPeakedAndZeroSigmaWritesNothing) {
    double g[25];
    ClassFFT::GaussianKernel(2, g, 1.5);
    double sum = 0.0;
    for (int i = 0; i < 25; ++i) {
        sum += g[i];
        EXPECT_DOUBLE_EQ(g[i], g[24 - i]);  // point symmetry
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(g[1], g[5]);
    EXPECT_NEAR(g[13] / g[12], std::exp(-1.0 / 4.5), 1e-12);
    EXPECT_NEAR(g[0] / g[12], std::exp(-8.0 / 4.5), 1e-12);

    double untouched[9] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
    ClassFFT::GaussianKernel(1, untouched, 0.0);
    for (double w : untouched) EXPECT_EQ(w, 7.0);
}

}  // namespace
