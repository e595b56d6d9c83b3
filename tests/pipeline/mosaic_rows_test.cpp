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

TEST(MosaicRowsTest, BlueRowGreenBalancingRules) {
    const std::map<Site, int> close = {
        {{3, 4}, 1000}, {{2, 5}, 990}, {{2, 3}, 985}, {{4, 5}, 1000}, {{4, 3}, 995}, {{4, 1}, 990}};
    std::map<Site, int> bright = close;
    bright[{4, 5}] = 1200;
    // v 1000 and u 650 lie 350 apart; the other greens are far away.
    const std::map<Site, int> apart = {{{2, 5}, 650}, {{2, 3}, 2000}, {{4, 5}, 2000}, {{4, 3}, 2000}};
    const std::map<Site, int> dimDisagreeing = {
        {{3, 4}, 600}, {{2, 5}, 590}, {{2, 3}, 590}, {{4, 5}, 700}, {{4, 3}, 590}, {{4, 1}, 590}};
    std::map<Site, int> dimAgreeing = dimDisagreeing;
    dimAgreeing[{4, 5}] = 600;

    struct Case { const char* rule; uint32 split; std::map<Site, int> changes; int expected; };
    const Case cases[] = {
        {"mean of the close greens, (990 + 985 + 1000 + 995) / 4", 300, close, 992},
        {"no green split, no balancing", 0, close, 1000},
        {"350 apart within a split of 450", 450, apart, 650},
        {"a split of 500 counts as 300", 500, apart, 1000},
        {"350 apart beyond a split of 300", 300, apart, 1000},
        {"darker than the up-right green", 300, {{{3, 4}, 980}, {{2, 5}, 990}}, 980},
        {"brighter by exactly the threshold", 300, {{{3, 4}, 1300}, {{2, 5}, 1000}}, 1300},
        {"dim, u - s(4, 5) = -110 breaks the agreement", 300, dimDisagreeing, 600},
        {"dim and agreeing, (590 + 590 + 600 + 590) / 4", 300, dimAgreeing, 592},
        {"bright: 1200 joins although it disagrees, (990 + 985 + 1200 + 995) / 4", 300, bright, 1042},
        {"only the up-right green close",
         300, {{{3, 4}, 1000}, {{2, 5}, 990}, {{2, 3}, 1400}, {{4, 5}, 1400}, {{4, 3}, 1400}}, 990},
    };
    for (const Case& k : cases) EXPECT_EQ(BalancedAt34(k.split, k.changes), k.expected) << k.rule;
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
