// A DNG whose demosaiced photo the work image cannot hold is refused from its raw
// directory, before any raw data is decoded, by the rule the full-photo render applies:
// the active area's width rounded down to 4, times its height, at most 40 million.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "dng/dng_exceptions.h"
#include "dng/dng_tag_codes.h"
#include "dng_test_support.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;

constexpr uint32_t kTile = 256;

// A mosaic photo of any size in a few KiB: every lossless-JPEG tile names one flat tile.
FixtureOptions SharedTilePhoto(uint32_t width, uint32_t height) {
    FixtureOptions o;
    o.width = width;
    o.height = height;
    o.bits = 14;
    o.whiteLevel = {16383};
    o.compression = 7;
    o.tiled = true;
    o.tileWidth = o.tileLength = kTile;
    o.samples.assign(kTile * kTile, 3000);
    o.shareOneBlock = true;
    return o;
}

FixtureOptions WithActiveArea(FixtureOptions o, int32_t top, int32_t left, int32_t bottom, int32_t right) {
    o.activeArea = {top, left, bottom, right};
    return o;
}

FixtureOptions WithDefaultCrop(FixtureOptions o, uint32_t width, uint32_t height) {
    o.defaultCrop = {2, 2, width, height};
    return o;
}

FixtureOptions WithDefaultScale(FixtureOptions o, double h, double v) {
    o.extraTags.push_back({tcDefaultScale, fixture_type::kRational, {h, v}});
    return o;
}

FixtureOptions Monochrome(FixtureOptions o) {
    o.cfa = false;
    o.colour = false;
    return o;
}

struct SizeCase {
    const char* name;
    FixtureOptions fixture;
    bool refused;
};
void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.name; }

class WorkSizeFromHeader : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WorkSizeFromHeader, RefusesWhatTheFullPhotoRenderWouldRefuse) {
    const SizeCase& c = GetParam();
    const auto dng = LoadDNG(WriteFixtureDNG(c.fixture), false, std::make_unique<TWKHost>());
    const auto& negative = static_cast<const TWKNegative&>(*dng->negative);
    const dng_ifd& raw = *dng->info.fIFD[dng->info.fMainIndex];
    if (c.refused) {
        try {
            negative.CheckWorkSize(raw);
            ADD_FAILURE() << "not refused";
        } catch (const dng_exception& e) {
            EXPECT_EQ(e.ErrorCode(), dng_error_host_insufficient);
        }
    } else {
        EXPECT_NO_THROW(negative.CheckWorkSize(raw));
    }
}

// 40,000,000 = 8000 x 5000 = 5000 x 8000 = 4000 x 10000.
INSTANTIATE_TEST_SUITE_P(
    Limit, WorkSizeFromHeader,
    ::testing::Values(
        SizeCase{"at_limit", SharedTilePhoto(8000, 5000), false},
        SizeCase{"one_row_over", SharedTilePhoto(8000, 5001), true},
        SizeCase{"width_rounded_down_to_limit", SharedTilePhoto(8003, 5000), false},
        SizeCase{"four_columns_over", SharedTilePhoto(8004, 5000), true},
        SizeCase{"tall_at_limit", SharedTilePhoto(5003, 8000), false},
        SizeCase{"tall_one_row_over", SharedTilePhoto(5000, 8001), true},
        SizeCase{"narrow_at_limit", SharedTilePhoto(4001, 10000), false},
        SizeCase{"narrow_over", SharedTilePhoto(4004, 10000), true},
        // The render sees the active area, masked borders cut off.
        SizeCase{"borders_over_active_area_at_limit", WithActiveArea(SharedTilePhoto(8100, 5070), 64, 97, 5064, 8100),
                 false},
        SizeCase{"active_area_one_row_over", WithActiveArea(SharedTilePhoto(8100, 5070), 64, 97, 5065, 8100), true},
        // Default crop and scale shape only the thumbnail, never the preview.
        SizeCase{"default_crop_under_active_area_over", WithDefaultCrop(SharedTilePhoto(8004, 5000), 6000, 4000),
                 true},
        SizeCase{"default_scale_doubled_at_limit", WithDefaultScale(SharedTilePhoto(8000, 5000), 2, 1), false},
        SizeCase{"default_scale_halved_over", WithDefaultScale(SharedTilePhoto(8000, 5001), 1, 0.5), true},
        SizeCase{"monochrome_at_limit", Monochrome(SharedTilePhoto(8003, 5000)), false},
        SizeCase{"monochrome_over", Monochrome(SharedTilePhoto(8000, 5001)), true}),
    [](const auto& info) { return std::string(info.param.name); });

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What a person met; peak memory counts from the child's fork.
struct Outcome {
    bool browsed = false;
    bool opened = false;
    bool ready = false;
    bool rawRead = false;
    int messages = 0;
    char caption[32] = {};
    char text[256] = {};
    int previewWidth = 0, previewHeight = 0;
    long growthKiB = 0;
};

