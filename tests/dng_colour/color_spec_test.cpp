#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "camera_data.h"
#include "dng/dng_color_spec.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_temperature.h"
#include "dng_test_support.h"

namespace {

const real64 kNaN = std::numeric_limits<real64>::quiet_NaN();

dng_camera_profile SingleMatrix(const dng_matrix& colorMatrix) {
    dng_camera_profile p;
    p.SetColorMatrix1(colorMatrix);
    return p;
}

dng_color_spec MakeSpec(const dng_camera_profile& profile, const dng_matrix& cc1 = dng_matrix(),
                        const std::string& signature = std::string(), const dng_vector& balance = dng_vector()) {
    return dng_color_spec(3, balance, cc1, dng_matrix(), signature, &profile);
}

// White balance means the camera white lands on the PCS white; the camera white lies in [0.001, 1].
void ExpectWhiteLandsOnPCS(const dng_color_spec& colorConversion, real64 tolerance = 1e-9) {
    ASSERT_TRUE(colorConversion.CameraToPCS().IsFinite());
    const dng_vector& white = colorConversion.CameraWhite();
    const dng_vector pcs = colorConversion.CameraToPCS() * white;
    for (uint32 i = 0; i < 3; ++i) EXPECT_NEAR(pcs[i], PCStoXYZ()[i], tolerance) << "component " << i;
    for (uint32 i = 0; i < white.Count(); ++i) EXPECT_TRUE(white[i] >= 0.001 && white[i] <= 1.0) << white[i];
}

real64 Distance(const dng_xy_coord& a, const dng_xy_coord& b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(DngColorSpec, NeutralAndWhiteAreFoundFromEachOther) {
    // The 550D's as-shot neutral (1 2.477 1.462) is a daylight white.
    const dng_camera_profile canon550D = SingleMatrix(Canon550DColorMatrix());
    dng_color_spec single = MakeSpec(canon550D);
    const dng_temperature t(single.NeutralToXY(dng_vector_3(1 / 2.477, 1, 1.462 / 2.477)));
    EXPECT_TRUE(t.Temperature() > 4000.0 && t.Temperature() < 9000.0 && std::fabs(t.Tint()) < 40.0);
    // With one matrix and no forward matrix, CameraToPCS under D50 is the scaled inverse of ColorMatrix1.
    single.SetWhiteXY(D50_xy_coord());
    const dng_matrix inverse = Invert(Canon550DColorMatrix()), found = single.CameraToPCS();
    EXPECT_LE(MaxDifference(found, found[1][1] / inverse[1][1] * inverse), 1e-9);
    for (const dng_camera_profile& profile : {canon550D, Canon6DProfile(false), Canon6DProfile(true)}) {
        dng_color_spec colorConversion = MakeSpec(profile, k6DCalibration1);
        for (const dng_xy_coord& w : {StdA_xy_coord(), D50_xy_coord(), D65_xy_coord(), dng_xy_coord(0.40, 0.39)}) {
            colorConversion.SetWhiteXY(w);
            EXPECT_LT(Distance(colorConversion.NeutralToXY(colorConversion.CameraWhite()), w), 2e-5);
            ExpectWhiteLandsOnPCS(colorConversion);
        }
    }
}

TEST(DngColorSpec, MatricesBlendByInverseTemperature) {
    EXPECT_NEAR(MakeSpec(Canon6DProfile(false)).Weight1(dng_temperature(4000, 0).Get_xy_coord()),
                (1.0 / 4000 - 1.0 / 6500) / (1.0 / 2850 - 1.0 / 6500), 1e-4);
    // Illuminants given warm-last are put in rising order; outside them one matrix is used alone.
    dng_camera_profile swapped = Canon6DProfile(false);
    swapped.SetCalibrationIlluminant1(lsD55);
    swapped.SetCalibrationIlluminant2(lsStandardLightA);
    for (const auto& [kelvin, alone] :
         {std::pair(2000.0, swapped.ColorMatrix2()), std::pair(9000.0, swapped.ColorMatrix1())}) {
        dng_color_spec blended = MakeSpec(swapped), single = MakeSpec(SingleMatrix(alone));
        blended.SetWhiteXY(dng_temperature(kelvin, 0).Get_xy_coord());
        single.SetWhiteXY(dng_temperature(kelvin, 0).Get_xy_coord());
        EXPECT_LE(MaxDifference(blended.CameraToPCS(), single.CameraToPCS()), 1e-12) << kelvin;
    }
}

TEST(DngColorSpec, CalibrationBlendsByTemperatureToo) {
    // Calibration 1 belongs to illuminant A: under a warm white a red reading 0.9883 x lower has a
    // red white lower by as much.
    dng_color_spec calibrated = MakeSpec(Canon6DProfile(true), k6DCalibration1);
    dng_color_spec uncalibrated = MakeSpec(Canon6DProfile(true));
    calibrated.SetWhiteXY(dng_temperature(2500, 0).Get_xy_coord());
    uncalibrated.SetWhiteXY(calibrated.WhiteXY());
    ExpectWhiteLandsOnPCS(calibrated);
    EXPECT_NEAR(calibrated.CameraWhite()[0] / calibrated.CameraWhite()[1],
                0.9883 * uncalibrated.CameraWhite()[0] / uncalibrated.CameraWhite()[1], 1e-9);
}

TEST(DngColorSpec, CalibrationNeedsMatchingSignatureAndAnalogBalanceScalesTheWhite) {
    dng_camera_profile profile = SingleMatrix(Canon550DColorMatrix());
    profile.SetProfileCalibrationSignature("com.example.profile");
    const dng_matrix_3by3 cc(1.2, 1, 1);
    const auto whiteAtD55 = [&](const dng_matrix& calibration, const std::string& sig, const dng_vector& balance) {
        dng_color_spec colorConversion = MakeSpec(profile, calibration, sig, balance);
        colorConversion.SetWhiteXY(D55_xy_coord());
        ExpectWhiteLandsOnPCS(colorConversion);
        return colorConversion.CameraWhite();
    };
    const dng_vector plain = whiteAtD55(dng_matrix(), "", dng_vector());
    EXPECT_EQ(whiteAtD55(cc, "other", dng_vector()), plain);
    EXPECT_NEAR(whiteAtD55(cc, "com.example.profile", dng_vector())[0] / plain[0], 1.2, 1e-9);
    const dng_vector balanced = whiteAtD55(dng_matrix(), "", dng_vector_3(1, 1, 2));
    EXPECT_NEAR(balanced[2] / balanced[1], 2.0 * plain[2] / plain[1], 1e-9);
    // Unusable calibration and balance fall back to the identity.
    for (const dng_matrix& badCC : {dng_matrix(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)), dng_matrix(2, 2)})
        EXPECT_EQ(whiteAtD55(badCC, "com.example.profile", dng_vector()), plain);
    for (const dng_vector& badBalance :
         {dng_vector(dng_vector_3(1, 0, 1)), dng_vector(2), dng_vector(dng_vector_3(1, kNaN, 1))})
        EXPECT_EQ(whiteAtD55(dng_matrix(), "", badBalance), plain);
}

TEST(DngColorSpec, FourPlaneAndMonochromeCameras) {
    dng_camera_profile profile;
    profile.SetColorMatrix1(FourColourMatrix());
    dng_matrix rm(3, 4);
    rm[0][0] = rm[2][2] = 1.0;
    rm[1][1] = rm[1][3] = 0.5;
    profile.SetReductionMatrix1(rm);
    dng_color_spec four(4, dng_vector(), dng_matrix(), dng_matrix(), std::string(), &profile);
    four.SetWhiteXY(D55_xy_coord());
    ASSERT_EQ(four.CameraToPCS().Cols(), 4u);
    ExpectWhiteLandsOnPCS(four);
    EXPECT_LT(Distance(four.NeutralToXY(four.CameraWhite()), D55_xy_coord()), 1e-5);

    dng_color_spec mono(1, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr);
    EXPECT_EQ(mono.NeutralToXY(dng_vector_3(1, 1, 1)), PCStoXY());
    mono.SetWhiteXY(D65_xy_coord());
    ASSERT_EQ(mono.CameraToPCS().Cols(), 1u);
    ExpectWhiteLandsOnPCS(mono, 0);
}

TEST(DngColorSpec, MalformedColourDataEndsInErrorsOrFallbacks) {
    // No profile for a colour camera: a clear error.
    EXPECT_THROW(dng_color_spec(3, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr), dng_exception);
    EXPECT_THROW(dng_color_spec(0, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr), dng_exception);
    // Zero, negative, NaN or wrong-length neutrals: the PCS white; a zero channel still gives a finite white.
    dng_color_spec colorConversion = MakeSpec(Canon6DProfile(true));
    for (const dng_vector& n : {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -1, -1)),
                                dng_vector(dng_vector_3(kNaN, 1, 1)), dng_vector(2), dng_vector()})
        EXPECT_EQ(colorConversion.NeutralToXY(n), PCStoXY());
    EXPECT_TRUE(colorConversion.NeutralToXY(dng_vector_3(0, 1, 0)).IsValid());
    // Unusable whites (the first four) are taken as the PCS white; extreme but legal ones stay sound.
    const dng_xy_coord whites[] = {{0, 0},      {kNaN, 0.3}, {0.7, 0.6}, {-0.2, 0.3},
                                   {0.6, 0.39}, {0.2, 0.1},  {0.01, 0.01}};
    for (size_t i = 0; i < std::size(whites); ++i) {
        colorConversion.SetWhiteXY(whites[i]);
        EXPECT_TRUE(i >= 4 || colorConversion.WhiteXY() == PCStoXY()) << i;
        ExpectWhiteLandsOnPCS(colorConversion);
    }
    // A matrix that sees no light at the white: an error, not NaNs.
    dng_color_spec darkSpec = MakeSpec(SingleMatrix(dng_matrix_3by3(-1, 0, 0, 0, -1, 0, 0, 0, -1)));
    EXPECT_THROW(darkSpec.SetWhiteXY(D50_xy_coord()), dng_exception);
    EXPECT_TRUE(darkSpec.CameraToPCS().IsEmpty());
}

