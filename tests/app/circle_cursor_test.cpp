#include <QtTest>

#include "app/circle_cursor.h"

class CircleCursorTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreInverseOfEachOtherWithRingsAndCross() {
        // Outer ring 2 pixels wide touching all four sides, inner ring 1 pixel
        // wide from 10 to 189, cross from 95 to 105 both ways.
        const QList<QPoint> drawn = {{0, 100},   {1, 100},   {199, 100}, {100, 0},   {100, 199}, {10, 100},
                                     {189, 100}, {100, 100}, {95, 100},  {105, 100}, {100, 105}};
        const QList<QPoint> blank = {{5, 100}, {12, 100}, {106, 100}, {94, 100}, {100, 106}, {101, 101}, {3, 3}};
        const auto pictures = app::DrawCircleCursorPictures();
        QCOMPARE(pictures.mask.size(), QSize(200, 200));
        QCOMPARE(pictures.colour.size(), QSize(200, 200));
        QCOMPARE(pictures.mask.format(), QImage::Format_Grayscale8);
        const QImage combined = app::CombineCursorPictures(pictures);
        for (const QPoint& at : drawn + blank) {
            const bool isDrawn = drawn.contains(at);
            const QByteArray where = QString("%1,%2").arg(at.x()).arg(at.y()).toUtf8();
            QVERIFY2(qGray(pictures.mask.pixel(at)) == (isDrawn ? 0 : 255), where);
            QVERIFY2(qGray(pictures.colour.pixel(at)) == (isDrawn ? 255 : 0), where);
            QVERIFY2(qAlpha(combined.pixel(at)) == (isDrawn ? 255 : 0), where);
            QVERIFY2(!isDrawn || combined.pixel(at) == qRgba(255, 255, 255, 255), where);
        }
    }
};

QTEST_MAIN(CircleCursorTest)
#include "circle_cursor_test.moc"
