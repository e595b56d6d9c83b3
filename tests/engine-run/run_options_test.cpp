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
    EXPECT_EQ(o.inputPath + " " + o.outputPath + " " + o.gridPath, "in.pgm out.pgm grid.txt");
    EXPECT_EQ(o.white, 4095);
    EXPECT_EQ(o.gridMode, 1);
    EXPECT_EQ(o.smoothing, 150);
    EXPECT_EQ(o.lowPass, 250);
    EXPECT_EQ(o.localization, 30);
    EXPECT_EQ(o.localizationMax, 300);
    EXPECT_EQ(o.mask, 12);
    ASSERT_EQ(o.circles.size(), 2u);
    const enginerun::CircleOption& c = o.circles[0];
    EXPECT_EQ((std::vector<int>{c.row, c.column, c.radiusX, c.radiusY, c.percent}),
              (std::vector<int>{10, 20, 30, 40, 50}));
    EXPECT_EQ(o.circles[1].row, -1);
    EXPECT_EQ(o.rowOffset, 100);
    EXPECT_EQ(o.columnOffset, -200);

    // Left-out settings stay unset, so the engine keeps its defaults.
    const RunOptions bare = ParseRunOptions({"--white", "255", "a", "b", "c"});
    EXPECT_EQ(bare.inputPath, "a");
    EXPECT_FALSE(bare.smoothing || bare.lowPass || bare.localization || bare.localizationMax || bare.mask);
    EXPECT_TRUE(bare.circles.empty());
}

TEST(RunOptions, RefusesBadCommandLines) {
    EXPECT_NO_THROW(ParseRunOptions({"a", "b", "c", "--white", "255"}));
    const Args bad[] = {
        {"a", "b", "c"},
        {"a", "b", "--white", "255"},
        {"a", "b", "c", "d", "--white", "255"},
        {"a", "b", "c", "--white"},
        {"a", "b", "c", "--white", "0"},
        {"a", "b", "c", "--white", "12x"},
        {"a", "b", "c", "--white", "255", "--grid-mode", "2"},
        {"a", "b", "c", "--white", "255", "--smoothing", "151"},
        {"a", "b", "c", "--white", "255", "--lowpass", "-1"},
        {"a", "b", "c", "--white", "255", "--circle", "1,2,3,4"},
        {"a", "b", "c", "--white", "255", "--circle", "1,2,,4,5"},
        {"a", "b", "c", "--white", "255", "--offset", "1"},
        {"a", "b", "c", "--white", "255", "--colour", "1"},
    };
    for (const Args& args : bad) EXPECT_THROW(ParseRunOptions(args), UsageError) << args.back();
}

}  // namespace
