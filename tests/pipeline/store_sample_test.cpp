#include <gtest/gtest.h>

#include <algorithm>

#include "synthetic_negative.h"

namespace pipelinetest {
namespace {

constexpr uint16_t kUntouched = 0xBEEF;

// Work-image sample of plane p at stage-3 (row, col): rows bottom-up, B G R per pixel.
uint16_t WorkSample(const TWKNegative& negative, int height, int w4, int row, int col, int plane) {
    return negative.WorkImage[(size_t(height - 1 - row) * w4 + col) * 3 + (2 - plane)];
}

int Stage3Sample(TWKNegative& negative, int row, int col, int plane) {
    dng_const_tile_buffer buffer(*negative.Stage3Image(), negative.Stage3Image()->Bounds());
    return *buffer.ConstPixel_uint16(row, col, uint32(plane));
}

TEST(StoreSampleTest, DemosaicFillsTheWorkImageBottomUpAsBGR) {
    TWKHost host;
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112");
    negative->SetStage2Image(MakePlane(4, 4, [](int r, int c) { return 1000 + 100 * r + 7 * c; }));
    std::fill(negative->WorkImage.get(), negative->WorkImage.get() + 64, kUntouched);
    negative->BuildStage3Image(host);

    // Pixel 12 starts the fourth stored row, the top row; its red site keeps its own sample.
    EXPECT_EQ(negative->WorkImage[12 * 3 + 2], 1000);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int p = 0; p < 3; ++p) ASSERT_EQ(WorkSample(*negative, 4, 4, r, c, p), Stage3Sample(*negative, r, c, p));
    EXPECT_EQ(negative->WorkImage[48], kUntouched);
}

TEST(StoreSampleTest, ColumnsBeyondTheLastMultipleOfFourAreNotStored) {
    TWKHost host;
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112");
    const int width = 4003;
    const int w4 = 4000;
    negative->SetStage2Image(MakePlane(2, width, [](int r, int c) { return 500 + r + (c % 50); }));
    std::fill(negative->WorkImage.get(), negative->WorkImage.get() + 2 * w4 * 3 + 30, kUntouched);
    negative->BuildStage3Image(host);

    for (int r = 0; r < 2; ++r)
        for (int c : {0, 1, 2, 3999})
            for (int p = 0; p < 3; ++p) EXPECT_EQ(WorkSample(*negative, 2, w4, r, c, p), Stage3Sample(*negative, r, c, p));
    for (int i = 2 * w4 * 3; i < 2 * w4 * 3 + 30; ++i) EXPECT_EQ(negative->WorkImage[i], kUntouched);
    EXPECT_GT(Stage3Sample(*negative, 0, 4002, 0), 0);
}

TEST(StoreSampleTest, MonochromeStageThreeLeavesTheWorkImageAlone) {
    TWKHost host;
    auto negative = SyntheticNegative::Make();
    negative->SetStage2Image(MakePlane(4, 4, [](int, int) { return 321; }));
    std::fill(negative->WorkImage.get(), negative->WorkImage.get() + 48, kUntouched);
    negative->BuildStage3Image(host);
    ASSERT_NE(negative->Stage3Image(), nullptr);
    EXPECT_TRUE(std::all_of(negative->WorkImage.get(), negative->WorkImage.get() + 48,
                            [](uint16_t v) { return v == kUntouched; }));
}

TEST(StoreSampleTest, SamplesOutsideTheWorkImageAreDropped) {
    auto negative = SyntheticNegative::Make();
    const uint64 last = TWKNegative::kMaxWorkPixels * 3 - 1;
    negative->WorkImage[last] = kUntouched;
    // 10000 x 4004 pixels exceed the room; row 0 would land past the end.
    negative->StoreSample(10000, 4004, 0, 0, 0, 0, 77);
    negative->StoreSample(10000, 4004, 0, 0, 3, 0, 77);
    EXPECT_EQ(negative->WorkImage[last], kUntouched);
    // The last row of such an image is still inside and stored.
    negative->StoreSample(10000, 4004, 9999, 0, 1, 5, 88);
    EXPECT_EQ(negative->WorkImage[5 * 3 + 1], 88);
}

}  // namespace
}  // namespace pipelinetest
