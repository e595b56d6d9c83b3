#include <algorithm>
#include <array>
#include <cstring>

#include "dng/dng_color_space.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_image_plane16.h"
#include "dng/dng_tile_buffer.h"
#include "engine/progress_status.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/main_window_link.h"
#include "platform/bitmap.h"
#include "platform/parallel_run.h"
#include "platform/progress_controls.h"

float TWKNegative::RenderWhite[3] = {1.0f, 1.0f, 1.0f};

namespace {

// Linear values from 49152/65535 up all show as white.
constexpr uint32 kGammaCap = 49151;
constexpr uint64 kPatchPixels = TWKNegative::kPatchSnapshotBytes / 3;
// The colour render steps its bar once per this many pixels, and hands a worker
// this many steps at a time: smaller pieces cost more in handing out than they save.
constexpr uint64 kPixelsPerStep = 100;
constexpr uint64 kStepsPerIndex = 100;
// Rows per piece of work handed to a worker thread.
constexpr int kBandRows = 16;

const dng_color_space& OutputSpace(int profileIndex) {
    switch (profileIndex) {
        case 1: return dng_space_AdobeRGB::Get();
        case 2: return dng_space_ColorMatch::Get();
        case 3: return dng_space_ProPhoto::Get();
        default: return dng_space_sRGB::Get();
    }
}

// Stage-3 width rounded down to 4 and height; refuses what the snapshot cannot hold.
void RenderSize(const dng_image* stage3, bool full, uint32& w4, uint32& height) {
    if (!stage3) ThrowProgramError("No stage-3 image to render");
    w4 = stage3->Width() & ~3u;
    height = stage3->Height();
    if (TWKNegative::WorkPixels(w4, height) > (full ? TWKNegative::kMaxWorkPixels : kPatchPixels))
        ThrowProgramError("Photo too large to render");
}

// What each capped gamma index shows, as bytes: a table small enough to stay in cache.
using ShownLevels = std::array<uint8, kGammaCap + 1>;

ShownLevels ShownGamma(const uint32* gamma) {
    ShownLevels shown;
    for (uint32 i = 0; i <= kGammaCap; ++i) shown[i] = static_cast<uint8>(std::min<uint32>(gamma[i], 255));
    return shown;
}

// Camera to ProPhoto, ProPhoto to the output space, and the camera white.
struct ColourMatrices {
    double a[3][3];
    double b[3][3];
    float white[3];
};

// Renders work-image pixels first .. last - 1 (B G R, 16 bits) to bytes in the same places.
// Everything is read into locals first: the byte stores may alias anything reached through a pointer.
void RenderColourPixels(const uint16* work, uint8* out, uint64 first, uint64 last, const ColourMatrices& matrices,
                        const ShownLevels& shown) {
    const ColourMatrices m = matrices;
    const uint8* levels = shown.data();
    for (uint64 i = first; i < last; ++i) {
        const uint64 s = i * 3;
        const float rgb[3] = {std::min(work[s + 2] / 65535.0f, m.white[0]),
                              std::min(work[s + 1] / 65535.0f, m.white[1]), std::min(work[s] / 65535.0f, m.white[2])};
        double xyz[3];
        for (int r = 0; r < 3; ++r) xyz[r] = m.a[r][0] * rgb[0] + m.a[r][1] * rgb[1] + m.a[r][2] * rgb[2];
        uint8 pixel[3];
        for (int r = 0; r < 3; ++r) {
            const double o = m.b[r][0] * xyz[0] + m.b[r][1] * xyz[1] + m.b[r][2] * xyz[2];
            const float clamped = std::min(std::max(static_cast<float>(o), 0.0f), 1.0f);
            pixel[r] = levels[std::min(static_cast<uint32>(clamped * 65535.0f), kGammaCap)];
        }
        out[s] = pixel[2];
        out[s + 1] = pixel[1];
        out[s + 2] = pixel[0];
    }
}

}  // namespace

