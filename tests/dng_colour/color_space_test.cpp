#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_color_space.h"

// Published figures: RGB -> XYZ(D50) matrices adapted with Bradford (B. Lindbloom's tables,
// ICC values for ProPhoto), sRGB curve values from IEC 61966-2-1.

namespace {

void ExpectNear(const dng_matrix& a, const dng_matrix_3by3& b, real64 tolerance) {
    ASSERT_EQ(a.Rows(), 3u);
    ASSERT_EQ(a.Cols(), 3u);
    EXPECT_LE(MaxDifference(a, b), tolerance);
}

const dng_color_space* const kSpaces[] = {&dng_space_sRGB::Get(), &dng_space_AdobeRGB::Get(),
                                          &dng_space_ColorMatch::Get(), &dng_space_ProPhoto::Get()};

TEST(DngColorSpace, MatricesMatchPublishedBradfordFigures) {
    const dng_matrix_3by3 published[] = {
        {0.4360747, 0.3850649, 0.1430804, 0.2225045, 0.7168786, 0.0606169, 0.0139322, 0.0971045, 0.7141733},
        {0.6097559, 0.2052401, 0.1492240, 0.3111242, 0.6256560, 0.0632197, 0.0194811, 0.0608902, 0.7448387},
        {0.5093439, 0.3209071, 0.1339691, 0.2748840, 0.6581315, 0.0669845, 0.0242545, 0.1087821, 0.6921735},
        {0.7976749, 0.1351917, 0.0313534, 0.2880402, 0.7118741, 0.0000857, 0.0, 0.0, 0.8252100}};
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        ExpectNear(kSpaces[s]->MatrixToPCS(), published[s], 2e-4);
        // White lands exactly on the PCS white, and the two directions are inverse.
        const dng_vector white = kSpaces[s]->MatrixToPCS() * dng_vector_3(1, 1, 1);
        for (uint32 i = 0; i < 3; ++i) EXPECT_NEAR(white[i], PCStoXYZ()[i], 1e-12);
        EXPECT_LE(MaxDifference(kSpaces[s]->MatrixFromPCS() * kSpaces[s]->MatrixToPCS(), Identity(3)), 1e-12);
    }
    // ColorMatch and ProPhoto are D50 spaces: no adaptation moves their primaries.
    const dng_xy_coord red = XYZtoXY(dng_space_ColorMatch::Get().MatrixToPCS() * dng_vector_3(1, 0, 0));
    EXPECT_NEAR(red.x, 0.630, 1e-4);
    EXPECT_NEAR(red.y, 0.340, 1e-4);
    const dng_xy_coord green = XYZtoXY(dng_space_ProPhoto::Get().MatrixToPCS() * dng_vector_3(0, 1, 0));
    EXPECT_NEAR(green.x, 0.1596, 1e-4);
    EXPECT_NEAR(green.y, 0.8404, 1e-4);
}

TEST(DngColorSpace, GamutsDifferAsTheirPrimariesSay) {
    // Linear ProPhoto -> linear sRGB, a conversion every raw converter tabulates.
    ExpectNear(dng_space_sRGB::Get().MatrixFromPCS() * dng_space_ProPhoto::Get().MatrixToPCS(),
               dng_matrix_3by3(2.034289, -0.727308, -0.306981, -0.228925, 1.231717, -0.002792, -0.008469, -0.153326,
                               1.161795),
               1e-3);
    // Adobe RGB's pure green is outside sRGB (a negative red and blue) and inside ProPhoto.
    const dng_vector adobeGreen = dng_space_AdobeRGB::Get().MatrixToPCS() * dng_vector_3(0, 1, 0);
    const dng_vector inSRGB = dng_space_sRGB::Get().MatrixFromPCS() * adobeGreen;
    const dng_vector inProPhoto = dng_space_ProPhoto::Get().MatrixFromPCS() * adobeGreen;
    EXPECT_LT(inSRGB[0], 0.0);
    EXPECT_LT(inSRGB[2], 0.0);
    for (uint32 i = 0; i < 3; ++i) EXPECT_GE(inProPhoto[i], 0.0);
}

TEST(DngColorSpace, EncodingCurves) {
    const dng_color_space& srgb = dng_space_sRGB::Get();
    // IEC 61966-2-1: code 128 of 255 is 21.586 % linear; 18 % grey encodes to 46.1 %.
    EXPECT_NEAR(srgb.DecodeGamma(128.0 / 255.0), 0.21586, 1e-5);
    EXPECT_NEAR(srgb.EncodeGamma(0.18), 0.46136, 1e-5);
    // The linear foot and the power part meet without a jump.
    EXPECT_NEAR(srgb.EncodeGamma(0.0031308), 0.04045, 1e-5);
    EXPECT_NEAR(srgb.EncodeGamma(0.0031308 + 1e-9), srgb.EncodeGamma(0.0031308), 1e-7);
    // 50 % linear: near code 186 with gamma 2.2, near 173.5 with 1.8 (ColorMatch and ProPhoto).
    EXPECT_NEAR(dng_space_AdobeRGB::Get().EncodeGamma(0.5) * 255, 186.1, 0.1);
    EXPECT_NEAR(dng_space_ProPhoto::Get().EncodeGamma(0.5) * 255, 173.5, 0.1);
    EXPECT_EQ(dng_space_ColorMatch::Get().EncodeGamma(0.3), dng_space_ProPhoto::Get().EncodeGamma(0.3));

    for (const dng_color_space* space : kSpaces) {
        EXPECT_EQ(space->EncodeGamma(-0.5), 0.0);
        EXPECT_NEAR(space->EncodeGamma(3.0), 1.0, 1e-12);
        EXPECT_EQ(space->EncodeGamma(std::nan("")), 0.0);
        real64 previous = -1.0;
        for (int i = 0; i <= 1000; ++i) {
            const real64 y = space->EncodeGamma(i / 1000.0);
            ASSERT_GT(y, previous);
            previous = y;
            ASSERT_NEAR(space->DecodeGamma(y), i / 1000.0, 1e-12);
        }
        EXPECT_EQ(space->EncodeGamma(0.0), 0.0);
        EXPECT_NEAR(previous, 1.0, 1e-12);
    }
}

}  // namespace
