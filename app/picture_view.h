#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/bitmap.h"

class QMouseEvent;

namespace app {

// An image component of the forms: shows its bitmap, optionally centred,
// scaled to fit keeping its proportions, and with one colour drawn as
// see-through. Mouse reports go to the owner's handlers.
class PictureView : public QWidget {
    Q_OBJECT

public:
    using MouseEvent = std::function<void(PictureView* sender, QMouseEvent* event)>;
    using NotifyEvent = std::function<void(PictureView* sender)>;

    explicit PictureView(QWidget* parent = nullptr);

    // The picture; after drawing into it, Refresh() shows the change.
    platform::Bitmap& Bitmap() { return bitmap_; }
    const platform::Bitmap& Bitmap() const { return bitmap_; }
    void Refresh();
    // Shows a copy of the image (converted to a 24-bit bitmap).
    void SetPicture(const QImage& picture);
    void ClearPicture();
    bool HasPicture() const { return bitmap_.Width() > 0 && bitmap_.Height() > 0; }
    // What is drawn, as last refreshed.
    const QImage& Shown() const { return shown_; }

    bool center = false;
    // Scale down (and, with stretch, up) to the view keeping the aspect ratio.
    bool proportional = false;
    bool stretch = false;
    // Pixels of this colour are not drawn.
    std::optional<QColor> transparentColor;

    MouseEvent OnMouseDown;
    MouseEvent OnMouseMove;
    MouseEvent OnMouseUp;
    NotifyEvent OnMouseLeave;

    // Where the picture lands inside the view with the current settings.
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    platform::Bitmap bitmap_;
    QImage shown_;
};

}  // namespace app
