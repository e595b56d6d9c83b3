#include "app/command_line.h"
#include "app_test_main.h"
#include "engine/class_fft.h"
#include "tests/support/tiff_edits.h"
#include "window_fixture.h"

using windowtest::Window;

namespace {

// How a photo fails to open.
enum class Failure {
    UnsupportedCamera,
    RawDataCutShort,
    DeletedDng,
    DeletedJpeg,
    MissingPluginDng,
    MissingPluginJpeg,
    NonPhotoAfterYes,
};

// Where the plug-in photo of a case lies; empty for the regular-mode cases.
QString PluginPhoto(Failure failure, const QString& folder) {
    switch (failure) {
        case Failure::MissingPluginDng: return QDir(folder).filePath("missing.dng");
        case Failure::MissingPluginJpeg: return QDir(folder).filePath("missing.jpg");
        case Failure::NonPhotoAfterYes: return QDir(folder).filePath("notes.txt");
        default: return {};
    }
}

// The listed photo that will not open, after a JPEG that did: whatever that
// one enabled must not outlive it.
void FailInTheBrowser(Window& w, Failure failure) {
    w.AddJpeg("good.jpg");
    QVERIFY(w.Select("good.jpg"));
    QVERIFY(w->btPercentage->isEnabled());
    QVERIFY(w->sbDeblurCircle->isEnabled());
    QString name;
    switch (failure) {
        case Failure::UnsupportedCamera:
            // The Magic Lantern frame names its camera "Canon EOS Kiss X4".
            name = "kiss_x4.dng";
            QVERIFY(QFile::copy(QString::fromStdString(test_support::TestData(
                                    "dng/canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng")),
                                QString::fromStdString(w.folder.File(name.toStdString()))));
            break;
        case Failure::RawDataCutShort: {
            // A supported camera whose raw data ends early: the open counts as
            // done, the render fails.
            std::vector<uint8_t> bytes = test_support::WithUniqueCameraModel(
                test_support::ReadFileBytes(test_support::TestData(
                    "dng/canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng")),
                "Canon EOS 550D");
            bytes.resize(bytes.size() * 3 / 5);
            name = "cut.dng";
            test_support::WriteFileBytes(w.folder.File(name.toStdString()), bytes);
            break;
        }
        case Failure::DeletedDng:
            name = "gone.dng";
            w.AddDng(name, 400, 300);
            break;
        default:
            name = "gone.jpg";
            w.AddJpeg(name);
            break;
    }
    w->FillFileList(QString::fromStdString(w.folder.Path()));
    const auto items = w->lvExplore->findItems(name, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    const QString path = QString::fromStdString(w.folder.File(name.toStdString()));
    // A JPEG loads as it is selected, a DNG as "Open DNG" is pressed.
    if (failure == Failure::DeletedJpeg) QVERIFY(QFile::remove(path));
    w->lvExplore->setCurrentItem(items.first());
    if (failure == Failure::DeletedDng) QVERIFY(QFile::remove(path));
    if (failure != Failure::DeletedJpeg) QTest::mouseClick(w->btCreatePreview, Qt::LeftButton);
}

bool IndicatorOff(app::TFMain& w) {
    return w.lbStat->text() == "off " &&
           w.shDB->palette().color(QPalette::Window) == w.palette().color(QPalette::Button);
}

}  // namespace

Q_DECLARE_METATYPE(Failure)

class WindowFailedOpenTest : public QObject {
    Q_OBJECT

private slots:
    // After a photo that did not open, nothing acts as if one were there:
    // no zoom, no circles, no final result, no lit indicator, no lasting
    // "Loading...". The blur panel a refused DNG open shows stays.
    void aFailedOpenLeavesNothingToActOn_data() {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<bool>("panelShown");
        QTest::addColumn<bool>("reported");
        QTest::newRow("unsupported camera") << Failure::UnsupportedCamera << true << true;
        QTest::newRow("raw data cut short") << Failure::RawDataCutShort << true << true;
        QTest::newRow("listed DNG deleted before Open DNG") << Failure::DeletedDng << true << true;
        QTest::newRow("listed JPEG deleted before its selection") << Failure::DeletedJpeg << false << true;
        QTest::newRow("plug-in DNG that does not exist") << Failure::MissingPluginDng << true << true;
        QTest::newRow("plug-in JPEG that does not exist") << Failure::MissingPluginJpeg << true << true;
        QTest::newRow("no photo, after Yes to the format question") << Failure::NonPhotoAfterYes << true << false;
    }

