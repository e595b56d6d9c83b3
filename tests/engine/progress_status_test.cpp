#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace {

using engine::ProgressStatus;

TEST(ProgressStatus, AppendedTextFollowsEveryLaterStatusAfterOneBlank) {
    enginetest::FakeStatusLabel label;
    ProgressStatus progress;
    progress.label = &label;
    label.text = "Reading";
    progress.AppendStatus("green plane...");
    EXPECT_EQ(label.text, "Reading green plane...");
    progress.SetStatus("Deblurring...");
    EXPECT_EQ(label.text, "Deblurring... green plane...");
    EXPECT_EQ(label.repaints, 2);

    progress.Reset(false);
    progress.SetStatus("Saving...");
    EXPECT_EQ(label.text, "Saving... green plane...");
    progress.Reset(true);
    progress.SetStatus("Saving...");
    EXPECT_EQ(label.text, "Saving...");

    // Without a label the suffix is still kept for later.
    ProgressStatus unlabelled;
    unlabelled.AppendStatus("red plane...");
    EXPECT_EQ(unlabelled.suffix, "red plane...");
}

TEST(ProgressStatus, StepAdvancesTheBarAndPumpsMessagesEveryHundredSteps) {
    int pumps = 0;
    enginetest::MessagesHook hook([&] { ++pumps; });
    enginetest::FakeProgressBar bar;
    bar.position = 10;
    ProgressStatus progress;
    progress.bar = &bar;
    for (int i = 0; i < 99; ++i) progress.Step(1);
    EXPECT_EQ(pumps, 0);
    EXPECT_EQ(bar.position, 109);
    progress.Step(1);
    EXPECT_EQ(pumps, 1);

    progress.Step(150);  // one pump, counter back to 0 rather than 50
    progress.Step(60);
    EXPECT_EQ(pumps, 2);
    EXPECT_EQ(bar.position, 320);
    progress.Reset(false);
    progress.Step(60);
    EXPECT_EQ(pumps, 2);

    ProgressStatus withoutBar;
    withoutBar.Step(500);
    EXPECT_EQ(pumps, 2);
}

}  // namespace
