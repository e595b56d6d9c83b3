#include <QImage>
#include <cmath>
#include <new>

#include "app/crop_model.h"
#include "app_test_main.h"
#include "engine/class_fft.h"
#include "dng_test_support.h"
#include "libraw_values.h"
#include "window_fixture.h"

using windowtest::Window;

namespace {

// The part of the patch that shows the photo: patch pixel (x, y) is preview
// pixel (cropLeft + x, cropTop + y).
QRect PhotoArea(app::TFMain& w) {
    const platform::Bitmap& preview = w.imgPreview->Bitmap();
    const QRect photo(-w.crop.cropLeft, -w.crop.cropTop, preview.Width(), preview.Height());
    return photo & QRect(0, 0, w.crop.Span(), w.crop.Span());
}

bool Black(const platform::Bitmap& b, int x, int y) { return b.Pixel(x, y) == 0; }

// Whether a row (or column) of the patch between two limits is black throughout.
bool BlackLine(const platform::Bitmap& b, bool row, int at, int from, int to) {
    for (int i = from; i < to; ++i)
        if (!(row ? Black(b, i, at) : Black(b, at, i))) return false;
    return true;
}

// The patch shows the photo exactly in its area: the area's edge rows and
// columns hold photo pixels, the ones just outside it are black.
QString PlacementFault(const platform::Bitmap& patch, const QRect& area) {
    const int span = patch.Width();
    if (patch.Height() != span) return "not square";
    if (BlackLine(patch, true, area.top(), area.left(), area.right() + 1)) return "top row black";
    if (BlackLine(patch, true, area.bottom(), area.left(), area.right() + 1)) return "bottom row black";
    if (BlackLine(patch, false, area.left(), area.top(), area.bottom() + 1)) return "left column black";
    if (BlackLine(patch, false, area.right(), area.top(), area.bottom() + 1)) return "right column black";
    if (area.top() > 0 && !BlackLine(patch, true, area.top() - 1, 0, span)) return "above not black";
    if (area.bottom() + 1 < span && !BlackLine(patch, true, area.bottom() + 1, 0, span)) return "below not black";
    if (area.left() > 0 && !BlackLine(patch, false, area.left() - 1, 0, span)) return "left of it not black";
    if (area.right() + 1 < span && !BlackLine(patch, false, area.right() + 1, 0, span))
        return "right of it not black";
    return {};
}

// Share of the area's pixels that differ between two patches.
double ChangedShare(const platform::Bitmap& a, const platform::Bitmap& b, const QRect& area) {
    int changed = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) changed += a.Pixel(x, y) != b.Pixel(x, y);
    return double(changed) / (area.width() * area.height());
}

// One deblur circle placed at the middle of the photo area: the patch
// changes inside it and stays the undeblurred crop well outside it, so the
// circle deblurs where it was put.
QString CircleFault(Window& w, const platform::Bitmap& undeblurred, const QRect& area) {
    w->sbDeblurCircle->click();
    const QPoint centre = area.center();
    const QPoint onOverlay = w->crop.zoomPercent == 200
                                 ? centre * app::CropModel::kPatchControlSize / w->crop.Span()
                                 : centre - QPoint(app::CropModel::kPatchMargin, app::CropModel::kPatchMargin);
    Window::Click(w->imgCircles, onOverlay);
    if (w->fftEngine->circles.size() != 1) return "no circle";
    const engine::ControlCircle& circle = *w->fftEngine->circles.front();
    const QPoint inPatch(circle.x - w->crop.cropLeft, circle.y - w->crop.cropTop);
    if ((inPatch - centre).manhattanLength() > 4) return "circle placed elsewhere";
    const platform::Bitmap& patch = w->img100->Bitmap();
    const double radius = circle.radiusX;
    int inside = 0, insideChanged = 0, outside = 0, outsideChanged = 0;
    // The outermost pixels of the window are demosaiced from fewer neighbours than in the preview.
    const QRect compared = area.adjusted(3, 3, -3, -3);
    for (int y = compared.top(); y <= compared.bottom(); ++y)
        for (int x = compared.left(); x <= compared.right(); ++x) {
            const double distance = std::hypot(x - inPatch.x(), y - inPatch.y());
            const bool changed = patch.Pixel(x, y) != undeblurred.Pixel(x, y);
            if (distance < radius / 2) {
                ++inside;
                insideChanged += changed;
            } else if (distance > radius + 4) {
                ++outside;
                outsideChanged += changed;
            }
        }
    if (inside == 0 || outside == 0) return "nothing to compare";
    if (insideChanged < inside / 2) return QString("inside, %1 of %2 changed").arg(insideChanged).arg(inside);
    if (outsideChanged > 0) return QString("outside, %1 of %2 changed").arg(outsideChanged).arg(outside);
    return {};
}

