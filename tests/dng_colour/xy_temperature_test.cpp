#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dng/dng_temperature.h"
#include "dng/dng_xy_coord.h"

// Reference figures: CIE 15 (illuminant chromaticities, CCTs) and ICC (D50 PCS white).

namespace {

const real64 kNaN = std::numeric_limits<real64>::quiet_NaN();

TEST(DngXYCoord, XYZOfStandardWhitesAndRoundTrips) {
    // ICC PCS white 0.9642, 1, 0.8249 (its xy is rounded to four places, hence the tolerance).
    const dng_vector_3 d50 = PCStoXYZ();
    EXPECT_NEAR(d50[0], 0.9642, 2e-4);
    EXPECT_EQ(d50[1], 1.0);
    EXPECT_NEAR(d50[2], 0.8249, 3e-4);
    const dng_vector_3 d65 = XYtoXYZ(D65_xy_coord());
    EXPECT_NEAR(d65[0], 0.95047, 2e-4);
    EXPECT_NEAR(d65[2], 1.08883, 3e-4);
    const dng_vector_3 a = XYtoXYZ(StdA_xy_coord());
    EXPECT_NEAR(a[0], 1.09850, 2e-4);
    EXPECT_NEAR(a[2], 0.35585, 2e-4);

    for (const dng_xy_coord& xy : {D50_xy_coord(), StdA_xy_coord(), dng_xy_coord(0.64, 0.33), dng_xy_coord(0.15, 0.06)}) {
        dng_vector XYZ = XYtoXYZ(xy);
        XYZ.Scale(3.7);  // chromaticity does not depend on the luminance
        const dng_xy_coord back = XYZtoXY(XYZ);
        EXPECT_NEAR(back.x, xy.x, 1e-12);
        EXPECT_NEAR(back.y, xy.y, 1e-12);
    }
}

TEST(DngXYCoord, DegenerateInputStaysFinite) {
    for (const dng_xy_coord& xy : {dng_xy_coord(0, 0), dng_xy_coord(1, 0), dng_xy_coord(0.7, 0.7), dng_xy_coord(-1, 2)}) {
        const dng_vector_3 XYZ = XYtoXYZ(xy);
        for (uint32 i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(XYZ[i]) && XYZ[i] >= 0.0) << xy.x << "," << xy.y;
    }
    // XYZ with no positive sum (black, negative, NaN, wrong length) gives the PCS white.
    for (const dng_vector& XYZ :
         {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -1, 0.5)), dng_vector(dng_vector_3(kNaN, 1, 1)),
          dng_vector(2)})
        EXPECT_EQ(XYZtoXY(XYZ), D50_xy_coord());
}

TEST(DngTemperature, CorrelatedColourTemperatureOfStandardIlluminants) {
    EXPECT_NEAR(dng_temperature(D65_xy_coord()).Temperature(), 6504, 6);
    EXPECT_NEAR(dng_temperature(StdA_xy_coord()).Temperature(), 2856, 6);
    EXPECT_NEAR(dng_temperature(D50_xy_coord()).Temperature(), 5003, 6);
    EXPECT_NEAR(dng_temperature(D55_xy_coord()).Temperature(), 5503, 6);
    EXPECT_NEAR(dng_temperature(D75_xy_coord()).Temperature(), 7504, 6);
    // CIE illuminant F2 (cool white fluorescent), CCT 4230 K.
    EXPECT_NEAR(dng_temperature(dng_xy_coord(0.37208, 0.37529)).Temperature(), 4230, 15);
}

TEST(DngTemperature, TintSaysWhichSideOfThePlanckianLocus) {
    // A Planckian radiator at 4000 K lies on the locus: no tint.
    const dng_temperature planck(dng_xy_coord(0.3805, 0.3768));
    EXPECT_NEAR(planck.Temperature(), 4000, 10);
    EXPECT_NEAR(planck.Tint(), 0.0, 1.0);
    // Daylight lies on the green side; lowering y at fixed x moves towards magenta.
    EXPECT_GT(dng_temperature(D65_xy_coord()).Tint(), 5.0);
    EXPECT_LT(dng_temperature(D65_xy_coord()).Tint(), 15.0);
    EXPECT_LT(dng_temperature(dng_xy_coord(0.3127, 0.30)).Tint(), 0.0);
}

TEST(DngTemperature, TemperatureAndTintRoundTrip) {
    // Below about 2500 K the isotherms cross not far on the green side, so large green tints are
    // left out there.
    for (real64 t : {1700.0, 2000.0, 2500.0, 2850.0, 4000.0, 5000.0, 6500.0, 9000.0, 15000.0, 40000.0})
        for (real64 tint : {-40.0, -20.0, 0.0, 10.0, 20.0, 40.0}) {
            if (t < 2500.0 && tint > 10.0) continue;
            const dng_temperature back(dng_temperature(t, tint).Get_xy_coord());
            EXPECT_NEAR(back.Temperature(), t, t * 1e-4) << t << " " << tint;
            EXPECT_NEAR(back.Tint(), tint, 0.05) << t << " " << tint;
        }
}

TEST(DngTemperature, ExtremeInputGivesFiniteResults) {
    for (real64 t : {0.0, -100.0, 1.0, 1e9, kNaN}) {
        const dng_xy_coord xy = dng_temperature(t, kNaN).Get_xy_coord();
        EXPECT_TRUE(std::isfinite(xy.x) && std::isfinite(xy.y) && xy.x > 0 && xy.y > 0) << t;
    }
    for (const dng_xy_coord& xy :
         {dng_xy_coord(0, 0), dng_xy_coord(0.9, 0.05), dng_xy_coord(0.05, 0.9), dng_xy_coord(kNaN, kNaN)}) {
        const dng_temperature t(xy);
        EXPECT_TRUE(std::isfinite(t.Tint()) && std::isfinite(t.Temperature()) && t.Temperature() > 0);
    }
}

}  // namespace
