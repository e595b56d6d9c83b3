#include <unistd.h>

#include "app/dir_dialog.h"
#include "app/save_dialog.h"
#include "app_test_main.h"
#include "dng_test_support.h"
#include "engine/class_fft.h"
#include "file_dialog_answer.h"
#include "libraw_values.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/handback_file.h"
#include "pipeline/output_naming.h"
#include "pipeline/plugin_mode.h"
#include "platform/jpeg_image.h"
#include "window_fixture.h"

using windowtest::SameBitmap;
using windowtest::Window;

namespace {

// Keys pressed during a run with the focus left on a control, and three
// notches of the wheel on the blur panel's radius slider.
struct KeysInARun {
    QString focus;
    QKeySequence keys;
    bool cancels = false;
    bool wheel = false;
};

// The save dialog's answers in the photo folder ("" cancels), the refusals
// ("source" or "missing folder", in order), the file made ("" when none).
struct DialogAnswers {
    QStringList answers;
    QStringList refusals;
    QString written{};
    bool failureTold = false;
};

// What one final result run looked like from inside.
struct RunView {
    bool overlayShown = false;
    bool coversWindow = false;
    bool applyDisabled = false;
    bool cancelClicked = false;
    bool flagsAfterCancel[3] = {false, false, false};
    QString overlayStatusAtCancel;
    QStringList overlayTexts;  // each text the overlay's label showed, once
};

// Runs "Create final result"; with `cancel` presses Cancel on the overlay
// the first time the running work lets messages through; `onOverlay` runs
// the first time the overlay is up.
RunView RunFinalResult(Window& w, bool cancel, const std::function<void()>& onOverlay = nullptr) {
    RunView view;
    platform::SetProcessMessagesHook([&] {
        QCoreApplication::processEvents();
        if (!app::FBlend || !app::FBlend->isVisible()) return;
        if (!view.overlayShown && onOverlay) onOverlay();
        view.overlayShown = true;
        view.coversWindow = app::FBlend->geometry() == w->rect();
        view.applyDisabled = !w->btApplyDeblur->isEnabled();
        const QString text = app::FBlend->lbStatus->text();
        if (!view.overlayTexts.contains(text)) view.overlayTexts << text;
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

// Auto save on, into the folder "out" beside the photos; returns that folder.
QString AutoSaveOn(Window& w) {
    const QString folder = QString::fromStdString(w.folder.File("out"));
    QDir().mkpath(folder);
    w->lbFolder->setText(folder);
    w->cbAutoSave->setChecked(true);
    return folder;
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

// The source's EXIF block takes the place of the encoder's header.
bool HasExifBlock(const QString& jpeg) {
    const std::vector<uint8_t> bytes = Bytes(jpeg);
    return bytes.size() > 12 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF && bytes[3] == 0xE1 &&
           std::string(bytes.begin() + 6, bytes.begin() + 10) == "Exif";
}

QByteArray IniBytes() {
    QFile file(SettingsFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "photo.jpg" selected or "photo.dng" opened, between two other photos of its
// kind, and a line kernel drawn.
void ShowPhotoAmongOthers(Window& w, bool isJPEG) {
    for (const QString stem : {"a", "z"})
        isJPEG ? w.AddJpeg(stem + ".jpg") : w.AddDng(stem + ".dng");
    QVERIFY(w.ShowNewPhoto(isJPEG));
    w.DrawLineKernel(4);
}

// The controls a person leaves usable once the result is saved or refused.
void ExpectWindowUsable(Window& w) {
    for (const char* name : {"lvExplore", "tvExplore", "cbAutoSave", "btApplyDeblur"})
        QVERIFY2(w->findChild<QWidget*>(name)->isEnabled(), name);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!app::FBlend->isVisible());
}

}  // namespace

class WindowFinalResultTest : public QObject {
    Q_OBJECT

private slots:
    // Each window starts from no settings file; a folder picker opened by mistake answers another folder.
    void init() {
        QFile::remove(SettingsFilePath());
        app::TDirDialog::answerHook = [](const QString&) { return std::optional<QString>(QDir::tempPath()); };
    }
    void cleanup() {
        app::ResetSaveDialogHook();
        app::TDirDialog::answerHook = nullptr;
    }

    // Auto save writes the result beside nothing else; a second run cancelled
    // from the overlay raises every flag (the negative's only for a DNG),
    // writes nothing, and the next result patch still works.
    void autoSavedResultThenACancelledRun_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::newRow("JPEG") << true;
        QTest::newRow("DNG") << false;
    }

    void autoSavedResultThenACancelledRun() {
        QFETCH(bool, isJPEG);
        Window w;
        const QString out = AutoSaveOn(w);
        QVERIFY(w.ShowNewPhoto(isJPEG));
        KernelAndCircle(w);

        // The list loses its selection; the photo as it was loaded is saved.
        w->lvExplore->clearSelection();
        const RunView run = RunFinalResult(w, false);
        QVERIFY(run.overlayShown);
        QVERIFY(run.coversWindow);
        QVERIFY(run.applyDisabled);
        QVERIFY(w->imgPreview->isEnabled());
        ExpectWindowUsable(w);
        const QString name = isJPEG ? "photo-DB.jpg" : "photo-DB.dng";
        const QString saved = out + "/" + name;
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{name});
        QCOMPARE(w->lbLastSaved->text(), "[last saved: " + name + "] ");
        QVERIFY(QFile::exists(w.folder.File(isJPEG ? "photo.jpg" : "photo.dng").c_str()));
        if (isJPEG) {
            QVERIFY(HasExifBlock(saved));
            platform::JpegImage decoded;
            decoded.LoadFromFile(saved.toStdString());
            QCOMPARE(decoded.Width(), 1728);
            QCOMPARE(decoded.Height(), 1152);
        } else {
            QVERIFY2(run.overlayTexts.contains("Processing photo..."), qPrintable(run.overlayTexts.join('|')));
            // Read back by the project's layer and by LibRaw.
            const auto loaded = LoadDNG(Bytes(saved));
            QVERIFY(loaded->negative);
            QCOMPARE(QString::fromStdString(loaded->negative->ModelName()), QString("Canon EOS 550D"));
            uint32_t width = 0, height = 0;
            const std::vector<uint16_t> values = LibRawValues(saved.toStdString(), &width, &height);
            QCOMPARE(width, 1040u);
            QCOMPARE(height, 700u);
            QVERIFY(values != LibRawValues(w.folder.File("photo.dng"), &width, &height));
        }

        QVERIFY(QFile::remove(saved));
        const RunView cancelled = RunFinalResult(w, true);
        QVERIFY(cancelled.cancelClicked);
        QCOMPARE(cancelled.overlayStatusAtCancel, QString("Cancelling..."));
        QVERIFY(cancelled.flagsAfterCancel[0]);
        QCOMPARE(cancelled.flagsAfterCancel[1], !isJPEG);
        QVERIFY(cancelled.flagsAfterCancel[2]);
        QVERIFY(QDir(out).entryList(QDir::Files).isEmpty());
        QCOMPARE(w->lbStatus->text(), QString("Cancelled..."));
        QVERIFY(!w->convert->CancelRequested);
        QVERIFY(w->btApplyDeblur->isEnabled());
        const platform::Bitmap before = w->img100->Bitmap();
        w.DrawLineKernel(8);
        QVERIFY(!SameBitmap(before, w->img100->Bitmap()));
        QCOMPARE(w->lbStat->text(), QString("on "));
    }

    // Keys a person presses while the result is made reach no control but the
    // overlay's: settings, selection, output name and EXIF stay as the run found them.
    void keysDuringARunReachNoControl_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::addColumn<KeysInARun>("k");
        for (const bool isJPEG : {true, false}) {
            const char* kind = isJPEG ? "JPEG: " : "DNG: ";
            QTest::addRow("%sSpace on Auto save", kind) << isJPEG << KeysInARun{"cbAutoSave", QKeySequence("Space")};
            QTest::addRow("%sthe wheel on the radius slider", kind)
                << isJPEG << KeysInARun{"lvExplore", {}, false, true};
            // Strip EXIF for a JPEG; the folder button for a DNG, where Strip EXIF is disabled.
            QTest::addRow("%sTab, Space", kind) << isJPEG << KeysInARun{"cbAutoSave", QKeySequence("Tab, Space")};
            QTest::addRow("%sUp, Down, Down in the list", kind)
                << isJPEG << KeysInARun{"lvExplore", QKeySequence("Up, Down, Down")};
            // The run disables the button, and the focus moves on to the next control.
            // Back to the list (JPEG), or to the three-plane box (DNG).
            QTest::addRow("%sShift+Tab, Up or Space, Return after clicking Create final result", kind)
                << isJPEG
                << KeysInARun{"btApplyDeblur",
                              QKeySequence(isJPEG ? "Shift+Tab, Up, Return" : "Shift+Tab, Space, Return")};
            QTest::addRow("%sEscape presses Cancel", kind)
                << isJPEG << KeysInARun{"lvExplore", QKeySequence("Esc"), true};
        }
    }

    void keysDuringARunReachNoControl() {
        QFETCH(bool, isJPEG);
        QFETCH(KeysInARun, k);
        const QKeySequence& keys = k.keys;
        const bool wheel = k.wheel;
        Window w;
        const QString out = AutoSaveOn(w);
        ShowPhotoAmongOthers(w, isJPEG);
        const QString photo = w->lvExplore->currentItem()->text();
        const QString autoSaveFolder = w->lbFolder->text();
        const int profile = w->cbProfile->currentIndex();
        const bool threePlanes = w->cbHighQuality->isChecked();
        const int radius = w->blurPanel->tbRadius->value();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.main));
        w->findChild<QWidget*>(k.focus)->setFocus();
        const QByteArray ini = IniBytes();

        RunFinalResult(w, false, [&] {
            for (int i = 0; i < keys.count(); ++i) {
                QWidget* target = QApplication::focusWidget();
                QVERIFY(target);
                QTest::keyClick(target, keys[i].key(), keys[i].keyboardModifiers());
            }
            for (int notch = 0; wheel && notch < 3; ++notch)
                mouse_input::Wheel(w->blurPanel->tbRadius, QPoint(0, 120));
        });
        QCOMPARE(IniBytes(), ini);
        QVERIFY(w->cbAutoSave->isChecked());
        QVERIFY(!w->cbStripExif->isChecked());
        QCOMPARE(w->lbFolder->text(), autoSaveFolder);
        QCOMPARE(w->cbProfile->currentIndex(), profile);
        QCOMPARE(w->cbHighQuality->isChecked(), threePlanes);
        QCOMPARE(w->blurPanel->tbRadius->value(), radius);
        QCOMPARE(w->lvExplore->currentItem()->text(), photo);
        const QString result = QString(photo).replace("photo.", "photo-DB.");
        QCOMPARE(QDir(out).entryList(QDir::Files), k.cancels ? QStringList() : QStringList{result});
        if (isJPEG && !k.cancels) QVERIFY(HasExifBlock(out + "/" + result));
        ExpectWindowUsable(w);
        // Once the overlay is gone the window takes keys again.
        w->cbAutoSave->setFocus();
        QTest::keyClick(w->cbAutoSave, Qt::Key_Space);
        QVERIFY(!w->cbAutoSave->isChecked());
    }

