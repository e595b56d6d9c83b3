#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/class_fft.h"
#include "engine/deblur_tiles.h"
#include "engine/edge_mask.h"
#include "engine/int_plane.h"
#include "engine/progress_status.h"
#include "engine/tile_transforms.h"
#include "platform/bitmap.h"
#include "platform/image_plane16.h"
#include "platform/parallel_run.h"

namespace engine {
namespace {

constexpr int N = ClassFFT::kTileSize;
static_assert(N == TileTransforms::N, "the transforms are planned for the engine's tile");
constexpr std::size_t kTileElements = std::size_t(N) * N;
constexpr int kHalfWidth = N / 2 + 1;
constexpr int kStride = TileTransforms::Stride();
constexpr int kMaxLowPass = 200;

// The kernel spectrum of a single plane or of the last colour plane goes
// when the run ends, cancelled or not.
class SpectrumRelease {
public:
    SpectrumRelease(ClassFFT& engine, bool release) : engine_(engine), release_(release) {}
    ~SpectrumRelease() {
        if (release_) engine_.kernelSpectrum.reset();
    }
    SpectrumRelease(const SpectrumRelease&) = delete;
    SpectrumRelease& operator=(const SpectrumRelease&) = delete;

private:
    ClassFFT& engine_;
    bool release_;
};

std::unique_ptr<Complex[]> NewTile() { return std::unique_ptr<Complex[]>(new Complex[kTileElements]()); }

double SquaredMagnitude(const Complex& z) { return z.real() * z.real() + z.imag() * z.imag(); }

// |P_k|^2 of the regulariser, the discrete Laplacian with wrap-around, over
// the half spectrum (columns 0 .. N/2). It never changes, so the process
// transforms it once.
const std::vector<double>& RegulariserPower() {
    static const std::vector<double> power = [] {
        std::unique_ptr<Complex[]> p = NewTile();
        p[0] = 4.0;
        p[1] = -1.0;
        p[N] = -1.0;
        p[N - 1] = -1.0;
        p[std::size_t(N - 1) * N] = -1.0;
        ClassFFT::FFT2D(p.get(), N, 1, nullptr);
        std::vector<double> half(std::size_t(N) * kHalfWidth);
        for (int r = 0; r < N; ++r)
            for (int c = 0; c < kHalfWidth; ++c)
                half[std::size_t(r) * kHalfWidth + c] = SquaredMagnitude(p[std::size_t(r) * N + c]);
        return half;
    }();
    return power;
}

// Forward transform of the real kernel in `array` (N x N, row-major), in
// place: the real-input transform gives columns 0 .. N/2, the rest follows
// from the symmetry of a real array's spectrum, X(r, c) = conj X(-r, -c).
void KernelSpectrum(Complex* array, const TileTransforms& transforms) {
    TileTransforms::Buffer buffer = TileTransforms::NewBuffer();
    double* tile = buffer.get();
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c) tile[std::size_t(r) * kStride + c] = array[std::size_t(r) * N + c].real();
    transforms.Forward(tile);
    for (int r = 0; r < N; ++r) {
        const double* half = tile + std::size_t(r) * kStride;
        Complex* row = array + std::size_t(r) * N;
        for (int c = 0; c < kHalfWidth; ++c) row[c] = Complex(half[2 * c], half[2 * c + 1]);
        const double* mirror = tile + std::size_t((N - r) % N) * kStride;
        for (int c = kHalfWidth; c < N; ++c) row[c] = Complex(mirror[2 * (N - c)], -mirror[2 * (N - c) + 1]);
    }
}

// Filter weights Re(H_k) / (gamma |P_k|^2 + |H_k|^2) over the half spectrum
// that the real-input transform keeps; 0 where the denominator is. The
// weights are symmetric, so the half says it all.
std::vector<double> FilterWeights(const Complex* kernel, double gamma) {
    const std::vector<double>& regulariser = RegulariserPower();
    std::vector<double> weights(std::size_t(N) * kHalfWidth);
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < kHalfWidth; ++c) {
            const std::size_t k = std::size_t(r) * N + c;
            const std::size_t h = std::size_t(r) * kHalfWidth + c;
            const double d = gamma * regulariser[h] + SquaredMagnitude(kernel[k]);
            weights[h] = d != 0.0 ? kernel[k].real() / d : 0.0;
        }
    return weights;
}

}  // namespace

