#include "pipeline/dngconvert_jpeg_planes.h"

#include <algorithm>
#include <cstring>

#include "engine/class_fft.h"
#include "engine/progress_status.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/main_window_link.h"
#include "platform/parallel_run.h"

namespace pipeline {
namespace {

// Indexes into DNGConvert::Planes.
constexpr int kGreen = 0;
constexpr int kRed = 1;
constexpr int kBlue = 2;

constexpr int kWhite = 255;
// Slider ranges that suit 8-bit planes.
constexpr int kMaskingMaximum = 255;
constexpr int kLocalizationMaximum = 85;
// Rows per band of the split and merge loops on the worker threads.
constexpr int kBandRows = 32;

// The left `width` columns of a bitmap.
platform::Bitmap LeftColumns(const platform::Bitmap& bitmap, int width) {
    platform::Bitmap cut(width, bitmap.Height(), bitmap.Format());
    const std::size_t rowBytes = std::size_t(width) * std::size_t(bitmap.BytesPerPixel());
    // A bitmap narrower than four columns cuts to none, whose rows have no memory.
    if (rowBytes == 0) return cut;
    for (int row = 0; row < bitmap.Height(); ++row) std::memcpy(cut.ScanLine(row), bitmap.ScanLine(row), rowBytes);
    return cut;
}

bool LoadedJpegIsGrey() {
    return gMainWindow->BrowserPicture().Format() == platform::PixelFormat::pf8bit;
}

}  // namespace

bool DeblurJpegPlanes(std::array<std::unique_ptr<platform::Bitmap>, 3>& planes, bool grey, engine::ClassFFT& fft,
                      int rowOffset, int columnOffset, engine::ProgressStatus* progress,
                      const std::function<bool()>& cancelled) {
    if (grey) {
        fft.Deblur(nullptr, planes[kGreen].get(), rowOffset, columnOffset, 0, kWhite, progress);
        return !cancelled();
    }
    struct Step { int plane; int channel; const char* text; };
    static constexpr Step kSteps[] = {
        {kGreen, 1, "green plane..."}, {kRed, 2, "red plane..."}, {kBlue, 3, "blue plane..."}};
    for (const Step& step : kSteps) {
        if (progress) progress->AppendStatus(step.text);
        fft.Deblur(nullptr, planes[std::size_t(step.plane)].get(), rowOffset, columnOffset, step.channel, kWhite,
                   progress);
        if (cancelled()) return false;
    }
    return true;
}

void SplitIntoPlanes(const platform::Bitmap& source, std::array<std::unique_ptr<platform::Bitmap>, 3>& planes) {
    const int width = source.Width() - source.Width() % 4;
    const int height = source.Height();
    for (auto& plane : planes) plane = std::make_unique<platform::Bitmap>(width, height, platform::PixelFormat::pf8bit);
    const bool grey = source.Format() == platform::PixelFormat::pf8bit;
    // With the width a multiple of 4 the planes' rows carry no fill bytes: each is
    // W x H contiguous bytes in the source's (bottom-up) row order.
    uint8_t* blue = planes[kBlue]->Bits();
    uint8_t* green = planes[kGreen]->Bits();
    uint8_t* red = planes[kRed]->Bits();
    platform::RunRowBands(height, kBandRows, [&](int first, int last, int) {
        for (int row = first; row < last; ++row) {
            const uint8_t* from = source.Bits() + std::size_t(row) * std::size_t(source.Stride());
            const std::size_t at = std::size_t(row) * std::size_t(width);
            for (int col = 0; col < width; ++col) {
                const uint8_t* pixel = grey ? from + col : from + 3 * col;
                blue[at + col] = pixel[0];
                green[at + col] = pixel[grey ? 0 : 1];
                red[at + col] = pixel[grey ? 0 : 2];
            }
        }
    });
}

bool DNGConvert::SplitPlanes(platform::Bitmap& bitmap) {
    if (bitmap.Format() != platform::PixelFormat::pf24bit) return false;
    const int width = bitmap.Width() - bitmap.Width() % 4;
    if (width != bitmap.Width()) bitmap = LeftColumns(bitmap, width);
    SplitIntoPlanes(bitmap, Planes);
    return true;
}

void DNGConvert::MergePlanes(platform::Bitmap& bitmap) {
    // Planes always have a width that is a multiple of 4, so a bitmap of their size has no fill bytes either.
    const auto fits = [&](const std::unique_ptr<platform::Bitmap>& plane) {
        return plane && plane->Width() == bitmap.Width() && plane->Height() == bitmap.Height();
    };
    if (bitmap.Format() != platform::PixelFormat::pf24bit || !std::all_of(Planes.begin(), Planes.end(), fits)) return;
    uint8_t* target = bitmap.Bits();
    const uint8_t* blue = Planes[kBlue]->Bits();
    const uint8_t* green = Planes[kGreen]->Bits();
    const uint8_t* red = Planes[kRed]->Bits();
    const bool grey = LoadedJpegIsGrey();
    const std::size_t width = std::size_t(bitmap.Width());
    platform::RunRowBands(bitmap.Height(), kBandRows, [&](int first, int last, int) {
        for (std::size_t i = std::size_t(first) * width; i < std::size_t(last) * width; ++i) {
            uint8_t* pixel = target + 3 * i;
            pixel[0] = grey ? green[i] : blue[i];
            pixel[1] = green[i];
            pixel[2] = grey ? green[i] : red[i];
        }
    });
}

void DNGConvert::ProcessJPG(platform::Bitmap& bitmap) {
    MainWindowLink& window = *gMainWindow;
    // Only the photo's part of the patch is deblurred: where the crop reaches past a
    // photo smaller than it, the black around it is no part of the image.
    const platform::Bitmap& preview = window.PreviewPicture();
    const int cropLeft = window.CropLeft();
    const int cropTop = window.CropTop();
    const int left = std::max(0, -cropLeft);
    const int top = std::max(0, -cropTop);
    const int width = std::min(bitmap.Width(), preview.Width() - cropLeft) - left;
    const int height = std::min(bitmap.Height(), preview.Height() - cropTop) - top;
    if (width <= 0 || height <= 0) return;
    // The planes are cut to a multiple of 4 wide: up to 3 black columns after the
    // photo's last ones keep those in the deblurred part.
    platform::Bitmap part((width + 3) / 4 * 4, height, bitmap.Format());
    platform::CopyPixels(bitmap, left, top, part, 0, 0, width, height);
    if (!SplitPlanes(part)) return;
    window.SetMaskingMaximum(kMaskingMaximum);
    window.SetLocalizationMaximum(kLocalizationMaximum);
    engine::ClassFFT* fft = window.FftEngine();
    if (!fft) return;
    DeblurJpegPlanes(Planes, LoadedJpegIsGrey(), *fft, cropTop + top, cropLeft + left, nullptr, [] { return false; });
    MergePlanes(part);
    platform::CopyPixels(part, 0, 0, bitmap, left, top, width, height);
    window.RepaintResultPatch();
}

}  // namespace pipeline