    // Each answer of the save dialog in turn: the photo itself (under any
    // name) and a missing folder are refused and asked again, a write that
    // fails is told; the window is usable again after each, and the label
    // names only a file that was written.
    void saveDialogAnswers_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::addColumn<DialogAnswers>("d");
        for (const bool isJPEG : {true, false}) {
            const char* kind = isJPEG ? "JPEG: " : "DNG: ";
            const QString ext = isJPEG ? ".jpg" : ".dng";
            const QString longName = "a free name far longer than the label has room for, ending in" + ext;
            QTest::addRow("%sfree name", kind) << isJPEG << DialogAnswers{{"chosen" + ext}, {}, "chosen" + ext};
            QTest::addRow("%sa long free name", kind) << isJPEG << DialogAnswers{{longName}, {}, longName};
            QTest::addRow("%sthe source, then a free name", kind)
                << isJPEG << DialogAnswers{{"photo" + ext, "chosen" + ext}, {"source"}, "chosen" + ext};
            QTest::addRow("%sanother spelling of the source, a hard link to it, cancel", kind)
                << isJPEG << DialogAnswers{{"./photo" + ext, "link" + ext, ""}, {"source", "source"}};
            QTest::addRow("%sa missing folder, cancel", kind)
                << isJPEG << DialogAnswers{{"gone/chosen" + ext, ""}, {"missing folder"}};
            QTest::addRow("%sa write that fails", kind) << isJPEG << DialogAnswers{{"taken" + ext}, {}, "", true};
        }
    }

    void saveDialogAnswers() {
        QFETCH(bool, isJPEG);
        QFETCH(DialogAnswers, d);
        const QStringList& answers = d.answers;
        const QString& written = d.written;
        Window w;
        const QString folder = QString::fromStdString(w.folder.Path());
        const QString ext = isJPEG ? ".jpg" : ".dng";
        const QString photo = isJPEG ? w.AddJpeg() : w.AddDng();
        QVERIFY(isJPEG ? w.Select("photo.jpg") : w.OpenDng("photo.dng"));
        w.DrawLineKernel(4);
        QVERIFY(::link(photo.toUtf8().constData(), (folder + "/link" + ext).toUtf8().constData()) == 0);
        QVERIFY(QDir(folder).mkdir("taken" + ext));
        const std::vector<uint8_t> source = Bytes(photo);
        const QStringList before = QDir(folder).entryList(QDir::Files);
        int asked = 0;
        app::SetSaveDialogHook([&](QWidget*, const app::SaveDialogRequest&) -> std::optional<std::string> {
            const QString answer = asked < answers.size() ? answers[asked] : QString();
            ++asked;
            if (answer.isEmpty()) return std::nullopt;
            return (folder + "/" + answer).toStdString();
        });
        RunFinalResult(w, false);

        QCOMPARE(asked, answers.size());
        QStringList shown;
        for (const MessageLog::Message& m : w.messages.messages) shown << QString::fromStdString(m.text);
        if (d.failureTold) {
            // The refusal names the file and the system's reason.
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].contains("\n\n" + folder + "/taken" + ext + "\nIs a directory\n\n"), qPrintable(shown[0]));
        } else {
            const std::string missing = app::MissingDialogFolderText((folder + "/gone").toStdString());
            QStringList expected;
            for (const QString& refusal : d.refusals)
                expected << QString::fromStdString(refusal == "source" ? pipeline::kSameAsSourceText : missing);
            QCOMPARE(shown, expected);
        }
        QCOMPARE(Bytes(photo), source);
        QStringList files = before;
        if (!written.isEmpty()) files << written;
        files.sort();
        QCOMPARE(QDir(folder).entryList(QDir::Files), files);
        if (isJPEG && !written.isEmpty()) QVERIFY(HasExifBlock(folder + "/" + written));
        QCOMPARE(w->lbLastSaved->isVisible(), !written.isEmpty());
        if (!written.isEmpty()) {
            // A name too long for the label loses its middle; the tooltip has it all.
            const QString caption = "[last saved: " + written + "] ";
            const QString label = w->lbLastSaved->text();
            QCOMPARE(w->lbLastSaved->toolTip(), caption);
            QVERIFY2(label.startsWith("[last saved: " + written.left(6)) && label.endsWith(written.right(10) + "] "),
                     qPrintable(label));
            QVERIFY(w->lbLastSaved->fontMetrics().horizontalAdvance(label) <= w->lbLastSaved->width());
            if (written.size() < 20) QCOMPARE(label, caption);
        }
        ExpectWindowUsable(w);
    }

    // The save dialog opens in the photo's folder until a file is saved, then
    // where the last file went, also for a photo in a third folder; a cancel
    // moves nothing, and no name is ever proposed.
    void saveDialogOpensWhereTheLastSaveWent_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::newRow("JPEG") << true;
        QTest::newRow("DNG") << false;
    }

    void saveDialogOpensWhereTheLastSaveWent() {
        QFETCH(bool, isJPEG);
        struct Visit {
            const char* photoFolder;  // the photo shown before the run; nullptr keeps it
            const char* opensIn;
            const char* saveIn;  // nullptr: Escape
            const char* name;
        };
        const Visit visits[] = {
            {"photos", "photos", nullptr, nullptr},
            {nullptr, "photos", "out", "first"},
            {nullptr, "out", "out", "second"},
            {"others", "out", nullptr, nullptr},
        };
        Window w;
        test_support::TempFolder others;
        QTemporaryDir places;
        for (const char* folder : {"out", "elsewhere"}) QVERIFY(QDir(places.path()).mkdir(folder));
        const WorkingFolder working(places.filePath("elsewhere"));
        const auto where = [&](const QString& name) {
            if (name == "photos") return QString::fromStdString(w.folder.Path());
            return name == "others" ? QString::fromStdString(others.Path()) : places.filePath(name);
        };
        const QString ext = isJPEG ? ".jpg" : ".dng";
        for (test_support::TempFolder* folder : {&w.folder, &others}) {
            if (isJPEG)
                photo_folder::CopyJpeg(QString::fromStdString(folder->Path()), "photo.jpg", windowtest::kJpegSource);
            else
                pipelinetest::WriteFixtureFile(*folder, "photo.dng", pipelinetest::MosaicFixture(1040, 700));
        }
        QStringList saved;
        for (const Visit& visit : visits) {
            if (visit.photoFolder) {
                w->FillFileList(where(visit.photoFolder));
                w->lvExplore->setCurrentItem(w->lvExplore->findItems("photo" + ext, Qt::MatchExactly).value(0));
                if (!isJPEG) w->btCreatePreview->click();
                QVERIFY(w->imgPreview->HasPicture());
                w.DrawLineKernel(4);
            }
            QString opened, name, title;
            const FileDialogAnswer answer([&](QFileDialog& dialog) {
                opened = FileDialogAnswer::FolderOf(dialog);
                name = FileDialogAnswer::NameOf(dialog);
                title = dialog.windowTitle();
                if (visit.saveIn)
                    FileDialogAnswer::TypeName(dialog, where(visit.saveIn), visit.name);
                else
                    FileDialogAnswer::PressEscape(dialog);
            });
            RunFinalResult(w, false);
            QVERIFY(answer.answered);
            QCOMPARE(opened, where(visit.opensIn));
            QCOMPARE(name, QString());
            QCOMPARE(title, QString(isJPEG ? "Save JPG" : "Save DNG"));
            if (visit.saveIn) saved << where(visit.saveIn) + "/" + visit.name + ext;
            for (const QString& file : saved) QVERIFY2(QFile::exists(file), qPrintable(file));
        }
        QCOMPARE(QDir(where("out")).entryList(QDir::Files), QStringList({"first" + ext, "second" + ext}));
        QVERIFY(w.messages.messages.empty());
        ExpectWindowUsable(w);
    }

    // Colour space, Brightness and Contrast belong to DNGs: whatever enables
    // the window again after a result, they stay off for a JPEG, loading the
    // JPEG lets go of any DNG, and a brightness release changes neither the
    // JPEG's preview nor its result. With a DNG open, "Open DNG" and the colour
    // space stay off as the open left them, whether the dialog saved or not.
    void dngOnlySettingsStayOffForAJpeg_data() {
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<bool>("dngOpenedBefore");
        QTest::addColumn<QString>("save");
        for (const bool jpeg : {true, false})
            for (const bool before : {true, false})
                for (const char* save : {"dialog save", "dialog cancelled", "auto save"})
                    QTest::addRow("%s, %s, %s", jpeg ? "JPEG" : "DNG", before ? "a DNG opened before" : "first photo",
                                  save)
                        << jpeg << before << QString(save);
    }

    void dngOnlySettingsStayOffForAJpeg() {
        QFETCH(bool, jpeg);
        QFETCH(bool, dngOpenedBefore);
        QFETCH(QString, save);
        Window w;
        w.AddDng("earlier.dng", 400, 300);
        const QString photo = QFileInfo(jpeg ? w.AddJpeg() : w.AddDng("photo.dng", 400, 300)).fileName();
        if (dngOpenedBefore) QVERIFY(w.OpenDng("earlier.dng"));
        QVERIFY(jpeg ? w.Select(photo) : w.OpenDng(photo));
        QCOMPARE(bool(w->convert->Negative), !jpeg);
        w.DrawLineKernel(4);

        const QString extension = jpeg ? ".jpg" : ".dng";
        const bool dialog = save != "auto save";
        const bool cancelled = save == "dialog cancelled";
        const QString saved = dialog ? QString::fromStdString(w.folder.File("chosen")) + extension
                                     : AutoSaveOn(w) + "/photo-DB" + extension;
        if (dialog)
            app::SetSaveDialogHook([&](QWidget*, const app::SaveDialogRequest&) {
                return cancelled ? std::nullopt : std::optional<std::string>(saved.toStdString());
            });
        RunFinalResult(w, false);
        QCOMPARE(QFile::exists(saved), !cancelled);

        QCOMPARE(w->tbBrightness->isEnabled(), !jpeg);
        QCOMPARE(w->tbContrast->isEnabled(), !jpeg);
        QVERIFY(!w->cbProfile->isEnabled());
        QVERIFY(jpeg ? !w->btCreatePreview->isVisible() : !w->btCreatePreview->isEnabled());
        if (!jpeg || cancelled) return;
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
        QVERIFY(w.ShowNewPhoto(true));
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
            mouse_input::Wheel(moved, QPoint(0, 120));
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
        AutoSaveOn(w);
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
