#include <gtest/gtest.h>

#include "pgm_image.h"
#include "text_kernel_grid.h"

namespace {

using enginerun::FileError;
using enginerun::TextKernelGrid;

std::string EmptyLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(100, '.') + "\n";
    return text;
}

TEST(TextKernelGrid, LineIsTheRowAndCharacterTheColumn) {
    std::string text = EmptyLines(100);
    text[50 * 101 + 50] = 'c';
    text[48 * 101 + 52] = 'r';
    const TextKernelGrid grid = TextKernelGrid::Parse(text);
    EXPECT_TRUE(grid.GetCell(50, 50));
    EXPECT_EQ(grid.GetCellColor(50, 50), engine::KernelGridSource::kCoreColor);
    EXPECT_TRUE(grid.GetCell(52, 48));
    EXPECT_EQ(grid.GetCellColor(52, 48), engine::KernelGridSource::kRimColor);
    EXPECT_FALSE(grid.GetCell(48, 52));
    EXPECT_FALSE(grid.GetCell(100, 0));
    EXPECT_EQ(grid.GridMode(), 0);
}

TEST(TextKernelGrid, AcceptsWindowsLineEndsAndAMissingLastNewline) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += std::string(100, i == 3 ? 'c' : '.') + (i < 99 ? "\r\n" : "");
    const TextKernelGrid grid = TextKernelGrid::Parse(text);
    EXPECT_TRUE(grid.GetCell(0, 3));
    EXPECT_TRUE(grid.GetCell(99, 3));
    EXPECT_FALSE(grid.GetCell(0, 4));
}

TEST(TextKernelGrid, RefusesWrongShapesAndCharacters) {
    EXPECT_THROW(TextKernelGrid::Parse(EmptyLines(99)), FileError);
    EXPECT_THROW(TextKernelGrid::Parse(EmptyLines(101)), FileError);
    std::string shortLine = EmptyLines(100);
    shortLine.erase(5, 1);
    EXPECT_THROW(TextKernelGrid::Parse(shortLine), FileError);
    std::string badChar = EmptyLines(100);
    badChar[7] = 'x';
    EXPECT_THROW(TextKernelGrid::Parse(badChar), FileError);
    EXPECT_THROW(TextKernelGrid::ReadFile("/nonexistent/grid.txt"), FileError);
}

}  // namespace
