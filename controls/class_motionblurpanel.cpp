#include "controls/class_motionblurpanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>

#include "controls/qt_color.h"

namespace controls {

namespace {

constexpr uint32_t kGridLineColor = 0x808080;
constexpr uint32_t kCentreMarkColor = 0xFF0000;

// One-pixel frame just outside `inner`, the way a cell's frame sits in the
// gap between its fill and the grid lines.
void FrameAround(QPainter& painter, const QRect& inner, const QColor& color) {
    if (inner.isEmpty())
        return;
    const QRect outer = inner.adjusted(-1, -1, 1, 1);
    painter.fillRect(outer.left(), outer.top(), outer.width(), 1, color);
    painter.fillRect(outer.left(), outer.bottom(), outer.width(), 1, color);
    painter.fillRect(outer.left(), outer.top(), 1, outer.height(), color);
    painter.fillRect(outer.right(), outer.top(), 1, outer.height(), color);
}

}  // namespace

MotionBlurPanel::MotionBlurPanel(QWidget* owner) : QWidget(owner) {
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
}

QPoint MotionBlurPanel::CellAt(QPoint pixel) const {
    // Integer division truncates toward zero, as the cell arithmetic expects.
    return {(pixel.x() - marginX) / CellWidth() + firstCol, (pixel.y() - marginY) / CellHeight() + firstRow};
}

QPoint MotionBlurPanel::CellCentre(int x, int y) const {
    return {(x - firstCol) * CellWidth() + marginX + CellWidth() / 2,
            (y - firstRow) * CellHeight() + marginY + CellHeight() / 2};
}

void MotionBlurPanel::RecomputeMargins() {
    marginX = (kWidth % colsShown) / 2;
    marginY = (kHeight % rowsShown) / 2;
}

void MotionBlurPanel::ZoomOut() {
    if (colsShown >= kMaxShown || rowsShown >= kMaxShown)
        return;
    colsShown += 2;
    rowsShown += 2;
    --firstCol;
    --firstRow;
    RecomputeMargins();
    update();
}

void MotionBlurPanel::ZoomIn() {
    if (colsShown <= kMinShown || rowsShown <= kMinShown)
        return;
    colsShown -= 2;
    rowsShown -= 2;
    ++firstCol;
    ++firstRow;
    RecomputeMargins();
    update();
}

void MotionBlurPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int cw = CellWidth();
    const int ch = CellHeight();

    painter.setPen(ToQColor(kGridLineColor));
    for (int i = 0; i <= colsShown; ++i) {
        const int x = std::min(cw * i + marginX, kWidth - 1);
        painter.drawLine(x, marginY, x, kHeight - marginY - 1);
    }
    for (int j = 0; j <= rowsShown; ++j) {
        const int y = ch * j + marginY;
        painter.drawLine(marginX, y, kWidth - marginX - 1, y);
    }

    const QColor background = palette().color(backgroundRole());
    const QColor core = ToQColor(kCoreColor);
    for (int i = 0; i < colsShown; ++i) {
        for (int j = 0; j < rowsShown; ++j) {
            const QRect fill(QPoint(cw * i + marginX + 2, ch * j + marginY + 2),
                             QPoint(cw * (i + 1) + marginX - 2, ch * (j + 1) + marginY - 2));
            const int x = firstCol + i;
            const int y = firstRow + j;
            if (!GetCell(x, y)) {
                painter.fillRect(fill, background);
                continue;
            }
            painter.fillRect(fill, ToQColor(GetCellColor(x, y)));
            FrameAround(painter, fill, core);
        }
    }

    const int cx = (colsShown - 1) / 2;
    const int cy = (rowsShown - 1) / 2;
    const QRect mark(QPoint(cw * cx + marginX + 4, ch * cy + marginY + 4),
                     QPoint(cw * (cx + 1) + marginX - 4, ch * (cy + 1) + marginY - 4));
    FrameAround(painter, mark, ToQColor(kCentreMarkColor));
}

void MotionBlurPanel::mousePressEvent(QMouseEvent* event) {
    GridMouseDown(event->button());
}

void MotionBlurPanel::mouseMoveEvent(QMouseEvent* event) {
    GridMouseMove(event->position().toPoint());
}

void MotionBlurPanel::mouseReleaseEvent(QMouseEvent* event) {
    GridMouseUp(event->position().toPoint());
}

void MotionBlurPanel::GridMouseDown(Qt::MouseButton button) {
    lastPaintedX_ = -1;
    lastPaintedY_ = -1;
    if (button == Qt::LeftButton)
        leftDown_ = true;
    else if (button == Qt::RightButton)
        rightDown_ = true;
}

void MotionBlurPanel::GridMouseMove(QPoint pixel) {
    if (!leftDown_ && !rightDown_)
        return;
    const QPoint cell = CellAt(pixel);
    if (cell.x() == lastPaintedX_ && cell.y() == lastPaintedY_)
        return;
    // Outside the writable cells (the pointer has left the control) nothing changes.
    if (gridMode != 0 || !IsWritableCell(cell.x(), cell.y()))
        return;
    if (leftDown_) {
        if (!GetCell(cell.x(), cell.y())) {
            PutCell(cell.x(), cell.y(), kCoreColor);
            dragChanged_ = true;
        }
    } else {
        // Every erasing move counts as a change, even over an empty cell.
        PutCell(cell.x(), cell.y(), kNoColor);
        dragChanged_ = true;
    }
    update();
    lastPaintedX_ = cell.x();
    lastPaintedY_ = cell.y();
}

void MotionBlurPanel::GridMouseUp(QPoint pixel) {
    if (leftDown_ || rightDown_) {
        leftDown_ = false;
        rightDown_ = false;
        if (dragChanged_) {
            dragChanged_ = false;
            DoChanged();
            if (OnChange)
                OnChange(this);
            return;
        }
    }
    if (!editable)
        return;
    const QPoint cell = CellAt(pixel);
    if (!IsWritableCell(cell.x(), cell.y()))
        return;
    ClickCell(cell.x(), cell.y(), true, kCoreColor);
    lastPaintedX_ = cell.x();
    lastPaintedY_ = cell.y();
}

void MotionBlurPanel::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        // Horizontal scrolling and scroll phase markers are not wheel turns.
        event->ignore();
        return;
    }
    // Read as the unsigned 16-bit delta of a wheel message: small forward
    // turns show more cells, everything else (every backward turn) fewer.
    const auto d = static_cast<uint16_t>(delta);
    if (d >= 1 && d <= 499)
        ZoomOut();
    else
        ZoomIn();
    event->accept();
}

}  // namespace controls
