// Takes the main window through one deblurring session and writes a
// screenshot after each stage: a JPEG with its deblurred patch, deblur
// circles on it, an opened DNG with patch and circle, the DNG after a click
// on the Brightness handle and the End key, the progress overlay
// while a final result is made, the window after it, the window after a
// change of the file filter, and the About box.
//
//   window-tour OUT_FOLDER PHOTO.jpg PHOTO.dng
//
// The DNG's camera model is rewritten to a supported one in a copy. Run it
// under an X server (screenshot.sh --tour starts one with xvfb-run).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

#include "app/about_form.h"
#include "app/blend.h"
#include "app/form_fonts.h"
#include "app/main_window.h"
#include "app/picture_view.h"
#include "app/qt_platform.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "platform/process_messages.h"
#include "tests/controls/slider_handle.h"
#include "tests/support/test_files.h"
#include "tests/support/tiff_edits.h"

namespace {

void Mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void Click(QWidget* w, QPoint p) {
    Mouse(w, QEvent::MouseMove, p, Qt::NoButton);
    Mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

// What the X server shows of the window; the widget's own rendering where
// the screen cannot be read.
void Shoot(QWidget* window, const QString& file) {
    // The X server draws what the window painted a moment ago.
    QCoreApplication::processEvents();
    QThread::msleep(200);
    QCoreApplication::processEvents();
    QPixmap shot;
    if (QScreen* screen = window->screen())
        shot = screen->grabWindow(0, window->x(), window->y(), window->frameGeometry().width(),
                                  window->frameGeometry().height());
    if (shot.isNull()) shot = window->grab();
    shot.save(file);
    std::printf("%s\n", qPrintable(file));
}

void DrawLineKernel(controls::BlurPanel* panel, int radius) {
    panel->sbLineShapes->click();
    panel->tbLowPass->setValue(60);
    panel->tbRadius->setValue(radius);
    panel->tbRadius->OnMouseUpEvent(panel->tbRadius);
}

void Select(app::TFMain& window, const QString& folder, const QString& name) {
    window.FillFileList(folder);
    const auto items = window.lvExplore->findItems(name, Qt::MatchExactly);
    if (!items.isEmpty()) window.lvExplore->setCurrentItem(items.first());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: window-tour OUT_FOLDER PHOTO.jpg PHOTO.dng\n");
        return 2;
    }
    InstallQtPlatformHooks();
    app::InstallFontSubstitutes();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir photos;
    const QString folder = photos.path();
    QFile::copy(QString::fromLocal8Bit(argv[2]), folder + "/photo.jpg");
    test_support::WriteFileBytes(
        (folder + "/photo.dng").toStdString(),
        test_support::WithUniqueCameraModel(test_support::ReadFileBytes(argv[3]), "Canon EOS 550D"));
    QDir().mkpath(folder + "/results");

    app::FBlend = new app::TFBlend;
    app::TFMain window;
    app::FMain = &window;
    app::TFAbout about(&window);
    app::FAbout = &about;
    window.show();

    QTimer::singleShot(500, [&] {
        window.lbFolder->setText(folder + "/results");
        window.cbAutoSave->setChecked(true);

        Select(window, folder, "photo.jpg");
        Click(window.imgPreview, QPoint(150, 100));
        DrawLineKernel(window.blurPanel, 7);
        Shoot(&window, out + "/1-jpeg-patch.png");

        window.sbDeblurCircle->click();
        Click(window.imgCircles, QPoint(130, 150));
        Click(window.imgCircles, QPoint(330, 300));
        Mouse(window.imgCircles, QEvent::MouseMove, QPoint(420, 60), Qt::NoButton);
        Shoot(&window, out + "/2-jpeg-circles.png");

        Select(window, folder, "photo.dng");
        window.btCreatePreview->click();
        DrawLineKernel(window.blurPanel, 5);
        window.btPercentage->click();
        window.sbDeblurCircle->click();
        Click(window.imgCircles, QPoint(240, 230));
        Shoot(&window, out + "/3-dng-200-circle.png");

        // As the window system delivers a click, so that the slider takes the keyboard.
        QTest::mouseClick(window.tbBrightness, Qt::LeftButton, Qt::NoModifier,
                          SliderHandleCentre(window.tbBrightness));
        QTest::keyClick(window.focusWidget(), Qt::Key_End);
        Shoot(&window, out + "/4-dng-brightness-end.png");

        bool shot = false;
        platform::SetProcessMessagesHook([&] {
            QCoreApplication::processEvents();
            if (!shot && app::FBlend && app::FBlend->isVisible()) {
                shot = true;
                Shoot(&window, out + "/5-overlay.png");
            }
        });
        window.btApplyDeblur->click();
        platform::SetProcessMessagesHook([] { QCoreApplication::processEvents(); });
        Shoot(&window, out + "/6-after-final.png");
        std::printf("saved: %s\n", qPrintable(QDir(folder + "/results").entryList(QDir::Files).join(", ")));

        window.cbFilter->setCurrentIndex(1);
        Shoot(&window, out + "/7-after-filter-change.png");
        about.show();
        Shoot(&about, out + "/8-about.png");
        QApplication::quit();
    });
    return QApplication::exec();
}
