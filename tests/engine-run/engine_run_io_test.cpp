#include <gtest/gtest.h>

#include <tuple>

#include "pgm_image.h"
#include "run_options.h"
#include "tests/support/kernel_grid_text.h"
#include "text_kernel_grid.h"

namespace {

using enginerun::FileError;
using enginerun::ParsePgm;
using enginerun::PgmImage;
using enginerun::TextKernelGrid;
using test_support::KernelGridText;
using Samples = std::vector<uint16_t>;

TEST(Pgm, ReadsSamplesAfterCommentsAndOneBlankInBothDepths) {
    const PgmImage image = ParsePgm(std::string("P5\n# made by hand\n3 2\n# max\n200\n") + "\x01\x02\x03\x0A\x0B\xC8");
    EXPECT_EQ(std::tuple(image.width, image.height, image.maxValue), std::tuple(3, 2, 200));
    EXPECT_EQ(image.samples, (Samples{1, 2, 3, 10, 11, 200}));
    // Sample bytes that look like blanks are data; 16-bit samples are big-endian.
    EXPECT_EQ(ParsePgm(std::string("P5 2 1 255 ") + "\x20\x0A").samples, (Samples{0x20, 0x0A}));
    EXPECT_EQ(ParsePgm(std::string("P5\n2 1\n65535\n") + std::string("\x12\x34\xFF\x00", 4)).samples,
              (Samples{0x1234, 0xFF00}));
}

TEST(Pgm, RefusesBrokenFiles) {
    for (const std::string& bytes : {
             std::string("P2\n1 1\n255\n1"), std::string("P5\n1 1\n255\n"),  // no sample
             std::string("P5\n2 2\n4095\n") + std::string(7, '\0'), std::string("P5\n0 1\n255\nx"),
             std::string("P5\n1 1\n0\nx"), std::string("P5\n1 1\n65536\nxx"), std::string("P5\n1 1\n255"),
             std::string("P5\n99999999999999999999 1\n255\nx"), std::string("P5\n2000000 2000000\n255\nx"),
             std::string("P5\n1 1\n100\n") + "\x65",  // above the maximum
         })
        EXPECT_THROW(ParsePgm(bytes), FileError) << bytes;
}

TEST(Pgm, WrittenFilesReadBackInBothDepths) {
    const test_support::TempFolder folder;
    const std::string path = folder.File("round_trip.pgm");
    for (int maxValue : {255, 40000}) {
        const PgmImage image{3, 2, maxValue, {0, 1, 100, 255, uint16_t(maxValue / 2), uint16_t(maxValue)}};
        enginerun::WritePgm(path, image);
        const PgmImage back = enginerun::ReadPgm(path);
        EXPECT_EQ(std::tuple(back.width, back.height, back.maxValue), std::tuple(3, 2, maxValue));
        EXPECT_EQ(back.samples, image.samples);
        const std::string header = "P5\n3 2\n" + std::to_string(maxValue) + "\n";
        EXPECT_EQ(test_support::ReadFileBytes(path).size(), header.size() + 6 * (maxValue < 256 ? 1 : 2));
    }
    EXPECT_THROW(enginerun::ReadPgm(folder.File("missing.pgm")), FileError);
}

TEST(TextKernelGrid, LineIsTheRowAndCharacterTheColumnAndWrongShapesAreRefused) {
    std::string text = KernelGridText(50, 50, 50);
    text[48 * 101 + 52] = 'r';
    const TextKernelGrid grid = TextKernelGrid::Parse(text);
    EXPECT_EQ(grid.GetCellColor(50, 50), engine::KernelGridSource::kCoreColor);
    EXPECT_EQ(grid.GetCellColor(52, 48), engine::KernelGridSource::kRimColor);
    EXPECT_FALSE(grid.GetCell(48, 52) || grid.GetCell(100, 0));
    // Windows line ends and a missing last line end.
    std::string crlf = KernelGridText(-1, 0, 0, 100, "\r\n");
    crlf.resize(crlf.size() - 2);
    crlf[3 * 102 + 99] = 'c';
    EXPECT_TRUE(TextKernelGrid::Parse(crlf).GetCell(99, 3));

    std::string shortLine = KernelGridText(), badChar = shortLine;
    shortLine.erase(5, 1);
    badChar[7] = 'x';
    for (const std::string& bad : {KernelGridText(-1, 0, 0, 99), KernelGridText(-1, 0, 0, 101), shortLine, badChar})
        EXPECT_THROW(TextKernelGrid::Parse(bad), FileError);
    EXPECT_THROW(TextKernelGrid::ReadFile("/nonexistent/grid.txt"), FileError);
}

TEST(RunOptions, FullCommandLineAndLeftOutSettings) {
    const enginerun::RunOptions o = enginerun::ParseRunOptions(
        {"in.pgm", "out.pgm", "grid.txt", "--white", "4095", "--grid-mode", "1", "--smoothing", "150", "--lowpass",
         "250", "--localization", "30", "--localization-max", "300", "--mask", "12", "--circle", "10,20,30,40,50",
         "--circle", "-1,2,3,4,90", "--offset", "100,-200"});
    EXPECT_EQ(o.inputPath + " " + o.outputPath + " " + o.gridPath, "in.pgm out.pgm grid.txt");
    EXPECT_EQ((std::vector<int>{o.white, o.gridMode, *o.smoothing, *o.lowPass, *o.localization, *o.localizationMax,
                                *o.mask, o.rowOffset, o.columnOffset}),
              (std::vector<int>{4095, 1, 150, 250, 30, 300, 12, 100, -200}));
    ASSERT_EQ(o.circles.size(), 2u);
    const enginerun::CircleOption& c = o.circles[0];
    EXPECT_EQ((std::vector<int>{c.row, c.column, c.radiusX, c.radiusY, c.percent, o.circles[1].row}),
              (std::vector<int>{10, 20, 30, 40, 50, -1}));

    // Left-out settings stay unset, so the engine keeps its defaults.
    const enginerun::RunOptions bare = enginerun::ParseRunOptions({"--white", "255", "a", "b", "c"});
    EXPECT_EQ(bare.inputPath, "a");
    EXPECT_FALSE(bare.smoothing || bare.lowPass || bare.localization || bare.localizationMax || bare.mask);
    EXPECT_TRUE(bare.circles.empty());
}

TEST(RunOptions, RefusesBadCommandLines) {
    using Args = std::vector<std::string>;
    const Args bad[] = {
        {"a", "b", "c"}, {"a", "b", "--white", "255"}, {"a", "b", "c", "d", "--white", "255"},
        {"a", "b", "c", "--white"}, {"a", "b", "c", "--white", "0"}, {"a", "b", "c", "--white", "12x"},
        {"a", "b", "c", "--white", "255", "--grid-mode", "2"}, {"a", "b", "c", "--white", "255", "--smoothing", "151"},
        {"a", "b", "c", "--white", "255", "--lowpass", "-1"}, {"a", "b", "c", "--white", "255", "--circle", "1,2,3,4"},
        {"a", "b", "c", "--white", "255", "--circle", "1,2,,4,5"}, {"a", "b", "c", "--white", "255", "--offset", "1"},
        {"a", "b", "c", "--white", "255", "--colour", "1"},
    };
    for (const Args& args : bad) EXPECT_THROW(enginerun::ParseRunOptions(args), enginerun::UsageError) << args.back();
}

}  // namespace
