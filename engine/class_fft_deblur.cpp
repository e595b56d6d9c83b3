#include "engine/class_fft.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/image_plane16.h"
#include "engine/progress_status.h"
#include "platform/bitmap.h"
#include "platform/process_messages.h"

namespace engine {
namespace {

constexpr int N = ClassFFT::kTileSize;
constexpr std::size_t kTileElements = std::size_t(N) * N;
constexpr int kMaxLowPass = 200;
constexpr int kEdgeScale = 600000;
// Pending messages run once the filter's frequency counter exceeds this.
constexpr int kPumpCounterLimit = 100;

// H rows of W ints, one block of memory.
struct IntPlane {
    IntPlane(int h, int w) : width(w), data(std::size_t(h) * std::size_t(w)) {}
    int32_t* Row(int r) { return data.data() + std::size_t(r) * width; }
    const int32_t* Row(int r) const { return data.data() + std::size_t(r) * width; }

    int width;
    std::vector<int32_t> data;
};

// The plane handed to a run, read once into I and written back pixel by pixel.
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

    void ReadInto(IntPlane& plane) const {
        for (int r = 0; r < height_; ++r) {
            int32_t* dst = plane.Row(r);
            if (image_) {
                const uint16_t* src = image_->Row(r);
                std::copy(src, src + width_, dst);
            } else {
                // DIB memory is bottom-up; the value sits in the red byte (byte 2).
                const uint8_t* src = bitmap_->Bits() +
                                     std::size_t(height_ - 1 - r) * std::size_t(bitmap_->Stride());
                for (int c = 0; c < width_; ++c) dst[c] = src[3 * c + 2];
            }
        }
    }

    // Row pointer for raw writes, null for a bitmap plane.
    uint16_t* RawRow(int row) { return image_ ? image_->MutableRow(row) : nullptr; }

    void WriteBitmap(int row, int col, double v) {
        const int value = int(std::min(std::max(v, 0.0), 255.0));
        bitmap_->SetPixel(col, row, platform::RGBColor(uint8_t(value), 0, 0));
    }

private:
    ImagePlane16* image_;
    platform::Bitmap* bitmap_;
    int height_ = 0;
    int width_ = 0;
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

// The regulariser's spectrum turned into a filter table: |P_k|^2 in the real
// part, the weight Re(H_k) / D of the current strength in the imaginary part.
// The weights only change with the strength, so tiles share them.
class FilterTable {
public:
    explicit FilterTable(std::unique_ptr<Complex[]> regulariserSpectrum)
        : table_(std::move(regulariserSpectrum)) {
        for (std::size_t k = 0; k < kTileElements; ++k) table_[k] = Complex(SquaredMagnitude(table_[k]), 0.0);
    }

    void Prepare(double gamma, const Complex* kernel) {
        if (ready_ && gamma == gamma_) return;
        for (std::size_t k = 0; k < kTileElements; ++k) {
            const double d = gamma * table_[k].real() + SquaredMagnitude(kernel[k]);
            table_[k].imag(d != 0.0 ? kernel[k].real() / d : 0.0);
        }
        gamma_ = gamma;
        ready_ = true;
    }

    double Weight(std::size_t k) const { return table_[k].imag(); }

private:
    std::unique_ptr<Complex[]> table_;
    double gamma_ = 0.0;
    bool ready_ = false;
};

// Discrete Laplacian with wrap-around, the regulariser of the filter.
std::unique_ptr<Complex[]> RegulariserArray() {
    std::unique_ptr<Complex[]> p = NewTile();
    p[0] = 4.0;
    p[1] = -1.0;
    p[N] = -1.0;
    p[N - 1] = -1.0;
    p[std::size_t(N - 1) * N] = -1.0;
    return p;
}

// Edge strength of the input, 0 where deblurring is to be left out.
IntPlane EdgeMask(const IntPlane& in, int height, int width, int white, int threshold) {
    IntPlane z = in;
    const int t = kEdgeScale / white;
    for (int r = 2; r <= height - 2; ++r) {
        const int32_t* up = in.Row(r - 1);
        const int32_t* mid = in.Row(r);
        const int32_t* down = in.Row(r + 1);
        int32_t* out = z.Row(r);
        for (int c = 2; c <= width - 2; ++c) {
            const int a = up[c - 1], b = up[c], d = up[c + 1];
            const int e = mid[c - 1], f = mid[c + 1];
            const int g = down[c - 1], h = down[c], k = down[c + 1];
            // One signed sum of both directions, not a gradient magnitude.
            const int s = ((a + 2 * b + d) - (g + 2 * h + k)) + ((d + 2 * f + k) - (a + 2 * e + g));
            out[c] = int(std::min(float(t) * std::fabs(float(s)), float(white)));
        }
    }
    for (int32_t& v : z.data) v = std::max(v - threshold, 0);

    const IntPlane y = z;
    double g[25];
    ClassFFT::GaussianKernel(2, g, 1.5);
    double gsum = 0.0;
    for (double w : g) gsum += w;
    for (int r = 2; r <= height - 3; ++r) {
        int32_t* out = z.Row(r);
        for (int c = 2; c <= width - 3; ++c) {
            double sum = 0.0;
            for (int i = -2; i <= 2; ++i) {
                const int32_t* src = y.Row(r + i) + c;
                for (int j = -2; j <= 2; ++j) sum += src[j] * g[(i + 2) * 5 + (j + 2)];
            }
            out[c] = int(sum / gsum);
        }
    }
    return z;
}

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

