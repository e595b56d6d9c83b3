#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "dng_test_support.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "platform/bitmap.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;

struct ToneCase {
    int contrast;
    int brightness;
    uint8_t source;
    uint8_t expected;
};

class BrightnessContrast : public ::testing::TestWithParam<ToneCase> {};

TEST_P(BrightnessContrast, ScalesAroundMidGreyTruncatesThenShiftsAndClamps) {
    const ToneCase& c = GetParam();
    TWKHost host;
    std::unique_ptr<TWKNegative> negative = TWKNegative::Make(host.Allocator());
    // Odd width with a padded row would read past the picture; 8 x 3 keeps rows unpadded.
    platform::Bitmap bitmap(8, 3, platform::PixelFormat::pf24bit);
    const std::size_t n = bitmap.ByteSize();
    std::memset(negative->PatchSnapshot, c.source, n);
    std::memset(negative->FullSnapshot.get(), uint8_t(c.source ^ 0x5A), n);

    negative->ApplyBrightnessContrast(bitmap, c.brightness, c.contrast, false);
    EXPECT_EQ(std::count(bitmap.Bits(), bitmap.Bits() + n, c.expected), long(n));

    // The full-photo snapshot is its own source.
    negative->ApplyBrightnessContrast(bitmap, 0, 0, true);
    EXPECT_EQ(bitmap.Bits()[n - 1], uint8_t(c.source ^ 0x5A));
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, BrightnessContrast,
    ::testing::Values(ToneCase{0, 0, 0, 0}, ToneCase{0, 0, 77, 77}, ToneCase{0, 0, 255, 255},
                      ToneCase{75, 0, 0, 0}, ToneCase{75, 0, 255, 255}, ToneCase{75, 0, 100, 72},
                      ToneCase{-75, 0, 37, 128}, ToneCase{-75, 0, 250, 128}, ToneCase{0, 75, 200, 255},
                      ToneCase{0, -75, 50, 0}, ToneCase{0, 75, 179, 254},
                      // factor 1.4: (100 - 128) x 1.4 + 128 = 88.8 -> 88, + 10
                      ToneCase{30, 10, 100, 98},
                      // factor 1.2: -141.6 + 128 = -13.6 truncates towards zero to -13, + 20
                      ToneCase{15, 20, 10, 7},
                      // factor 0.6: 72 x 0.6 + 128 = 171.2 -> 171, - 5
                      ToneCase{-30, -5, 200, 166}));

TEST(MonochromeRender, GreyFromStage3WithCapBottomUpRowsAndARowCountingBarLeftAtTheLastRow) {
    HeadlessWindow window;
    TWKHost host;
    std::unique_ptr<TWKNegative> negative = TWKNegative::Make(host.Allocator());
    const uint16_t values[] = {0, 65535, 49151, 49152, 30000, 1234, 7, 40000, 20000, 100, 60000};
    // Width 7 renders 4 columns; rows differ so a flipped picture shows.
    const auto sample = [&](uint32_t r, uint32_t c, uint32_t) { return values[(r * 3 + c) % 11]; };
    negative->SetStage3Image(MakeImage(host, 7, 3, 1, sample));
    platform::Bitmap bitmap;

    negative->RenderMonochromeToBitmap(bitmap, 1.0, 0, 0, false);
    ASSERT_EQ(bitmap.Width(), 4);
    ASSERT_EQ(bitmap.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint32_t v = std::min<uint32_t>(sample(y, x, 0), 49151);
            const uint8_t grey = uint8_t(std::min<uint32_t>(negative->GammaTable[v], 255));
            const uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
            EXPECT_EQ(pixel[0], grey) << y << "," << x;
            EXPECT_EQ(pixel[1], grey);
            EXPECT_EQ(pixel[2], grey);
        }
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0);
    EXPECT_EQ(bitmap.ScanLine(0)[3], 255) << "65535 shows white";
    EXPECT_EQ(window.statusBar.max, 3);
    ASSERT_FALSE(window.statusBar.positions.empty());
    EXPECT_EQ(window.statusBar.positions.back(), 2);

    // Sliders change the bitmap, not the snapshot it is made from.
    negative->RenderMonochromeToBitmap(bitmap, 1.0, 0, -75, true);
    EXPECT_EQ(bitmap.ScanLine(1)[6], 128);
    negative->ApplyBrightnessContrast(bitmap, 0, 0, true);
    EXPECT_EQ(bitmap.ScanLine(0)[3], 255);
}

// A colour negative opened from a fixture, with its work image then set by hand.
class ColourRender : public ::testing::Test {
protected:
    void SetUp() override {
        FixtureOptions fixture = pipelinetest::MosaicFixture(43, 30, "Canon EOS 40D");
        ASSERT_TRUE(window.Convert().ProcessDNG(pipelinetest::WriteFixtureFile(folder, "c.dng", fixture), "c.dng"));
        negative = window.Convert().Negative.get();
        ASSERT_NE(negative->ColorSpec, nullptr);
    }

    // Every pixel the camera values (r, g, b) as fractions of the render white.
    void Fill(double r, double g, double b) {
        const uint32_t pixels = 40 * 30;
        const double camera[3] = {r * TWKNegative::RenderWhite[0], g * TWKNegative::RenderWhite[1],
                                  b * TWKNegative::RenderWhite[2]};
        for (uint32_t i = 0; i < pixels; ++i)
            for (int c = 0; c < 3; ++c)
                negative->WorkImage[i * 3 + 2 - c] = uint16_t(std::min(65535.0, camera[c] * 65535.0 + 0.5));
    }

