#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "camera_data.h"
#include "dng/dng_color_spec.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_temperature.h"

namespace {

const real64 kNaN = std::numeric_limits<real64>::quiet_NaN();

dng_camera_profile Canon550D() {
    dng_camera_profile p;
    p.SetColorMatrix1(Canon550DColorMatrix());
    return p;
}

dng_vector Ones(uint32 n) {
    dng_vector v;
    v.SetIdentity(n);
    return v;
}

dng_color_spec MakeSpec(const dng_camera_profile& profile, const dng_matrix& cc1 = dng_matrix(),
                        const std::string& signature = std::string(), const dng_vector& balance = Ones(3)) {
    return dng_color_spec(3, balance, cc1, dng_matrix(), signature, &profile);
}

// The camera white must land on the PCS white: that is what white balance means here.
void ExpectWhiteLandsOnPCS(const dng_color_spec& colorSpec, real64 tolerance) {
    const dng_vector pcs = colorSpec.CameraToPCS() * colorSpec.CameraWhite();
    for (uint32 i = 0; i < 3; ++i) EXPECT_NEAR(pcs[i], PCStoXYZ()[i], tolerance) << "component " << i;
}

// Finite matrices and a camera white within [0.001, 1].
void ExpectSound(const dng_color_spec& colorSpec) {
    EXPECT_TRUE(colorSpec.CameraToPCS().IsFinite());
    for (uint32 i = 0; i < colorSpec.CameraWhite().Count(); ++i)
        EXPECT_TRUE(colorSpec.CameraWhite()[i] >= 0.001 && colorSpec.CameraWhite()[i] <= 1.0) << colorSpec.CameraWhite()[i];
}

TEST(DngColorSpec, Canon550DAsShotNeutralGivesAPlausibleWhite) {
    const dng_camera_profile profile = Canon550D();
    dng_color_spec colorSpec = MakeSpec(profile);

    dng_vector neutral = dng_vector_3(1, 2.477, 1.462);
    NormalizeAsShotNeutral(neutral);
    const dng_xy_coord white = colorSpec.NeutralToXY(neutral);
    const dng_temperature t(white);
    EXPECT_GT(t.Temperature(), 4000.0);
    EXPECT_LT(t.Temperature(), 9000.0);
    EXPECT_LT(std::fabs(t.Tint()), 40.0);

    // The white found is the one under which the camera sees the neutral.
    colorSpec.SetWhiteXY(white);
    ASSERT_EQ(colorSpec.CameraWhite().Count(), 3u);
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(colorSpec.CameraWhite()[i], neutral[i], 1e-5);
    ExpectWhiteLandsOnPCS(colorSpec, 1e-9);

    // Without forward matrices CameraToPCS is the inverse of the colour matrix adapted to
    // the white: under D50 it is simply the scaled inverse of ColorMatrix1.
    colorSpec.SetWhiteXY(D50_xy_coord());
    const dng_matrix expected = Invert(profile.ColorMatrix1());
    const real64 scale = colorSpec.CameraToPCS()[1][1] / expected[1][1];
    EXPECT_LE(MaxDifference(colorSpec.CameraToPCS(), scale * expected), 1e-9);
    ExpectWhiteLandsOnPCS(colorSpec, 1e-9);
}

TEST(DngColorSpec, NeutralOfAKnownWhiteIsFoundAgain) {
    for (bool forward : {false, true}) {
        const dng_camera_profile profile = Canon6DProfile(forward);
        dng_color_spec colorSpec = MakeSpec(profile, k6DCalibration1);
        for (const dng_xy_coord& w : {StdA_xy_coord(), D50_xy_coord(), D65_xy_coord(), dng_xy_coord(0.40, 0.39)}) {
            colorSpec.SetWhiteXY(w);
            const dng_xy_coord found = colorSpec.NeutralToXY(colorSpec.CameraWhite());
            EXPECT_NEAR(found.x, w.x, 2e-5) << w.x;
            EXPECT_NEAR(found.y, w.y, 2e-5) << w.y;
            ExpectWhiteLandsOnPCS(colorSpec, 1e-9);
        }
    }
}

TEST(DngColorSpec, MatricesBlendByInverseTemperature) {
    const dng_camera_profile profile = Canon6DProfile(false);
    const dng_color_spec colorSpec = MakeSpec(profile);
    EXPECT_EQ(colorSpec.Temperature1(), 2850.0);
    EXPECT_EQ(colorSpec.Temperature2(), 6500.0);
    EXPECT_EQ(colorSpec.Weight1(dng_temperature(2000, 0).Get_xy_coord()), 1.0);
    EXPECT_EQ(colorSpec.Weight1(dng_temperature(9000, 0).Get_xy_coord()), 0.0);
    EXPECT_NEAR(colorSpec.Weight1(dng_temperature(4000, 0).Get_xy_coord()),
                (1.0 / 4000 - 1.0 / 6500) / (1.0 / 2850 - 1.0 / 6500), 1e-4);

    // Illuminants given warm-last are put in rising order.
    dng_camera_profile swapped = profile;
    swapped.SetCalibrationIlluminant1(lsD55);
    swapped.SetCalibrationIlluminant2(lsStandardLightA);
    const dng_color_spec s = MakeSpec(swapped);
    EXPECT_EQ(s.Temperature1(), 2850.0);
    EXPECT_EQ(s.Temperature2(), 5500.0);
    EXPECT_GT(s.Weight1(StdA_xy_coord()), 0.99);
    // ... and the warm end uses the matrix given for illuminant A (here the second) alone.
    dng_color_spec warm = s;
    warm.SetWhiteXY(dng_temperature(2000, 0).Get_xy_coord());
    dng_vector warmWhite = swapped.ColorMatrix2() * XYtoXYZ(warm.WhiteXY());
    warmWhite.Scale(1.0 / warmWhite.MaxEntry());
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(warm.CameraWhite()[i], std::max(warmWhite[i], 0.001), 1e-12);
}

TEST(DngColorSpec, ForwardMatricesSendTheWhiteToThePCS) {
    const dng_camera_profile profile = Canon6DProfile(true);
    dng_color_spec colorSpec = MakeSpec(profile, k6DCalibration1);
    colorSpec.SetWhiteXY(D65_xy_coord());
    ExpectWhiteLandsOnPCS(colorSpec, 1e-9);
    // Forward and colour-matrix paths describe the same camera: their camera → PCS matrices
    // agree roughly, entry by entry.
    dng_color_spec plain = MakeSpec(Canon6DProfile(false), k6DCalibration1);
    plain.SetWhiteXY(D65_xy_coord());
    EXPECT_LT(MaxDifference(colorSpec.CameraToPCS(), plain.CameraToPCS()), 0.15);
    // Calibration 1 belongs to illuminant A: under a warm white a camera whose red reads
    // 0.9883 × lower has a red white lower by as much, and still lands on the PCS.
    const dng_xy_coord warm = dng_temperature(2500, 0).Get_xy_coord();
    colorSpec.SetWhiteXY(warm);
    ExpectWhiteLandsOnPCS(colorSpec, 1e-9);
    dng_color_spec uncalibrated = MakeSpec(profile);
    uncalibrated.SetWhiteXY(warm);
    EXPECT_NEAR(colorSpec.CameraWhite()[0] / colorSpec.CameraWhite()[1],
                0.9883 * uncalibrated.CameraWhite()[0] / uncalibrated.CameraWhite()[1], 1e-9);
}

TEST(DngColorSpec, CalibrationNeedsMatchingSignatureAndAnalogBalanceScalesTheWhite) {
    dng_camera_profile profile = Canon550D();
    profile.SetProfileCalibrationSignature("com.example.profile");
    const dng_matrix_3by3 cc(1.2, 1, 1);
    const auto whiteAtD55 = [&](const dng_matrix& calibration, const std::string& signature, const dng_vector& balance) {
        dng_color_spec colorSpec = MakeSpec(profile, calibration, signature, balance);
        colorSpec.SetWhiteXY(D55_xy_coord());
        EXPECT_NO_FATAL_FAILURE(ExpectWhiteLandsOnPCS(colorSpec, 1e-9));
        return colorSpec.CameraWhite();
    };
    const dng_vector plain = whiteAtD55(dng_matrix(), "", Ones(3));
    EXPECT_EQ(whiteAtD55(cc, "other", Ones(3)), plain);
    EXPECT_NEAR(whiteAtD55(cc, "com.example.profile", Ones(3))[0] / plain[0], 1.2, 1e-9);
    const dng_vector balanced = whiteAtD55(dng_matrix(), "", dng_vector_3(1, 1, 2));
    EXPECT_NEAR(balanced[2] / balanced[1], 2.0 * plain[2] / plain[1], 1e-9);

    // Unusable calibration and balance fall back to the identity.
    for (const dng_matrix& badCC : {dng_matrix(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)), dng_matrix(2, 2)})
        EXPECT_EQ(whiteAtD55(badCC, "com.example.profile", Ones(3)), plain);
    for (const dng_vector& badBalance :
         {dng_vector(dng_vector_3(1, 0, 1)), dng_vector(2), dng_vector(dng_vector_3(1, kNaN, 1))})
        EXPECT_EQ(whiteAtD55(dng_matrix(), "", badBalance), plain);
}

