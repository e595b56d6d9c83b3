#include "pipeline/dngconvert_jpeg_planes.h"

#include <algorithm>
#include <cstring>

#include "engine/class_fft.h"
#include "engine/progress_status.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/main_window_link.h"

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

bool DNGConvert::SplitPlanes(platform::Bitmap& bitmap) {
    if (bitmap.Format() != platform::PixelFormat::pf24bit) return false;
    const int width = bitmap.Width() - bitmap.Width() % 4;
    const int height = bitmap.Height();
    if (width != bitmap.Width()) bitmap = LeftColumns(bitmap, width);
    for (auto& plane : Planes)
        plane = std::make_unique<platform::Bitmap>(width, height, platform::PixelFormat::pf24bit);

    // With the width a multiple of 4 the rows carry no fill bytes: source
    // and planes are W x H x 3 contiguous bytes in the same (bottom-up) order.
    const uint8_t* source = bitmap.Bits();
    uint8_t* blue = Planes[kBlue]->Bits();
    uint8_t* green = Planes[kGreen]->Bits();
    uint8_t* red = Planes[kRed]->Bits();
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 3;
    for (std::size_t i = 0; i < bytes; i += 3) {
        blue[i + 2] = source[i];
        green[i + 2] = source[i + 1];
        red[i + 2] = source[i + 2];
    }
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
    const std::size_t bytes = std::size_t(bitmap.Width()) * std::size_t(bitmap.Height()) * 3;
    if (LoadedJpegIsGrey()) {
        for (std::size_t i = 0; i < bytes; i += 3) target[i] = target[i + 1] = target[i + 2] = green[i + 2];
        return;
    }
    for (std::size_t i = 0; i < bytes; i += 3) {
        target[i] = blue[i + 2];
        target[i + 1] = green[i + 2];
        target[i + 2] = red[i + 2];
    }
}

void DNGConvert::ProcessJPG(platform::Bitmap& bitmap) {
    MainWindowLink& window = *gMainWindow;
    if (!SplitPlanes(bitmap)) return;
    window.SetMaskingMaximum(kMaskingMaximum);
    window.SetLocalizationMaximum(kLocalizationMaximum);
    engine::ClassFFT* fft = window.FftEngine();
    if (!fft) return;
    DeblurJpegPlanes(Planes, LoadedJpegIsGrey(), *fft, window.CropTop(), window.CropLeft(), nullptr,
                     [] { return false; });
    MergePlanes(bitmap);
    window.RepaintResultPatch();
}

}  // namespace pipeline
