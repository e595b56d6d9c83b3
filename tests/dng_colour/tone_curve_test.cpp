#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_tone_curve.h"

namespace {

TEST(DngToneCurveDefault, RisesThroughItsAnchorsAndClamps) {
    const dng_tone_curve_acr3_default& curve = dng_tone_curve_acr3_default::Get();
    const std::pair<real64, real64> anchors[] = {{0.0, 0.0}, {1.0 / 64, 0.01485}, {1.0 / 4, 0.52069}, {1.0, 1.0}};
    for (const auto& [x, y] : anchors) EXPECT_NEAR(curve.Evaluate(x), y, 1e-9) << x;
    for (uint32 i = 1; i < dng_tone_curve_acr3_default::kTableSize; ++i)
        ASSERT_GT(curve.TableEntry(i), curve.TableEntry(i - 1)) << i;
    EXPECT_NEAR(curve.Evaluate(0.5 / 1024), 0.5 * curve.TableEntry(1), 1e-12);  // linear between entries
    EXPECT_EQ(curve.Evaluate(-1), 0.0);
    EXPECT_EQ(curve.Evaluate(2), 1.0);
    EXPECT_EQ(curve.Evaluate(std::nan("")), 0.0);
}

TEST(DngToneCurve, SplineThroughProfilePoints) {
    dng_tone_curve curve;
    curve.SetPoints({{0, 0}, {0.25, 0.4}, {0.5, 0.7}, {0.75, 0.9}, {1, 1}});
    ASSERT_TRUE(curve.IsValid());
    for (const auto& p : curve.Points()) EXPECT_NEAR(curve.Evaluate(p.x), p.y, 1e-12);
    // Samples of a smooth curve are followed far closer than by straight segments (error 0.0024).
    std::vector<dng_tone_curve::Point> points;
    for (int i = 0; i <= 16; ++i) points.push_back({i / 16.0, std::sin(i / 16.0 * M_PI / 2)});
    curve.SetPoints(points);
    for (real64 x : {0.1, 0.33, 0.51, 0.77, 0.97}) EXPECT_NEAR(curve.Evaluate(x), std::sin(x * M_PI / 2), 1e-3) << x;
}

TEST(DngToneCurve, NullAndInvalidCurvesAreTheIdentity) {
    dng_tone_curve curve;
    EXPECT_FALSE(curve.IsValid());
    EXPECT_EQ(curve.Evaluate(0.3), 0.3);
    curve.SetNull();
    EXPECT_TRUE(curve.IsNull() && curve.IsValid());
    EXPECT_NEAR(curve.Evaluate(0.37), 0.37, 1e-15);

    const std::vector<std::vector<dng_tone_curve::Point>> bad = {
        {{0, 0}, {0.5, 0.5}},                      // does not reach (1, 1)
        {{0.1, 0}, {1, 1}},                        // does not start at (0, 0)
        {{0, 0}, {0.5, 0.5}, {0.5, 0.6}, {1, 1}},  // x not increasing
        {{0, 0}, {0.5, 1.5}, {1, 1}},              // y outside [0, 1]
        {{0, 0}, {0.5, std::nan("")}, {1, 1}},
    };
    for (const auto& points : bad) {
        curve.SetPoints(points);
        EXPECT_FALSE(curve.IsValid());
        EXPECT_EQ(curve.Evaluate(0.25), 0.25);
    }
    // A steep valid curve stays within [0, 1], also for input outside it.
    curve.SetPoints({{0, 0}, {0.5, 0.9}, {1, 1}});
    EXPECT_EQ(curve.Evaluate(-3), 0.0);
    EXPECT_EQ(curve.Evaluate(4), 1.0);
    EXPECT_EQ(curve.Evaluate(std::nan("")), 0.0);
    for (int i = 0; i <= 100; ++i) {
        EXPECT_GE(curve.Evaluate(i / 100.0), 0.0);
        EXPECT_LE(curve.Evaluate(i / 100.0), 1.0);
    }
}

}  // namespace