    void aFailedOpenLeavesNothingToActOn() {
        QFETCH(Failure, failure);
        QFETCH(bool, panelShown);
        QFETCH(bool, reported);
        test_support::TempFolder pluginFolder;
        const QString pluginPhoto = PluginPhoto(failure, QString::fromStdString(pluginFolder.Path()));
        if (failure == Failure::NonPhotoAfterYes) {
            photo_folder::Touch(QString::fromStdString(pluginFolder.Path()), "notes.txt");
            const app::CommandLine line = app::ParseCommandLine(QString(app::kPluginKeyword) + "#" + pluginPhoto);
            QVERIFY(app::NeedsFormatQuestion(line.fileToOpen));
        }
        Window w(!pluginPhoto.isEmpty(), pluginPhoto);
        if (pluginPhoto.isEmpty()) FailInTheBrowser(w, failure);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(!w.messages.messages.empty(), reported);
        if (failure == Failure::UnsupportedCamera)
            QCOMPARE(QString::fromStdString(w.messages.messages.back().caption), QString("Unsupported camera"));
        const std::size_t messagesShown = w.messages.messages.size();
        QVERIFY(!w->imgPreview->HasPicture());
        QCOMPARE(!w->blurPanel->isHidden(), panelShown);
        QVERIFY2(w->lbStatus->isHidden() || w->lbStatus->text().isEmpty(), qPrintable(w->lbStatus->text()));

        // What a person tries next: a kernel, a blur slider's key, the
        // brightness slider, then the buttons and a click on the patch.
        if (panelShown) {
            w.DrawLineKernel(4);
            QVERIFY(w->blurPanel->grid->IsNotEmpty());
            QTest::keyClick(w->blurPanel->tbLowPass, Qt::Key_End);
            if (w->tbBrightness->isEnabled()) {
                w->tbBrightness->OnMouseDownEvent(w->tbBrightness);
                QVERIFY2(IndicatorOff(*w), "brightness held");
                w->tbBrightness->setValue(9);
                w->tbBrightness->OnMouseUpEvent(w->tbBrightness);
            }
        }
        const auto buttonsOff = [&](const char* when) {
            QVERIFY2(!w->btApplyDeblur->isEnabled(), when);
            QVERIFY2(!w->btPercentage->isEnabled(), when);
            QVERIFY2(!w->sbDeblurCircle->isEnabled(), when);
            QVERIFY2(IndicatorOff(*w), when);
        };
        buttonsOff("after the failure");
        if (QTest::currentTestFailed()) return;
        w->sbDeblurCircle->click();
        QVERIFY(!w->sbDeblurCircle->isChecked());
        Window::Click(w->imgCircles, QPoint(236, 230));
        QVERIFY(w->fftEngine->circles.empty());
        QCOMPARE(w->lbCirclesCount->text(), QString("-"));
        w->btPercentage->click();
        QCOMPARE(w->crop.zoomPercent, 100);
        QVERIFY(!w->img100->HasPicture());
        buttonsOff("after the clicks");
        QVERIFY(w->lbStatus->text() != "Loading...");
        QCOMPARE(w.messages.messages.size(), messagesShown);

        // A photo that opens brings them back.
        if (pluginPhoto.isEmpty()) {
            QVERIFY(w.Select("good.jpg"));
            QVERIFY(w->btPercentage->isEnabled());
            QVERIFY(w->sbDeblurCircle->isEnabled());
            w.DrawLineKernel(4);
            QVERIFY(w->btApplyDeblur->isEnabled());
            QCOMPARE(w->lbStat->text(), QString("on "));
        }
    }
};

CLARIVANE_APP_TEST_MAIN(WindowFailedOpenTest)
#include "window_failed_open_test.moc"
