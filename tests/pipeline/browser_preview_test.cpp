#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dng_test_support.h"
#include "pipeline/browser_preview.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "platform/jpeg_image.h"
#include "platform/message_box.h"
#include "tests/support/jpeg_encoder.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;

FixturePreview Preview(uint32_t width, uint32_t height, bool jpeg, uint32_t samples = 3) {
    FixturePreview p;
    p.width = width;
    p.height = height;
    p.jpeg = jpeg;
    p.samples = samples;
    return p;
}

struct ChoiceCase {
    const char* name;
    std::string model;
    std::vector<FixturePreview> previews;
    int width;  // of the chosen preview, 0 for none
    bool jpeg;
    uint32_t samples;
};

class BrowserPreviewChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(BrowserPreviewChoice, WidestQualifyingPreviewUnder500) {
    const ChoiceCase& c = GetParam();
    FixtureOptions fixture = pipelinetest::MosaicFixture(12, 8, c.model);
    fixture.previews = c.previews;
    fixture.rawInSubIFD = true;
    const std::unique_ptr<LoadedDNG> dng = LoadDNG(WriteFixtureDNG(fixture), false);
    const int chosen = pipeline::ChooseBrowserPreview(dng->info, c.model);
    if (c.width == 0) {
        EXPECT_EQ(chosen, -1);
        return;
    }
    ASSERT_GE(chosen, 0);
    const dng_ifd& ifd = *dng->info.fIFD[std::size_t(chosen)];
    EXPECT_EQ(ifd.fImageWidth, uint32_t(c.width));
    EXPECT_EQ(ifd.fCompression, c.jpeg ? 7u : 1u);
    EXPECT_EQ(ifd.fSamplesPerPixel, c.samples);
}

FixturePreview InIFD0(FixturePreview p) {
    p.inIFD0 = true;
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrowserPreviewChoice,
    ::testing::Values(
        ChoiceCase{"thumbnail_beats_large_jpeg", "LEICA T (Typ 701)",
                   {InIFD0(Preview(256, 171, false)), Preview(1024, 683, true)}, 256, false, 3},
        ChoiceCase{"jpeg_of_a_listed_model", "LEICA T (Typ 701)", {Preview(320, 213, true)}, 320, true, 3},
        ChoiceCase{"jpeg_of_another_model", "Canon EOS 550D", {Preview(320, 213, true)}, 0, false, 0},
        ChoiceCase{"widest_under_500", "Nikon D800", {Preview(160, 90, false), Preview(480, 320, false),
                                                      Preview(500, 333, false)}, 480, false, 3},
        ChoiceCase{"first_of_equal_widths", "Nikon D800",
                   {Preview(200, 100, false, 1), Preview(200, 100, false, 3)}, 200, false, 1},
        ChoiceCase{"listed_jpeg_wider_than_plain", "Leica S2", {Preview(300, 200, false), Preview(400, 266, true)},
                   400, true, 3},
        ChoiceCase{"model_compared_untrimmed", "Leica S2 ", {Preview(300, 200, false), Preview(400, 266, true)},
                   300, false, 3},
        ChoiceCase{"chained_preview_counts", "Sony ILCE-7S",
                   {[] {
                       FixturePreview p = Preview(240, 160, false);
                       p.chained = true;
                       return p;
                   }()},
                   240, false, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// Samples that differ per row, column and channel.
std::vector<uint8_t> Ramp(uint32_t width, uint32_t height, uint32_t samples) {
    std::vector<uint8_t> data(std::size_t(width) * height * samples);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + i / (width * samples) * 31);
    return data;
}

struct BrowseResult {
    bool ok = false;
    platform::Bitmap picture;
    std::string modelText;
    uint16_t cameraCode = 0;
    std::size_t messages = 0;
    int fileListRepaints = 0;
};

BrowseResult Browse(const std::vector<uint8_t>& bytes) {
    test_support::TempFolder folder;
    const std::string path = folder.File("b.dng");
    test_support::WriteFileBytes(path, bytes);
    HeadlessWindow window;
    BrowseResult result;
    result.ok = window.Convert().ReadPreviewDNG(path);
    result.picture = window.browser;
    result.modelText = window.modelText;
    result.cameraCode = window.Convert().CameraCode;
    result.messages = window.messages.size();
    result.fileListRepaints = window.fileListRepaints;
    return result;
}

struct DrawCase {
    uint32_t width, height, samples, rowsPerStrip;
    uint32_t tileWidth = 0, tileLength = 0;  // 0: strips
};

class UncompressedPreview : public ::testing::TestWithParam<DrawCase> {};

TEST_P(UncompressedPreview, EveryStripOrTileAtItsOwnPlaceEveryRowInItsOwnBitmapRow) {
    const DrawCase& c = GetParam();
    FixtureOptions fixture = pipelinetest::MosaicFixture(12, 8, "Nikon D200");
    FixturePreview preview = Preview(c.width, c.height, false, c.samples);
    preview.data = Ramp(c.width, c.height, c.samples);
    preview.rowsPerStrip = c.rowsPerStrip;
    preview.tileWidth = c.tileWidth;
    preview.tileLength = c.tileLength;
    fixture.previews = {preview};
    const BrowseResult got = Browse(WriteFixtureDNG(fixture));
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.modelText, "from: Nikon D200");
    ASSERT_EQ(got.picture.Width(), int(c.width));
    ASSERT_EQ(got.picture.Height(), int(c.height));
    int wrong = 0;
    for (uint32_t r = 0; r < c.height; ++r)
        for (uint32_t x = 0; x < c.width; ++x) {
            const uint8_t* s = &preview.data[(std::size_t(r) * c.width + x) * c.samples];
            const uint8_t red = s[0], green = c.samples == 3 ? s[1] : s[0], blue = c.samples == 3 ? s[2] : s[0];
            wrong += got.picture.Pixel(int(x), int(r)) != platform::RGBColor(red, green, blue);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(got.messages, 0u);
    EXPECT_GE(got.fileListRepaints, 1);
}

INSTANTIATE_TEST_SUITE_P(Layouts, UncompressedPreview,
                         ::testing::Values(DrawCase{17, 5, 3, 0}, DrawCase{17, 5, 3, 2}, DrawCase{16, 9, 3, 4},
                                           DrawCase{13, 4, 1, 0}, DrawCase{13, 7, 1, 3},
                                           DrawCase{37, 21, 3, 0, 16, 8}, DrawCase{13, 7, 1, 0, 8, 4}));

TEST(BrowsePreview, ShortDataIsNotDrawnButTheModelLineShows) {
    FixtureOptions fixture = pipelinetest::MosaicFixture(12, 8, "Sony ILCE-7S");
    FixturePreview preview = Preview(20, 10, false);
    preview.data = Ramp(20, 9, 3);  // one row missing
    fixture.previews = {preview};
    const BrowseResult got = Browse(WriteFixtureDNG(fixture));
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.picture.Width(), 0);
    EXPECT_EQ(got.modelText, "from: Sony ILCE-7S");
    EXPECT_EQ(got.cameraCode, 32);
    EXPECT_EQ(got.messages, 0u);
}

TEST(BrowsePreview, JpegPreviewOfAListedModelIsDecodedAndShown) {
    platform::Bitmap source(24, 16, platform::PixelFormat::pf24bit);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) source.SetPixel(x, y, platform::RGBColor(uint8_t(x * 10), 90, uint8_t(y * 15)));
    platform::JpegImage jpeg;
    jpeg.Compress(source, 95);
    FixtureOptions fixture = pipelinetest::MosaicFixture(12, 8, "LEICA T (Typ 701)");
    FixturePreview preview = Preview(24, 16, true);
    preview.data = jpeg.Data();
    fixture.previews = {preview};
    const BrowseResult got = Browse(WriteFixtureDNG(fixture));
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.cameraCode, 3);
    ASSERT_EQ(got.picture.Width(), 24);
    ASSERT_EQ(got.picture.Height(), 16);
    EXPECT_NEAR(platform::RedOf(got.picture.Pixel(20, 3)), 200, 12);
    EXPECT_NEAR(platform::BlueOf(got.picture.Pixel(2, 14)), 210, 12);
}

