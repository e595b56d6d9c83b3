#pragma once
#include <string>

#include "tests/support/test_files.h"

namespace test_support {

// The text of a kernel grid file: `lines` lines of 100 empty cells ('.'), each ended by `end`, with
// core cells ('c') on line `row` from column `first` to `last` (no line has them when row is -1).
inline std::string KernelGridText(int row = -1, int first = 0, int last = 0, int lines = 100,
                                  const std::string& end = "\n") {
    std::string text;
    for (int y = 0; y < lines; ++y) {
        std::string line(100, '.');
        if (y == row) line.replace(first, last - first + 1, last - first + 1, 'c');
        text += line + end;
    }
    return text;
}

// Writes a grid with one core line to `path` and returns the path.
inline std::string WriteKernelGrid(const std::string& path, int row, int first, int last) {
    const std::string text = KernelGridText(row, first, last);
    WriteFileBytes(path, {text.begin(), text.end()});
    return path;
}

}  // namespace test_support