void ClassFFT::Deblur(platform::ImagePlane16* image, platform::Bitmap* bitmap, int rowOffset, int columnOffset,
                      int channel, int white, ProgressStatus* progress) {
    cancelRequested = false;
    const SpectrumRelease spectrumRelease(*this, channel == 0 || channel == 3);
    const bool buildsSpectrum = channel == 0 || channel == 1;
    // A new plane or colour sequence drops a spectrum that a cancelled sequence left behind.
    if (buildsSpectrum) kernelSpectrum.reset();

    if ((image == nullptr) == (bitmap == nullptr)) return;
    PlaneAccess plane(image, bitmap);

    // Refuse what would make the run read or divide by nonsense; the plane stays as it is.
    if (white < 1) return;
    if (buildsSpectrum && !kernelPanel) return;
    if (!buildsSpectrum && !kernelSpectrum) return;

    const int height = plane.Height();
    const int width = plane.Width();

    SamplePlane in(height, width);
    plane.ReadInto(in);

    const TileTransforms& transforms = TileTransforms::Get();
    if (buildsSpectrum) {
        std::unique_ptr<Complex[]> kernel = NewTile();
        BuildKernel(kernel.get(), N);
        if (progress) {
            progress->SetStatus("Forward transform of kernel matrix...");
            progress->Restart(2 * N);
        }
        KernelSpectrum(kernel.get(), transforms);
        kernelSpectrum = std::move(kernel);
    }

    if (progress) {
        progress->SetStatus("Forward transform of low pass filter matrix...");
        progress->Restart(2 * N);
    }
    if (lowPass > kMaxLowPass) lowPass = kMaxLowPass;
    const std::vector<double> weights = FilterWeights(kernelSpectrum.get(), std::pow(1.07, lowPass) * 0.0001);

    const int step = (N >= width && N >= height) ? N : N / 2;
    if (progress) {
        progress->SetStatus("Deblurring...");
        progress->Restart((width / (N / 2) + 1) * (height / (N / 2) + 1));
    }

    // The calling thread notices a cancel while it pumps messages for the workers.
    std::atomic<bool> stopping{false};
    const auto cancelled = [&] {
        if (!cancelRequested) return false;
        cancelRequested = false;
        stopping = true;
        return true;
    };

    const bool masked = maskThreshold != 0;
    // Mask values stay within the larger of the white level and the input's 16 bits (less a
    // threshold of at least 0), so a 16-bit mask holds them exactly unless the white level is above.
    const bool narrowMask = white <= 0xFFFF && maskThreshold >= 0;
    const bool use16 = masked && narrowMask;
    const bool use32 = masked && !narrowMask;
    SamplePlane mask16(use16 ? height : 0, use16 ? width : 0);
    IntPlane mask32(use32 ? height : 0, use32 ? width : 0);
    if (use16 && !EdgeMask(in, height, width, white, maskThreshold, mask16, cancelled)) return;
    if (use32 && !EdgeMask(in, height, width, white, maskThreshold, mask32, cancelled)) return;

    const int tileRows = (height + step - 1) / step;
    const int tileCols = (width + step - 1) / step;
    const int tiles = tileRows * tileCols;
    std::vector<TileScratch> scratch(std::size_t(std::min(platform::WorkerCount(), std::max(tiles, 1))));
    const TileJob job{*this,
                      plane,
                      in,
                      use16 ? &mask16 : nullptr,
                      use32 ? &mask32 : nullptr,
                      weights,
                      transforms,
                      stopping,
                      height,
                      width,
                      step,
                      white,
                      rowOffset,
                      columnOffset,
                      std::abs(localization - localizationMax),
                      localization > 0};
    const auto runTile = [&](int index, int worker) {
        job.Run(index / tileCols * step, index % tileCols * step, scratch[std::size_t(worker)]);
    };
    platform::RunParallel(tiles, runTile, progress, cancelled);
}

}  // namespace engine
