#include <gtest/gtest.h>

#include <vector>

#include "pipeline/twk_directions.h"

namespace pipelinetest {
namespace {

std::vector<int> Chosen(const double* g, int n, double threshold, int raises) {
    int chosen[8];
    const int count = pipeline::ChooseDirections(g, n, threshold, raises, chosen);
    return std::vector<int>(chosen, chosen + count);
}

TEST(DirectionsTest, ZeroSmallestGivesWayToTheNextGradient) {
    // min is 0 after east, then replaced by south's 100: min = max = 100, T = 150.
    const double g[8] = {5, 0, 100, 100, 100, 100, 100, 100};
    double lo, hi;
    pipeline::MinMaxZeroYields(g, 8, lo, hi);
    EXPECT_EQ(lo, 100.0);
    EXPECT_EQ(hi, 100.0);
    EXPECT_EQ(pipeline::Threshold(lo, hi), 150.0);
    EXPECT_EQ(Chosen(g, 8, 150.0, 20), (std::vector<int>{0, 2, 3, 4, 5, 6, 7}));

    // The plain minimum of the red and blue pass keeps the 0: T = 50 and only north passes.
    pipeline::MinMax(g, 8, lo, hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(pipeline::Threshold(lo, hi), 50.0);
    EXPECT_EQ(Chosen(g, 8, 50.0, 50), (std::vector<int>{0}));
}

TEST(DirectionsTest, RaisesAreWhatSetsThePassesApart) {
    // Only the last gradient is 0: min 0, max 10, T 5 and nothing passes at first.
    const double g[8] = {10, 10, 10, 10, 10, 10, 10, 0};
    double lo, hi;
    pipeline::MinMaxZeroYields(g, 8, lo, hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 10.0);
    EXPECT_EQ(pipeline::Threshold(lo, hi), 5.0);
    // Green pass: one raise to 15 takes 0..6.
    EXPECT_EQ(Chosen(g, 8, 5.0, 20), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    // Transfer: no raise, so all eight.
    EXPECT_EQ(Chosen(g, 8, 5.0, 0), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(DirectionsTest, RaisesStopAtTheirLimit) {
    // 210 is reached by the 20th raise from 10.5 (T = 210.5); 211 needs one more.
    const double reachable[4] = {210, 0, 0, 0};
    EXPECT_EQ(Chosen(reachable, 4, 10.5, 20), (std::vector<int>{0}));
    const double tooFar[4] = {211, 0, 0, 0};
    EXPECT_EQ(Chosen(tooFar, 4, 10.5, 20), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Chosen(tooFar, 4, 10.5, 50), (std::vector<int>{0}));
}

}  // namespace
}  // namespace pipelinetest
