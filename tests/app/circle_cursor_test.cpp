#include <QtTest>

#include "app/circle_cursor.h"

class CircleCursorTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreInverseOfEachOtherWithRingsAndCross_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("drawn");
        // Outer ring, 2 pixels wide, touching all four sides.
        QTest::newRow("outer left") << QPoint(0, 100) << true;
        QTest::newRow("outer left, second pixel") << QPoint(1, 100) << true;
        QTest::newRow("outer right") << QPoint(199, 100) << true;
        QTest::newRow("outer top") << QPoint(100, 0) << true;
        QTest::newRow("outer bottom") << QPoint(100, 199) << true;
        QTest::newRow("between the rings") << QPoint(5, 100) << false;
        // Inner ring, 1 pixel wide, from 10 to 189.
        QTest::newRow("inner left") << QPoint(10, 100) << true;
        QTest::newRow("inner right") << QPoint(189, 100) << true;
        QTest::newRow("inside the inner ring") << QPoint(12, 100) << false;
        // Cross from 95 to 105 both ways, the end points 106 left out.
        QTest::newRow("hot spot") << QPoint(100, 100) << true;
        QTest::newRow("cross left end") << QPoint(95, 100) << true;
        QTest::newRow("cross right end") << QPoint(105, 100) << true;
        QTest::newRow("past the cross") << QPoint(106, 100) << false;
        QTest::newRow("before the cross") << QPoint(94, 100) << false;
        QTest::newRow("cross bottom end") << QPoint(100, 105) << true;
        QTest::newRow("below the cross") << QPoint(100, 106) << false;
        QTest::newRow("off the cross diagonally") << QPoint(101, 101) << false;
        QTest::newRow("corner outside the rings") << QPoint(3, 3) << false;
    }

    void picturesAreInverseOfEachOtherWithRingsAndCross() {
        QFETCH(QPoint, at);
        QFETCH(bool, drawn);
        const auto pictures = app::DrawCircleCursorPictures();
        QCOMPARE(pictures.mask.size(), QSize(200, 200));
        QCOMPARE(pictures.colour.size(), QSize(200, 200));
        QCOMPARE(pictures.mask.format(), QImage::Format_Grayscale8);
        QCOMPARE(qGray(pictures.mask.pixel(at)), drawn ? 0 : 255);
        QCOMPARE(qGray(pictures.colour.pixel(at)), drawn ? 255 : 0);
        const QImage combined = app::CombineCursorPictures(pictures);
        QCOMPARE(qAlpha(combined.pixel(at)), drawn ? 255 : 0);
        if (drawn) QCOMPARE(combined.pixel(at), qRgba(255, 255, 255, 255));
    }

    void cursorHasItsHotSpotInTheMiddle() {
        const QCursor cursor = app::MakeCircleCursor();
        QCOMPARE(cursor.hotSpot(), QPoint(100, 100));
        QCOMPARE(cursor.pixmap().size(), QSize(200, 200));
    }
};

QTEST_MAIN(CircleCursorTest)
#include "circle_cursor_test.moc"