    std::array<uint8_t, 3> RenderPixel(int profile) {
        window.profileIndex = profile;
        platform::Bitmap bitmap;
        negative->RenderToBitmap(bitmap, 1.0, 0, 0, false, nullptr);
        EXPECT_EQ(bitmap.Width(), 40) << "43 columns round down to 40";
        EXPECT_EQ(bitmap.Height(), 30);
        const uint8_t* p = bitmap.ScanLine(11) + 3 * 17;
        return {p[2], p[1], p[0]};
    }

    test_support::TempFolder folder;
    HeadlessWindow window;
    TWKNegative* negative = nullptr;
};

TEST_F(ColourRender, BlackAndCameraWhiteInEveryOutputSpace) {
    for (int profile = 0; profile < 4; ++profile) {
        Fill(0, 0, 0);
        EXPECT_EQ(RenderPixel(profile), (std::array<uint8_t, 3>{0, 0, 0})) << profile;
        // At and above the camera white every channel clips to the white point's image.
        Fill(1, 1, 1);
        EXPECT_EQ(RenderPixel(profile), (std::array<uint8_t, 3>{255, 255, 255})) << profile;
        Fill(3, 3, 3);
        EXPECT_EQ(RenderPixel(profile), (std::array<uint8_t, 3>{255, 255, 255})) << profile;
    }
}

TEST_F(ColourRender, NeutralGreysFollowTheCappedGammaTable) {
    struct Grey {
        double level;
    };
    for (const Grey g : {Grey{0.05}, Grey{0.3}, Grey{0.7}, Grey{0.74}, Grey{0.76}, Grey{0.9}}) {
        Fill(g.level, g.level, g.level);
        const std::array<uint8_t, 3> got = RenderPixel(0);
        const uint32_t index = std::min<uint32_t>(uint32_t(g.level * 65535.0), 49151);
        const int expected = int(negative->GammaTable[index]);
        for (uint8_t channel : got) EXPECT_NEAR(channel, expected, 1) << g.level;
        if (g.level > 0.75) {
            EXPECT_EQ(got[1], 255) << "above 49151/65535 linear shows white";
        }
    }
}

TEST_F(ColourRender, ChannelsKeepTheirPlacesAndTheOutputSpaceMatters) {
    Fill(1, 0, 0);
    const std::array<uint8_t, 3> red = RenderPixel(0);
    EXPECT_GT(red[0], red[2]) << "camera red stays red";
    Fill(0, 0, 1);
    const std::array<uint8_t, 3> blue = RenderPixel(0);
    EXPECT_GT(blue[2], blue[0]) << "camera blue stays blue";
    Fill(0.1, 0.6, 0.1);
    EXPECT_NE(RenderPixel(0), RenderPixel(3)) << "sRGB and ProPhoto differ for a saturated green";
}

TEST_F(ColourRender, ReporterStepsOncePerHundredPixels) {
    engine::ProgressStatus progress;
    progress.bar = &window.overlayBar;
    platform::Bitmap bitmap;
    negative->RenderToBitmap(bitmap, 1.0, 0, 0, false, &progress);
    EXPECT_EQ(window.overlayBar.max, 40 * 30 / 100);
    EXPECT_EQ(window.overlayBar.position, 40 * 30 / 100);
}

// Without a camera white or neutral the render balances for the white point (0.3324, 0.3474).
TEST(ColourRenderWhite, WithoutACameraNeutralTheDefaultWhitePoint) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    FixtureOptions fixture = pipelinetest::MosaicFixture(44, 30, "Canon EOS 40D");
    fixture.writeNeutral = false;
    ASSERT_TRUE(window.Convert().ProcessDNG(pipelinetest::WriteFixtureFile(folder, "w.dng", fixture), "w.dng"));
    const TWKNegative& negative = *window.Convert().Negative;
    ASSERT_FALSE(negative.HasCameraNeutral());
    ASSERT_FALSE(negative.HasCameraWhiteXY());
    dng_vector white(3);
    for (uint32_t c = 0; c < 3; ++c) white[c] = TWKNegative::RenderWhite[c];
    const dng_xy_coord xy = negative.ColorSpec->NeutralToXY(white);
    EXPECT_NEAR(xy.x, 0.3324, 2e-4);
    EXPECT_NEAR(xy.y, 0.3474, 2e-4);
}

// A linear raw photo has no demosaic to fill the work image; the render takes stage 3, top row first.
TEST(LinearRawRender, PreviewComesFromStage3InRowOrder) {
    test_support::TempFolder folder;
    pipeline::HeadlessWindow window;
    FixtureOptions fixture = pipelinetest::MosaicFixture(36, 20, "Leica S2");
    fixture.cfa = false;
    fixture.samplesPerPixel = 3;
    constexpr int kWhiteRows = 7;  // white at the top, black below
    fixture.samples.assign(36 * 20 * 3, 0);
    std::fill_n(fixture.samples.begin(), 36 * kWhiteRows * 3, uint16_t(16383));
    ASSERT_TRUE(window.Convert().ProcessDNG(pipelinetest::WriteFixtureFile(folder, "l.dng", fixture), "l.dng"));
    ASSERT_TRUE(window.messages.empty());
    ASSERT_EQ(window.preview.Width(), 36);
    ASSERT_EQ(window.preview.Height(), 20);
    for (int y = 0; y < 20; ++y) {
        const uint8_t* row = window.preview.ScanLine(y);
        EXPECT_EQ(std::count(row, row + 36 * 3, y < kWhiteRows ? 255 : 0), 36 * 3) << y;
    }
}

}  // namespace
