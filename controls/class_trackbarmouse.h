#pragma once
#include <QSlider>
#include <functional>

namespace controls {

// A horizontal slider that also reports the left button going down on it and
// coming up, so owners can recompute results on release only. Both reports
// come before the slider's own handling of the press or release. A wheel turn
// or a key that moved the slider is reported after the move, as a completed
// change like a release. Drags report only through valueChanged. It never
// draws a focus cue.
class TTrackBarMouse : public QSlider {
    Q_OBJECT

public:
    using NotifyEvent = std::function<void(TTrackBarMouse* sender)>;

    explicit TTrackBarMouse(QWidget* owner = nullptr);

    NotifyEvent OnMouseUpEvent;
    NotifyEvent OnMouseDownEvent;
    NotifyEvent OnStepEvent;

    // Runs work with the slider disabled and repainted as such, so that no
    // release, key or wheel step can start a second run inside it. While it
    // runs the keyboard is with no control of the window; a slider that had
    // it gets it back.
    void RunDisabled(const std::function<void()>& work);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace controls
