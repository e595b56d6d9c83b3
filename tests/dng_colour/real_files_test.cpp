#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "dng/dng_color_spec.h"
#include "dng/dng_host.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"
#include "dng/dng_temperature.h"

// Every real test DNG the reader accepts: its profile and as-shot white must
// give sound camera colour through the layer's own reader. (Where the two matrices of a
// profile disagree, the white search may stop between two whites, so the camera white is
// not required to equal the neutral here.)

namespace {

std::unique_ptr<dng_negative> ReadNegative(const std::string& name) {
    dng_file_stream stream(std::string(CLARIVANE_TESTDATA) + "/dng/" + name);
    dng_host host;
    dng_info info;
    info.Parse(host, stream);
    info.PostParse(host);
    if (!info.IsValidDNG())
        return nullptr;
    std::unique_ptr<dng_negative> negative = host.Make_dng_negative();
    negative->Parse(host, stream, info);
    negative->PostParse(host, stream, info);
    return negative;
}

class RealFile : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(RealFile, AsShotWhiteGivesAPlausibleBalance) {
    const std::unique_ptr<dng_negative> negative = ReadNegative(GetParam());
    ASSERT_NE(negative, nullptr);
    ASSERT_EQ(negative->ColorChannels(), 3u);
    ASSERT_NE(negative->ProfileToEmbed(), nullptr);
    dng_color_spec spec(*negative, negative->ProfileToEmbed());

    dng_xy_coord white = D55_xy_coord();
    if (negative->HasCameraWhiteXY())
        white = dng_xy_coord(negative->CameraWhiteX(), negative->CameraWhiteY());
    else if (negative->HasCameraNeutral())
        white = spec.NeutralToXY(negative->CameraNeutral());
    const dng_temperature t(white);
    EXPECT_GT(t.Temperature(), 2000.0);
    EXPECT_LT(t.Temperature(), 12000.0);
    EXPECT_LT(std::fabs(t.Tint()), 60.0);

    spec.SetWhiteXY(white);
    const dng_vector pcs = spec.CameraToPCS() * spec.CameraWhite();
    const dng_vector_3 d50 = PCStoXYZ();
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(pcs[i], d50[i], 1e-6);
    for (uint32 i = 0; i < 3; ++i) {
        EXPECT_GE(spec.CameraWhite()[i], 0.001);
        EXPECT_LE(spec.CameraWhite()[i], 1.0);
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

TEST(DngColorSpecRealFile, Canon550DProfileCarriesTheFileMatrix) {
    const std::unique_ptr<dng_negative> negative =
        ReadNegative("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng");
    ASSERT_NE(negative, nullptr);
    const dng_camera_profile* profile = negative->ProfileToEmbed();
    ASSERT_NE(profile, nullptr);
    // As exiftool reads it; it already maps D50 to a largest camera value of 1.
    const dng_matrix_3by3 expected(0.6461, -0.1164, -0.0857, -0.3825, 1.1597, 0.2534, -0.0416, 0.1540, 0.6039);
    EXPECT_LE(MaxDifference(profile->ColorMatrix1(), expected), 1e-12);
    EXPECT_FALSE(profile->HasColorMatrix2());
}
