#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_ifd.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/module_loaded.h"

int32 TWKNegative::ResultBoxSize(real64 resultScale) {
    if (!(resultScale > 0.0) || !std::isfinite(resultScale)) ThrowProgramError("Result scale must be positive");
    return static_cast<int32>(512.0f / resultScale);
}

void TWKNegative::CheckWorkSize(const dng_ifd& raw) {
    // A whole raw image's stage 2, and so its stage 3, is its active area.
    if (WorkPixels(raw.fActiveArea.W(), raw.fActiveArea.H()) > kMaxWorkPixels)
        Throw_dng_error(dng_error_host_insufficient, "Photo too large for the work image");
}

void TWKNegative::DoBuildStage2(dng_host& host, uint32 pixelType) {
    if (pixelType != ttShort) ThrowProgramError("Pixel type access mismatch");
    dng_linearization_info& linearization = *fLinearizationInfo;
    linearization.fLinearizationTable.clear();
    // A result window linearizes the box, kept inside the window, which is smaller
    // where the photo is. A whole raw image keeps the file's active area, also
    // when it is no wider than the box.
    if (Stage1IsResultWindow) {
        const int32 box = ResultBoxSize(fResultScale);
        int32 boxHeight = box;
        // The maker's earlier product in the same process wants a shorter result box.
        if (pipeline::IsModuleLoaded("Tonewick.exe")) boxHeight = static_cast<int32>(472 / fResultScale);
        linearization.fActiveArea = dng_rect(0, 0, boxHeight, box) & fStage1Image->Bounds();
    }

    const dng_rect active = linearization.fActiveArea;
    AutoPtr<dng_image> stage2 =
        host.Make_dng_image(dng_rect(active.H(), active.W()), fStage1Image->Planes(), pixelType);
    linearization.Linearize(host, *fStage1Image, *stage2);
    fStage2Image = std::move(stage2);
}
