#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "dng/dng_color_spec.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_temperature.h"

// Camera data below were read with exiftool from the test DNGs in the shared test data:
// Canon EOS 550D (Magic Lantern, one matrix), Canon EOS 6D (two matrices, forward matrices,
// camera calibration), OnePlus A6003 (illuminants in falling temperature order).

namespace {

const real64 kNaN = std::numeric_limits<real64>::quiet_NaN();

dng_camera_profile Canon550D() {
    dng_camera_profile p;
    p.SetColorMatrix1(
        dng_matrix_3by3(0.6461, -0.1164, -0.0857, -0.3825, 1.1597, 0.2534, -0.0416, 0.1540, 0.6039));
    return p;
}

dng_camera_profile Canon6D(bool withForwardMatrices) {
    dng_camera_profile p;
    p.SetCalibrationIlluminant1(lsStandardLightA);
    p.SetCalibrationIlluminant2(lsD65);
    p.SetColorMatrix1(
        dng_matrix_3by3(0.7546, -0.1435, -0.0929, -0.3846, 1.1488, 0.2692, -0.0332, 0.1209, 0.6370));
    p.SetColorMatrix2(
        dng_matrix_3by3(0.7034, -0.0804, -0.1014, -0.4420, 1.2564, 0.2058, -0.0851, 0.1994, 0.5758));
    if (withForwardMatrices) {
        p.SetForwardMatrix1(
            dng_matrix_3by3(0.7763, 0.0065, 0.1815, 0.2364, 0.8351, -0.0715, -0.0059, -0.4228, 1.2538));
        p.SetForwardMatrix2(
            dng_matrix_3by3(0.7464, 0.1044, 0.1135, 0.2648, 0.9173, -0.1820, 0.0113, -0.2154, 1.0292));
    }
    return p;
}

const dng_matrix_3by3 k6DCalibration1(0.9883, 1, 1);

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
void ExpectWhiteLandsOnPCS(const dng_color_spec& spec, real64 tolerance) {
    const dng_vector pcs = spec.CameraToPCS() * spec.CameraWhite();
    const dng_vector_3 d50 = PCStoXYZ();
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(pcs[i], d50[i], tolerance) << "component " << i;
}

void ExpectFinite(const dng_color_spec& spec) {
    EXPECT_TRUE(spec.CameraToPCS().IsFinite());
    for (uint32 i = 0; i < spec.CameraWhite().Count(); ++i)
        EXPECT_TRUE(std::isfinite(spec.CameraWhite()[i]));
}

// A stand-in with the accessors the negative offers the colour spec.
struct FakeNegative {
    uint32 ColorChannels() const { return 3; }
    dng_vector AnalogBalance() const { return Ones(3); }
    dng_matrix CameraCalibration1() const { return k6DCalibration1; }
    dng_matrix CameraCalibration2() const { return dng_matrix(); }
    std::string CameraCalibrationSignature() const { return std::string(); }
};

}  // namespace

TEST(DngColorSpec, Canon550DAsShotNeutralGivesAPlausibleWhite) {
    const dng_camera_profile profile = Canon550D();
    dng_color_spec spec = MakeSpec(profile);
    EXPECT_EQ(spec.Temperature1(), spec.Temperature2());

    dng_vector neutral = dng_vector_3(1, 2.477, 1.462);
    NormalizeAsShotNeutral(neutral);
    const dng_xy_coord white = spec.NeutralToXY(neutral);
    const dng_temperature t(white);
    EXPECT_GT(t.Temperature(), 4000.0);
    EXPECT_LT(t.Temperature(), 9000.0);
    EXPECT_LT(std::fabs(t.Tint()), 40.0);

    // The white found is the one under which the camera sees the neutral.
    spec.SetWhiteXY(white);
    EXPECT_EQ(spec.WhiteXY(), white);
    ASSERT_EQ(spec.CameraWhite().Count(), 3u);
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(spec.CameraWhite()[i], neutral[i], 1e-5);
    ExpectWhiteLandsOnPCS(spec, 1e-9);

    // Without forward matrices CameraToPCS is the inverse of the colour matrix adapted to
    // the white: under D50 it is simply the scaled inverse of ColorMatrix1.
    spec.SetWhiteXY(D50_xy_coord());
    const dng_matrix expected = Invert(profile.ColorMatrix1());
    const real64 scale = spec.CameraToPCS()[1][1] / expected[1][1];
    EXPECT_LE(MaxDifference(spec.CameraToPCS(), scale * expected), 1e-9);
    ExpectWhiteLandsOnPCS(spec, 1e-9);
}

