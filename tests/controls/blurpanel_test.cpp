#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <set>
#include <utility>

#include "controls/class_blurpanel.h"
#include "mouse_input.h"

using controls::BlurPanel;
using controls::KernelGrid;
using Cell = std::pair<int, int>;

namespace {

std::set<Cell> SetCells(const KernelGrid& g) {
    std::set<Cell> cells;
    for (int x = 0; x < KernelGrid::kSize; ++x)
        for (int y = 0; y < KernelGrid::kSize; ++y)
            if (g.GetCell(x, y))
                cells.insert({x, y});
    return cells;
}

// Screen directions for angle-slider positions that are multiples of 90:
// 0 up, 90 right, 180 down, 270 left (y grows downward).
QPoint Direction(int degrees) {
    switch (((degrees % 360) + 360) % 360) {
    case 0: return {0, -1};
    case 90: return {1, 0};
    case 180: return {0, 1};
    default: return {-1, 0};
    }
}

// The centre cell and `beyond` cells further in `direction`.
void AddSpoke(std::set<Cell>& cells, QPoint direction, int beyond) {
    for (int k = 0; k <= beyond; ++k)
        cells.insert({50 + k * direction.x(), 50 + k * direction.y()});
}

}  // namespace

class BlurPanelTest : public QObject {
    Q_OBJECT

private:
    QStringList log_;
    std::unique_ptr<BlurPanel> panel_;

    void Record(BlurPanel::NotifyEvent& event, const QString& name) {
        event = [this, name](BlurPanel* sender) {
            QCOMPARE(sender, panel_.get());
            log_ << name;
        };
    }

    int Count(const QString& name) const { return log_.count(name); }

    QImage Preview() const { return panel_->imgKernel->pixmap().toImage(); }

private slots:
    void init() {
        log_.clear();
        panel_ = std::make_unique<BlurPanel>();
        panel_->resize(BlurPanel::kPanelWidth, 237);
        Record(panel_->OnChange, "change");
        Record(panel_->OnKernelEmpty, "empty");
        Record(panel_->OnKernelNotEmpty, "notempty");
        Record(panel_->OnHover, "hover");
        Record(panel_->OnHoverLeave, "leave");
        panel_->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
    }

    void cleanup() { panel_.reset(); }

