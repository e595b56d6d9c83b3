#include "dng/dng_image_plane16.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/main_window_link.h"

// The three ways a raw image is deblurred. Every pass writes into the negative's
// stage-1 image or work plane while the result collects in the run's mosaic copy;
// reloading between the passes gives each one the untouched raw image again.
namespace pipeline {

namespace {

void DeblurPlane(dng_image& image, int rowOffset, int columnOffset, int channel, uint32 white,
                 engine::ProgressStatus& progress) {
    dng_image_plane16 plane(image);
    gMainWindow->FftEngine()->Deblur(&plane, nullptr, rowOffset, columnOffset, channel, int(white), &progress);
}

}  // namespace

bool DNGConvert::DeblurMonochrome(DeblurRun& run) {
    run.rawCopy = Negative->Stage1Image()->Clone();
    DeblurPlane(*run.rawCopy, run.rowOffset, run.columnOffset, 0, Negative->WhiteLevel(0), Progress);
    LoadNegative(run.window);
    Negative->InstallStage1Copy(*run.rawCopy);
    return true;
}

bool DNGConvert::DeblurOnePlane(DeblurRun& run) {
    run.rawCopy = Negative->Stage1Image()->Clone();
    Negative->ProcessPhoto(0, 0, run.window, Progress);
    if (CheckCancel()) return false;
    DeblurPlane(*Negative->WorkPlane, run.rowOffset, run.columnOffset, 0, Negative->WhiteLevel(0), Progress);
    if (CheckCancel()) return false;
    Negative->ProcessFinalResult(*run.rawCopy, run.rowOffset, run.columnOffset, Progress);
    if (CheckCancel()) return false;
    LoadNegative(run.window);
    if (CheckCancel()) return false;
    Negative->InstallStage1Copy(*run.rawCopy);
    return !CheckCancel();
}

bool DNGConvert::DeblurThreePlanes(DeblurRun& run) {
    using Merge = void (TWKNegative::*)(dng_image&, int, int);
    static constexpr Merge kMerges[] = {&TWKNegative::MergeGreenPlane, &TWKNegative::MergeRedPlane,
                                        &TWKNegative::MergeBluePlane};
    run.rawCopy = Negative->Stage1Image()->Clone();
    // Channels 1, 2, 3 in this order share one kernel spectrum in the engine.
    for (int channel = 1; channel <= 3; ++channel) {
        if (channel == 1)
            Negative->ProcessPhoto(ActiveTop, ActiveLeft, run.window, Progress);
        else
            Negative->ProcessRedBlue(channel == 3, Progress);
        if (CheckCancel()) return false;
        DeblurPlane(*Negative->WorkPlane, run.rowOffset, run.columnOffset, channel, Negative->WhiteLevel(0), Progress);
        if (CheckCancel()) return false;
        ((*Negative).*kMerges[channel - 1])(*run.rawCopy, run.rowOffset, run.columnOffset);
        if (CheckCancel()) return false;
        LoadNegative(run.window);
        if (CheckCancel()) return false;
    }
    Negative->InstallStage1Copy(*run.rawCopy);
    return true;
}

}  // namespace pipeline