TEST(DngColorSpec, NeutralOfAKnownWhiteIsFoundAgain) {
    for (bool forward : {false, true}) {
        const dng_camera_profile profile = Canon6D(forward);
        dng_color_spec spec = MakeSpec(profile, k6DCalibration1);
        for (const dng_xy_coord& w : {StdA_xy_coord(), D50_xy_coord(), D65_xy_coord(), dng_xy_coord(0.40, 0.39)}) {
            spec.SetWhiteXY(w);
            const dng_xy_coord found = spec.NeutralToXY(spec.CameraWhite());
            EXPECT_NEAR(found.x, w.x, 2e-5) << w.x;
            EXPECT_NEAR(found.y, w.y, 2e-5) << w.y;
            ExpectWhiteLandsOnPCS(spec, 1e-9);
        }
    }
}

TEST(DngColorSpec, MatricesBlendByInverseTemperature) {
    const dng_camera_profile profile = Canon6D(false);
    const dng_color_spec spec = MakeSpec(profile);
    EXPECT_EQ(spec.Temperature1(), 2850.0);
    EXPECT_EQ(spec.Temperature2(), 6500.0);
    EXPECT_EQ(spec.Weight1(dng_temperature(2000, 0).Get_xy_coord()), 1.0);
    EXPECT_EQ(spec.Weight1(dng_temperature(9000, 0).Get_xy_coord()), 0.0);
    const real64 g = spec.Weight1(dng_temperature(4000, 0).Get_xy_coord());
    EXPECT_NEAR(g, (1.0 / 4000 - 1.0 / 6500) / (1.0 / 2850 - 1.0 / 6500), 1e-4);

    // Under D65 the D65 matrix alone decides the camera white.
    dng_color_spec d65 = spec;
    d65.SetWhiteXY(dng_temperature(7000, 0).Get_xy_coord());
    dng_vector expected = profile.ColorMatrix2() * XYtoXYZ(d65.WhiteXY());
    expected.Scale(1.0 / expected.MaxEntry());
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(d65.CameraWhite()[i], expected[i], 1e-12);

    // Illuminants given warm-last are put in rising order.
    dng_camera_profile swapped = profile;
    swapped.SetCalibrationIlluminant1(lsD55);
    swapped.SetCalibrationIlluminant2(lsStandardLightA);
    const dng_color_spec s = MakeSpec(swapped);
    EXPECT_EQ(s.Temperature1(), 2850.0);
    EXPECT_EQ(s.Temperature2(), 5500.0);
    EXPECT_GT(s.Weight1(StdA_xy_coord()), 0.99);
    // ... and the warm end uses the matrix given for illuminant A (here the second one).
    dng_color_spec warm = s;
    warm.SetWhiteXY(dng_temperature(2000, 0).Get_xy_coord());
    dng_vector warmWhite = swapped.ColorMatrix2() * XYtoXYZ(warm.WhiteXY());
    warmWhite.Scale(1.0 / warmWhite.MaxEntry());
    for (uint32 i = 0; i < 3; ++i)
        EXPECT_NEAR(warm.CameraWhite()[i], std::max(warmWhite[i], 0.001), 1e-12);
}

TEST(DngColorSpec, ForwardMatricesSendTheWhiteToThePCS) {
    const dng_camera_profile profile = Canon6D(true);
    dng_color_spec spec = MakeSpec(profile, k6DCalibration1);
    spec.SetWhiteXY(D65_xy_coord());
    ExpectWhiteLandsOnPCS(spec, 1e-9);
    // Forward and colour-matrix paths describe the same camera: their camera → PCS matrices
    // agree roughly, entry by entry.
    dng_color_spec plain = MakeSpec(Canon6D(false), k6DCalibration1);
    plain.SetWhiteXY(D65_xy_coord());
    EXPECT_LT(MaxDifference(spec.CameraToPCS(), plain.CameraToPCS()), 0.15);
    // Calibration 1 belongs to illuminant A: under a warm white a camera whose red reads
    // 0.9883 × lower has a red white lower by as much, and still lands on the PCS.
    const dng_xy_coord warm = dng_temperature(2500, 0).Get_xy_coord();
    spec.SetWhiteXY(warm);
    ExpectWhiteLandsOnPCS(spec, 1e-9);
    dng_color_spec uncalibrated = MakeSpec(profile);
    uncalibrated.SetWhiteXY(warm);
    EXPECT_NEAR(spec.CameraWhite()[0] / spec.CameraWhite()[1],
                0.9883 * uncalibrated.CameraWhite()[0] / uncalibrated.CameraWhite()[1], 1e-9);
}