// Every real test DNG the reader accepts, and fixtures with a sensor module's and the 6D's colour tags:
// the profile and as-shot white give a plausible, balanced white.
class RealFile : public testing::TestWithParam<DngSource> {};

TEST_P(RealFile, AsShotWhiteGivesAPlausibleBalance) {
    const auto dng = LoadDNG(GetParam().Bytes(), false);
    const dng_negative& negative = *dng->negative;
    ASSERT_EQ(negative.ColorChannels(), 3u);
    dng_color_spec colorConversion(negative, negative.ProfileToEmbed());
    dng_xy_coord white = D55_xy_coord();
    if (negative.HasCameraWhiteXY()) white = dng_xy_coord(negative.CameraWhiteX(), negative.CameraWhiteY());
    else if (negative.HasCameraNeutral()) white = colorConversion.NeutralToXY(negative.CameraNeutral());
    const dng_temperature t(white);
    EXPECT_TRUE(t.Temperature() > 2000.0 && t.Temperature() < 12000.0 && std::fabs(t.Tint()) < 60.0);
    colorConversion.SetWhiteXY(white);
    ExpectWhiteLandsOnPCS(colorConversion, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    DngColorSpec, RealFile,
    testing::Values(DngSource{"Canon550D", "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng", {}},
                    DngSource{"Blackmagic", "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng", {}},
                    DngSource{"GoProFusion", "gopro_fusion_GPBK7066_vc5_warprectilinear.gpr", {}},
                    DngSource{"GoProHero6", "gopro_hero6_GOPR0024_vc5_gainmap.gpr", {}},
                    DngSource{"PackedBGGR", nullptr, PackedBGGRFixture(16, 12)},
                    DngSource{"Canon6DProfile", nullptr, Canon6DProfileFixture()}),
    [](const testing::TestParamInfo<DngSource>& info) { return std::string(info.param.name); });

}  // namespace
