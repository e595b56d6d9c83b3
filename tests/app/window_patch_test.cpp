#include "app/bitmap_image.h"
#include "app/crop_model.h"
#include "app_test_main.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "window_fixture.h"

using windowtest::SameBitmap;
using windowtest::Window;
using namespace mouse_input;

namespace {

// Fill and outline of the indicator as drawn on screen.
struct Indicator {
    QRgb fill;
    QRgb outline;
    QString caption;
};

Indicator ReadIndicator(app::TFMain& w) {
    const QImage shown = w.shDB->grab().toImage();
    return {shown.pixel(shown.width() / 2, shown.height() / 2) & RGB_MASK, shown.pixel(0, 0) & RGB_MASK,
            w.lbStat->text()};
}

// The undeblurred square of the preview at the window's crop and zoom.
platform::Bitmap UndeblurredCrop(app::TFMain& w) {
    const int span = w.crop.Span();
    platform::Bitmap square(span, span, platform::PixelFormat::pf24bit);
    app::CopyCrop(w.imgPreview->Bitmap(), w.crop.cropLeft, w.crop.cropTop, span, square);
    return square;
}

// What the patch draws, against a bitmap.
bool Shows(app::TFMain& w, const platform::Bitmap& expected) {
    return w.img100->Shown() == app::ToQImage(expected);
}

// The pointer comes to rest on the blur panel's compare picture, and leaves it.
void PointAtEye(app::TFMain& w) {
    Move(w.blurPanel->imgHover, QPoint(9, 11), Qt::NoButton);
    Move(w.blurPanel->imgHover, QPoint(10, 11), Qt::NoButton);
}
void LeaveEye(app::TFMain& w) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w.blurPanel->imgHover, &leave);
}

// Records whether the patch was drawn with something other than the
// undeblurred crop while a recomputation ran.
class PatchPaintWatch : public QObject {
public:
    explicit PatchPaintWatch(app::TFMain& w) : w_(w) { w.img100->installEventFilter(this); }
    ~PatchPaintWatch() override { w_.img100->removeEventFilter(this); }
    int otherThanTheCrop = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && w_.inResultUpdate && !Shows(w_, UndeblurredCrop(w_)))
            ++otherThanTheCrop;
        return false;
    }

private:
    app::TFMain& w_;
};

}  // namespace

class WindowPatchTest : public QObject {
    Q_OBJECT

private slots:
    // Presses on the preview place the crop and the patch shows its pixels.
    void previewPressPlacesTheCropAndCopiesItsPixels_data() {
        QTest::addColumn<bool>("zoomed");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        // 1728 x 1152 on 336 x 224: 36/7 preview pixels per control pixel.
        QTest::newRow("top-left corner") << false << QPoint(0, 0) << 0 << 0;
        QTest::newRow("bottom-right at 200%") << true << QPoint(335, 223) << 1472 << 896;
        QTest::newRow("odd origin goes up by one") << false << QPoint(101, 77) << 264 << 140;
        QTest::newRow("at 200% the half-size crop keeps the centre") << true << QPoint(101, 77) << 392 << 268;
    }

    void previewPressPlacesTheCropAndCopiesItsPixels() {
        QFETCH(bool, zoomed);
        QFETCH(QPoint, press);
        QFETCH(int, left);
        QFETCH(int, top);
        Window w;
        QVERIFY(w.ShowNewPhoto(true));
        QCOMPARE(w->imgPreview->Bitmap().Width(), 1728);
        if (zoomed) w->btPercentage->click();
        Press(w->imgPreview, press);
        QCOMPARE(w->previewDragging, true);
        QCOMPARE(w->crop.cropLeft, left);
        QCOMPARE(w->crop.cropTop, top);
        const int span = zoomed ? 256 : 512;
        const platform::Bitmap& patch = w->img100->Bitmap();
        QCOMPARE(patch.Width(), span);
        QCOMPARE(patch.Height(), span);
        const platform::Bitmap& preview = w->imgPreview->Bitmap();
        for (const QPoint p : {QPoint(0, 0), QPoint(span - 1, 0), QPoint(3, span - 1), QPoint(span - 1, span - 2),
                               QPoint(span / 2 + 1, span / 3)})
            QCOMPARE(patch.Pixel(p.x(), p.y()), preview.Pixel(left + p.x(), top + p.y()));
        // Dragging follows; the release ends the drag.
        Move(w->imgPreview, press + QPoint(2, 0));
        Release(w->imgPreview, press + QPoint(2, 0));
        QCOMPARE(w->previewDragging, false);
        QCOMPARE(w->crop.cropCentreX, double(press.x() + 2));
        // A move without a press does not move the crop.
        const int leftBefore = w->crop.cropLeft;
        Move(w->imgPreview, QPoint(0, 0), Qt::NoButton);
        QCOMPARE(w->crop.cropLeft, leftBefore);
    }

