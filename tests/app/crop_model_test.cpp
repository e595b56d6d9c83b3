#include <gtest/gtest.h>

#include <cmath>

#include "app/crop_model.h"
#include "platform/bitmap.h"

namespace {

using app::CropModel;
using app::ImagePoint;

struct PlacementCase {
    const char* what;
    int width, height;
    double centreX, centreY;
    int zoom;
    int left, top;
};

TEST(CropModel, PlacementClampsMakesEvenAndLetsTheFarEdgeWin) {
    const PlacementCase cases[] = {
        {"top-left corner", 1536, 1024, 0, 0, 100, 0, 0},
        {"bottom-right corner", 1536, 1024, 336, 224, 100, 1024, 512},
        {"bottom-right corner at 200%", 1536, 1024, 336, 224, 200, 1280, 768},
        {"centre", 1536, 1024, 168, 112, 100, 512, 256},
        {"centre at 200% keeps the centre", 1536, 1024, 168, 112, 200, 640, 384},
        {"101.7 truncates to 101, then even; 0.4 to 0", 672, 1024, 178.85, 56.0875, 100, 102, 0},
        {"square photo scales each axis to the whole control", 1000, 1000, 168, 112, 100, 244, 244},
        {"odd size: far edge 489 made 490", 1001, 667, 336, 224, 100, 490, 156},
        {"odd size at 200%: 745 made 746, 411 made 412", 1001, 667, 336, 224, 200, 746, 412},
        {"smaller than the span: negative origin", 300, 200, 10, 10, 100, -212, -312},
        {"smaller than the span at 200% in one axis only", 300, 200, 10, 10, 200, 0, -56},
        {"odd negative origin goes further from zero", 301, 201, 0, 0, 100, -212, -312},
        {"narrower than the 200% span by an odd amount", 255, 1024, 0, 0, 200, -2, 0},
    };
    for (const auto& c : cases) {
        CropModel crop;
        crop.cropCentreX = c.centreX;
        crop.cropCentreY = c.centreY;
        crop.zoomPercent = c.zoom;
        crop.Place(c.width, c.height);
        EXPECT_EQ(crop.cropLeft, c.left) << c.what;
        EXPECT_EQ(crop.cropTop, c.top) << c.what;
        EXPECT_EQ(crop.cropLeft % 2, 0) << c.what;
        EXPECT_EQ(crop.cropTop % 2, 0) << c.what;
    }
}

// The two captions and spans are the zoom button's window test.
TEST(CropModel, ZoomFromAnyValueOtherThan100GoesBackTo100) {
    CropModel crop;
    crop.zoomPercent = 150;
    EXPECT_EQ(crop.ToggleZoom(), "100% - drag to move the image");
    EXPECT_EQ(crop.Span(), 512);
}

struct PanStep {
    int x, y;
    int left, top;
};

struct PanCase {
    const char* what;
    int zoom;
    int width, height;
    int startLeft, startTop;
    int pressX, pressY;
    std::vector<PanStep> steps;
};

TEST(CropModel, PanningFollowsThePointerInEvenStepsWithinTheBitmap) {
    const PanCase cases[] = {
        {"100%: every even step moves, odd positions round up", 100, 1536, 1024, 512, 256, 100, 100,
         {{110, 96, 502, 260}, {111, 96, 500, 260}, {111, 97, 500, 258}}},
        {"200%: small moves gather until 3 pixels", 200, 1536, 1024, 640, 384, 100, 100,
         {{102, 101, 640, 384}, {104, 101, 638, 384}, {105, 104, 638, 382}, {107, 104, 636, 382}}},
        {"clamped at zero and at the far edge", 100, 1001, 667, 10, 150, 200, 100,
         {{300, 110, 0, 140}, {-400, -300, 490, 156}}},
        {"far edge at 200% with an odd width", 200, 1001, 667, 700, 400, 0, 0, {{-200, -200, 746, 412}}},
    };
    for (const auto& c : cases) {
        CropModel crop;
        crop.zoomPercent = c.zoom;
        crop.cropLeft = c.startLeft;
        crop.cropTop = c.startTop;
        crop.cropCentreX = (0.5 * crop.Span() + c.startLeft) / (c.width / 336.0);
        crop.cropCentreY = (0.5 * crop.Span() + c.startTop) / (c.height / 224.0);
        crop.StartPan(c.pressX, c.pressY);
        EXPECT_EQ(crop.panLastX, c.pressX + 20) << c.what;
        for (const auto& step : c.steps) {
            crop.Pan(step.x, step.y, c.width, c.height);
            EXPECT_EQ(crop.cropLeft, step.left) << c.what << " at " << step.x << "," << step.y;
            EXPECT_EQ(crop.cropTop, step.top) << c.what << " at " << step.x << "," << step.y;
            // The centre follows, so placing the crop again keeps the origin.
            CropModel again = crop;
            again.Place(c.width, c.height);
            EXPECT_EQ(again.cropLeft, crop.cropLeft) << c.what;
            EXPECT_EQ(again.cropTop, crop.cropTop) << c.what;
        }
    }
}

TEST(CropModel, OverlayPixelsMapToTheBitmapPixelShownUnderThem) {
    CropModel crop;
    crop.cropLeft = 300;
    crop.cropTop = 122;
    const struct {
        int zoom, x, y;
        ImagePoint want;
    } cases[] = {
        {100, 0, 0, {320, 142}},       {100, 471, 13, {791, 155}},
        {200, 0, 0, {300, 122}},       {200, 471, 235, {555, 249}},
        {200, 236, 1, {428, 122}},     {200, 2, 471, {301, 377}},
    };
    for (const auto& c : cases) {
        crop.zoomPercent = c.zoom;
        const ImagePoint p = crop.OverlayToImage(c.x, c.y);
        EXPECT_EQ(p.column, c.want.column) << c.zoom << "% " << c.x << "," << c.y;
        EXPECT_EQ(p.row, c.want.row) << c.zoom << "% " << c.x << "," << c.y;
    }
    // At 200% a bitmap pixel drawn at its place on the stretched control
    // maps back to itself, right up to the patch's far edge.
    crop.zoomPercent = 200;
    for (int b = 0; b < 256; ++b) {
        const int shownAt = int(std::ceil(b * 472.0 / 256.0));
        EXPECT_EQ(crop.OverlayToImage(shownAt, shownAt).column, 300 + b) << b;
        EXPECT_EQ(crop.OverlayToImage(shownAt, shownAt).row, 122 + b) << b;
    }
}

// A preview whose every pixel says where it is.
platform::Bitmap Numbered(int width, int height, platform::PixelFormat format) {
    platform::Bitmap bitmap(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, platform::RGBColor(uint8_t(x), uint8_t(y), uint8_t(x * 7 + y * 3)));
    return bitmap;
}

TEST(CopyCrop, CopiesTheSquareUnchangedAndBlackensWhatLiesOutside) {
    const struct {
        const char* what;
        int width, height;
        platform::PixelFormat format;
        int left, top, span;
    } cases[] = {
        {"inside, 100%", 1001, 667, platform::PixelFormat::pf24bit, 130, 68, 512},
        {"inside, 200%", 1001, 667, platform::PixelFormat::pf24bit, 744, 410, 256},
        {"one column past the right edge", 1001, 667, platform::PixelFormat::pf24bit, 490, 156, 512},
        {"negative origin of a small preview", 301, 201, platform::PixelFormat::pf24bit, -212, -312, 512},
        {"grey preview spread over three bytes", 603, 555, platform::PixelFormat::pf8bit, 40, 2, 512},
    };
    for (const auto& c : cases) {
        const platform::Bitmap preview = Numbered(c.width, c.height, c.format);
        platform::Bitmap patch(c.span, c.span, platform::PixelFormat::pf24bit);
        for (int y = 0; y < c.span; ++y)
            for (int x = 0; x < c.span; ++x) patch.SetPixel(x, y, 0xABCDEF);
        app::CopyCrop(preview, c.left, c.top, c.span, patch);
        int mismatches = 0;
        for (int y = 0; y < c.span; ++y) {
            for (int x = 0; x < c.span; ++x) {
                const int sx = c.left + x;
                const int sy = c.top + y;
                const bool inside = sx >= 0 && sy >= 0 && sx < c.width && sy < c.height;
                const uint32_t want = inside ? preview.Pixel(sx, sy) : 0u;
                if (patch.Pixel(x, y) != want && ++mismatches < 5)
                    ADD_FAILURE() << c.what << ": pixel " << x << "," << y;
            }
        }
        EXPECT_EQ(mismatches, 0) << c.what;
    }
}

}  // namespace
