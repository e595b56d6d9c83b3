#include <gtest/gtest.h>

#include "run_options.h"

namespace {

using enginerun::ParseRunOptions;
using enginerun::RunOptions;
using enginerun::UsageError;
using Args = std::vector<std::string>;

TEST(RunOptions, FullCommandLine) {
    const RunOptions o = ParseRunOptions({"in.pgm", "out.pgm", "grid.txt", "--white", "4095", "--grid-mode", "1",
                                          "--smoothing", "150", "--lowpass", "250", "--localization", "30",
                                          "--localization-max", "300", "--mask", "12", "--circle", "10,20,30,40,50",
                                          "--circle", "-1,2,3,4,90", "--offset", "100,-200"});
    EXPECT_EQ(o.inputPath, "in.pgm");
    EXPECT_EQ(o.outputPath, "out.pgm");
    EXPECT_EQ(o.gridPath, "grid.txt");
    EXPECT_EQ(o.white, 4095);
    EXPECT_EQ(o.gridMode, 1);
    EXPECT_EQ(o.smoothing, 150);
    EXPECT_EQ(o.lowPass, 250);
    EXPECT_EQ(o.localization, 30);
    EXPECT_EQ(o.localizationMax, 300);
    EXPECT_EQ(o.mask, 12);
    ASSERT_EQ(o.circles.size(), 2u);
    EXPECT_EQ(o.circles[0].row, 10);
    EXPECT_EQ(o.circles[0].column, 20);
    EXPECT_EQ(o.circles[0].radiusX, 30);
    EXPECT_EQ(o.circles[0].radiusY, 40);
    EXPECT_EQ(o.circles[0].percent, 50);
    EXPECT_EQ(o.circles[1].row, -1);
    EXPECT_EQ(o.rowOffset, 100);
    EXPECT_EQ(o.columnOffset, -200);
}

TEST(RunOptions, LeftOutSettingsStayUnset) {
    const RunOptions o = ParseRunOptions({"--white", "255", "a", "b", "c"});
    EXPECT_EQ(o.inputPath, "a");
    EXPECT_EQ(o.gridMode, 0);
    EXPECT_FALSE(o.smoothing);
    EXPECT_FALSE(o.lowPass);
    EXPECT_FALSE(o.localization);
    EXPECT_FALSE(o.localizationMax);
    EXPECT_FALSE(o.mask);
    EXPECT_TRUE(o.circles.empty());
    EXPECT_EQ(o.rowOffset, 0);
    EXPECT_EQ(o.columnOffset, 0);
}

TEST(RunOptions, RefusesBadCommandLines) {
    const Args good = {"a", "b", "c", "--white", "255"};
    EXPECT_NO_THROW(ParseRunOptions(good));
    EXPECT_THROW(ParseRunOptions({"a", "b", "c"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "--white", "255"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "d", "--white", "255"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "0"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "12x"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--grid-mode", "2"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--smoothing", "151"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--lowpass", "-1"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--circle", "1,2,3,4"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--circle", "1,2,,4,5"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--offset", "1"}), UsageError);
    EXPECT_THROW(ParseRunOptions({"a", "b", "c", "--white", "255", "--colour", "1"}), UsageError);
}

}  // namespace
