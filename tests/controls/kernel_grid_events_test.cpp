#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/kernel_grid.h"

namespace {

using controls::KernelGrid;
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

    std::vector<std::string> log;

private:
    void Note(const char* what, KernelGrid* sender) {
        EXPECT_EQ(sender, this);
        log.push_back(what);
    }
};

int CountSet(const KernelGrid& g) {
    int n = 0;
    for (int x = 0; x < KernelGrid::kSize; ++x)
        for (int y = 0; y < KernelGrid::kSize; ++y)
            n += g.GetCell(x, y) ? 1 : 0;
    return n;
}

TEST(KernelGridEvents, FreshGridIsEmptyAndClickTogglesWithEvents) {
    RecordingGrid g;
    EXPECT_FALSE(g.IsNotEmpty());
    EXPECT_EQ(g.GridMode(), 0);

    g.ClickCell(50, 50, true, kCore);
    EXPECT_TRUE(g.GetCell(50, 50));
    EXPECT_EQ(g.GetCellColor(50, 50), kCore);
    EXPECT_TRUE(g.IsNotEmpty());
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint", "notempty", "change"}));

    g.log.clear();
    g.ClickCell(50, 50, true, kCore);
    EXPECT_FALSE(g.GetCell(50, 50));
    EXPECT_EQ(g.GetCellColor(50, 50), 0u);
    EXPECT_FALSE(g.IsNotEmpty());
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint", "empty", "change"}));
}

TEST(KernelGridEvents, ClickWithoutNotifyFiresOnlyTheEmptinessEvent) {
    RecordingGrid g;
    g.ClickCell(30, 70, false, kCore);
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint", "notempty"}));
    // Cells are addressed column first.
    EXPECT_TRUE(g.GetCell(30, 70));
    EXPECT_FALSE(g.GetCell(70, 30));
}

TEST(KernelGridEvents, UnassignedEventsAreSkipped) {
    KernelGrid g;
    g.ClickCell(50, 50, true, kCore);
    g.SetCircle(3, 50, 50);
    g.DrawSpokes({60.0f, 50.0f});
    g.Clear(true);
    EXPECT_FALSE(g.IsNotEmpty());
}

TEST(KernelGridEvents, ClickOutsideTheWritableCellsChangesNothing) {
    RecordingGrid g;
    for (auto [x, y] : {std::pair{0, 50}, {50, 0}, {-1, 50}, {100, 50}, {50, 140}})
        g.ClickCell(x, y, true, kCore);
    EXPECT_TRUE(g.log.empty());
    EXPECT_EQ(CountSet(g), 0);
    EXPECT_FALSE(g.GetCell(-5, 200));
    EXPECT_EQ(g.GetCellColor(100, 100), 0u);
}

TEST(KernelGridEvents, ClearQuietlyOrWithNotification) {
    RecordingGrid g;
    g.ClickCell(10, 10, false, kCore);
    g.ClickCell(99, 99, false, kCore);
    g.log.clear();

    g.Clear(false);
    EXPECT_TRUE(g.log.empty());
    EXPECT_EQ(CountSet(g), 0);
    EXPECT_EQ(g.GetCellColor(99, 99), 0u);

    g.ClickCell(1, 1, false, kCore);
    g.log.clear();
    g.Clear(true);
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint", "empty"}));
    EXPECT_EQ(CountSet(g), 0);
}

TEST(KernelGridEvents, ClickInDiscModeRedrawsTheDiscSilently) {
    RecordingGrid g;
    g.ClickCell(20, 20, false, kCore);
    g.gridMode = 1;
    g.discRadius = 3;
    g.log.clear();

    g.ClickCell(60, 40, true, kCore);
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint"}));
    EXPECT_FALSE(g.GetCell(20, 20)) << "the earlier content is cleared";
    EXPECT_TRUE(g.GetCell(60, 40));
    EXPECT_TRUE(g.GetCell(63, 40));
    EXPECT_FALSE(g.GetCell(64, 40));
}

TEST(KernelGridEvents, SetModeOneDrawsTheCentredDiscWithoutEvents) {
    RecordingGrid g;
    g.discRadius = 4;
    g.SetMode(1);
    EXPECT_EQ(g.GridMode(), 1);
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint"}));
    EXPECT_EQ(g.GetCellColor(50, 50), kCore);
    EXPECT_EQ(g.GetCellColor(54, 50), KernelGrid::kRimColor);

    // Back to the free grid the drawn cells stay.
    const int before = CountSet(g);
    g.log.clear();
    g.SetMode(0);
    EXPECT_EQ(CountSet(g), before);
    EXPECT_TRUE(g.log.empty());
}

TEST(KernelGridEvents, SetCircleWithRadiusMinusOneLeavesTheGridEmpty) {
    RecordingGrid g;
    g.SetCircle(-1, 50, 50);
    EXPECT_EQ(g.discRadius, -1);
    EXPECT_EQ(CountSet(g), 0);
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint", "empty"}));

    g.log.clear();
    g.SetCircle(2, 50, 50);
    EXPECT_EQ(g.log, (std::vector<std::string>{"repaint", "notempty"}));
}

TEST(KernelGridEvents, SpokesReportEmptinessWithoutRepaint) {
    RecordingGrid g;
    g.DrawSpokes({50.0f, 50.0f});
    EXPECT_EQ(g.log, (std::vector<std::string>{"empty"}));
    g.log.clear();
    g.DrawSpokes({50.0f, 40.0f});
    EXPECT_EQ(g.log, (std::vector<std::string>{"notempty"}));
}

}  // namespace
