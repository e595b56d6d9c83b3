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

    std::unique_ptr<TTrackBarMouse> MakeSlider() {
        auto slider = std::make_unique<TTrackBarMouse>();
        slider->setRange(0, 100);
        slider->setPageStep(1);
        slider->resize(130, 22);
        slider->OnMouseDownEvent = [this, s = slider.get()](TTrackBarMouse* sender) {
            QCOMPARE(sender, s);
            log_ << QString("down@%1").arg(sender->value());
        };
        slider->OnMouseUpEvent = [this, s = slider.get()](TTrackBarMouse* sender) {
            QCOMPARE(sender, s);
            log_ << "up";
        };
        connect(slider.get(), &QSlider::valueChanged, this, [this](int v) { log_ << QString("value=%1").arg(v); });
        return slider;
    }

private slots:
    void init() { log_.clear(); }

    void pressReportsBeforeTheThumbMoves() {
        auto slider = MakeSlider();
        slider->show();
        QVERIFY(QTest::qWaitForWindowExposed(slider.get()));
        // Far right of the groove: the slider moves towards it on the press.
        mouse_input::Press(slider.get(), QPoint(125, 11));
        QVERIFY(!log_.isEmpty());
        QCOMPARE(log_.first(), QString("down@0"));
        QVERIFY2(slider->value() > 0, "the press still reaches the slider");
        const int pressedAt = slider->value();
        mouse_input::Release(slider.get(), QPoint(125, 11));
        QCOMPARE(log_.last(), QString("up"));
        QCOMPARE(log_.count("up"), 1);
        QCOMPARE(log_.filter("down").size(), 1);
        QCOMPARE(slider->value(), pressedAt);
    }

    void rightButtonFiresNeitherEvent() {
        auto slider = MakeSlider();
        slider->show();
        mouse_input::Click(slider.get(), QPoint(60, 11), Qt::RightButton);
        QVERIFY(log_.filter("down").isEmpty());
        QVERIFY(!log_.contains("up"));
    }

    void keyboardFiresOnlyTheChange() {
        auto slider = MakeSlider();
        slider->show();
        QTest::keyClick(slider.get(), Qt::Key_Right);
        QTest::keyClick(slider.get(), Qt::Key_End);
        QCOMPARE(log_, QStringList({"value=1", "value=100"}));
    }

    void unassignedEventsAreSkipped() {
        TTrackBarMouse slider;
        slider.setRange(0, 10);
        slider.resize(130, 22);
        slider.show();
        mouse_input::Click(&slider, QPoint(120, 11));
        QVERIFY(slider.value() > 0);
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
        for (QSlider* s : {&plain, static_cast<QSlider*>(&ours)})
            s->setStyle(fusion.get());
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
