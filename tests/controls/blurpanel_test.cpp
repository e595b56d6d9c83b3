#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "controls/class_blurpanel.h"
#include "grid_cells.h"
#include "mouse_input.h"

using controls::BlurPanel;
using controls::KernelGrid;
using controls::TTrackBarMouse;

namespace {

// Screen directions for angle-slider positions that are multiples of 90:
// 0 up, 90 right, 180 down, 270 left (y grows downward).
QPoint Direction(int degrees) {
    const QPoint directions[] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    return directions[(degrees / 90) % 4];
}

// The centre cell and `beyond` cells further in `direction`.
void AddSpoke(std::set<Cell>& cells, QPoint direction, int beyond) {
    for (int k = 0; k <= beyond; ++k) cells.insert({50 + k * direction.x(), 50 + k * direction.y()});
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

    QImage Preview() const { return panel_->imgKernel->pixmap().toImage(); }

    std::vector<TTrackBarMouse*> Sliders() const {
        const BlurPanel& p = *panel_;
        return {p.tbLowPass, p.tbMasking, p.tbLocalization, p.tbKernelSmoothing, p.tbRadius, p.tbAngle};
    }

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
        const std::pair<QWidget*, QRect> places[] = {
            {p.grid, {5, 5, 199, 188}},              {p.sbFreeGrid, {5, 210, 23, 22}},
            {p.sbLineShapes, {30, 210, 23, 22}},     {p.sbCylinderCircle, {55, 210, 23, 22}},
            {p.imgHover, {100, 210, 20, 20}},        {p.sbZoomIn, {245, 210, 23, 22}},
            {p.sbZoomOut, {270, 210, 23, 22}},       {p.sbZeroDistortion, {295, 210, 23, 22}},
            {p.sbReset, {320, 210, 23, 22}},         {p.bvSliders, {211, 2, 3, 198}},
            {p.bvButtons, {3, 202, 372, 3}},         {p.tbKernelSmoothing, {214, 20, 130, 22}},
            {p.tbLowPass, {214, 63, 130, 22}},       {p.tbMasking, {214, 106, 130, 22}},
            {p.tbLocalization, {214, 149, 130, 22}}, {p.imgKernel, {50, 35, 99, 99}},
            {p.tbRadius, {33, 144, 133, 22}},        {p.tbAngle, {33, 171, 133, 22}},
        };
        for (const auto& [widget, place] : places)
            QCOMPARE(widget->geometry(), place);
        const std::pair<QWidget*, QPoint> corners[] = {
            {p.lbRadiusValue, {171, 148}}, {p.lbAngle, {6, 175}}, {p.lbAngleValue, {171, 175}}, {p.cbShape, {50, 5}}};
        for (const auto& [widget, corner] : corners)
            QCOMPARE(widget->pos(), corner);
        const int maxima[] = {200, 65535, 400, 150, 40, 360};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(Sliders()[std::size_t(i)]->maximum(), maxima[i]);

        // The owner narrows the panel: the button separator keeps its right end.
        p.resize(350, 237);
        QCoreApplication::processEvents();
        QCOMPARE(p.bvButtons->geometry().right(), 350 - 6);
        QCOMPARE(p.sbZoomIn->x(), 245);
    }

