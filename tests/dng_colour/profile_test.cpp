#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "camera_data.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_tone_curve.h"
#include "dng/dng_xy_coord.h"

namespace {

dng_matrix_3by3 Canon6DForwardMatrix() { return dng_matrix_3by3(Canon6DProfile(true).ForwardMatrix1()); }

dng_camera_profile ValidProfile() {
    dng_camera_profile p;
    p.SetColorMatrix1(Canon550DColorMatrix());
    p.SetForwardMatrix1(Canon6DForwardMatrix());
    return p;
}

// The fault a change to a valid profile brings for a camera of `channels` planes; "" when still valid.
std::string FaultWith(const std::function<void(dng_camera_profile&)>& change, uint32 channels = 3) {
    dng_camera_profile p = ValidProfile();
    change(p);
    EXPECT_EQ(p.IsValid(channels), p.Fault(channels).empty());
    return p.Fault(channels);
}

bool Has(const std::string& text, const char* fragment) { return text.find(fragment) != std::string::npos; }

TEST(DngCameraProfile, ValidityChecks) {
    using P = dng_camera_profile;
    EXPECT_EQ(FaultWith([](P&) {}), "");
    EXPECT_NE(FaultWith([](P&) {}, 4), "");  // ColorMatrix1 has three rows
    EXPECT_TRUE(Has(FaultWith([](P& p) { p = P(); }), "ColorMatrix1 is missing"));
    EXPECT_EQ(FaultWith([](P& p) { p = P(); }, 1), "");  // monochrome needs no matrix
    EXPECT_TRUE(Has(FaultWith([](P& p) { p.SetColorMatrix1(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)); }),
                    "not invertible"));
    EXPECT_TRUE(Has(FaultWith([](P& p) { p.SetColorMatrix1(dng_matrix(3, 4)); }), "wrong shape"));
    // A forward matrix must send the camera neutral to within 0.01 of the PCS white.
    for (real64 delta : {0.009, 0.011}) {
        dng_matrix fm = Canon6DForwardMatrix();
        fm[2][2] += delta;
        EXPECT_EQ(Has(FaultWith([&](P& p) { p.SetForwardMatrix1(fm); }), "PCS white"), delta > 0.01);
    }
    // Reduction matrices belong to cameras with more than three planes, and are 3 x planes.
    EXPECT_NE(FaultWith([](P& p) { p.SetReductionMatrix1(Identity(3)); }), "");
    EXPECT_NE(FaultWith([](P& p) { p.SetColorMatrix1(FourColourMatrix()), p.SetReductionMatrix1(Identity(3)); }, 4),
              "");
    // Two hue/sat maps must have equal divisions; a tone curve must be valid.
    dng_hue_sat_map six2, six3;
    six2.SetDivisions(6, 2, 1);
    six3.SetDivisions(6, 3, 1);
    EXPECT_NE(FaultWith([&](P& p) { p.SetHueSatMap1(six2), p.SetHueSatMap2(six3); }), "");
    dng_tone_curve unsorted;
    unsorted.SetPoints({{0, 0}, {0.5, 0.7}, {0.4, 0.8}, {1, 1}});
    EXPECT_NE(FaultWith([&](P& p) { p.SetToneCurve(unsorted); }), "");
}

TEST(DngCameraProfile, MatrixNeutralAndBalanceNormalisation) {
    // Within 1 % of mapping the PCS white to a largest value of 1: only rounded to 1/10000.
    dng_matrix cm = Canon550DColorMatrix();
    cm[0][0] += 0.00004;
    NormalizeColorMatrix(cm);
    EXPECT_DOUBLE_EQ(cm[0][0], 0.6461);
    // Scaled x2: brought back so the PCS white's largest camera value is 1.
    dng_camera_profile p = ValidProfile();
    p.SetColorMatrix1(2.0 * Canon550DColorMatrix());
    p.NormalizeMatrices();
    EXPECT_NEAR((p.ColorMatrix1() * PCStoXYZ()).MaxEntry(), 1.0, 1e-3);
    EXPECT_DOUBLE_EQ(p.ColorMatrix1()[1][1] * 10000, std::round(p.ColorMatrix1()[1][1] * 10000));
    // The 550D file stores AsShotNeutral as 1 2.477 1.462.
    dng_vector neutral = dng_vector_3(1, 2.477, 1.462);
    NormalizeAsShotNeutral(neutral);
    EXPECT_EQ(neutral, dng_vector(dng_vector_3(0.403714, 1.0, 0.59023)));
    for (dng_vector bad : {dng_vector(dng_vector_3(0, 0, 0)), dng_vector(dng_vector_3(-1, -2, -3))}) {
        NormalizeAsShotNeutral(bad);
        EXPECT_TRUE(bad.IsEmpty());
    }
    dng_vector balance = dng_vector_3(2, 4, 3), bad = dng_vector_3(1, 0, 2);
    NormalizeAnalogBalance(balance), NormalizeAnalogBalance(bad);
    EXPECT_TRUE(balance == dng_vector(dng_vector_3(1, 2, 1.5)) && bad == dng_vector(dng_vector_3(1, 1, 1)));
}

