#include <gtest/gtest.h>

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