// Browsing the photo in the file list, then "Open DNG", in a child process: what the person
// met, the first message and how far the child's peak memory grew meanwhile.
Outcome BrowseAndOpen(const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        Outcome o;
        {
            HeadlessWindow window;
            pipeline::DNGConvert& convert = window.Convert();
            const long before = PeakResidentKiB();
            o.browsed = convert.ReadPreviewDNG(path);
            o.opened = convert.ProcessDNG(path, "photo.dng");
            o.growthKiB = PeakResidentKiB() - before;
            o.ready = convert.HasOpenDNG();
            o.rawRead = convert.RawCache != nullptr;
            o.messages = int(window.messages.size());
            if (!window.messages.empty()) {
                std::strncpy(o.caption, window.messages[0].caption.c_str(), sizeof o.caption - 1);
                std::strncpy(o.text, window.messages[0].text.c_str(), sizeof o.text - 1);
            }
            o.previewWidth = window.preview.Width();
            o.previewHeight = window.preview.Height();
        }
        const bool written = write(fds[1], &o, sizeof o) == ssize_t(sizeof o);
        _exit(written ? 0 : 1);
    }
    close(fds[1]);
    Outcome o;
    const bool complete = read(fds[0], &o, sizeof o) == ssize_t(sizeof o);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("child failed");
    return o;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

// Far less than decoding even the smallest over-limit row costs (its raw image and the
// cached copy alone take 160 MB).
constexpr long kRefusedGrowthKiB = 64 * 1024;

struct OpenCase {
    const char* name;
    FixtureOptions fixture;
};
void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.name; }

class OversizedOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OversizedOpen, IsRefusedWithTheOpensMessageBeforeTheRawCostsMemory) {
    test_support::TempFolder folder;
    const Outcome o = BrowseAndOpen(pipelinetest::WriteFixtureFile(folder, "photo.dng", GetParam().fixture));
    EXPECT_TRUE(o.browsed) << "the browser reads no raw data";
    EXPECT_TRUE(o.opened) << "the camera is supported; the preview failed";
    EXPECT_FALSE(o.ready);
    EXPECT_FALSE(o.rawRead);
    ASSERT_EQ(o.messages, 1);
    EXPECT_STREQ(o.caption, "Oops");
    EXPECT_TRUE(StartsWith(o.text, "Whoa... that's a bug...\n\nFailed to process this DNG into a preview..."))
        << o.text;
    EXPECT_LT(o.growthKiB, kRefusedGrowthKiB);
}

FixtureOptions EightBitSharedStrips(uint32_t width, uint32_t height) {
    FixtureOptions o = SharedTilePhoto(width, height);
    o.bits = 8;
    o.whiteLevel = {255};
    o.compression = 1;
    o.tiled = false;
    o.tileLength = 4;
    o.samples.assign(size_t(width) * 4, 100);
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, OversizedOpen,
    ::testing::Values(OpenCase{"ljpeg_16384_square", SharedTilePhoto(16384, 16384)},
                      OpenCase{"eight_bit_16384_square", EightBitSharedStrips(16384, 16384)},
                      OpenCase{"four_columns_over", SharedTilePhoto(8004, 5000)},
                      OpenCase{"default_crop_under", WithDefaultCrop(SharedTilePhoto(8004, 5000), 6000, 4000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WorkSizeLimit, APhotoAtTheLimitOpensWithItsWholePreview) {
    test_support::TempFolder folder;
    // Twice as wide by its default scale: the preview is not scaled.
    const FixtureOptions fixture = WithDefaultScale(SharedTilePhoto(8003, 5000), 2, 1);
    const Outcome o = BrowseAndOpen(pipelinetest::WriteFixtureFile(folder, "photo.dng", fixture));
    EXPECT_TRUE(o.opened);
    EXPECT_TRUE(o.ready);
    EXPECT_EQ(o.messages, 0) << o.caption << ": " << o.text;
    EXPECT_EQ(o.previewWidth, 8000);
    EXPECT_EQ(o.previewHeight, 5000);
}

}  // namespace
