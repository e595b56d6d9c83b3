#pragma once
#include <QWidget>

#include "controls/kernel_grid.h"

namespace controls {

// The kernel grid editor: shows a zoomable window of 9 x 9 to 39 x 39 cells
// around the kernel centre. The left button paints cells, the right one
// erases them, a click without a changing move toggles one cell, and the
// wheel or ZoomIn/ZoomOut change how many cells are shown.
class MotionBlurPanel : public QWidget, public KernelGrid {
    Q_OBJECT

public:
    static constexpr int kWidth = 11 * 18 + 1;
    static constexpr int kHeight = 11 * 17 + 1;
    static constexpr int kMinShown = 9;
    static constexpr int kMaxShown = 39;

    explicit MotionBlurPanel(QWidget* owner = nullptr);

    void RequestRepaint() override { update(); }

    // Two more cells each way, at most 39.
    void ZoomOut();
    // Two fewer cells each way, at least 9.
    void ZoomIn();

    int CellWidth() const { return kWidth / colsShown; }
    int CellHeight() const { return kHeight / rowsShown; }
    // The grid cell under a pixel of the control, which may lie outside the
    // grid while a button is held and the pointer has left the control.
    QPoint CellAt(QPoint pixel) const;
    // The pixel in the middle of grid cell (x, y) as currently shown.
    QPoint CellCentre(int x, int y) const;

    int colsShown = 11;
    int rowsShown = 11;
    int firstRow = 45;
    int firstCol = 45;
    int marginX = 0;
    int marginY = 0;
    // Clicks change the grid only while true; the owner clears it while a
    // result is being computed.
    bool editable = true;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void GridMouseDown(Qt::MouseButton button);
    void GridMouseMove(QPoint pixel);
    void GridMouseUp(QPoint pixel);
    void RecomputeMargins();

    bool leftDown_ = false;
    bool rightDown_ = false;
    int lastPaintedX_ = -1;
    int lastPaintedY_ = -1;
    // A move during the current press changed a cell.
    bool dragChanged_ = false;
};

}  // namespace controls
