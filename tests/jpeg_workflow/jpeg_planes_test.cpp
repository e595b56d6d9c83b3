#include <gtest/gtest.h>

#include <tuple>

#include "engine/class_fft.h"
#include "pipeline/dngconvert_jpeg_planes.h"
#include "platform/parallel_run.h"
#include "jpeg_workflow_support.h"

using namespace jpeg_workflow_test;

namespace {

// Channel byte of each plane in a B, G, R pixel.
constexpr int kChannelOf[3] = {1, 2, 0};  // green, red, blue

struct SizeCase {
    int width, height, splitWidth;
};

}  // namespace

// Split and merge run in row bands on the worker threads: the taller cases span
// several bands with a short last one, on one worker and on three.
TEST(JpegPlanes, SplitAndMergeAreExactInversesOnTheWidthCutToAMultipleOfFour) {
    const SizeCase cases[] = {{1001, 5, 1000}, {1001, 6, 1000}, {1000, 7, 1000}, {1002, 3, 1000}, {1003, 4, 1000},
                              {7, 9, 4},       {4, 1, 4},       {3, 2, 0},       {1001, 70, 1000}, {37, 97, 36}};
    for (const int threads : {1, 3}) {
        platform::SetWorkerCount(threads);
        for (const SizeCase& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", " +
                         std::to_string(threads) + " threads");
            pipeline::HeadlessWindow window;
            window.browser = Bitmap(1, 1, PixelFormat::pf24bit);
            pipeline::DNGConvert& convert = window.Convert();
            const Bitmap original = ColourPattern(c.width, c.height);
            Bitmap bitmap = original;
            ASSERT_TRUE(convert.SplitPlanes(bitmap));
            ASSERT_EQ(std::tuple(bitmap.Width(), bitmap.Height(), bitmap.Format()),
                      std::tuple(c.splitWidth, c.height, PixelFormat::pf24bit));

            // Each plane holds its channel, one byte a pixel.
            bool placed = true;
            for (int p = 0; p < 3; ++p) {
                const Bitmap& plane = *convert.Planes[std::size_t(p)];
                ASSERT_EQ(std::tuple(plane.Width(), plane.Height(), plane.Format()),
                          std::tuple(c.splitWidth, c.height, PixelFormat::pf8bit));
                for (int y = 0; y < c.height; ++y)
                    for (int x = 0; x < c.splitWidth; ++x) {
                        placed &= plane.ScanLine(y)[x] == original.ScanLine(y)[3 * x + kChannelOf[p]];
                        placed &= bitmap.ScanLine(y)[3 * x + kChannelOf[p]] == original.ScanLine(y)[3 * x + kChannelOf[p]];
                    }
            }
            EXPECT_TRUE(placed);

            Bitmap merged(c.splitWidth, c.height, PixelFormat::pf24bit);
            convert.MergePlanes(merged);
            EXPECT_EQ(Compare(merged, bitmap).largest, 0);
        }
    }
    platform::SetWorkerCount(0);
}

// The planes keep the device-independent layout: memory starts with the bottom row.
TEST(JpegPlanes, PlaneMemoryIsBottomUpOneBytePerPixel) {
    const int width = 8, height = 3;
    pipeline::HeadlessWindow window;
    Bitmap bitmap(width, height, PixelFormat::pf24bit);
    bitmap.SetPixel(0, height - 1, platform::RGBColor(200, 100, 50));  // bottom-left
    bitmap.SetPixel(width - 1, 0, platform::RGBColor(7, 8, 9));        // top-right
    ASSERT_TRUE(window.Convert().SplitPlanes(bitmap));
    const auto& planes = window.Convert().Planes;
    const std::size_t last = std::size_t(width) * height - 1;
    const std::tuple<int, uint8_t, uint8_t> cases[] = {{kRed, 200, 7}, {kGreen, 100, 8}, {kBlue, 50, 9}};
    for (const auto& [plane, bottomLeft, topRight] : cases) {
        SCOPED_TRACE(plane);
        const uint8_t* bits = planes[std::size_t(plane)]->Bits();
        EXPECT_EQ(bits[0], bottomLeft);
        EXPECT_EQ(bits[last], topRight);
    }
}

