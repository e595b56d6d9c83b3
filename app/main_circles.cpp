// Deblur circles on the overlay of the result patch: placing, selecting,
// moving and resizing them, their sliders, actions and drawing.
#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/circle_cursor.h"
#include "app/circle_editor.h"
#include "app/circle_overlay.h"
#include "app/main_window.h"
#include "app/picture_view.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"

namespace app {

void TFMain::sbDeblurCircleClick() {
    if (sbDeblurCircle->isChecked()) {
        DrawCircles();
        return;
    }
    tbCircleSize->setEnabled(false);
    tbCircleFeather->setEnabled(false);
    circleEditor.UnselectAll();
    platform::Bitmap& overlay = imgCircles->Bitmap();
    ClearOverlay(overlay);
    imgCircles->Refresh();
    actionUnselectCircleUpdate();
    actionDeleteCircleUpdate();
}

namespace {

// Shows a circle's size and feather on the sliders and enables them. The
// change handlers stay quiet: a slider clamps a size beyond its range, and
// that clamped position must not be written back into the circle.
void LoadCircleSliders(controls::TTrackBarMouse* size, controls::TTrackBarMouse* feather,
                       const CircleSliderValues& values) {
    {
        const QSignalBlocker quietSize(size);
        const QSignalBlocker quietFeather(feather);
        size->setValue(values.size);
        feather->setValue(values.feather);
    }
    size->setEnabled(true);
    feather->setEnabled(true);
}

}  // namespace

void TFMain::imgCirclesMouseDown(int x, int y) {
    crop.StartPan(x, y);
    const auto selected = circleEditor.Press(crop.OverlayToImage(x, y), sbDeblurCircle->isChecked());
    if (selected) LoadCircleSliders(tbCircleSize, tbCircleFeather, *selected);
}

void TFMain::imgCirclesMouseMove(int x, int y) {
    if (!sbDeblurCircle->isChecked()) {
        // Dragging pans the patch while the circle button is up.
        if (!circleEditor.circleMouseDown || !img100->HasPicture()) return;
        ShowDeblurStatus(false);
        const platform::Bitmap& preview = imgPreview->Bitmap();
        crop.Pan(x, y, preview.Width(), preview.Height());
        PositionCrop(0, 0, true);
        img100->Refresh();
        return;
    }
    if (circleCursorIndex == -1) CreateCircleCursor();
    const ImagePoint at = crop.OverlayToImage(x, y);
    if (circleEditor.circleMouseDown) {
        if (circleEditor.Drag(at)) DrawCircles();
        return;
    }
    switch (circleEditor.Hover(at)) {
        case CircleCursor::Placing: imgCircles->setCursor(circleCursor); break;
        case CircleCursor::Move: imgCircles->setCursor(Qt::SizeAllCursor); break;
        case CircleCursor::ResizeVertical: imgCircles->setCursor(Qt::SizeVerCursor); break;
        case CircleCursor::ResizeHorizontal: imgCircles->setCursor(Qt::SizeHorCursor); break;
    }
}

void TFMain::imgCirclesMouseUp() {
    const auto placed = circleEditor.Release(sbDeblurCircle->isChecked());
    if (placed) {
        lbCirclesCount->setText(QString::fromStdString(circleEditor.CountText()));
        LoadCircleSliders(tbCircleSize, tbCircleFeather, *placed);
    }
    DrawCircles();
    imgCircles->Refresh();
    UpdateResult();
}

void TFMain::imgCirclesMouseLeave() { imgCircles->setCursor(Qt::PointingHandCursor); }

void TFMain::CircleSliderChange(controls::TTrackBarMouse* sender) {
    if (!isVisible()) return;
    if (sender == tbCircleSize) {
        circleEditor.SizeSliderChanged(sender->value());
        DrawCircles();
    } else if (sender == tbCircleFeather) {
        circleEditor.FeatherSliderChanged(sender->value());
    }
}

void TFMain::actionUnselectCircleExecute() {
    circleEditor.UnselectAll();
    tbCircleSize->setEnabled(false);
    tbCircleFeather->setEnabled(false);
    DrawCircles();
}

void TFMain::actionUnselectCircleUpdate() { actionUnselectCircle->setEnabled(circleEditor.AnySelected()); }

void TFMain::actionDeleteCircleExecute() {
    if (circleEditor.DeleteSelected()) {
        DrawCircles();
        UpdateResult();
    }
    tbCircleSize->setEnabled(false);
    tbCircleFeather->setEnabled(false);
    lbCirclesCount->setText(QString::fromStdString(circleEditor.CountText()));
    actionUnselectCircleUpdate();
    actionDeleteCircleUpdate();
}

void TFMain::actionDeleteCircleUpdate() { actionDeleteCircle->setEnabled(circleEditor.AnySelected()); }

void TFMain::DrawCircles() {
    // Qt has no idle-time action updates; every change of the circles ends here.
    actionUnselectCircleUpdate();
    actionDeleteCircleUpdate();
    if (!sbDeblurCircle->isChecked()) return;
    const int span = crop.Span();
    QImage overlay(span, span, QImage::Format_RGB32);
    overlay.fill(OverlayTransparentColor());
    QPainter painter(&overlay);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    // Bounds are left, top, right, bottom with right and bottom left out.
    const auto box = [this](int left, int top, int right, int bottom) {
        return QRect(QPoint(left - crop.cropLeft, top - crop.cropTop),
                     QPoint(right - 1 - crop.cropLeft, bottom - 1 - crop.cropTop));
    };
    for (const auto& circle : fftEngine->circles) {
        painter.setPen(QPen(Qt::white, circle->selected ? 2 : 1));
        // An aliased outline covers one pixel past its rectangle's right and bottom.
        painter.drawEllipse(box(circle->left, circle->top, circle->right, circle->bottom).adjusted(0, 0, -1, -1));
        if (!circle->selected) continue;
        const int cx = circle->x;
        const int cy = circle->y;
        painter.fillRect(box(cx - 3, circle->top - 3, cx + 4, circle->top + 4), Qt::white);
        painter.fillRect(box(circle->right - 4, cy - 4, circle->right + 4, cy + 4), Qt::white);
        painter.fillRect(box(cx - 3, circle->bottom - 4, cx + 4, circle->bottom + 3), Qt::white);
        painter.fillRect(box(circle->left - 3, cy - 3, circle->left + 4, cy + 4), Qt::white);
    }
    painter.end();
    imgCircles->SetPicture(overlay);
}

void TFMain::CreateCircleCursor() {
    if (!sbDeblurCircle->isChecked()) return;
    circleCursor = MakeCircleCursor();
    circleCursorIndex = 5;
}

}  // namespace app
