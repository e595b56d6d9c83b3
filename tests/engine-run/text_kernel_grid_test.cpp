#include <gtest/gtest.h>

#include "pgm_image.h"
#include "text_kernel_grid.h"

namespace {

using enginerun::FileError;
using enginerun::TextKernelGrid;

std::string EmptyLines(int count, const char* end = "\n") {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(100, '.') + end;
    return text;
}

TEST(TextKernelGrid, LineIsTheRowAndCharacterTheColumn) {
    std::string text = EmptyLines(100);
    text[50 * 101 + 50] = 'c';
    text[48 * 101 + 52] = 'r';
    const TextKernelGrid grid = TextKernelGrid::Parse(text);
    EXPECT_EQ(grid.GetCellColor(50, 50), engine::KernelGridSource::kCoreColor);
    EXPECT_EQ(grid.GetCellColor(52, 48), engine::KernelGridSource::kRimColor);
    EXPECT_FALSE(grid.GetCell(48, 52));
    EXPECT_FALSE(grid.GetCell(100, 0));

    // Windows line ends and a missing last line end.
    std::string crlf = EmptyLines(100, "\r\n");
    crlf.resize(crlf.size() - 2);
    crlf[3 * 102 + 99] = 'c';
    EXPECT_TRUE(TextKernelGrid::Parse(crlf).GetCell(99, 3));
}

TEST(TextKernelGrid, RefusesWrongShapesAndCharacters) {
    std::string shortLine = EmptyLines(100);
    shortLine.erase(5, 1);
    std::string badChar = EmptyLines(100);
    badChar[7] = 'x';
    for (const std::string& text : {EmptyLines(99), EmptyLines(101), shortLine, badChar})
        EXPECT_THROW(TextKernelGrid::Parse(text), FileError);
    EXPECT_THROW(TextKernelGrid::ReadFile("/nonexistent/grid.txt"), FileError);
}

}  // namespace
