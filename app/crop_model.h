#pragma once
#include <string>

namespace platform {
class Bitmap;
}

namespace app {

// A point of the preview bitmap, column first as the window hands it around.
struct ImagePoint {
    int column = 0;
    int row = 0;
};

// Which square of the preview bitmap the result patch shows, at 100% or
// 200%, and how clicks in the preview and drags in the patch move it. Plain
// data so the window and the tests share one placement rule.
class CropModel {
public:
    // The preview control; clicks are scaled from it to the bitmap per axis.
    static constexpr int kPreviewControlWidth = 336;
    static constexpr int kPreviewControlHeight = 224;
    // Bitmap side of the patch at 100%; at 200% it is half of it.
    static constexpr int kFullSpan = 512;
    // The patch control; at 100% it shows bitmap pixels from kPatchMargin on.
    static constexpr int kPatchControlSize = 472;
    static constexpr int kPatchMargin = 20;

    double cropCentreX = 0.0;
    double cropCentreY = 0.0;
    int cropLeft = 0;
    int cropTop = 0;
    int zoomPercent = 100;
    int panLastX = 0;
    int panLastY = 0;

    int ZoomFactor() const { return zoomPercent == 200 ? 2 : 1; }
    // Side of the crop and of the patch and overlay bitmaps.
    int Span() const { return kFullSpan / ZoomFactor(); }

    // Places the crop around the stored centre in a preview bitmap of the
    // given size. A bitmap smaller than the span gives a negative origin.
    void Place(int previewWidth, int previewHeight);

    // 100% becomes 200%, anything else 100%; returns the result group's caption.
    std::string ToggleZoom();
    static std::string ZoomCaption(int zoomPercent);

    // A press on the overlay at control pixel (x, y): the pan starts there.
    void StartPan(int x, int y);
    // A move with the button held: shifts the origin against the pointer and
    // moves the centre with it. At 200% an axis waits until the pointer has
    // gone 3 pixels from where it last moved the crop.
    void Pan(int x, int y, int previewWidth, int previewHeight);

    // Overlay control pixel to preview-bitmap pixel, the same for a press
    // and a move so that the circle stays under the pointer.
    ImagePoint OverlayToImage(int x, int y) const;

    // An odd value moves away from zero to the next even one.
    static int MakeEven(int value) { return value + value % 2; }
};

// Copies the span x span square at (left, top) of `preview` to (0, 0) of
// `patch` (24 bits; a grey preview is spread over the three bytes). Parts
// of the square outside the preview become black; nothing outside either
// bitmap is read or written.
void CopyCrop(const platform::Bitmap& preview, int left, int top, int span, platform::Bitmap& patch);

}  // namespace app
