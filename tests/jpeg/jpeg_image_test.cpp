#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/jpeg_image.h"
#include "test_encoder.h"
#include "test_files.h"

using platform::Bitmap;
using platform::JpegError;
using platform::JpegImage;
using platform::PixelFormat;
using Format = JpegImage::DecodedFormat;

namespace {

struct Difference {
    int max = 0;
    double mean = 0;
};

// Compares the pixel bytes of two bitmaps of the same size and format,
// leaving out the row padding.
Difference Compare(const Bitmap& a, const Bitmap& b) {
    Difference d;
    long sum = 0;
    long count = 0;
    const int rowBytes = a.Width() * a.BytesPerPixel();
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < rowBytes; ++i) {
            const int diff = std::abs(int(a.ScanLine(y)[i]) - int(b.ScanLine(y)[i]));
            d.max = std::max(d.max, diff);
            sum += diff;
            ++count;
        }
    d.mean = count ? double(sum) / double(count) : 0.0;
    return d;
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
    struct Case {
        const char* file;
        int width, height;
        Format format;
    };
    // Sizes and component layouts as listed in the test data's README.
    const Case cases[] = {
        {"canon_eos_350d_rebel_xt_1728x1152.jpg", 1728, 1152, Format::Bgr24},
        {"canon_eos_350d_progressive.jpg", 800, 346, Format::Bgr24},
        {"nikon_d5000_exif_xmp_icc.jpg", 858, 570, Format::Bgr24},
        {"greyscale_exif_xmp_icc.jpg", 386, 396, Format::Grey8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        JpegImage img;
        img.LoadFromFile(TestJpeg(c.file));
        EXPECT_EQ(img.Width(), c.width);
        EXPECT_EQ(img.Height(), c.height);
        EXPECT_EQ(img.Format(), c.format);
        const Bitmap bmp = img.Decode();
        EXPECT_EQ(bmp.Width(), c.width);
        EXPECT_EQ(bmp.Height(), c.height);
        EXPECT_EQ(bmp.Format(), c.format == Format::Grey8 ? PixelFormat::pf8bit : PixelFormat::pf24bit);
        // A photo, not a blank: its bytes must spread over a real range.
        int lo = 255, hi = 0;
        for (std::size_t i = 0; i < bmp.ByteSize(); i += 97) {
            lo = std::min<int>(lo, bmp.Bits()[i]);
            hi = std::max<int>(hi, bmp.Bits()[i]);
        }
        EXPECT_GT(hi - lo, 64);
    }
}

TEST(JpegImageDecode, CmykPhotosReportAnUnsupportedFormatAndRefuseToDecode) {
    for (const char* file : {"cmyk_adobe.jpg", "cmyk_multiple_icc_segments.jpg"}) {
        SCOPED_TRACE(file);
        JpegImage img;
        img.LoadFromFile(TestJpeg(file));
        EXPECT_EQ(img.Format(), Format::Unsupported);
        EXPECT_GT(img.Width(), 0);
        EXPECT_THROW(img.Decode(), JpegError);
    }
}

TEST(JpegImageDecode, LayoutsFromOtherEncodersDecodeFaithfully) {
    struct Case {
        const char* name;
        TestEncoding how;
    };
    const Case cases[] = {
        {"4:4:4", {100, 1, 1, false, 0}},
        {"4:2:2", {100, 2, 1, false, 0}},
        {"4:2:0", {100, 2, 2, false, 0}},
        {"progressive 4:2:0", {95, 2, 2, true, 0}},
        {"restart markers", {100, 2, 2, false, 1}},
        {"progressive with restart markers", {100, 1, 1, true, 2}},
    };
    // Odd sizes so partial MCUs and row padding are both exercised.
    const Bitmap source = GradientBitmap(101, 67, PixelFormat::pf24bit);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = EncodeForTest(source, c.how);
        if (c.how.restartRows) {
            EXPECT_NE(FindMarker(bytes, 0xDD), std::string::npos);
        }
        if (c.how.progressive) {
            EXPECT_NE(FindMarker(bytes, 0xC2), std::string::npos);
        }
        const JpegImage img = FromBytes(bytes);
        ASSERT_EQ(img.Format(), Format::Bgr24);
        const Bitmap decoded = img.Decode();
        ASSERT_EQ(decoded.Width(), 101);
        ASSERT_EQ(decoded.Height(), 67);
        const Difference d = Compare(source, decoded);
        EXPECT_LT(d.mean, 1.5);
        EXPECT_LE(d.max, 12);
    }
}

