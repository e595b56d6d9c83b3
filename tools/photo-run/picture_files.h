#pragma once
#include <string>

#include "platform/bitmap.h"

class dng_image;

namespace photorun {

// Writes a bitmap (24-bit, or 8-bit grey) as a binary PPM, top row first.
// False when the file cannot be written.
bool WritePpm(const platform::Bitmap& bitmap, const std::string& path);

// A 24-bit bitmap of an 8-bit image's first three planes (one plane as grey).
platform::Bitmap BitmapOfImage(const dng_image& image);

}  // namespace photorun
