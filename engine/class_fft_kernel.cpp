#include "engine/class_fft.h"

#include <cmath>
#include <vector>

#include "engine/kernel_grid_source.h"

namespace engine {
namespace {
constexpr int kGridSize = 100;
constexpr int kGridCentre = 50;
// Cells further than this from the centre do not enter the array.
constexpr int kReach = 48;
constexpr double kTaperStep = 0.01;
constexpr double kCoreFloor = 0.00005;
constexpr double kRimBase = 0.5;
constexpr double kRimFloor = 0.000025;
constexpr double kPi = 3.14159265358979323846;
}  // namespace

void ClassFFT::BuildKernel(Complex* array, int n) {
    KernelGridSource& grid = *kernelPanel;
    std::vector<double> weight(kGridSize * kGridSize, 0.0);
    std::vector<bool> set(kGridSize * kGridSize, false);

    // Every set cell counts for the largest distance, even one outside the reach.
    double rmax = 0.0;
    for (int a = 0; a < kGridSize; ++a) {
        for (int b = 0; b < kGridSize; ++b) {
            if (!grid.GetCell(a, b)) continue;
            const double r = std::sqrt(double((a - kGridCentre) * (a - kGridCentre) +
                                              (b - kGridCentre) * (b - kGridCentre)));
            if (r > rmax) rmax = r;
            weight[a * kGridSize + b] = r;
            set[a * kGridSize + b] = true;
        }
    }
    if (rmax == 0.0) rmax = 1.0;

    const int s = kernelSmoothing;
    const bool disc = grid.GridMode() == 1;
    for (int a = 0; a < kGridSize; ++a) {
        for (int b = 0; b < kGridSize; ++b) {
            if (!set[a * kGridSize + b]) continue;
            double& w = weight[a * kGridSize + b];
            const double x = kTaperStep * (w / rmax) * s;
            if (disc && grid.GetCellColor(a, b) == KernelGridSource::kRimColor) {
                w = kRimBase - x;
                if (w <= kRimFloor) w = kRimFloor;
            } else {
                w = 1.0 - x;
                if (w <= kCoreFloor) w = kCoreFloor;
            }
        }
    }

    // Sum in the order of the unshifted array: rows (b) outer, columns (a) inner.
    double sum = 0.0;
    for (int b = kGridCentre - kReach; b <= kGridCentre + kReach; ++b) {
        for (int a = kGridCentre - kReach; a <= kGridCentre + kReach; ++a) {
            if (set[a * kGridSize + b]) sum += std::fabs(weight[a * kGridSize + b]);
        }
    }
    if (sum == 0.0) sum = 1.0;
    const double scale = 1.0 / sum;

    // Place each cell straight at its position centred on the origin.
    for (int b = kGridCentre - kReach; b <= kGridCentre + kReach; ++b) {
        const int row = ((b - kGridCentre) % n + n) % n;
        for (int a = kGridCentre - kReach; a <= kGridCentre + kReach; ++a) {
            if (!set[a * kGridSize + b]) continue;
            const int col = ((a - kGridCentre) % n + n) % n;
            array[std::size_t(row) * n + col] = Complex(weight[a * kGridSize + b] * scale, 0.0);
        }
    }

    grid.RequestRepaint();
}

void ClassFFT::GaussianKernel(int radius, double* rows, double sigma) {
    if (sigma == 0.0) return;
    const double q = 2.0 * sigma * sigma;
    const int side = 2 * radius + 1;
    double sum = 0.0;
    for (int y = -radius; y <= radius; ++y) {
        for (int x = -radius; x <= radius; ++x) {
            const double g = std::exp(-double(x * x + y * y) / q) / (kPi * q);
            rows[(y + radius) * side + (x + radius)] = g;
            sum += g;
        }
    }
    for (int i = 0; i < side * side; ++i) rows[i] /= sum;
}

}  // namespace engine
