#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace {

TEST(ProgressStatus, AppendedTextFollowsLaterStatusesUntilAResetClearsIt) {
    enginetest::FakeStatusLabel label;
    engine::ProgressStatus progress;
    progress.label = &label;
    label.text = "Reading";
    progress.AppendStatus("green plane...");
    EXPECT_EQ(label.text, "Reading green plane...");
    progress.Reset(false);
    progress.SetStatus("Saving...");
    EXPECT_EQ(label.text, "Saving... green plane...");
    EXPECT_EQ(label.repaints, 2);
    progress.Reset(true);
    progress.SetStatus("Saving...");
    EXPECT_EQ(label.text, "Saving...");
}

TEST(ProgressStatus, StepAdvancesTheBarAndPumpsMessagesEveryHundredSteps) {
    int pumps = 0;
    enginetest::MessagesHook hook([&] { ++pumps; });
    enginetest::FakeProgressBar bar;
    bar.position = 10;
    engine::ProgressStatus progress;
    progress.bar = &bar;
    for (int i = 0; i < 99; ++i) progress.Step(1);
    EXPECT_EQ(pumps, 0);
    progress.Step(1);
    EXPECT_EQ(pumps, 1);
    progress.Step(150);  // one pump, counter back to 0 rather than 50
    progress.Step(60);
    EXPECT_EQ(pumps, 2);
    EXPECT_EQ(bar.position, 320);
    progress.Reset(false);
    progress.Step(60);
    engine::ProgressStatus().Step(500);  // without a bar nothing happens
    EXPECT_EQ(pumps, 2);
}

}  // namespace