TEST(DngColorSpec, FourPlaneCameraUsesItsReductionMatrix) {
    dng_camera_profile profile;
    profile.SetColorMatrix1(FourColourMatrix());
    dng_matrix rm(3, 4);
    rm[0][0] = rm[2][2] = 1.0;
    rm[1][1] = rm[1][3] = 0.5;
    profile.SetReductionMatrix1(rm);
    dng_color_spec colorSpec(4, Ones(4), dng_matrix(), dng_matrix(), std::string(), &profile);
    colorSpec.SetWhiteXY(D55_xy_coord());
    ASSERT_EQ(colorSpec.CameraToPCS().Rows(), 3u);
    ASSERT_EQ(colorSpec.CameraToPCS().Cols(), 4u);
    ExpectWhiteLandsOnPCS(colorSpec, 1e-9);
    const dng_xy_coord found = colorSpec.NeutralToXY(colorSpec.CameraWhite());
    EXPECT_NEAR(found.x, D55_xy_coord().x, 1e-5);
    EXPECT_NEAR(found.y, D55_xy_coord().y, 1e-5);
}

TEST(DngColorSpec, MonochromeNeedsNoProfile) {
    dng_color_spec colorSpec(1, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr);
    EXPECT_EQ(colorSpec.NeutralToXY(dng_vector_3(1, 1, 1)), PCStoXY());
    colorSpec.SetWhiteXY(D65_xy_coord());
    ASSERT_EQ(colorSpec.CameraWhite().Count(), 1u);
    EXPECT_EQ(colorSpec.CameraWhite()[0], 1.0);
    ASSERT_EQ(colorSpec.CameraToPCS().Cols(), 1u);
    ExpectWhiteLandsOnPCS(colorSpec, 0);
}

