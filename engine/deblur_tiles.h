#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/class_fft.h"
#include "engine/int_plane.h"
#include "engine/tile_transforms.h"
#include "platform/bitmap.h"
#include "platform/image_plane16.h"
#include "platform/parallel_run.h"

// The tiles of a deconvolution run: how the plane is read and written, and
// the work of one tile, which the run hands to its worker threads.
namespace engine {

// The plane handed to a run: read once into I, written back by row pointers
// that are taken on the calling thread before the workers start.
class PlaneAccess {
public:
    PlaneAccess(platform::ImagePlane16* image, platform::Bitmap* bitmap) : image_(image), bitmap_(bitmap) {
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

    // Rows go in bands on the worker threads; row pointers for the raw writes are taken first, on this one.
    void ReadInto(SamplePlane& plane) {
        if (image_) {
            rawRows_.resize(std::size_t(height_));
            for (int r = 0; r < height_; ++r) rawRows_[std::size_t(r)] = image_->MutableRow(r);
        }
        platform::RunRowBands(height_, kCopyBandRows, [&](int first, int last, int) {
            for (int r = first; r < last; ++r) {
                uint16_t* dst = plane.Row(r);
                if (image_) {
                    const uint16_t* src = image_->Row(r);
                    std::copy(src, src + width_, dst);
                } else if (bitmap_->Format() == platform::PixelFormat::pf8bit) {
                    const uint8_t* src = bitmap_->ScanLine(r);
                    std::copy(src, src + width_, dst);
                } else {
                    // A 24-bit plane holds its value in the red byte (byte 2).
                    const uint8_t* src = bitmap_->ScanLine(r);
                    for (int c = 0; c < width_; ++c) dst[c] = src[3 * c + 2];
                }
            }
        });
    }

    // Row pointer for raw writes, null for a bitmap plane; safe on any thread.
    uint16_t* RawRow(int row) const { return image_ ? rawRows_[std::size_t(row)] : nullptr; }

    // Distinct pixels of a bitmap may be written from different threads.
    void WriteBitmap(int row, int col, double v) const {
        const uint8_t value = uint8_t(int(std::min(std::max(v, 0.0), 255.0)));
        if (bitmap_->Format() == platform::PixelFormat::pf8bit)
            bitmap_->ScanLine(row)[col] = value;
        else
            bitmap_->SetPixel(col, row, platform::RGBColor(value, 0, 0));
    }

private:
    static constexpr int kCopyBandRows = 32;

    platform::ImagePlane16* image_;
    platform::Bitmap* bitmap_;
    int height_ = 0;
    int width_ = 0;
    std::vector<uint16_t*> rawRows_;
};

// Per-worker memory of the tile loop.
struct TileScratch {
    TileTransforms::Buffer tile = TileTransforms::NewBuffer();
    std::vector<int32_t> low = std::vector<int32_t>(TileTransforms::N + 4);
    std::vector<int32_t> high = std::vector<int32_t>(TileTransforms::N + 4);
};

// Everything a tile needs besides its origin and scratch memory.
struct TileJob {
    const ClassFFT& engine;
    const PlaneAccess& plane;
    const SamplePlane& in;
    // The edge mask, in whichever of the two is given, or none.
    const SamplePlane* mask16;
    const IntPlane* mask32;
    const std::vector<double>& weights;
    const TileTransforms& transforms;
    const std::atomic<bool>& stopping;
    int height, width, step, white, rowOffset, columnOffset, margin;
    bool localized;

    // Transforms, filters and writes back the tile at (tileRow, tileCol); safe
    // on any thread with its own scratch memory. Writes nothing once `stopping`.
    void Run(int tileRow, int tileCol, TileScratch& s) const;

private:
    void WriteRow(int row, int tileCol, int cStart, int cEnd, const double* result, TileScratch& s) const;
};

}  // namespace engine
