#include "pipeline/class_dngconvert.h"

#include "pipeline/main_window_link.h"
#include "platform/progress_controls.h"

namespace pipeline {

DNGConvert::DNGConvert() : Jpeg(std::make_unique<platform::JpegImage>()) {}

DNGConvert::~DNGConvert() {
    // The negative's images go before the host that made them.
    DropNegative();
    SourceStream.reset();
    Jpeg.reset();
    for (auto& plane : Planes) plane.reset();
}

void DNGConvert::DropNegative() {
    if (!Negative) return;
    Negative->ReleaseStageImages();
    Negative.reset();
}

bool DNGConvert::CheckCancel() {
    if (!CancelRequested) return false;
    // Always the main window's own label and bar, also while the overlay shows progress.
    platform::StatusLabelControl& label = gMainWindow->StatusLabel();
    label.SetText("Cancelled...");
    label.Repaint();
    gMainWindow->StatusBar().SetPosition(0);
    CancelRequested = false;
    if (Negative) Negative->AbortFlag = 0;
    return true;
}

}  // namespace pipeline
