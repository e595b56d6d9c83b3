// The engine on several thread counts, and a cancel in the middle of a
// many-threaded run.
#include <gtest/gtest.h>

#include "platform/parallel_run.h"
#include "engine_fixture.h"

namespace {

using enginetest::CountingPlane;
using enginetest::MessagesHook;
constexpr int N = engine::ClassFFT::kTileSize;

// Soft ramps, bright blocks and noise, like a photo's plane.
CountingPlane PhotoPlane(int width, int height, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> noise(-40, 40);
    CountingPlane plane(width, height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            int v = 400 + (r * 7 + c * 3) % 1500 + ((r / 97 + c / 131) % 3 == 0 ? 1600 : 0) + noise(gen);
            plane.Set(r, c, uint16_t(v));
        }
    return plane;
}

class ParallelDeblurTest : public enginetest::EngineFixture {
protected:
    ~ParallelDeblurTest() override { platform::SetWorkerCount(0); }
};

TEST_F(ParallelDeblurTest, ResultsDoNotDependOnTheNumberOfThreads) {
    SlantedKernel();
    fft.SetLocalization(300, 1365);
    fft.maskThreshold = 30;
    fft.AddCircle(300, 400);
    fft.circles.back()->SetSize(200, 300, 40);
    const CountingPlane input = PhotoPlane(1100, 700, 9);
    std::vector<uint16_t> first;
    for (const int threads : {1, 3, 8, 0}) {
        platform::SetWorkerCount(threads);
        CountingPlane plane = input;
        Run(plane, 4095);
        if (first.empty()) {
            first = plane.Samples();
            EXPECT_NE(first, input.Samples());
        } else {
            EXPECT_EQ(plane.Samples(), first) << threads << " threads";
        }
    }
}

// Samples of the tile windows: each window is written whole or not at all.
void ExpectWholeWindows(const CountingPlane& after, const CountingPlane& before, const CountingPlane& full,
                        int* windowsDone, int* windowsLeft) {
    const int step = N / 2;
    for (int tileRow = 0; tileRow < after.Height(); tileRow += step)
        for (int tileCol = 0; tileCol < after.Width(); tileCol += step) {
            // What this tile alone writes: from a quarter tile in up to where the next tile's window begins.
            const auto end = [&](int origin, int extent) {
                const int next = origin + step + N / 4;
                return next < extent ? next : std::min(origin + N, extent);
            };
            const int r0 = tileRow > 0 ? tileRow + N / 4 : 0, c0 = tileCol > 0 ? tileCol + N / 4 : 0;
            const int r1 = end(tileRow, after.Height()), c1 = end(tileCol, after.Width());
            int done = 0, left = 0;
            for (int r = r0; r < r1; ++r)
                for (int c = c0; c < c1; ++c) {
                    if (full.At(r, c) == before.At(r, c)) continue;
                    (after.At(r, c) == full.At(r, c) ? done : left) += 1;
                    ASSERT_TRUE(after.At(r, c) == full.At(r, c) || after.At(r, c) == before.At(r, c)) << r << "," << c;
                }
            ASSERT_FALSE(done > 0 && left > 0) << "tile " << tileRow << "," << tileCol << " half written";
            if (done + left == 0) continue;
            (done > 0 ? *windowsDone : *windowsLeft) += 1;
        }
}

TEST_F(ParallelDeblurTest, CancelInTheMiddleStopsTheWorkersAndReleasesEverything) {
    platform::SetWorkerCount(4);
    SlantedKernel();
    const CountingPlane before = PhotoPlane(3000, 2100, 11);
    const CountingPlane full = Deblurred(before, 4095);

    CountingPlane plane = before;
    enginetest::FakeProgressBar bar;
    engine::ProgressStatus progress;
    progress.bar = &bar;
    int pumps = 0;
    MessagesHook hook([&] {
        // The second pump comes while the workers are busy with the first tiles.
        if (++pumps == 2) fft.cancelRequested = true;
    });
    Run(plane, 4095, 0, &progress);

    EXPECT_GE(pumps, 2);
    EXPECT_EQ(plane.commits, 1);
    EXPECT_FALSE(fft.cancelRequested);
    EXPECT_EQ(fft.kernelSpectrum, nullptr);
    EXPECT_LT(bar.position, bar.max);
    int windowsDone = 0, windowsLeft = 0;
    ExpectWholeWindows(plane, before, full, &windowsDone, &windowsLeft);
    EXPECT_GT(windowsLeft, 0);

    // The same engine runs again in full afterwards.
    CountingPlane again = before;
    pumps = 10;
    Run(again, 4095);
    EXPECT_EQ(again.Samples(), full.Samples());
}

}  // namespace
