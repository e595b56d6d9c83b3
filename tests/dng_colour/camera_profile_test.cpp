#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "camera_data.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_xy_coord.h"

namespace {

dng_matrix_3by3 Canon6DForwardMatrix() { return dng_matrix_3by3(Canon6DProfile(true).ForwardMatrix1()); }

dng_camera_profile ValidProfile() {
    dng_camera_profile p;
    p.SetColorMatrix1(Canon550DColorMatrix());
    p.SetForwardMatrix1(Canon6DForwardMatrix());
    return p;
}

TEST(DngCameraProfile, SecondMatrixCountsOnlyWithTwoDistinctIlluminants) {
    dng_camera_profile p = ValidProfile();
    p.SetColorMatrix2(Canon550DColorMatrix());
    EXPECT_FALSE(p.HasColorMatrix2());  // illuminants unknown
    p.SetCalibrationIlluminant1(lsStandardLightA);
    p.SetCalibrationIlluminant2(lsStandardLightA);
    EXPECT_FALSE(p.HasColorMatrix2());
    p.SetCalibrationIlluminant2(lsD65);
    EXPECT_TRUE(p.HasColorMatrix2());
    p.SetColorMatrix2(dng_matrix(4, 3));
    EXPECT_FALSE(p.HasColorMatrix2());
}

TEST(DngCameraProfile, ValidityChecks) {
    EXPECT_TRUE(ValidProfile().IsValid(3));
    EXPECT_FALSE(ValidProfile().IsValid(4));  // ColorMatrix1 has three rows
    EXPECT_FALSE(ValidProfile().IsValid(0));
    EXPECT_NE(dng_camera_profile().Fault(3).find("ColorMatrix1 is missing"), std::string::npos);
    EXPECT_TRUE(dng_camera_profile().IsValid(1));  // monochrome needs no matrix

    dng_camera_profile p = ValidProfile();
    p.SetColorMatrix1(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1));
    EXPECT_NE(p.Fault(3).find("not invertible"), std::string::npos);
    p.SetColorMatrix1(dng_matrix(3, 4));
    EXPECT_NE(p.Fault(3).find("wrong shape"), std::string::npos);
    p.SetColorMatrix1(dng_matrix_3by3(std::numeric_limits<real64>::quiet_NaN(), 1, 1));
    EXPECT_FALSE(p.IsValid(3));

    // A forward matrix must send the camera neutral to within 0.01 of the PCS white.
    p = ValidProfile();
    dng_matrix fm = Canon6DForwardMatrix();
    fm[2][2] += 0.009;
    p.SetForwardMatrix1(fm);
    EXPECT_TRUE(p.IsValid(3));
    fm[2][2] += 0.002;
    p.SetForwardMatrix1(fm);
    EXPECT_NE(p.Fault(3).find("PCS white"), std::string::npos);

    // Reduction matrices belong to cameras with more than three planes, and are 3 x planes.
    p = ValidProfile();
    p.SetReductionMatrix1(Identity(3));
    EXPECT_FALSE(p.IsValid(3));
    dng_camera_profile four;
    four.SetColorMatrix1(FourColourMatrix());
    EXPECT_TRUE(four.IsValid(4));
    dng_matrix rm(3, 4);
    rm[0][0] = rm[1][1] = rm[2][2] = 1.0;
    four.SetReductionMatrix1(rm);
    EXPECT_TRUE(four.IsValid(4));
    four.SetReductionMatrix1(dng_matrix(3, 3));
    EXPECT_FALSE(four.IsValid(4));

    // Two hue/sat maps must have equal divisions; a tone curve must be valid.
    p = ValidProfile();
    dng_hue_sat_map m1, m2;
    m1.SetDivisions(6, 2, 1);
    m2.SetDivisions(6, 3, 1);
    p.SetHueSatMap1(m1);
    p.SetHueSatMap2(m2);
    EXPECT_FALSE(p.IsValid(3));
    p.SetHueSatMap2(m1);
    EXPECT_TRUE(p.IsValid(3));
    dng_tone_curve curve;
    curve.SetPoints({{0, 0}, {0.5, 0.7}, {0.4, 0.8}, {1, 1}});
    p.SetToneCurve(curve);
    EXPECT_FALSE(p.IsValid(3));
}

