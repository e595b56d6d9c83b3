#pragma once
#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

// Mouse input delivered straight to a widget, as the window system delivers
// it to a widget that holds the mouse: positions may lie outside the widget.
namespace mouse_input {

inline void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void Press(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Send(w, QEvent::MouseButtonPress, at, button, button);
}

inline void Move(QWidget* w, QPoint at, Qt::MouseButton held = Qt::LeftButton) {
    Send(w, QEvent::MouseMove, at, Qt::NoButton, held);
}

inline void Release(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Send(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

inline void Click(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Press(w, at, button);
    Release(w, at, button);
}

inline void Wheel(QWidget* w, QPoint angleDelta) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent event(at, QPointF(w->mapToGlobal(at.toPoint())), QPoint(), angleDelta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

}  // namespace mouse_input
