// Cancel during a final result or a result patch, at every place the overlay's Cancel
// can reach the run: its handler only runs while the run lets messages through, so each
// such moment is tried and must end the run at the next cancel test with nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "dng_test_support.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "platform/process_messages.h"
#include "workflow_fixture.h"

namespace {

using pipeline::DNGConvert;
using pipeline::HeadlessWindow;

struct MethodCase {
    const char* label;
    bool monochrome;
    bool threePlanes;
};

class DeblurCancel : public testing::TestWithParam<MethodCase> {
protected:
    void SetUp() override {
        const MethodCase& c = GetParam();
        // Odd active-area corner, a photo wider than high and larger than one tile.
        FixtureOptions fixture = c.monochrome ? pipelinetest::MonochromeFixture(600, 530)
                                              : pipelinetest::MosaicFixture(600, 530, "Nikon D800", 14, 3);
        fixture.activeArea = {1, 3, 530, 600};
        source = pipelinetest::WriteFixtureFile(folder, "photo.dng", fixture);
        std::filesystem::create_directory(folder.File("out"));
        window.autoSave = true;
        window.autoSaveFolder = folder.File("out");
        // A slanted line, so rows and columns of the kernel differ.
        for (int x = 47; x <= 53; ++x)
            window.grid.ClickCell(x, 48 + (x - 47) / 2, false, controls::KernelGrid::kCoreColor);
        ASSERT_TRUE(window.Convert().ProcessDNG(source, "photo.dng"));
        window.Convert().HighQuality = c.threePlanes;
    }
    void TearDown() override { platform::SetProcessMessagesHook(nullptr); }

    // What the overlay's Cancel button sets.
    void PressCancel() {
        DNGConvert& convert = window.Convert();
        convert.CancelRequested = true;
        if (convert.Negative) convert.Negative->AbortFlag = 1;
        window.engine.cancelRequested = true;
    }
    // Presses Cancel once during the stretch in which `label` shows `text`: at its
    // first moment, or late, when `bar` stands full (the last moment of a threaded
    // step) or else at the first moment after the stretch.
    void CancelOnce(const pipeline::RecordingLabel& label, const pipeline::RecordingBar& bar, const std::string& text,
                    bool late) {
        seen = pressed = false;
        platform::SetProcessMessagesHook([this, &label, &bar, text, late] {
            if (pressed) return;
            if (label.text == text) {
                seen = true;
                if (late && bar.position < bar.max) return;
            } else if (!seen) {
                return;
            }
            pressed = true;
            PressCancel();
        });
    }
    std::vector<std::string> OutputFiles() const { return test_support::FolderEntries(folder.File("out")); }
    std::vector<uint16_t> WrittenSamples() {
        const auto dng = LoadDNG(test_support::ReadFileBytes(folder.File("out/photo-DB.dng")));
        return PlaneSamples(*dng->negative->Stage1Image(), 0);
    }

    test_support::TempFolder folder;
    std::string source;
    HeadlessWindow window;
    bool seen = false;
    bool pressed = false;
};

TEST_P(DeblurCancel, EveryMomentOfAFinalResultStopsWithNothingWritten) {
    DNGConvert& convert = window.Convert();
    // A full run, noting what the overlay said at each moment messages could run.
    std::vector<std::string> moments;
    platform::SetProcessMessagesHook([&] { moments.push_back(window.overlayLabel.text); });
    ASSERT_TRUE(convert.DeblurDNG(DNGConvert::kFinalResult));
    const std::vector<uint16_t> reference = WrittenSamples();
    std::filesystem::remove(folder.File("out/photo-DB.dng"));
    ASSERT_FALSE(moments.empty());

    // The first and a late moment of every stretch with one status text. How often a
    // run lets messages through depends on the time its threads take, so moments are
    // named by their text and the bar, not counted.
    std::vector<std::string> stretches;
    for (const std::string& text : moments)
        if (std::find(stretches.begin(), stretches.end(), text) == stretches.end()) stretches.push_back(text);
    for (const std::string& text : stretches) {
        for (const bool late : {false, true}) {
            SCOPED_TRACE(std::string(late ? "late" : "first") + " moment of \"" + text + "\"");
            CancelOnce(window.overlayLabel, window.overlayBar, text, late);
            window.statusBar.SetPosition(5);
            EXPECT_FALSE(convert.DeblurDNG(DNGConvert::kFinalResult));
            EXPECT_TRUE(OutputFiles().empty());
            EXPECT_TRUE(window.messages.empty());
            EXPECT_EQ(window.statusLabel.text, "Cancelled...");
            EXPECT_EQ(window.statusBar.position, 0);
            EXPECT_FALSE(convert.CancelRequested);
            EXPECT_EQ(convert.Negative->AbortFlag, 0);
        }
    }

    // The next run starts from the untouched raw image.
    platform::SetProcessMessagesHook(nullptr);
    ASSERT_TRUE(convert.DeblurDNG(DNGConvert::kFinalResult));
    EXPECT_EQ(WrittenSamples(), reference);
}

TEST_P(DeblurCancel, ACancelledResultPatchLeavesThePatchAlone) {
    DNGConvert& convert = window.Convert();
    window.cropLeft = 40;
    window.cropTop = 6;
    size_t moments = 0;
    platform::SetProcessMessagesHook([&] { ++moments; });
    platform::Bitmap reference;
    convert.DeblurPreview(reference);
    // A threaded step lets messages through before its work and once more after it.
    ASSERT_GE(moments, 2u);

    // The first moment, and the second, once work has begun; later ones come and go
    // with the time the threads take.
    for (const size_t at : {size_t(0), size_t(1)}) {
        size_t count = 0;
        platform::SetProcessMessagesHook([&] {
            if (count++ == at) PressCancel();
        });
        platform::Bitmap patch;
        convert.DeblurPreview(patch);
        EXPECT_EQ(patch.Width(), 0) << "cancel at " << at;
        EXPECT_EQ(window.statusLabel.text, "Cancelled...");
    }
    platform::SetProcessMessagesHook(nullptr);
    platform::Bitmap again;
    convert.DeblurPreview(again);
    ASSERT_EQ(again.Width(), reference.Width());
    EXPECT_TRUE(std::equal(again.Bits(), again.Bits() + again.ByteSize(), reference.Bits()));
    EXPECT_TRUE(OutputFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Methods, DeblurCancel,
                         testing::Values(MethodCase{"Monochrome", true, false}, MethodCase{"OnePlane", false, false},
                                         MethodCase{"ThreePlanes", false, true}),
                         [](const testing::TestParamInfo<MethodCase>& info) { return info.param.label; });

}  // namespace
