#pragma once
#include <cstdint>
#include <functional>

#include "dng/dng_exceptions.h"
#include "engine/progress_status.h"
#include "platform/parallel_run.h"
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

// Runs `row(r)` for r = first .. last - 1 on all cores, each row whole and
// on its own (platform::RunParallel): the bar steps once per row started, and
// the calling thread lets messages run and stops handing out rows once
// `abortFlag` is set. Returns false when it stopped before every row was done.
inline bool RunRows(int first, int last, const std::function<void(int)>& row, engine::ProgressStatus& progress,
                    const uint8_t& abortFlag) {
    return platform::RunParallel(
        last - first, [&](int index, int) { row(first + index); }, &progress, [&] { return abortFlag != 0; });
}

// The same without progress or abort, for the short copy passes.
inline void RunRows(int first, int last, const std::function<void(int)>& row) {
    platform::RunParallel(last - first, [&](int index, int) { row(first + index); }, nullptr, nullptr);
}

}  // namespace pipeline
