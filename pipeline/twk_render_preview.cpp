#include "pipeline/class_dngconvert.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/main_window_link.h"

// Kept apart from the other renders: only the result-patch request reaches it.
void TWKNegative::RenderPreview(dng_host& host, real64 zoom, int32 brightness, int32 contrast,
                                platform::Bitmap& bitmap) {
    if (!pipeline::gMainWindow->Convert().DeblurDNG(pipeline::DNGConvert::kResultPatch)) return;
    if (ColorChannels() == 1) {
        CopyStage2ToStage3();
        RenderMonochromeToBitmap(bitmap, zoom, brightness, contrast, false);
        return;
    }
    BuildStage3Image(host, -1);
    RenderToBitmap(bitmap, zoom, brightness, contrast, false, nullptr);
}