// A JPEG of the given size with detail everywhere, so that a kernel changes it.
QString WriteJpeg(Window& w, const QString& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 7 + y * 3) % 200 + 20, ((x / 5 + y / 3) % 2) * 150 + 40, (x ^ y) % 180 + 30));
    const QString path = QString::fromStdString(w.folder.File(name.toStdString()));
    return image.save(path, "JPEG", 95) ? path : QString();
}

// The patch before and after a line kernel: the photo shown where the
// undeblurred crop shows it, black around it, most of it changed, no message,
// and a circle at its middle deblurring there only.
void VerifyKernelDeblursThePhotoArea(Window& w) {
    const platform::Bitmap undeblurred = w->img100->Bitmap();
    const QRect area = PhotoArea(*w);
    QVERIFY(!area.isEmpty());
    QCOMPARE(PlacementFault(undeblurred, area), QString());
    w.DrawLineKernel(5);
    QCOMPARE(w.messages.messages.size(), std::size_t(0));
    QCOMPARE(w->lbStat->text(), QString("on "));
    const platform::Bitmap deblurred = w->img100->Bitmap();
    QCOMPARE(deblurred.Width(), w->crop.Span());
    QCOMPARE(PlacementFault(deblurred, area), QString());
    const double changed = ChangedShare(undeblurred, deblurred, area);
    QVERIFY2(changed > 0.5, qPrintable(QString::number(changed)));
    // To its last column: the planes are cut to a multiple of 4 wide.
    for (int x = area.right() - 3; x <= area.right(); ++x) {
        const double column = ChangedShare(undeblurred, deblurred, QRect(x, area.top(), 1, area.height()));
        QVERIFY2(column > 0.5, qPrintable(QString("column %1: %2").arg(x).arg(column)));
    }
    QCOMPARE(CircleFault(w, undeblurred, area), QString());
    QCOMPARE(w.messages.messages.size(), std::size_t(0));
}

}  // namespace