    void childrenSitWhereTheLayoutPutsThem() {
        BlurPanel& p = *panel_;
        QCOMPARE(p.width(), 380);
        QCOMPARE(p.grid->geometry(), QRect(5, 5, 199, 188));
        QCOMPARE(p.sbFreeGrid->pos(), QPoint(5, 210));
        QCOMPARE(p.sbLineShapes->x(), p.sbFreeGrid->geometry().right() + 3);
        QCOMPARE(p.sbCylinderCircle->x(), p.sbLineShapes->geometry().right() + 3);
        QCOMPARE(p.imgHover->geometry(), QRect(100, 210, 20, 20));
        QCOMPARE(p.sbZoomIn->pos(), QPoint(380 - 135, 210));
        QCOMPARE(p.sbZoomOut->x(), p.sbZoomIn->geometry().right() + 3);
        QCOMPARE(p.sbZeroDistortion->x(), p.sbZoomOut->geometry().right() + 3);
        QCOMPARE(p.sbReset->x(), p.sbZeroDistortion->geometry().right() + 3);
        QCOMPARE(p.bvSliders->geometry(), QRect(211, 2, 3, 198));
        QCOMPARE(p.bvButtons->geometry(), QRect(3, 202, 372, 3));
        QCOMPARE(p.tbKernelSmoothing->geometry(), QRect(214, 20, 130, 22));
        QCOMPARE(p.tbLowPass->geometry(), QRect(214, 63, 130, 22));
        QCOMPARE(p.tbMasking->geometry(), QRect(214, 106, 130, 22));
        QCOMPARE(p.tbLocalization->geometry(), QRect(214, 149, 130, 22));
        QCOMPARE(p.imgKernel->geometry(), QRect(50, 35, 99, 99));
        QCOMPARE(p.tbRadius->geometry(), QRect(33, 144, 133, 22));
        QCOMPARE(p.tbAngle->geometry(), QRect(33, 171, 133, 22));
        QCOMPARE(p.lbRadiusValue->pos(), QPoint(171, 148));
        QCOMPARE(p.lbAngle->pos(), QPoint(6, 175));
        QCOMPARE(p.lbAngleValue->pos(), QPoint(171, 175));
        QCOMPARE(p.cbShape->pos(), QPoint(50, 5));
        QCOMPARE(p.cbShape->width(), 100);

        const std::pair<controls::TTrackBarMouse*, int> ranges[] = {
            {p.tbKernelSmoothing, 150}, {p.tbLowPass, 200}, {p.tbMasking, 65535},
            {p.tbLocalization, 400},    {p.tbRadius, 40},   {p.tbAngle, 360}};
        for (const auto& [slider, maximum] : ranges) {
            QCOMPARE(slider->minimum(), 0);
            QCOMPARE(slider->maximum(), maximum);
            QCOMPARE(slider->pageStep(), 1);
            QCOMPARE(slider->value(), 0);
        }
        QCOMPARE(p.angle, -1.0);
        QCOMPARE(p.sbFreeGrid->toolTip(), QString("Free grid [motion blur]"));
        QCOMPARE(p.imgHover->toolTip(), QString("Turns off deblurring when hovering over, for quick compare..."));
        QVERIFY(!p.sbFreeGrid->icon().isNull());
        QCOMPARE(p.sbFreeGrid->icon().availableSizes().value(0), QSize(16, 16));
        QCOMPARE(Preview().size(), QSize(99, 99));

        // The owner narrows the panel: the button separator keeps its right end.
        p.resize(350, 237);
        QCoreApplication::processEvents();
        QCOMPARE(p.bvButtons->geometry().right(), 350 - 6);
        QCOMPARE(p.sbZoomIn->x(), 245);
    }

    void modeSwitches() {
        BlurPanel& p = *panel_;
        const auto onlyChecked = [&](QToolButton* down) {
            for (QToolButton* b : {p.sbFreeGrid, p.sbLineShapes, p.sbCylinderCircle})
                QCOMPARE(b->isChecked(), b == down);
        };
        onlyChecked(p.sbFreeGrid);
        QVERIFY(p.grid->isVisible());
        QVERIFY(p.sbZoomIn->isVisible());
        for (QWidget* w : {static_cast<QWidget*>(p.imgKernel), static_cast<QWidget*>(p.cbShape),
                           static_cast<QWidget*>(p.tbRadius), static_cast<QWidget*>(p.tbAngle)})
            QVERIFY(!w->isVisible());

        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        onlyChecked(p.sbLineShapes);
        QCOMPARE(Count("change"), 1);
        QVERIFY(!p.grid->isVisible());
        QVERIFY(!p.sbZoomIn->isVisible() && !p.sbZoomOut->isVisible());
        for (QWidget* w : {static_cast<QWidget*>(p.imgKernel), static_cast<QWidget*>(p.cbShape),
                           static_cast<QWidget*>(p.tbRadius), static_cast<QWidget*>(p.tbAngle),
                           static_cast<QWidget*>(p.lbAngle), static_cast<QWidget*>(p.lbAngleValue)})
            QVERIFY(w->isVisible());
        QCOMPARE(p.cbShape->count(), 6);
        QCOMPARE(p.cbShape->itemText(5), QString("1/2 cross (T shape)"));
        QCOMPARE(p.cbShape->itemData(3).toInt(), 3);
        QCOMPARE(p.cbShape->currentIndex(), 0);
        QCOMPARE(p.grid->GridMode(), 0);

        log_.clear();
        p.tbRadius->setValue(5);
        QTest::mouseClick(p.sbCylinderCircle, Qt::LeftButton);
        onlyChecked(p.sbCylinderCircle);
        QCOMPARE(Count("change"), 1);
        QCOMPARE(p.grid->GridMode(), 1);
        QVERIFY(p.tbRadius->isVisible() && p.imgKernel->isVisible());
        QVERIFY(!p.tbAngle->isVisible() && !p.cbShape->isVisible() && !p.lbAngle->isVisible());
        const auto disc = SetCells(*p.grid);
        QVERIFY(disc.count({55, 50}));

        // Back to the free grid: the disc stays, now cell by cell, and nothing fires.
        log_.clear();
        QTest::mouseClick(p.sbFreeGrid, Qt::LeftButton);
        onlyChecked(p.sbFreeGrid);
        QVERIFY(log_.isEmpty());
        QCOMPARE(p.grid->GridMode(), 0);
        QCOMPARE(SetCells(*p.grid), disc);
        QVERIFY(p.grid->isVisible());

        // A second visit keeps the shape list as it was filled.
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        QCOMPARE(p.cbShape->count(), 6);
    }

