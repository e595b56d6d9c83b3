// The renders of an opened photo (preview bitmap with its sliders, the
// thumbnail with its resample) run in row bands on worker threads; what they
// make must not depend on how many threads there are.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <stdexcept>
#include <vector>

#include "dng_test_support.h"
#include "platform/parallel_run.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;

// A colour mosaic is demosaiced into the work image; a linear raw photo's work image is copied from stage 3.
enum class Sensor { kMosaic, kMonochrome, kLinear };

struct RenderCase {
    const char* name;
    Sensor sensor;
    uint32_t width, height;
    int profile;
    int brightness, contrast;
};

// What an open shows and keeps: the preview's bytes, the bar it moved and the thumbnail's samples.
struct Opened {
    std::vector<uint8_t> preview;
    int previewWidth = 0, previewHeight = 0;
    int overlayMax = -1, overlayPosition = -1, statusPosition = -1;
    std::vector<uint16_t> thumbnail;
};

Opened OpenWithThreads(const RenderCase& c, int threads) {
    platform::SetWorkerCount(threads);
    test_support::TempFolder folder;
    HeadlessWindow window;
    window.profileIndex = c.profile;
    window.brightness = c.brightness;
    window.contrast = c.contrast;
    FixtureOptions fixture = c.sensor == Sensor::kMonochrome
                                 ? pipelinetest::MonochromeFixture(c.width, c.height)
                                 : pipelinetest::MosaicFixture(c.width, c.height, "Canon EOS 40D");
    if (c.sensor == Sensor::kLinear) {
        fixture.model = "Leica S2";
        fixture.cfa = false;
        fixture.samplesPerPixel = 3;
        fixture.samples = PatternSamples(c.width, c.height, 3, 14);
    }
    Opened opened;
    const bool ok = window.Convert().ProcessDNG(pipelinetest::WriteFixtureFile(folder, "r.dng", fixture), "r.dng");
    platform::SetWorkerCount(0);
    EXPECT_TRUE(ok) << c.name;
    EXPECT_TRUE(window.messages.empty()) << c.name;
    if (!ok) return opened;
    opened.preview.assign(window.preview.Bits(), window.preview.Bits() + window.preview.ByteSize());
    opened.previewWidth = window.preview.Width();
    opened.previewHeight = window.preview.Height();
    opened.overlayMax = window.overlayBar.max;
    opened.overlayPosition = window.overlayBar.position;
    opened.statusPosition = window.statusBar.position;
    if (window.Convert().Thumbnail.fImage) opened.thumbnail = InterleavedSamples(*window.Convert().Thumbnail.fImage);
    return opened;
}

class RenderThreads : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderThreads, OneThreadAndManyMakeTheSamePreviewBarAndThumbnail) {
    const RenderCase& c = GetParam();
    const Opened one = OpenWithThreads(c, 1);
    ASSERT_EQ(one.previewWidth, int(c.width & ~3u));
    ASSERT_EQ(one.previewHeight, int(c.height));
    ASSERT_FALSE(one.thumbnail.empty());
    // The sliders away from their defaults must show in the picture.
    ASSERT_GT(std::set<uint8_t>(one.preview.begin(), one.preview.end()).size(), 8u);
    for (const int threads : {3, 8}) {
        const Opened many = OpenWithThreads(c, threads);
        EXPECT_EQ(many.preview, one.preview) << threads << " threads";
        EXPECT_EQ(many.thumbnail, one.thumbnail) << threads << " threads";
        EXPECT_EQ(many.overlayMax, one.overlayMax);
        EXPECT_EQ(many.overlayPosition, one.overlayPosition);
        EXPECT_EQ(many.statusPosition, one.statusPosition);
    }
}

