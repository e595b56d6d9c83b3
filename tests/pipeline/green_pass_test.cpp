#include <gtest/gtest.h>

#include "dng/dng_exceptions.h"
#include "engine/progress_status.h"
#include "pass_helpers.h"

namespace pipelinetest {
namespace {

// R G / G B mosaic: greens 100 + 10 x column, blues 80, reds from `red`.
AutoPtr<dng_image> ColumnRampMosaic(int size, const std::function<int(int, int)>& red, int greenBase = 100) {
    return MakePlane(size, size, [&](int r, int c) {
        if ((r + c) % 2) return greenBase + 10 * c;
        return r % 2 ? 80 : red(r, c);
    });
}

std::unique_ptr<SyntheticNegative> GreenPassOn(AutoPtr<dng_image> mosaic, int firstRow = 0, int firstCol = 0,
                                               bool fromOrigin = false) {
    auto negative = SyntheticNegative::WithMosaic(std::move(mosaic));
    engine::ProgressStatus progress;
    negative->ProcessPhoto(firstRow, firstCol, fromOrigin, progress);
    return negative;
}

TEST(GreenPassTest, InteriorRedTakesTheRatioAlongTheChosenDirections) {
    // Around red (2, 2) = 40: reds 40 to the north, 80 elsewhere. Gradients
    // 0, 80, 40, 80, 20, 60, 20, 60; min 20 (north's 0 gives way), max 80, T 60;
    // chosen S, NE, NW (north's 0 is never chosen). sumG = 120 + 125 + 115,
    // sumC = 60 + 40 + 40: 40 x 360 / 140 = 102.86, inside the greens 100..140.
    const int reds[5][5] = {{40, 0, 40, 0, 40}, {}, {80, 0, 40, 0, 80}, {}, {80, 0, 80, 0, 80}};
    auto negative = GreenPassOn(ColumnRampMosaic(5, [&](int r, int c) { return reds[r][c]; }));
    EXPECT_EQ(At(*negative->Stage1Image(), 2, 2), 102);
    EXPECT_EQ(At(*negative->Stage1Image(), 2, 3), 130);  // greens stay
    ASSERT_NE(negative->WorkPlane, nullptr);
    EXPECT_EQ(At(*negative->WorkPlane, 2, 2), 102);
}

TEST(GreenPassTest, InteriorValueIsHeldWithinTheGreensOfItsWindow) {
    // Red 0 everywhere: v x ratio is 0, raised to the window's smallest green.
    auto dark = GreenPassOn(ColumnRampMosaic(5, [](int, int) { return 0; }));
    EXPECT_EQ(At(*dark->Stage1Image(), 2, 2), 100);

    // Red 200 amid reds of 0: all eight directions, 200 x 960 / 800 = 240, lowered to 140.
    auto bright = GreenPassOn(ColumnRampMosaic(5, [](int r, int c) { return r == 2 && c == 2 ? 200 : 0; }));
    EXPECT_EQ(At(*bright->Stage1Image(), 2, 2), 140);

    // Greens all 16383 or more: no lower bound, so 0 stays 0.
    auto high = GreenPassOn(ColumnRampMosaic(5, [](int, int) { return 0; }, 20000));
    EXPECT_EQ(At(*high->Stage1Image(), 2, 2), 0);
}

TEST(GreenPassTest, CornersCompleteTheWindowWithSitesOfTheSameColour) {
    // Top-left red (0, 0) = 50: window rows and columns -2, -1 come from 0, 1.
    // Reds: S(0,2) = S(-2,2) = 90, S(2,0) = S(2,-2) = 70, S(2,2) = 30, the rest 50.
    // Gradients 0, 40, 20, 0, 40, 20, 0, 20: min 20, max 40, T 40; chosen S, SE, SW.
    // 50 x 300 / (60 + 40 + 60) = 93.75, not clamped at the edge.
    const int reds[5][5] = {{50, 0, 90, 0, 50}, {}, {70, 0, 30, 0, 50}, {}, {50, 0, 50, 0, 50}};
    auto topLeft = GreenPassOn(MakePlane(5, 5, [&](int r, int c) {
        return (r + c) % 2 ? 100 : (r % 2 ? 80 : reds[r][c]);
    }));
    EXPECT_EQ(At(*topLeft->Stage1Image(), 0, 0), 93);

    // Bottom-right blue (5, 5) of a 6 x 6 mosaic: rows and columns 6, 7 come from 4, 5.
    // Blues (3,5) = 90, (5,3) = 70, (3,3) = 30: gradients 40, 0, 0, 20, 40, 0, 20, 20;
    // min 20, max 40, T 40; chosen W, NW, SW: 50 x 300 / (60 + 40 + 60) = 93.75.
    auto bottomRight =
        GreenPassOn(MakePlane(6, 6, Changed(PerColour(80, 100, 50), {{{3, 5}, 90}, {{5, 3}, 70}, {{3, 3}, 30}})));
    EXPECT_EQ(At(*bottomRight->Stage1Image(), 5, 5), 93);
}

TEST(GreenPassTest, FlatMosaicUsesAllDirectionsEverywhere) {
    // Every gradient 0: each red or blue becomes v x (mean green / mean own colour) = 100.
    auto negative = GreenPassOn(MakePlane(6, 6, PerColour(50, 100, 200)));
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) ASSERT_EQ(At(*negative->Stage1Image(), r, c), 100) << r << "," << c;
}

int Varied(int r, int c) { return 200 + (r * 37 + c * 91) % 500 + ((r + c) % 2 ? 300 : 0); }

TEST(GreenPassTest, FirstRowAndColumnLeaveTheMosaicAboveAndLeft) {
    auto whole = GreenPassOn(MakePlane(14, 24, Varied));
    auto negative = GreenPassOn(MakePlane(14, 24, Varied), 10, 20);
    for (int r = 0; r < 14; ++r)
        for (int c = 0; c < 24; ++c) {
            const int expected = r < 10 || c < 20 ? Varied(r, c) : At(*whole->Stage1Image(), r, c);
            ASSERT_EQ(At(*negative->Stage1Image(), r, c), expected) << r << "," << c;
            ASSERT_EQ(At(*negative->WorkPlane, r, c), expected);
        }
    EXPECT_NE(At(*whole->Stage1Image(), 10, 20), Varied(10, 20));

    auto fromOrigin = GreenPassOn(MakePlane(14, 24, Varied), 10, 20, true);
    EXPECT_EQ(At(*fromOrigin->Stage1Image(), 0, 0), At(*whole->Stage1Image(), 0, 0));
    EXPECT_EQ(At(*fromOrigin->Stage1Image(), 5, 5), At(*whole->Stage1Image(), 5, 5));
}

TEST(GreenPassTest, AbortAfterTheFirstRowLeavesNoWorkPlane) {
    auto whole = GreenPassOn(MakePlane(8, 8, Varied));
    auto negative = SyntheticNegative::WithMosaic(MakePlane(8, 8, Varied));
    negative->WorkPlane = MakePlane(8, 8, Varied);
    AbortingBar bar(*negative, 2);
    engine::ProgressStatus progress;
    progress.bar = &bar;
    negative->ProcessPhoto(0, 0, false, progress);

    EXPECT_EQ(negative->WorkPlane, nullptr);
    EXPECT_EQ(negative->AbortFlag, 1);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(At(*negative->Stage1Image(), 0, c), At(*whole->Stage1Image(), 0, c));
        EXPECT_EQ(At(*negative->Stage1Image(), 1, c), Varied(1, c));
    }
    EXPECT_NE(At(*negative->Stage1Image(), 0, 0), Varied(0, 0));
}

TEST(GreenPassTest, SetsTheSliderMaximaAndReportsProgress) {
    FakeMainWindow window;
    auto negative = SyntheticNegative::WithMosaic(MakePlane(14, 24, Varied));
    negative->Linearization().fWhiteLevel[0] = 4095;
    enginetest::FakeProgressBar bar;
    enginetest::FakeStatusLabel label;
    engine::ProgressStatus progress;
    progress.bar = &bar;
    progress.label = &label;
    negative->ProcessPhoto(3, 0, false, progress);

    EXPECT_EQ(window.maskingMaximum, 4095);
    EXPECT_EQ(window.localizationMaximum, 1365);
    EXPECT_EQ(label.text, "Processing photo...");
    EXPECT_EQ(bar.max, 10);
    EXPECT_EQ(bar.position, 0);
    // One step per converted row, from row 3 on.
    EXPECT_EQ(progress.stepsSinceYield, 11);
}

TEST(GreenPassTest, RefusesMosaicsTooSmallForItsWindow) {
    try {
        GreenPassOn(MakePlane(2, 8, Varied));
        FAIL() << "a two-row mosaic was processed";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format);
    }
}

}  // namespace
}  // namespace pipelinetest
