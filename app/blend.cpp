#include "app/blend.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

#include "app/blend_darkening.h"

namespace app {

TFBlend* FBlend = nullptr;

namespace {

QFont OverlayFont(int pixelSize, bool bold) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace

TFBlend::TFBlend(QWidget* owner) : QWidget(owner) {
    setObjectName("FBlend");
    resize(454, 252);
    setCursor(Qt::WaitCursor);
    setFont(OverlayFont(11, false));
    background_ = QImage(size(), QImage::Format_RGB32);
    background_.fill(palette().color(QPalette::Button));

    QPalette white = palette();
    white.setColor(QPalette::WindowText, Qt::white);

    Label1 = new QLabel("Working, please wait...", this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(OverlayFont(20, true));
    Label1->setPalette(white);
    // Lets clicks reach the Cancel button that lies beneath it in z-order.
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);

    lbStatus = new QLabel("Status", this);
    lbStatus->setObjectName("lbStatus");
    lbStatus->setGeometry(112, 150, 235, 15);
    lbStatus->setAlignment(Qt::AlignCenter);
    lbStatus->setWordWrap(true);
    lbStatus->setPalette(white);

    pbStatus = new QProgressBar(this);
    pbStatus->setObjectName("pbStatus");
    pbStatus->setGeometry(112, 165, 229, 11);
    pbStatus->setTextVisible(false);

    btCancel = new QPushButton("Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setGeometry(190, 188, 75, 25);
    btCancel->setCursor(Qt::ArrowCursor);
    connect(btCancel, &QPushButton::clicked, this, [this] { btCancelClick(); });

    Label1->lower();
    hide();
}

TFBlend::~TFBlend() {
    if (qApp) qApp->removeEventFilter(this);
    if (FBlend == this) FBlend = nullptr;
}

QImage TFBlend::Darkened(const QImage& snapshot) {
    QImage out = snapshot.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qRgb(DarkenChannel(uint8_t(qRed(c))), DarkenChannel(uint8_t(qGreen(c))),
                           DarkenChannel(uint8_t(qBlue(c))));
        }
    }
    return out;
}

bool TFBlend::ShowOver(QWidget* window) {
    const bool wasVisible = isVisible();
    hide();
    const QImage snapshot = window->grab(window->rect()).toImage();
    if (snapshot.isNull()) {
        if (wasVisible) show();
        return false;
    }
    background_ = Darkened(snapshot);
    if (parentWidget() != window) setParent(window);
    setGeometry(0, 0, window->width(), window->height());
    show();
    raise();
    repaint();
    return true;
}

void TFBlend::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    qApp->installEventFilter(this);
    FormShow();
}

void TFBlend::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
}

TFBlend::Target TFBlend::TargetOf(const QObject* object) const {
    const QWidget* covered = parentWidget();
    auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget) {
        // A shortcut goes to its action, which belongs to a widget of the window.
        const auto* action = qobject_cast<const QAction*>(object);
        widget = action ? qobject_cast<const QWidget*>(action->parent()) : nullptr;
    }
    if (!covered || !widget || widget->window() != covered->window()) return Target::Elsewhere;
    return widget == this || isAncestorOf(widget) ? Target::Overlay : Target::Covered;
}

bool TFBlend::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride &&
        type != QEvent::Shortcut && type != QEvent::Wheel)
        return false;
    const Target target = TargetOf(watched);
    if (target == Target::Elsewhere) return false;
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (btCancel->isEnabled()) btCancel->click();
        return true;
    }
    return target == Target::Covered;
}

void TFBlend::FormShow() {
    const int w = width();
    const int h = height();
    Label1->setGeometry(0, 0, w, h);
    lbStatus->setText("Preparing...");
    pbStatus->setGeometry(w / 2 - 150, h / 2 + 40, 300, 11);
    lbStatus->setGeometry(pbStatus->x(), pbStatus->y() - 20, 300, lbStatus->height());
    lbStatus->repaint();
    btCancel->setGeometry(w / 2 - 37, pbStatus->y() + pbStatus->height() + 15, 75, btCancel->height());
    btCancel->setEnabled(true);
}

void TFBlend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QRect(0, 0, width(), height()), background_, background_.rect());
}

void TFBlend::btCancelClick() {
    lbStatus->setText("Cancelling...");
    lbStatus->repaint();
    btCancel->setEnabled(false);
    btCancel->repaint();
    pbStatus->setValue(0);
    if (RequestCancel) RequestCancel();
}

}  // namespace app
