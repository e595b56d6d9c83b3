#include "app/circle_cursor.h"

#include <QPainter>
#include <QPixmap>

namespace app {

namespace {

// Two rings and a cross in `lines` on a picture filled with `background`.
QImage DrawCursorPicture(int background, int lines) {
    QImage picture(kCircleCursorSize, kCircleCursorSize, QImage::Format_Grayscale8);
    picture.fill(qRgb(background, background, background));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QColor colour(lines, lines, lines);
    // The outer ring is 2 pixels wide and touches all four borders.
    painter.setPen(QPen(colour, 2));
    painter.drawEllipse(QRectF(1, 1, 198, 198));
    painter.setPen(QPen(colour, 1));
    painter.drawEllipse(QRect(10, 10, 179, 179));
    painter.drawLine(95, 100, 105, 100);
    painter.drawLine(100, 95, 100, 105);
    return picture;
}

}  // namespace

CircleCursorPictures DrawCircleCursorPictures() {
    return {DrawCursorPicture(255, 0), DrawCursorPicture(0, 255)};
}

QImage CombineCursorPictures(const CircleCursorPictures& pictures) {
    QImage out(pictures.mask.size(), QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        const uchar* mask = pictures.mask.constScanLine(y);
        const uchar* colour = pictures.colour.constScanLine(y);
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            line[x] = qRgba(colour[x], colour[x], colour[x], 255 - mask[x]);
        }
    }
    return out;
}

QCursor MakeCircleCursor() {
    return QCursor(QPixmap::fromImage(CombineCursorPictures(DrawCircleCursorPictures())),
                   kCircleCursorHotSpot, kCircleCursorHotSpot);
}

}  // namespace app