    void zoomButtonTogglesCaptionSizeAndStretch() {
        Window w;
        w.ShowCentredJpeg();
        const struct {
            int zoom;
            const char* caption;
            int span;
            int left;
        } steps[] = {{200, "200% - drag to move the image", 256, 736},
                     {100, "100% - drag to move the image", 512, 608},
                     {200, "200% - drag to move the image", 256, 736}};
        for (const auto& step : steps) {
            w->btPercentage->click();
            QCOMPARE(w->crop.zoomPercent, step.zoom);
            QCOMPARE(w->gbResult->title(), QString(step.caption));
            QCOMPARE(w->img100->Bitmap().Width(), step.span);
            QCOMPARE(w->imgCircles->Bitmap().Width(), step.span);
            QCOMPARE(w->img100->stretch, step.zoom == 200);
            QCOMPARE(w->img100->PictureRect(), step.zoom == 200 ? QRect(0, 0, 472, 472) : QRect(-20, -20, 512, 512));
            QCOMPARE(w->crop.cropLeft, step.left);
        }
    }

    void draggingInsideThePatchPansIt() {
        Window w;
        w.ShowCentredJpeg();
        // Pointer right and up: the crop goes left and down.
        Press(w->imgCircles, QPoint(200, 200));
        Move(w->imgCircles, QPoint(230, 190));
        QCOMPARE(w->crop.cropLeft, 578 + 0);
        QCOMPARE(w->crop.cropTop, 330);
        const platform::Bitmap& preview = w->imgPreview->Bitmap();
        QCOMPARE(w->img100->Bitmap().Pixel(7, 9), preview.Pixel(578 + 7, 330 + 9));
        Release(w->imgCircles, QPoint(230, 190));
        QCOMPARE(w->circleEditor.circleMouseDown, false);
        // Without a press moves do nothing.
        Move(w->imgCircles, QPoint(10, 10), Qt::NoButton);
        QCOMPARE(w->crop.cropLeft, 578);
    }

    // A request made while a recomputation runs is dropped and the grid
    // refuses clicks until the running one has finished.
    void busyGuardDropsNestedRequests() {
        Window w;
        QVERIFY(w.ShowNewPhoto(true));
        w.DrawLineKernel(4);
        int nested = 0;
        bool editableDuringDrop = true;
        bool stillRunning = false;
        platform::SetProcessMessagesHook([&] {
            if (w->inResultUpdate && nested == 0) {
                ++nested;
                w->tbTest->setValue(w->tbTest->value() + 1);
                editableDuringDrop = w->blurPanel->grid->editable;
                stillRunning = w->inResultUpdate;
            }
        });
        const platform::Bitmap before = w->img100->Bitmap();
        w->UpdateResult();
        QCOMPARE(nested, 1);
        QCOMPARE(editableDuringDrop, false);
        QCOMPARE(stillRunning, true);
        QCOMPARE(w->inResultUpdate, false);
        QCOMPARE(w->blurPanel->grid->editable, true);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(SameBitmap(before, w->img100->Bitmap()));
    }

