#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "dng_test_support.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/handback_file.h"
#include "pipeline/headless_window.h"
#include "pipeline/plugin_mode.h"
#include "platform/message_box.h"
#include "tests/support/scoped_tmpdir.h"
#include "workflow_fixture.h"

namespace {

using pipeline::DNGConvert;
using pipeline::HeadlessWindow;

void DrawLine(HeadlessWindow& window) {
    for (int x = 44; x <= 56; ++x) window.grid.ClickCell(x, 50, false, controls::KernelGrid::kCoreColor);
}

// A window with auto save into out/ and a photo of a supported camera in the folder.
struct Workbench {
    explicit Workbench(const FixtureOptions& fixture) {
        std::filesystem::create_directory(folder.File("out"));
        source = pipelinetest::WriteFixtureFile(folder, "photo.dng", fixture);
        sourceBytes = test_support::ReadFileBytes(source);
        window.autoSave = true;
        window.autoSaveFolder = folder.File("out");
    }
    std::vector<std::string> Output() const { return test_support::FolderEntries(folder.File("out")); }
    std::vector<uint16_t> Samples(const std::string& path) const {
        const auto dng = LoadDNG(test_support::ReadFileBytes(path));
        return PlaneSamples(*dng->negative->Stage1Image(), 0);
    }

    test_support::TempFolder folder;
    std::string source;
    std::vector<uint8_t> sourceBytes;
    HeadlessWindow window;
    DNGConvert& convert = window.Convert();
};

FixtureOptions Colour() {
    FixtureOptions o = pipelinetest::MosaicFixture(560, 530, "Canon EOS 5D Mark II", 14, 5);
    o.activeArea = {2, 6, 530, 560};
    return o;
}

// The colour filter's phase follows the active area's corner: one masked row more above the
// same active pixels, an odd top with an even left, leaves the deblurred active pixels as they were.
TEST(DeblurDNG, AnOddActiveTopWithAnEvenLeftDeblursLikeTheEvenOne) {
    const FixtureOptions even = Colour();
    FixtureOptions odd = even;
    odd.height += 1;
    odd.activeArea[0] += 1;
    odd.activeArea[2] += 1;
    odd.samples.insert(odd.samples.begin(), even.samples.begin(), even.samples.begin() + even.width);
    std::vector<std::vector<uint16_t>> results;
    for (const FixtureOptions& fixture : {even, odd}) {
        Workbench bench(fixture);
        DrawLine(bench.window);
        ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
        ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
        results.push_back(bench.Samples(bench.folder.File("out/photo-DB.dng")));
    }
    ASSERT_EQ(results[1].size(), results[0].size() + even.width);
    EXPECT_NE(results[0], even.samples);
    // Near its top edge the deblur also sees the masked rows, one more in the second photo.
    const std::size_t from = std::size_t(even.activeArea[0] + 32) * even.width;
    EXPECT_TRUE(
        std::equal(results[0].begin() + long(from), results[0].end(), results[1].begin() + long(from + even.width)));
}

enum class Opened { Never, RefusedCamera, FailedRead };

struct RefusalCase {
    const char* label;
    Opened state;
};

class NothingOpen : public testing::TestWithParam<RefusalCase> {};

TEST_P(NothingOpen, DeblurringRefusesWithoutTouchingAnything) {
    const RefusalCase& c = GetParam();
    FixtureOptions fixture = Colour();
    if (c.state == Opened::RefusedCamera) fixture.model = "Canon EOS 6D";
    Workbench bench(fixture);
    if (c.state == Opened::FailedRead) {
        // Data that no longer matches the stored digest fails the first read.
        std::vector<uint8_t> bytes = bench.sourceBytes;
        bytes[8 + 100] ^= 0x55;
        test_support::WriteFileBytes(bench.source, bytes);
    }
    DrawLine(bench.window);
    if (c.state != Opened::Never) bench.convert.ProcessDNG(bench.source, "photo.dng");
    ASSERT_FALSE(bench.convert.HasOpenDNG());
    const std::size_t messages = bench.window.messages.size();
    const auto statuses = bench.window.statusLabel.history.size();

    EXPECT_FALSE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    EXPECT_FALSE(bench.convert.DeblurDNG(DNGConvert::kResultPatch));
    platform::Bitmap patch(8, 8, platform::PixelFormat::pf24bit);
    patch.SetPixel(3, 4, 0x123456);
    bench.convert.DeblurPreview(patch);
    // Nor do the brightness and contrast sliders reach a negative left by the open.
    for (const bool full : {false, true}) bench.convert.ApplyBrightnessContrast(patch, 0, 40, 30, full);
    EXPECT_EQ(patch.Width(), 8);
    EXPECT_EQ(patch.Pixel(3, 4), 0x123456u);
    EXPECT_TRUE(bench.Output().empty());
    EXPECT_EQ(bench.window.messages.size(), messages);
    EXPECT_EQ(bench.window.statusLabel.history.size(), statuses);
}

INSTANTIATE_TEST_SUITE_P(States, NothingOpen,
                         testing::Values(RefusalCase{"NeverOpened", Opened::Never},
                                         RefusalCase{"RefusedCamera", Opened::RefusedCamera},
                                         RefusalCase{"FailedRead", Opened::FailedRead}),
                         [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.label; });

TEST(DeblurDNG, AnEmptyKernelGivesAnUnchangedPatchAndNoFinalResult) {
    Workbench bench(Colour());
    ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
    EXPECT_TRUE(bench.convert.DeblurDNG(DNGConvert::kResultPatch));
    EXPECT_EQ(bench.window.statusLabel.text, "Done...");
    EXPECT_FALSE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    EXPECT_TRUE(bench.Output().empty());
    EXPECT_TRUE(bench.window.messages.empty());
}

TEST(DeblurDNG, AFailedWriteIsToldAndLeavesNoFileBehind) {
    Workbench bench(Colour());
    DrawLine(bench.window);
    // A folder under the output name makes the final rename fail.
    std::filesystem::create_directory(bench.folder.File("out/photo-DB.dng"));
    ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
    EXPECT_FALSE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    ASSERT_EQ(bench.window.messages.size(), 1u);
    EXPECT_EQ(bench.window.messages[0].text, "Whoa... that's a bug...\n\nFailed to process this DNG...\n\n" +
                                                 bench.folder.File("out/photo-DB.dng") +
                                                 "\nIs a directory\n\nThe result isn't stored; an earlier file of its name is unchanged.");
    EXPECT_EQ(bench.window.messages[0].caption, "Oops");
    EXPECT_EQ(bench.window.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONWARNING));
    EXPECT_EQ(bench.Output(), std::vector<std::string>{"photo-DB.dng"});
    EXPECT_TRUE(std::filesystem::is_directory(bench.folder.File("out/photo-DB.dng")));
    EXPECT_EQ(test_support::ReadFileBytes(bench.source), bench.sourceBytes);
    // The photo stays open for the next try.
    EXPECT_TRUE(bench.convert.DeblurDNG(DNGConvert::kResultPatch));
}

