#include <gtest/gtest.h>

#include "dng/dng_exceptions.h"
#include "platform/parallel_run.h"
#include "pass_helpers.h"

namespace pipelinetest {
namespace {

// R G / G B mosaic: greens 100 + 10 x column, blues 80, reds from `red`.
AutoPtr<dng_image> ColumnRampMosaic(const std::function<int(int, int)>& red, int greenBase = 100) {
    return MakePlane(5, 5, [&](int r, int c) {
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

int Varied(int r, int c) { return 200 + (r * 37 + c * 91) % 500 + ((r + c) % 2 ? 300 : 0); }

TEST(GreenPassTest, InteriorRedTakesTheRatioAlongTheChosenDirections) {
    // Around red (2, 2) = 40: reds 40 to the north, 80 elsewhere. Gradients
    // 0, 80, 40, 80, 20, 60, 20, 60; min 20 (north's 0 gives way), max 80, T 60;
    // chosen S, NE, NW (north's 0 is never chosen). sumG = 120 + 125 + 115,
    // sumC = 60 + 40 + 40: 40 x 360 / 140 = 102.86, inside the greens 100..140.
    const int reds[5][5] = {{40, 0, 40, 0, 40}, {}, {80, 0, 40, 0, 80}, {}, {80, 0, 80, 0, 80}};
    auto negative = GreenPassOn(ColumnRampMosaic([&](int r, int c) { return reds[r][c]; }));
    EXPECT_EQ(At(*negative->Stage1Image(), 2, 2), 102);
    EXPECT_EQ(At(*negative->Stage1Image(), 2, 3), 130);  // greens stay
    ASSERT_NE(negative->WorkPlane, nullptr);
    EXPECT_EQ(At(*negative->WorkPlane, 2, 2), 102);
}

TEST(GreenPassTest, InteriorValueIsHeldWithinTheGreensOfItsWindow) {
    // Red 0 everywhere: v x ratio is 0, raised to the window's smallest green.
    EXPECT_EQ(At(*GreenPassOn(ColumnRampMosaic([](int, int) { return 0; }))->Stage1Image(), 2, 2), 100);
    // Red 200 amid reds of 0: all eight directions, 200 x 960 / 800 = 240, lowered to 140.
    const auto lone = [](int r, int c) { return r == 2 && c == 2 ? 200 : 0; };
    EXPECT_EQ(At(*GreenPassOn(ColumnRampMosaic(lone))->Stage1Image(), 2, 2), 140);
    // Greens all 16383 or more: no lower bound, so 0 stays 0.
    EXPECT_EQ(At(*GreenPassOn(ColumnRampMosaic([](int, int) { return 0; }, 20000))->Stage1Image(), 2, 2), 0);
}

TEST(GreenPassTest, EdgesCompleteTheWindowWithSitesOfTheSameColour) {
    // Top-left red (0, 0) = 50: window rows and columns -2, -1 come from 0, 1.
    // Reds: S(0,2) = S(-2,2) = 90, S(2,0) = S(2,-2) = 70, S(2,2) = 30, the rest 50.
    // Gradients 0, 40, 20, 0, 40, 20, 0, 20: min 20, max 40, T 40; chosen S, SE, SW.
    // 50 x 300 / (60 + 40 + 60) = 93.75, not clamped at the edge.
    auto topLeft =
        GreenPassOn(MakePlane(5, 5, Changed(PerColour(50, 100, 80), {{{0, 2}, 90}, {{2, 0}, 70}, {{2, 2}, 30}})));
    EXPECT_EQ(At(*topLeft->Stage1Image(), 0, 0), 93);

    // Bottom-right blue (5, 5) of a 6 x 6 mosaic: rows and columns 6, 7 come from 4, 5.
    // Blues (3,5) = 90, (5,3) = 70, (3,3) = 30: gradients 40, 0, 0, 20, 40, 0, 20, 20;
    // min 20, max 40, T 40; chosen W, NW, SW: 50 x 300 / (60 + 40 + 60) = 93.75.
    auto bottomRight =
        GreenPassOn(MakePlane(6, 6, Changed(PerColour(80, 100, 50), {{{3, 5}, 90}, {{5, 3}, 70}, {{3, 3}, 30}})));
    EXPECT_EQ(At(*bottomRight->Stage1Image(), 5, 5), 93);

    // Every gradient 0 at every site, edges included: v x (mean green / mean own colour) = 100.
    auto flat = GreenPassOn(MakePlane(6, 6, PerColour(50, 100, 200)));
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) ASSERT_EQ(At(*flat->Stage1Image(), r, c), 100) << r << "," << c;
}

TEST(GreenPassTest, FirstRowAndColumnLeaveTheMosaicAboveAndLeft) {
    auto whole = GreenPassOn(MakePlane(14, 24, Varied));
    auto negative = GreenPassOn(MakePlane(14, 24, Varied), 10, 20);
    for (int r = 0; r < 14; ++r)
        for (int c = 0; c < 24; ++c) {
            const int expected = r < 10 || c < 20 ? Varied(r, c) : At(*whole->Stage1Image(), r, c);
            ASSERT_EQ(At(*negative->Stage1Image(), r, c), expected) << r << "," << c;
        }
    EXPECT_NE(At(*whole->Stage1Image(), 10, 20), Varied(10, 20));
    auto fromOrigin = GreenPassOn(MakePlane(14, 24, Varied), 10, 20, true);
    EXPECT_EQ(At(*fromOrigin->Stage1Image(), 5, 5), At(*whole->Stage1Image(), 5, 5));
}

TEST(GreenPassTest, SliderMaximaTruncateTheWhiteLevel) {
    struct Case { double white; int masking, localization; };
    const Case cases[] = {{4095.6, 4095, 1365}, {2.9, 2, 0}, {1023.0, 1023, 341}, {65535.0, 65535, 21845}};
    for (const Case& k : cases) {
        pipeline::HeadlessWindow window;
        auto negative = SyntheticNegative::WithMosaic(MakePlane(6, 6, Varied));
        negative->Linearization().fWhiteLevel[0] = k.white;
        engine::ProgressStatus progress;
        negative->ProcessPhoto(0, 0, false, progress);
        EXPECT_EQ(window.maskingMaximum, k.masking) << k.white;
        EXPECT_EQ(window.localizationMaximum, k.localization) << k.white;
    }
}

TEST(GreenPassTest, ReportsProgressFromTheFirstRowAgainstHeightLessFour) {
    for (const int firstRow : {0, 3}) {
        auto negative = SyntheticNegative::WithMosaic(MakePlane(15, 24, Varied));
        RecordingBar bar;
        FakeProgress p(bar);
        negative->ProcessPhoto(firstRow, 0, false, p.progress);
        EXPECT_EQ(p.label.text, "Processing photo...");
        EXPECT_EQ(bar.maxAtPeak, 11) << firstRow;
        EXPECT_EQ(bar.peak, 15 - firstRow);  // one step per converted row
        EXPECT_EQ(bar.position, 0);          // reset when done
    }
}

// Rows of `image` that differ from `before`; each must equal the same row of `done` whole.
std::vector<int> RowsChanged(dng_image& image, const std::function<int(int, int)>& before, dng_image& done) {
    std::vector<int> changed;
    const dng_image_plane16 plane(image);
    for (int r = 0; r < plane.Height(); ++r) {
        bool differs = false, whole = true;
        for (int c = 0; c < plane.Width(); ++c) {
            differs |= plane.Row(r)[c] != before(r, c);
            whole &= plane.Row(r)[c] == At(done, r, c);
        }
        if (differs) {
            EXPECT_TRUE(whole) << "row " << r << " half converted";
            changed.push_back(r);
        }
    }
    return changed;
}

TEST(GreenPassTest, AbortLeavesWholeRowsAndNoWorkPlane) {
    auto whole = GreenPassOn(MakePlane(14, 24, Varied));
    // 0: the flag is up before the run; 1: it comes with the first row's step;
    // 2: with the second, when rows may already be done on other threads.
    for (const int steps : {0, 1, 2}) {
        auto negative = SyntheticNegative::WithMosaic(MakePlane(14, 24, Varied));
        negative->WorkPlane = MakePlane(14, 24, Varied);
        AbortingBar aborting(*negative, steps);
        FakeProgress q(aborting);
        if (steps == 0) negative->AbortFlag = 1;
        negative->ProcessPhoto(0, 0, false, q.progress);
        EXPECT_EQ(negative->AbortFlag, 1);  // left for the caller's cancel check
        const std::vector<int> done = RowsChanged(*negative->Stage1Image(), Varied, *whole->Stage1Image());
        if (steps < 2) {
            EXPECT_TRUE(done.empty()) << steps;
        }
        // Only a pass that got through every row leaves a work plane.
        EXPECT_EQ(negative->WorkPlane == nullptr, done.size() < 14) << steps;
    }
    try {
        GreenPassOn(MakePlane(2, 8, Varied));
        FAIL() << "a two-row mosaic was processed";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format);
    }
}

// Tears down the worker count a test set.
struct WorkerCount {
    explicit WorkerCount(int count) { platform::SetWorkerCount(count); }
    ~WorkerCount() { platform::SetWorkerCount(0); }
};

TEST(PassThreadsTest, AnAbortInTheMiddleOfAManyThreadedPassLeavesWholeRowsAndNoNewWorkPlane) {
    const WorkerCount threads(4);
    const int height = 2400, width = 3000;  // long enough that a fast machine is still busy at the second pump
    auto whole = GreenPassOn(MakePlane(height, width, Varied));
    for (const bool redBlue : {false, true}) {
        SCOPED_TRACE(redBlue ? "red plane" : "green plane");
        auto negative = SyntheticNegative::WithMosaic(MakePlane(height, width, Varied));
        negative->WorkPlane = MakePlane(4, 4, [](int, int) { return 9; });
        int pumps = 0;
        // The second pump comes while the workers are busy with the first rows.
        enginetest::MessagesHook hook([&] {
            if (++pumps == (redBlue ? 3 : 2)) negative->AbortFlag = 1;
        });
        engine::ProgressStatus progress;
        if (redBlue) {
            negative->ProcessRedBlue(false, progress);
            EXPECT_EQ(At(*negative->WorkPlane, 1, 1), 9);  // the work plane stays as it was
        } else {
            negative->ProcessPhoto(0, 0, false, progress);
            EXPECT_EQ(negative->WorkPlane, nullptr);
            const std::vector<int> done = RowsChanged(*negative->Stage1Image(), Varied, *whole->Stage1Image());
            EXPECT_GT(done.size(), 0u);
            EXPECT_LT(done.size(), std::size_t(height));
        }
        EXPECT_EQ(negative->AbortFlag, 1);
    }
}

TEST(PassThreadsTest, RowsComeOutTheSameOnAnyNumberOfThreads) {
    const int height = 301, width = 422;
    std::vector<std::vector<uint16_t>> first;
    for (const int count : {1, 3, 8}) {
        const WorkerCount threads(count);
        std::vector<std::vector<uint16_t>> planes;
        const auto keep = [&](dng_image& image) {
            const dng_image_plane16 plane(image);
            std::vector<uint16_t> samples;
            for (int r = 0; r < plane.Height(); ++r) samples.insert(samples.end(), plane.Row(r), plane.Row(r) + width);
            planes.push_back(std::move(samples));
        };
        auto green = GreenPassOn(MakePlane(height, width, Varied));
        keep(*green->Stage1Image());
        auto red = SyntheticNegative::WithMosaic(MakePlane(height, width, Varied));
        engine::ProgressStatus progress;
        red->ProcessRedBlue(false, progress);
        keep(*red->Stage1Image());
        AutoPtr<dng_image> mosaic = MakePlane(height, width, Varied);
        green->ProcessFinalResult(*mosaic, 0, 0, progress);
        keep(*mosaic);
        if (first.empty()) {
            first = planes;
        } else {
            EXPECT_EQ(planes, first) << count << " threads";
        }
    }
}

std::unique_ptr<SyntheticNegative> Plane(bool blue, AutoPtr<dng_image> mosaic) {
    auto negative = SyntheticNegative::WithMosaic(std::move(mosaic));
    engine::ProgressStatus progress;
    negative->ProcessRedBlue(blue, progress);
    return negative;
}

// Greens 100, blues 50, reds 40 in columns 0..2 and 80 from column 4 on.
int RedStep(int r, int c) { return (r + c) % 2 ? 100 : (r % 2 ? 50 : (c <= 2 ? 40 : 80)); }

// Reds 50, greens 100, blues 40 except (1, 3) = 20 and (3, 5) = 50.
const std::function<int(int, int)> BlueDip = Changed(PerColour(50, 100, 40), {{{1, 3}, 20}, {{3, 5}, 50}});

TEST(RedBluePassTest, GreenSiteTakesTheTargetColourOfItsSmootherDirections) {
    // Green (2, 3) of a red row: gradients 0, 40, 0, 40, 40, 40, 40, 40; min 0,
    // max 40, T 20; nothing passes until three raises give T 50: E, W and the
    // diagonals. Sg = 6 x 100. Red plane: Sh = 80 + 40 + 80 + 80 + 40 + 40 = 360,
    // 100 / (600 / 360) = 60. Blue plane: Sv = 6 x 50, 100 / 2 = 50.
    EXPECT_EQ(At(*Plane(false, MakePlane(5, 7, RedStep))->Stage1Image(), 2, 3), 60);
    EXPECT_EQ(At(*Plane(true, MakePlane(5, 7, RedStep))->Stage1Image(), 2, 3), 50);
}

TEST(RedBluePassTest, OppositeSiteScalesByTheFirstPassEstimates) {
    // Pass 1 turns every green into red 50 (green 100 over twice the reds).
    // Blue (3, 3) = 40: gradients N 20, E 10, S 0, W 0; min 0, max 20, T 10;
    // one raise to 20 takes E only: 40 x 50 / ((40 + 50) / 2) = 44.4.
    auto red = Plane(false, MakePlane(7, 7, BlueDip));
    EXPECT_EQ(At(*red->Stage1Image(), 3, 3), 44);
    EXPECT_EQ(At(*red->Stage1Image(), 3, 2), 50);
    EXPECT_EQ(At(*red->Stage1Image(), 4, 4), 50);  // red sites keep their raw value
    ASSERT_NE(red->WorkPlane, nullptr);
    EXPECT_EQ(At(*red->WorkPlane, 3, 3), 44);
}

TEST(RedBluePassTest, FlatMosaicGivesTheTargetColourEverywhere) {
    for (const bool blue : {false, true}) {
        auto plane = Plane(blue, MakePlane(6, 8, PerColour(50, 100, 25)));
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 8; ++c) ASSERT_EQ(At(*plane->Stage1Image(), r, c), blue ? 25 : 50) << r << "," << c;
    }
}

TEST(RedBluePassTest, ZeroSamplesAndZeroSums) {
    // Greens 0 stay 0 in pass 1, so pass 2 finds no target colour and gives 0.
    auto dark = Plane(false, MakePlane(6, 6, PerColour(50, 0, 40)));
    EXPECT_EQ(At(*dark->Stage1Image(), 2, 3), 0);
    EXPECT_EQ(At(*dark->Stage1Image(), 3, 3), 0);
    // Reds 0: the target sum at each green is 0 and the green keeps its value.
    auto noRed = Plane(false, MakePlane(6, 6, PerColour(0, 100, 40)));
    EXPECT_EQ(At(*noRed->Stage1Image(), 2, 3), 100);
    EXPECT_EQ(At(*noRed->Stage1Image(), 2, 2), 0);
}

TEST(RedBluePassTest, LetsMessagesRunAndAbortBeforeTheSecondPassLeavesTheWorkPlaneAlone) {
    int pumps = 0;
    enginetest::MessagesHook hook([&] { ++pumps; });
    auto whole = Plane(false, MakePlane(7, 7, BlueDip));
    // Once at the start and at least once in each pass, never more than once a row.
    EXPECT_GE(pumps, 3);
    EXPECT_LE(pumps, 1 + 2 * 7);

    auto negative = SyntheticNegative::WithMosaic(MakePlane(7, 7, BlueDip));
    negative->WorkPlane = MakePlane(7, 7, [](int, int) { return 9; });
    negative->SetStage3Image(MakePlane(7, 7, BlueDip));
    // Seven rows of pass 1, then the flag with the first step of pass 2.
    AbortingBar bar(*negative, 8);
    FakeProgress p(bar);
    negative->ProcessRedBlue(false, p.progress);
    EXPECT_EQ(At(*negative->WorkPlane, 3, 3), 9);
    EXPECT_EQ(negative->Stage3Image(), nullptr);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) {
            const bool green = (r + c) % 2;  // estimated in pass 1; blues wait for pass 2
            ASSERT_EQ(At(*negative->Stage1Image(), r, c), green ? At(*whole->Stage1Image(), r, c) : BlueDip(r, c))
                << r << "," << c;
        }
    EXPECT_EQ(p.label.text, "Processing red result...");
    EXPECT_EQ(bar.max, 6);
}

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

AutoPtr<dng_image> Flat(int size, int value) { return MakePlane(size, size, [=](int, int) { return value; }); }

TEST(TransferTest, RedScalesByTheGreensChangeAlongTheChosenDirections) {
    // Deblurred green 100 + 10 x column everywhere. At red (2, 2): gradients
    // 0, 40, 0, 40, 30, 30, 30, 30; min 30, max 40, T 50; chosen E, W and the
    // four diagonals. sA = 130 + 110 + 125 + 125 + 115 + 115 = 720. Mosaic greens
    // N 61, E 70, S 60, W 51: sB = 70 + 51 + 131/2 + 130/2 + 112/2 + 111/2 in
    // whole halves = 362. 1000 / (362 / 720) = 1988.95.
    Transfer t(MakePlane(5, 5, [](int, int c) { return 100 + 10 * c; }),
               MakePlane(5, 5, Changed(PerColour(500, 500, 500), {{{1, 2}, 61}, {{2, 1}, 51}, {{2, 2}, 1000},
                                                                   {{2, 3}, 70}, {{3, 2}, 60}})));
    t.Run();
    EXPECT_EQ(t(2, 2), 1988);
    EXPECT_EQ(t(2, 1), 110);  // greens inside take the deblurred green
    // The outermost rows and columns keep the mosaic.
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(t(0, i) == 500 && t(4, i) == 500 && t(i, 0) == 500 && t(i, 4) == 500) << i;

    // Flat deblurred green, all eight directions: sA = 8 x 200;
    // sB = 10 + 20 + 30 + 41 + 15 + 25 + 25 + 35 = 201; 100 x 1600 / 201 = 796.0
    Transfer flat(Flat(5, 200), MakePlane(5, 5, Changed(PerColour(0, 0, 0), {{{1, 2}, 10}, {{2, 1}, 41},
                                                                          {{2, 2}, 100}, {{2, 3}, 20}, {{3, 2}, 30}})));
    flat.Run();
    EXPECT_EQ(flat(2, 2), 796);
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

TEST(TransferTest, ResultsAboveTheRangeAreHeldAt65535) {
    Transfer above(MakePlane(5, 5, PerColour(0, 4000, 0)), MakePlane(5, 5, PerColour(60000, 1000, 60000)));
    above.Run();
    EXPECT_EQ(above(2, 2), 65535);  // held, not wrapped
}

TEST(TransferTest, ZeroGreenSumsLeaveTheSampleAlone) {
    // Mosaic greens 0: sB = 0, so r = 0 and the sample stays.
    Transfer zeroMosaic(Flat(5, 300), MakePlane(5, 5, PerColour(700, 0, 400)));
    zeroMosaic.Run();
    EXPECT_EQ(zeroMosaic(2, 2), 700);
    EXPECT_EQ(zeroMosaic(1, 1), 400);
    // Deblurred green 0: sA = 0, r = 1.
    Transfer zeroDeblurred(Flat(5, 0), MakePlane(5, 5, PerColour(700, 90, 400)));
    zeroDeblurred.Run();
    EXPECT_EQ(zeroDeblurred(2, 2), 700);
    EXPECT_EQ(zeroDeblurred(2, 1), 0);
}

TEST(TransferTest, ShowsItsStatusAndAbortLeavesWholeRows) {
    const auto mosaic = PerColour(300, 100, 50);
    Transfer whole(MakePlane(9, 11, Varied), MakePlane(9, 11, mosaic));
    whole.Run();
    for (const int steps : {1, 3}) {
        Transfer t(MakePlane(9, 11, Varied), MakePlane(9, 11, mosaic));
        AbortingBar bar(*t.negative, steps);
        FakeProgress p(bar);
        t.negative->ProcessFinalResult(*t.mosaic, 0, 0, p.progress);
        EXPECT_EQ(p.label.text, "Processing final result...");
        EXPECT_EQ(bar.max, 5);
        const std::vector<int> done = RowsChanged(*t.mosaic, mosaic, *whole.mosaic);
        if (steps == 1) {
            EXPECT_TRUE(done.empty()) << "the flag comes with the first row's step";
        }
        EXPECT_EQ(At(*t.negative->WorkPlane, 4, 4), Varied(4, 4));
    }
}

TEST(TransferTest, CirclesLimitTheTransferInPreviewCoordinates) {
    pipeline::HeadlessWindow window;
    window.engine.AddCircle(102, 52);
    window.engine.circles.back()->SetSize(2, 2, 0);
    Transfer t(MakePlane(9, 9, PerColour(600, 200, 100)), MakePlane(9, 9, PerColour(300, 100, 50)));
    t.Run(100, 50);
    EXPECT_EQ(t(2, 3), 200);
    EXPECT_EQ(t(2, 2), 600);
    for (const auto& far : {std::make_pair(6, 6), std::make_pair(6, 1), std::make_pair(1, 7), std::make_pair(5, 5)})
        EXPECT_EQ(t(far.first, far.second), PerColour(300, 100, 50)(far.first, far.second));
}

int Deblurred(int r, int c) { return 1000 + 10 * r + c; }
// Unprocessed R G / G B mosaic: red 1, green 2, blue 3.
int Unprocessed(int r, int c) { return (r + c) % 2 ? 2 : (r % 2 ? 3 : 1); }
int ColourOf(int r, int c) { return Unprocessed(r, c) - 1; }

std::unique_ptr<SyntheticNegative> WithWorkPlane() {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112");
    negative->WorkPlane = MakePlane(5, 6, Deblurred);
    return negative;
}

TEST(MergeTest, EachMergeTakesOverOnlyItsOwnColourUpToTheEdges) {
    using Merge = void (TWKNegative::*)(dng_image&, int, int);
    const std::pair<Merge, int> merges[] = {
        {&TWKNegative::MergeRedPlane, 0}, {&TWKNegative::MergeGreenPlane, 1}, {&TWKNegative::MergeBluePlane, 2}};
    for (const auto& [merge, colour] : merges) {
        auto negative = WithWorkPlane();
        AutoPtr<dng_image> mosaic = MakePlane(5, 6, Unprocessed);
        ((*negative).*merge)(*mosaic, 0, 0);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 6; ++c)
                ASSERT_EQ(At(*mosaic, r, c), ColourOf(r, c) == colour ? Deblurred(r, c) : Unprocessed(r, c)) << colour;
    }
    AutoPtr<dng_image> otherSize = MakePlane(6, 6, Unprocessed);
    EXPECT_THROW(WithWorkPlane()->MergeGreenPlane(*otherSize, 0, 0), dng_exception);
}

TEST(MergeTest, CirclesKeepTheUnprocessedMosaicOutside) {
    pipeline::HeadlessWindow window;
    // Centre at preview (12, 21), which is mosaic site (2, 1) with offsets (10, 20).
    window.engine.AddCircle(12, 21);
    window.engine.circles.back()->SetSize(1, 1, 0);
    auto negative = WithWorkPlane();
    AutoPtr<dng_image> mosaic = MakePlane(5, 6, Unprocessed);
    negative->MergeGreenPlane(*mosaic, 10, 20);
    negative->MergeRedPlane(*mosaic, 10, 20);
    negative->MergeBluePlane(*mosaic, 10, 20);
    EXPECT_EQ(At(*mosaic, 2, 1), Deblurred(2, 1));
    for (const auto& far : {std::make_pair(0, 5), std::make_pair(4, 5), std::make_pair(0, 4), std::make_pair(4, 4)})
        EXPECT_EQ(At(*mosaic, far.first, far.second), Unprocessed(far.first, far.second));
}

TEST(MergeTest, StoredResultStartsAtTheGivenCornerAndStopsWhereTheSourceEnds) {
    auto negative = SyntheticNegative::Make();
    negative->SetStage1(MakePlane(8, 10, [](int, int) { return 7; }));
    negative->StoreResultInStage1(2, 4, *MakePlane(8, 10, Deblurred));
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            ASSERT_EQ(At(*negative->Stage1Image(), r, c), r < 2 || c < 4 ? 7 : Deblurred(r, c)) << r << "," << c;

    negative->StoreResultInStage1(0, 0, *MakePlane(4, 5, [](int, int) { return 9; }));
    EXPECT_EQ(At(*negative->Stage1Image(), 3, 4), 9);
    EXPECT_EQ(At(*negative->Stage1Image(), 4, 0), 7);
    EXPECT_EQ(At(*negative->Stage1Image(), 1, 5), 7);
}

}  // namespace
}  // namespace pipelinetest