    void modeSwitches() {
        BlurPanel& p = *panel_;
        enum Mode { kFree = 1, kLine = 2, kDisc = 4, kAll = 7 };
        const std::pair<QWidget*, int> shownIn[] = {
            {p.grid, kFree},     {p.sbZoomIn, kFree},         {p.sbZoomOut, kFree},
            {p.tbAngle, kLine},  {p.lbAngle, kLine},          {p.lbAngleValue, kLine},
            {p.cbShape, kLine},  {p.imgKernel, kLine | kDisc}, {p.tbRadius, kLine | kDisc},
            {p.sbReset, kAll},   {p.tbMasking, kAll},
        };
        // Each switch fires `changes` OnChange and leaves the grid in `gridMode`.
        const auto check = [&](QToolButton* button, int mode, int changes, int gridMode) {
            log_.clear();
            QTest::mouseClick(button, Qt::LeftButton);
            for (QToolButton* b : {p.sbFreeGrid, p.sbLineShapes, p.sbCylinderCircle})
                QCOMPARE(b->isChecked(), b == button);
            for (const auto& [widget, modes] : shownIn)
                QCOMPARE(widget->isVisible(), (modes & mode) != 0);
            QCOMPARE(log_.count("change"), changes);
            QCOMPARE(p.grid->GridMode(), gridMode);
        };
        check(p.sbLineShapes, kLine, 1, 0);
        QCOMPARE(p.cbShape->count(), 6);
        QCOMPARE(p.cbShape->itemText(5), QString("1/2 cross (T shape)"));
        p.tbRadius->setValue(5);
        check(p.sbCylinderCircle, kDisc, 1, 1);
        const auto disc = SetCells(*p.grid);
        QVERIFY(disc.count({55, 50}));
        // Back to the free grid: the disc stays, now cell by cell, and nothing fires.
        check(p.sbFreeGrid, kFree, 0, 0);
        QVERIFY(log_.isEmpty());
        QCOMPARE(SetCells(*p.grid), disc);
        // A second visit keeps the shape list as it was filled.
        check(p.sbLineShapes, kLine, 1, 0);
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
        const QPoint side = Direction(degrees + 90);
        // Lengths of the spokes backwards and to both sides, per shape.
        const int back[] = {8, 4, -1, 8, 4, -1};
        const int sides[] = {-1, -1, -1, 8, 4, 4};
        std::set<Cell> expected;
        AddSpoke(expected, main, 8);
        AddSpoke(expected, -main, back[shape]);
        AddSpoke(expected, side, sides[shape]);
        AddSpoke(expected, -side, sides[shape]);
        QCOMPARE(SetCells(*p.grid), expected);
        QCOMPARE(p.angle, degrees - 90.0);
        QCOMPARE(p.lbAngleValue->text(), QString::number(degrees));
        QCOMPARE(p.lbRadiusValue->text(), QString("8"));

        // The preview shows the main spoke in aqua and its direction beyond in grey.
        const QImage preview = Preview();
        QCOMPARE(preview.pixelColor(QPoint(50, 50) + 5 * main), QColor(0, 255, 255));
        QCOMPARE(preview.pixelColor(QPoint(50, 50) + 30 * main), QColor(128, 128, 128));
    }

    void shortestAndEmptyLinesAndAShapeChosenByKeyboard() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        p.tbRadius->setValue(1);
        QCOMPARE(SetCells(*p.grid), (std::set<Cell>{{50, 49}, {50, 50}, {50, 51}}));
        log_.clear();
        p.tbRadius->setValue(0);
        QVERIFY(SetCells(*p.grid).empty());
        QCOMPARE(log_, QStringList({"empty"}));

