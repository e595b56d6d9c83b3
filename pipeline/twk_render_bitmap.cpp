#include <algorithm>
#include <cstring>

#include "dng/dng_color_space.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_image_plane16.h"
#include "dng/dng_tile_buffer.h"
#include "engine/progress_status.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/main_window_link.h"
#include "platform/bitmap.h"
#include "platform/progress_controls.h"

float TWKNegative::RenderWhite[3] = {1.0f, 1.0f, 1.0f};

namespace {

// Linear values from 49152/65535 up all show as white.
constexpr uint32 kGammaCap = 49151;
constexpr uint64 kPatchPixels = TWKNegative::kPatchSnapshotBytes / 3;

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
    const uint64 pixels = uint64(w4) * height;
    if (pixels > (full ? TWKNegative::kMaxWorkPixels : kPatchPixels)) ThrowProgramError("Photo too large to render");
}

uint8 CappedGamma(const uint32* gamma, float linear) {
    const float clamped = std::min(std::max(linear, 0.0f), 1.0f);
    const uint32 index = std::min(static_cast<uint32>(clamped * 65535.0f), kGammaCap);
    return static_cast<uint8>(std::min<uint32>(gamma[index], 255));
}

}  // namespace

void TWKNegative::CopyStage3ToWorkImage() {
    const dng_image* stage3 = Stage3Image();
    if (!stage3 || stage3->Planes() < 3) ThrowProgramError("Colour render needs a three-plane stage-3 image");
    const uint32 w4 = stage3->Width() & ~3u;
    const uint32 height = stage3->Height();
    const dng_rect bounds = stage3->Bounds();
    const dng_const_tile_buffer buffer(*stage3, bounds);
    for (uint32 row = 0; row < height; ++row) {
        uint16* out = WorkImage.get() + uint64(height - 1 - row) * w4 * 3;
        for (uint32 col = 0; col < w4; ++col)
            for (uint32 plane = 0; plane < 3; ++plane)
                out[col * 3 + 2 - plane] = *buffer.ConstPixel_uint16(bounds.t + int32(row), bounds.l + int32(col), plane);
    }
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
    double a[3][3], b[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            a[r][c] = m1[r][c];
            b[r][c] = m2[r][c];
        }

    uint32 w4 = 0, height = 0;
    RenderSize(Stage3Image(), full, w4, height);
    // Only a colour filter array is demosaiced through the sample hook.
    if (!GetMosaicInfo() || !GetMosaicInfo()->IsColorFilterArray()) CopyStage3ToWorkImage();
    bitmap.SetPixelFormat(platform::PixelFormat::pf24bit);
    bitmap.SetSize(int(w4), int(height));
    const uint64 pixels = uint64(w4) * height;
    if (progress && progress->bar) {
        progress->bar->SetMin(0);
        progress->bar->SetMax(int(pixels / 100));
        progress->bar->SetPosition(0);
    }

    const float white[3] = {RenderWhite[0], RenderWhite[1], RenderWhite[2]};
    const uint16* work = WorkImage.get();
    uint8* out = RenderBuffer.get();
    int sinceStep = 0;
    for (uint64 i = 0; i < pixels; ++i) {
        if (progress && ++sinceStep == 100) {
            progress->Step(1);
            sinceStep = 0;
        }
        const uint64 s = i * 3;
        const float rgb[3] = {std::min(work[s + 2] / 65535.0f, white[0]), std::min(work[s + 1] / 65535.0f, white[1]),
                              std::min(work[s] / 65535.0f, white[2])};
        double xyz[3];
        for (int r = 0; r < 3; ++r) xyz[r] = a[r][0] * rgb[0] + a[r][1] * rgb[1] + a[r][2] * rgb[2];
        for (int r = 0; r < 3; ++r) {
            const double o = b[r][0] * xyz[0] + b[r][1] * xyz[1] + b[r][2] * xyz[2];
            out[s + 2 - r] = CappedGamma(GammaTable, static_cast<float>(o));
        }
    }
    const std::size_t bytes = std::size_t(pixels) * 3;
    std::memcpy(bitmap.Bits(), out, bytes);
    std::memcpy(full ? FullSnapshot.get() : PatchSnapshot, out, bytes);
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
    for (uint32 y = 0; y < height; ++y) {
        if (bar) bar->SetPosition(int(y));
        const uint16* samples = plane.Row(int(y));
        uint8* row = bitmap.Bits() + std::size_t(height - 1 - y) * rowBytes;
        for (uint32 x = 0; x < w4; ++x) {
            const uint32 v = std::min<uint32>(samples[x], kGammaCap);
            const uint8 grey = static_cast<uint8>(std::min<uint32>(GammaTable[v], 255));
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey;
        }
        std::memcpy(snapshot + std::size_t(height - 1 - y) * rowBytes, row, rowBytes);
    }
    ApplyBrightnessContrast(bitmap, brightness, contrast, full);
}

void TWKNegative::ApplyBrightnessContrast(platform::Bitmap& bitmap, int32 brightness, int32 contrast, bool full) {
    const std::size_t capacity = full ? std::size_t(kMaxWorkPixels) * 3 : kPatchSnapshotBytes;
    const std::size_t n = std::min({std::size_t(3) * bitmap.Width() * bitmap.Height(), bitmap.ByteSize(), capacity});
    const uint8* source = full ? FullSnapshot.get() : PatchSnapshot;
    uint8* destination = bitmap.Bits();
    const float factor = 1.0f + static_cast<float>(contrast) * (1.0f / 75.0f);
    for (std::size_t k = 0; k < n; ++k) {
        const int32 t = static_cast<int32>((static_cast<float>(source[k]) - 128.0f) * factor + 128.0f) + brightness;
        destination[k] = static_cast<uint8>(t >= 255 ? 255 : (t <= 0 ? 0 : t));
    }
}