TEST(JpegPlanes, WrongFormatsAndSizesLeaveEverythingAsItWas) {
    pipeline::HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    Bitmap grey = GreyPattern(10, 4);
    EXPECT_FALSE(convert.SplitPlanes(grey));
    EXPECT_EQ(grey.Width(), 10);
    EXPECT_EQ(convert.Planes[0], nullptr);

    Bitmap colour = ColourPattern(8, 4);
    ASSERT_TRUE(convert.SplitPlanes(colour));
    for (const auto& [w, h] : {std::pair(8, 5), std::pair(12, 4), std::pair(4, 4)}) {
        Bitmap other = ColourPattern(w, h);
        const Bitmap before = other;
        convert.MergePlanes(other);
        EXPECT_EQ(Compare(other, before).largest, 0) << w << " x " << h;
    }
}

// A final result splits a grey picture directly: its 8-bit rows are padded to 4 bytes.
TEST(JpegPlanes, GreyPictureSplitsIntoThreeEqualPlanesOverItsPaddedRows) {
    platform::SetWorkerCount(3);
    for (const int width : {13, 16}) {
        const Bitmap grey = GreyPattern(width, 45);
        std::array<std::unique_ptr<Bitmap>, 3> planes;
        pipeline::SplitIntoPlanes(grey, planes);
        const int cut = width - width % 4;
        bool placed = true;
        for (const auto& plane : planes) {
            ASSERT_EQ(std::tuple(plane->Width(), plane->Height(), plane->Format()),
                      std::tuple(cut, 45, PixelFormat::pf8bit));
            for (int y = 0; y < 45; ++y)
                for (int x = 0; x < cut; ++x) placed &= plane->ScanLine(y)[x] == grey.ScanLine(y)[x];
        }
        EXPECT_TRUE(placed) << width;
    }
    platform::SetWorkerCount(0);
}

// The result patch: the maxima of the 8-bit ranges, the deblur circles placed
// in preview coordinates (the patch sits at the crop origin) and one repaint.
TEST(ProcessJPG, DeblursThePatchInsideCirclesPlacedOnThePreview) {
    struct Case { int size, cropLeft, cropTop; bool grey; };
    const Case cases[] = {{512, 40, 300, false}, {256, 333, 17, true}, {256, 0, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + (c.grey ? " grey" : " colour"));
        pipeline::HeadlessWindow window;
        window.browser = Bitmap(1, 1, c.grey ? PixelFormat::pf8bit : PixelFormat::pf24bit);
        window.cropLeft = c.cropLeft;
        window.cropTop = c.cropTop;
        // The photo the patch was cut from, holding the whole crop.
        window.preview = Bitmap(c.cropLeft + c.size + 3, c.cropTop + c.size + 1, PixelFormat::pf24bit);
        DrawLineKernel(window, 9);
        // A circle off the patch's centre, away from the diagonal, so swapped offsets miss it.
        const int centreRow = c.cropTop + c.size / 4, centreCol = c.cropLeft + c.size * 3 / 4;
        window.engine.AddCircle(centreRow, centreCol);
        window.engine.circles[0]->SetSize(40, 25, 0);

        const Bitmap before = ColourPattern(c.size, c.size);
        Bitmap patch = before;
        window.Convert().ProcessJPG(patch);
        EXPECT_EQ(std::tuple(window.maskingMaximum, window.localizationMaximum), std::tuple(255, 85));
        EXPECT_EQ(window.resultPatchRepaints, 1);

        int inside = 0, changedInside = 0, changedOutside = 0, notGrey = 0;
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x) {
                const uint8_t* now = patch.ScanLine(y) + 3 * x;
                const bool changed = !std::equal(now, now + 3, before.ScanLine(y) + 3 * x);
                const bool in = window.engine.circles[0]->Depth(y + c.cropTop, x + c.cropLeft) >= 0;
                inside += in;
                (in ? changedInside : changedOutside) += changed;
                notGrey += now[0] != now[1] || now[1] != now[2];
            }
        EXPECT_GT(inside, 1000);
        EXPECT_GT(changedInside, inside / 2);
        // A grey photo comes back grey everywhere, changed or not.
        EXPECT_EQ(changedOutside, c.grey ? changedOutside : 0);
        EXPECT_EQ(notGrey == 0, c.grey);
    }
}
