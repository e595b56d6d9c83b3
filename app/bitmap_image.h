#pragma once
#include <QImage>

#include "platform/bitmap.h"

namespace app {

// A copy of the bitmap for drawing: 24-bit as RGB, 8-bit as grey; null for
// an empty bitmap.
QImage ToQImage(const platform::Bitmap& bitmap);

}  // namespace app