TEST(DngColorSpec, MalformedColourDataEndsInErrorsOrFallbacks) {
    // No profile: a clear error.
    EXPECT_THROW(dng_color_spec(3, Ones(3), dng_matrix(), dng_matrix(), std::string(), nullptr), dng_exception);
    EXPECT_THROW(dng_color_spec(0, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr), dng_exception);
    // Zero, negative, NaN or wrong-length neutrals: the PCS white.
    const dng_camera_profile profile = Canon6DProfile(true);
    dng_color_spec colorSpec = MakeSpec(profile);
    for (const dng_vector& n : {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -1, -1)),
                                dng_vector(dng_vector_3(kNaN, 1, 1)), dng_vector(2), dng_vector()}) {
        EXPECT_EQ(colorSpec.NeutralToXY(n), PCStoXY());
    }
    // A neutral with a zero channel still gives a finite white.
    const dng_xy_coord odd = colorSpec.NeutralToXY(dng_vector_3(0, 1, 0));
    EXPECT_TRUE(std::isfinite(odd.x) && std::isfinite(odd.y));

    // Unusable whites: taken as the PCS white.
    for (const dng_xy_coord& w : {dng_xy_coord(0, 0), dng_xy_coord(kNaN, 0.3), dng_xy_coord(0.7, 0.6),
                                  dng_xy_coord(-0.2, 0.3)}) {
        colorSpec.SetWhiteXY(w);
        EXPECT_EQ(colorSpec.WhiteXY(), PCStoXY());
        ExpectSound(colorSpec);
        ExpectWhiteLandsOnPCS(colorSpec, 1e-9);
    }
    // Extreme but legal whites.
    for (const dng_xy_coord& w : {dng_xy_coord(0.6, 0.39), dng_xy_coord(0.2, 0.1), dng_xy_coord(0.01, 0.01)}) {
        colorSpec.SetWhiteXY(w);
        ExpectSound(colorSpec);
    }

    // A matrix that sees no light at the white: an error, not NaNs; the colorSpec keeps its old state.
    dng_camera_profile dark;
    dark.SetColorMatrix1(dng_matrix_3by3(-1, 0, 0, 0, -1, 0, 0, 0, -1));
    dng_color_spec darkSpec = MakeSpec(dark);
    EXPECT_THROW(darkSpec.SetWhiteXY(D50_xy_coord()), dng_exception);
    EXPECT_TRUE(darkSpec.CameraToPCS().IsEmpty());
}

}  // namespace