    void indicatorFollowsKernelSliderAndComputation() {
        Window w;
        QVERIFY(w.ShowNewPhoto(true));
        const QRgb face = w->palette().color(QPalette::Button).rgb() & RGB_MASK;
        const Indicator off{face, 0x000000, "off "};
        const Indicator on{0x008000, 0x00FF00, "on "};
        const QRgb computingOutline = 0x0000FF;
        const auto expect = [&](const Indicator& want, const char* what) {
            const Indicator got = ReadIndicator(*w);
            QVERIFY2(got.fill == want.fill, what);
            QVERIFY2(got.outline == want.outline, what);
            QCOMPARE(got.caption, want.caption);
        };
        expect(off, "empty kernel");
        // A held slider shows nothing while the kernel is empty.
        w->tbCircleSize->OnMouseDownEvent(w->tbCircleSize);
        expect(off, "held, empty kernel");

        Indicator computing{};
        platform::SetProcessMessagesHook([&] {
            if (w->inResultUpdate && computing.caption.isEmpty()) computing = ReadIndicator(*w);
        });
        w.DrawLineKernel(5);
        expect(on, "after a result");
        QCOMPARE(computing.caption, QString("[working...]"));
        QVERIFY(computing.outline == computingOutline);

        w->tbCircleSize->OnMouseDownEvent(w->tbCircleSize);
        expect({0xFF8000, 0xFFFF00, "[release slider for new result to show]"}, "slider held");
        computing = {};
        w->tbCircleSize->OnMouseUpEvent(w->tbCircleSize);
        QVERIFY2(computing.fill == 0xFF8000, "computing keeps the fill");
        QVERIFY(computing.outline == computingOutline);
        expect(on, "released");

        // A press on the preview turns it off until the release recomputes.
        Press(w->imgPreview, QPoint(100, 100));
        expect(off, "preview pressed");
        Release(w->imgPreview, QPoint(100, 100));
        expect(on, "preview released");

        // Emptying the kernel: off at once and no final result.
        w->blurPanel->grid->Clear(true);
        QVERIFY(!w->deblurActive);
        QVERIFY(!w->btApplyDeblur->isEnabled());
        expect(off, "kernel emptied");
    }

    void compareShowsTheUndeblurredCropAndRestoresThePatchExactly() {
        Window w;
        QVERIFY(w.ShowNewPhoto(true));
        Click(w->imgPreview, QPoint(150, 90));
        const platform::Bitmap undeblurred = w->img100->Bitmap();
        w.DrawLineKernel(6);
        const platform::Bitmap deblurred = w->img100->Bitmap();
        QVERIFY2(!SameBitmap(undeblurred, deblurred), "the kernel changed the patch");

        w->blurPanel->OnHover(w->blurPanel);
        QVERIFY(w->comparing);
        QVERIFY(SameBitmap(w->img100->Bitmap(), undeblurred));
        QCOMPARE(w->lbStat->text(), QString("off "));
        // A second hover keeps the first copy.
        w->blurPanel->OnHover(w->blurPanel);
        w->blurPanel->OnHoverLeave(w->blurPanel);
        QVERIFY(!w->comparing);
        QVERIFY(!w->compareBitmap);
        QVERIFY(SameBitmap(w->img100->Bitmap(), deblurred));
        QCOMPARE(w->lbStat->text(), QString("on "));
        // Leaving again without a hover changes nothing.
        w->blurPanel->OnHoverLeave(w->blurPanel);
        QVERIFY(SameBitmap(w->img100->Bitmap(), deblurred));
    }

