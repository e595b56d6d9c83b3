#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <QWheelEvent>

#include "app/save_dialog.h"
#include "app_test_main.h"
#include "dng_test_support.h"
#include "engine/class_fft.h"
#include "libraw_values.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/handback_file.h"
#include "pipeline/plugin_mode.h"
#include "platform/jpeg_image.h"
#include "window_fixture.h"

using windowtest::SameBitmap;
using windowtest::Window;

namespace {

// What one final result run looked like from inside.
struct RunView {
    bool overlayShown = false;
    bool coversWindow = false;
    bool applyDisabled = false;
    bool cancelClicked = false;
    bool flagsAfterCancel[3] = {false, false, false};
    QString overlayStatusAtCancel;
};

// Runs "Create final result"; with `cancel` presses Cancel on the overlay
// the first time the running work lets messages through.
RunView RunFinalResult(Window& w, bool cancel) {
    RunView view;
    platform::SetProcessMessagesHook([&] {
        QCoreApplication::processEvents();
        if (!app::FBlend || !app::FBlend->isVisible()) return;
        view.overlayShown = true;
        view.coversWindow = app::FBlend->geometry() == w->rect();
        view.applyDisabled = !w->btApplyDeblur->isEnabled();
        if (cancel && !view.cancelClicked && app::FBlend->btCancel->isEnabled()) {
            view.cancelClicked = true;
            QTest::mouseClick(app::FBlend->btCancel, Qt::LeftButton);
            view.flagsAfterCancel[0] = w->convert->CancelRequested;
            view.flagsAfterCancel[1] = w->convert->Negative && w->convert->Negative->AbortFlag;
            view.flagsAfterCancel[2] = w->fftEngine->cancelRequested;
            view.overlayStatusAtCancel = app::FBlend->lbStatus->text();
        }
    });
    w->btApplyDeblur->click();
    platform::SetProcessMessagesHook(nullptr);
    return view;
}

void AutoSaveInto(Window& w, const QString& folder) {
    QDir().mkpath(folder);
    w->lbFolder->setText(folder);
    w->cbAutoSave->setChecked(true);
    QVERIFY(w->cbAutoSave->isChecked());
}

// A line kernel that changes the patch, and one deblur circle placed on it.
void KernelAndCircle(Window& w) {
    const platform::Bitmap undeblurred = w->img100->Bitmap();
    w.DrawLineKernel(5);
    QVERIFY2(!SameBitmap(undeblurred, w->img100->Bitmap()), "the patch changed");
    w->sbDeblurCircle->click();
    Window::Click(w->imgCircles, QPoint(200, 200));
    QCOMPARE(w->lbCirclesCount->text(), QString("1 deblur circle active"));
    QVERIFY(w->btApplyDeblur->isEnabled());
}

std::vector<uint8_t> Bytes(const QString& path) { return test_support::ReadFileBytes(path.toStdString()); }

// Runs the result again with Cancel pressed: every cancel flag is raised (the
// negative's only when there is one), nothing is written, and the next result
// patch still works.
void ExpectCancelledRun(Window& w, const QString& saved, bool hasNegative) {
    QVERIFY(QFile::remove(saved));
    const RunView cancelled = RunFinalResult(w, true);
    QVERIFY(cancelled.cancelClicked);
    QCOMPARE(cancelled.overlayStatusAtCancel, QString("Cancelling..."));
    QVERIFY(cancelled.flagsAfterCancel[0]);
    QCOMPARE(cancelled.flagsAfterCancel[1], hasNegative);
    QVERIFY(cancelled.flagsAfterCancel[2]);
    QVERIFY(QDir(QFileInfo(saved).path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(w->lbStatus->text(), QString("Cancelled..."));
    QVERIFY(!w->convert->CancelRequested);
    QVERIFY(w->btApplyDeblur->isEnabled());

    const platform::Bitmap before = w->img100->Bitmap();
    w.DrawLineKernel(8);
    QVERIFY(!SameBitmap(before, w->img100->Bitmap()));
    QCOMPARE(w->lbStat->text(), QString("on "));
}

}  // namespace

class WindowFinalResultTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { app::ResetSaveDialogHook(); }

    void jpegRoadWithAutoSaveThenCancel() {
        Window w;
        w.AddJpeg();
        const QString out = QString::fromStdString(w.folder.File("out"));
        AutoSaveInto(w, out);
        QVERIFY(w.Select("photo.jpg"));
        KernelAndCircle(w);

        // The list loses its selection; the photo as it was loaded is saved.
        w->lvExplore->clearSelection();
        const RunView run = RunFinalResult(w, false);
        QVERIFY(run.overlayShown);
        QVERIFY(run.coversWindow);
        QVERIFY(run.applyDisabled);
        QVERIFY(!app::FBlend->isVisible());
        QVERIFY(w->btApplyDeblur->isEnabled());
        QVERIFY(w->imgPreview->isEnabled());
        const QString saved = out + "/photo-DB.jpg";
        QVERIFY(QFile::exists(saved));
        const std::vector<uint8_t> bytes = Bytes(saved);
        // The source's EXIF block takes the place of the encoder's header.
        QVERIFY(bytes.size() > 12 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF && bytes[3] == 0xE1);
        QCOMPARE(std::string(bytes.begin() + 6, bytes.begin() + 10), std::string("Exif"));
        platform::JpegImage decoded;
        decoded.LoadFromFile(saved.toStdString());
        QCOMPARE(decoded.Width(), 1728);
        QCOMPARE(decoded.Height(), 1152);
        QCOMPARE(w->lbLastSaved->text(), QString("[last saved: photo-DB.jpg] "));
        QVERIFY(QFile::exists(w.folder.File("photo.jpg").c_str()));

        // Again, cancelled from the overlay.
        ExpectCancelledRun(w, saved, false);
    }

    void jpegThroughTheSaveDialog() {
        Window w;
        w.AddJpeg();
        QVERIFY(w.Select("photo.jpg"));
        w.DrawLineKernel(4);
        const QString chosen = QString::fromStdString(w.folder.File("chosen.jpg"));
        QStringList titles;
        app::SetSaveDialogHook([&](QWidget*, const app::SaveDialogRequest& r) -> std::optional<std::string> {
            titles << QString::fromStdString(r.title);
            return chosen.toStdString();
        });
        RunFinalResult(w, false);
        QCOMPARE(titles, QStringList({"Save JPG"}));
        QVERIFY(QFile::exists(chosen));
        // Saved through the dialog: the encoder's own header, no EXIF block.
        const std::vector<uint8_t> bytes = Bytes(chosen);
        QVERIFY(bytes.size() > 4 && bytes[3] == 0xE0);
        QCOMPARE(w->lastSavedName, QString("chosen.jpg"));
        QCOMPARE(w->lbLastSaved->text(), QString("[last saved: chosen.jpg] "));

        // A cancelled dialog writes nothing and keeps the name.
        app::SetSaveDialogHook([](QWidget*, const app::SaveDialogRequest&) { return std::optional<std::string>(); });
        QVERIFY(QFile::remove(chosen));
        RunFinalResult(w, false);
        QVERIFY(!QFile::exists(chosen));
        QCOMPARE(w->lastSavedName, QString("chosen.jpg"));
    }

    void dngRoadWithAutoSaveThenCancel() {
        Window w;
        w.AddDng();
        const QString out = QString::fromStdString(w.folder.File("out"));
        AutoSaveInto(w, out);
        QVERIFY(w.OpenDng("photo.dng"));
        KernelAndCircle(w);

        const RunView run = RunFinalResult(w, false);
        QVERIFY(run.overlayShown);
        const QString saved = out + "/photo-DB.dng";
        QVERIFY(QFile::exists(saved));
        // Read back by the project's layer and by LibRaw.
        const auto loaded = LoadDNG(Bytes(saved));
        QVERIFY(loaded->negative);
        QCOMPARE(QString::fromStdString(loaded->negative->ModelName()), QString("Canon EOS 550D"));
        uint32_t width = 0, height = 0;
        const std::vector<uint16_t> values = LibRawValues(saved.toStdString(), &width, &height);
        QVERIFY(!values.empty());
        QCOMPARE(width, 1040u);
        QCOMPARE(height, 700u);
        const std::vector<uint16_t> source = LibRawValues(w.folder.File("photo.dng"), &width, &height);
        QVERIFY(values != source);

        ExpectCancelledRun(w, saved, true);
    }

    // Colour space, Brightness and Contrast belong to DNGs: whatever enables
    // the window again after a result, they stay off for a JPEG, loading the
    // JPEG lets go of any DNG, and a brightness release changes neither the
    // JPEG's preview nor its result.
    void dngOnlySettingsStayOffForAJpeg_data() {
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<bool>("dngOpenedBefore");
        QTest::addColumn<bool>("dialog");
        for (const bool jpeg : {true, false})
            for (const bool before : {true, false})
                for (const bool dialog : {true, false})
                    QTest::newRow(qPrintable(QString("%1, %2, %3")
                                                 .arg(jpeg ? "JPEG" : "DNG",
                                                      before ? "a DNG opened before" : "first photo",
                                                      dialog ? "dialog save" : "auto save")))
                        << jpeg << before << dialog;
    }

    void dngOnlySettingsStayOffForAJpeg() {
        QFETCH(bool, jpeg);
        QFETCH(bool, dngOpenedBefore);
        QFETCH(bool, dialog);
        Window w;
        w.AddDng("earlier.dng", 400, 300);
        const QString photo = QFileInfo(jpeg ? w.AddJpeg() : w.AddDng("photo.dng", 400, 300)).fileName();
        if (dngOpenedBefore) QVERIFY(w.OpenDng("earlier.dng"));
        QVERIFY(jpeg ? w.Select(photo) : w.OpenDng(photo));
        QCOMPARE(bool(w->convert->Negative), !jpeg);
        w.DrawLineKernel(4);

        const QString extension = jpeg ? ".jpg" : ".dng";
        const QString out = QString::fromStdString(w.folder.File("out"));
        const QString saved = dialog ? QString::fromStdString(w.folder.File("chosen")) + extension
                                     : out + "/photo-DB" + extension;
        if (dialog)
            app::SetSaveDialogHook([&](QWidget*, const app::SaveDialogRequest&) {
                return std::optional<std::string>(saved.toStdString());
            });
        else
            AutoSaveInto(w, out);
        RunFinalResult(w, false);
        QVERIFY(QFile::exists(saved));

        QCOMPARE(w->tbBrightness->isEnabled(), !jpeg);
        QCOMPARE(w->tbContrast->isEnabled(), !jpeg);
        if (!jpeg) return;
        QVERIFY(!w->cbProfile->isEnabled());
        const platform::Bitmap preview = w->imgPreview->Bitmap();
        const std::vector<uint8_t> result = Bytes(saved);
        w.ReleaseSlider(w->tbBrightness, 40);
        QVERIFY(SameBitmap(preview, w->imgPreview->Bitmap()));
        QVERIFY(QFile::remove(saved));
        RunFinalResult(w, false);
        QVERIFY(Bytes(saved) == result);
    }

    // A wheel turn or an arrow key on a blur slider recomputes the patch as a
    // release does; the patch and the final result start from the positions shown.
    void wheelAndKeyStepsOfBlurSlidersReachPatchAndResult_data() {
        QTest::addColumn<int>("slider");
        QTest::addColumn<bool>("wheel");
        const char* const names[] = {"low pass", "localization", "masking", "kernel smoothing"};
        for (int slider = 0; slider < 4; ++slider)
            for (const bool wheel : {true, false})
                QTest::newRow(qPrintable(QString("%1, %2").arg(names[slider], wheel ? "wheel" : "Right key")))
                    << slider << wheel;
    }

    void wheelAndKeyStepsOfBlurSlidersReachPatchAndResult() {
        QFETCH(int, slider);
        QFETCH(bool, wheel);
        Window w;
        w.AddJpeg();
        QVERIFY(w.Select("photo.jpg"));
        w.DrawLineKernel(4);
        controls::BlurPanel* panel = w->blurPanel;
        controls::TTrackBarMouse* const sliders[] = {panel->tbLowPass, panel->tbLocalization, panel->tbMasking,
                                                     panel->tbKernelSmoothing};
        controls::TTrackBarMouse* moved = sliders[slider];
        engine::ClassFFT& fft = *w->fftEngine;
        const auto engineValue = [&] {
            const int values[] = {fft.lowPass, fft.localization, fft.maskThreshold, fft.kernelSmoothing};
            return values[slider];
        };
        int usedByPatch = -1;
        platform::SetProcessMessagesHook([&] {
            if (w->inResultUpdate) usedByPatch = engineValue();
        });

        const int before = moved->value();
        if (wheel) {
            const QPointF at(moved->width() / 2.0, moved->height() / 2.0);
            QWheelEvent turn(at, moved->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                             Qt::NoScrollPhase, false);
            QApplication::sendEvent(moved, &turn);
        } else {
            moved->setFocus();
            QTest::keyClick(moved, Qt::Key_Right);
        }
        const int shown = moved->value();
        QVERIFY(shown != before);
        QCOMPARE(usedByPatch, shown);
        QVERIFY(moved->isEnabled());

        // The final result reads the slider, not what the engine last held.
        fft.SetLowPass(before);
        fft.SetLocalization(before, panel->tbLocalization->maximum());
        fft.maskThreshold = before;
        fft.kernelSmoothing = before;
        AutoSaveInto(w, QString::fromStdString(w.folder.File("out")));
        RunFinalResult(w, false);
        QCOMPARE(engineValue(), shown);
    }

    // Plug-in mode: the first resize opens the photo, results are numbered
    // next to it and handed back.
    void pluginModeWithADng() {
        test_support::TempFolder photos;
        const std::string photo = pipelinetest::WriteFixtureFile(photos, "shot.dng", pipelinetest::MosaicFixture(700, 560));
        Window w(true, QString::fromStdString(photo));
        QTRY_VERIFY_WITH_TIMEOUT(w->imgPreview->HasPicture(), 20000);
        w->resize(w->width(), w->height());
        w.DrawLineKernel(4);
        for (const char* name : {"shot-DB.dng", "shot-DB-2.dng"}) {
            RunFinalResult(w, false);
            const std::string saved = photos.File(name);
            QVERIFY2(QFile::exists(QString::fromStdString(saved)), name);
            const std::vector<uint8_t> handBack =
                test_support::ReadFileBytes(pipeline::TemporaryFolder() + pipeline::kHandBackFileName);
            QCOMPARE(std::string(handBack.begin(), handBack.end()), saved);
        }
    }
};

CLARIVANE_APP_TEST_MAIN(WindowFinalResultTest)
#include "window_final_result_test.moc"