void TWKNegative::CopyStage3ToWorkImage() {
    const dng_image* stage3 = Stage3Image();
    if (!stage3 || stage3->Planes() < 3) ThrowProgramError("Colour render needs a three-plane stage-3 image");
    const uint32 w4 = stage3->Width() & ~3u;
    const uint32 height = stage3->Height();
    const dng_rect bounds = stage3->Bounds();
    const dng_const_tile_buffer buffer(*stage3, bounds);
    platform::RunRowBands(int(height), kBandRows, [&](int first, int last, int) {
        for (uint32 row = uint32(first); row < uint32(last); ++row) {
            uint16* out = WorkImage.get() + uint64(height - 1 - row) * w4 * 3;
            for (uint32 plane = 0; plane < 3; ++plane) {
                const uint16* in = buffer.ConstPixel_uint16(bounds.t + int32(row), bounds.l, plane);
                const int32 step = buffer.fColStep;
                for (uint32 col = 0; col < w4; ++col) out[col * 3 + 2 - plane] = in[int64(col) * step];
            }
        }
    });
}

void TWKNegative::RenderToBitmap(platform::Bitmap& bitmap, real64 /*zoom*/, int32 brightness, int32 contrast,
                                 bool full, engine::ProgressStatus* progress) {
    if (!ColorSpec) {
        ColorSpec.reset(new dng_color_spec(*this, ProfileToEmbed()));
        dng_xy_coord white(0.3324, 0.3474);
        if (HasCameraWhiteXY() && CameraWhiteX() > 0.0 && CameraWhiteY() > 0.0)
            white = dng_xy_coord(CameraWhiteX(), CameraWhiteY());
        else if (HasCameraNeutral())
            white = ColorSpec->NeutralToXY(CameraNeutral());
        ColorSpec->SetWhiteXY(white);
        const dng_vector& cameraWhite = ColorSpec->CameraWhite();
        if (cameraWhite.Count() < 3) ThrowProgramError("Colour render needs three camera channels");
        for (uint32 c = 0; c < 3; ++c) RenderWhite[c] = static_cast<float>(cameraWhite[c]);
    }
    const int profileIndex = pipeline::gMainWindow ? pipeline::gMainWindow->ProfileIndex() : 0;
    const dng_color_space& proPhoto = dng_space_ProPhoto::Get();
    const dng_matrix m1 = proPhoto.MatrixFromPCS() * ColorSpec->CameraToPCS();
    const dng_matrix m2 = OutputSpace(profileIndex).MatrixFromPCS() * proPhoto.MatrixToPCS();
    ColourMatrices matrices;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            matrices.a[r][c] = m1[r][c];
            matrices.b[r][c] = m2[r][c];
        }
    for (int c = 0; c < 3; ++c) matrices.white[c] = RenderWhite[c];

    uint32 w4 = 0, height = 0;
    RenderSize(Stage3Image(), full, w4, height);
    // Only a colour filter array is demosaiced through the sample hook.
    if (!GetMosaicInfo() || !GetMosaicInfo()->IsColorFilterArray()) CopyStage3ToWorkImage();
    bitmap.SetPixelFormat(platform::PixelFormat::pf24bit);
    bitmap.SetSize(int(w4), int(height));
    const uint64 pixels = uint64(w4) * height;
    if (progress && progress->bar) {
        progress->bar->SetMin(0);
        progress->bar->SetMax(int(pixels / kPixelsPerStep));
        progress->bar->SetPosition(0);
    }

    const uint16* work = WorkImage.get();
    uint8* snapshot = full ? FullSnapshot.get() : PatchSnapshot;
    const ShownLevels shown = ShownGamma(GammaTable);
    // The bar steps once per 100 pixels; a worker takes 100 steps at a time, the
    // last index also the pixels left over.
    const uint64 steps = pixels / kPixelsPerStep;
    const int indices = int(std::max<uint64>((steps + kStepsPerIndex - 1) / kStepsPerIndex, 1));
    const auto renderSteps = [&](int index, int) {
        const uint64 first = uint64(index) * kStepsPerIndex * kPixelsPerStep;
        const uint64 last = index + 1 == indices ? pixels : first + kStepsPerIndex * kPixelsPerStep;
        RenderColourPixels(work, snapshot, first, last, matrices, shown);
    };
    const auto stepsAt = [&](int started) { return int(std::min<uint64>(uint64(started) * kStepsPerIndex, steps)); };
    platform::RunParallel(indices, renderSteps, steps > 0 ? progress : nullptr, nullptr, stepsAt);
    // The sliders' pass below writes every byte of the bitmap from the snapshot.
    ApplyBrightnessContrast(bitmap, brightness, contrast, full);
}

