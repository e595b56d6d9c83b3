#pragma once
#include <cstdint>
#include <vector>

namespace platform {

enum class PixelFormat { pf8bit, pf24bit };

// A device-independent bitmap as the class library keeps it: memory rows are
// bottom-up (image row 0 is the last memory row) and each row is padded to a
// multiple of 4 bytes. 24-bit pixels are stored B, G, R; 8-bit pixels are grey.
// Colours passed to Pixel/SetPixel use the class library's order 0x00BBGGRR.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format);

    void SetSize(int width, int height);
    void SetPixelFormat(PixelFormat format);

    int Width() const { return width_; }
    int Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    int BytesPerPixel() const { return format_ == PixelFormat::pf24bit ? 3 : 1; }
    int Stride() const { return StrideFor(width_, format_); }
    std::size_t ByteSize() const { return bits_.size(); }

    // Memory of the whole bitmap, starting with the bottom image row.
    uint8_t* Bits() { return bits_.data(); }
    const uint8_t* Bits() const { return bits_.data(); }

    // First byte of image row `row` (0 = top).
    uint8_t* ScanLine(int row);
    const uint8_t* ScanLine(int row) const;

    uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t color);

    static int StrideFor(int width, PixelFormat format);

private:
    void Reallocate();

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
    std::vector<uint8_t> bits_;
};

// Copies the width x height pixels at (fromX, fromY) of `from` to (toX, toY)
// of `to`, both of one pixel format; what falls outside either bitmap is
// neither read nor written.
void CopyPixels(const Bitmap& from, int fromX, int fromY, Bitmap& to, int toX, int toY, int width, int height);

// Colour helpers for the 0x00BBGGRR order.
constexpr uint32_t RGBColor(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
constexpr uint8_t RedOf(uint32_t c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GreenOf(uint32_t c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(uint32_t c) { return uint8_t((c >> 16) & 0xFF); }

}  // namespace platform