TEST(JpegImageDecode, ProgressiveFilesWithEndlessScansAreRefused) {
    const Bitmap source = GradientBitmap(16, 16, PixelFormat::pf24bit);
    TestEncoding many;
    many.acRefinements = 0;  // 1 + 3 x 63 = 190 scans
    EXPECT_LE(Compare(source, FromBytes(EncodeForTest(source, many)).Decode()).max, 12);
    many.acRefinements = 2;  // 1 + 3 x 63 x 3 = 568 scans
    const std::vector<uint8_t> bytes = EncodeForTest(source, many);
    EXPECT_THROW(FromBytes(bytes).Decode(), JpegError);
}

TEST(JpegImageDecode, OneComponentFilesDecodeToGrey) {
    const Bitmap source = GradientBitmap(50, 31, PixelFormat::pf8bit);
    const JpegImage img = FromBytes(EncodeForTest(source, {}));
    ASSERT_EQ(img.Format(), Format::Grey8);
    const Bitmap decoded = img.Decode();
    ASSERT_EQ(decoded.Format(), PixelFormat::pf8bit);
    const Difference d = Compare(source, decoded);
    EXPECT_LE(d.max, 2);
}

TEST(JpegImageDecode, DamagedDataEndsInACatchableError) {
    const std::vector<uint8_t> photo = ReadFileBytes(TestJpeg("canon_eos_350d_rebel_xt_1728x1152.jpg"));

    // Cut inside the scan: the header still loads, the pixels are incomplete.
    std::vector<uint8_t> truncated(photo.begin(), photo.begin() + long(photo.size() / 2));
    JpegImage cut = FromBytes(truncated);
    EXPECT_EQ(cut.Width(), 1728);
    EXPECT_THROW(cut.Decode(), JpegError);

    // An end-of-image marker in the middle of the scan.
    std::vector<uint8_t> interrupted = photo;
    interrupted[photo.size() / 2] = 0xFF;
    interrupted[photo.size() / 2 + 1] = 0xD9;
    EXPECT_THROW(FromBytes(interrupted).Decode(), JpegError);

    // Cut inside the headers: loading itself fails and leaves nothing behind.
    JpegImage img = FromBytes(photo);
    const std::vector<uint8_t> header(photo.begin(), photo.begin() + 100);
    EXPECT_THROW(img.LoadFromMemory(header.data(), header.size()), JpegError);
    EXPECT_TRUE(img.Empty());
    EXPECT_EQ(img.Width(), 0);
    EXPECT_THROW(img.Decode(), JpegError);

    const std::vector<uint8_t> garbage(500, 0x5A);
    EXPECT_THROW(img.LoadFromMemory(garbage.data(), garbage.size()), JpegError);
    EXPECT_THROW(img.LoadFromMemory(nullptr, 0), JpegError);
    EXPECT_THROW(img.LoadFromFile(TempPath("does-not-exist.jpg")), JpegError);
}

TEST(JpegImageEncode, WritesBaselineThreeComponentJpegWithJfifHeader) {
    const Bitmap source = GradientBitmap(37, 23, PixelFormat::pf24bit);
    JpegImage img;
    img.Compress(source, 100);
    const std::vector<uint8_t>& data = img.Data();
    ASSERT_GT(data.size(), 20u);
    // SOI, then the JFIF APP0 that a saved EXIF block takes the place of.
    EXPECT_EQ(data[0], 0xFF);
    EXPECT_EQ(data[1], 0xD8);
    EXPECT_EQ(data[2], 0xFF);
    EXPECT_EQ(data[3], 0xE0);
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

    EXPECT_EQ(img.Width(), 37);
    EXPECT_EQ(img.Height(), 23);
    EXPECT_EQ(img.Format(), Format::Bgr24);
    const Bitmap decoded = FromBytes(data).Decode();
    const Difference d = Compare(source, decoded);
    EXPECT_LT(d.mean, 1.5);
    EXPECT_LE(d.max, 12);
}

TEST(JpegImageEncode, RefusesWhatItCannotEncode) {
    JpegImage img;
    EXPECT_THROW(img.Compress(Bitmap(8, 8, PixelFormat::pf8bit), 100), std::invalid_argument);
    EXPECT_THROW(img.Compress(Bitmap(0, 0, PixelFormat::pf24bit), 100), JpegError);
}

TEST(JpegImageEncode, SavesItsDataToAFile) {
    JpegImage img;
    img.Compress(GradientBitmap(16, 16, PixelFormat::pf24bit), 90);
    const std::string path = TempPath("saved.jpg");
    img.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path), img.Data());
    EXPECT_THROW(img.SaveToFile(TempPath("no-such-folder/x.jpg")), JpegError);
}
