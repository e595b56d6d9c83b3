#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "dng/dng_info.h"
#include "dng/dng_stream.h"
#include "engine/progress_status.h"
#include "engine_fakes.h"
#include "synthetic_negative.h"

namespace pipelinetest {
namespace {

// A real raw photo read through the program's host, deblurred with a kernel
// of one centre cell, which leaves a plane as it is within one level.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path =
            std::string(CLARIVANE_TESTDATA) + "/dng/raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng";
        stream = std::make_unique<dng_file_stream>(path);
        info.Parse(host, *stream);
        info.PostParse(host);
        made = host.Make_dng_negative();
        negative = dynamic_cast<TWKNegative*>(made.get());
        ASSERT_NE(negative, nullptr);
        negative->Parse(host, *stream, info);
        negative->PostParse(host, *stream, info);
        negative->ReadStage1Image(host, *stream, info);
        raw = negative->Stage1Image()->Clone();
        const dng_rect active = negative->GetLinearizationInfo()->fActiveArea;
        activeTop = active.t;
        activeLeft = active.l;
        negative->SetCFAPhase(activeTop, activeLeft);

        grid.Set(50, 50);
        window.engine.kernelPanel = &grid;
        window.engine.lowPass = 0;
    }

    void DeblurWorkPlane(int channel) {
        ASSERT_NE(negative->WorkPlane, nullptr);
        dng_image_plane16 plane(*negative->WorkPlane);
        window.engine.Deblur(&plane, nullptr, -activeTop, -activeLeft, channel, int(negative->WhiteLevel(0)),
                             nullptr);
    }

    int LargestDifferenceFromTheRaw(dng_image& image) {
        dng_image_plane16 a(image);
        dng_image_plane16 b(*raw);
        int largest = 0;
        for (int r = 0; r < b.Height(); ++r)
            for (int c = 0; c < b.Width(); ++c) largest = std::max(largest, std::abs(a.Row(r)[c] - b.Row(r)[c]));
        return largest;
    }

    TWKHost host;
    std::unique_ptr<dng_file_stream> stream;
    dng_info info;
    std::unique_ptr<dng_negative> made;
    TWKNegative* negative = nullptr;
    AutoPtr<dng_image> raw;
    int activeTop = 0;
    int activeLeft = 0;
    enginetest::FakeKernelGrid grid;
    FakeMainWindow window;
    engine::ProgressStatus progress;
};

TEST_F(EndToEndTest, GreenPlaneAndTransferAloneGiveBackTheMosaic) {
    AutoPtr<dng_image> rawCopy = negative->Stage1Image()->Clone();
    negative->ProcessPhoto(0, 0, false, progress);
    EXPECT_EQ(window.maskingMaximum, 1023);
    EXPECT_EQ(window.localizationMaximum, 341);
    negative->ProcessFinalResult(*rawCopy, -activeTop, -activeLeft, progress);
    // Only the whole halves of the mosaic's diagonal green means differ from the plane's.
    EXPECT_LE(LargestDifferenceFromTheRaw(*rawCopy), 1);
}

TEST_F(EndToEndTest, GreenPlaneRoadGivesBackTheMosaic) {
    AutoPtr<dng_image> rawCopy = negative->Stage1Image()->Clone();
    negative->ProcessPhoto(0, 0, false, progress);
    DeblurWorkPlane(0);
    negative->ProcessFinalResult(*rawCopy, -activeTop, -activeLeft, progress);
    // Greens come back within the engine's one level. Reds and blues scale by
    // the greens' change, so a level lost on dark greens (about 60 here) moves
    // them by a sixtieth, and truncation adds one more.
    dng_image_plane16 result(*rawCopy);
    dng_image_plane16 original(*raw);
    int largestGreen = 0, largestOther = 0;
    for (int r = 0; r < original.Height(); ++r)
        for (int c = 0; c < original.Width(); ++c) {
            const int difference = std::abs(result.Row(r)[c] - original.Row(r)[c]);
            int& largest = negative->CFAColorAt(c, r) == 1 ? largestGreen : largestOther;
            largest = std::max(largest, difference);
        }
    EXPECT_LE(largestGreen, 1);
    EXPECT_LE(largestOther, 2);
}

TEST_F(EndToEndTest, ThreePlaneRoadGivesBackTheMosaic) {
    AutoPtr<dng_image> rawCopy = negative->Stage1Image()->Clone();
    negative->ProcessPhoto(activeTop, activeLeft, false, progress);
    DeblurWorkPlane(1);
    negative->MergeGreenPlane(*rawCopy, -activeTop, -activeLeft);

    negative->InstallStage1Copy(*raw);
    negative->ProcessRedBlue(false, progress);
    DeblurWorkPlane(2);
    negative->MergeRedPlane(*rawCopy, -activeTop, -activeLeft);

    negative->InstallStage1Copy(*raw);
    negative->ProcessRedBlue(true, progress);
    DeblurWorkPlane(3);
    negative->MergeBluePlane(*rawCopy, -activeTop, -activeLeft);

    EXPECT_LE(LargestDifferenceFromTheRaw(*rawCopy), 1);

    negative->InstallStage1Copy(*raw);
    negative->StoreResultInStage1(activeTop, activeLeft, *rawCopy);
    EXPECT_LE(LargestDifferenceFromTheRaw(*negative->Stage1Image()), 1);
}

}  // namespace
}  // namespace pipelinetest