        p.tbRadius->setValue(8);
        log_.clear();
        QTest::keyClick(p.cbShape, Qt::Key_Down);
        QTest::keyClick(p.cbShape, Qt::Key_Down);
        QCOMPARE(p.shapeIndex, 2);
        QCOMPARE(log_.count("change"), 2);
        std::set<Cell> halfLine;
        AddSpoke(halfLine, Direction(0), 8);
        QCOMPARE(SetCells(*p.grid), halfLine);
    }

    void discKernels() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbCylinderCircle, Qt::LeftButton);
        QVERIFY(SetCells(*p.grid).empty());
        QCOMPARE(log_, QStringList({"empty", "empty", "change"}));

        log_.clear();
        p.tbRadius->setValue(5);
        QCOMPARE(log_, QStringList({"notempty"}));
        QCOMPARE(p.grid->GetCellColor(54, 50), KernelGrid::kCoreColor);
        QCOMPARE(p.grid->GetCellColor(55, 50), KernelGrid::kRimColor);
        QCOMPARE(p.grid->GetCellColor(50, 45), KernelGrid::kRimColor);
        QVERIFY(!p.grid->GetCell(56, 50));

        // Preview: a disc of radius 6, 12 pixels across (44..55), over grey cross-hairs.
        const QImage preview = Preview();
        QCOMPARE(preview.pixelColor(50, 50), QColor(0, 128, 0));
        for (QPoint at : {QPoint(44, 50), QPoint(55, 50), QPoint(50, 44)})
            QCOMPARE(preview.pixelColor(at), QColor(0, 255, 255));
        for (QPoint at : {QPoint(43, 50), QPoint(56, 50), QPoint(50, 56), QPoint(50, 5)})
            QCOMPARE(preview.pixelColor(at), QColor(128, 128, 128));
        QVERIFY(preview.pixelColor(50, 96) != QColor(128, 128, 128));

        log_.clear();
        p.tbRadius->setValue(0);
        QVERIFY(SetCells(*p.grid).empty());
        QCOMPARE(log_, QStringList({"empty"}));
    }

    void sliderReleaseAndEveryMovingKeyFireOneChange() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        for (TTrackBarMouse* slider : Sliders()) {
            log_.clear();
            mouse_input::Press(slider, QPoint(5, 11));
            mouse_input::Move(slider, QPoint(slider->width() - 3, 11));
            QCOMPARE(log_.count("change"), 0);
            mouse_input::Release(slider, QPoint(slider->width() - 3, 11));
            QCOMPARE(log_.count("change"), 1);
            QVERIFY(slider->isEnabled());
        }
        QVERIFY(p.grid->IsNotEmpty());  // the radius drag drew the line as it went

        p.ResetSliders();
        log_.clear();
        QTest::keyClick(p.tbRadius, Qt::Key_Right);
        QTest::keyClick(p.tbRadius, Qt::Key_Right);
        QCOMPARE(p.lbRadiusValue->text(), QString("2"));
        QCOMPARE(SetCells(*p.grid).size(), 5u);  // L = 3 both ways
        QTest::keyClick(p.tbLowPass, Qt::Key_Right);
        // A key at the slider's end moves nothing and changes nothing.
        QTest::keyClick(p.tbLowPass, Qt::Key_Home);
        QTest::keyClick(p.tbLowPass, Qt::Key_Left);
        QCOMPARE(log_, QStringList({"notempty", "change", "notempty", "change", "change", "change"}));
    }

    void resetSlidersEmptiesTheKernelQuietly() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        for (TTrackBarMouse* slider : Sliders())
            slider->setValue(7);
        log_.clear();
        p.ResetSliders();
        QVERIFY(log_.contains("empty") && !log_.contains("change"));
        QVERIFY(!p.grid->IsNotEmpty());
        for (TTrackBarMouse* slider : Sliders())
            QCOMPARE(slider->value(), 0);
        QCOMPARE(p.lbRadiusValue->text() + p.lbAngleValue->text(), QString("00"));
        QVERIFY(p.sbLineShapes->isChecked());
    }

    void buttonsFireOneChange() {
        BlurPanel& p = *panel_;
        QTest::mouseClick(p.sbZoomOut, Qt::LeftButton);
        QCOMPARE(p.grid->colsShown, 13);
        QTest::mouseClick(p.sbZoomIn, Qt::LeftButton);
        QTest::mouseClick(p.sbZoomIn, Qt::LeftButton);
        QCOMPARE(p.grid->colsShown, 9);
        // A click on the grid reaches the owner.
        mouse_input::Click(p.grid, QPoint(4 * 22 + 11, 4 * 20 + 10));
        QCOMPARE(log_, QStringList({"notempty", "change"}));

        QTest::mouseClick(p.sbLineShapes, Qt::LeftButton);
        for (TTrackBarMouse* slider : Sliders())
            slider->setValue(9);
        log_.clear();
        QTest::mouseClick(p.sbZeroDistortion, Qt::LeftButton);
        QCOMPARE(log_, QStringList({"change"}));
        for (TTrackBarMouse* slider : Sliders())
            QCOMPARE(slider->value(), slider == p.tbRadius || slider == p.tbAngle ? 9 : 0);

        log_.clear();
        QTest::mouseClick(p.sbReset, Qt::LeftButton);
        QCOMPARE(log_.count("change"), 1);
        QCOMPARE(log_.last(), QString("change"));
        QVERIFY(!p.grid->IsNotEmpty());
        QCOMPARE(p.tbRadius->value() + p.tbAngle->value(), 0);
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
        QVERIFY(!log_.contains("change"));
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
