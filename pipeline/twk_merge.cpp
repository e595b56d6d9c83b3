#include <algorithm>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_plane16.h"
#include "dng/dng_tile_buffer.h"
#include "engine/class_fft.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/main_window_link.h"
#include "pipeline/twk_pass_support.h"

void TWKNegative::MergePlane(dng_image& mosaic, int rowOffset, int colOffset, uint8 colour) {
    if (!WorkPlane) ThrowProgramError("No deblurred plane to merge");
    if (WorkPlane->Height() != mosaic.Height() || WorkPlane->Width() != mosaic.Width())
        ThrowProgramError("Mosaic copy and deblurred plane differ in size");
    dng_image_plane16 target(mosaic);
    const dng_image_plane16 plane(*WorkPlane);
    const int32 H = target.Height();
    const int32 W = target.Width();
    const engine::ClassFFT* linked = pipeline::LinkedEngine();
    // Without circles every site is inside: no question per site.
    const engine::ClassFFT* engine = linked && !linked->circles.empty() ? linked : nullptr;
    const ParityColours cfa = ColoursByParity();
    pipeline::RunRows(0, H, [&](int32 row) {
        const uint16* from = plane.Row(row);
        uint16* to = target.MutableRow(row);
        for (int32 col = 0; col < W; ++col) {
            if (cfa.At(col, row) != colour) continue;
            if (engine && !engine->InDeblurArea(row + rowOffset, col + colOffset)) continue;
            to[col] = from[col];
        }
    });
}

void TWKNegative::MergeGreenPlane(dng_image& mosaic, int rowOffset, int colOffset) {
    MergePlane(mosaic, rowOffset, colOffset, 1);
}

void TWKNegative::MergeRedPlane(dng_image& mosaic, int rowOffset, int colOffset) {
    MergePlane(mosaic, rowOffset, colOffset, 0);
}

void TWKNegative::MergeBluePlane(dng_image& mosaic, int rowOffset, int colOffset) {
    MergePlane(mosaic, rowOffset, colOffset, 2);
}

void TWKNegative::StoreResultInStage1(int firstRow, int firstCol, const dng_image& source) {
    if (!fStage1Image) ThrowProgramError("No stage-1 image to store the result in");
    dng_image_plane16 target(*fStage1Image);
    // The source is read only where it has samples, so a smaller copy cannot be overrun.
    const dng_const_tile_buffer from(source, source.Bounds());
    if (from.fPixelType != ttShort || from.fColStep != 1) ThrowProgramError("Pixel type access mismatch");
    const int32 H = std::min<int32>(target.Height(), static_cast<int32>(source.Height()));
    const int32 W = std::min<int32>(target.Width(), static_cast<int32>(source.Width()));
    const int32 left = std::max(firstCol, 0);
    for (int32 row = std::max(firstRow, 0); row < H; ++row) {
        const uint16* samples = from.ConstPixel_uint16(source.Bounds().t + row, source.Bounds().l, 0);
        if (left < W) std::copy(samples + left, samples + W, target.MutableRow(row) + left);
    }
}
