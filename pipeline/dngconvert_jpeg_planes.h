#pragma once
#include <array>
#include <functional>
#include <memory>

#include "platform/bitmap.h"

namespace engine {
class ClassFFT;
class ProgressStatus;
}  // namespace engine

namespace pipeline {

// Makes the green, red and blue planes of the left columns of a 24-bit or grey
// bitmap, cut to a multiple of 4: 8-bit grey bitmaps of that size; a grey
// value goes into all three. The bitmap stays as it is.
void SplitIntoPlanes(const platform::Bitmap& source, std::array<std::unique_ptr<platform::Bitmap>, 3>& planes);

// Deblurs the planes of one split (green, red, blue) with the engine: all
// three as the colour planes of one image (channels 1, 2, 3, one kernel
// spectrum), or for a grey photo the green plane alone (channel 0). Circles
// are asked at each pixel's position plus the offsets. With a reporter each
// colour plane's name is appended to the status before it is deblurred.
// `cancelled` is asked after each plane; once it answers true no further
// plane is touched and the result is false. True when every plane was done.
bool DeblurJpegPlanes(std::array<std::unique_ptr<platform::Bitmap>, 3>& planes, bool grey, engine::ClassFFT& fft,
                      int rowOffset, int columnOffset, engine::ProgressStatus* progress,
                      const std::function<bool()>& cancelled);

}  // namespace pipeline
