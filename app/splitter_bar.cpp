#include "app/splitter_bar.h"

#include <QMouseEvent>

namespace app {

SplitterBar::SplitterBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setCursor(orientation == Qt::Vertical ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

int SplitterBar::AxisOf(const QPointF& globalPosition) const {
    return orientation_ == Qt::Vertical ? int(globalPosition.x()) : int(globalPosition.y());
}

void SplitterBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    pressAt_ = AxisOf(event->globalPosition());
    if (OnDrag)
        OnDrag(this, 0);
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && OnDrag)
        OnDrag(this, AxisOf(event->globalPosition()) - pressAt_);
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

}  // namespace app
