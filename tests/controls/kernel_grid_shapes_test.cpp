#include <gtest/gtest.h>

#include <cmath>

#include "controls/kernel_grid.h"
#include "grid_cells.h"

namespace {

using controls::FloatPoint;
using controls::KernelGrid;
constexpr uint32_t kCore = KernelGrid::kCoreColor;
constexpr uint32_t kRim = KernelGrid::kRimColor;

std::set<Cell> Row(int y, int fromX, int toX) {
    std::set<Cell> cells;
    for (int x = fromX; x <= toX; ++x) cells.insert({x, y});
    return cells;
}

class DiscShape : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(DiscShape, IsSymmetricWithARingOfTheRimWidth) {
    const auto [r, w] = GetParam();
    const int cx = 47, cy = 52;  // off-centre on purpose
    KernelGrid g;
    g.rimWidth = w;
    g.discRadius = r;
    g.DrawCircle(cx, cy);

    // Symmetric under both mirrors and the transposition, colours included.
    for (int dx = -r - 1; dx <= r + 1; ++dx)
        for (int dy = -r - 1; dy <= r + 1; ++dy) {
            const uint32_t c = g.GetCellColor(cx + dx, cy + dy);
            ASSERT_EQ(g.GetCell(cx + dx, cy + dy), c != 0) << dx << "," << dy;
            ASSERT_EQ(c, g.GetCellColor(cx - dx, cy + dy)) << dx << "," << dy;
            ASSERT_EQ(c, g.GetCellColor(cx + dx, cy - dy)) << dx << "," << dy;
            ASSERT_EQ(c, g.GetCellColor(cx + dy, cy + dx)) << dx << "," << dy;
        }
    // Along each axis: core up to r - w, then exactly w rim cells, then nothing.
    for (int k = 0; k <= r + 2; ++k) {
        const uint32_t expected = k > r ? 0 : (k > r - w ? kRim : kCore);
        EXPECT_EQ(g.GetCellColor(cx + k, cy), expected) << "k=" << k;
        EXPECT_EQ(g.GetCellColor(cx, cy - k), expected) << "k=" << k;
    }
    // The rim closes round the core, and every set cell lies inside the radius.
    const auto cells = SetCells(g);
    for (const auto& [x, y] : cells) {
        if (!g.GetCell(x + 1, y) || !g.GetCell(x - 1, y) || !g.GetCell(x, y + 1) || !g.GetCell(x, y - 1)) {
            EXPECT_EQ(g.GetCellColor(x, y), kRim) << x << "," << y;
        }
        EXPECT_LE(std::hypot(x - cx, y - cy), r + 0.5) << x << "," << y;
    }
    if (r >= 5) {
        const double area = M_PI * (r + 0.5) * (r + 0.5);
        EXPECT_NEAR(double(cells.size()), area, 0.08 * area);
    }
}

INSTANTIATE_TEST_SUITE_P(RadiiAndRims, DiscShape,
                         ::testing::Values(std::pair{0, 1}, std::pair{1, 1}, std::pair{2, 1}, std::pair{5, 2},
                                           std::pair{8, 3}, std::pair{12, 12}, std::pair{20, 5},
                                           std::pair{41, 1}, std::pair{3, 7}));

TEST(DiscShapes, RadiusOneIsTheThreeByThreeBlockAddedToWhatIsThereAndEdgesClip) {
    KernelGrid g;
    g.ClickCell(10, 10, false, kCore);
    g.SetCircle(1, 50, 50);
    std::set<Cell> expected = {{10, 10}};
    for (int y = 49; y <= 51; ++y) expected.merge(Row(y, 49, 51));
    EXPECT_EQ(SetCells(g), expected);

    // Never row or column 0.
    KernelGrid corner;
    corner.SetCircle(10, 4, 3);
    EXPECT_TRUE(corner.GetCell(1, 3) && corner.GetCell(4, 1));
    for (const auto& [x, y] : SetCells(corner)) EXPECT_TRUE(x > 0 && y > 0) << x << "," << y;

    // Radius 60 spans 121 pixels; only the first 100 of each pass's box are
    // drawn: the rim's box reaches cell 89, the core's (one cell further in) 90.
    KernelGrid big;
    big.SetCircle(60, 50, 50);
    EXPECT_TRUE(big.GetCell(1, 50));
    EXPECT_EQ(big.GetCellColor(90, 50), kCore);
    EXPECT_FALSE(big.GetCell(91, 50) || big.GetCell(50, 91));
}

TEST(Spokes, CoverTheStartAndStopBeforeTheTruncatedEnd) {
    // The steep one steps along y, x rounded half away from the start.
    const std::set<Cell> steep = {{50, 50}, {50, 49}, {51, 48}, {51, 47}, {51, 46},
                                  {52, 45}, {52, 44}, {52, 43}, {52, 42}, {53, 41}};
    const std::pair<FloatPoint, std::set<Cell>> cases[] = {
        {{60.9f, 50.0f}, Row(50, 50, 59)},
        {{45.7f, 50.0f}, Row(50, 46, 50)},  // truncation is toward zero
        {{50.0f, 50.0f}, {}},
        {{50.9f, 50.7f}, {}},
        {{53.0f, 40.0f}, steep},
    };
    for (const auto& [end, cells] : cases) {
        KernelGrid g;
        g.DrawSpokes(end);
        EXPECT_EQ(SetCells(g), cells) << end.x << "," << end.y;
        for (const auto& [x, y] : cells) EXPECT_EQ(g.GetCellColor(x, y), kCore);
    }
}

TEST(Spokes, OppositeSpokesAreMirrorImages) {
    for (auto [dx, dy] : {Cell{7, 3}, Cell{3, 7}, Cell{9, -4}, Cell{2, 1}, Cell{12, 5}, Cell{6, 6}}) {
        KernelGrid forward, backward;
        forward.DrawSpokes({50.0f + dx, 50.0f + dy});
        backward.DrawSpokes({50.0f - dx, 50.0f - dy});
        std::set<Cell> mirrored;
        for (const auto& [x, y] : SetCells(backward)) mirrored.insert({100 - x, 100 - y});
        EXPECT_EQ(SetCells(forward), mirrored) << dx << "," << dy;
    }
}

TEST(Spokes, AbsentPointsAreSkippedCellsAccumulateAndFarOrInvalidPointsStayInside) {
    KernelGrid g;
    g.ClickCell(20, 20, false, kCore);
    g.DrawSpokes({53.0f, 50.0f}, std::nullopt, FloatPoint{50.0f, 47.0f}, FloatPoint{47.0f, 50.0f});
    auto expected = Row(50, 48, 52);
    expected.insert({{20, 20}, {50, 48}, {50, 49}});
    EXPECT_EQ(SetCells(g), expected);

    KernelGrid far;
    far.DrawSpokes({1e9f, 50.0f}, FloatPoint{std::nanf(""), 3.0f}, FloatPoint{50.0f, -1e9f});
    EXPECT_EQ(SetCells(far).size(), 50u + 49u);
    EXPECT_TRUE(far.GetCell(99, 50) && far.GetCell(50, 1));
}

}  // namespace
