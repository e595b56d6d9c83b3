#include "controls/class_trackbarmouse.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QWheelEvent>

namespace controls {

TTrackBarMouse::TTrackBarMouse(QWidget* owner) : QSlider(Qt::Horizontal, owner) {
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

void TTrackBarMouse::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnMouseDownEvent)
        OnMouseDownEvent(this);
    QSlider::mousePressEvent(event);
}

void TTrackBarMouse::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnMouseUpEvent)
        OnMouseUpEvent(this);
    QSlider::mouseReleaseEvent(event);
}

void TTrackBarMouse::keyPressEvent(QKeyEvent* event) {
    const int before = value();
    QSlider::keyPressEvent(event);
    if (value() != before && OnStepEvent)
        OnStepEvent(this);
}

void TTrackBarMouse::wheelEvent(QWheelEvent* event) {
    const int before = value();
    QSlider::wheelEvent(event);
    if (value() != before && OnStepEvent)
        OnStepEvent(this);
}

void TTrackBarMouse::RunDisabled(const std::function<void()>& work) {
    // The window's focus widget, not hasFocus(): that is false while the
    // window is inactive, yet disabling would still hand its focus on. The
    // focus is cleared rather than handed on, so that a held key repeating
    // during the work moves no neighbour.
    const bool hadFocus = window()->focusWidget() == this;
    if (hadFocus)
        clearFocus();
    setEnabled(false);
    repaint();
    work();
    setEnabled(true);
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    repaint();
}

void TTrackBarMouse::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_HasFocus;
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (tickPosition() != NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}

}  // namespace controls
