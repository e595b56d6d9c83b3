#pragma once
#include "dng/dng_exceptions.h"
#include "engine/progress_status.h"
#include "platform/progress_controls.h"

namespace pipeline {

// The 5 x 5 windows of the passes reach two sites out; below three rows or
// columns the edge mapping would leave the image.
inline void RequirePassSize(int height, int width) {
    if (height < 3 || width < 3) ThrowBadFormat("Image too small for the raw passes");
}

inline void ResetProgressBar(engine::ProgressStatus& progress, int maximum) {
    if (!progress.bar) return;
    progress.bar->SetMin(0);
    progress.bar->SetMax(maximum);
    progress.bar->SetPosition(0);
}

}  // namespace pipeline