TEST(DeblurDNG, StatusTextsOfThePatchAndTheFinalResult) {
    Workbench bench(Colour());
    DrawLine(bench.window);
    ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
    bench.window.statusLabel.history.clear();
    bench.window.overlayLabel.history.clear();
    ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kResultPatch));
    // The patch reports nowhere but "Working..." and "Done..." in the main window.
    EXPECT_EQ(bench.window.statusLabel.history, (std::vector<std::string>{"Working...", "Done..."}));
    EXPECT_TRUE(bench.window.overlayLabel.history.empty());
    EXPECT_EQ(bench.convert.Progress.bar, nullptr);

    ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    const std::vector<std::string>& overlay = bench.window.overlayLabel.history;
    ASSERT_FALSE(overlay.empty());
    EXPECT_EQ(overlay.front(), "Processing photo...");
    EXPECT_EQ(overlay.back(), "Saving DNG to disk...");
    EXPECT_EQ(bench.window.statusLabel.text, "Done...");
    EXPECT_EQ(bench.window.overlayBar.position, 0);
    EXPECT_EQ(bench.window.lastSavedCaption, "[last saved: photo-DB.dng] ");
}

// Plug-in mode with `photo` as the command-line photo, for one scope.
struct PluginScope {
    explicit PluginScope(const std::string& photo) {
        pipeline::gPluginMode = true;
        pipeline::gFileToOpen = photo;
    }
    ~PluginScope() {
        pipeline::gPluginMode = false;
        pipeline::gFileToOpen.clear();
    }
};

TEST(DeblurDNG, PluginRunsNumberTheirOutputsAndEachGetsItsOwnIdentity) {
    Workbench bench(Colour());
    test_support::TempFolder temp;
    DrawLine(bench.window);
    {
        const test_support::ScopedTmpDir tmp(temp.Path());
        const PluginScope plugin(bench.source);
        ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
        ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
        ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    }

    const std::string one = bench.folder.File("photo-DB.dng"), two = bench.folder.File("photo-DB-2.dng");
    const std::vector<uint8_t> handBack = test_support::ReadFileBytes(temp.File(pipeline::kHandBackFileName));
    EXPECT_EQ(std::string(handBack.begin(), handBack.end()), two);
    EXPECT_EQ(test_support::ReadFileBytes(bench.source), bench.sourceBytes);
    // Nothing of the first save carries into the second: same raw data, a new ID.
    EXPECT_EQ(bench.Samples(one), bench.Samples(two));
    EXPECT_NE(bench.Samples(one), bench.Samples(bench.source));
    const auto a = LoadDNG(test_support::ReadFileBytes(one), false);
    const auto b = LoadDNG(test_support::ReadFileBytes(two), false);
    EXPECT_NE(a->negative->RawDataUniqueID(), b->negative->RawDataUniqueID());
}

