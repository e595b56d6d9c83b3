#pragma once
#include <memory>

#include "dng/dng_color_spec.h"
#include "dng/dng_host.h"
#include "dng/dng_negative.h"

namespace engine {
class ProgressStatus;
}  // namespace engine

namespace pipeline {
class MosaicRows;
}

namespace platform {
class Bitmap;
class ImagePlane16;
}  // namespace platform

class TWKNegative;

// The program's host: every negative it makes is a TWKNegative.
class TWKHost : public dng_host {
public:
    using dng_host::dng_host;
    ~TWKHost() override;

    std::unique_ptr<dng_negative> Make_dng_negative() override;
};

// The program's negative: display gamma, the demosaiced work image, render
// buffers, the CFA phase, the plane the engine deblurs and the passes that
// turn a raw mosaic into full planes and back.
class TWKNegative : public dng_negative {
public:
    static constexpr uint32 kGammaEntries = 49152;
    // Size limit of the demosaiced photo: width rounded down to 4, times height.
    static constexpr uint64 kMaxWorkPixels = 40000000;
    // Pixels a render of a demosaiced image of this size holds: width rounded down to 4, times height.
    static uint64 WorkPixels(uint32 width, uint32 height) { return uint64(width & ~3u) * height; }
    static constexpr uint64 kPatchSnapshotBytes = 3145748;

    // Throws the memory-full error when no object can be made; the large
    // buffers' own allocation failure passes on as std::bad_alloc.
    static std::unique_ptr<TWKNegative> Make(dng_memory_allocator& allocator);
    ~TWKNegative() override;

    // Copies each sample of the 16-bit bilinear demosaic into WorkImage.
    void StoreSample(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, uint32 offset,
                     uint32 value) override;
    // The same for a row segment in one loop; safe on the demosaic's worker threads.
    void StoreRow(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, const uint16* values,
                  uint32 count) override;

    // 255 x (j / 49152)^(1/2.2), rounded; maps a capped linear value to 8 bits.
    uint32 GammaTable[kGammaEntries];
    // 8-bit B G R copies of the last full-photo and result-patch renders, bottom row first;
    // the renders write here and the sliders' pass makes the bitmap from them.
    std::unique_ptr<uint8[]> FullSnapshot;
    uint8 PatchSnapshot[kPatchSnapshotBytes];
    int32 RowPhase = 0;
    int32 ColPhase = 0;
    // Demosaiced photo as 16-bit B, G, R triplets, rows bottom-up, W rounded down to 4 per row.
    std::unique_ptr<uint16[]> WorkImage;
    // Made by the first colour render of this negative.
    AutoPtr<dng_color_spec> ColorSpec;
    // The plane the engine deblurs in place during a raw run.
    AutoPtr<dng_image> WorkPlane;
    // Set by Cancel; the full-size passes stop at the next row.
    uint8 AbortFlag = 0;
    // Stage 1 holds a result window (it came from a crop) rather than a whole
    // raw image, however small that image is.
    bool Stage1IsResultWindow = false;

    // CFA phase of the current stage-1 image (each taken mod 2).
    void SetCFAPhase(int32 row, int32 col);
    // Colour-plane index of a site: 0 red, 1 green, 2 blue for the RGB Bayer files.
    uint8 CFAColorAt(int32 col, int32 row) const;
    bool IsGreenInRedRow(int32 col, int32 row) const;
    bool IsGreenInBlueRow(int32 col, int32 row) const;

    // A window's deblurred copy stays a result window.
    void InstallStage1Copy(const dng_image& image);
    // Work plane, stage 1, 2 and 3, each only when held.
    void ReleaseStageImages();
    void ReleaseStage1();
    // Stage 2 and the saved raw-image copy.
    void ReleaseStage2();

