#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "jpeg_workflow_support.h"
#include "tests/support/test_files.h"

using namespace jpeg_workflow_test;
using test_support::RunCommand;
using test_support::TempFolder;
using test_support::TestData;

namespace {

struct RealPhoto {
    const char* file;
    int width, height;   // decoded size; 0 for a photo that is refused
    const char* caption; // of the refusal
};

class RealPhotoRoad : public testing::TestWithParam<RealPhoto> {};

std::string ExifBlock(const std::string& path) { return RunCommand("exiftool -b -EXIF '" + path + "' 2>/dev/null"); }

}  // namespace

// Each camera or editor photo loads or is refused with its message; each loaded one is deblurred
// whole and saved with its EXIF block as a JPEG that libjpeg reads at the width cut to a multiple of 4.
TEST_P(RealPhotoRoad, LoadsOrIsRefusedAndSavesAJpegOfTheExpectedSize) {
    const RealPhoto& p = GetParam();
    TempFolder folder;
    pipeline::HeadlessWindow window;
    DrawLineKernel(window, 7);
    window.autoSave = true;
    window.autoSaveFolder = folder.Path();
    pipeline::DNGConvert& convert = window.Convert();
    const std::string photo = TestData(std::string("jpeg/") + p.file);
    const bool loads = p.width > 0;
    ASSERT_EQ(convert.LoadJPG(photo), loads);
    if (!loads) {
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].caption, p.caption);
        return;
    }
    EXPECT_TRUE(window.messages.empty());
    ASSERT_EQ(std::pair(window.preview.Width(), window.preview.Height()), std::pair(p.width, p.height));
    ASSERT_TRUE(convert.SaveJPG(window.preview, photo));
    const std::string stem = std::string(p.file).substr(0, std::string(p.file).size() - 4);
    const std::string output = folder.File(stem + "-DB.jpg");
    const Decoded saved = DecodeWithLibjpeg(output);
    EXPECT_EQ(std::tuple(saved.width, saved.height, saved.components), std::tuple(p.width / 4 * 4, p.height, 3));
    EXPECT_EQ(ExifBlock(output), ExifBlock(photo));
    EXPECT_TRUE(window.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    TestDataJpegs, RealPhotoRoad,
    testing::Values(RealPhoto{"canon_eos_350d_progressive.jpg", 800, 346, nullptr},
                    RealPhoto{"canon_eos_350d_rebel_xt_1728x1152.jpg", 1728, 1152, nullptr},
                    RealPhoto{"canon_eos_5d_mark_iii_5760x3840.jpg", 5760, 3840, nullptr},
                    RealPhoto{"canon_eos_5d_mark_iii_720x480_rotate90.jpg", 720, 480, nullptr},
                    RealPhoto{"greyscale_exif_xmp_icc.jpg", 386, 396, nullptr},
                    RealPhoto{"leica_t_typ701.jpg", 4928, 3264, nullptr},
                    RealPhoto{"nikon_d5000_exif_xmp_icc.jpg", 858, 570, nullptr},
                    RealPhoto{"cmyk_adobe.jpg", 0, 0, "Unsupported JPG"},
                    RealPhoto{"cmyk_multiple_icc_segments.jpg", 0, 0, "Unsupported JPG"}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

// Every file of the test data is in the table above.
TEST(RealPhotoRoadTable, CoversEveryTestDataJpeg) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TestData("jpeg")))
        files += entry.path().extension() == ".jpg";
    EXPECT_EQ(files, 9);
}

// A photo blurred along its rows by a line of `length` pixels, deblurred with a line kernel of
// that length, comes out measurably closer to the sharp photo; across the rows it would not.
TEST(JpegDeblur, LineKernelBringsABlurredPhotoCloserToTheSharpOne) {
    const int width = 301, height = 203, length = 9;
    // Sharp: flat rectangles on black, with a black frame: the engine's tiles are padded with
    // zeros, so a frame of zeros lets the blur be undone up to the edges. Red equals blue and
    // green follows them, so the encoder's halved colour resolution costs little.
    Bitmap sharp(width, height, PixelFormat::pf24bit);
    std::mt19937 random(11);
    for (int r = 0; r < 60; ++r) {
        const int x0 = 20 + int(random() % (width - 80)), y0 = 20 + int(random() % (height - 80));
        const int w = 8 + int(random() % 40), h = 8 + int(random() % 40);
        const uint8_t level = uint8_t(30 + random() % 200);
        const uint32_t colour = platform::RGBColor(level, uint8_t(level / 2 + 60), level);
        for (int y = y0; y < std::min(height, y0 + h); ++y)
            for (int x = x0; x < std::min(width, x0 + w); ++x) sharp.SetPixel(x, y, colour);
    }
    // Blurred: each pixel the mean of `length` pixels of its row, centred on it (edges repeated).
    Bitmap blurred(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int b = 0; b < 3; ++b) {
                int sum = 0;
                for (int k = -length / 2; k <= length / 2; ++k)
                    sum += sharp.ScanLine(y)[3 * std::clamp(x + k, 0, width - 1) + b];
                blurred.ScanLine(y)[3 * x + b] = uint8_t((sum + length / 2) / length);
            }

    TempFolder folder;
    const std::string photo = PutFile(folder.Path(), "blurred.jpg", EncodeJpeg(blurred, 100));
    std::filesystem::create_directory(folder.File("out"));
    // Mean difference from the sharp photo inside a 24-pixel frame.
    const auto interiorError = [&](const Bitmap& picture) {
        Bitmap a(width / 4 * 4 - 48, height - 48, PixelFormat::pf24bit), b = a;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) {
                a.SetPixel(x, y, picture.Pixel(x + 24, y + 24));
                b.SetPixel(x, y, sharp.Pixel(x + 24, y + 24));
            }
        return Compare(a, b).mean;
    };
    std::vector<double> errors;
    for (bool alongRows : {true, false}) {
        pipeline::HeadlessWindow window;
        window.grid.Clear(false);
        for (int i = 0; i < length; ++i)
            alongRows ? window.grid.ClickCell(50 - length / 2 + i, 50, false, 0x008000)
                      : window.grid.ClickCell(50, 50 - length / 2 + i, false, 0x008000);
        window.engine.SetLowPass(10);
        window.autoSave = true;
        window.stripExif = true;
        window.autoSaveFolder = folder.File("out");
        ASSERT_TRUE(window.Convert().LoadJPG(photo));
        ASSERT_TRUE(window.Convert().SaveJPG(window.preview, photo));
        errors.push_back(interiorError(DecodeWithLibjpeg(folder.File("out/blurred-DB.jpg")).pixels));
    }
    const double before = interiorError(blurred);
    SCOPED_TRACE("blurred " + std::to_string(before) + ", along rows " + std::to_string(errors[0]) +
                 ", across rows " + std::to_string(errors[1]));
    EXPECT_LT(errors[0], 0.6 * before);
    EXPECT_GT(errors[1], before);
}
