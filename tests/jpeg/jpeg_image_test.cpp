#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/jpeg_image.h"
#include "test_encoder.h"
#include "tests/support/test_files.h"

using platform::Bitmap;
using platform::JpegError;
using platform::JpegImage;
using platform::PixelFormat;
using test_support::ReadFileBytes;
using test_support::TestData;
using Format = JpegImage::DecodedFormat;

namespace {

// Largest difference of the pixel bytes of two bitmaps of one size and
// format, leaving out the row padding.
int MaxDifference(const Bitmap& a, const Bitmap& b) {
    int max = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < a.Width() * a.BytesPerPixel(); ++i)
            max = std::max(max, std::abs(int(a.ScanLine(y)[i]) - int(b.ScanLine(y)[i])));
    return max;
}

JpegImage FromBytes(const std::vector<uint8_t>& bytes) {
    JpegImage img;
    img.LoadFromMemory(bytes.data(), bytes.size());
    return img;
}

// Offset of the first marker `code` in a JPEG, or npos.
std::size_t FindMarker(const std::vector<uint8_t>& data, uint8_t code) {
    for (std::size_t i = 2; i + 1 < data.size(); ++i)
        if (data[i] == 0xFF && data[i + 1] == code) return i;
    return std::string::npos;
}

}  // namespace

