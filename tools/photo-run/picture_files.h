#pragma once
#include <string>

#include "platform/bitmap.h"

class dng_image;

namespace photorun {

// Writes a bitmap (24-bit, or 8-bit grey) as a binary PPM, top row first.
// False when the file cannot be written.
bool WritePpm(const platform::Bitmap& bitmap, const std::string& path);

// The window's crop copy: a span x span 24-bit patch holding the preview's
// pixels from (left, top) on, unchanged (grey ones in all three bytes); what
// lies outside the preview stays black.
platform::Bitmap CropCopy(const platform::Bitmap& preview, int left, int top, int span);

// A 24-bit bitmap of an 8-bit image's first three planes (one plane as grey).
platform::Bitmap BitmapOfImage(const dng_image& image);

}  // namespace photorun
