#include <gtest/gtest.h>

#include <algorithm>

#include <jpeglib.h>

#include "platform/jpeg_image.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/test_files.h"

using platform::Bitmap;
using platform::JpegError;
using platform::JpegImage;
using platform::PixelFormat;
using test_support::ReadFileBytes;
using Bytes = std::vector<uint8_t>;
using Format = JpegImage::DecodedFormat;

namespace {

JpegImage FromBytes(const Bytes& bytes) {
    JpegImage img;
    img.LoadFromMemory(bytes.data(), bytes.size());
    return img;
}

// Red rises to the right and green downwards, so swapped channels or flipped rows show at once.
Bitmap Gradient(int width, int height) {
    Bitmap bmp(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bmp.SetPixel(x, y, platform::RGBColor(uint8_t(x * 7), uint8_t(y * 11), 90));
    return bmp;
}

// A progressive encoding of a square bitmap with one scan per AC coefficient
// and component, each followed by `refine` successive-approximation scans.
Bytes ManyScans(const Bitmap& bitmap, int refine) {
    std::vector<jpeg_scan_info> scans{{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k)
            for (int al = refine; al >= 0; --al) scans.push_back({1, {c}, k, k, al == refine ? 0 : al + 1, al});
    return test_support::EncodeJpeg(bitmap, [&](jpeg_compress_struct& c) {
        c.scan_info = scans.data();
        c.num_scans = int(scans.size());
    });
}

}  // namespace

TEST(JpegImageDecode, CameraPhotosDecodeToTheirFormat) {
    // Baseline 4:4:4 and 4:2:2, progressive, grey with restart markers; sizes as the test data's README lists them.
    const std::tuple<const char*, int, int, Format> cases[] = {
        {"canon_eos_350d_rebel_xt_1728x1152.jpg", 1728, 1152, Format::Bgr24},
        {"canon_eos_350d_progressive.jpg", 800, 346, Format::Bgr24},
        {"nikon_d5000_exif_xmp_icc.jpg", 858, 570, Format::Bgr24},
        {"canon_eos_5d_mark_iii_720x480_rotate90.jpg", 720, 480, Format::Bgr24},
        {"greyscale_exif_xmp_icc.jpg", 386, 396, Format::Grey8},
        {"cmyk_adobe.jpg", 0, 0, Format::Unsupported},
        {"cmyk_multiple_icc_segments.jpg", 0, 0, Format::Unsupported},
    };
    for (const auto& [file, width, height, format] : cases) {
        SCOPED_TRACE(file);
        JpegImage img;
        img.LoadFromFile(test_support::TestData(std::string("jpeg/") + file));
        EXPECT_EQ(img.Format(), format);
        if (format == Format::Unsupported) {
            EXPECT_THROW(img.Decode(), JpegError);
            continue;
        }
        const Bitmap bmp = img.Decode();
        EXPECT_EQ(std::tuple(bmp.Width(), bmp.Height(), bmp.Format()),
                  std::tuple(width, height, format == Format::Grey8 ? PixelFormat::pf8bit : PixelFormat::pf24bit));
        const auto [lo, hi] = std::minmax_element(bmp.Bits(), bmp.Bits() + bmp.ByteSize());
        EXPECT_GT(*hi - *lo, 64);  // a photo, not a blank
    }
}

TEST(JpegImageDecode, DamagedDataAndEndlessScansEndInACatchableError) {
    const Bytes photo = ReadFileBytes(test_support::TestData("jpeg/canon_eos_350d_rebel_xt_1728x1152.jpg"));
    // Cut inside the scan: the header still loads, the pixels do not.
    JpegImage cut = FromBytes(Bytes(photo.begin(), photo.begin() + long(photo.size() / 2)));
    EXPECT_EQ(cut.Width(), 1728);
    EXPECT_THROW(cut.Decode(), JpegError);
    Bytes interrupted = photo;  // an end-of-image marker in the middle of the scan
    interrupted[photo.size() / 2] = 0xFF;
    interrupted[photo.size() / 2 + 1] = 0xD9;
    EXPECT_THROW(FromBytes(interrupted).Decode(), JpegError);

    // A file that lacks only its end-of-image marker has every row; one cut inside its scan
    // data, baseline or progressive, grey or colour, does not.
    for (const char* file : {"canon_eos_350d_rebel_xt_1728x1152.jpg", "canon_eos_350d_progressive.jpg",
                             "greyscale_exif_xmp_icc.jpg"}) {
        SCOPED_TRACE(file);
        const Bytes whole = ReadFileBytes(test_support::TestData(std::string("jpeg/") + file));
        const uint8_t eoi[2] = {0xFF, 0xD9};
        const auto end = std::find_end(whole.begin(), whole.end(), eoi, eoi + 2);  // one file has a byte after it
        ASSERT_GT(whole.end() - end, 0);
        const Bitmap complete = FromBytes(whole).Decode();
        const Bitmap noEnd = FromBytes(Bytes(whole.begin(), end)).Decode();
        EXPECT_TRUE(std::equal(noEnd.Bits(), noEnd.Bits() + noEnd.ByteSize(), complete.Bits(),
                               complete.Bits() + complete.ByteSize()));
        for (long keep : {long(end - whole.begin()) - 40, long(whole.size()) * 3 / 4})
            EXPECT_THROW(FromBytes(Bytes(whole.begin(), whole.begin() + keep)).Decode(), JpegError) << keep;
    }

    // Cut inside the headers, or no JPEG at all: loading itself fails and leaves nothing behind.
    JpegImage img = FromBytes(photo);
    EXPECT_THROW(img.LoadFromMemory(photo.data(), 100), JpegError);
    EXPECT_TRUE(img.Empty());
    EXPECT_THROW(img.Decode(), JpegError);
    EXPECT_THROW(img.LoadFromFile("/nonexistent/clarivane.jpg"), JpegError);

    EXPECT_NO_THROW(FromBytes(ManyScans(Gradient(16, 16), 0)).Decode());             // 1 + 3 x 63 = 190 scans
    EXPECT_THROW(FromBytes(ManyScans(Gradient(16, 16), 2)).Decode(), JpegError);  // 1 + 3 x 63 x 3 = 568 scans
}

TEST(JpegImageEncode, WritesBaselineThreeComponentJpegAtTheQuality) {
    // Odd sizes so partial MCUs of the encoder's 4:2:0 and row padding are both exercised.
    const Bitmap source = Gradient(37, 23);
    JpegImage img;
    img.Compress(source, 100);
    const Bytes& data = img.Data();
    // SOI, then the JFIF APP0 that a saved EXIF block takes the place of.
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xE0}));
    const auto marker = [&](uint8_t code) {
        const uint8_t pair[2] = {0xFF, code};
        return std::search(data.begin(), data.end(), pair, pair + 2) - data.begin();
    };
    EXPECT_EQ(marker(0xC2), long(data.size()));
    // Baseline frame: precision 8, height 23, width 37, three components.
    EXPECT_EQ(Bytes(data.begin() + marker(0xC0) + 4, data.begin() + marker(0xC0) + 10), (Bytes{8, 0, 23, 0, 37, 3}));
    // Quality 100 scales every quantisation step down to 1.
    EXPECT_EQ(Bytes(data.begin() + marker(0xDB) + 5, data.begin() + marker(0xDB) + 69), Bytes(64, 1));
    const Bitmap decoded = FromBytes(data).Decode();
    for (int y = 0; y < 23; ++y)
        for (int i = 0; i < 37 * 3; ++i) ASSERT_LE(std::abs(source.ScanLine(y)[i] - decoded.ScanLine(y)[i]), 12) << y;

    EXPECT_THROW(img.Compress(Bitmap(8, 8, PixelFormat::pf8bit), 100), std::invalid_argument);
    EXPECT_THROW(img.Compress(Bitmap(0, 0, PixelFormat::pf24bit), 100), JpegError);
}
