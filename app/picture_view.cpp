#include "app/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/bitmap_image.h"

namespace app {

PictureView::PictureView(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void PictureView::Refresh() {
    shown_ = ToQImage(bitmap_);
    if (transparentColor && !shown_.isNull()) {
        shown_ = shown_.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = transparentColor->rgb() & RGB_MASK;
        for (int y = 0; y < shown_.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(shown_.scanLine(y));
            for (int x = 0; x < shown_.width(); ++x)
                if ((row[x] & RGB_MASK) == key)
                    row[x] = 0;
        }
    }
    repaint();
}

void PictureView::SetPicture(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    bitmap_ = platform::Bitmap(rgb.width(), rgb.height(), platform::PixelFormat::pf24bit);
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t* source = rgb.constScanLine(y);
        uint8_t* target = bitmap_.ScanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    Refresh();
}

void PictureView::ClearPicture() {
    bitmap_ = platform::Bitmap();
    Refresh();
}

QRect PictureView::PictureRect() const {
    if (shown_.isNull())
        return {};
    QSize size = shown_.size();
    const bool tooBig = size.width() > width() || size.height() > height();
    if (proportional && (tooBig || stretch))
        size = size.scaled(this->size(), Qt::KeepAspectRatio);
    else if (stretch)
        size = this->size();
    QPoint origin(0, 0);
    if (center)
        origin = QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    return QRect(origin, size);
}

void PictureView::paintEvent(QPaintEvent*) {
    if (shown_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(), shown_);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown)
        OnMouseDown(this, event);
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        OnMouseMove(this, event);
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp)
        OnMouseUp(this, event);
}

void PictureView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (OnMouseLeave)
        OnMouseLeave(this);
}

}  // namespace app
