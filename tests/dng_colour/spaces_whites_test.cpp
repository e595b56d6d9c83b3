// Output colour spaces, standard whites and colour temperature against published figures (IEC 61966-2-1,
// B. Lindbloom's Bradford tables, ICC, CIE 15).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dng/dng_color_space.h"
#include "dng/dng_temperature.h"

namespace {

const dng_color_space* const kSpaces[] = {&dng_space_sRGB::Get(), &dng_space_AdobeRGB::Get(),
                                          &dng_space_ColorMatch::Get(), &dng_space_ProPhoto::Get()};

TEST(DngColorSpace, MatricesMatchPublishedBradfordFigures) {
    // RGB -> XYZ(D50) adapted with Bradford (ICC values for ProPhoto).
    const dng_matrix_3by3 published[] = {
        {0.4360747, 0.3850649, 0.1430804, 0.2225045, 0.7168786, 0.0606169, 0.0139322, 0.0971045, 0.7141733},
        {0.6097559, 0.2052401, 0.1492240, 0.3111242, 0.6256560, 0.0632197, 0.0194811, 0.0608902, 0.7448387},
        {0.5093439, 0.3209071, 0.1339691, 0.2748840, 0.6581315, 0.0669845, 0.0242545, 0.1087821, 0.6921735},
        {0.7976749, 0.1351917, 0.0313534, 0.2880402, 0.7118741, 0.0000857, 0.0, 0.0, 0.8252100}};
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        EXPECT_LE(MaxDifference(kSpaces[s]->MatrixToPCS(), published[s]), 2e-4);
        // White lands exactly on the PCS white, and the two directions are inverse.
        const dng_vector white = kSpaces[s]->MatrixToPCS() * dng_vector_3(1, 1, 1);
        for (uint32 i = 0; i < 3; ++i) EXPECT_NEAR(white[i], PCStoXYZ()[i], 1e-12);
        EXPECT_LE(MaxDifference(kSpaces[s]->MatrixFromPCS() * kSpaces[s]->MatrixToPCS(), Identity(3)), 1e-12);
    }
}

TEST(DngColorSpace, EncodingCurves) {
    // IEC 61966-2-1: code 128 of 255 is 21.586 % linear; 18 % grey encodes to 46.1 %; the linear
    // foot and the power segment meet without a jump.
    const dng_color_space& srgb = dng_space_sRGB::Get();
    EXPECT_NEAR(srgb.DecodeGamma(128.0 / 255.0), 0.21586, 1e-5);
    EXPECT_NEAR(srgb.EncodeGamma(0.18), 0.46136, 1e-5);
    EXPECT_NEAR(srgb.EncodeGamma(0.0031308), 0.04045, 1e-5);
    EXPECT_NEAR(srgb.EncodeGamma(0.0031308 + 1e-9), srgb.EncodeGamma(0.0031308), 1e-7);
    // 50 % linear: near code 186 with gamma 2.2, near 173.5 with 1.8 (ColorMatch and ProPhoto).
    EXPECT_NEAR(dng_space_AdobeRGB::Get().EncodeGamma(0.5) * 255, 186.1, 0.1);
    EXPECT_NEAR(dng_space_ProPhoto::Get().EncodeGamma(0.5) * 255, 173.5, 0.1);
    EXPECT_EQ(dng_space_ColorMatch::Get().EncodeGamma(0.3), dng_space_ProPhoto::Get().EncodeGamma(0.3));
    for (const dng_color_space* space : kSpaces) {
        EXPECT_TRUE(space->EncodeGamma(-0.5) == 0.0 && space->EncodeGamma(std::nan("")) == 0.0);
        EXPECT_NEAR(space->EncodeGamma(3.0), 1.0, 1e-12);
        real64 previous = -1.0;
        for (int i = 0; i <= 1000; ++i) {
            const real64 y = space->EncodeGamma(i / 1000.0);
            ASSERT_GT(y, previous);
            previous = y;
            ASSERT_NEAR(space->DecodeGamma(y), i / 1000.0, 1e-12);
        }
        EXPECT_TRUE(space->EncodeGamma(0.0) == 0.0 && std::fabs(previous - 1.0) < 1e-12);
    }
}