    // A key on a blur slider or on "100/200%" while the pointer rests on the
    // compare picture: the undeblurred crop stays in view at the current zoom,
    // and leaving shows the result of the settings and zoom now in force.
    void changesWhileComparingShowOnLeaving_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::addColumn<bool>("startZoomed");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        for (const bool isJPEG : {true, false}) {
            const QByteArray photo = isJPEG ? "JPEG, " : "DNG, ";
            QTest::newRow(photo + "End on low pass") << isJPEG << false << "tbLowPass" << int(Qt::Key_End);
            QTest::newRow(photo + "End on kernel smoothing at 200%")
                << isJPEG << true << "tbKernelSmoothing" << int(Qt::Key_End);
            QTest::newRow(photo + "Page Up on masking") << isJPEG << false << "tbMasking" << int(Qt::Key_PageUp);
            QTest::newRow(photo + "End on localization") << isJPEG << false << "tbLocalization" << int(Qt::Key_End);
            QTest::newRow(photo + "Up on the line length") << isJPEG << true << "tbRadius" << int(Qt::Key_Up);
            QTest::newRow(photo + "Home empties the kernel") << isJPEG << false << "tbRadius" << int(Qt::Key_Home);
            QTest::newRow(photo + "Space on 100/200% at 100%") << isJPEG << false << "btPercentage"
                                                               << int(Qt::Key_Space);
            QTest::newRow(photo + "Space on 100/200% at 200%") << isJPEG << true << "btPercentage"
                                                               << int(Qt::Key_Space);
            QTest::newRow(photo + "nothing changed") << isJPEG << true << "" << 0;
        }
    }

    void changesWhileComparingShowOnLeaving() {
        QFETCH(bool, isJPEG);
        QFETCH(bool, startZoomed);
        QFETCH(QString, control);
        QFETCH(int, key);
        Window w;
        QVERIFY(w.ShowNewPhoto(isJPEG, 1046, 702));
        Click(w->imgPreview, QPoint(150, 97));
        w.DrawLineKernel(5);
        if (startZoomed) w->btPercentage->click();
        controls::BlurPanel* panel = w->blurPanel;
        QWidget* target = nullptr;
        if (!control.isEmpty()) {
            const QHash<QString, QWidget*> byName = {
                {"tbLowPass", panel->tbLowPass},   {"tbKernelSmoothing", panel->tbKernelSmoothing},
                {"tbMasking", panel->tbMasking},   {"tbLocalization", panel->tbLocalization},
                {"tbRadius", panel->tbRadius},     {"btPercentage", w->btPercentage}};
            target = byName.value(control);
            QVERIFY2(target != nullptr, qPrintable(control));
            target->setFocus();
        }
        const platform::Bitmap before = w->img100->Bitmap();
        QVERIFY(Shows(*w, before));

        PointAtEye(*w);
        QVERIFY(w->comparing);
        QVERIFY(SameBitmap(w->img100->Bitmap(), UndeblurredCrop(*w)));
        bool recomputed = false;
        platform::SetProcessMessagesHook([&] { recomputed = recomputed || w->inResultUpdate; });
        PatchPaintWatch watch(*w);
        if (target) QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(recomputed, target != nullptr && panel->grid->IsNotEmpty());
        PointAtEye(*w);
        // Still on the eye: the undeblurred crop at the zoom now in force, drawn
        // so all along, and the indicator off.
        QVERIFY(w->comparing);
        QCOMPARE(w->crop.zoomPercent, startZoomed == (control != "btPercentage") ? 200 : 100);
        const platform::Bitmap undeblurred = UndeblurredCrop(*w);
        QVERIFY(SameBitmap(w->img100->Bitmap(), undeblurred));
        QVERIFY(Shows(*w, undeblurred));
        QCOMPARE(watch.otherThanTheCrop, 0);
        QCOMPARE(w->lbStat->text(), QString("off "));

        recomputed = false;
        LeaveEye(*w);
        QVERIFY2(!recomputed, "leaving shows what is kept");
        QVERIFY(!w->comparing);
        QVERIFY(!w->compareBitmap);
        const platform::Bitmap left = w->img100->Bitmap();
        QVERIFY(Shows(*w, left));
        QCOMPARE(w->lbStat->text(), QString(panel->grid->IsNotEmpty() ? "on " : "off "));
        QCOMPARE(w->gbResult->title(), QString::fromStdString(app::CropModel::ZoomCaption(w->crop.zoomPercent)));
        QCOMPARE(w->img100->stretch, w->crop.zoomPercent == 200);

        // A fresh recomputation at the zoom now in force gives what leaving showed.
        w->UpdateResult();
        const platform::Bitmap fresh = w->img100->Bitmap();
        QCOMPARE(left.Width(), w->crop.Span());
        QVERIFY2(SameBitmap(left, fresh), "the patch after leaving is the current result");
        QVERIFY2(SameBitmap(before, fresh) == (key == 0), "the key changed the result");
    }

    // Another photo chosen with the keyboard while the pointer rests on the
    // compare picture: leaving does not bring back the first photo's patch.
    void anotherPhotoWhileComparingEndsTheCompare() {
        Window w;
        w.AddJpeg("a.jpg");
        w.AddJpeg("b.jpg");
        QVERIFY(w.Select("a.jpg"));
        Click(w->imgPreview, QPoint(150, 97));
        w.DrawLineKernel(5);
        PointAtEye(*w);
        QVERIFY(w->comparing);
        w->lvExplore->setFocus();
        QTest::keyClick(w->lvExplore, Qt::Key_Down);
        QCOMPARE(w->lvExplore->currentItem()->text(), QString("b.jpg"));
        const platform::Bitmap undeblurred = UndeblurredCrop(*w);
        QVERIFY(Shows(*w, undeblurred));
        LeaveEye(*w);
        QVERIFY(SameBitmap(w->img100->Bitmap(), undeblurred));
        QVERIFY(Shows(*w, undeblurred));
        QCOMPARE(w->lbStat->text(), QString("off "));
    }

    // The three-plane box recomputes with the positions shown, all four.
    void threePlaneBoxRecomputesWithTheSlidersShown() {
        Window w;
        QVERIFY(w.ShowNewPhoto(true));
        w.DrawLineKernel(3);
        controls::BlurPanel* panel = w->blurPanel;
        panel->tbLowPass->setValue(12);
        panel->tbLocalization->setValue(11);
        panel->tbMasking->setValue(5);
        panel->tbKernelSmoothing->setValue(4);
        w->cbHighQuality->click();
        const engine::ClassFFT& fft = *w->fftEngine;
        QCOMPARE(QList<int>({fft.lowPass, fft.localization, fft.maskThreshold, fft.kernelSmoothing}),
                 QList<int>({12, 11, 5, 4}));
        QCOMPARE(fft.localizationMax, panel->tbLocalization->maximum());
        QCOMPARE(w->convert->HighQuality, w->cbHighQuality->isChecked());
    }

    // The program sets the three-plane box for a monochrome DNG; the method
    // follows the box then as it does after a click.
    void threePlaneMethodFollowsTheBoxFromColourToMonoToColour() {
        Window w;
        w.AddDng("colour.dng", 400, 300);
        pipelinetest::WriteFixtureFile(w.folder, "mono.dng", pipelinetest::MonochromeFixture(400, 300));
        QVERIFY(w.OpenDng("colour.dng"));
        w->cbHighQuality->click();
        QVERIFY(w->cbHighQuality->isChecked());
        QVERIFY(w->convert->HighQuality);
        const struct {
            const char* photo;
            bool boxEnabled;
        } steps[] = {{"mono.dng", false}, {"colour.dng", true}};
        for (const auto& step : steps) {
            QVERIFY2(w.OpenDng(step.photo), step.photo);
            QVERIFY2(!w->cbHighQuality->isChecked(), step.photo);
            QVERIFY2(w->cbHighQuality->isEnabled() == step.boxEnabled, step.photo);
            QVERIFY2(!w->convert->HighQuality, step.photo);
        }
        w->cbHighQuality->click();
        QVERIFY(w->convert->HighQuality);
    }

    // The DNG side: the result scale before every recomputation, and
    // brightness applied only when its position changed.
    void dngPatchGetsItsScaleAndBrightnessOnlyOnChange() {
        Window w;
        QVERIFY(w.ShowNewPhoto(false));
        QVERIFY(w->convert->HasOpenDNG());
        // What the preview shows is the rendered bitmap.
        const platform::Bitmap& rendered = w->imgPreview->Bitmap();
        QCOMPARE(w->imgPreview->Shown().size(), QSize(rendered.Width(), rendered.Height()));
        const uint32_t sample = rendered.Pixel(17, 9);
        QCOMPARE(w->imgPreview->Shown().pixel(17, 9) & RGB_MASK,
                 qRgb(platform::RedOf(sample), platform::GreenOf(sample), platform::BlueOf(sample)) & RGB_MASK);
        // The scale each recomputation starts from, whatever was left in it.
        double startScale = 0;
        platform::SetProcessMessagesHook([&] {
            if (w->inResultUpdate && w->convert->Negative && startScale == 0)
                startScale = w->convert->Negative->fResultScale;
        });
        w.DrawLineKernel(4);
        for (const int zoom : {200, 100, 200}) {
            w->convert->Negative->fResultScale = 3.0;
            startScale = 0;
            w->btPercentage->click();
            QCOMPARE(w->crop.zoomPercent, zoom);
            QCOMPARE(startScale, zoom == 200 ? 2.0 : 1.0);
            QCOMPARE(w->img100->Bitmap().Width(), zoom == 200 ? 256 : 512);
        }

        // Brightness or contrast released where it was: the preview is not rendered again.
        platform::Bitmap& preview = w->imgPreview->Bitmap();
        const struct {
            controls::TTrackBarMouse* slider;
            const int& last;
            int moved;
        } sliders[] = {{w->tbBrightness, w->lastBrightness, 30}, {w->tbContrast, w->lastContrast, -20}};
        for (const auto& s : sliders) {
            QVERIFY(s.slider->isEnabled());
            preview.SetPixel(5, 5, 0x123456);
            w.ReleaseSlider(s.slider, 0);
            QCOMPARE(preview.Pixel(5, 5), uint32_t(0x123456));
            QCOMPARE(s.last, 0);
            w.ReleaseSlider(s.slider, s.moved);
            QCOMPARE(s.last, s.moved);
            QVERIFY(preview.Pixel(5, 5) != uint32_t(0x123456));
        }
    }
};

CLARIVANE_APP_TEST_MAIN(WindowPatchTest)
#include "window_patch_test.moc"
