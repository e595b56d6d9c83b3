#include <gtest/gtest.h>

#include "engine/progress_status.h"
#include "pass_helpers.h"

namespace pipelinetest {
namespace {

std::unique_ptr<SyntheticNegative> Plane(bool blue, AutoPtr<dng_image> mosaic) {
    auto negative = SyntheticNegative::WithMosaic(std::move(mosaic));
    engine::ProgressStatus progress;
    negative->ProcessRedBlue(blue, progress);
    return negative;
}

// Greens 100, blues 50, reds 40 in columns 0..2 and 80 from column 4 on.
int RedStep(int r, int c) { return (r + c) % 2 ? 100 : (r % 2 ? 50 : (c <= 2 ? 40 : 80)); }

TEST(RedBluePassTest, GreenSiteTakesTheTargetColourOfItsSmootherDirections) {
    // Green (2, 3) of a red row: gradients 0, 40, 0, 40, 40, 40, 40, 40; min 0,
    // max 40, T 20; nothing passes until three raises give T 50: E, W and the
    // diagonals. Sg = 6 x 100. Red plane: Sh = 80 + 40 + 80 + 80 + 40 + 40 = 360,
    // 100 / (600 / 360) = 60. Blue plane: Sv = 6 x 50, 100 / 2 = 50.
    auto red = Plane(false, MakePlane(5, 7, RedStep));
    EXPECT_EQ(At(*red->Stage1Image(), 2, 3), 60);
    auto blue = Plane(true, MakePlane(5, 7, RedStep));
    EXPECT_EQ(At(*blue->Stage1Image(), 2, 3), 50);
}

// Reds 50, greens 100, blues 40 except (1, 3) = 20 and (3, 5) = 50.
const std::function<int(int, int)> BlueDip = Changed(PerColour(50, 100, 40), {{{1, 3}, 20}, {{3, 5}, 50}});

TEST(RedBluePassTest, OppositeSiteScalesByTheFirstPassEstimates) {
    // Pass 1 turns every green into red 50 (green 100 over twice the reds).
    // Blue (3, 3) = 40: gradients N 20, E 10, S 0, W 0; min 0, max 20, T 10;
    // one raise to 20 takes E only: 40 x 50 / ((40 + 50) / 2) = 44.4.
    auto red = Plane(false, MakePlane(7, 7, BlueDip));
    dng_image& plane = *red->Stage1Image();
    EXPECT_EQ(At(plane, 3, 3), 44);
    EXPECT_EQ(At(plane, 3, 2), 50);
    EXPECT_EQ(At(plane, 0, 1), 50);
    EXPECT_EQ(At(plane, 4, 4), 50);
    ASSERT_NE(red->WorkPlane, nullptr);
    EXPECT_EQ(At(*red->WorkPlane, 3, 3), 44);
}

TEST(RedBluePassTest, FlatMosaicGivesTheTargetColourEverywhere) {
    auto red = Plane(false, MakePlane(6, 8, PerColour(50, 100, 25)));
    auto blue = Plane(true, MakePlane(6, 8, PerColour(50, 100, 25)));
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c) {
            ASSERT_EQ(At(*red->Stage1Image(), r, c), 50) << r << "," << c;
            ASSERT_EQ(At(*blue->Stage1Image(), r, c), 25) << r << "," << c;
        }
}

TEST(RedBluePassTest, ZeroSamplesAndZeroSums) {
    // Greens 0 stay 0 in pass 1, so pass 2 finds no target colour and gives 0.
    auto dark = Plane(false, MakePlane(6, 6, PerColour(50, 0, 40)));
    EXPECT_EQ(At(*dark->Stage1Image(), 2, 3), 0);
    EXPECT_EQ(At(*dark->Stage1Image(), 3, 3), 0);
    EXPECT_EQ(At(*dark->Stage1Image(), 2, 2), 50);

    // Reds 0: the target sum at each green is 0 and the green keeps its value;
    // the red sites themselves are 0 and stay.
    auto noRed = Plane(false, MakePlane(6, 6, PerColour(0, 100, 40)));
    EXPECT_EQ(At(*noRed->Stage1Image(), 2, 3), 100);
    EXPECT_EQ(At(*noRed->Stage1Image(), 2, 2), 0);
}

TEST(RedBluePassTest, TargetSitesKeepTheirRawValues) {
    auto red = Plane(false, MakePlane(7, 7, BlueDip));
    auto blue = Plane(true, MakePlane(7, 7, BlueDip));
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) {
            if ((r + c) % 2) continue;
            const bool redSite = r % 2 == 0;
            ASSERT_EQ(At(redSite ? *red->Stage1Image() : *blue->Stage1Image(), r, c), BlueDip(r, c));
        }
}

TEST(RedBluePassTest, AbortInTheSecondPassLeavesTheWorkPlaneAlone) {
    auto whole = Plane(false, MakePlane(7, 7, BlueDip));
    auto negative = SyntheticNegative::WithMosaic(MakePlane(7, 7, BlueDip));
    negative->WorkPlane = MakePlane(7, 7, [](int, int) { return 9; });
    // Seven rows of pass 1, rows 0 and 1 of pass 2, then the flag.
    AbortingBar bar(*negative, 10);
    enginetest::FakeStatusLabel label;
    engine::ProgressStatus progress;
    progress.bar = &bar;
    progress.label = &label;
    negative->ProcessRedBlue(false, progress);

    EXPECT_EQ(At(*negative->WorkPlane, 3, 3), 9);
    EXPECT_EQ(At(*negative->Stage1Image(), 3, 2), 50);
    EXPECT_EQ(At(*negative->Stage1Image(), 1, 1), At(*whole->Stage1Image(), 1, 1));
    EXPECT_EQ(At(*negative->Stage1Image(), 3, 3), 40);
    EXPECT_EQ(label.text, "Processing red result...");
    EXPECT_EQ(bar.max, 6);
}

TEST(RedBluePassTest, LetsMessagesRunOncePerRowAndDropsLaterStages) {
    int pumps = 0;
    enginetest::MessagesHook hook([&] { ++pumps; });
    auto negative = SyntheticNegative::WithMosaic(MakePlane(6, 6, PerColour(50, 100, 25)));
    negative->SetStage2Image(MakePlane(6, 6, PerColour(1, 1, 1)));
    negative->SetStage3Image(MakePlane(6, 6, PerColour(1, 1, 1)));
    enginetest::FakeStatusLabel label;
    engine::ProgressStatus progress;
    progress.label = &label;
    negative->ProcessRedBlue(true, progress);
    EXPECT_EQ(pumps, 1 + 2 * 6);
    EXPECT_EQ(label.text, "Processing blue result...");
    EXPECT_EQ(negative->Stage2Image(), nullptr);
    EXPECT_EQ(negative->Stage3Image(), nullptr);
}

}  // namespace
}  // namespace pipelinetest
