#pragma once
#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "engine/control_circle.h"

namespace platform {
class Bitmap;
class ImagePlane16;
}  // namespace platform

namespace engine {

class KernelGridSource;
class ProgressStatus;

using Complex = std::complex<double>;

// The deconvolution engine: deblurs one image plane at a time against the
// kernel painted on the kernel grid, by tiled 2-D FFT and a regularised
// inverse filter. One instance per process.
class ClassFFT {
public:
    // Tile size of a run; the transforms need a power of two.
    static constexpr int kTileSize = 512;

    explicit ClassFFT(std::string folder);
    ClassFFT(const ClassFFT&) = delete;
    ClassFFT& operator=(const ClassFFT&) = delete;

    KernelGridSource* kernelPanel = nullptr;
    int lowPass = 1;
    int localizationMax = 400;
    int localization = 0;
    std::string dataFolder;
    // Forward transform of the kernel, kTileSize x kTileSize; kept from the
    // first to the last colour plane of one image.
    std::unique_ptr<Complex[]> kernelSpectrum;
    bool cancelRequested = false;
    int maskThreshold = 0;
    int kernelSmoothing = 0;
    std::vector<std::unique_ptr<ControlCircle>> circles;

    void SetLowPass(int level);
    void SetLocalization(int position, int maximum);

    // Deconvolves the plane in place. Exactly one of `image` (16-bit raw
    // plane) and `bitmap` (8-bit grey bitmap, or 24-bit with the value in the
    // red byte) is given.
    // Channel 0 is a single plane; 1, 2, 3 the colour planes of one image,
    // in that order, sharing one kernel spectrum.
    void Deblur(platform::ImagePlane16* image, platform::Bitmap* bitmap, int rowOffset, int columnOffset,
                int channel, int white, ProgressStatus* progress);

    void AddCircle(int y, int x);
    void DeleteCircle(int index);
    void ClearCircles();
    bool InDeblurArea(int y, int x) const;

    // Fills the zeroed n x n array with the normalised kernel, centre at (0, 0).
    void BuildKernel(Complex* array, int n);
    // (2 radius + 1)^2 weights, row-major, summing to 1.
    static void GaussianKernel(int radius, double* rows, double sigma);
    // In place, unscaled: forward then inverse multiplies by n^2.
    static void FFT2D(Complex* array, int n, int direction, ProgressStatus* progress);
    static bool FFT2DCore(Complex* array, int n, double* tempReal, double* tempImag, int direction);
    static bool FFT1D(int direction, int m, double* real, double* imag);
};

}  // namespace engine
