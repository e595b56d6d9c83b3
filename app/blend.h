#pragma once
#include <QImage>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace app {

// The progress overlay shown while a final result is made: a darkened
// snapshot of the main window with "Working, please wait...", a status
// line, a progress bar and a Cancel button. A child of the main window that
// covers its client area while shown, so the window below gets no mouse input;
// keys, shortcuts and the wheel meant for the window's controls are swallowed
// too, and Escape presses Cancel. Other windows (dialogs, message boxes) keep
// their input.
class TFBlend : public QWidget {
    Q_OBJECT

public:
    explicit TFBlend(QWidget* owner = nullptr);
    ~TFBlend() override;

    // Takes a snapshot of `window`, darkens it, covers the window with it and
    // shows the overlay. False, and nothing shown, when no snapshot could be
    // taken.
    bool ShowOver(QWidget* window);

    // The darkened copy of a snapshot, same size, every pixel opaque.
    static QImage Darkened(const QImage& snapshot);

    const QImage& Background() const { return background_; }

    QLabel* Label1 = nullptr;
    QLabel* lbStatus = nullptr;
    QProgressBar* pbStatus = nullptr;
    QPushButton* btCancel = nullptr;

    // Set by the main window: raises the cancel flags of the running work.
    std::function<void()> RequestCancel;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where an event sent to `object` is bound.
    enum class Target { Elsewhere, Overlay, Covered };
    Target TargetOf(const QObject* object) const;
    void FormShow();
    void btCancelClick();

    QImage background_;
};

// The one progress overlay of the process; null while there is none.
extern TFBlend* FBlend;

}  // namespace app
