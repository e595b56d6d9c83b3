#include <gtest/gtest.h>

#include "engine/progress_status.h"
#include "pass_helpers.h"

namespace pipelinetest {
namespace {

struct Transfer {
    std::unique_ptr<SyntheticNegative> negative = SyntheticNegative::Make();
    AutoPtr<dng_image> mosaic;

    Transfer(AutoPtr<dng_image> deblurred, AutoPtr<dng_image> copy) : mosaic(std::move(copy)) {
        negative->SetBayer("0112");
        negative->WorkPlane = std::move(deblurred);
    }
    void Run(int rowOffset = 0, int colOffset = 0) {
        engine::ProgressStatus progress;
        negative->ProcessFinalResult(*mosaic, rowOffset, colOffset, progress);
    }
    int operator()(int r, int c) { return At(*mosaic, r, c); }
};

TEST(TransferTest, RedScalesByTheGreensChangeAlongTheChosenDirections) {
    // Deblurred green 100 + 10 x column everywhere. At red (2, 2): gradients
    // 0, 40, 0, 40, 30, 30, 30, 30; min 30, max 40, T 50; chosen E, W and the
    // four diagonals. sA = 130 + 110 + 125 + 125 + 115 + 115 = 720. Mosaic greens
    // N 61, E 70, S 60, W 51: sB = 70 + 51 + 131/2 + 130/2 + 112/2 + 111/2 in
    // whole halves = 362. 1000 / (362 / 720) = 1988.95.
    Transfer t(MakePlane(5, 5, [](int, int c) { return 100 + 10 * c; }), MakePlane({{500, 500, 500, 500, 500},
                                                                                     {500, 500, 61, 500, 500},
                                                                                     {500, 51, 1000, 70, 500},
                                                                                     {500, 500, 60, 500, 500},
                                                                                     {500, 500, 500, 500, 500}}));
    t.Run();
    EXPECT_EQ(t(2, 2), 1988);
    // Greens inside take the deblurred green.
    EXPECT_EQ(t(2, 1), 110);
    EXPECT_EQ(t(1, 2), 120);
    EXPECT_EQ(t(3, 2), 120);
    // The outermost rows and columns keep the mosaic.
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(t(0, i) == 500 && t(4, i) == 500 && t(i, 0) == 500 && t(i, 4) == 500) << i;
}

TEST(TransferTest, FlatDeblurredGreenUsesAllEightDirections) {
    // sA = 8 x 200; sB = 10 + 20 + 30 + 41 + 15 + 25 + 25 + 35 = 201; 100 x 1600 / 201 = 796.0
    Transfer t(MakePlane(5, 5, [](int, int) { return 200; }), MakePlane({{0, 0, 0, 0, 0},
                                                                          {0, 0, 10, 0, 0},
                                                                          {0, 41, 100, 20, 0},
                                                                          {0, 0, 30, 0, 0},
                                                                          {0, 0, 0, 0, 0}}));
    t.Run();
    EXPECT_EQ(t(2, 2), 796);
}

TEST(TransferTest, SitesNextToTheEdgeMapTheirWindowInward) {
    // Blue (1, 1), deblurred green 100 + 10 x column: row and column -1 come
    // from 1. Gradients 0, 40, 0, 0, 30, 30, 10, 10; min 10, max 40, T 30;
    // chosen NW, SW: sA = 105 + 105. Mosaic N 41, W 50, S 60: sB = 91/2 + 110/2
    // in whole halves = 100. 300 / (100 / 210) = 630.
    const auto flat = PerColour(500, 500, 500);
    Transfer topLeft(MakePlane(6, 6, [](int, int c) { return 100 + 10 * c; }),
                     MakePlane(6, 6, Changed(flat, {{{1, 1}, 300}, {{0, 1}, 41}, {{1, 0}, 50}, {{2, 1}, 60}})));
    topLeft.Run();
    EXPECT_EQ(topLeft(1, 1), 630);

    // The same turned half round at red (4, 4): row and column 6 come from 4.
    Transfer bottomRight(MakePlane(6, 6, [](int, int c) { return 150 - 10 * c; }),
                         MakePlane(6, 6, Changed(flat, {{{4, 4}, 300}, {{5, 4}, 41}, {{4, 5}, 50}, {{3, 4}, 60}})));
    bottomRight.Run();
    EXPECT_EQ(bottomRight(4, 4), 630);
}

TEST(TransferTest, DoubledGreenDoublesRedAndBlueBeyondTheWhiteLevelUpTo65535) {
    Transfer t(MakePlane(7, 7, PerColour(600, 200, 100)), MakePlane(7, 7, PerColour(300, 100, 50)));
    t.Run();
    for (int r = 1; r < 6; ++r)
        for (int c = 1; c < 6; ++c) ASSERT_EQ(t(r, c), (r + c) % 2 ? 200 : (r % 2 ? 100 : 600)) << r << "," << c;

    Transfer above(MakePlane(5, 5, PerColour(0, 4000, 0)), MakePlane(5, 5, PerColour(60000, 1000, 60000)));
    above.Run();
    EXPECT_EQ(above(2, 2), 65535);  // held, not wrapped
}

TEST(TransferTest, ZeroGreenSumsLeaveTheSampleAlone) {
    // Mosaic greens 0 around every red and blue: sB = 0, so r = 0 and the sample stays.
    Transfer zeroMosaic(MakePlane(5, 5, [](int, int) { return 300; }), MakePlane(5, 5, PerColour(700, 0, 400)));
    zeroMosaic.Run();
    EXPECT_EQ(zeroMosaic(2, 2), 700);
    EXPECT_EQ(zeroMosaic(1, 1), 400);
    // Deblurred green 0: sA = 0, r = 1.
    Transfer zeroDeblurred(MakePlane(5, 5, [](int, int) { return 0; }), MakePlane(5, 5, PerColour(700, 90, 400)));
    zeroDeblurred.Run();
    EXPECT_EQ(zeroDeblurred(2, 2), 700);
    EXPECT_EQ(zeroDeblurred(2, 1), 0);
}

TEST(TransferTest, CirclesLimitTheTransferInPreviewCoordinates) {
    FakeMainWindow window;
    window.engine.AddCircle(102, 52);
    window.engine.circles.back()->SetSize(2, 2, 0);
    Transfer t(MakePlane(9, 9, PerColour(600, 200, 100)), MakePlane(9, 9, PerColour(300, 100, 50)));
    t.Run(100, 50);
    EXPECT_EQ(t(2, 3), 200);
    EXPECT_EQ(t(2, 2), 600);
    for (const auto& far : {std::make_pair(6, 6), std::make_pair(6, 1), std::make_pair(1, 7), std::make_pair(5, 5)})
        EXPECT_EQ(t(far.first, far.second), PerColour(300, 100, 50)(far.first, far.second));

    // Without circles every visited site is transferred.
    window.engine.ClearCircles();
    Transfer all(MakePlane(9, 9, PerColour(600, 200, 100)), MakePlane(9, 9, PerColour(300, 100, 50)));
    all.Run(100, 50);
    EXPECT_EQ(all(6, 6), 600);
}

TEST(TransferTest, AbortStopsAtTheNextRow) {
    Transfer t(MakePlane(7, 7, PerColour(600, 200, 100)), MakePlane(7, 7, PerColour(300, 100, 50)));
    AbortingBar bar(*t.negative, 2);
    enginetest::FakeStatusLabel label;
    engine::ProgressStatus progress;
    progress.bar = &bar;
    progress.label = &label;
    t.negative->ProcessFinalResult(*t.mosaic, 0, 0, progress);
    EXPECT_EQ(t(1, 2), 200);
    EXPECT_EQ(t(2, 2), 300);
    EXPECT_EQ(label.text, "Processing final result...");
    EXPECT_EQ(bar.max, 3);
}

}  // namespace
}  // namespace pipelinetest