    if (buildsSpectrum) {
        std::unique_ptr<Complex[]> kernel = NewTile();
        BuildKernel(kernel.get(), N);
        if (progress) progress->SetStatus("Forward transform of kernel matrix...");
        FFT2D(kernel.get(), N, 1, progress);
        kernelSpectrum = std::move(kernel);
    }

    std::unique_ptr<Complex[]> regulariser = RegulariserArray();
    if (progress) progress->SetStatus("Forward transform of low pass filter matrix...");
    FFT2D(regulariser.get(), N, 1, progress);
    FilterTable filter(std::move(regulariser));

    const int step = (N >= width && N >= height) ? N : N / 2;
    if (progress) {
        progress->SetStatus("Deblurring...");
        progress->Restart((width / (N / 2) + 1) * (height / (N / 2) + 1));
    }

    const bool masked = maskThreshold != 0;
    const IntPlane mask = masked ? EdgeMask(in, height, width, white, maskThreshold) : IntPlane(0, 0);
    const bool localized = localization > 0;
    const int margin = std::abs(localization - localizationMax);
    const double inverseArea = 1.0 / (double(N) * double(N));

    std::unique_ptr<Complex[]> tile = NewTile();
    for (int tileRow = 0; tileRow < height; tileRow += step) {
        for (int tileCol = 0; tileCol < width; tileCol += step) {
            if (progress) progress->Step(1);

            const int rows = std::min(N, height - tileRow);
            const int cols = std::min(N, width - tileCol);
            std::fill(tile.get(), tile.get() + kTileElements, Complex());
            for (int r = 0; r < rows; ++r) {
                const int32_t* src = in.Row(tileRow + r) + tileCol;
                Complex* dst = tile.get() + std::size_t(r) * N;
                for (int c = 0; c < cols; ++c) dst[c] = Complex(src[c], 0.0);
            }

            FFT2D(tile.get(), N, 1, nullptr);

            if (lowPass > kMaxLowPass) lowPass = kMaxLowPass;
            filter.Prepare(std::pow(1.07, lowPass) * 0.0001, kernelSpectrum.get());
            int counter = 0;
            for (std::size_t k = 0; k < kTileElements; ++k) {
                tile[k] *= filter.Weight(k);
                if (counter > kPumpCounterLimit) {
                    platform::ProcessMessages();
                    counter = 0;
                }
                if (cancelRequested) {
                    cancelRequested = false;
                    return;
                }
                ++counter;
            }

            FFT2D(tile.get(), N, -1, nullptr);

            // Inner tiles keep their middle half; the first row and column of tiles start at 0.
            const int rStart = tileRow > 0 ? N / 4 : 0;
            const int cStart = tileCol > 0 ? N / 4 : 0;
            for (int r = rStart; r < rows; ++r) {
                const int row = tileRow + r;
                const int32_t* inRow = in.Row(row);
                const int32_t* maskRow = masked ? mask.Row(row) : nullptr;
                uint16_t* rawRow = plane.RawRow(row);
                const Complex* result = tile.get() + std::size_t(r) * N;
                const bool rowInside = row >= 2 && row <= height - 3;
                for (int c = cStart; c < cols; ++c) {
                    const int col = tileCol + c;
                    const int i = inRow[col];
                    double v = result[c].real() * inverseArea;

                    const bool bounded = localized && rowInside && col >= 2 && col <= width - 3;
                    int lo = 0;
                    int hi = 0;
                    if (bounded) {
                        lo = hi = i;
                        for (int wr = row - 2; wr <= row + 2; ++wr) {
                            const int32_t* w = in.Row(wr) + col;
                            for (int wc = -2; wc <= 2; ++wc) {
                                lo = std::min(lo, w[wc]);
                                hi = std::max(hi, w[wc]);
                            }
                        }
                        lo = std::max(lo - margin, 0);
                        hi = std::min(hi + margin, white);
                    }

                    v = std::max(v, 0.0);
                    v = std::min(v, double(white));
                    if (bounded) {
                        if (lo < white) v = std::max(v, double(lo));
                        if (hi > 0) v = std::min(v, double(hi));
                    }

                    if (masked) {
                        const int z = maskRow[col];
                        v = z > 0 ? i - (i - v) / white * z : i;
                    }

                    int depth = 0;
                    for (const auto& circle : circles) {
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
        }
    }
}

}  // namespace engine
