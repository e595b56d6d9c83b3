// Which part of the preview the result patch shows: the crop, the zoom and panning.
#include <QGroupBox>

#include "app/crop_model.h"
#include "app/main_window.h"
#include "app/picture_view.h"

namespace app {

CropModel TFMain::CropState() const {
    CropModel crop;
    crop.cropCentreX = cropCentreX;
    crop.cropCentreY = cropCentreY;
    crop.cropLeft = cropLeft;
    crop.cropTop = cropTop;
    crop.zoomPercent = zoomPercent;
    crop.panLastX = panLastX;
    crop.panLastY = panLastY;
    return crop;
}

void TFMain::StoreCrop(const CropModel& crop) {
    cropCentreX = crop.cropCentreX;
    cropCentreY = crop.cropCentreY;
    cropLeft = crop.cropLeft;
    cropTop = crop.cropTop;
    zoomPercent = crop.zoomPercent;
    panLastX = crop.panLastX;
    panLastY = crop.panLastY;
}

void TFMain::PositionCrop(int, int, bool repaintPatch) {
    if (!imgPreview->HasPicture()) return;
    CropModel crop = CropState();
    const int span = crop.Span();
    const bool stretched = zoomPercent == 200;
    img100->stretch = stretched;
    imgCircles->stretch = stretched;
    img100->Bitmap() = platform::Bitmap(span, span, platform::PixelFormat::pf24bit);
    platform::Bitmap& overlay = imgCircles->Bitmap();
    overlay = platform::Bitmap(span, span, platform::PixelFormat::pf24bit);
    std::fill(overlay.Bits(), overlay.Bits() + overlay.ByteSize(), uint8_t(0x80));
    imgCircles->Refresh();

    const platform::Bitmap& preview = imgPreview->Bitmap();
    crop.Place(preview.Width(), preview.Height());
    StoreCrop(crop);
    CopyCrop();
    if (repaintPatch) img100->Refresh();
    DrawCircles();
}

void TFMain::CopyCrop() {
    const int span = CropState().Span();
    platform::Bitmap& patch = img100->Bitmap();
    if (patch.Width() != span || patch.Height() != span || patch.Format() != platform::PixelFormat::pf24bit)
        patch = platform::Bitmap(span, span, platform::PixelFormat::pf24bit);
    app::CopyCrop(imgPreview->Bitmap(), cropLeft, cropTop, span, patch);
}

void TFMain::imgPreviewMouseDown(int x, int y) {
    ShowDeblurStatus(false);
    previewDragging = true;
    cropCentreX = x;
    cropCentreY = y;
    PositionCrop(x, y, true);
    DrawCircles();
}

void TFMain::imgPreviewMouseMove(int x, int y) {
    if (!previewDragging) return;
    cropCentreX = x;
    cropCentreY = y;
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
    CropModel crop = CropState();
    gbResult->setTitle(QString::fromStdString(crop.ToggleZoom()));
    StoreCrop(crop);
    PositionCrop(0, 0, true);
    UpdateResult();
}

}  // namespace app
