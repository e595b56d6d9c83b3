#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine/progress_status.h"
#include "pass_helpers.h"

namespace pipelinetest {
namespace {

// A real raw photo deblurred with a kernel of one centre cell, which leaves a
// plane as it is within one level.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(negative, nullptr);
        raw = negative->Stage1Image()->Clone();
        result = negative->Stage1Image()->Clone();
        const dng_rect active = negative->GetLinearizationInfo()->fActiveArea;
        top = active.t;
        left = active.l;
        negative->SetCFAPhase(top, left);
        grid.Set(50, 50);
        window.engine.kernelPanel = &grid;
        window.engine.lowPass = 0;
    }

    void DeblurWorkPlane(int channel) {
        ASSERT_NE(negative->WorkPlane, nullptr);
        dng_image_plane16 plane(*negative->WorkPlane);
        window.engine.Deblur(&plane, nullptr, -top, -left, channel, int(negative->WhiteLevel(0)), nullptr);
    }

    // Largest difference from the raw mosaic at green sites (first) and at the others.
    std::pair<int, int> LargestDifferences(dng_image& image) {
        dng_image_plane16 a(image);
        dng_image_plane16 b(*raw);
        std::pair<int, int> largest{0, 0};
        for (int r = 0; r < b.Height(); ++r)
            for (int c = 0; c < b.Width(); ++c) {
                int& l = negative->CFAColorAt(c, r) == 1 ? largest.first : largest.second;
                l = std::max(l, std::abs(a.Row(r)[c] - b.Row(r)[c]));
            }
        return largest;
    }
    int LargestDifference(dng_image& image) {
        const std::pair<int, int> largest = LargestDifferences(image);
        return std::max(largest.first, largest.second);
    }

    RealPhoto photo{"raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng"};
    TWKNegative* negative = photo.negative;
    AutoPtr<dng_image> raw;
    AutoPtr<dng_image> result;
    int top = 0;
    int left = 0;
    enginetest::FakeKernelGrid grid;
    FakeMainWindow window;
    engine::ProgressStatus progress;
};

TEST_F(EndToEndTest, GreenPlaneAndTransferAloneGiveBackTheMosaic) {
    negative->ProcessPhoto(0, 0, false, progress);
    EXPECT_EQ(window.maskingMaximum, 1023);
    EXPECT_EQ(window.localizationMaximum, 341);
    negative->ProcessFinalResult(*result, -top, -left, progress);
    // Only the whole halves of the mosaic's diagonal green means differ from the plane's.
    const std::pair<int, int> largest = LargestDifferences(*result);
    EXPECT_EQ(largest.first, 0);
    EXPECT_LE(largest.second, 1);
}

TEST_F(EndToEndTest, GreenPlaneRoadGivesBackTheMosaic) {
    negative->ProcessPhoto(0, 0, false, progress);
    DeblurWorkPlane(0);
    negative->ProcessFinalResult(*result, -top, -left, progress);
    // Greens come back within the engine's one level. Reds and blues scale by
    // the greens' change, so a level lost on dark greens (about 60 here) moves
    // them by a sixtieth, and truncation adds one more.
    const std::pair<int, int> largest = LargestDifferences(*result);
    EXPECT_LE(largest.first, 1);
    EXPECT_LE(largest.second, 2);
}

TEST_F(EndToEndTest, ThreePlaneRoadGivesBackTheMosaic) {
    negative->ProcessPhoto(top, left, false, progress);
    DeblurWorkPlane(1);
    negative->MergeGreenPlane(*result, -top, -left);

    negative->InstallStage1Copy(*raw);
    negative->ProcessRedBlue(false, progress);
    DeblurWorkPlane(2);
    negative->MergeRedPlane(*result, -top, -left);

    negative->InstallStage1Copy(*raw);
    negative->ProcessRedBlue(true, progress);
    DeblurWorkPlane(3);
    negative->MergeBluePlane(*result, -top, -left);
    EXPECT_LE(LargestDifference(*result), 1);

    negative->InstallStage1Copy(*raw);
    negative->StoreResultInStage1(top, left, *result);
    EXPECT_LE(LargestDifference(*negative->Stage1Image()), 1);
}

}  // namespace
}  // namespace pipelinetest
