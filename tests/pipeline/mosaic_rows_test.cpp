#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "engine/memory_plane16.h"
#include "pipeline/mosaic_rows.h"
#include "synthetic_negative.h"

namespace pipelinetest {
namespace {

using Site = std::pair<int, int>;

// R G / G B mosaic: reds 500, blues 400, greens 1000, with the given sites changed.
engine::MemoryPlane16 Mosaic(int height, int width, const std::map<Site, int>& changes = {}) {
    engine::MemoryPlane16 plane(width, height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) plane.Set(r, c, (r + c) % 2 ? 1000 : (r % 2 ? 400 : 500));
    for (const auto& change : changes) plane.Set(change.first.first, change.first.second, uint16_t(change.second));
    return plane;
}

// Row-table sample at the blue-row green (3, 4) of a 6 x 8 mosaic. Its
// neighbours: a = u at (2, 5); (2, 3), (4, 5), (4, 3) may join the mean;
// (4, 5), (4, 3), (4, 1) decide whether the greens agree.
int BalancedAt34(uint32 split, const std::map<Site, int>& changes) {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112", split);
    const engine::MemoryPlane16 image = Mosaic(6, 8, changes);
    pipeline::MosaicRows rows(6, 8);
    negative->ReadMosaicRows(rows, image, true);
    return rows.Row(3)[4];
}

const std::map<Site, int> kCloseGreens = {
    {{3, 4}, 1000}, {{2, 5}, 990}, {{2, 3}, 985}, {{4, 5}, 1000}, {{4, 3}, 995}, {{4, 1}, 990}};

TEST(MosaicRowsTest, CloseBlueRowGreenTakesTheMeanOfTheCloseGreens) {
    // (990 + 985 + 1000 + 995) / 4 = 992.5
    EXPECT_EQ(BalancedAt34(300, kCloseGreens), 992);
}

TEST(MosaicRowsTest, NoGreenSplitMeansNoBalancing) {
    EXPECT_EQ(BalancedAt34(0, kCloseGreens), 1000);
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112", 0);
    const engine::MemoryPlane16 image = Mosaic(6, 8, kCloseGreens);
    pipeline::MosaicRows rows(6, 8);
    negative->ReadMosaicRows(rows, image, true);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c) ASSERT_EQ(rows.Row(r)[c], image.At(r, c));
}

TEST(MosaicRowsTest, SplitOf500BalancesWithin300) {
    // v 1000 and u 650 lie 350 apart; the other greens are far away.
    const std::map<Site, int> apart = {{{2, 5}, 650}, {{2, 3}, 2000}, {{4, 5}, 2000}, {{4, 3}, 2000}};
    EXPECT_EQ(BalancedAt34(450, apart), 650);
    EXPECT_EQ(BalancedAt34(500, apart), 1000);
    EXPECT_EQ(BalancedAt34(300, apart), 1000);
}

TEST(MosaicRowsTest, OnlyGreensJustAboveTheirUpRightNeighbourChange) {
    // Darker than the up-right green.
    EXPECT_EQ(BalancedAt34(300, {{{3, 4}, 980}, {{2, 5}, 990}}), 980);
    // Brighter by exactly the threshold.
    EXPECT_EQ(BalancedAt34(300, {{{3, 4}, 1300}, {{2, 5}, 1000}}), 1300);
}

TEST(MosaicRowsTest, DimGreensNeedAgreeingNeighbours) {
    // v 600: u - s(4, 5) = -110 breaks the agreement.
    const std::map<Site, int> disagree = {
        {{3, 4}, 600}, {{2, 5}, 590}, {{2, 3}, 590}, {{4, 5}, 700}, {{4, 3}, 590}, {{4, 1}, 590}};
    EXPECT_EQ(BalancedAt34(300, disagree), 600);
    std::map<Site, int> agree = disagree;
    agree[{4, 5}] = 600;
    // (590 + 590 + 600 + 590) / 4 = 592.5
    EXPECT_EQ(BalancedAt34(300, agree), 592);
}

TEST(MosaicRowsTest, BrightGreensBalanceEvenWhereNeighboursDisagree) {
    std::map<Site, int> bright = kCloseGreens;
    bright[{4, 5}] = 1200;
    // 1200 is within 300 of v, so it joins: (990 + 985 + 1200 + 995) / 4 = 1042.5
    EXPECT_EQ(BalancedAt34(300, bright), 1042);
}

TEST(MosaicRowsTest, WithOnlyTheUpRightGreenCloseItsValueIsTaken) {
    EXPECT_EQ(BalancedAt34(300, {{{3, 4}, 1000}, {{2, 5}, 990}, {{2, 3}, 1400}, {{4, 5}, 1400}, {{4, 3}, 1400}}),
              990);
}

TEST(MosaicRowsTest, BalancingStaysAwayFromTheEdgesAndOffOtherSites) {
    // Greens of blue rows 1010, all other greens 1000: every balanced site becomes 1000.
    const int height = 8, width = 10;
    engine::MemoryPlane16 image = Mosaic(height, width);
    for (int r = 1; r < height; r += 2)
        for (int c = 0; c < width; c += 2) image.Set(r, c, 1010);
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112", 300);
    pipeline::MosaicRows rows(height, width);
    negative->ReadMosaicRows(rows, image, true);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const bool blueRowGreen = r % 2 == 1 && c % 2 == 0;
            const bool inside = r > 2 && r < height - 1 && c > 2 && c < width - 2;
            ASSERT_EQ(rows.Row(r)[c], blueRowGreen && inside ? 1000 : image.At(r, c)) << r << "," << c;
        }

    // Without balancing the same call is a plain copy.
    negative->ReadMosaicRows(rows, image, false);
    EXPECT_EQ(rows.Row(3)[4], 1010);
}

}  // namespace
}  // namespace pipelinetest
