#include <gtest/gtest.h>

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
    // The events since the last call.
    Log Take() { return std::exchange(log, {}); }

    Log log;

private:
    void Note(const char* what, KernelGrid* sender) {
        EXPECT_EQ(sender, this);
        log.push_back(what);
    }
};

TEST(KernelGridEvents, ClickTogglesACellWithItsEvents) {
    RecordingGrid g;
    EXPECT_FALSE(g.IsNotEmpty());
    g.ClickCell(30, 70, true, kCore);
    EXPECT_EQ(SetCells(g), (std::set<Cell>{{30, 70}}));  // column first
    EXPECT_EQ(g.GetCellColor(30, 70), kCore);
    EXPECT_EQ(g.Take(), (Log{"repaint", "notempty", "change"}));

    g.ClickCell(30, 70, true, kCore);
    EXPECT_FALSE(g.IsNotEmpty());
    EXPECT_EQ(g.GetCellColor(30, 70), 0u);
    EXPECT_EQ(g.Take(), (Log{"repaint", "empty", "change"}));

    // Without notify only the emptiness event comes.
    g.ClickCell(30, 70, false, kCore);
    EXPECT_EQ(g.Take(), (Log{"repaint", "notempty"}));

    // Row 0, column 0 and everything outside the grid are never set.
    for (auto [x, y] : {Cell{0, 50}, {50, 0}, {-1, 50}, {100, 50}, {50, 140}})
        g.ClickCell(x, y, true, kCore);
    EXPECT_EQ(g.Take(), Log{});
    EXPECT_EQ(SetCells(g).size(), 1u);
    EXPECT_FALSE(g.GetCell(-5, 200));
    EXPECT_EQ(g.GetCellColor(100, 100), 0u);
}

TEST(KernelGridEvents, UnassignedEventsAreSkipped) {
    KernelGrid g;
    g.ClickCell(50, 50, true, kCore);
    g.SetCircle(3, 50, 50);
    g.DrawSpokes({60.0f, 50.0f});
    g.Clear(true);
    EXPECT_FALSE(g.IsNotEmpty());
}

TEST(KernelGridEvents, ClearQuietlyOrWithNotification) {
    RecordingGrid g;
    g.ClickCell(10, 10, false, kCore);
    g.ClickCell(99, 99, false, kCore);
    g.Take();
    g.Clear(false);
    EXPECT_EQ(g.Take(), Log{});
    EXPECT_TRUE(SetCells(g).empty());
    EXPECT_EQ(g.GetCellColor(99, 99), 0u);

    g.ClickCell(1, 1, false, kCore);
    g.Take();
    g.Clear(true);
    EXPECT_EQ(g.Take(), (Log{"repaint", "empty"}));
    EXPECT_TRUE(SetCells(g).empty());
}

TEST(KernelGridEvents, DiscModeDrawsDiscsWithoutEvents) {
    RecordingGrid g;
    g.ClickCell(20, 20, false, kCore);
    g.discRadius = 4;
    g.Take();
    g.SetMode(1);
    EXPECT_EQ(g.GridMode(), 1);
    EXPECT_EQ(g.Take(), Log{"repaint"});
    EXPECT_FALSE(g.GetCell(20, 20)) << "the earlier content is cleared";
    EXPECT_EQ(g.GetCellColor(50, 50), kCore);
    EXPECT_EQ(g.GetCellColor(54, 50), KernelGrid::kRimColor);

    // A click moves the disc.
    g.discRadius = 3;
    g.ClickCell(60, 40, true, kCore);
    EXPECT_EQ(g.Take(), Log{"repaint"});
    EXPECT_FALSE(g.GetCell(50, 50));
    EXPECT_TRUE(g.GetCell(63, 40));
    EXPECT_FALSE(g.GetCell(64, 40));

    // Back to the free grid the drawn cells stay.
    const auto disc = SetCells(g);
    g.SetMode(0);
    EXPECT_EQ(SetCells(g), disc);
    EXPECT_EQ(g.Take(), Log{});
}

TEST(KernelGridEvents, ShapesReportEmptiness) {
    RecordingGrid g;
    g.SetCircle(-1, 50, 50);
    EXPECT_EQ(g.discRadius, -1);
    EXPECT_TRUE(SetCells(g).empty());
    EXPECT_EQ(g.Take(), (Log{"repaint", "empty"}));
    g.SetCircle(2, 50, 50);
    EXPECT_EQ(g.Take(), (Log{"repaint", "notempty"}));

    // Spokes ask for no repaint.
    g.Clear(false);
    g.DrawSpokes({50.0f, 50.0f});
    EXPECT_EQ(g.Take(), Log{"empty"});
    g.DrawSpokes({50.0f, 40.0f});
    EXPECT_EQ(g.Take(), Log{"notempty"});
}

}  // namespace
