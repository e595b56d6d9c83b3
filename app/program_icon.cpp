#include "app/program_icon.h"

#include <QPainter>
#include <QRadialGradient>

namespace app {

QImage ProgramIcon() {
    QImage icon(48, 48, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient blur(QPointF(30, 30), 16);
    blur.setColorAt(0.0, QColor(40, 90, 160, 200));
    blur.setColorAt(1.0, QColor(40, 90, 160, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(blur);
    painter.drawEllipse(QPointF(30, 30), 16, 16);
    painter.setBrush(QColor(20, 60, 130));
    painter.drawEllipse(QPointF(18, 18), 12, 12);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(14, 14), 3, 3);
    return icon;
}

}  // namespace app
