#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/kernel_grid.h"
#include "grid_cells.h"

namespace {

using controls::KernelGrid;
using Log = std::vector<std::string>;
constexpr uint32_t kCore = KernelGrid::kCoreColor;

// Records the grid's events and repaint requests in the order they happen.
class RecordingGrid : public KernelGrid {
public:
    RecordingGrid() {
        OnChange = [this](KernelGrid* s) { Note("change", s); };
        OnEmpty = [this](KernelGrid* s) { Note("empty", s); };
        OnNotEmpty = [this](KernelGrid* s) { Note("notempty", s); };
    }
    void RequestRepaint() override { log.push_back("repaint"); }
    Log Take() { return std::exchange(log, {}); }
    Log log;

private:
    void Note(const char* what, KernelGrid* sender) {
        EXPECT_EQ(sender, this);
        log.push_back(what);
    }
};

TEST(KernelGridEvents, EachOperationReportsItsRepaintAndEmptinessInOrder) {
    RecordingGrid g;
    struct Step { const char* what; std::function<void()> run; Log log; };
    const Step steps[] = {
        {"click sets", [&] { g.ClickCell(30, 70, true, kCore); }, {"repaint", "notempty", "change"}},
        {"click clears", [&] { g.ClickCell(30, 70, true, kCore); }, {"repaint", "empty", "change"}},
        {"click without notify", [&] { g.ClickCell(30, 70, false, kCore); }, {"repaint", "notempty"}},
        {"clicks off the writable cells", [&] {
             for (auto [x, y] : {Cell{0, 50}, {50, 0}, {-1, 50}, {100, 50}, {50, 140}}) g.ClickCell(x, y, true, kCore);
         }, {}},
        {"quiet clear", [&] { g.Clear(false); }, {}},
        {"notified clear", [&] { g.Clear(true); }, {"repaint", "empty"}},
        {"disc of radius -1", [&] { g.SetCircle(-1, 50, 50); }, {"repaint", "empty"}},
        {"disc of radius 2", [&] { g.SetCircle(2, 50, 50); }, {"repaint", "notempty"}},
        {"zero-length spoke", [&] { g.Clear(false); g.DrawSpokes({50.0f, 50.0f}); }, {"empty"}},
        {"spoke, without repaint", [&] { g.DrawSpokes({50.0f, 40.0f}); }, {"notempty"}},
        {"disc mode", [&] { g.SetMode(1); }, {"repaint"}},
        {"click in disc mode", [&] { g.ClickCell(60, 40, true, kCore); }, {"repaint"}},
        {"back to the free grid", [&] { g.SetMode(0); }, {}},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(g.Take(), step.log) << step.what;
    }
}

TEST(KernelGrid, CellsAreColumnFirstOnlyIn1To99AndDiscModeMovesTheDisc) {
    KernelGrid g;  // no events assigned: they are skipped
    g.ClickCell(30, 70, true, kCore);
    for (auto [x, y] : {Cell{0, 50}, {50, 0}, {-1, 50}, {100, 50}, {50, 140}}) g.ClickCell(x, y, true, kCore);
    EXPECT_EQ(SetCells(g), (std::set<Cell>{{30, 70}}));
    EXPECT_FALSE(g.GetCell(-5, 200));
    EXPECT_EQ(g.GetCellColor(100, 100), 0u);

    g.discRadius = 4;
    g.SetMode(1);
    EXPECT_FALSE(g.GetCell(30, 70)) << "the earlier content is cleared";
    EXPECT_EQ(g.GetCellColor(50, 50), kCore);
    EXPECT_EQ(g.GetCellColor(54, 50), KernelGrid::kRimColor);
    g.discRadius = 3;
    g.ClickCell(60, 40, true, kCore);
    EXPECT_FALSE(g.GetCell(50, 50));
    EXPECT_TRUE(g.GetCell(63, 40));
    EXPECT_FALSE(g.GetCell(64, 40));
    g.Clear(true);
    EXPECT_TRUE(SetCells(g).empty());
}

}  // namespace