    void lineKernels_data() {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("degrees");
        for (int shape = 0; shape < BlurPanel::kShapeCount; ++shape)
            for (int degrees : {0, 90, 180, 270, 360})
                QTest::addRow("shape %d at %d", shape, degrees) << shape << degrees;
    }

    void lineKernels() {
        QFETCH(int, shape);
        QFETCH(int, degrees);
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        p.cbShape->setCurrentIndex(shape);
        p.shapeIndex = static_cast<uint16_t>(shape);
        p.tbAngle->setValue(degrees);
        p.tbRadius->setValue(8);  // L = 9: a full spoke reaches 8 cells out, a half one 4

        const QPoint main = Direction(degrees);
        const QPoint back = -main;
        const QPoint clockwise = Direction(degrees + 90);
        const QPoint counter = -clockwise;
        std::set<Cell> expected;
        AddSpoke(expected, main, 8);
        switch (shape) {
        case 0: AddSpoke(expected, back, 8); break;
        case 1: AddSpoke(expected, back, 4); break;
        case 3:
            for (QPoint d : {back, clockwise, counter})
                AddSpoke(expected, d, 8);
            break;
        case 4:
            for (QPoint d : {back, clockwise, counter})
                AddSpoke(expected, d, 4);
            break;
        case 5:
            AddSpoke(expected, clockwise, 4);
            AddSpoke(expected, counter, 4);
            break;
        default: break;
        }
        QCOMPARE(SetCells(*p.grid), expected);
        QCOMPARE(p.angle, degrees - 90.0);
        QCOMPARE(p.lbAngleValue->text(), QString::number(degrees));
        QCOMPARE(p.lbRadiusValue->text(), QString("8"));

        // The preview shows the main spoke in aqua and its direction beyond in grey.
        const QImage preview = Preview();
        QCOMPARE(preview.pixelColor(QPoint(50, 50) + 5 * main), QColor(0, 255, 255));
        QCOMPARE(preview.pixelColor(QPoint(50, 50) + 30 * main), QColor(128, 128, 128));
    }