TEST(DngColorSpec, CalibrationNeedsMatchingSignatureAndAnalogBalanceScalesTheWhite) {
    dng_camera_profile profile = Canon550D();
    profile.SetProfileCalibrationSignature("com.example.profile");
    const dng_matrix_3by3 cc(1.2, 1, 1);
    dng_color_spec mismatched = MakeSpec(profile, cc, "other");
    dng_color_spec plain = MakeSpec(profile);
    dng_color_spec matched = MakeSpec(profile, cc, "com.example.profile");
    for (dng_color_spec* s : {&mismatched, &plain, &matched})
        s->SetWhiteXY(D55_xy_coord());
    EXPECT_EQ(mismatched.CameraWhite(), plain.CameraWhite());
    EXPECT_NE(matched.CameraWhite(), plain.CameraWhite());

    dng_color_spec balanced = MakeSpec(Canon550D(), dng_matrix(), std::string(), dng_vector_3(1, 1, 2));
    dng_color_spec unbalanced = MakeSpec(Canon550D());
    balanced.SetWhiteXY(D55_xy_coord());
    unbalanced.SetWhiteXY(D55_xy_coord());
    EXPECT_NEAR(balanced.CameraWhite()[2] / balanced.CameraWhite()[1],
                2.0 * unbalanced.CameraWhite()[2] / unbalanced.CameraWhite()[1], 1e-9);
    ExpectWhiteLandsOnPCS(balanced, 1e-9);

    // Unusable calibration and balance fall back to the identity.
    for (const dng_matrix& badCC : {dng_matrix(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)), dng_matrix(2, 2)}) {
        dng_color_spec s = MakeSpec(Canon550D(), badCC);
        s.SetWhiteXY(D55_xy_coord());
        EXPECT_EQ(s.CameraWhite(), unbalanced.CameraWhite());
    }
    for (const dng_vector& badBalance : {dng_vector(dng_vector_3(1, 0, 1)), dng_vector(2),
                                         dng_vector(dng_vector_3(1, kNaN, 1))}) {
        dng_color_spec s = MakeSpec(Canon550D(), dng_matrix(), std::string(), badBalance);
        s.SetWhiteXY(D55_xy_coord());
        EXPECT_EQ(s.CameraWhite(), unbalanced.CameraWhite());
    }
}

TEST(DngColorSpec, FourPlaneCameraUsesItsReductionMatrix) {
    dng_camera_profile profile;
    dng_matrix cm(4, 3);
    const dng_matrix base = Canon550D().ColorMatrix1();
    for (uint32 r = 0; r < 3; ++r)
        for (uint32 c = 0; c < 3; ++c)
            cm[r][c] = base[r][c];
    cm[3][0] = 0.1;
    cm[3][1] = 0.5;
    cm[3][2] = 0.2;
    profile.SetColorMatrix1(cm);
    dng_matrix rm(3, 4);
    rm[0][0] = rm[2][2] = 1.0;
    rm[1][1] = rm[1][3] = 0.5;
    profile.SetReductionMatrix1(rm);
    dng_color_spec spec(4, Ones(4), dng_matrix(), dng_matrix(), std::string(), &profile);
    spec.SetWhiteXY(D55_xy_coord());
    ASSERT_EQ(spec.CameraToPCS().Rows(), 3u);
    ASSERT_EQ(spec.CameraToPCS().Cols(), 4u);
    ExpectWhiteLandsOnPCS(spec, 1e-9);
    const dng_xy_coord found = spec.NeutralToXY(spec.CameraWhite());
    EXPECT_NEAR(found.x, D55_xy_coord().x, 1e-5);
    EXPECT_NEAR(found.y, D55_xy_coord().y, 1e-5);
}

