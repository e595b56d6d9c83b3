#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine_fixture.h"

namespace {

using engine::ClassFFT;
using engine::Complex;

std::vector<Complex> RandomValues(std::size_t count, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-100.0, 100.0);
    std::vector<Complex> v(count);
    for (Complex& z : v) z = Complex(dist(gen), dist(gen));
    return v;
}

// Textbook DFT of a rows x cols array; direction 1 uses the kernel e^(-2 pi i k n / N).
std::vector<Complex> DirectDft(const std::vector<Complex>& x, int rows, int cols, int direction) {
    std::vector<Complex> out(x.size());
    for (int k1 = 0; k1 < rows; ++k1)
        for (int k2 = 0; k2 < cols; ++k2)
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) {
                    const double turns = double(k1 * r % rows) / rows + double(k2 * c % cols) / cols;
                    out[k1 * cols + k2] += x[r * cols + c] * std::polar(1.0, -direction * 2.0 * M_PI * turns);
                }
    return out;
}

TEST(FFT1D, MatchesDirectDftForEverySmallPowerOfTwoInBothDirections) {
    for (int m = 0; m <= 7; ++m) {
        for (int direction : {1, -1}) {
            const int n = 1 << m;
            const std::vector<Complex> input = RandomValues(n, 17 + m);
            std::vector<double> re(n), im(n);
            for (int i = 0; i < n; ++i) re[i] = input[i].real(), im[i] = input[i].imag();
            EXPECT_TRUE(ClassFFT::FFT1D(direction, m, re.data(), im.data()));
            const std::vector<Complex> expected = DirectDft(input, 1, n, direction);
            for (int k = 0; k < n; ++k)
                ASSERT_LT(std::abs(Complex(re[k], im[k]) - expected[k]), 1e-7 * n) << "m " << m << " k " << k;
        }
    }
}

TEST(FFT2DCore, MatchesDirectTwoDimensionalDftAndRefusesMissingTemporaries) {
    for (int n : {4, 8, 16}) {
        for (int direction : {1, -1}) {
            std::vector<Complex> data = RandomValues(std::size_t(n) * n, 5 + n);
            const std::vector<Complex> expected = DirectDft(data, n, n, direction);
            std::vector<double> re(n), im(n);
            ASSERT_TRUE(ClassFFT::FFT2DCore(data.data(), n, re.data(), im.data(), direction));
            for (std::size_t k = 0; k < data.size(); ++k) ASSERT_LT(std::abs(data[k] - expected[k]), 1e-8 * n * n);
        }
    }
    std::vector<Complex> data = RandomValues(64, 3);
    const std::vector<Complex> before = data;
    std::vector<double> row(8);
    EXPECT_FALSE(ClassFFT::FFT2DCore(data.data(), 8, nullptr, row.data(), 1));
    EXPECT_FALSE(ClassFFT::FFT2DCore(data.data(), 8, row.data(), nullptr, 1));
    EXPECT_EQ(data, before);
}

TEST(FFT2D, AgreesWithTheCoreTransformInBothDirections) {
    for (const int n : {4, 16, 64}) {
        for (const int direction : {1, -1}) {
            std::vector<Complex> fast = RandomValues(std::size_t(n) * n, 5 + n);
            std::vector<Complex> core = fast;
            std::vector<double> re(n), im(n);
            ASSERT_TRUE(ClassFFT::FFT2DCore(core.data(), n, re.data(), im.data(), direction));
            ClassFFT::FFT2D(fast.data(), n, direction, nullptr);
            for (std::size_t k = 0; k < fast.size(); ++k)
                ASSERT_LT(std::abs(fast[k] - core[k]), 1e-9 * n * n) << n << " " << direction << " at " << k;
        }
    }
}

TEST(FFT2D, ForwardThenInverseGivesTheArrayTimesNSquaredAndRestartsTheBar) {
    const int n = ClassFFT::kTileSize;
    const std::vector<Complex> original = RandomValues(std::size_t(n) * n, 11);
    std::vector<Complex> data = original;
    enginetest::FakeProgressBar bar;
    bar.position = 77;
    engine::ProgressStatus progress;
    progress.bar = &bar;
    ClassFFT::FFT2D(data.data(), n, 1, &progress);
    EXPECT_EQ(bar.max, 2 * n);
    EXPECT_EQ(bar.position, 0);
    EXPECT_GT(std::abs(data[1] - original[1]), 1.0);  // it really transformed
    ClassFFT::FFT2D(data.data(), n, -1, nullptr);
    double worst = 0.0;
    for (std::size_t k = 0; k < data.size(); ++k)
        worst = std::max(worst, std::abs(data[k] / (double(n) * n) - original[k]));
    EXPECT_LT(worst, 1e-9);
}

}  // namespace
