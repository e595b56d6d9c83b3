#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/class_fft.h"
#include "engine/edge_mask.h"
#include "engine/image_plane16.h"
#include "engine/int_plane.h"
#include "engine/parallel_run.h"
#include "engine/progress_status.h"
#include "engine/tile_transforms.h"
#include "platform/bitmap.h"

namespace engine {
namespace {

constexpr int N = ClassFFT::kTileSize;
static_assert(N == TileTransforms::N, "the transforms are planned for the engine's tile");
constexpr std::size_t kTileElements = std::size_t(N) * N;
constexpr int kHalfWidth = N / 2 + 1;
constexpr int kStride = TileTransforms::Stride();
constexpr int kMaxLowPass = 200;

// The plane handed to a run: read once into I, written back by row pointers
// that are taken on the calling thread before the workers start.
class PlaneAccess {
public:
    PlaneAccess(ImagePlane16* image, platform::Bitmap* bitmap) : image_(image), bitmap_(bitmap) {
        if (image_) {
            height_ = std::max(image_->Height(), 0);
            width_ = std::max(image_->Width(), 0);
        } else {
            height_ = bitmap_->Height();
            width_ = bitmap_->Width();
        }
    }
    // Whatever was written reaches the image, however the run ends.
    ~PlaneAccess() {
        if (image_) image_->Commit();
    }
    PlaneAccess(const PlaneAccess&) = delete;
    PlaneAccess& operator=(const PlaneAccess&) = delete;

    int Height() const { return height_; }
    int Width() const { return width_; }

    void ReadInto(IntPlane& plane) {
        if (image_) rawRows_.resize(std::size_t(height_));
        for (int r = 0; r < height_; ++r) {
            int32_t* dst = plane.Row(r);
            if (image_) {
                const uint16_t* src = image_->Row(r);
                std::copy(src, src + width_, dst);
                rawRows_[std::size_t(r)] = image_->MutableRow(r);
            } else {
                // DIB memory is bottom-up; the value sits in the red byte (byte 2).
                const uint8_t* src = bitmap_->Bits() +
                                     std::size_t(height_ - 1 - r) * std::size_t(bitmap_->Stride());
                for (int c = 0; c < width_; ++c) dst[c] = src[3 * c + 2];
            }
        }
    }

    // Row pointer for raw writes, null for a bitmap plane; safe on any thread.
    uint16_t* RawRow(int row) const { return image_ ? rawRows_[std::size_t(row)] : nullptr; }

    // Distinct pixels of a bitmap may be written from different threads.
    void WriteBitmap(int row, int col, double v) const {
        const int value = int(std::min(std::max(v, 0.0), 255.0));
        bitmap_->SetPixel(col, row, platform::RGBColor(uint8_t(value), 0, 0));
    }

private:
    ImagePlane16* image_;
    platform::Bitmap* bitmap_;
    int height_ = 0;
    int width_ = 0;
    std::vector<uint16_t*> rawRows_;
};

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
            for (int c = 0; c < kHalfWidth; ++c) half[std::size_t(r) * kHalfWidth + c] = SquaredMagnitude(p[std::size_t(r) * N + c]);
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

// Where a tile's written window ends along one axis: where the next tile's
// window begins, so that every sample has exactly one writer, the tile that
// wrote it last when tiles ran one after the other.
int WindowEnd(int origin, int step, int extent) {
    const int end = std::min(origin + N, extent);
    const int nextStart = origin + step + N / 4;
    return origin + step < extent && nextStart < extent ? std::min(end, nextStart) : end;
}

// Per-worker memory of the tile loop.
struct TileScratch {
    TileTransforms::Buffer tile = TileTransforms::NewBuffer();
    std::vector<int32_t> low = std::vector<int32_t>(N + 4);
    std::vector<int32_t> high = std::vector<int32_t>(N + 4);
};

// 5 x 5 minimum and maximum of I around columns first .. last of `row`
// (all at least two inside the plane): column extremes over the five rows
// first, then over five columns. low[i] and high[i] belong to column first + i.
void WindowExtremes(const IntPlane& in, int row, int first, int last, TileScratch& s) {
    const int from = first - 2;
    const int count = last - first + 5;
    const int32_t* rows[5];
    for (int i = 0; i < 5; ++i) rows[i] = in.Row(row - 2 + i) + from;
    int32_t* lo = s.low.data();
    int32_t* hi = s.high.data();
    for (int c = 0; c < count; ++c) {
        int32_t a = rows[0][c], b = rows[0][c];
        for (int i = 1; i < 5; ++i) {
            a = std::min(a, rows[i][c]);
            b = std::max(b, rows[i][c]);
        }
        lo[c] = a;
        hi[c] = b;
    }
    for (int c = 0; c + 4 < count; ++c) {
        int32_t a = lo[c], b = hi[c];
        for (int j = 1; j < 5; ++j) {
            a = std::min(a, lo[c + j]);
            b = std::max(b, hi[c + j]);
        }
        lo[c] = a;
        hi[c] = b;
    }
}

// Everything a tile needs besides its origin and scratch memory.
struct TileJob {
    const ClassFFT& engine;
    const PlaneAccess& plane;
    const IntPlane& in;
    const IntPlane* mask;
    const std::vector<double>& weights;
    const TileTransforms& transforms;
    const std::atomic<bool>& stopping;
    int height, width, step, white, rowOffset, columnOffset, margin;
    bool localized;