TEST(DngColorSpec, MonochromeNeedsNoProfile) {
    dng_color_spec spec(1, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr);
    EXPECT_EQ(spec.NeutralToXY(dng_vector_3(1, 1, 1)), PCStoXY());
    spec.SetWhiteXY(D65_xy_coord());
    ASSERT_EQ(spec.CameraWhite().Count(), 1u);
    EXPECT_EQ(spec.CameraWhite()[0], 1.0);
    ASSERT_EQ(spec.CameraToPCS().Cols(), 1u);
    ExpectWhiteLandsOnPCS(spec, 0);
}

TEST(DngColorSpec, MalformedColourDataEndsInErrorsOrFallbacks) {
    // No profile, or one that fails its checks: a clear error.
    EXPECT_THROW(dng_color_spec(3, Ones(3), dng_matrix(), dng_matrix(), std::string(), nullptr), dng_exception);
    EXPECT_THROW(dng_color_spec(0, dng_vector(), dng_matrix(), dng_matrix(), std::string(), nullptr), dng_exception);
    dng_camera_profile singular;
    singular.SetColorMatrix1(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1));
    try {
        MakeSpec(singular);
        FAIL() << "singular colour matrix accepted";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format);
        EXPECT_NE(std::string(e.what()).find("ColorMatrix1"), std::string::npos);
    }

    // Zero, negative, NaN or wrong-length neutrals: the PCS white.
    const dng_camera_profile profile = Canon6D(true);
    dng_color_spec spec = MakeSpec(profile);
    for (const dng_vector& n : {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -1, -1)),
                                dng_vector(dng_vector_3(kNaN, 1, 1)), dng_vector(2), dng_vector()}) {
        EXPECT_EQ(spec.NeutralToXY(n), PCStoXY());
    }
    // A neutral with a zero channel still gives a finite white.
    const dng_xy_coord odd = spec.NeutralToXY(dng_vector_3(0, 1, 0));
    EXPECT_TRUE(std::isfinite(odd.x) && std::isfinite(odd.y));

    // Unusable whites: taken as the PCS white.
    for (const dng_xy_coord& w : {dng_xy_coord(0, 0), dng_xy_coord(kNaN, 0.3), dng_xy_coord(0.7, 0.6),
                                  dng_xy_coord(-0.2, 0.3)}) {
        spec.SetWhiteXY(w);
        EXPECT_EQ(spec.WhiteXY(), PCStoXY());
        ExpectFinite(spec);
        ExpectWhiteLandsOnPCS(spec, 1e-9);
    }
    // Extreme but legal whites still give finite matrices and camera whites in [0.001, 1].
    for (const dng_xy_coord& w : {dng_xy_coord(0.6, 0.39), dng_xy_coord(0.2, 0.1), dng_xy_coord(0.01, 0.01)}) {
        spec.SetWhiteXY(w);
        ExpectFinite(spec);
        for (uint32 i = 0; i < 3; ++i) {
            EXPECT_GE(spec.CameraWhite()[i], 0.001);
            EXPECT_LE(spec.CameraWhite()[i], 1.0);
        }
    }

    // A matrix that sees no light at the white: an error, not NaNs; the spec keeps its old state.
    dng_camera_profile dark;
    dark.SetColorMatrix1(dng_matrix_3by3(-1, 0, 0, 0, -1, 0, 0, 0, -1));
    dng_color_spec darkSpec = MakeSpec(dark);
    EXPECT_THROW(darkSpec.SetWhiteXY(D50_xy_coord()), dng_exception);
    EXPECT_TRUE(darkSpec.CameraToPCS().IsEmpty());
}

TEST(DngColorSpec, BuildsFromANegativesAccessors) {
    const dng_camera_profile profile = Canon6D(true);
    dng_color_spec fromNegative(FakeNegative(), &profile);
    dng_color_spec direct = MakeSpec(profile, k6DCalibration1);
    fromNegative.SetWhiteXY(D55_xy_coord());
    direct.SetWhiteXY(D55_xy_coord());
    EXPECT_EQ(fromNegative.CameraToPCS(), direct.CameraToPCS());
    EXPECT_EQ(fromNegative.Channels(), 3u);
}
