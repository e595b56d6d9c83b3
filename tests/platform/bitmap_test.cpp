#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/bitmap.h"

using platform::Bitmap;
using platform::PixelFormat;

TEST(Bitmap, RowsAreBottomUpAndPaddedToFourBytes) {
    Bitmap bmp(5, 3, PixelFormat::pf24bit);
    EXPECT_EQ(bmp.Stride(), 16);  // 15 bytes of pixels, padded
    EXPECT_EQ(bmp.ByteSize(), 48u);
    bmp.SetPixel(1, 0, platform::RGBColor(10, 20, 30));
    // Image row 0 is the last memory row; the pixel is stored B, G, R.
    const uint8_t* top = bmp.Bits() + 2 * bmp.Stride();
    EXPECT_EQ(top[3], 30);
    EXPECT_EQ(top[4], 20);
    EXPECT_EQ(top[5], 10);
    EXPECT_EQ(bmp.ScanLine(0), top);
    EXPECT_EQ(bmp.Pixel(1, 0), platform::RGBColor(10, 20, 30));
}

TEST(Bitmap, GreyFormatAndOutOfRangeAccess) {
    Bitmap bmp(3, 2, PixelFormat::pf8bit);
    EXPECT_EQ(bmp.Stride(), 4);
    bmp.SetPixel(2, 1, platform::RGBColor(255, 255, 255));
    EXPECT_EQ(bmp.ScanLine(1)[2], 255);
    EXPECT_EQ(bmp.Pixel(2, 1), platform::RGBColor(255, 255, 255));
    bmp.SetPixel(3, 0, 0xFFFFFF);  // outside: ignored
    bmp.SetPixel(-1, 0, 0xFFFFFF);
    EXPECT_EQ(bmp.Pixel(3, 0), 0u);
    bmp.SetPixelFormat(PixelFormat::pf24bit);
    EXPECT_EQ(bmp.Stride(), 12);
    EXPECT_EQ(bmp.Pixel(2, 1), 0u);  // a new format starts blank
}

// A rectangle copied between bitmaps lands where asked; whatever of it lies
// outside the source or the target is skipped, and the rest of the target
// keeps its pixels.
TEST(Bitmap, CopyPixelsKeepsInsideBothBitmaps) {
    struct Case {
        const char* name;
        PixelFormat format;
        int fromX, fromY, toX, toY, width, height;
    };
    const Case cases[] = {
        {"inside both", PixelFormat::pf24bit, 2, 1, 3, 4, 5, 3},
        {"grey, inside both", PixelFormat::pf8bit, 1, 2, 0, 1, 6, 2},
        {"source corner before the source", PixelFormat::pf24bit, -2, -1, 1, 1, 6, 4},
        {"target corner before the target", PixelFormat::pf24bit, 0, 0, -3, -2, 7, 5},
        {"past the source's far edges", PixelFormat::pf24bit, 5, 4, 0, 0, 9, 9},
        {"past the target's far edges", PixelFormat::pf8bit, 0, 0, 6, 5, 9, 9},
        {"nothing left", PixelFormat::pf24bit, 7, 0, 0, 0, 3, 3},
    };
    const auto source = [](int x, int y) { return platform::RGBColor(uint8_t(10 + x), uint8_t(40 + y), 7); };
    const uint32_t kept = platform::RGBColor(1, 2, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap from(7, 6, c.format);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x) from.SetPixel(x, y, source(x, y));
        Bitmap to(9, 7, c.format);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) to.SetPixel(x, y, kept);
        Bitmap expected = to;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int sx = c.fromX + x, sy = c.fromY + y;
                if (sx >= 0 && sy >= 0 && sx < 7 && sy < 6) expected.SetPixel(c.toX + x, c.toY + y, from.Pixel(sx, sy));
            }
        platform::CopyPixels(from, c.fromX, c.fromY, to, c.toX, c.toY, c.width, c.height);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) ASSERT_EQ(to.Pixel(x, y), expected.Pixel(x, y)) << x << ", " << y;
    }
    Bitmap grey(4, 4, PixelFormat::pf8bit);
    EXPECT_THROW(platform::CopyPixels(Bitmap(4, 4, PixelFormat::pf24bit), 0, 0, grey, 0, 0, 4, 4),
                 std::invalid_argument);
}
