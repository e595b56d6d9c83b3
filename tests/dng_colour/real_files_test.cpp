// Every real test DNG the reader accepts: its profile and as-shot white must give sound camera
// colour through the layer's own reader. (Where the two matrices of a profile disagree, the
// white search may stop between two whites, so the camera white need not equal the neutral.)
#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_color_spec.h"
#include "dng/dng_temperature.h"
#include "dng_test_support.h"
#include "tests/support/test_files.h"

namespace {

class RealFile : public testing::TestWithParam<const char*> {};

TEST_P(RealFile, AsShotWhiteGivesAPlausibleBalance) {
    const auto dng = LoadDNG(test_support::ReadFileBytes(DngTestFile(GetParam())), false);
    const dng_negative& negative = *dng->negative;
    ASSERT_EQ(negative.ColorChannels(), 3u);
    ASSERT_NE(negative.ProfileToEmbed(), nullptr);
    dng_color_spec colorSpec(negative, negative.ProfileToEmbed());

    dng_xy_coord white = D55_xy_coord();
    if (negative.HasCameraWhiteXY())
        white = dng_xy_coord(negative.CameraWhiteX(), negative.CameraWhiteY());
    else if (negative.HasCameraNeutral())
        white = colorSpec.NeutralToXY(negative.CameraNeutral());
    const dng_temperature t(white);
    EXPECT_GT(t.Temperature(), 2000.0);
    EXPECT_LT(t.Temperature(), 12000.0);
    EXPECT_LT(std::fabs(t.Tint()), 60.0);

    colorSpec.SetWhiteXY(white);
    const dng_vector pcs = colorSpec.CameraToPCS() * colorSpec.CameraWhite();
    for (uint32 i = 0; i < 3; ++i) {
        EXPECT_NEAR(pcs[i], PCStoXYZ()[i], 1e-6);
        EXPECT_GE(colorSpec.CameraWhite()[i], 0.001);
        EXPECT_LE(colorSpec.CameraWhite()[i], 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(DngColorSpec, RealFile,
                         testing::Values("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng",
                                         "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng",
                                         "canon_eos_6d_lossy_linearraw_mappolynomial.dng",
                                         "oneplus_a6003_lossy_linearraw.dng",
                                         "apple_iphone12pro_proraw_metadata_only_MM.dng",
                                         "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng",
                                         "gopro_fusion_GPBK7066_vc5_warprectilinear.gpr",
                                         "gopro_hero6_GOPR0024_vc5_gainmap.gpr",
                                         "dngsdk_testcamera_float32_linearraw.dng"));

}  // namespace