void TWKNegative::RenderMonochromeToBitmap(platform::Bitmap& bitmap, real64 /*zoom*/, int32 brightness,
                                           int32 contrast, bool full) {
    uint32 w4 = 0, height = 0;
    RenderSize(Stage3Image(), full, w4, height);
    bitmap.SetPixelFormat(platform::PixelFormat::pf24bit);
    bitmap.SetSize(int(w4), int(height));
    platform::ProgressBarControl* bar = pipeline::gMainWindow ? &pipeline::gMainWindow->StatusBar() : nullptr;
    // The bar counts rows, whatever scale the caller left on it.
    if (bar) {
        bar->SetMin(0);
        bar->SetMax(int(height));
    }
    dng_image_plane16 plane(*Stage3Image());
    uint8* snapshot = full ? FullSnapshot.get() : PatchSnapshot;
    const std::size_t rowBytes = std::size_t(w4) * 3;
    const ShownLevels shown = ShownGamma(GammaTable);
    platform::RunRowBands(int(height), kBandRows, [&](int first, int last, int) {
        const uint8* levels = shown.data();
        for (uint32 y = uint32(first); y < uint32(last); ++y) {
            const uint16* samples = plane.Row(int(y));
            uint8* row = snapshot + std::size_t(height - 1 - y) * rowBytes;
            for (uint32 x = 0; x < w4; ++x) {
                const uint8 grey = levels[std::min<uint32>(samples[x], kGammaCap)];
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey;
            }
        }
    });
    // Workers never touch the bar: it is left where the last row puts it.
    if (bar && height > 0) bar->SetPosition(int(height) - 1);
    ApplyBrightnessContrast(bitmap, brightness, contrast, full);
}

void TWKNegative::ApplyBrightnessContrast(platform::Bitmap& bitmap, int32 brightness, int32 contrast, bool full) {
    const std::size_t capacity = full ? std::size_t(kMaxWorkPixels) * 3 : kPatchSnapshotBytes;
    const std::size_t n = std::min({std::size_t(3) * bitmap.Width() * bitmap.Height(), bitmap.ByteSize(), capacity});
    const uint8* source = full ? FullSnapshot.get() : PatchSnapshot;
    uint8* destination = bitmap.Bits();
    const float factor = 1.0f + static_cast<float>(contrast) * (1.0f / 75.0f);
    // Each output byte depends on its source byte only.
    std::array<uint8, 256> tone;
    for (int v = 0; v < 256; ++v) {
        const int32 t = static_cast<int32>((static_cast<float>(v) - 128.0f) * factor + 128.0f) + brightness;
        tone[v] = static_cast<uint8>(t >= 255 ? 255 : (t <= 0 ? 0 : t));
    }
    const int rows = bitmap.Height();
    const std::size_t rowBytes = rows > 0 ? (n + rows - 1) / rows : 0;
    platform::RunRowBands(rows, kBandRows, [&](int first, int last, int) {
        const std::array<uint8, 256> levels = tone;
        const std::size_t end = std::min(n, std::size_t(last) * rowBytes);
        for (std::size_t k = std::size_t(first) * rowBytes; k < end; ++k) destination[k] = levels[source[k]];
    });
}