const real64 kNaN = std::numeric_limits<real64>::quiet_NaN();

TEST(DngTemperature, PCSWhiteAndTemperatureAndTintOfKnownWhites) {
    // ICC PCS white 0.9642, 1, 0.8249 (its xy is rounded to four places, hence the tolerance).
    EXPECT_LE(MaxDifference(PCStoXYZ().AsColumn(), dng_vector_3(0.9642, 1, 0.8249).AsColumn()), 3e-4);
    // CIE figures; F2 is the cool white fluorescent.
    const struct { dng_xy_coord xy; real64 kelvin, tolerance; } cct[] = {
        {D65_xy_coord(), 6504, 6}, {StdA_xy_coord(), 2856, 6}, {D50_xy_coord(), 5003, 6},
        {D55_xy_coord(), 5503, 6}, {D75_xy_coord(), 7504, 6},  {dng_xy_coord(0.37208, 0.37529), 4230, 15}};
    for (const auto& c : cct) EXPECT_NEAR(dng_temperature(c.xy).Temperature(), c.kelvin, c.tolerance) << c.kelvin;
    // A Planckian radiator at 4000 K has no tint; daylight lies on the green side, a lower y on the magenta side.
    EXPECT_NEAR(dng_temperature(dng_xy_coord(0.3805, 0.3768)).Tint(), 0.0, 1.0);
    EXPECT_NEAR(dng_temperature(D65_xy_coord()).Tint(), 10.0, 5.0);
    EXPECT_LT(dng_temperature(dng_xy_coord(0.3127, 0.30)).Tint(), 0.0);
}

TEST(DngTemperature, TemperatureAndTintRoundTrip) {
    // Below about 2500 K the isotherms cross not far on the green side, so large green tints are left out there.
    for (real64 t : {1700.0, 2000.0, 2500.0, 2850.0, 4000.0, 5000.0, 6500.0, 9000.0, 15000.0, 40000.0})
        for (real64 tint : {-40.0, -20.0, 0.0, 10.0, 20.0, 40.0}) {
            if (t < 2500.0 && tint > 10.0) continue;
            const dng_temperature back(dng_temperature(t, tint).Get_xy_coord());
            EXPECT_NEAR(back.Temperature(), t, t * 1e-4) << t << " " << tint;
            EXPECT_NEAR(back.Tint(), tint, 0.05) << t << " " << tint;
        }
}

TEST(DngXYCoordAndTemperature, DegenerateInputStaysFinite) {
    for (const dng_xy_coord& xy : {dng_xy_coord(0, 0), dng_xy_coord(1, 0), dng_xy_coord(0.9, 0.05),
                                   dng_xy_coord(0.05, 0.9), dng_xy_coord(-1, 2), dng_xy_coord(kNaN, kNaN)}) {
        const dng_vector_3 XYZ = XYtoXYZ(xy);
        for (uint32 i = 0; i < 3 && std::isfinite(xy.x); ++i) EXPECT_TRUE(std::isfinite(XYZ[i]) && XYZ[i] >= 0.0);
        const dng_temperature t(xy);
        EXPECT_TRUE(std::isfinite(t.Tint()) && std::isfinite(t.Temperature()) && t.Temperature() > 0);
    }
    for (real64 t : {0.0, -100.0, 1.0, 1e9, kNaN}) {
        const dng_xy_coord xy = dng_temperature(t, kNaN).Get_xy_coord();
        EXPECT_TRUE(std::isfinite(xy.x) && std::isfinite(xy.y) && xy.x > 0 && xy.y > 0) << t;
    }
    // XYZ with no positive sum (black, negative, NaN, wrong length) gives the PCS white.
    for (const dng_vector& XYZ : {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -1, 0.5)),
                                  dng_vector(dng_vector_3(kNaN, 1, 1)), dng_vector(2)})
        EXPECT_EQ(XYZtoXY(XYZ), D50_xy_coord());
}

}  // namespace
