#include <map>

#include "app_test_main.h"
#include "engine/class_fft.h"
#include "tests/controls/slider_handle.h"
#include "window_fixture.h"

using windowtest::SameBitmap;
using windowtest::Window;

class WindowSettingSlidersTest : public QObject {
    Q_OBJECT

private slots:
    // Brightness, Contrast and a circle's Size and Feather, clicked on the
    // handle and then moved by a key or the wheel: the slider keeps the
    // keyboard, and the step is taken up as a release is, so the preview and
    // the patch show the new position.
    void keyAndWheelStepsActAsARelease_data() {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<bool>("wheel");
        QTest::addColumn<bool>("inactive");
        for (const char* slider : {"tbBrightness", "tbContrast", "tbCircleSize", "tbCircleFeather"})
            for (const bool wheel : {false, true})
                QTest::addRow("%s, %s", slider, wheel ? "a wheel step" : "End") << QString(slider) << wheel << false;
        // Another program's window in front: the slider is still the window's focus widget.
        QTest::newRow("tbBrightness, End, window inactive") << "tbBrightness" << false << true;
    }

    void keyAndWheelStepsActAsARelease() {
        QFETCH(QString, slider);
        QFETCH(bool, wheel);
        QFETCH(bool, inactive);
        Window w;
        QWidget front;
        if (inactive) {
            front.show();
            front.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&front));
        }
        QVERIFY(w.ShowNewPhoto(false));
        w.DrawLineKernel(5);
        w->sbDeblurCircle->click();
        Window::Click(w->imgCircles, QPoint(150, 170));
        QCOMPARE(w->fftEngine->circles.size(), std::size_t(1));
        const engine::ControlCircle& circle = *w->fftEngine->circles.front();
        auto* moved = w->findChild<controls::TTrackBarMouse*>(slider);
        QVERIFY(moved && moved->isEnabled());
        const bool tone = moved == w->tbBrightness || moved == w->tbContrast;

        const int start = moved->value();
        QTest::mouseClick(moved, Qt::LeftButton, Qt::NoModifier, SliderHandleCentre(moved));
        QCOMPARE(moved->value(), start);
        QCOMPARE(w->focusWidget(), moved);

        const platform::Bitmap preview = w->imgPreview->Bitmap();
        const platform::Bitmap patch = w->img100->Bitmap();
        // A held key repeats while the step's recomputation runs: the
        // keyboard is with no control then, so the repeat moves nothing.
        std::map<controls::TTrackBarMouse*, int> others;
        for (auto* other : w->findChildren<controls::TTrackBarMouse*>())
            if (other != moved) others[other] = other->value();
        bool repeated = false;
        QWidget* focusDuringRun = moved;
        platform::SetProcessMessagesHook([&] {
            if (!w->inResultUpdate || repeated) return;
            repeated = true;
            focusDuringRun = w->focusWidget();
            QTest::keyClick(focusDuringRun ? focusDuringRun : w.main, Qt::Key_Home);
        });
        if (wheel)
            mouse_input::Wheel(moved, QPoint(0, -120));
        else
            QTest::keyClick(w->focusWidget(), Qt::Key_End);
        platform::SetProcessMessagesHook(nullptr);
        QVERIFY(repeated);
        QCOMPARE(focusDuringRun, nullptr);
        QCOMPARE(moved->value(), wheel ? start - 1 : moved->maximum());
        for (const auto& [other, value] : others)
            QVERIFY2(other->value() == value, qPrintable(other->objectName()));
        QCOMPARE(w->focusWidget(), moved);
        QVERIFY(moved->isEnabled());
        QCOMPARE(w->lbStat->text(), QString("on "));

        QCOMPARE(!SameBitmap(preview, w->imgPreview->Bitmap()), tone);
        if (tone)
            QCOMPARE(moved == w->tbBrightness ? w->lastBrightness : w->lastContrast, moved->value());
        else
            QCOMPARE(moved == w->tbCircleSize ? int(circle.radiusX) : circle.transitionPercent,
                     moved == w->tbCircleSize ? moved->value() / 2 : moved->value());
        const platform::Bitmap stepped = w->img100->Bitmap();
        QVERIFY(!SameBitmap(patch, stepped));
        w->UpdateResult();
        QVERIFY(SameBitmap(w->img100->Bitmap(), stepped));

        // A second key goes to the same slider.
        QTest::keyClick(w->focusWidget(), Qt::Key_Home);
        QCOMPARE(moved->value(), moved->minimum());
        QCOMPARE(w->focusWidget(), moved);
    }
};

CLARIVANE_APP_TEST_MAIN(WindowSettingSlidersTest)
#include "window_setting_sliders_test.moc"
