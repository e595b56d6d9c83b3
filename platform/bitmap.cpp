#include "platform/bitmap.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace platform {

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
    SetSize(width, height);
}

int Bitmap::StrideFor(int width, PixelFormat format) {
    const int bytes = width * (format == PixelFormat::pf24bit ? 3 : 1);
    return (bytes + 3) & ~3;
}

void Bitmap::SetSize(int width, int height) {
    if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
    width_ = width;
    height_ = height;
    Reallocate();
}

void Bitmap::SetPixelFormat(PixelFormat format) {
    if (format == format_) return;
    format_ = format;
    Reallocate();
}

void Bitmap::Reallocate() {
    bits_.assign(std::size_t(Stride()) * std::size_t(height_), 0);
}

uint8_t* Bitmap::ScanLine(int row) {
    return bits_.data() + std::size_t(height_ - 1 - row) * std::size_t(Stride());
}

const uint8_t* Bitmap::ScanLine(int row) const {
    return bits_.data() + std::size_t(height_ - 1 - row) * std::size_t(Stride());
}

uint32_t Bitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* line = ScanLine(y);
    if (format_ == PixelFormat::pf8bit) {
        const uint8_t v = line[x];
        return RGBColor(v, v, v);
    }
    const uint8_t* p = line + 3 * x;
    return RGBColor(p[2], p[1], p[0]);
}

void Bitmap::SetPixel(int x, int y, uint32_t color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* line = ScanLine(y);
    if (format_ == PixelFormat::pf8bit) {
        // Grey bitmaps store the luminance the canvas would map the colour to.
        line[x] = uint8_t((RedOf(color) * 299 + GreenOf(color) * 587 + BlueOf(color) * 114) / 1000);
        return;
    }
    uint8_t* p = line + 3 * x;
    p[0] = BlueOf(color);
    p[1] = GreenOf(color);
    p[2] = RedOf(color);
}

void CopyPixels(const Bitmap& from, int fromX, int fromY, Bitmap& to, int toX, int toY, int width, int height) {
    if (from.Format() != to.Format()) throw std::invalid_argument("pixel formats differ");
    // Moves the corners inward until both rectangles lie inside their bitmaps.
    const int skipX = std::max({0, -fromX, -toX});
    const int skipY = std::max({0, -fromY, -toY});
    width = std::min({width, from.Width() - fromX, to.Width() - toX}) - skipX;
    height = std::min({height, from.Height() - fromY, to.Height() - toY}) - skipY;
    if (width <= 0 || height <= 0) return;
    const int pixel = from.BytesPerPixel();
    for (int row = 0; row < height; ++row)
        std::memcpy(to.ScanLine(toY + skipY + row) + std::size_t(toX + skipX) * pixel,
                    from.ScanLine(fromY + skipY + row) + std::size_t(fromX + skipX) * pixel,
                    std::size_t(width) * pixel);
}

}  // namespace platform
