#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/class_fft.h"
#include "engine_fakes.h"

namespace {

using engine::ClassFFT;
using engine::Complex;
using engine::KernelGridSource;
constexpr int N = ClassFFT::kTileSize;

class BuildKernelTest : public ::testing::Test {
protected:
    BuildKernelTest() : fft("") { fft.kernelPanel = &grid; }

    std::vector<Complex> Build() {
        std::vector<Complex> array(std::size_t(N) * N);
        fft.BuildKernel(array.data(), N);
        return array;
    }
    static Complex At(const std::vector<Complex>& a, int row, int col) {
        return a[std::size_t((row % N + N) % N) * N + (col % N + N) % N];
    }
    static int NonZeroCount(const std::vector<Complex>& a) {
        int count = 0;
        for (const Complex& z : a) count += z != Complex();
        return count;
    }

    enginetest::FakeKernelGrid grid;
    ClassFFT fft;
};

TEST_F(BuildKernelTest, CentreCellAloneIsAUnitImpulseWithAFlatSpectrum) {
    EXPECT_EQ(NonZeroCount(Build()), 0);  // an empty grid gives zeros, yet repaints
    EXPECT_EQ(grid.repaints, 1);

    grid.Set(50, 50);
    std::vector<Complex> a = Build();
    EXPECT_EQ(At(a, 0, 0), Complex(1.0, 0.0));
    EXPECT_EQ(NonZeroCount(a), 1);
    ClassFFT::FFT2D(a.data(), N, 1, nullptr);
    for (const Complex& z : a) ASSERT_EQ(z, Complex(1.0, 0.0));
}

TEST_F(BuildKernelTest, ColumnsComeFromTheHorizontalIndexAndRowsFromTheVerticalOne) {
    grid.Set(53, 50);
    grid.Set(50, 46);
    const std::vector<Complex> a = Build();
    EXPECT_DOUBLE_EQ(At(a, 0, 3).real(), 0.5);
    EXPECT_DOUBLE_EQ(At(a, -4, 0).real(), 0.5);
    EXPECT_EQ(NonZeroCount(a), 2);
}

TEST_F(BuildKernelTest, RimCellsWeighHalfOnlyInDiscMode) {
    grid.Set(50, 50, KernelGridSource::kCoreColor);
    grid.Set(52, 50, KernelGridSource::kRimColor);
    grid.Set(48, 50, 0x123456);

    grid.mode = 1;
    std::vector<Complex> disc = Build();
    EXPECT_DOUBLE_EQ(At(disc, 0, 0).real(), 1.0 / 2.5);
    EXPECT_DOUBLE_EQ(At(disc, 0, 2).real(), 0.5 / 2.5);
    EXPECT_DOUBLE_EQ(At(disc, 0, -2).real(), 1.0 / 2.5);

    grid.mode = 0;  // free drawing: every colour is core
    std::vector<Complex> free = Build();
    for (int col : {-2, 0, 2}) EXPECT_DOUBLE_EQ(At(free, 0, col).real(), 1.0 / 3.0);
}

TEST_F(BuildKernelTest, SmoothingAt150FloorsDistantCoreAndRimCells) {
    fft.kernelSmoothing = 150;
    grid.mode = 1;
    grid.Set(50, 50);                               // r/rmax 0 -> 1
    grid.Set(60, 50, KernelGridSource::kRimColor);  // 1/3: 0.5 - 0.5 -> rim floor
    grid.Set(50, 55);                               // 1/6: 1 - 0.25
    grid.Set(70, 50);                               // 2/3: 1 - 1 -> core floor
    grid.Set(80, 50);                               // 1: below zero -> core floor
    const std::vector<Complex> a = Build();
    const double sum = 1.0 + 0.000025 + 0.75 + 0.00005 + 0.00005;
    EXPECT_NEAR(At(a, 0, 0).real(), 1.0 / sum, 1e-15);
    EXPECT_NEAR(At(a, 0, 10).real(), 0.000025 / sum, 1e-15);
    EXPECT_NEAR(At(a, 5, 0).real(), 0.75 / sum, 1e-15);
    EXPECT_NEAR(At(a, 0, 20).real(), 0.00005 / sum, 1e-15);
    EXPECT_NEAR(At(a, 0, 30).real(), 0.00005 / sum, 1e-15);

    // A rim cell closer in keeps part of its half weight.
    grid.Clear();
    grid.Set(50, 50);
    grid.Set(53, 50, KernelGridSource::kRimColor);  // 0.1 of rmax 30: 0.5 - 0.15
    grid.Set(80, 50);
    const std::vector<Complex> b = Build();
    const double sumB = 1.0 + 0.35 + 0.00005;
    EXPECT_NEAR(At(b, 0, 3).real(), 0.35 / sumB, 1e-15);
}

TEST_F(BuildKernelTest, CellsAtIndexOneAnd99StayOutButStillSetTheTaper) {
    fft.kernelSmoothing = 100;
    grid.Set(50, 50);
    grid.Set(60, 50);
    // Without a distant cell the taper reaches its floor at r = 10.
    std::vector<Complex> nearOnly = Build();
    EXPECT_NEAR(At(nearOnly, 0, 10).real(), 0.00005 / 1.00005, 1e-15);

    grid.Set(99, 50);  // r = 49
    grid.Set(50, 1);   // r = 49
    grid.Set(1, 1);    // r = 69.29..., the largest
    const double rmax = std::sqrt(49.0 * 49.0 * 2.0);
    const double w = 1.0 - 0.01 * (10.0 / rmax) * 100;
    const std::vector<Complex> a = Build();
    EXPECT_NEAR(At(a, 0, 0).real(), 1.0 / (1.0 + w), 1e-15);
    EXPECT_NEAR(At(a, 0, 10).real(), w / (1.0 + w), 1e-15);
    EXPECT_EQ(NonZeroCount(a), 2);
}

TEST_F(BuildKernelTest, CellsAtIndexTwoAnd98AreTheOuterMostThatEnter) {
    grid.Set(2, 50);
    grid.Set(98, 50);
    grid.Set(50, 2);
    grid.Set(50, 98);
    const std::vector<Complex> a = Build();
    EXPECT_DOUBLE_EQ(At(a, 0, -48).real(), 0.25);
    EXPECT_DOUBLE_EQ(At(a, 0, 48).real(), 0.25);
    EXPECT_DOUBLE_EQ(At(a, -48, 0).real(), 0.25);
    EXPECT_DOUBLE_EQ(At(a, 48, 0).real(), 0.25);
    EXPECT_EQ(NonZeroCount(a), 4);
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

    double untouched[9];
    for (double& w : untouched) w = 7.0;
    ClassFFT::GaussianKernel(1, untouched, 0.0);
    for (double w : untouched) EXPECT_EQ(w, 7.0);
}

}  // namespace
