#include <QStyle>
#include <QStyleFactory>
#include <QtTest>
#include <memory>

#include "controls/class_trackbarmouse.h"
#include "mouse_input.h"

using controls::TTrackBarMouse;

class TrackBarMouseTest : public QObject {
    Q_OBJECT

private:
    QStringList log_;

private slots:
    void init() { log_.clear(); }

    void leftButtonReportsBeforeTheSliderMoves() {
        TTrackBarMouse slider;
        slider.setRange(0, 100);
        slider.setPageStep(1);
        slider.resize(130, 22);
        slider.OnMouseDownEvent = [&](TTrackBarMouse* sender) {
            QCOMPARE(sender, &slider);
            log_ << QString("down@%1").arg(sender->value());
        };
        slider.OnMouseUpEvent = [&](TTrackBarMouse* sender) {
            QCOMPARE(sender, &slider);
            log_ << "up";
        };
        connect(&slider, &QSlider::valueChanged, this, [this](int v) { log_ << QString("value=%1").arg(v); });
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));

        // Far right of the groove: the slider moves towards it on the press.
        mouse_input::Press(&slider, QPoint(125, 11));
        QCOMPARE(log_.value(0), QString("down@0"));
        QVERIFY2(slider.value() > 0, "the press still reaches the slider");
        const int pressedAt = slider.value();
        mouse_input::Release(&slider, QPoint(125, 11));
        QCOMPARE(log_.last(), QString("up"));
        const QRegularExpression report("^(down|up)");
        QCOMPARE(log_.filter(report).size(), 2);
        QCOMPARE(slider.value(), pressedAt);

        // The right button fires neither report; the keyboard only the change.
        log_.clear();
        mouse_input::Click(&slider, QPoint(60, 11), Qt::RightButton);
        QVERIFY(log_.filter(report).isEmpty());
        slider.setValue(0);
        log_.clear();
        QTest::keyClick(&slider, Qt::Key_Right);
        QTest::keyClick(&slider, Qt::Key_End);
        QCOMPARE(log_, QStringList({"value=1", "value=100"}));

        // Without handlers the press works all the same.
        slider.OnMouseDownEvent = nullptr;
        slider.OnMouseUpEvent = nullptr;
        mouse_input::Click(&slider, QPoint(10, 11));
        QVERIFY(slider.value() < 100);
    }

    void neverDrawsAFocusCue() {
        std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
        QVERIFY(fusion);
        QWidget window;
        window.resize(300, 80);
        QSlider plain(Qt::Horizontal, &window);
        plain.setGeometry(5, 5, 130, 22);
        TTrackBarMouse ours(&window);
        ours.setGeometry(5, 40, 130, 22);
        plain.setStyle(fusion.get());
        ours.setStyle(fusion.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Styles draw the cue once the keyboard has moved the focus.
        window.setAttribute(Qt::WA_KeyboardFocusChange);
        const auto focusedAndNot = [&](QSlider& s) {
            s.setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            const QImage focused = s.grab().toImage();
            s.clearFocus();
            QCoreApplication::processEvents();
            return std::pair{focused, s.grab().toImage()};
        };
        const auto [plainFocused, plainUnfocused] = focusedAndNot(plain);
        if (plainFocused == plainUnfocused)
            QSKIP("this style shows no focus cue on sliders");
        const auto [oursFocused, oursUnfocused] = focusedAndNot(ours);
        QCOMPARE(oursFocused, oursUnfocused);
    }
};

QTEST_MAIN(TrackBarMouseTest)
#include "trackbarmouse_test.moc"
