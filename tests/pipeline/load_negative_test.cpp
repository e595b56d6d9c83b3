#include <gtest/gtest.h>

#include <vector>

#include "dng_test_support.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;
using pipelinetest::MosaicFixture;
using pipelinetest::WriteFixtureFile;

constexpr uint32_t kWidth = 582;
constexpr uint32_t kHeight = 548;
constexpr int32_t kActiveTop = 6;
constexpr int32_t kActiveLeft = 10;

FixtureOptions WideFixture() {
    // 16-bit samples are stored unpacked, so the raw strip is width x height x 2 bytes.
    FixtureOptions o = MosaicFixture(kWidth, kHeight, "Canon EOS 5D Mark III", 16, 7);
    o.activeArea = {kActiveTop, kActiveLeft, int32_t(kHeight), 580};
    return o;
}

TEST(LoadNegative, RawCacheIsFilledOnceAndLaterLoadsNeverReadTheRawDataAgain) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    const FixtureOptions fixture = WideFixture();
    const std::string path = WriteFixtureFile(folder, "cache.dng", fixture);
    ASSERT_TRUE(convert.ProcessDNG(path, "cache.dng"));
    ASSERT_NE(convert.RawCache, nullptr);
    EXPECT_EQ(PlaneSamples(*convert.RawCache, 0), fixture.samples);
    const dng_image* cached = convert.RawCache.get();

    // The raw strip starts right after the 8-byte header; blank it on disk.
    std::vector<uint8_t> bytes = test_support::ReadFileBytes(path);
    std::fill(bytes.begin() + 8, bytes.begin() + 8 + kWidth * kHeight * 2, 0);
    test_support::WriteFileBytes(path, bytes);

    convert.LoadNegative(false);
    ASSERT_NE(convert.Negative->Stage1Image(), nullptr);
    EXPECT_EQ(PlaneSamples(*convert.Negative->Stage1Image(), 0), fixture.samples);
    EXPECT_EQ(convert.Negative->Stage2Image(), nullptr);
    // A window crop or a second load edits the negative's copy, never the cache.
    convert.LoadNegative(true);
    convert.LoadNegative(false);
    EXPECT_EQ(convert.RawCache.get(), cached);
    EXPECT_EQ(PlaneSamples(*convert.RawCache, 0), fixture.samples);
    EXPECT_EQ(PlaneSamples(*convert.Negative->Stage1Image(), 0), fixture.samples);
}

struct WindowCase {
    const char* name;
    double scale;
    int cropLeft;
    int cropTop;
    int side;
    int left;  // window corner inside the active area
    int top;
};

class ResultWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(ResultWindow, CutsTheBoxAtTheCropOriginInsideTheActiveArea) {
    const WindowCase& c = GetParam();
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    const FixtureOptions fixture = WideFixture();
    ASSERT_TRUE(convert.ProcessDNG(WriteFixtureFile(folder, "w.dng", fixture), "w.dng"));
    window.cropLeft = c.cropLeft;
    window.cropTop = c.cropTop;
    convert.Negative->fResultScale = c.scale;

    convert.LoadNegative(true);
    const dng_image* stage1 = convert.Negative->Stage1Image();
    ASSERT_NE(stage1, nullptr);
    ASSERT_EQ(stage1->Width(), uint32_t(c.side));
    ASSERT_EQ(stage1->Height(), uint32_t(c.side));
    const std::vector<uint16_t> got = PlaneSamples(*stage1, 0);
    int mismatches = 0;
    for (int r = 0; r < c.side; ++r)
        for (int col = 0; col < c.side; ++col) {
            const uint32_t fileRow = uint32_t(kActiveTop + c.top + r);
            const uint32_t fileCol = uint32_t(kActiveLeft + c.left + col);
            mismatches += got[size_t(r) * c.side + col] != fixture.samples[size_t(fileRow) * kWidth + fileCol];
        }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Corners, ResultWindow,
                         ::testing::Values(WindowCase{"full_origin", 1.0, 0, 0, 512, 0, 0},
                                           WindowCase{"full_offset", 1.0, 40, 18, 512, 40, 18},
                                           WindowCase{"double_origin", 2.0, 0, 0, 256, 0, 0},
                                           WindowCase{"double_offset", 2.0, 40, 18, 256, 40, 18},
                                           WindowCase{"double_far_corner", 2.0, 312, 282, 256, 312, 282},
                                           WindowCase{"odd_crop_rounds_up", 1.0, 7, 3, 512, 8, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EightBitCase {
    const char* name;
    uint32_t bits;
    bool rawInSubIFD;
    bool eightBitPreviewInSubIFD;
    bool expanded;
};

class EightBitRaw : public ::testing::TestWithParam<EightBitCase> {};

TEST_P(EightBitRaw, ExpandsOnlyAnEightBitRawImageOfIFD1AndOnlyOnce) {
    const EightBitCase& c = GetParam();
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    FixtureOptions fixture = MosaicFixture(31, 18, "Leica S2", c.bits, 3);
    fixture.rawInSubIFD = c.rawInSubIFD;
    if (c.eightBitPreviewInSubIFD) fixture.previews.push_back(FixturePreview{});
    ASSERT_TRUE(convert.ProcessDNG(WriteFixtureFile(folder, "e.dng", fixture), "e.dng"));
    EXPECT_EQ(pipeline::DNGConvert::RawIsEightBit(convert.Info), c.expanded);

    std::vector<uint16_t> expected = fixture.samples;
    if (c.expanded)
        for (uint16_t& v : expected) v = uint16_t(uint32_t(v) * v / 4);
    ASSERT_NE(convert.RawCache, nullptr);
    EXPECT_EQ(PlaneSamples(*convert.RawCache, 0), expected);
    convert.LoadNegative(false);
    convert.LoadNegative(false);
    EXPECT_EQ(PlaneSamples(*convert.Negative->Stage1Image(), 0), expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EightBitRaw,
                         ::testing::Values(EightBitCase{"eight_bit_in_sub_ifd", 8, true, false, true},
                                           EightBitCase{"eight_bit_without_ifd1", 8, false, false, false},
                                           EightBitCase{"twelve_bit_in_sub_ifd", 12, true, false, false},
                                           EightBitCase{"sixteen_bit_with_8bit_preview_as_ifd1", 16, false, true,
                                                        false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
