#include <gtest/gtest.h>

#include "synthetic_negative.h"

namespace pipelinetest {
namespace {

TEST(NegativeTest, HostMakesATWKNegativeWithItsBuffers) {
    TWKHost host;
    std::unique_ptr<dng_negative> made = host.Make_dng_negative();
    auto* negative = dynamic_cast<TWKNegative*>(made.get());
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(negative->fResultScale, 1.0);
    EXPECT_NE(negative->WorkImage, nullptr);
    EXPECT_NE(negative->RenderBuffer, nullptr);
    EXPECT_NE(negative->FullSnapshot, nullptr);
}

TEST(NegativeTest, GammaTableRunsFromZeroTo255WithoutFalling) {
    auto negative = SyntheticNegative::Make();
    EXPECT_EQ(negative->GammaTable[0], 0u);
    EXPECT_EQ(negative->GammaTable[49151], 255u);
    // 255 x 0.25^(1/2.2) = 135.79..., so a quarter of the table's range shows as 136.
    EXPECT_EQ(negative->GammaTable[12288], 136u);
    for (uint32 j = 1; j < TWKNegative::kGammaEntries; ++j) ASSERT_LE(negative->GammaTable[j - 1], negative->GammaTable[j]);
}

TEST(NegativeTest, PhaseIsTakenModTwoAndShiftsThePattern) {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112");  // R G / G B
    EXPECT_EQ(negative->CFAColorAt(0, 0), 0);
    EXPECT_EQ(negative->CFAColorAt(1, 0), 1);
    EXPECT_EQ(negative->CFAColorAt(5, 7), 2);
    EXPECT_TRUE(negative->IsGreenInRedRow(1, 0));
    EXPECT_TRUE(negative->IsGreenInBlueRow(0, 1));
    for (const auto& site : {std::make_pair(0, 0), std::make_pair(1, 1), std::make_pair(0, 1)})
        EXPECT_FALSE(negative->IsGreenInRedRow(site.first, site.second));
    for (const auto& site : {std::make_pair(0, 0), std::make_pair(1, 1), std::make_pair(1, 0)})
        EXPECT_FALSE(negative->IsGreenInBlueRow(site.first, site.second));

    negative->SetCFAPhase(3, 6);
    EXPECT_EQ(negative->RowPhase, 1);
    EXPECT_EQ(negative->ColPhase, 0);
    // Column 0, row 0 now reads pattern row 1, column 0.
    EXPECT_EQ(negative->CFAColorAt(0, 0), 1);
    EXPECT_EQ(negative->CFAColorAt(1, 0), 2);
    EXPECT_EQ(negative->CFAColorAt(0, 1), 0);
}

TEST(NegativeTest, ColoursAreThePlanesThatCFAPlaneColorNames) {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("2110");  // B G / G R in colour codes
    // Planes ordered blue, green, red: code 2 is plane 0, code 0 plane 2.
    dng_mosaic_info* info = negative->GetMosaicInfo();
    info->fCFAPlaneColor[0] = 2;
    info->fCFAPlaneColor[2] = 0;
    EXPECT_EQ(negative->CFAColorAt(0, 0), 0);
    EXPECT_EQ(negative->CFAColorAt(1, 1), 2);
    EXPECT_EQ(negative->CFAColorAt(1, 0), 1);
}

TEST(NegativeTest, StageOperationsReleaseOnlyWhatIsHeld) {
    auto negative = SyntheticNegative::Make();
    negative->ReleaseStageImages();  // nothing held: no crash
    negative->ReleaseStage2();

    const auto filled = [](int value) { return MakePlane(4, 4, [=](int, int) { return value; }); };
    negative->SetStage1(filled(0));
    negative->SetStage2Image(filled(1));
    negative->SetStage3Image(filled(2));
    negative->SetRawImage(filled(3));
    negative->WorkPlane = filled(4);

    negative->ReleaseStage2();
    EXPECT_EQ(negative->Stage2Image(), nullptr);
    EXPECT_EQ(negative->RawImage(), nullptr);
    EXPECT_NE(negative->Stage1Image(), nullptr);
    EXPECT_NE(negative->Stage3Image(), nullptr);

    negative->ReleaseStageImages();
    EXPECT_EQ(negative->WorkPlane, nullptr);
    EXPECT_EQ(negative->Stage1Image(), nullptr);
    EXPECT_EQ(negative->Stage3Image(), nullptr);
}

TEST(NegativeTest, InstalledStage1IsAnIndependentCopy) {
    auto negative = SyntheticNegative::Make();
    AutoPtr<dng_image> source = MakePlane(3, 5, [](int r, int c) { return 10 * r + c; });
    negative->InstallStage1Copy(*source);
    dng_image_plane16(*source).MutableRow(1)[2] = 999;
    ASSERT_NE(negative->Stage1Image(), nullptr);
    EXPECT_EQ(At(*negative->Stage1Image(), 1, 2), 12);
    EXPECT_EQ(At(*negative->Stage1Image(), 2, 4), 24);
}

}  // namespace
}  // namespace pipelinetest