    void Run(int tileRow, int tileCol, TileScratch& s) const {
        const int rows = std::min(N, height - tileRow);
        const int cols = std::min(N, width - tileCol);
        double* tile = s.tile.get();
        for (int r = 0; r < N; ++r) {
            double* dst = tile + std::size_t(r) * kStride;
            int c = 0;
            if (r < rows) {
                const int32_t* src = in.Row(tileRow + r) + tileCol;
                for (; c < cols; ++c) dst[c] = src[c];
            }
            std::fill(dst + c, dst + N, 0.0);
        }

        transforms.Forward(tile);
        // A cancel leaves the tile being filtered unwritten; looking twice keeps the wait short.
        if (stopping.load(std::memory_order_relaxed)) return;
        const double* w = weights.data();
        const std::size_t halfCount = std::size_t(N) * kHalfWidth;
        for (std::size_t k = 0; k < halfCount; ++k) {
            tile[2 * k] *= w[k];
            tile[2 * k + 1] *= w[k];
        }
        transforms.Inverse(tile);

        if (stopping.load(std::memory_order_relaxed)) return;

        // Inner tiles keep from a quarter tile in; the first row and column of tiles start at 0.
        const int rStart = tileRow > 0 ? N / 4 : 0;
        const int cStart = tileCol > 0 ? N / 4 : 0;
        const int rEnd = WindowEnd(tileRow, step, height) - tileRow;
        const int cEnd = WindowEnd(tileCol, step, width) - tileCol;
        for (int r = rStart; r < rEnd; ++r)
            WriteRow(tileRow + r, tileCol, cStart, cEnd, tile + std::size_t(r) * kStride, s);
    }

    // Tile columns [cStart, cEnd) of `row`; result[c] is the unscaled inverse transform at tile column c.
    void WriteRow(int row, int tileCol, int cStart, int cEnd, const double* result, TileScratch& s) const {
        const int first = tileCol + cStart;
        const int end = tileCol + cEnd;
        const double inverseArea = 1.0 / (double(N) * double(N));
        const int32_t* inRow = in.Row(row);
        const int32_t* maskRow = mask ? mask->Row(row) : nullptr;
        uint16_t* rawRow = plane.RawRow(row);
        // Columns with 5 x 5 bounds: two inside the plane on every side.
        const bool rowInside = localized && row >= 2 && row <= height - 3;
        const int boundFirst = std::max(first, 2);
        const int boundLast = std::min(end - 1, width - 3);
        const bool anyBounded = rowInside && boundFirst <= boundLast;
        if (anyBounded) WindowExtremes(in, row, boundFirst, boundLast, s);

        for (int col = first; col < end; ++col) {
            const int i = inRow[col];
            double v = result[col - tileCol] * inverseArea;

            v = std::max(v, 0.0);
            v = std::min(v, double(white));
            if (anyBounded && col >= boundFirst && col <= boundLast) {
                const int lo = std::max(s.low[std::size_t(col - boundFirst)] - margin, 0);
                const int hi = std::min(s.high[std::size_t(col - boundFirst)] + margin, white);
                if (lo < white) v = std::max(v, double(lo));
                if (hi > 0) v = std::min(v, double(hi));
            }

            if (maskRow) {
                const int z = maskRow[col];
                v = z > 0 ? i - (i - v) / white * z : i;
            }

            int depth = 0;
            for (const auto& circle : engine.circles) {
                depth = circle->Depth(row + rowOffset, col + columnOffset);
                const int tw = circle->transitionWidth;
                if (depth >= 0 && depth < tw) v = v + float(i - v) * (tw - depth) / tw;
                if (depth > -1) break;
            }
            if (depth <= -1) continue;

            if (rawRow) {
                // Samples above the white level can push the mask's blend out of range.
                rawRow[col] = uint16_t(std::min(std::max(v, 0.0), 65535.0));
            } else {
                plane.WriteBitmap(row, col, v);
            }
        }
    }
};

}  // namespace

void ClassFFT::Deblur(ImagePlane16* image, platform::Bitmap* bitmap, int rowOffset, int columnOffset,
                      int channel, int white, ProgressStatus* progress) {
    cancelRequested = false;
    const SpectrumRelease spectrumRelease(*this, channel == 0 || channel == 3);
    const bool buildsSpectrum = channel == 0 || channel == 1;
    // A new plane or colour sequence drops a spectrum that a cancelled sequence left behind.
    if (buildsSpectrum) kernelSpectrum.reset();

    if ((image == nullptr) == (bitmap == nullptr)) return;
    PlaneAccess plane(image, bitmap);

    // Refuse what would make the run read or divide by nonsense; the plane stays as it is.
    if (bitmap && bitmap->Format() != platform::PixelFormat::pf24bit) return;
    if (white < 1) return;
    if (buildsSpectrum && !kernelPanel) return;
    if (!buildsSpectrum && !kernelSpectrum) return;

    const int height = plane.Height();
    const int width = plane.Width();

    IntPlane in(height, width);
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
    IntPlane mask(masked ? height : 0, masked ? width : 0);
    if (masked && !EdgeMask(in, height, width, white, maskThreshold, mask, cancelled)) return;

    const int tileRows = (height + step - 1) / step;
    const int tileCols = (width + step - 1) / step;
    const int tiles = tileRows * tileCols;
    std::vector<TileScratch> scratch(std::size_t(std::min(WorkerCount(), std::max(tiles, 1))));
    const TileJob job{*this,  plane, in,    masked ? &mask : nullptr, weights,      transforms,
                      stopping, height, width, step, white, rowOffset, columnOffset,
                      std::abs(localization - localizationMax), localization > 0};
    RunParallel(
        tiles, [&](int index, int worker) { job.Run(index / tileCols * step, index % tileCols * step, scratch[worker]); },
        progress, cancelled);
}

}  // namespace engine
