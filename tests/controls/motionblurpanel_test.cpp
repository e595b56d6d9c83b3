#include <QtTest>

#include "controls/class_motionblurpanel.h"
#include "mouse_input.h"

using controls::KernelGrid;
using controls::MotionBlurPanel;

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

    static int CountSet(const KernelGrid& g) {
        int n = 0;
        for (int x = 0; x < KernelGrid::kSize; ++x)
            for (int y = 0; y < KernelGrid::kSize; ++y)
                n += g.GetCell(x, y) ? 1 : 0;
        return n;
    }

private slots:
    void init() { log_.clear(); }

    void geometryAndZoomLimits() {
        MotionBlurPanel grid;
        QCOMPARE(grid.size(), QSize(199, 188));
        QCOMPARE(grid.CellWidth(), 18);
        QCOMPARE(grid.CellHeight(), 17);
        QCOMPARE(grid.CellAt(PixelOf(grid, 50, 50)), QPoint(50, 50));

        grid.ZoomOut();
        QCOMPARE(grid.colsShown, 13);
        QCOMPARE(grid.rowsShown, 13);
        QCOMPARE(grid.CellWidth(), 15);
        QCOMPARE(grid.CellHeight(), 14);
        QCOMPARE(grid.marginX, 2);
        QCOMPARE(grid.marginY, 3);

        for (int i = 0; i < 20; ++i) {
            grid.ZoomOut();
            QCOMPARE(grid.CellAt(PixelOf(grid, 50, 50)), QPoint(50, 50));
            QCOMPARE(grid.firstCol, 50 - grid.colsShown / 2);
        }
        QCOMPARE(grid.colsShown, 39);
        QCOMPARE(grid.rowsShown, 39);
        for (int i = 0; i < 20; ++i)
            grid.ZoomIn();
        QCOMPARE(grid.colsShown, 9);
        QCOMPARE(grid.firstRow, 46);
        QCOMPARE(grid.CellAt(PixelOf(grid, 50, 50)), QPoint(50, 50));
    }

    void wheelForwardShowsMoreCells() {
        MotionBlurPanel grid;
        mouse_input::Wheel(&grid, QPoint(0, 120));
        QCOMPARE(grid.colsShown, 13);
        mouse_input::Wheel(&grid, QPoint(0, -120));
        QCOMPARE(grid.colsShown, 11);
        // Anything from 500 on counts like a backward turn.
        mouse_input::Wheel(&grid, QPoint(0, 600));
        QCOMPARE(grid.colsShown, 9);
        mouse_input::Wheel(&grid, QPoint(0, -120));
        QCOMPARE(grid.colsShown, 9);
        mouse_input::Wheel(&grid, QPoint(120, 0));
        QCOMPARE(grid.colsShown, 9);
        for (int i = 0; i < 30; ++i)
            mouse_input::Wheel(&grid, QPoint(0, 120));
        QCOMPARE(grid.colsShown, 39);
    }

    void clickTogglesAndPaintsTheCell() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QPoint centre = PixelOf(grid, 50, 50);
        mouse_input::Click(&grid, centre);
        QVERIFY(grid.GetCell(50, 50));
        QCOMPARE(log_, QStringList({"notempty", "change"}));

        const QImage shown = grid.grab().toImage();
        const QColor green(0, 128, 0);
        // Cell (50, 50) is shown column 5, row 5 at 18 x 17 pixels per cell.
        QCOMPARE(shown.pixelColor(5 * 18 + 8, 5 * 17 + 2), green);   // fill
        QCOMPARE(shown.pixelColor(5 * 18 + 1, 5 * 17 + 8), green);   // frame
        QCOMPARE(shown.pixelColor(5 * 18, 5 * 17 + 8), QColor(128, 128, 128));  // grid line
        QCOMPARE(shown.pixelColor(5 * 18 + 3, 5 * 17 + 8), QColor(0, 0, 255));  // centre marker
        QCOMPARE(shown.pixelColor(4 * 18 + 8, 5 * 17 + 8), grid.palette().color(QPalette::Window));

        log_.clear();
        mouse_input::Click(&grid, centre, Qt::RightButton);
        QVERIFY(!grid.GetCell(50, 50));
        QCOMPARE(log_, QStringList({"empty", "change"}));
    }

    void leftDragPaintsAndReportsOnceAtRelease() {
        MotionBlurPanel grid;
        Wire(grid);
        mouse_input::Press(&grid, PixelOf(grid, 46, 48));
        for (int x = 46; x <= 50; ++x) {
            mouse_input::Move(&grid, PixelOf(grid, x, 48));
            mouse_input::Move(&grid, PixelOf(grid, x, 48) + QPoint(1, 1));  // same cell again
        }
        QVERIFY(log_.isEmpty());
        mouse_input::Release(&grid, PixelOf(grid, 50, 48));
        QCOMPARE(log_, QStringList({"notempty", "change"}));
        for (int x = 46; x <= 50; ++x)
            QVERIFY2(grid.GetCell(x, 48), qPrintable(QString::number(x)));
        QCOMPARE(CountSet(grid), 5);
        QCOMPARE(grid.GetCellColor(50, 48), KernelGrid::kCoreColor);
    }

    void rightDragErasesAndReportsEvenOverEmptyCells() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.ClickCell(48, 50, false, KernelGrid::kCoreColor);
        log_.clear();
        mouse_input::Press(&grid, PixelOf(grid, 47, 50), Qt::RightButton);
        mouse_input::Move(&grid, PixelOf(grid, 48, 50), Qt::RightButton);
        mouse_input::Release(&grid, PixelOf(grid, 48, 50), Qt::RightButton);
        QVERIFY(!grid.GetCell(48, 50));
        QCOMPARE(log_, QStringList({"empty", "change"}));

        log_.clear();
        mouse_input::Press(&grid, PixelOf(grid, 44, 44), Qt::RightButton);
        mouse_input::Move(&grid, PixelOf(grid, 45, 44), Qt::RightButton);
        mouse_input::Release(&grid, PixelOf(grid, 45, 44), Qt::RightButton);
        QCOMPARE(log_, QStringList({"empty", "change"}));
        QCOMPARE(CountSet(grid), 0);
    }

    void leftDragOverSetCellsEndsLikeAClick() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.ClickCell(50, 50, false, KernelGrid::kCoreColor);
        grid.ClickCell(51, 50, false, KernelGrid::kCoreColor);
        log_.clear();
        mouse_input::Press(&grid, PixelOf(grid, 50, 50));
        mouse_input::Move(&grid, PixelOf(grid, 51, 50));
        mouse_input::Release(&grid, PixelOf(grid, 51, 50));
        QVERIFY(grid.GetCell(50, 50));
        QVERIFY2(!grid.GetCell(51, 50), "the release toggles the cell under the pointer");
        QCOMPARE(log_, QStringList({"notempty", "change"}));
    }

    void notEditableRefusesClicksButStillPaints() {
        MotionBlurPanel grid;
        Wire(grid);
        grid.editable = false;
        mouse_input::Click(&grid, PixelOf(grid, 50, 50));
        QVERIFY(!grid.GetCell(50, 50));
        QVERIFY(log_.isEmpty());

        mouse_input::Press(&grid, PixelOf(grid, 49, 49));
        mouse_input::Move(&grid, PixelOf(grid, 49, 50));
        mouse_input::Release(&grid, PixelOf(grid, 49, 50));
        QVERIFY(grid.GetCell(49, 50));
        QCOMPARE(log_, QStringList({"notempty", "change"}));
    }

    void positionsFarOutsideChangeNothing() {
        MotionBlurPanel grid;
        Wire(grid);
        mouse_input::Press(&grid, QPoint(5000, -5000));
        mouse_input::Move(&grid, QPoint(-3000, 90));
        mouse_input::Move(&grid, QPoint(100, 4000));
        mouse_input::Release(&grid, QPoint(100, 4000));
        mouse_input::Click(&grid, QPoint(-2000, -2000), Qt::RightButton);
        QCOMPARE(CountSet(grid), 0);
        QVERIFY(log_.isEmpty());
    }

    void dragInDiscModeLeavesTheDiscAlone() {
        MotionBlurPanel grid;
        grid.discRadius = 2;
        grid.SetMode(1);
        const int disc = CountSet(grid);
        mouse_input::Press(&grid, PixelOf(grid, 45, 45));
        mouse_input::Move(&grid, PixelOf(grid, 46, 45));
        mouse_input::Move(&grid, PixelOf(grid, 47, 45), Qt::LeftButton);
        QCOMPARE(CountSet(grid), disc);
        QVERIFY(!grid.GetCell(46, 45));
    }
};

QTEST_MAIN(MotionBlurPanelTest)
#include "motionblurpanel_test.moc"