TEST(DngHueSatMap, TagDataInterpolationAndMalformedData) {
    // 2 hues, 3 saturations, 1 value; the grey column left out: 2 x 2 x 1 triples.
    const std::vector<real32> partial = {10, 1.1f, 0.9f, 20, 1.2f, 0.8f, -10, 0.9f, 1.0f, -20, 0.8f, 1.0f};
    dng_hue_sat_map map, full;
    ASSERT_TRUE(map.SetFromTagData(2, 3, 1, partial));
    EXPECT_EQ(map.Get(1, 0, 0), dng_hue_sat_map::Delta());
    EXPECT_EQ(map.Get(0, 2, 0).hueShift, 20.0f);
    EXPECT_EQ(map.Get(1, 1, 0).satScale, 0.9f);
    ASSERT_TRUE(full.SetFromTagData(2, 3, 1, map.TagData()));
    EXPECT_EQ(full, map);

    dng_hue_sat_map a = map;
    a.Set(0, 1, 0, {30, 1, 1});
    const dng_hue_sat_map::Delta mid = dng_hue_sat_map::Interpolate(map, a, 0.25).Get(0, 1, 0);
    EXPECT_FLOAT_EQ(mid.hueShift, 0.25f * 10 + 0.75f * 30);
    EXPECT_FLOAT_EQ(mid.satScale, 0.25f * 1.1f + 0.75f);
    EXPECT_EQ(dng_hue_sat_map::Interpolate(map, a, 1.0), map);

    EXPECT_FALSE(map.SetFromTagData(2, 3, 1, std::vector<real32>(5)));
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_FALSE(map.SetFromTagData(2, 1, 1, std::vector<real32>(6)));
    EXPECT_FALSE(map.SetFromTagData(100000, 100000, 100000, std::vector<real32>(3)));
    EXPECT_FALSE(map.SetFromTagData(1, 2, 1, {std::nanf(""), 1, 1, 0, 1, 1}));
    EXPECT_THROW(map.SetDivisions(0, 2, 1), dng_exception);
}

TEST(DngToneCurveDefault, RisesThroughItsAnchorsAndClamps) {
    const dng_tone_curve_acr3_default& curve = dng_tone_curve_acr3_default::Get();
    const std::pair<real64, real64> anchors[] = {{0.0, 0.0}, {1.0 / 64, 0.01485}, {1.0 / 4, 0.52069}, {1.0, 1.0}};
    for (const auto& [x, y] : anchors) EXPECT_NEAR(curve.Evaluate(x), y, 1e-9) << x;
    for (uint32 i = 1; i < dng_tone_curve_acr3_default::kTableSize; ++i)
        ASSERT_GT(curve.TableEntry(i), curve.TableEntry(i - 1)) << i;
    EXPECT_TRUE(curve.Evaluate(-1) == 0.0 && curve.Evaluate(2) == 1.0 && curve.Evaluate(std::nan("")) == 0.0);
}

TEST(DngToneCurve, SplineThroughProfilePointsNullAndInvalidCurves) {
    // Samples of a smooth curve are followed far closer than by straight segments (error 0.0024).
    std::vector<dng_tone_curve::Point> points;
    for (int i = 0; i <= 16; ++i) points.push_back({i / 16.0, std::sin(i / 16.0 * M_PI / 2)});
    dng_tone_curve curve;
    curve.SetPoints(points);
    ASSERT_TRUE(curve.IsValid());
    for (const auto& p : points) EXPECT_NEAR(curve.Evaluate(p.x), p.y, 1e-12);
    for (real64 x : {0.1, 0.33, 0.51, 0.77, 0.97}) EXPECT_NEAR(curve.Evaluate(x), std::sin(x * M_PI / 2), 1e-3) << x;
    // A steep valid curve stays within [0, 1], also for input outside it.
    curve.SetPoints({{0, 0}, {0.5, 0.9}, {1, 1}});
    for (int i = -100; i <= 200; ++i) ASSERT_TRUE(curve.Evaluate(i / 100.0) >= 0 && curve.Evaluate(i / 100.0) <= 1);
    EXPECT_EQ(curve.Evaluate(std::nan("")), 0.0);
    // Null and invalid curves are the identity.
    curve.SetNull();
    EXPECT_TRUE(curve.IsNull() && curve.IsValid());
    EXPECT_NEAR(curve.Evaluate(0.37), 0.37, 1e-15);
    const std::vector<std::vector<dng_tone_curve::Point>> bad = {
        {{0, 0}, {0.5, 0.5}},                      // does not reach (1, 1)
        {{0.1, 0}, {1, 1}},                        // does not start at (0, 0)
        {{0, 0}, {0.5, 0.5}, {0.5, 0.6}, {1, 1}},  // x not increasing
        {{0, 0}, {0.5, 1.5}, {1, 1}},              // y outside [0, 1]
        {{0, 0}, {0.5, std::nan("")}, {1, 1}},
        {},
    };
    for (const auto& points : bad) {
        curve.SetPoints(points);
        EXPECT_FALSE(curve.IsValid());
        EXPECT_EQ(curve.Evaluate(0.25), 0.25);
    }
}

}  // namespace
