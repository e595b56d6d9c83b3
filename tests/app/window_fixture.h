#pragma once
#include <memory>

#include "app/blend.h"
#include "app/main_window.h"
#include "app/picture_view.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "message_log.h"
#include "photo_folder.h"
#include "platform/bitmap.h"
#include "platform/process_messages.h"
#include "shown_window.h"
#include "tests/controls/mouse_input.h"
#include "tests/pipeline/workflow_fixture.h"
#include "tests/support/test_files.h"

namespace windowtest {

// A JPEG of 1728 x 1152 pixels (3:2, so a click centres the crop under it).
inline const char* const kJpegSource = "canon_eos_350d_rebel_xt_1728x1152.jpg";

// The progress overlay exists before the window's first show takes it.
struct OverlayFirst {
    OverlayFirst() { app::FBlend = new app::TFBlend; }
};

// The main window shown offscreen with its progress overlay, message boxes
// recorded, and a folder of its own for photos and results.
class Window : private OverlayFirst {
public:
    explicit Window(bool pluginMode = false, const QString& photo = QString()) : shown(pluginMode, photo) {
        main = shown.window.get();
        [this] { QVERIFY(shown.exposed); }();
    }
    // The event pump is left as the test program starts: none.
    ~Window() { platform::SetProcessMessagesHook(nullptr); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    app::TFMain& operator*() { return *main; }
    app::TFMain* operator->() { return main; }

    QString AddJpeg(const QString& name = "photo.jpg") {
        return photo_folder::CopyJpeg(QString::fromStdString(folder.Path()), name, kJpegSource);
    }
    QString AddDng(const QString& name = "photo.dng", uint32_t width = 1040, uint32_t height = 700) {
        return QString::fromStdString(
            pipelinetest::WriteFixtureFile(folder, name.toStdString(), pipelinetest::MosaicFixture(width, height)));
    }

    // "photo.jpg" added and selected, or "photo.dng" added and opened.
    bool ShowNewPhoto(bool isJPEG, uint32_t width = 1040, uint32_t height = 700) {
        if (isJPEG) AddJpeg();
        else AddDng("photo.dng", width, height);
        return isJPEG ? Select("photo.jpg") : OpenDng("photo.dng");
    }
    // The JPEG selected and the crop centred by a click in the middle of the
    // preview: its origin is then (608, 320) at 100%.
    void ShowCentredJpeg() {
        QVERIFY(ShowNewPhoto(true));
        mouse_input::Click(main->imgPreview, QPoint(168, 112));
        QCOMPARE(main->crop.cropLeft, 608);
        QCOMPARE(main->crop.cropTop, 320);
    }

    // Lists the folder and selects the file as a click in the list would.
    bool Select(const QString& name) {
        main->FillFileList(QString::fromStdString(folder.Path()));
        const auto items = main->lvExplore->findItems(name, Qt::MatchExactly);
        if (items.isEmpty()) return false;
        main->lvExplore->setCurrentItem(items.first());
        return true;
    }
    // Selects a DNG and presses "Open DNG".
    bool OpenDng(const QString& name) {
        if (!Select(name)) return false;
        main->btCreatePreview->click();
        return main->imgPreview->HasPicture();
    }

    // A line kernel of the given length, then the release of its slider.
    void DrawLineKernel(int radius) {
        controls::BlurPanel* panel = main->blurPanel;
        panel->sbLineShapes->click();
        panel->tbRadius->setValue(radius);
        panel->tbRadius->OnMouseUpEvent(panel->tbRadius);
    }
    // Press and release of a main-window slider at a position.
    void ReleaseSlider(controls::TTrackBarMouse* slider, int position) {
        if (slider->OnMouseDownEvent) slider->OnMouseDownEvent(slider);
        slider->setValue(position);
        if (slider->OnMouseUpEvent) slider->OnMouseUpEvent(slider);
    }

    // A click after the pointer came to rest there, as a hand makes it.
    static void Click(QWidget* w, QPoint p) {
        mouse_input::Move(w, p, Qt::NoButton);
        mouse_input::Click(w, p);
    }

    test_support::TempFolder folder;
    MessageLog messages;
    ShownWindow shown;
    app::TFMain* main = nullptr;
};

inline bool SameBitmap(const platform::Bitmap& a, const platform::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format()) return false;
    return std::equal(a.Bits(), a.Bits() + a.ByteSize(), b.Bits());
}

}  // namespace windowtest
