#include "pipeline/class_dngconvert.h"

namespace pipeline {

void DNGConvert::ApplyBrightnessContrast(platform::Bitmap& bitmap, int32 /*zoom*/, int32 brightness, int32 contrast,
                                         bool full) {
    if (Negative && dngReady_) Negative->ApplyBrightnessContrast(bitmap, brightness, contrast, full);
}

}  // namespace pipeline
