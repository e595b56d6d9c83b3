#include <QtTest>

#include "controls/class_motionblurpanel.h"
#include "grid_cells.h"
#include "mouse_input.h"

using controls::KernelGrid;
using controls::MotionBlurPanel;
using namespace mouse_input;

class MotionBlurPanelTest : public QObject {
    Q_OBJECT

private:
    QStringList log_;

    void Wire(MotionBlurPanel& grid) {
        grid.OnChange = [this, &grid](KernelGrid* s) {
            QCOMPARE(s, static_cast<KernelGrid*>(&grid));
            log_ << "change";
        };
        grid.OnEmpty = [this](KernelGrid*) { log_ << "empty"; };
        grid.OnNotEmpty = [this](KernelGrid*) { log_ << "notempty"; };
    }

    // Pixel in the middle of the shown cell of grid cell (x, y).
    static QPoint PixelOf(const MotionBlurPanel& grid, int x, int y) {
        return {(x - grid.firstCol) * grid.CellWidth() + grid.marginX + grid.CellWidth() / 2,
                (y - grid.firstRow) * grid.CellHeight() + grid.marginY + grid.CellHeight() / 2};
    }

    // Press on the first cell, move over the others, release on the last.
    void Drag(MotionBlurPanel& grid, std::initializer_list<Cell> cells, Qt::MouseButton button) {
        Press(&grid, PixelOf(grid, cells.begin()->first, cells.begin()->second), button);
        QPoint at;
        for (const Cell& c : cells) {
            at = PixelOf(grid, c.first, c.second);
            Move(&grid, at, button);
            Move(&grid, at + QPoint(1, 1), button);  // same cell again
        }
        QVERIFY(log_.isEmpty());
        Release(&grid, at, button);
    }

private slots:
    void init() { log_.clear(); }

    void geometryAndZoomLimits() {
        MotionBlurPanel grid;
        QCOMPARE(grid.size(), QSize(199, 188));
        QCOMPARE(grid.CellWidth(), 18);
        QCOMPARE(grid.CellHeight(), 17);

        grid.ZoomOut();
        QCOMPARE(grid.colsShown, 13);
        QCOMPARE(grid.rowsShown, 13);
        QCOMPARE(QPoint(grid.CellWidth(), grid.CellHeight()), QPoint(15, 14));
        QCOMPARE(QPoint(grid.marginX, grid.marginY), QPoint(2, 3));

        // The centre cell stays under the same pixel at every zoom.
        for (int i = 0; i < 20; ++i) {
            grid.ZoomOut();
            QCOMPARE(grid.CellAt(PixelOf(grid, 50, 50)), QPoint(50, 50));
        }
        QCOMPARE(grid.colsShown, 39);
        QCOMPARE(grid.rowsShown, 39);
        for (int i = 0; i < 20; ++i)
            grid.ZoomIn();
        QCOMPARE(grid.colsShown, 9);
        QCOMPARE(grid.CellAt(PixelOf(grid, 50, 50)), QPoint(50, 50));
    }

    void wheelForwardShowsMoreCells() {
        MotionBlurPanel grid;
        const std::pair<QPoint, int> turns[] = {
            {{0, 120}, 13}, {{0, -120}, 11},
            {{0, 600}, 9},  // from 500 on a forward turn counts as a backward one
            {{0, -120}, 9}, {{120, 0}, 9}};
        for (const auto& [delta, shown] : turns) {
            Wheel(&grid, delta);
            QCOMPARE(grid.colsShown, shown);
        }
        for (int i = 0; i < 30; ++i)
            Wheel(&grid, QPoint(0, 120));
        QCOMPARE(grid.colsShown, 39);
    }

    void clickTogglesAndPaintsTheCell() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        Click(&grid, PixelOf(grid, 50, 50));
        QVERIFY(grid.GetCell(50, 50));
        QCOMPARE(log_, QStringList({"notempty", "change"}));

