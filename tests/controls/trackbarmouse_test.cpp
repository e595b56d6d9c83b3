#include <QStyle>
#include <QStyleFactory>
#include <QtTest>
#include <memory>

#include "controls/class_trackbarmouse.h"
#include "mouse_input.h"

using controls::TTrackBarMouse;

class TrackBarMouseTest : public QObject {
    Q_OBJECT

private slots:
    void leftButtonReportsBeforeTheSliderMovesKeysAndWheelAfter() {
        QStringList log;
        TTrackBarMouse slider;
        slider.setRange(0, 100);
        slider.resize(130, 22);
        slider.OnMouseDownEvent = [&](TTrackBarMouse* sender) { log << QString("down@%1").arg(sender->value()); };
        slider.OnMouseUpEvent = [&](TTrackBarMouse* sender) { log << (sender == &slider ? "up" : "up from elsewhere"); };
        slider.OnStepEvent = [&](TTrackBarMouse* sender) { log << QString("step@%1").arg(sender->value()); };
        connect(&slider, &QSlider::valueChanged, this, [&](int v) { log << QString("value=%1").arg(v); });
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));

        // Far right of the groove: the slider moves towards it on the press.
        mouse_input::Click(&slider, QPoint(125, 11));
        QVERIFY2(slider.value() > 0, "the press still reaches the slider");
        QCOMPARE(log.first(), QString("down@0"));
        QCOMPARE(log.last(), QString("up"));
        const QRegularExpression report("^(down|up|step)");
        QCOMPARE(log.filter(report).size(), 2);

        // The right button fires no report. A key or a wheel turn that moves
        // the slider reports a step after the change; one that cannot move it
        // reports nothing.
        log.clear();
        mouse_input::Click(&slider, QPoint(60, 11), Qt::RightButton);
        QVERIFY(log.filter(report).isEmpty());
        slider.setValue(0);
        log.clear();
        QTest::keyClick(&slider, Qt::Key_Right);
        QTest::keyClick(&slider, Qt::Key_End);
        QTest::keyClick(&slider, Qt::Key_Right);
        QCOMPARE(log, QStringList({"value=1", "step@1", "value=100", "step@100"}));
        log.clear();
        mouse_input::Wheel(&slider, QPoint(0, -120));
        QCOMPARE(log.size(), 2);
        QVERIFY(slider.value() < 100);
        QCOMPARE(log.last(), QString("step@%1").arg(slider.value()));

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
        TTrackBarMouse ours(&window);
        plain.setGeometry(5, 5, 130, 22);
        ours.setGeometry(5, 40, 130, 22);
        plain.setStyle(fusion.get());
        ours.setStyle(fusion.get());
        window.show();
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
