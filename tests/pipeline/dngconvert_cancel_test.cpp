#include <gtest/gtest.h>

#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"

namespace {

struct CancelCase {
    const char* name;
    int presses;         // Cancel presses before the first test
    bool withNegative;   // whether a negative (with its abort flag) is held
    bool firstAnswer;
};

class CheckCancelTest : public ::testing::TestWithParam<CancelCase> {};

TEST_P(CheckCancelTest, AnswersOncePerRequestAndResetsTheMainWindowsOwnStatus) {
    const CancelCase& c = GetParam();
    pipeline::HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    window.statusLabel.SetText("Working...");
    window.statusBar.SetPosition(37);
    window.overlayLabel.SetText("green plane...");
    window.overlayBar.SetPosition(12);
    if (c.withNegative) convert.Negative = TWKNegative::Make(convert.Host.Allocator());
    for (int i = 0; i < c.presses; ++i) {
        convert.CancelRequested = true;
        if (convert.Negative) convert.Negative->AbortFlag = 1;
    }

    EXPECT_EQ(convert.CheckCancel(), c.firstAnswer);
    EXPECT_FALSE(convert.CheckCancel()) << "a request is seen once";
    EXPECT_FALSE(convert.CancelRequested);
    if (c.firstAnswer) {
        EXPECT_EQ(window.statusLabel.text, "Cancelled...");
        EXPECT_GE(window.statusLabel.repaints, 1);
        EXPECT_EQ(window.statusBar.position, 0);
        if (convert.Negative) {
            EXPECT_EQ(convert.Negative->AbortFlag, 0);
        }
    } else {
        EXPECT_EQ(window.statusLabel.text, "Working...");
        EXPECT_EQ(window.statusBar.position, 37);
    }
    // The overlay is never what the cancel answer writes to.
    EXPECT_EQ(window.overlayLabel.text, "green plane...");
    EXPECT_EQ(window.overlayBar.position, 12);
}

INSTANTIATE_TEST_SUITE_P(Requests, CheckCancelTest,
                         ::testing::Values(CancelCase{"none", 0, false, false},
                                           CancelCase{"none_with_negative", 0, true, false},
                                           CancelCase{"one", 1, false, true},
                                           CancelCase{"two_presses_one_request", 2, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DNGConvertConstruction, StartsWithAnEmptyJpegAndNoPhoto) {
    pipeline::HeadlessWindow window;
    const pipeline::DNGConvert& convert = window.Convert();
    ASSERT_NE(convert.Jpeg, nullptr);
    EXPECT_TRUE(convert.Jpeg->Empty());
    EXPECT_EQ(convert.ResultJpeg, nullptr);
    for (const auto& plane : convert.Planes) EXPECT_EQ(plane, nullptr);
    EXPECT_EQ(convert.SourceStream, nullptr);
    EXPECT_EQ(convert.Negative, nullptr);
    EXPECT_FALSE(convert.HasOpenDNG());
    EXPECT_EQ(convert.CameraCode, 0);
    EXPECT_FALSE(convert.HighQuality);
}

}  // namespace