// Sizes whose rows are not a whole number of bands nor their pixels of bar steps;
// the wide one is shrunk for its thumbnail, the others enlarged.
INSTANTIATE_TEST_SUITE_P(
    Photos, RenderThreads,
    ::testing::Values(RenderCase{"sRGB", Sensor::kMosaic, 131, 97, 0, 17, -23},
                      RenderCase{"AdobeRGB", Sensor::kMosaic, 655, 411, 1, -9, 31},
                      RenderCase{"ColorMatch", Sensor::kMosaic, 97, 131, 2, 40, 12},
                      RenderCase{"ProPhoto", Sensor::kMosaic, 203, 45, 3, -30, -40},
                      RenderCase{"LinearRaw", Sensor::kLinear, 187, 59, 2, 8, -15},
                      RenderCase{"Monochrome", Sensor::kMonochrome, 129, 67, 0, 25, 50},
                      RenderCase{"MonochromeTall", Sensor::kMonochrome, 65, 143, 3, -12, -60}),
    [](const ::testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

// A uniform work image must give a uniform picture, to the last pixel and the last row:
// a band or bar step left out would keep what the render before it put there.
TEST(RenderBands, EveryPixelOfAnUnevenPhotoIsRenderedAgain) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    platform::SetWorkerCount(5);
    const FixtureOptions fixture = pipelinetest::MosaicFixture(131, 97, "Canon EOS 40D");
    ASSERT_TRUE(window.Convert().ProcessDNG(pipelinetest::WriteFixtureFile(folder, "u.dng", fixture), "u.dng"));
    TWKNegative& negative = *window.Convert().Negative;
    const std::size_t samples = std::size_t(128) * 97 * 3;
    for (const bool full : {true, false})
        for (const uint16_t level : {uint16_t(50000), uint16_t(9000)}) {
            std::fill(negative.WorkImage.get(), negative.WorkImage.get() + samples, level);
            platform::Bitmap bitmap;
            engine::ProgressStatus progress;
            progress.bar = &window.overlayBar;
            negative.RenderToBitmap(bitmap, 1.0, 7, 11, full, &progress);
            ASSERT_EQ(bitmap.ByteSize(), samples);
            const uint8_t* bits = bitmap.Bits();
            for (std::size_t i = 3; i < samples; i += 3)
                ASSERT_TRUE(std::equal(bits, bits + 3, bits + i)) << "pixel " << i / 3 << " level " << level;
            EXPECT_EQ(window.overlayBar.position, int(128 * 97 / 100));
        }
    platform::SetWorkerCount(0);
}

struct BandCase {
    int rows, bandRows, threads;
};

class RowBands : public ::testing::TestWithParam<BandCase> {};

TEST_P(RowBands, EveryRowOnceInBandsOfTheGivenSize) {
    const BandCase& c = GetParam();
    platform::SetWorkerCount(c.threads);
    std::vector<int> visits(std::max(c.rows, 0), 0);
    std::vector<int> sizes;
    std::mutex mutex;
    platform::RunRowBands(c.rows, c.bandRows, [&](int first, int last, int worker) {
        EXPECT_GE(worker, 0);
        EXPECT_LT(worker, c.threads);
        for (int r = first; r < last; ++r) ++visits[r];
        std::lock_guard<std::mutex> lock(mutex);
        sizes.push_back(last - first);
    });
    platform::SetWorkerCount(0);
    EXPECT_EQ(std::count(visits.begin(), visits.end(), 1), long(visits.size()));
    const int size = std::max(c.bandRows, 1);
    EXPECT_EQ(int(sizes.size()), c.rows > 0 ? (c.rows + size - 1) / size : 0);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), size), long(c.rows / size));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RowBands,
                         ::testing::Values(BandCase{97, 16, 3}, BandCase{96, 16, 8}, BandCase{1, 32, 4},
                                           BandCase{0, 16, 2}, BandCase{15, 16, 1}, BandCase{33, 1, 8},
                                           BandCase{7, 0, 2}));

TEST(RowBands, AnErrorOfABandReachesTheCaller) {
    platform::SetWorkerCount(4);
    EXPECT_THROW(platform::RunRowBands(
                     100, 8,
                     [](int first, int, int) {
                         if (first == 48) throw std::runtime_error("band");
                     }),
                 std::runtime_error);
    platform::SetWorkerCount(0);
}

}  // namespace
