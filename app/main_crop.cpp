// Which part of the preview the result patch shows: the crop, the zoom and panning.
#include <QGroupBox>

#include "app/circle_overlay.h"
#include "app/crop_model.h"
#include "app/main_window.h"
#include "app/picture_view.h"

namespace app {

void TFMain::PositionCrop(int, int, bool repaintPatch) {
    if (!imgPreview->HasPicture()) return;
    const int span = crop.Span();
    const bool stretched = crop.zoomPercent == 200;
    img100->stretch = stretched;
    imgCircles->stretch = stretched;
    img100->Bitmap() = platform::Bitmap(span, span, platform::PixelFormat::pf24bit);
    platform::Bitmap& overlay = imgCircles->Bitmap();
    overlay = platform::Bitmap(span, span, platform::PixelFormat::pf24bit);
    ClearOverlay(overlay);
    imgCircles->Refresh();

    const platform::Bitmap& preview = imgPreview->Bitmap();
    crop.Place(preview.Width(), preview.Height());
    CopyCrop();
    if (repaintPatch) img100->Refresh();
    DrawCircles();
}

void TFMain::CopyCrop() {
    const int span = crop.Span();
    platform::Bitmap& patch = img100->Bitmap();
    if (patch.Width() != span || patch.Height() != span || patch.Format() != platform::PixelFormat::pf24bit)
        patch = platform::Bitmap(span, span, platform::PixelFormat::pf24bit);
    app::CopyCrop(imgPreview->Bitmap(), crop.cropLeft, crop.cropTop, span, patch);
}

void TFMain::imgPreviewMouseDown(int x, int y) {
    ShowDeblurStatus(false);
    previewDragging = true;
    crop.cropCentreX = x;
    crop.cropCentreY = y;
    PositionCrop(x, y, true);
    DrawCircles();
}

void TFMain::imgPreviewMouseMove(int x, int y) {
    if (!previewDragging) return;
    crop.cropCentreX = x;
    crop.cropCentreY = y;
    PositionCrop(x, y, true);
    DrawCircles();
}

void TFMain::imgPreviewMouseUp() {
    if (previewReleaseDetached) return;
    previewDragging = false;
    previewReleaseDetached = true;
    UpdateResult();
    previewReleaseDetached = false;
}

void TFMain::btPercentageClick() {
    gbResult->setTitle(QString::fromStdString(crop.ToggleZoom()));
    PositionCrop(0, 0, true);
    UpdateResult();
}

}  // namespace app
