#include <algorithm>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_plane16.h"
#include "dng/dng_tile_buffer.h"
#include "pipeline/class_twk_host.h"

void TWKNegative::ExpandEightBitRaw() {
    if (!fStage1Image) ThrowProgramError("No stage-1 image to expand");
    dng_image_plane16 plane(*fStage1Image);
    const int height = plane.Height();
    const int width = plane.Width();
    for (int row = 0; row < height; ++row) {
        uint16* samples = plane.MutableRow(row);
        for (int col = 0; col < width; ++col) {
            const uint32 v = samples[col];
            samples[col] = static_cast<uint16>(std::min<uint32>(v * v / 4, 65535));
        }
    }
}

void TWKNegative::CropStage1(dng_host& host, int32 left, int32 top, int32 width, int32 height) {
    if (!fStage1Image) ThrowProgramError("No stage-1 image to crop");
    InstallStage1Crop(host, *fStage1Image, left, top, width, height);
}

void TWKNegative::InstallStage1Crop(dng_host& host, const dng_image& image, int32 left, int32 top, int32 width,
                                    int32 height) {
    if (width <= 0 || height <= 0) ThrowProgramError("Empty crop window");
    AutoPtr<dng_image> cropped =
        host.Make_dng_image(dng_rect(uint32(height), uint32(width)), image.Planes(), image.PixelType());
    {
        // Reports a window reaching outside the image instead of reading there.
        const dng_const_tile_buffer source(image, dng_rect(top, left, top + height, left + width));
        dng_dirty_tile_buffer target(*cropped, cropped->Bounds());
        for (int32 r = 0; r < height; ++r) {
            const uint16* from = source.ConstPixel_uint16(top + r, left, 0);
            uint16* to = target.DirtyPixel_uint16(r, 0, 0);
            for (int32 c = 0; c < width; ++c) to[c * target.fColStep] = from[c * source.fColStep];
        }
    }
    fStage1Image = std::move(cropped);
    Stage1IsResultWindow = true;
}

void TWKNegative::CopyStage2ToStage3() {
    if (!fStage2Image) ThrowProgramError("No stage-2 image to copy");
    fStage3Image = fStage2Image->Clone();
}
