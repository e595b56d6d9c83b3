#include "app/crop_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/bitmap.h"

namespace app {

void CropModel::Place(int previewWidth, int previewHeight) {
    const double sx = previewWidth * (1.0 / kPreviewControlWidth);
    const double sy = previewHeight * (1.0 / kPreviewControlHeight);
    const int span = Span();
    double left = cropCentreX * sx - 0.5 * span;
    double top = cropCentreY * sy - 0.5 * span;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    // The far-edge rule comes second and wins for a preview narrower than the span.
    if (left + span > previewWidth) left = previewWidth - span;
    if (top + span > previewHeight) top = previewHeight - span;
    cropLeft = MakeEven(int(left));
    cropTop = MakeEven(int(top));
}

std::string CropModel::ZoomCaption(int zoom) {
    return std::to_string(zoom) + "% - drag to move the image";
}

std::string CropModel::ToggleZoom() {
    zoomPercent = zoomPercent != 100 ? 100 : 200;
    return ZoomCaption(zoomPercent);
}

void CropModel::StartPan(int x, int y) {
    panLastX = x + kPatchMargin;
    panLastY = y + kPatchMargin;
}

namespace {

// One axis of a pan: origin, last pointer position and centre of that axis.
void PanAxis(int current, int& last, int& origin, double& centre, double zoomFactor, int extent,
             int controlExtent, int span) {
    const int delta = last - current;
    if (zoomFactor == 2.0 && std::abs(delta) < 3) return;
    const double reach = CropModel::kFullSpan / zoomFactor;
    origin = int(origin + delta / zoomFactor);
    if (origin < 0) origin = 0;
    if (origin + reach > extent) origin = int(extent - reach);
    origin = CropModel::MakeEven(origin);
    last = current;
    centre = (0.5 * span + origin) / (double(extent) / controlExtent);
}

}  // namespace

void CropModel::Pan(int x, int y, int previewWidth, int previewHeight) {
    const double zf = zoomPercent == 200 ? 2.0 : 1.0;
    const int curX = MakeEven(x + kPatchMargin);
    const int curY = MakeEven(y + kPatchMargin);
    PanAxis(curX, panLastX, cropLeft, cropCentreX, zf, previewWidth, kPreviewControlWidth, Span());
    PanAxis(curY, panLastY, cropTop, cropCentreY, zf, previewHeight, kPreviewControlHeight, Span());
}

ImagePoint CropModel::OverlayToImage(int x, int y) const {
    if (zoomPercent == 200) {
        // The 256-pixel bitmap is stretched over the whole control.
        return {cropLeft + x * Span() / kPatchControlSize, cropTop + y * Span() / kPatchControlSize};
    }
    return {cropLeft + x + kPatchMargin, cropTop + y + kPatchMargin};
}

void CopyCrop(const platform::Bitmap& preview, int left, int top, int span, platform::Bitmap& patch) {
    const bool grey = preview.Format() == platform::PixelFormat::pf8bit;
    const int rows = std::min(span, patch.Height());
    const int columns = std::min(span, patch.Width());
    for (int row = 0; row < rows; ++row) {
        uint8_t* out = patch.ScanLine(row);
        std::memset(out, 0, std::size_t(columns) * 3);
        const int sourceRow = top + row;
        if (sourceRow < 0 || sourceRow >= preview.Height()) continue;
        const uint8_t* in = preview.ScanLine(sourceRow);
        const int first = std::max(0, -left);
        const int last = std::min(columns, preview.Width() - left);
        for (int column = first; column < last; ++column) {
            const int sourceColumn = left + column;
            if (grey) {
                std::memset(out + 3 * column, in[sourceColumn], 3);
            } else {
                std::memcpy(out + 3 * column, in + 3 * sourceColumn, 3);
            }
        }
    }
}

}  // namespace app
