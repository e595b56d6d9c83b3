#include "app/bitmap_image.h"

#include <cstring>

namespace app {

QImage ToQImage(const platform::Bitmap& bitmap) {
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return {};
    const bool grey = bitmap.Format() == platform::PixelFormat::pf8bit;
    QImage image(bitmap.Width(), bitmap.Height(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* source = bitmap.ScanLine(y);
        uint8_t* target = image.scanLine(y);
        if (grey) {
            std::memcpy(target, source, std::size_t(bitmap.Width()));
            continue;
        }
        for (int x = 0; x < bitmap.Width(); ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image;
}

}  // namespace app