// The destination is taken as the run starts: auto save ticked while it works is not seen.
TEST(DeblurDNG, TheSaveDialogWritesWhereTheUserChose) {
    Workbench bench(Colour());
    bench.window.autoSave = false;
    bench.window.dialogPath = bench.folder.File("chosen name.dng");
    DrawLine(bench.window);
    ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
    bench.window.overlayLabel.onText = [&](const std::string&) { bench.window.autoSave = true; };
    ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    EXPECT_TRUE(bench.window.autoSave);
    EXPECT_NE(bench.Samples(bench.window.dialogPath), bench.Samples(bench.source));
    EXPECT_EQ(bench.window.statusLabel.text, "Done... ");
    EXPECT_EQ(bench.window.lastSavedCaption, "[last saved: chosen name.dng] ");
    EXPECT_TRUE(bench.Output().empty());
}

TEST(DeblurDNG, AMonochromePhotoIgnoresTheThreePlaneChoice) {
    FixtureOptions fixture = pipelinetest::MonochromeFixture(530, 520);
    fixture.activeArea = {3, 1, 520, 530};
    Workbench bench(fixture);
    DrawLine(bench.window);
    ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
    ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    const std::vector<uint16_t> onePlane = bench.Samples(bench.folder.File("out/photo-DB.dng"));
    bench.convert.HighQuality = true;
    ASSERT_TRUE(bench.convert.DeblurDNG(DNGConvert::kFinalResult));
    EXPECT_EQ(bench.Samples(bench.folder.File("out/photo-DB.dng")), onePlane);
    const std::vector<uint16_t> before = bench.Samples(bench.source);
    EXPECT_NE(onePlane, before);
    // The rows above and the columns left of the active area are written as the file has them.
    for (int col = 0; col < 530; ++col) {
        for (int row = 0; row < 3; ++row) EXPECT_EQ(onePlane[row * 530 + col], before[row * 530 + col]);
    }
    for (int row = 0; row < 520; ++row) EXPECT_EQ(onePlane[row * 530], before[row * 530]);
}

struct PatchCase {
    const char* label;
    int zoom;
    int cropLeft, cropTop;
    bool monochrome;
};

class PatchEllipse : public testing::TestWithParam<PatchCase> {};

// The patch's deblur area follows the crop origin: pixels well outside an ellipse
// placed across the window show the photo as it is.
TEST_P(PatchEllipse, TheDeblurAreaIsPlacedAtTheCropOrigin) {
    const PatchCase& c = GetParam();
    FixtureOptions fixture = c.monochrome ? pipelinetest::MonochromeFixture(620, 560) : Colour();
    fixture.activeArea = {4, 2, int32_t(fixture.height), int32_t(fixture.width)};
    Workbench bench(fixture);
    ASSERT_TRUE(bench.convert.ProcessDNG(bench.source, "photo.dng"));
    const platform::Bitmap preview = bench.window.preview;
    bench.window.zoomPercent = c.zoom;
    bench.convert.Negative->fResultScale = c.zoom / 100.0;
    bench.window.cropLeft = c.cropLeft;
    bench.window.cropTop = c.cropTop;
    platform::Bitmap plain;
    bench.convert.DeblurPreview(plain);
    const int side = c.zoom == 100 ? 512 : 256;
    ASSERT_EQ(plain.Width(), side);
    ASSERT_EQ(plain.Height(), side);

    // An ellipse over the window's right part, wider than high, in preview coordinates.
    const int centreRow = c.cropTop + side / 2, centreCol = c.cropLeft + side * 3 / 4;
    const int radiusX = side / 4, radiusY = side / 6;
    bench.window.engine.AddCircle(centreRow, centreCol);
    bench.window.engine.circles[0]->SetSize(radiusX, radiusY, 0);
    DrawLine(bench.window);
    platform::Bitmap deblurred;
    bench.convert.DeblurPreview(deblurred);
    ASSERT_EQ(deblurred.Width(), side);

    int outsideDiffer = 0, inside = 0, insideDiffer = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double dx = double(c.cropLeft + x - centreCol) / radiusX;
            const double dy = double(c.cropTop + y - centreRow) / radiusY;
            const double d = dx * dx + dy * dy;
            const bool differs = deblurred.Pixel(x, y) != plain.Pixel(x, y);
            if (d > 1.3) outsideDiffer += differs;
            if (d < 0.5) {
                ++inside;
                insideDiffer += differs;
            }
        }
    EXPECT_EQ(outsideDiffer, 0);
    EXPECT_GT(insideDiffer, inside / 2);

    // The patch has a snapshot of its own: the preview's sliders still start from the whole photo.
    platform::Bitmap redrawn = preview;
    bench.convert.ApplyBrightnessContrast(redrawn, 0, 0, 0, true);
    EXPECT_TRUE(std::equal(redrawn.Bits(), redrawn.Bits() + redrawn.ByteSize(), preview.Bits()));
}

INSTANTIATE_TEST_SUITE_P(Windows, PatchEllipse,
                         testing::Values(PatchCase{"Full", 100, 40, 10, false},
                                         PatchCase{"Double", 200, 130, 70, false},
                                         PatchCase{"MonochromeDouble", 200, 300, 150, true},
                                         PatchCase{"MonochromeFull", 100, 64, 20, true}),
                         [](const testing::TestParamInfo<PatchCase>& info) { return info.param.label; });

}  // namespace