        // Cell (50, 50) is shown column 5, row 5 at 18 x 17 pixels per cell.
        const QImage shown = grid.grab().toImage();
        const QColor green(0, 128, 0);
        QCOMPARE(shown.pixelColor(5 * 18 + 8, 5 * 17 + 2), green);                 // fill
        QCOMPARE(shown.pixelColor(5 * 18 + 1, 5 * 17 + 8), green);                 // frame
        QCOMPARE(shown.pixelColor(5 * 18, 5 * 17 + 8), QColor(128, 128, 128));     // grid line
        QCOMPARE(shown.pixelColor(5 * 18 + 3, 5 * 17 + 8), QColor(0, 0, 255));     // centre marker
        QCOMPARE(shown.pixelColor(4 * 18 + 8, 5 * 17 + 8), grid.palette().color(QPalette::Window));

        log_.clear();
        Click(&grid, PixelOf(grid, 50, 50), Qt::RightButton);
        QVERIFY(!grid.GetCell(50, 50));
        QCOMPARE(log_, QStringList({"empty", "change"}));
    }

    void leftDragPaintsAndReportsOnceAtRelease() {
        MotionBlurPanel grid;
        Wire(grid);
        Drag(grid, {{46, 48}, {47, 48}, {48, 48}, {49, 48}, {50, 48}}, Qt::LeftButton);
        QCOMPARE(log_, QStringList({"notempty", "change"}));
        QCOMPARE(SetCells(grid), std::set<Cell>({{46, 48}, {47, 48}, {48, 48}, {49, 48}, {50, 48}}));
        QCOMPARE(grid.GetCellColor(50, 48), KernelGrid::kCoreColor);
    }

    void rightDragErasesAndReportsEvenOverEmptyCells() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.ClickCell(48, 50, false, KernelGrid::kCoreColor);
        log_.clear();
        Drag(grid, {{47, 50}, {48, 50}}, Qt::RightButton);
        QVERIFY(!grid.GetCell(48, 50));
        QCOMPARE(log_, QStringList({"empty", "change"}));

        log_.clear();
        Drag(grid, {{44, 44}, {45, 44}}, Qt::RightButton);
        QCOMPARE(log_, QStringList({"empty", "change"}));
        QVERIFY(SetCells(grid).empty());
    }

    void leftDragOverSetCellsEndsLikeAClick() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.ClickCell(50, 50, false, KernelGrid::kCoreColor);
        grid.ClickCell(51, 50, false, KernelGrid::kCoreColor);
        log_.clear();
        Drag(grid, {{50, 50}, {51, 50}}, Qt::LeftButton);
        // Nothing was painted, so the release toggles the cell under the pointer.
        QCOMPARE(SetCells(grid), std::set<Cell>({{50, 50}}));
        QCOMPARE(log_, QStringList({"notempty", "change"}));
    }

    void notEditableRefusesClicksButStillPaints() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.editable = false;
        Click(&grid, PixelOf(grid, 50, 50));
        QVERIFY(!grid.GetCell(50, 50));
        QVERIFY(log_.isEmpty());

        Drag(grid, {{49, 49}, {49, 50}}, Qt::LeftButton);
        QCOMPARE(SetCells(grid), std::set<Cell>({{49, 49}, {49, 50}}));
        QCOMPARE(log_, QStringList({"notempty", "change"}));
    }

    void positionsFarOutsideChangeNothing() {
        MotionBlurPanel grid;
        Wire(grid);
        Press(&grid, QPoint(5000, -5000));
        Move(&grid, QPoint(-3000, 90));
        Move(&grid, QPoint(100, 4000));
        Release(&grid, QPoint(100, 4000));
        Click(&grid, QPoint(-2000, -2000), Qt::RightButton);
        QVERIFY(SetCells(grid).empty());
        QVERIFY(log_.isEmpty());
    }

    void dragInDiscModeLeavesTheDiscAlone() {
        MotionBlurPanel grid;
        grid.discRadius = 2;
        grid.SetMode(1);
        const auto disc = SetCells(grid);
        Press(&grid, PixelOf(grid, 45, 45));
        Move(&grid, PixelOf(grid, 46, 45));
        Move(&grid, PixelOf(grid, 47, 45));
        QCOMPARE(SetCells(grid), disc);
    }
};

QTEST_MAIN(MotionBlurPanelTest)
#include "motionblurpanel_test.moc"
