#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_tone_curve.h"

TEST(DngToneCurveDefault, PassesThroughItsAnchorValues) {
    const dng_tone_curve_acr3_default& curve = dng_tone_curve_acr3_default::Get();
    const struct {
        real64 x, y;
    } anchors[] = {{0, 0},           {1.0 / 1024, 0.00078}, {1.0 / 256, 0.00314}, {1.0 / 64, 0.01485},
                   {1.0 / 16, 0.10433}, {1.0 / 4, 0.52069},  {1.0 / 2, 0.80486},   {3.0 / 4, 0.93986},
                   {1, 1}};
    for (const auto& a : anchors)
        EXPECT_NEAR(curve.Evaluate(a.x), a.y, 1e-9) << a.x;
}

TEST(DngToneCurveDefault, RisesSmoothlyAndAddsContrast) {
    const dng_tone_curve_acr3_default& curve = dng_tone_curve_acr3_default::Get();
    for (uint32 i = 1; i < dng_tone_curve_acr3_default::kTableSize; ++i)
        EXPECT_GT(curve.TableEntry(i), curve.TableEntry(i - 1)) << i;
    // Mid-grey is lifted, deep shadows are held down.
    EXPECT_GT(curve.Evaluate(0.18), 0.3);
    EXPECT_LT(curve.Evaluate(0.18), 0.45);
    EXPECT_LT(curve.Evaluate(0.01), 0.01);
    // Linear between table entries, clamped outside [0, 1].
    EXPECT_NEAR(curve.Evaluate(0.5 / 1024), 0.5 * curve.TableEntry(1), 1e-12);
    EXPECT_EQ(curve.Evaluate(-1), 0.0);
    EXPECT_EQ(curve.Evaluate(2), 1.0);
    EXPECT_EQ(curve.Evaluate(std::nan("")), 0.0);
}

TEST(DngToneCurve, SplineThroughProfilePoints) {
    dng_tone_curve curve;
    curve.SetPoints({{0, 0}, {0.25, 0.4}, {0.5, 0.7}, {0.75, 0.9}, {1, 1}});
    ASSERT_TRUE(curve.IsValid());
    for (const auto& p : curve.Points())
        EXPECT_NEAR(curve.Evaluate(p.x), p.y, 1e-12);
    // Points on a straight line give that line between them.
    dng_tone_curve line;
    line.SetPoints({{0, 0}, {0.3, 0.3}, {0.6, 0.6}, {1, 1}});
    EXPECT_NEAR(line.Evaluate(0.45), 0.45, 1e-12);
    // Samples of a smooth curve are followed between the samples far closer than by straight
    // segments (whose error here reaches 0.0024).
    std::vector<dng_tone_curve::Point> points;
    for (int i = 0; i <= 16; ++i) {
        const real64 x = i / 16.0;
        points.push_back({x, std::sin(x * M_PI / 2)});
    }
    dng_tone_curve smooth;
    smooth.SetPoints(points);
    for (real64 x : {0.1, 0.33, 0.51, 0.77, 0.97})
        EXPECT_NEAR(smooth.Evaluate(x), std::sin(x * M_PI / 2), 1e-3) << x;
}

TEST(DngToneCurve, NullAndInvalidCurves) {
    dng_tone_curve curve;
    EXPECT_TRUE(curve.Points().empty());
    EXPECT_FALSE(curve.IsValid());
    EXPECT_EQ(curve.Evaluate(0.3), 0.3);  // no curve: identity
    curve.SetNull();
    EXPECT_TRUE(curve.IsNull());
    EXPECT_TRUE(curve.IsValid());
    EXPECT_NEAR(curve.Evaluate(0.37), 0.37, 1e-15);

    const std::vector<std::vector<dng_tone_curve::Point>> bad = {
        {{0, 0}, {0.5, 0.5}},                  // does not reach (1, 1)
        {{0.1, 0}, {1, 1}},                    // does not start at (0, 0)
        {{0, 0}, {0.5, 0.5}, {0.5, 0.6}, {1, 1}},  // x not increasing
        {{0, 0}, {0.5, 1.5}, {1, 1}},          // y outside [0, 1]
        {{0, 0}, {0.5, std::nan("")}, {1, 1}},
    };
    for (const auto& points : bad) {
        curve.SetPoints(points);
        EXPECT_FALSE(curve.IsValid());
        EXPECT_EQ(curve.Evaluate(0.25), 0.25);
    }
    curve.SetPoints({{0, 0}, {0.5, 0.9}, {1, 1}});
    EXPECT_EQ(curve.Evaluate(-3), 0.0);
    EXPECT_EQ(curve.Evaluate(4), 1.0);
    EXPECT_EQ(curve.Evaluate(std::nan("")), 0.0);
    for (int i = 0; i <= 100; ++i) {
        const real64 y = curve.Evaluate(i / 100.0);
        EXPECT_GE(y, 0.0);
        EXPECT_LE(y, 1.0);
    }
}
