#include <algorithm>

#include "app_test_main.h"
#include "engine/class_fft.h"
#include "window_fixture.h"

using windowtest::Window;
using namespace mouse_input;

namespace {

// A JPEG shown with the crop at (608, 320) and the circle button down, so
// overlay pixel (x, y) is preview pixel (608 + x + 20, 320 + y + 20).
void Prepare(Window& w) {
    w.ShowCentredJpeg();
    w->sbDeblurCircle->click();
    QVERIFY(w->sbDeblurCircle->isChecked());
}

struct Shape {
    int row, column, radiusX, radiusY, percent;
    bool selected;
};

void ExpectCircles(Window& w, const std::vector<Shape>& want) {
    const auto& circles = w->fftEngine->circles;
    QCOMPARE(int(circles.size()), int(want.size()));
    for (std::size_t i = 0; i < want.size(); ++i) {
        const auto& c = *circles[i];
        const Shape& s = want[i];
        QCOMPARE(QList<int>({c.y, c.x, int(c.radiusX), int(c.radiusY), c.transitionPercent, c.selected}),
                 QList<int>({s.row, s.column, s.radiusX, s.radiusY, s.percent, s.selected}));
    }
}

QRgb OverlayPixel(Window& w, int x, int y) { return QRgb(w->imgCircles->Bitmap().Pixel(x, y)) & RGB_MASK; }

// Whether the outline passes within a pixel of (x, y).
bool WhiteNear(Window& w, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (OverlayPixel(w, x + dx, y + dy) == (qRgb(255, 255, 255) & RGB_MASK)) return true;
    return false;
}

}  // namespace