class WindowSmallPhotoTest : public QObject {
    Q_OBJECT

private slots:
    // A DNG smaller than the crop in one or both directions, or a crop at the
    // bottom of an odd height: the patch deblurs the photo that is there and
    // shows it where the undeblurred crop shows it.
    void smallDngPatchDeblursWhatThereIs_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("zoomed");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QRect>("activeArea");
        const QRect whole;
        const QPoint middle(168, 112);
        const QPoint bottomRight(335, 223);
        for (const bool zoomed : {false, true}) {
            const QByteArray zoom = zoomed ? " at 200%" : " at 100%";
            QTest::newRow("400 x 300" + zoom) << 400 << 300 << zoomed << middle << whole;
            QTest::newRow("300 x 400" + zoom) << 300 << 400 << zoomed << middle << whole;
            QTest::newRow("511 x 257" + zoom) << 511 << 257 << zoomed << bottomRight << whole;
            QTest::newRow("513 x 255" + zoom) << 513 << 255 << zoomed << middle << whole;
            QTest::newRow("255 x 511" + zoom) << 255 << 511 << zoomed << QPoint(0, 0) << whole;
            QTest::newRow("301 x 700, narrow and tall" + zoom) << 301 << 700 << zoomed << bottomRight << whole;
            QTest::newRow("700 x 513, crop at the bottom" + zoom) << 700 << 513 << zoomed << bottomRight << whole;
            // Masked borders around a 400 x 300 active area.
            QTest::newRow("active area in 412 x 306" + zoom)
                << 412 << 306 << zoomed << middle << QRect(8, 2, 400, 300);
        }
    }

    void smallDngPatchDeblursWhatThereIs() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, zoomed);
        QFETCH(QPoint, press);
        QFETCH(QRect, activeArea);
        Window w;
        FixtureOptions fixture = pipelinetest::MosaicFixture(width, height);
        if (!activeArea.isNull())
            fixture.activeArea = {activeArea.top(), activeArea.left(), activeArea.bottom() + 1, activeArea.right() + 1};
        pipelinetest::WriteFixtureFile(w.folder, "small.dng", fixture);
        QVERIFY(w.OpenDng("small.dng"));
        const platform::Bitmap& preview = w->imgPreview->Bitmap();
        const QSize active = activeArea.isNull() ? QSize(width, height) : activeArea.size();
        QCOMPARE(QSize(preview.Width(), preview.Height()), QSize(active.width() & ~3, active.height()));
        if (zoomed) w->btPercentage->click();
        Window::Click(w->imgPreview, press);
        VerifyKernelDeblursThePhotoArea(w);
    }

    // The same for a JPEG, whose patch is the undeblurred crop deblurred.
    void smallJpegPatchDeblursWhatThereIs_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("zoomed");
        for (const bool zoomed : {false, true}) {
            const QByteArray zoom = zoomed ? " at 200%" : " at 100%";
            QTest::newRow("300 x 200" + zoom) << 300 << 200 << zoomed;
            QTest::newRow("401 x 257" + zoom) << 401 << 257 << zoomed;
            QTest::newRow("255 x 511" + zoom) << 255 << 511 << zoomed;
            QTest::newRow("700 x 513" + zoom) << 700 << 513 << zoomed;
            QTest::newRow("387 x 301" + zoom) << 387 << 301 << zoomed;
            QTest::newRow("386 x 300, ending at the patch's edge" + zoom) << 386 << 300 << zoomed;
            QTest::newRow("1001 x 700, crop at the right edge" + zoom) << 1001 << 700 << zoomed;
        }
    }

    void smallJpegPatchDeblursWhatThereIs() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, zoomed);
        Window w;
        QVERIFY(!WriteJpeg(w, "small.jpg", width, height).isEmpty());
        QVERIFY(w.Select("small.jpg"));
        if (zoomed) w->btPercentage->click();
        Window::Click(w->imgPreview, QPoint(335, 223));
        VerifyKernelDeblursThePhotoArea(w);
    }

    // A final result of a small DNG: saved without a message, readable, the
    // whole raw image kept in size, the active area deblurred, and the masked
    // rows above it and columns left of it as the file has them.
    void smallDngFinalResultIsSaved_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QRect>("activeArea");
        QTest::newRow("400 x 300") << 400 << 300 << QRect();
        QTest::newRow("255 x 511") << 255 << 511 << QRect();
        QTest::newRow("301 x 700") << 301 << 700 << QRect();
        QTest::newRow("active area in 412 x 306") << 412 << 306 << QRect(8, 2, 400, 300);
    }

    void smallDngFinalResultIsSaved() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QRect, activeArea);
        Window w;
        FixtureOptions fixture = pipelinetest::MosaicFixture(width, height);
        if (!activeArea.isNull())
            fixture.activeArea = {activeArea.top(), activeArea.left(), activeArea.bottom() + 1, activeArea.right() + 1};
        const std::string source = pipelinetest::WriteFixtureFile(w.folder, "small.dng", fixture);
        QVERIFY(w.OpenDng("small.dng"));
        w.DrawLineKernel(5);
        const QString out = QString::fromStdString(w.folder.File("out"));
        QVERIFY(QDir().mkpath(out));
        w->lbFolder->setText(out);
        w->cbAutoSave->setChecked(true);
        w->btApplyDeblur->click();
        QCOMPARE(w.messages.messages.size(), std::size_t(0));
        const QString saved = out + "/small-DB.dng";
        QVERIFY(QFile::exists(saved));

        const auto loaded = LoadDNG(test_support::ReadFileBytes(saved.toStdString()));
        QVERIFY(loaded->negative);
        uint32_t savedWidth = 0, savedHeight = 0, sourceWidth = 0, sourceHeight = 0;
        const std::vector<uint16_t> after = LibRawValues(saved.toStdString(), &savedWidth, &savedHeight);
        const std::vector<uint16_t> before = LibRawValues(source, &sourceWidth, &sourceHeight);
        QCOMPARE(QSize(int(savedWidth), int(savedHeight)), QSize(width, height));
        QCOMPARE(QSize(int(sourceWidth), int(sourceHeight)), QSize(width, height));
        QCOMPARE(after.size(), before.size());
        const QRect active = activeArea.isNull() ? QRect(0, 0, width, height) : activeArea;
        std::size_t changedInside = 0, changedOutside = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
                if (active.contains(x, y))
                    changedInside += after[i] != before[i];
                else if (y < active.top() || x < active.left())
                    changedOutside += after[i] != before[i];
            }
        QVERIFY2(changedInside > std::size_t(active.width() * active.height() / 2),
                 qPrintable(QString::number(changedInside)));
        QCOMPARE(changedOutside, std::size_t(0));
    }

    // The preview render of a DNG fails (memory runs out while it is drawn):
    // the next photo selected shows in the preview again.
    void previewShowsAgainAfterAFailedRender_data() {
        QTest::addColumn<bool>("nextIsJPEG");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("JPEG clicked") << true << false;
        QTest::newRow("JPEG reached with the Down key") << true << true;
        QTest::newRow("DNG opened") << false << false;
    }

    void previewShowsAgainAfterAFailedRender() {
        QFETCH(bool, nextIsJPEG);
        QFETCH(bool, byKey);
        Window w;
        w.AddDng("a.dng", 400, 300);
        nextIsJPEG ? w.AddJpeg("b.jpg") : w.AddDng("b.dng", 700, 513);
        bool failed = false;
        platform::SetProcessMessagesHook([&] {
            if (!failed && w->lbStatus->text() == "Creating preview...") {
                failed = true;
                throw std::bad_alloc();
            }
        });
        w.OpenDng("a.dng");
        platform::SetProcessMessagesHook(nullptr);
        QVERIFY(failed);
        QCOMPARE(w.messages.messages.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(w.messages.messages.back().text),
                 QString("Whoa... that's a bug...\n\nFailed to process this DNG into a preview..."));
        QVERIFY(w->imgPreview->isHidden());

        const QString next = nextIsJPEG ? "b.jpg" : "b.dng";
        if (byKey) {
            w->lvExplore->setFocus();
            QTest::keyClick(w->lvExplore, Qt::Key_Down);
            QCOMPARE(w->lvExplore->currentItem()->text(), next);
        } else if (nextIsJPEG) {
            QVERIFY(w.Select(next));
        } else {
            QVERIFY(w.OpenDng(next));
        }
        QVERIFY(w->imgPreview->HasPicture());
        QVERIFY(!w->imgPreview->isHidden());
        QVERIFY(w->imgPreview->isVisible());
        QCOMPARE(w->imgPreview->Shown().isNull(), false);
        const platform::Bitmap& preview = w->imgPreview->Bitmap();
        QCOMPARE(QSize(preview.Width(), preview.Height()), nextIsJPEG ? QSize(1728, 1152) : QSize(700, 513));
        QCOMPARE(w.messages.messages.size(), std::size_t(1));
    }
};

CLARIVANE_APP_TEST_MAIN(WindowSmallPhotoTest)
#include "window_small_photo_test.moc"
