#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "photo_run_support.h"
#include "pipeline/headless_window.h"
#include "tests/support/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::TestData;

constexpr int kLowPass = 40;

// The line of the grid file on a grid.
void DrawLine(controls::KernelGrid& grid) {
    for (int x = 46; x < 55; ++x) grid.ClickCell(x, 50, false, 0x008000);
}

class PhotoRunJpeg : public ::testing::Test {
protected:
    // Runs the tool with the line kernel and the test's low-pass setting; standard error is kept.
    int Tool(const std::string& arguments) {
        const photo_run_test::ToolRun run = photo_run_test::RunTool(
            folder, arguments + " --grid " + grid + " --lowpass " + std::to_string(kLowPass));
        errors = run.errors;
        return run.status;
    }

    test_support::TempFolder folder;
    const std::string grid = photo_run_test::WriteLineGrid(folder);
    std::string errors;
};

}  // namespace

// The patch is the crop at (LEFT, TOP) of the preview, 512 or 256 pixels square, deblurred as
// the library deblurs it.
TEST_F(PhotoRunJpeg, PatchIsTheDeblurredCropOfThePreview) {
    struct Case { const char* file; int left, top, zoom; };
    const Case cases[] = {{"canon_eos_350d_progressive.jpg", 230, 40, 100},
                          {"greyscale_exif_xmp_icc.jpg", 12, 96, 200},
                          {"nikon_d5000_exif_xmp_icc.jpg", 600, 0, 100}};  // reaches past the right edge
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string photo = TestData(std::string("jpeg/") + c.file);
        ASSERT_EQ(Tool(photo + " --preview " + folder.File("p.ppm") + " --patch " + folder.File("q.ppm") + " --crop " +
                       std::to_string(c.left) + "," + std::to_string(c.top) + " --zoom " + std::to_string(c.zoom)),
                  0)
            << errors;
        const int span = 512 * 100 / c.zoom;

        pipeline::HeadlessWindow window;
        DrawLine(window.grid);
        window.engine.SetLowPass(kLowPass);
        window.cropLeft = c.left;
        window.cropTop = c.top;
        ASSERT_TRUE(window.Convert().LoadJPG(photo));
        const platform::Bitmap& preview = window.preview;
        platform::Bitmap expected(span, span, platform::PixelFormat::pf24bit);
        for (int y = 0; y < span && c.top + y < preview.Height(); ++y)
            for (int x = 0; x < span && c.left + x < preview.Width(); ++x)
                expected.SetPixel(x, y, preview.Pixel(c.left + x, c.top + y));
        window.Convert().ProcessJPG(expected);

        const photo_run_test::Ppm previewPpm = photo_run_test::ReadPpm(folder.File("p.ppm"));
        EXPECT_EQ(std::pair(previewPpm.width, previewPpm.height), std::pair(preview.Width(), preview.Height()));
        const photo_run_test::Ppm patch = photo_run_test::ReadPpm(folder.File("q.ppm"));
        ASSERT_EQ(std::pair(patch.width, patch.height), std::pair(span, span));
        Bytes want;
        for (int y = 0; y < span; ++y)
            for (int x = 0; x < span; ++x) {
                const uint32_t pixel = expected.Pixel(x, y);
                want.insert(want.end(), {platform::RedOf(pixel), platform::GreenOf(pixel), platform::BlueOf(pixel)});
            }
        EXPECT_TRUE(patch.rgb == want);
    }
}

TEST_F(PhotoRunJpeg, FinalResultIntoAFolderOrBesideThePhotoInPluginMode) {
    std::filesystem::create_directory(folder.File("out"));
    const std::string photo = folder.File("Photo.JPEG");
    std::filesystem::copy_file(TestData("jpeg/canon_eos_5d_mark_iii_720x480_rotate90.jpg"), photo);
    EXPECT_EQ(Tool(photo + " --final " + folder.File("out")), 0) << errors;
    EXPECT_EQ(errors.substr(errors.rfind("status: Saving")), "status: Saving JPG to disk...\nstatus: Done...\n");
    EXPECT_TRUE(std::filesystem::exists(folder.File("out/Photo-DB.JPEG")));

    for (const char* name : {"Photo-DB.JPEG", "Photo-DB-2.JPEG"}) {
        EXPECT_EQ(Tool(photo + " --plugin"), 0) << errors;
        EXPECT_TRUE(std::filesystem::exists(folder.File(name))) << name;
        const Bytes handBack = test_support::ReadFileBytes(folder.File("__exportfromclarivane.txt"));
        EXPECT_EQ(std::string(handBack.begin(), handBack.end()), folder.File(name));
    }
}

// The camera's sRGB profile goes with every result, the EXIF block only without --strip-exif.
TEST_F(PhotoRunJpeg, ColourProfileGoesWithEveryResult) {
    std::filesystem::create_directory(folder.File("out"));
    const std::string photo = folder.File("photo.jpg");
    std::filesystem::copy_file(TestData("jpeg/nikon_d5000_exif_xmp_icc.jpg"), photo);
    const auto tagged = [](const std::string& path, const char* group) {
        return test_support::RunCommand("exiftool -b -" + std::string(group) + " '" + path + "' 2>/dev/null");
    };
    ASSERT_GT(tagged(photo, "ICC_Profile").size(), 3000u);
    struct Case { std::string arguments; const char* output; bool exif; };
    const std::string out = folder.File("out");
    const Case cases[] = {{" --final " + out, "out/photo-DB.jpg", true},
                          {" --final " + out + " --strip-exif", "out/photo-DB.jpg", false},
                          {" --plugin", "photo-DB.jpg", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        ASSERT_EQ(Tool(photo + c.arguments), 0) << errors;
        const std::string output = folder.File(c.output);
        EXPECT_TRUE(tagged(output, "ICC_Profile") == tagged(photo, "ICC_Profile"));
        EXPECT_EQ(tagged(output, "EXIF").empty(), !c.exif);
        std::filesystem::remove(output);
    }
}

TEST_F(PhotoRunJpeg, RefusalsAndFailuresExitWithThreeAndBadArgumentsWithTwo) {
    const std::string cmyk = TestData("jpeg/cmyk_adobe.jpg");
    EXPECT_EQ(Tool(cmyk), 3);
    const std::string refusal = "message: Unsupported JPG: Clarivane can only process 8-bit or 24-bit per pixel JPGs.";
    EXPECT_EQ(errors.rfind(refusal, 0), 0u) << errors;
    const std::string photo = TestData("jpeg/greyscale_exif_xmp_icc.jpg");
    EXPECT_EQ(Tool(photo + " --final " + folder.File("missing")), 3);
    EXPECT_NE(errors.find("status: Saving JPG to disk...\nmessage: Oops: The auto-save folder doesn't exist"),
              std::string::npos)
        << errors;
    EXPECT_EQ(Tool(photo + " --thumbnail " + folder.File("t.ppm")), 3);
    EXPECT_EQ(Tool(photo), 0) << errors;
    EXPECT_EQ(Tool(folder.File("photo.png")), 2);
}