TEST(DngCameraProfile, ColorMatrixNormalisation) {
    // Within 1 % of mapping the PCS white to a largest value of 1: only rounded.
    dng_matrix cm = Canon550DColorMatrix();
    cm[0][0] += 0.00004;
    NormalizeColorMatrix(cm);
    EXPECT_DOUBLE_EQ(cm[0][0], 0.6461);
    const real64 largest = (Canon550DColorMatrix() * PCStoXYZ()).MaxEntry();

    // Scaled x2: brought back so the PCS white's largest camera value is 1, rounded to 1/10000.
    dng_matrix doubled = 2.0 * Canon550DColorMatrix();
    NormalizeColorMatrix(doubled);
    EXPECT_NEAR((doubled * PCStoXYZ()).MaxEntry(), 1.0, 1e-3);
    EXPECT_NEAR(doubled[1][1] / largest, 1.1597, 1e-3 * 1.1597);
    EXPECT_DOUBLE_EQ(doubled[1][1] * 10000, std::round(doubled[1][1] * 10000));

    dng_camera_profile p = ValidProfile();
    p.SetColorMatrix1(2.0 * Canon550DColorMatrix());
    dng_matrix fm = Canon6DForwardMatrix();
    fm[0][0] += 0.000049;
    p.SetForwardMatrix1(fm);
    p.NormalizeMatrices();
    EXPECT_NEAR((p.ColorMatrix1() * PCStoXYZ()).MaxEntry(), 1.0, 1e-3);
    EXPECT_DOUBLE_EQ(p.ForwardMatrix1()[0][0], 0.7763);
}

TEST(DngCameraProfile, NeutralAndBalanceNormalisation) {
    // The 550D file stores AsShotNeutral as 1 2.477 1.462.
    dng_vector neutral = dng_vector_3(1, 2.477, 1.462);
    NormalizeAsShotNeutral(neutral);
    EXPECT_EQ(neutral, dng_vector(dng_vector_3(0.403714, 1.0, 0.59023)));
    for (dng_vector bad : {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -2, -3))}) {
        NormalizeAsShotNeutral(bad);
        EXPECT_TRUE(bad.IsEmpty());
    }
    dng_vector balance = dng_vector_3(2, 4, 3);
    NormalizeAnalogBalance(balance);
    EXPECT_EQ(balance, dng_vector(dng_vector_3(1, 2, 1.5)));
    dng_vector bad = dng_vector_3(1, 0, 2);
    NormalizeAnalogBalance(bad);
    EXPECT_EQ(bad, dng_vector(dng_vector_3(1, 1, 1)));
}

TEST(DngHueSatMap, TagDataWithAndWithoutTheGreyColumn) {
    // 2 hues, 3 saturations, 1 value; the grey column left out: 2 x 2 x 1 triples.
    const std::vector<real32> partial = {10, 1.1f, 0.9f, 20, 1.2f, 0.8f, -10, 0.9f, 1.0f, -20, 0.8f, 1.0f};
    dng_hue_sat_map map;
    ASSERT_TRUE(map.SetFromTagData(2, 3, 1, partial));
    EXPECT_EQ(map.Get(0, 0, 0), dng_hue_sat_map::Delta());
    EXPECT_EQ(map.Get(1, 0, 0), dng_hue_sat_map::Delta());
    EXPECT_EQ(map.Get(0, 2, 0).hueShift, 20.0f);
    EXPECT_EQ(map.Get(1, 1, 0).satScale, 0.9f);
    dng_hue_sat_map full;
    ASSERT_TRUE(full.SetFromTagData(2, 3, 1, map.TagData()));
    EXPECT_EQ(full, map);

    EXPECT_FALSE(map.SetFromTagData(2, 3, 1, std::vector<real32>(5)));
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_FALSE(map.SetFromTagData(2, 1, 1, std::vector<real32>(6)));
    EXPECT_FALSE(map.SetFromTagData(100000, 100000, 100000, std::vector<real32>(3)));
    EXPECT_FALSE(map.SetFromTagData(1, 2, 1, {std::nanf(""), 1, 1, 0, 1, 1}));
    EXPECT_THROW(map.SetDivisions(0, 2, 1), dng_exception);
}

TEST(DngHueSatMap, InterpolationBetweenTwoMaps) {
    dng_hue_sat_map a, b, other;
    a.SetDivisions(1, 2, 1);
    b.SetDivisions(1, 2, 1);
    a.Set(0, 1, 0, {10, 2, 1});
    b.Set(0, 1, 0, {30, 1, 1});
    const dng_hue_sat_map mid = dng_hue_sat_map::Interpolate(a, b, 0.25);
    EXPECT_FLOAT_EQ(mid.Get(0, 1, 0).hueShift, 25.0f);
    EXPECT_FLOAT_EQ(mid.Get(0, 1, 0).satScale, 1.25f);
    EXPECT_EQ(dng_hue_sat_map::Interpolate(a, b, 1.0), a);
    EXPECT_EQ(dng_hue_sat_map::Interpolate(a, b, 0.0), b);
    other.SetDivisions(2, 2, 1);
    EXPECT_EQ(dng_hue_sat_map::Interpolate(a, other, 0.5), a);
}

}  // namespace