    // Side of the square result window (512 at scale 1.0, 256 at 2.0).
    static int32 ResultBoxSize(real64 resultScale);
    // Refuses from the raw directory alone a photo whose demosaiced size the full-photo
    // render would refuse, so that its raw data is never decoded.
    static void CheckWorkSize(const dng_ifd& raw);
    // Square law v x v / 4 over plane 0 of an 8-bit raw image held as 16 bits.
    void ExpandEightBitRaw();
    // Stage 1 becomes a copy of that window of itself; the window must lie inside.
    void CropStage1(dng_host& host, int32 left, int32 top, int32 width, int32 height);
    // The same with the window taken from `image`, which stays as it is: the result
    // patch takes its window this way from the cached raw image, with no whole copy.
    void InstallStage1Crop(dng_host& host, const dng_image& image, int32 left, int32 top, int32 width,
                           int32 height);
    void CopyStage2ToStage3();

    // Copies the raw plane into the row table; with balancing, greens of blue
    // rows close above the greens of the neighbouring red rows take their mean.
    void ReadMosaicRows(pipeline::MosaicRows& rows, const platform::ImagePlane16& source, bool balanceGreens);

    // Full green plane from the stage-1 mosaic, in place; a clone becomes WorkPlane.
    void ProcessPhoto(int firstRow, int firstCol, bool fromOrigin, engine::ProgressStatus& progress);
    // Deblurred green of WorkPlane back into the mosaic copy, red and blue scaled by the green's change.
    void ProcessFinalResult(dng_image& mosaic, int rowOffset, int colOffset, engine::ProgressStatus& progress);
    // Full red (or blue) plane from the stage-1 mosaic, in place; a clone becomes WorkPlane.
    void ProcessRedBlue(bool blue, engine::ProgressStatus& progress);

    // WorkPlane's samples at the sites of one colour into the mosaic copy, inside the deblur area.
    void MergeGreenPlane(dng_image& mosaic, int rowOffset, int colOffset);
    void MergeRedPlane(dng_image& mosaic, int rowOffset, int colOffset);
    void MergeBluePlane(dng_image& mosaic, int rowOffset, int colOffset);
    // The finished mosaic into the re-read raw image from (firstRow, firstCol) on.
    void StoreResultInStage1(int firstRow, int firstCol, const dng_image& source);

    // Display renders into a 24-bit bitmap of the stage-3 size, width rounded
    // down to 4, kept in the full-photo (full) or result-patch snapshot and
    // shown with brightness and contrast. The zoom is not used. The colour
    // render converts WorkImage into the main window's colour space and steps
    // `progress` once per 100 pixels; the monochrome one reads stage 3 and
    // moves the main window's bar by rows. Both throw the layer's program
    // error when the size exceeds the snapshot.
    void RenderToBitmap(platform::Bitmap& bitmap, real64 zoom, int32 brightness, int32 contrast, bool full,
                        engine::ProgressStatus* progress);
    void RenderMonochromeToBitmap(platform::Bitmap& bitmap, real64 zoom, int32 brightness, int32 contrast,
                                  bool full);
    // WorkImage from a three-plane 16-bit stage 3 that no demosaic filled
    // (a linear raw file); throws the layer's program error for fewer planes.
    void CopyStage3ToWorkImage();
    // The bitmap from the chosen snapshot with the sliders (-75..75) applied.
    void ApplyBrightnessContrast(platform::Bitmap& bitmap, int32 brightness, int32 contrast, bool full);
    // Deblurs the result window through the main window's workflow object and,
    // when that succeeds, renders it into the bitmap; otherwise leaves it alone.
    void RenderPreview(dng_host& host, real64 zoom, int32 brightness, int32 contrast, platform::Bitmap& bitmap);
    // Camera white of the last colour spec made, red, green, blue: every
    // camera value of a colour render is clamped to it.
    static float RenderWhite[3];

protected:
    explicit TWKNegative(dng_memory_allocator& allocator);

    // Never applies the linearization table; a result window linearizes to the result box.
    void DoBuildStage2(dng_host& host, uint32 pixelType) override;

private:
    // CFA colours by site parity under the current phase, for the tight loops.
    struct ParityColours {
        uint8 colour[2][2];  // [row & 1][col & 1]
        uint8 At(int32 col, int32 row) const { return colour[row & 1][col & 1]; }
    };
    ParityColours ColoursByParity() const;
    // Colour-plane index at a position of the 2 x 2 pattern (phase already applied).
    uint8 PatternColour(int32 r, int32 c) const;
    void MergePlane(dng_image& mosaic, int rowOffset, int colOffset, uint8 colour);
};
