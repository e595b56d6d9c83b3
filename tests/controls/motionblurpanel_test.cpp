#include <QtTest>
#include <vector>

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

    static QPoint PixelOf(const MotionBlurPanel& grid, Cell cell) { return grid.CellCentre(cell.first, cell.second); }

private slots:
    void init() { log_.clear(); }

    void geometryAndZoomLimits() {
        MotionBlurPanel grid;
        QCOMPARE(grid.size(), QSize(199, 188));
        QCOMPARE(QSize(grid.CellWidth(), grid.CellHeight()), QSize(18, 17));
        grid.ZoomOut();
        QCOMPARE(grid.rowsShown, 13);
        QCOMPARE(QSize(grid.CellWidth(), grid.CellHeight()), QSize(15, 14));
        QCOMPARE(QPoint(grid.marginX, grid.marginY), QPoint(2, 3));

        // The centre cell stays under the same pixel at every zoom.
        for (int i = 0; i < 20; ++i) {
            grid.ZoomOut();
            QCOMPARE(grid.CellAt(PixelOf(grid, {50, 50})), QPoint(50, 50));
        }
        QCOMPARE(grid.colsShown, 39);
        for (int i = 0; i < 20; ++i)
            grid.ZoomIn();
        QCOMPARE(grid.colsShown, 9);
        QCOMPARE(grid.CellAt(PixelOf(grid, {50, 50})), QPoint(50, 50));
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
    }

    void paintsCellsFramesLinesAndTheCentreMarker() {
        MotionBlurPanel grid;
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.ClickCell(50, 50, false, KernelGrid::kCoreColor);
        // Cell (50, 50) is shown column 5, row 5 at 18 x 17 pixels per cell.
        const QImage shown = grid.grab().toImage();
        const QColor green(0, 128, 0);
        QCOMPARE(shown.pixelColor(5 * 18 + 8, 5 * 17 + 2), green);              // fill
        QCOMPARE(shown.pixelColor(5 * 18 + 1, 5 * 17 + 8), green);              // frame
        QCOMPARE(shown.pixelColor(5 * 18, 5 * 17 + 8), QColor(128, 128, 128));  // grid line
        QCOMPARE(shown.pixelColor(5 * 18 + 3, 5 * 17 + 8), QColor(0, 0, 255));  // centre marker
        QCOMPARE(shown.pixelColor(4 * 18 + 8, 5 * 17 + 8), grid.palette().color(QPalette::Window));
    }

    void pressMoveReleaseSequences() {
        // One cell is a click; more are a drag: press on the first, moves over
        // each (twice within the cell), release on the last.
        using Cells = std::vector<Cell>;
        struct Case { const char* what; Cells before; Qt::MouseButton button; Cells path; bool editable;
                      std::set<Cell> after; QStringList events; };
        const QStringList set{"notempty", "change"}, cleared{"empty", "change"};
        const Qt::MouseButton left = Qt::LeftButton, right = Qt::RightButton;
        const Cells row{{46, 48}, {47, 48}, {48, 48}, {49, 48}, {50, 48}};
        const Case cases[] = {
            {"click sets", {}, left, {{50, 50}}, true, {{50, 50}}, set},
            {"right click clears", {{50, 50}}, right, {{50, 50}}, true, {}, cleared},
            {"left drag paints", {}, left, row, true, {row.begin(), row.end()}, set},
            {"right drag erases", {{48, 50}}, right, {{47, 50}, {48, 50}}, true, {}, cleared},
            {"right drag over empty cells", {}, right, {{44, 44}, {45, 44}}, true, {}, cleared},
            // Nothing was painted, so the release toggles the cell under the pointer.
            {"left drag over set cells", {{50, 50}, {51, 50}}, left, {{50, 50}, {51, 50}}, true, {{50, 50}}, set},
            {"click, not editable", {}, left, {{50, 50}}, false, {}, {}},
            {"drag, not editable", {}, left, {{49, 49}, {49, 50}}, false, {{49, 49}, {49, 50}}, set},
        };
        for (const Case& k : cases) {
            MotionBlurPanel grid;
            for (const Cell& c : k.before)
                grid.ClickCell(c.first, c.second, false, KernelGrid::kCoreColor);
            grid.editable = k.editable;
            Wire(grid);
            log_.clear();
            Press(&grid, PixelOf(grid, k.path.front()), k.button);
            for (std::size_t i = 0; k.path.size() > 1 && i < k.path.size(); ++i) {
                Move(&grid, PixelOf(grid, k.path[i]), k.button);
                Move(&grid, PixelOf(grid, k.path[i]) + QPoint(1, 1), k.button);
            }
            QVERIFY2(log_.isEmpty(), k.what);  // events come with the release only
            Release(&grid, PixelOf(grid, k.path.back()), k.button);
            QVERIFY2(SetCells(grid) == k.after, k.what);
            QVERIFY2(log_ == k.events, qPrintable(QString(k.what) + ": " + log_.join(",")));
        }
    }

    void positionsOutsideTheGridOrInDiscModeChangeNothing() {
        MotionBlurPanel grid;
        Wire(grid);
        Press(&grid, QPoint(5000, -5000));
        Move(&grid, QPoint(-3000, 90));
        Move(&grid, QPoint(100, 4000));
        Release(&grid, QPoint(100, 4000));
        Click(&grid, QPoint(-2000, -2000), Qt::RightButton);
        QVERIFY(SetCells(grid).empty());
        QVERIFY(log_.isEmpty());

        grid.discRadius = 2;
        grid.SetMode(1);
        const auto disc = SetCells(grid);
        Press(&grid, PixelOf(grid, {45, 45}));
        Move(&grid, PixelOf(grid, {46, 45}));
        Move(&grid, PixelOf(grid, {47, 45}));
        QCOMPARE(SetCells(grid), disc);
    }
};

QTEST_MAIN(MotionBlurPanelTest)
#include "motionblurpanel_test.moc"
