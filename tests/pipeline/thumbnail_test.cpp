#include <gtest/gtest.h>

#include "dng_test_support.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/class_twk_render.h"
#include "pipeline/headless_window.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;

struct SizeCase {
    double cropH, cropV, scaleH, scaleV;
    int width, height;
};

class ThumbnailSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ThumbnailSize, LongerSideIs320WithTheDisplayedAspect) {
    const SizeCase& c = GetParam();
    const dng_point size = TWKRender::ThumbnailSize(c.cropH, c.cropV, c.scaleH, c.scaleV);
    EXPECT_EQ(size.h, c.width);
    EXPECT_EQ(size.v, c.height);
}

INSTANTIATE_TEST_SUITE_P(Crops, ThumbnailSize,
                         ::testing::Values(SizeCase{5952, 3968, 1, 1, 320, 213}, SizeCase{3968, 5952, 1, 1, 213, 320},
                                           SizeCase{1000, 1000, 1, 1, 320, 320}, SizeCase{70000, 100, 1, 1, 320, 1},
                                           SizeCase{5953, 3968, 1, 1, 320, 213},
                                           // Non-square pixels: horizontal scale 2 halves the aspect.
                                           SizeCase{3000, 2000, 2, 1, 320, 107}, SizeCase{3000, 2000, 1, 2, 240, 320},
                                           SizeCase{1001, 1000, 1, 1, 320, 320}, SizeCase{999, 1000, 1, 1, 320, 320},
                                           SizeCase{1000, 333, 1, 1, 320, 107}));

// The thumbnail of a photo whose third opcode list holds `opcodes`.
std::vector<uint16_t> ThumbnailWith(const std::vector<FixtureOpcode>& opcodes) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    FixtureOptions fixture = pipelinetest::MosaicFixture(600, 400, "Canon EOS 500D");
    if (!opcodes.empty()) fixture.opcodeList[2] = OpcodeListBytes(opcodes);
    pipeline::DNGConvert& convert = window.Convert();
    EXPECT_TRUE(convert.ProcessDNG(pipelinetest::WriteFixtureFile(folder, "o.dng", fixture), "o.dng"));
    EXPECT_TRUE(window.messages.empty());
    const dng_image& image = *convert.Thumbnail.fImage;
    EXPECT_EQ(image.Width(), 320u);
    EXPECT_EQ(image.Height(), 213u);
    return InterleavedSamples(image);
}

TEST(Thumbnail, OnlyAWarpRectilinearFirstInTheThirdListIsApplied) {
    WarpPlane strong;
    strong.kr[0] = 1.0;
    strong.kr[1] = 0.4;
    const FixtureOpcode warp{1, 0x01030000, 0, WarpRectilinearParameters({strong}, 0.5, 0.5)};
    const FixtureOpcode vignette{3, 0x01030000, 0, std::vector<uint8_t>(56, 0)};
    const std::vector<uint16_t> plain = ThumbnailWith({});
    EXPECT_NE(ThumbnailWith({warp}), plain);
    EXPECT_EQ(ThumbnailWith({vignette}), plain);
    EXPECT_EQ(ThumbnailWith({vignette, warp}), plain) << "only the first opcode is considered";
}

TEST(Thumbnail, MonochromePhotoGetsThreeEightBitPlanes) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    ASSERT_TRUE(convert.ProcessDNG(
        pipelinetest::WriteFixtureFile(folder, "m.dng", pipelinetest::MonochromeFixture(540, 180)), "m.dng"));
    const dng_image& image = *convert.Thumbnail.fImage;
    EXPECT_EQ(image.Planes(), 3u);
    EXPECT_EQ(image.PixelType(), uint32(ttByte));
    EXPECT_EQ(image.Width(), 320u);
    EXPECT_EQ(image.Height(), 107u);
}

TEST(Thumbnail, CropOfTheThumbnailSizeIsReadFromTheCropOrigin) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    // Bright margin left of and above the crop, dark inside it.
    FixtureOptions fixture = pipelinetest::MosaicFixture(334, 231, "Nikon D800");
    for (uint32_t r = 0; r < fixture.height; ++r)
        for (uint32_t c = 0; c < fixture.width; ++c)
            fixture.samples[r * fixture.width + c] = (r < 12 || c < 10) ? 16000 : 300;
    fixture.defaultCrop = {10, 12, 320, 213};
    ASSERT_TRUE(convert.ProcessDNG(pipelinetest::WriteFixtureFile(folder, "c.dng", fixture), "c.dng"));
    const dng_image& image = *convert.Thumbnail.fImage;
    ASSERT_EQ(image.Width(), 320u);
    ASSERT_EQ(image.Height(), 213u);
    const std::vector<uint16_t> green = PlaneSamples(image, 1);
    const uint16_t inside = green[5 * 320 + 5];
    const uint16_t farCorner = green[200 * 320 + 300];
    EXPECT_LT(inside, 100) << "the margin above and left of the crop is not in the thumbnail";
    EXPECT_EQ(inside, farCorner);
}

}  // namespace
