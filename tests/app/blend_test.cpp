#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "app/blend.h"

using app::TFBlend;

// A window painted white with a black square, standing in for the main window.
class PaintedWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.fillRect(QRect(10, 10, 40, 30), Qt::black);
        p.fillRect(QRect(60, 10, 40, 30), QColor(200, 100, 50));
    }
};

class BlendTest : public QObject {
    Q_OBJECT

private slots:
    void coversTheWindowWithItsDarkenedSnapshot_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<QRect>("bar");
        QTest::addColumn<QPoint>("status");
        QTest::addColumn<QPoint>("cancel");
        QTest::newRow("main window size") << 1018 << 673 << QRect(359, 376, 300, 11) << QPoint(359, 356)
                                          << QPoint(472, 402);
        QTest::newRow("odd sizes halve down") << 801 << 455 << QRect(250, 267, 300, 11) << QPoint(250, 247)
                                              << QPoint(363, 293);
    }

    void coversTheWindowWithItsDarkenedSnapshot() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(QRect, bar);
        QFETCH(QPoint, status);
        QFETCH(QPoint, cancel);
        PaintedWindow window;
        window.setFixedSize(w, h);
        auto* blend = new TFBlend(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!blend->isVisible());

        QVERIFY(blend->ShowOver(&window));
        QVERIFY(blend->isVisible());
        QCOMPARE(blend->geometry(), QRect(0, 0, w, h));
        QCOMPARE(blend->lbStatus->text(), QString("Preparing..."));
        QCOMPARE(blend->pbStatus->geometry(), bar);
        QCOMPARE(blend->lbStatus->pos(), status);
        QCOMPARE(blend->lbStatus->width(), 300);
        QCOMPARE(blend->btCancel->pos(), cancel);
        QCOMPARE(blend->btCancel->width(), 75);
        QVERIFY(blend->btCancel->isEnabled());
        QCOMPARE(blend->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(blend->btCancel->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(blend->Label1->text(), QString("Working, please wait..."));
        QCOMPARE(blend->Label1->geometry(), QRect(0, 0, w, h));

        const QImage& bg = blend->Background();
        QCOMPARE(bg.size(), QSize(w, h));
        QCOMPARE(bg.pixel(w - 5, h - 5), qRgb(121, 121, 121));
        QCOMPARE(bg.pixel(20, 20), qRgb(9, 9, 9));
        // Each channel on its own: 200 -> 97, 100 -> 53, 50 -> 31.
        QCOMPARE(bg.pixel(70, 20), qRgb(97, 53, 31));

        // What the overlay shows is that snapshot, not the live window.
        const QImage shown = blend->grab().toImage();
        QCOMPARE(QColor(shown.pixel(w - 5, 5)).red(), 121);
        QCOMPARE(QColor(shown.pixel(20, 20)).red(), 9);
        blend->hide();
    }

    void cancelRaisesTheFlagsOnceAndTheNextShowingEnablesItAgain() {
        QWidget window;
        window.resize(600, 400);
        auto* blend = new TFBlend(&window);
        int requests = 0;
        blend->RequestCancel = [&] {
            ++requests;
            // The overlay already says so while the work notices the flags.
            QCOMPARE(blend->lbStatus->text(), QString("Cancelling..."));
            QVERIFY(!blend->btCancel->isEnabled());
        };
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(blend->ShowOver(&window));
        blend->pbStatus->setRange(0, 50);
        blend->pbStatus->setValue(37);
        QTest::mouseClick(blend->btCancel, Qt::LeftButton);
        QCOMPARE(requests, 1);
        QCOMPARE(blend->pbStatus->value(), 0);
        QTest::mouseClick(blend->btCancel, Qt::LeftButton);
        QCOMPARE(requests, 1);

        blend->hide();
        QVERIFY(blend->ShowOver(&window));
        QVERIFY(blend->btCancel->isEnabled());
        QCOMPARE(blend->lbStatus->text(), QString("Preparing..."));
        QTest::mouseClick(blend->btCancel, Qt::LeftButton);
        QCOMPARE(requests, 2);

        // Without a handler a click still only changes the overlay.
        blend->RequestCancel = nullptr;
        blend->hide();
        QVERIFY(blend->ShowOver(&window));
        QTest::mouseClick(blend->btCancel, Qt::LeftButton);
        QCOMPARE(blend->lbStatus->text(), QString("Cancelling..."));
    }

    // Keys meant for the covered window are swallowed and Escape cancels; a
    // dialog of that window (the save dialog comes up during a run) keeps its keys.
    void keysReachOtherWindowsOnly() {
        QWidget window;
        window.resize(300, 200);
        auto* field = new QLineEdit(&window);
        QDialog dialog(&window);
        auto* dialogField = new QLineEdit(&dialog);
        auto* blend = new TFBlend(&window);
        int requests = 0;
        blend->RequestCancel = [&] { ++requests; };
        window.show();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(blend->ShowOver(&window));

        QTest::keyClicks(field, "ab");
        QTest::keyClicks(dialogField, "ab");
        QTest::keyClick(dialogField, Qt::Key_Escape);
        QCOMPARE(field->text(), QString());
        QCOMPARE(dialogField->text(), QString("ab"));
        QCOMPARE(requests, 0);
        QTest::keyClick(field, Qt::Key_Escape);
        QCOMPARE(requests, 1);

        blend->hide();
        QTest::keyClicks(field, "c");
        QCOMPARE(field->text(), QString("c"));
    }
};

QTEST_MAIN(BlendTest)
#include "blend_test.moc"
