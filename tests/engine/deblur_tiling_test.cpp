#include <gtest/gtest.h>

#include <array>

#include "engine_fixture.h"

namespace {

using enginetest::CountingPlane;
using enginetest::MessagesHook;
constexpr int N = engine::ClassFFT::kTileSize;

// With an empty kernel every filter weight is 0, so each pixel a tile
// writes becomes 0 while unwritten pixels keep their value.
class TilingTest : public enginetest::EngineFixture {
protected:
    static constexpr int kInput = 1000;

    // Runs with a cancel during the filter of tile `cancelAtTile` (1-based), 0 for a full run.
    void RunUntilTile(CountingPlane& plane, int cancelAtTile, int channel = 0) {
        bar = enginetest::FakeProgressBar();
        progress.bar = &bar;
        MessagesHook hook([&] {
            if (bar.position == cancelAtTile) fft.cancelRequested = true;
        });
        Run(plane, 4095, channel, &progress);
    }

    CountingPlane RunEmptyKernel(int width, int height, int cancelAtTile) {
        CountingPlane plane = MakePlane(width, height, [](int, int) { return kInput; });
        RunUntilTile(plane, cancelAtTile);
        return plane;
    }

    // Expects exactly the rectangles rows [r0, r1) x cols [c0, c1) written.
    static void ExpectWritten(const CountingPlane& plane, const std::vector<std::array<int, 4>>& rects) {
        for (int r = 0; r < plane.Height(); ++r) {
            for (int c = 0; c < plane.Width(); ++c) {
                bool inside = false;
                for (const auto& q : rects) inside |= r >= q[0] && r < q[1] && c >= q[2] && c < q[3];
                ASSERT_EQ(plane.At(r, c), inside ? 0 : kInput) << "row " << r << " col " << c;
            }
        }
    }

    enginetest::FakeProgressBar bar;
    engine::ProgressStatus progress;
};

TEST_F(TilingTest, TilesCoverThePlaneAndAnEarlyCancelWritesNothing) {
    // Tiles every 256 pixels unless one tile holds the plane; a tile past the
    // first row or column writes only from a quarter tile in. The bar counts
    // (width / 256 + 1) x (height / 256 + 1) tiles, even for a single tile.
    struct Case { int width, height, cancelAt, barMax, barEnd; std::vector<std::array<int, 4>> written; };
    const Case cases[] = {
        {512, 512, 0, 9, 1, {{0, 512, 0, 512}}},
        {513, 300, 0, 6, 6, {{0, 300, 0, 513}}},  // the last column tile writes nothing
        {513, 300, 1, 6, 1, {}},                  // a cancel before any tile is filtered
        {700, 600, 0, 9, 9, {{0, 600, 0, 700}}},
        {700, 600, 1, 9, 1, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.width << " x " << k.height << " cancelled at tile " << k.cancelAt);
        const CountingPlane plane = RunEmptyKernel(k.width, k.height, k.cancelAt);
        ExpectWritten(plane, k.written);
        EXPECT_EQ(bar.max, k.barMax);
        EXPECT_EQ(bar.position, k.barEnd);
        // Written tiles are committed and the single plane's spectrum released, cancelled or not.
        EXPECT_EQ(plane.commits, 1);
        EXPECT_FALSE(fft.cancelRequested);
        EXPECT_EQ(fft.kernelSpectrum, nullptr);
    }
}

TEST_F(TilingTest, EachPixelTakesTheLastTileCoveringItAndTilesReadOnlyTheInput) {
    LineKernel(9);
    fft.lowPass = 5;
    const CountingPlane input = NoisePlane(700, 600, 100, 3000, 7);
    const CountingPlane full = Deblurred(input, 4095);

    // A tile sees exactly what a one-tile plane cut from the input at its origin sees.
    struct Cut { int row, col, height, width; };
    for (const Cut cut : {Cut{0, 0, 512, 512}, Cut{0, 256, 512, 444}, Cut{256, 256, 344, 444}}) {
        const CountingPlane cutPlane = Deblurred(
            MakePlane(cut.width, cut.height, [&](int r, int c) { return input.At(cut.row + r, cut.col + c); }), 4095);
        // The part of the window that no later tile overwrites.
        const int r0 = cut.row > 0 ? N / 4 : 0;
        const int c0 = cut.col > 0 ? N / 4 : 0;
        const int r1 = cut.row == 0 ? 3 * N / 4 : cut.height;
        const int c1 = cut.col == 0 ? 3 * N / 4 : std::min(cut.width, 3 * N / 4);
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c)
                ASSERT_EQ(full.At(cut.row + r, cut.col + c), cutPlane.At(r, c)) << cut.row + r << "," << cut.col + c;
    }
}

TEST_F(TilingTest, MessagesRunWhileTilesAreWorkedOnAndACancelThereWritesNothing) {
    grid.Set(50, 50);
    CountingPlane plane = NoisePlane(100, 80, 10, 200, 2);
    const CountingPlane before = plane;
    int pumps = 0;
    {
        MessagesHook hook([&] { ++pumps; });
        Deblurred(before, 255);  // also without a reporter
        EXPECT_GE(pumps, 1);
    }
    pumps = 0;
    MessagesHook hook([&] {
        ++pumps;
        fft.cancelRequested = true;
    });
    Run(plane, 255);
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(plane.Samples(), before.Samples());
    EXPECT_EQ(plane.commits, 1);
}

TEST_F(TilingTest, CancelledColourRunKeepsItsSpectrumUntilTheNextFirstPlane) {
    grid.Set(50, 50);
    CountingPlane plane = NoisePlane(64, 64, 10, 200, 3);
    RunUntilTile(plane, 1, 1);
    EXPECT_NE(fft.kernelSpectrum, nullptr);
    EXPECT_FALSE(fft.cancelRequested);

    // A new single plane replaces the stale spectrum and releases its own at the end.
    grid.Clear(false);
    const CountingPlane other = Deblurred(MakePlane(64, 64, [](int, int) { return 50; }), 255);
    EXPECT_EQ(fft.kernelSpectrum, nullptr);
    EXPECT_EQ(other.At(32, 32), 0);  // the new, empty kernel was used
}

TEST_F(TilingTest, ProgressShowsTheThreeStepsAndCountsTiles) {
    LineKernel(3);
    enginetest::FakeStatusLabel label;
    progress.label = &label;
    progress.AppendStatus("green plane...");
    label.history.clear();

    CountingPlane plane = NoisePlane(600, 260, 0, 255, 4);
    RunUntilTile(plane, 0, 1);
    const std::vector<std::string> expected = {"Forward transform of kernel matrix... green plane...",
                                               "Forward transform of low pass filter matrix... green plane...",
                                               "Deblurring... green plane..."};
    EXPECT_EQ(label.history, expected);
    EXPECT_EQ(bar.max, 3 * 2);
    EXPECT_EQ(bar.position, 3 * 2);

    // The second colour plane reuses the spectrum: no kernel transform shown.
    label.history.clear();
    RunUntilTile(plane, 0, 2);
    EXPECT_EQ(label.history, std::vector<std::string>(expected.begin() + 1, expected.end()));
}

}  // namespace