class WindowCirclesTest : public QObject {
    Q_OBJECT

private slots:
    void clicksPlaceCirclesCountAndDrawThem() {
        Window w;
        Prepare(w);
        QCOMPARE(w->lbCirclesCount->text(), QString("-"));
        QVERIFY(!w->actionDeleteCircle->isEnabled());
        Move(w->imgCircles, QPoint(100, 120), Qt::NoButton);
        QCOMPARE(w->circleCursorIndex, 5);
        QCOMPARE(w->imgCircles->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(w->imgCircles->cursor().hotSpot(), QPoint(100, 100));
        QCOMPARE(w->imgCircles->cursor().pixmap().size(), QSize(200, 200));

        Window::Click(w->imgCircles, QPoint(100, 120));
        ExpectCircles(w, {{460, 728, 100, 100, 20, true}});
        QCOMPARE(w->lbCirclesCount->text(), QString("1 deblur circle active"));
        QVERIFY(w->tbCircleSize->isEnabled());
        QCOMPARE(w->tbCircleSize->value(), 200);
        QCOMPARE(w->tbCircleFeather->value(), 20);
        QVERIFY(w->actionDeleteCircle->isEnabled());
        QVERIFY(w->actionUnselectCircle->isEnabled());
        // Drawn on the overlay bitmap, relative to the crop: centre (120, 140),
        // the left edge at column 20 with the left handle, the top handle at row 40.
        QCOMPARE(OverlayPixel(w, 20, 140), qRgb(255, 255, 255) & RGB_MASK);
        QCOMPARE(OverlayPixel(w, 120, 40), qRgb(255, 255, 255) & RGB_MASK);
        QCOMPARE(OverlayPixel(w, 220, 140), qRgb(255, 255, 255) & RGB_MASK);
        QCOMPARE(OverlayPixel(w, 120, 37), qRgb(255, 255, 255) & RGB_MASK);
        QCOMPARE(OverlayPixel(w, 120, 140), qRgb(128, 128, 128) & RGB_MASK);
        QCOMPARE(OverlayPixel(w, 300, 300), qRgb(128, 128, 128) & RGB_MASK);

        // A click on empty space deselects and places the next one.
        Window::Click(w->imgCircles, QPoint(380, 400));
        ExpectCircles(w, {{460, 728, 100, 100, 20, false}, {740, 1008, 100, 100, 20, true}});
        QCOMPARE(w->lbCirclesCount->text(), QString("2 deblur circles active"));
        // The unselected one has no handles and a thin outline.
        QVERIFY(WhiteNear(w, 120, 40));
        QCOMPARE(OverlayPixel(w, 120, 43), qRgb(128, 128, 128) & RGB_MASK);
        QCOMPARE(OverlayPixel(w, 120, 37), qRgb(128, 128, 128) & RGB_MASK);
    }

    void pressesSelectMoveAndResize() {
        Window w;
        Prepare(w);
        Window::Click(w->imgCircles, QPoint(100, 120));
        Window::Click(w->imgCircles, QPoint(160, 150));  // inside the first: selects it, places none
        ExpectCircles(w, {{460, 728, 100, 100, 20, true}});

        // Drag by a grip point off the centre: the grip stays under the pointer.
        Move(w->imgCircles, QPoint(130, 150), Qt::NoButton);
        QCOMPARE(w->imgCircles->cursor().shape(), Qt::SizeAllCursor);
        Press(w->imgCircles, QPoint(130, 150));
        QCOMPARE(w->circleEditor.dragOffsetX, -30);
        QCOMPARE(w->circleEditor.dragOffsetY, -30);
        Move(w->imgCircles, QPoint(171, 163));
        Release(w->imgCircles, QPoint(171, 163));
        ExpectCircles(w, {{473, 769, 100, 100, 20, true}});
        QVERIFY(!w->circleEditor.moveMode && !w->circleEditor.circleHit && !w->circleEditor.circleMouseDown);

        // Each handle shows its own cursor (which handle does what is the editor's test).
        // Circle at row 473, column 769, radius 100: overlay = preview - (628, 340).
        Move(w->imgCircles, QPoint(769 - 628, 373 - 340), Qt::NoButton);
        QCOMPARE(w->imgCircles->cursor().shape(), Qt::SizeVerCursor);
        Move(w->imgCircles, QPoint(669 - 628, 473 - 340), Qt::NoButton);
        QCOMPARE(w->imgCircles->cursor().shape(), Qt::SizeHorCursor);

        // Size 301 gives the radius 150.
        w->tbCircleSize->setValue(301);
        ExpectCircles(w, {{473, 769, 150, 150, 20, true}});
        w->tbCircleFeather->setValue(45);
        QCOMPARE(w->fftEngine->circles[0]->transitionPercent, 45);
    }

    // Selecting a circle shows its size on the slider, clamped where the
    // slider ends, and never writes that position back into the circle.
    void reselectingACircleKeepsItsRadius_data() {
        QTest::addColumn<int>("radius");
        for (const int radius : {3, 10, 100, 500, 850})
            QTest::newRow(qPrintable(QString("radius %1").arg(radius))) << radius;
    }

    void reselectingACircleKeepsItsRadius() {
        QFETCH(int, radius);
        Window w;
        Prepare(w);
        Window::Click(w->imgCircles, QPoint(100, 120));
        w->fftEngine->circles[0]->SetSize(radius, radius, 35);
        w->sbUnselect->click();
        ExpectCircles(w, {{460, 728, radius, radius, 35, false}});
        Window::Click(w->imgCircles, QPoint(100, 120));
        ExpectCircles(w, {{460, 728, radius, radius, 35, true}});
        const int shown = std::clamp(2 * radius, w->tbCircleSize->minimum(), w->tbCircleSize->maximum());
        QCOMPARE(w->tbCircleSize->value(), shown);
        QCOMPARE(w->tbCircleFeather->value(), 35);
        QVERIFY(w->tbCircleSize->isEnabled());
    }

    void overlappingCirclesPreferTheSelectedOne() {
        Window w;
        Prepare(w);
        Window::Click(w->imgCircles, QPoint(100, 120));  // A at column 728
        Window::Click(w->imgCircles, QPoint(280, 120));  // B at column 908, selected
        Window::Click(w->imgCircles, QPoint(190, 120));  // inside both: B stays
        ExpectCircles(w, {{460, 728, 100, 100, 20, false}, {460, 908, 100, 100, 20, true}});
        w->actionUnselectCircle->trigger();
        QVERIFY(!w->tbCircleSize->isEnabled());
        QVERIFY(!w->actionDeleteCircle->isEnabled());
        Window::Click(w->imgCircles, QPoint(190, 120));  // neither selected: A, the first
        ExpectCircles(w, {{460, 728, 100, 100, 20, true}, {460, 908, 100, 100, 20, false}});

        w->actionDeleteCircle->trigger();
        ExpectCircles(w, {{460, 908, 100, 100, 20, false}});
        QCOMPARE(w->lbCirclesCount->text(), QString("1 deblur circle active"));
        QVERIFY(!w->tbCircleSize->isEnabled());
        Window::Click(w->imgCircles, QPoint(280, 120));
        w->actionDeleteCircle->trigger();
        QCOMPARE(w->lbCirclesCount->text(), QString("-"));
        QVERIFY(w->fftEngine->circles.empty());

        // Button up: no circle is placed, the overlay is plain grey.
        Window::Click(w->imgCircles, QPoint(50, 50));
        w->sbDeblurCircle->click();
        QVERIFY(!w->sbDeblurCircle->isChecked());
        QVERIFY(!w->fftEngine->circles[0]->selected);
        QVERIFY(!w->tbCircleSize->isEnabled());
        Window::Click(w->imgCircles, QPoint(300, 300));
        QCOMPARE(w->fftEngine->circles.size(), std::size_t(1));
        // Moving the crop then leaves the overlay see-through too.
        for (const bool moved : {false, true}) {
            if (moved) Window::Click(w->imgPreview, QPoint(120, 90));
            for (const QPoint p : {QPoint(0, 0), QPoint(30, 70), QPoint(511, 511)})
                QCOMPARE(OverlayPixel(w, p.x(), p.y()), qRgb(128, 128, 128) & RGB_MASK);
        }
        QVERIFY(w->crop.cropLeft != 608);
    }

    // At 200% the circle lands under the pointer, near the far corner too
    // (the mapping of every overlay pixel is the crop model's test).
    void atTwoHundredPercentTheCircleAppearsUnderThePointer() {
        const QPoint click(466, 461);
        Window w;
        Prepare(w);
        w->btPercentage->click();
        QCOMPARE(w->crop.zoomPercent, 200);
        Window::Click(w->imgCircles, click);
        QCOMPARE(w->fftEngine->circles.size(), std::size_t(1));
        const auto& c = *w->fftEngine->circles[0];
        const double scale = 472.0 / 256.0;
        QVERIFY(std::abs((c.x - w->crop.cropLeft) * scale - click.x()) <= scale);
        QVERIFY(std::abs((c.y - w->crop.cropTop) * scale - click.y()) <= scale);
        // A press on the centre and a drag of a few pixels moves it by as much.
        const QPoint centre(int(std::ceil((c.x - w->crop.cropLeft) * scale)),
                            int(std::ceil((c.y - w->crop.cropTop) * scale)));
        const int x0 = c.x;
        Move(w->imgCircles, centre, Qt::NoButton);
        Press(w->imgCircles, centre);
        Move(w->imgCircles, centre);
        QCOMPARE(w->fftEngine->circles[0]->x, x0);
        // Back towards the middle of the control, so the pointer stays on it.
        Move(w->imgCircles, centre - QPoint(37, 0));
        Release(w->imgCircles, centre - QPoint(37, 0));
        QVERIFY(std::abs((w->fftEngine->circles[0]->x - x0) * scale + 37) <= scale);
    }

    void aCircleRestrictsTheDeblurredPatch() {
        Window w;
        Prepare(w);
        w.DrawLineKernel(6);
        const platform::Bitmap everywhere = w->img100->Bitmap();
        Window::Click(w->imgCircles, QPoint(100, 120));
        const platform::Bitmap inside = w->img100->Bitmap();
        // Far from the circle the patch is the undeblurred crop again.
        const platform::Bitmap& preview = w->imgPreview->Bitmap();
        QCOMPARE(inside.Pixel(480, 480), preview.Pixel(608 + 480, 320 + 480));
        QVERIFY(everywhere.Pixel(480, 480) != inside.Pixel(480, 480) ||
                everywhere.Pixel(470, 490) != inside.Pixel(470, 490));
        // In the middle of the circle it stays deblurred.
        QCOMPARE(inside.Pixel(120, 140), everywhere.Pixel(120, 140));
    }
};

CLARIVANE_APP_TEST_MAIN(WindowCirclesTest)
#include "window_circles_test.moc"