TEST(BrowsePreview, DamagedJpegPreviewShowsTheBoxOnceAndNoValidDngOnlyTheModelLine) {
    FixtureOptions fixture = pipelinetest::MosaicFixture(12, 8, "LEICA T (Typ 701)");
    fixture.previews = {Preview(64, 48, true)};  // a bare start and end of image
    const BrowseResult damaged = Browse(WriteFixtureDNG(fixture));
    EXPECT_FALSE(damaged.ok);
    EXPECT_EQ(damaged.messages, 1u);

    FixtureOptions tiff = pipelinetest::MosaicFixture(12, 8);
    tiff.colour = false;
    const BrowseResult invalid = Browse(WriteFixtureDNG(tiff));
    EXPECT_FALSE(invalid.ok);
    EXPECT_EQ(invalid.modelText, "Can't read preview...");
    EXPECT_EQ(invalid.messages, 0u);
}

// Fault caught: a JPEG preview whose own header declares more pixels than the program takes on
// (its directory says a small size) decoded into a bitmap of that size; or the limit set too low.
TEST(BrowsePreview, JpegPreviewOverThePixelLimitIsRefusedBeforeDecoding) {
    for (const auto& [width, height, shown] : {std::tuple(20000, 5000, true), std::tuple(20001, 5000, false)}) {
        SCOPED_TRACE(width);
        FixtureOptions fixture = pipelinetest::MosaicFixture(12, 8, "LEICA T (Typ 701)");
        FixturePreview preview = Preview(320, 64, true);
        preview.data = test_support::EncodeJpeg(platform::Bitmap(width, height, platform::PixelFormat::pf8bit));
        fixture.previews = {preview};
        const BrowseResult got = Browse(WriteFixtureDNG(fixture));
        EXPECT_EQ(got.ok, shown);
        EXPECT_EQ(got.messages, shown ? 0u : 1u);
        EXPECT_EQ(got.picture.Width(), shown ? width : 0);
    }
}

TEST(BrowsePreview, DropsTheOpenPhotoAndTheLoadedJpeg) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    const std::string path =
        pipelinetest::WriteFixtureFile(folder, "a.dng", pipelinetest::MosaicFixture(30, 20, "Nikon D800"));
    ASSERT_TRUE(convert.ProcessDNG(path, "a.dng"));
    const platform::JpegImage* before = convert.Jpeg.get();
    EXPECT_TRUE(convert.ReadPreviewDNG(path));
    EXPECT_EQ(convert.Negative, nullptr);
    EXPECT_FALSE(convert.HasOpenDNG());
    ASSERT_NE(convert.Jpeg, nullptr);
    EXPECT_NE(convert.Jpeg.get(), before);
    EXPECT_EQ(convert.Make, "Fixture");
    EXPECT_EQ(convert.Model, "Nikon D800");
}

}  // namespace