TEST(JpegImageDecode, CameraPhotosDecodeToTheirFormat) {
    struct Case { const char* file; int width, height; Format format; };
    // Sizes and component layouts as listed in the test data's README.
    const Case cases[] = {
        {"canon_eos_350d_rebel_xt_1728x1152.jpg", 1728, 1152, Format::Bgr24},
        {"canon_eos_350d_progressive.jpg", 800, 346, Format::Bgr24},
        {"nikon_d5000_exif_xmp_icc.jpg", 858, 570, Format::Bgr24},
        {"greyscale_exif_xmp_icc.jpg", 386, 396, Format::Grey8},
        {"cmyk_adobe.jpg", 0, 0, Format::Unsupported},
        {"cmyk_multiple_icc_segments.jpg", 0, 0, Format::Unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        JpegImage img;
        img.LoadFromFile(TestData(std::string("jpeg/") + c.file));
        EXPECT_EQ(img.Format(), c.format);
        if (c.format == Format::Unsupported) {
            EXPECT_GT(img.Width(), 0);
            EXPECT_THROW(img.Decode(), JpegError);
            continue;
        }
        const Bitmap bmp = img.Decode();
        EXPECT_EQ(bmp.Width(), c.width);
        EXPECT_EQ(bmp.Height(), c.height);
        EXPECT_EQ(bmp.Format(), c.format == Format::Grey8 ? PixelFormat::pf8bit : PixelFormat::pf24bit);
        // A photo, not a blank: its bytes must spread over a real range.
        const auto [lo, hi] = std::minmax_element(bmp.Bits(), bmp.Bits() + bmp.ByteSize());
        EXPECT_GT(*hi - *lo, 64);
    }
}

TEST(JpegImageDecode, LayoutsFromOtherEncodersDecodeFaithfully) {
    struct Case {
        const char* name;
        TestEncoding how;
        uint8_t marker;  // one the encoding must hold
        PixelFormat format = PixelFormat::pf24bit;
    };
    const Case cases[] = {
        {"4:4:4", {100, 1, 1}, 0xC0},
        {"4:2:2", {100, 2, 1}, 0xC0},
        {"4:2:0", {100, 2, 2}, 0xC0},
        {"progressive 4:2:0", {95, 2, 2, true}, 0xC2},
        {"restart markers", {100, 2, 2, false, 1}, 0xDD},
        {"progressive with restart markers", {100, 1, 1, true, 2}, 0xDD},
        {"one component", {}, 0xC0, PixelFormat::pf8bit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Odd sizes so partial MCUs and row padding are both exercised.
        const Bitmap source = GradientBitmap(101, 67, c.format);
        const std::vector<uint8_t> bytes = EncodeForTest(source, c.how);
        EXPECT_NE(FindMarker(bytes, c.marker), std::string::npos);
        const JpegImage img = FromBytes(bytes);
        EXPECT_EQ(img.Format(), c.format == PixelFormat::pf8bit ? Format::Grey8 : Format::Bgr24);
        const Bitmap decoded = img.Decode();
        ASSERT_EQ(decoded.Format(), c.format);
        ASSERT_EQ(decoded.Width(), 101);
        ASSERT_EQ(decoded.Height(), 67);
        EXPECT_LE(MaxDifference(source, decoded), 12);
    }
}

TEST(JpegImageDecode, ProgressiveFilesWithEndlessScansAreRefused) {
    const Bitmap source = GradientBitmap(16, 16, PixelFormat::pf24bit);
    TestEncoding many;
    many.acRefinements = 0;  // 1 + 3 x 63 = 190 scans
    EXPECT_LE(MaxDifference(source, FromBytes(EncodeForTest(source, many)).Decode()), 12);
    many.acRefinements = 2;  // 1 + 3 x 63 x 3 = 568 scans
    EXPECT_THROW(FromBytes(EncodeForTest(source, many)).Decode(), JpegError);
}

TEST(JpegImageDecode, DamagedDataEndsInACatchableError) {
    const std::vector<uint8_t> photo = ReadFileBytes(TestData("jpeg/canon_eos_350d_rebel_xt_1728x1152.jpg"));

    // Cut inside the scan: the header still loads, the pixels are incomplete.
    JpegImage cut = FromBytes(std::vector<uint8_t>(photo.begin(), photo.begin() + long(photo.size() / 2)));
    EXPECT_EQ(cut.Width(), 1728);
    EXPECT_THROW(cut.Decode(), JpegError);

    // An end-of-image marker in the middle of the scan.
    std::vector<uint8_t> interrupted = photo;
    interrupted[photo.size() / 2] = 0xFF;
    interrupted[photo.size() / 2 + 1] = 0xD9;
    EXPECT_THROW(FromBytes(interrupted).Decode(), JpegError);

    // Cut inside the headers: loading itself fails and leaves nothing behind.
    JpegImage img = FromBytes(photo);
    EXPECT_THROW(img.LoadFromMemory(photo.data(), 100), JpegError);
    EXPECT_TRUE(img.Empty());
    EXPECT_EQ(img.Width(), 0);
    EXPECT_THROW(img.Decode(), JpegError);

    const std::vector<uint8_t> garbage(500, 0x5A);
    EXPECT_THROW(img.LoadFromMemory(garbage.data(), garbage.size()), JpegError);
    EXPECT_THROW(img.LoadFromMemory(nullptr, 0), JpegError);
    EXPECT_THROW(img.LoadFromFile("/nonexistent/clarivane.jpg"), JpegError);
}

TEST(JpegImageEncode, WritesBaselineThreeComponentJpegWithJfifHeader) {
    const Bitmap source = GradientBitmap(37, 23, PixelFormat::pf24bit);
    JpegImage img;
    img.Compress(source, 100);
    const std::vector<uint8_t>& data = img.Data();
    ASSERT_GT(data.size(), 20u);
    // SOI, then the JFIF APP0 that a saved EXIF block takes the place of.
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 4), (std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0}));
    EXPECT_EQ(std::string(data.begin() + 6, data.begin() + 11), std::string("JFIF\0", 5));

    const std::size_t sof = FindMarker(data, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(FindMarker(data, 0xC2), std::string::npos);
    EXPECT_EQ(data[sof + 4], 8);                          // precision
    EXPECT_EQ((data[sof + 5] << 8) | data[sof + 6], 23);  // height
    EXPECT_EQ((data[sof + 7] << 8) | data[sof + 8], 37);  // width
    EXPECT_EQ(data[sof + 9], 3);                          // components

    // Quality 100 scales every quantisation step down to 1.
    const std::size_t dqt = FindMarker(data, 0xDB);
    ASSERT_NE(dqt, std::string::npos);
    const int length = (data[dqt + 2] << 8) | data[dqt + 3];
    for (int i = 5; i < 2 + length; ++i)
        if ((i - 4) % 65 != 0) {
            EXPECT_EQ(data[dqt + std::size_t(i)], 1) << "at " << i;
        }

    EXPECT_LE(MaxDifference(source, FromBytes(data).Decode()), 12);
}

TEST(JpegImageEncode, RefusesWhatItCannotEncodeOrSave) {
    test_support::TempFolder dir;
    JpegImage img;
    EXPECT_THROW(img.Compress(Bitmap(8, 8, PixelFormat::pf8bit), 100), std::invalid_argument);
    EXPECT_THROW(img.Compress(Bitmap(0, 0, PixelFormat::pf24bit), 100), JpegError);

    img.Compress(GradientBitmap(16, 16, PixelFormat::pf24bit), 90);
    img.SaveToFile(dir.File("saved.jpg"));
    EXPECT_EQ(ReadFileBytes(dir.File("saved.jpg")), img.Data());
    EXPECT_THROW(img.SaveToFile(dir.File("no-such-folder/x.jpg")), JpegError);
}
