#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

#include "controls/kernel_grid.h"

namespace {

using controls::FloatPoint;
using controls::KernelGrid;
using Cell = std::pair<int, int>;
constexpr uint32_t kCore = KernelGrid::kCoreColor;
constexpr uint32_t kRim = KernelGrid::kRimColor;

std::set<Cell> SetCells(const KernelGrid& g) {
    std::set<Cell> cells;
    for (int x = 0; x < KernelGrid::kSize; ++x)
        for (int y = 0; y < KernelGrid::kSize; ++y)
            if (g.GetCell(x, y))
                cells.insert({x, y});
    return cells;
}

std::set<Cell> Row(int y, int fromX, int toX) {
    std::set<Cell> cells;
    for (int x = fromX; x <= toX; ++x)
        cells.insert({x, y});
    return cells;
}

struct DiscCase {
    int radius;
    int rim;
};

class DiscShape : public ::testing::TestWithParam<DiscCase> {};

TEST_P(DiscShape, IsSymmetricWithARingOfTheRimWidth) {
    const auto [r, w] = GetParam();
    const int cx = 47, cy = 52;  // off-centre on purpose
    KernelGrid g;
    g.rimWidth = w;
    g.discRadius = r;
    g.DrawCircle(cx, cy);

    // Symmetric under both mirrors and the transposition, colours included.
    for (int dx = -r - 1; dx <= r + 1; ++dx) {
        for (int dy = -r - 1; dy <= r + 1; ++dy) {
            const uint32_t c = g.GetCellColor(cx + dx, cy + dy);
            ASSERT_EQ(g.GetCell(cx + dx, cy + dy), c != 0) << dx << "," << dy;
            ASSERT_EQ(c, g.GetCellColor(cx - dx, cy + dy)) << dx << "," << dy;
            ASSERT_EQ(c, g.GetCellColor(cx + dx, cy - dy)) << dx << "," << dy;
            ASSERT_EQ(c, g.GetCellColor(cx + dy, cy + dx)) << dx << "," << dy;
        }
    }

    // Along each axis: core up to r - w, then exactly w rim cells, then nothing.
    for (int k = 0; k <= r + 2; ++k) {
        const uint32_t expected = k > r ? 0 : (k > r - w ? kRim : kCore);
        EXPECT_EQ(g.GetCellColor(cx + k, cy), expected) << "k=" << k;
        EXPECT_EQ(g.GetCellColor(cx, cy - k), expected) << "k=" << k;
    }

    // The rim closes round the core, and everything on the outer border is rim.
    const auto cells = SetCells(g);
    for (const auto& [x, y] : cells) {
        const bool onBorder = !g.GetCell(x + 1, y) || !g.GetCell(x - 1, y) || !g.GetCell(x, y + 1) ||
                              !g.GetCell(x, y - 1);
        if (onBorder) {
            EXPECT_EQ(g.GetCellColor(x, y), kRim) << x << "," << y;
        }
    }
    // Every set cell lies inside the disc's radius.
    for (const auto& [x, y] : cells)
        EXPECT_LE(std::hypot(x - cx, y - cy), r + 0.5) << x << "," << y;

    if (r >= 5) {
        const double area = M_PI * (r + 0.5) * (r + 0.5);
        EXPECT_NEAR(static_cast<double>(cells.size()), area, 0.08 * area);
    }
}

INSTANTIATE_TEST_SUITE_P(RadiiAndRims, DiscShape,
                         ::testing::Values(DiscCase{0, 1}, DiscCase{1, 1}, DiscCase{2, 1}, DiscCase{5, 1},
                                           DiscCase{5, 2}, DiscCase{8, 3}, DiscCase{12, 12},
                                           DiscCase{20, 5}, DiscCase{41, 1}, DiscCase{3, 7}));

TEST(DiscShape, RadiusOneIsTheThreeByThreeBlockAroundACoreCentre) {
    KernelGrid g;
    g.SetCircle(1, 50, 50);
    std::set<Cell> expected;
    for (int x = 49; x <= 51; ++x)
        for (int y = 49; y <= 51; ++y)
            expected.insert({x, y});
    EXPECT_EQ(SetCells(g), expected);
    EXPECT_EQ(g.GetCellColor(50, 50), kCore);
    EXPECT_EQ(g.GetCellColor(49, 49), kRim);
}

TEST(DiscShape, AddsToWhatIsThere) {
    KernelGrid g;
    g.ClickCell(10, 10, false, kCore);
    g.discRadius = 2;
    g.DrawCircle(50, 50);
    EXPECT_TRUE(g.GetCell(10, 10));
    EXPECT_TRUE(g.GetCell(52, 50));
}

TEST(DiscShape, NeverReachesRowOrColumnZero) {
    KernelGrid g;
    g.SetCircle(10, 4, 3);
    EXPECT_TRUE(g.GetCell(1, 3));
    EXPECT_TRUE(g.GetCell(4, 1));
    for (int i = 0; i < KernelGrid::kSize; ++i) {
        EXPECT_FALSE(g.GetCell(0, i));
        EXPECT_FALSE(g.GetCell(i, 0));
    }
}

TEST(DiscShape, ClippedToTheHundredPixelDrawingArea) {
    // Radius 60 spans 121 pixels; only the first 100 of each pass's box are
    // drawn: the rim's box reaches cell 89, the core's (one cell further in) 90.
    KernelGrid g;
    g.SetCircle(60, 50, 50);
    EXPECT_TRUE(g.GetCell(1, 50));
    EXPECT_EQ(g.GetCellColor(90, 50), kCore);
    EXPECT_FALSE(g.GetCell(91, 50));
    EXPECT_FALSE(g.GetCell(50, 91));
    EXPECT_FALSE(g.GetCell(0, 50));
}

TEST(Spokes, HorizontalSpokeStopsBeforeItsTruncatedEnd) {
    KernelGrid g;
    g.DrawSpokes({60.9f, 50.0f});
    EXPECT_EQ(SetCells(g), Row(50, 50, 59));
    EXPECT_EQ(g.GetCellColor(55, 50), kCore);
}

TEST(Spokes, ZeroLengthSpokeSetsNothing) {
    KernelGrid g;
    g.DrawSpokes({50.0f, 50.0f});
    g.DrawSpokes({50.9f, 50.7f});
    EXPECT_TRUE(SetCells(g).empty());
}

TEST(Spokes, TruncationIsTowardZero) {
    KernelGrid g;
    g.DrawSpokes({45.7f, 50.0f});  // ends at 45, covers 46..50
    EXPECT_EQ(SetCells(g), Row(50, 46, 50));
}

TEST(Spokes, SteepLineIsConnectedWithOneCellPerRow) {
    KernelGrid g;
    g.DrawSpokes({53.0f, 40.0f});
    const auto cells = SetCells(g);
    ASSERT_EQ(cells.size(), 10u);
    int previousX = 50;
    for (int y = 50; y >= 41; --y) {
        int found = 0;
        int x = -1;
        for (int i = 0; i < KernelGrid::kSize; ++i)
            if (g.GetCell(i, y)) {
                ++found;
                x = i;
            }
        ASSERT_EQ(found, 1) << "row " << y;
        EXPECT_GE(x, previousX);
        EXPECT_LE(x - previousX, 1);
        previousX = x;
    }
    EXPECT_LE(previousX, 53);
}

TEST(Spokes, OppositeSpokesAreMirrorImages) {
    for (auto [dx, dy] : {Cell{7, 3}, Cell{3, 7}, Cell{9, -4}, Cell{2, 1}, Cell{12, 5}, Cell{6, 6}}) {
        KernelGrid forward, backward;
        forward.DrawSpokes({50.0f + dx, 50.0f + dy});
        backward.DrawSpokes({50.0f - dx, 50.0f - dy});
        std::set<Cell> mirrored;
        for (const auto& [x, y] : SetCells(backward))
            mirrored.insert({100 - x, 100 - y});
        EXPECT_EQ(SetCells(forward), mirrored) << dx << "," << dy;
    }
}

TEST(Spokes, AbsentPointsAreSkippedAndCellsAccumulate) {
    KernelGrid g;
    g.ClickCell(20, 20, false, kCore);
    g.DrawSpokes({53.0f, 50.0f}, std::nullopt, FloatPoint{50.0f, 47.0f}, FloatPoint{47.0f, 50.0f});
    auto expected = Row(50, 48, 52);
    expected.insert({20, 20});
    expected.insert({50, 48});
    expected.insert({50, 49});
    EXPECT_EQ(SetCells(g), expected);
}

TEST(Spokes, FarAndInvalidPointsStayInsideTheGrid) {
    KernelGrid g;
    g.DrawSpokes({1e9f, 50.0f}, FloatPoint{std::nanf(""), 3.0f}, FloatPoint{50.0f, -1e9f});
    EXPECT_EQ(SetCells(g).size(), 50u + 49u);
    EXPECT_TRUE(g.GetCell(99, 50));
    EXPECT_TRUE(g.GetCell(50, 1));
    EXPECT_FALSE(g.GetCell(50, 0));
}

}  // namespace