    void shortestLineAndEmptyLine() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        p.tbRadius->setValue(1);
        QCOMPARE(SetCells(*p.grid), (std::set<Cell>{{50, 49}, {50, 50}, {50, 51}}));
        log_.clear();
        p.tbRadius->setValue(0);
        QVERIFY(SetCells(*p.grid).empty());
        QCOMPARE(log_, QStringList({"empty"}));
    }

    void shapeChosenByKeyboard() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        p.tbRadius->setValue(8);
        log_.clear();
        QTest::keyClick(p.cbShape, Qt::Key_Down);
        QTest::keyClick(p.cbShape, Qt::Key_Down);
        QCOMPARE(p.shapeIndex, 2);
        QCOMPARE(Count("change"), 2);
        std::set<Cell> expected;
        AddSpoke(expected, Direction(0), 8);
        QCOMPARE(SetCells(*p.grid), expected);
    }

    void discKernels() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbCylinderCircle, Qt::LeftButton);
        QVERIFY(SetCells(*p.grid).empty());
        QCOMPARE(log_, QStringList({"empty", "empty", "change"}));

        log_.clear();
        p.tbRadius->setValue(5);
        QCOMPARE(log_, QStringList({"notempty"}));
        QCOMPARE(p.grid->discRadius, 5);
        QCOMPARE(p.grid->GetCellColor(50, 50), KernelGrid::kCoreColor);
        QCOMPARE(p.grid->GetCellColor(54, 50), KernelGrid::kCoreColor);
        QCOMPARE(p.grid->GetCellColor(55, 50), KernelGrid::kRimColor);
        QCOMPARE(p.grid->GetCellColor(50, 45), KernelGrid::kRimColor);
        QVERIFY(!p.grid->GetCell(56, 50));
        QCOMPARE(p.lbRadiusValue->text(), QString("5"));

        // Preview: a disc of radius 6, 12 pixels across (44..55), over grey cross-hairs.
        const QImage preview = Preview();
        const QColor aqua(0, 255, 255), grey(128, 128, 128), green(0, 128, 0);
        QCOMPARE(preview.pixelColor(50, 50), green);
        QCOMPARE(preview.pixelColor(44, 50), aqua);
        QCOMPARE(preview.pixelColor(55, 50), aqua);
        QCOMPARE(preview.pixelColor(43, 50), grey);
        QCOMPARE(preview.pixelColor(56, 50), grey);
        QCOMPARE(preview.pixelColor(50, 44), aqua);
        QCOMPARE(preview.pixelColor(50, 56), grey);
        QCOMPARE(preview.pixelColor(50, 5), grey);
        QVERIFY(preview.pixelColor(50, 96) != grey);

        log_.clear();
        p.tbRadius->setValue(0);
        QVERIFY(SetCells(*p.grid).empty());
        QCOMPARE(log_, QStringList({"empty"}));
    }

    void sliderReleaseFiresExactlyOneChange() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        for (controls::TTrackBarMouse* slider : {p.tbLowPass, p.tbMasking, p.tbLocalization,
                                                 p.tbKernelSmoothing, p.tbRadius, p.tbAngle}) {
            log_.clear();
            mouse_input::Press(slider, QPoint(5, 11));
            mouse_input::Move(slider, QPoint(60, 11));
            mouse_input::Move(slider, QPoint(slider->width() - 3, 11));
            QCOMPARE(Count("change"), 0);
            mouse_input::Release(slider, QPoint(slider->width() - 3, 11));
            QCOMPARE(Count("change"), 1);
            QVERIFY(slider->isEnabled());
        }
        // The radius drag drew the line as it went.
        QVERIFY(p.grid->IsNotEmpty());
    }

    void keyboardMovesRedrawWithoutChange() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        log_.clear();
        QTest::keyClick(p.tbRadius, Qt::Key_Right);
        QTest::keyClick(p.tbRadius, Qt::Key_Right);
        QCOMPARE(p.tbRadius->value(), 2);
        QCOMPARE(p.lbRadiusValue->text(), QString("2"));
        QCOMPARE(SetCells(*p.grid).size(), 5u);  // L = 3 both ways
        QTest::keyClick(p.tbAngle, Qt::Key_Right);
        QCOMPARE(p.lbAngleValue->text(), QString("1"));
        QTest::keyClick(p.tbLowPass, Qt::Key_Right);
        QCOMPARE(Count("change"), 0);
        QCOMPARE(Count("notempty"), 3);
    }

    void resetSlidersEmptiesTheKernelQuietly() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        for (controls::TTrackBarMouse* slider : {p.tbLowPass, p.tbLocalization, p.tbMasking,
                                                 p.tbKernelSmoothing, p.tbRadius, p.tbAngle})
            slider->setValue(7);
        QVERIFY(p.grid->IsNotEmpty());
        log_.clear();
        p.ResetSliders();
        QVERIFY(Count("empty") >= 1);
        QCOMPARE(Count("change"), 0);
        QVERIFY(!p.grid->IsNotEmpty());
        for (controls::TTrackBarMouse* slider : {p.tbLowPass, p.tbLocalization, p.tbMasking,
                                                 p.tbKernelSmoothing, p.tbRadius, p.tbAngle})
            QCOMPARE(slider->value(), 0);
        QCOMPARE(p.lbRadiusValue->text(), QString("0"));
        QCOMPARE(p.lbAngleValue->text(), QString("0"));
        QVERIFY(p.sbLineShapes->isChecked());
    }

    void resetAndZeroButtons() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        for (controls::TTrackBarMouse* slider : {p.tbLowPass, p.tbLocalization, p.tbMasking,
                                                 p.tbKernelSmoothing, p.tbRadius, p.tbAngle})
            slider->setValue(9);

        log_.clear();
        QTest::mouseClick(p.sbZeroDistortion, Qt::LeftButton);
        QCOMPARE(log_, QStringList({"change"}));
        for (controls::TTrackBarMouse* slider : {p.tbLowPass, p.tbLocalization, p.tbMasking, p.tbKernelSmoothing})
            QCOMPARE(slider->value(), 0);
        QCOMPARE(p.tbRadius->value(), 9);
        QVERIFY(p.grid->IsNotEmpty());

        log_.clear();
        QTest::mouseClick(p.sbReset, Qt::LeftButton);
        QCOMPARE(Count("change"), 1);
        QCOMPARE(log_.last(), QString("change"));
        QCOMPARE(p.tbRadius->value(), 0);
        QCOMPARE(p.tbAngle->value(), 0);
        QVERIFY(!p.grid->IsNotEmpty());
    }

    void zoomButtonsZoomTheGrid() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbZoomOut, Qt::LeftButton);
        QCOMPARE(p.grid->colsShown, 13);
        QTest::mouseClick(p.sbZoomIn, Qt::LeftButton);
        QTest::mouseClick(p.sbZoomIn, Qt::LeftButton);
        QCOMPARE(p.grid->colsShown, 9);
        QVERIFY(log_.isEmpty());
    }

    void gridEventsReachTheOwner() {
        BlurPanel& p = *panel_;
        const QPoint centre(5 * 18 + 9, 5 * 17 + 8);
        mouse_input::Click(p.grid, centre);
        QCOMPARE(log_, QStringList({"notempty", "change"}));
    }

    void hoverFramesThePictureAndReportsLeaving() {
        BlurPanel& p = *panel_;
        const QColor blue(0, 0, 255);
        mouse_input::Move(p.imgHover, QPoint(10, 10), Qt::NoButton);
        mouse_input::Move(p.imgHover, QPoint(11, 10), Qt::NoButton);
        QCOMPARE(log_, QStringList({"hover", "hover"}));
        QCOMPARE(p.grab().toImage().pixelColor(100, 210), blue);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(p.imgHover, &leave);
        QCOMPARE(log_.last(), QString("leave"));
        QCOMPARE(Count("change"), 0);
        QVERIFY(p.grab().toImage().pixelColor(100, 210) != blue);

        // Without a leave handler the owner is asked for a new result instead.
        p.OnHoverLeave = nullptr;
        log_.clear();
        QApplication::sendEvent(p.imgHover, &leave);
        QCOMPARE(log_, QStringList({"change"}));
    }
};

QTEST_MAIN(BlurPanelTest)
#include "blurpanel_test.moc"
