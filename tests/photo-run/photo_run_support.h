#pragma once
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/kernel_grid_text.h"

namespace photo_run_test {

// Exit status and standard error of one run of the tool.
struct ToolRun {
    int status = -1;
    std::string errors;
};

// Runs photo-run with `arguments` and TMPDIR (where the hand-back file goes) set to `folder`;
// `launcher`, when given, comes first (more variables, a command such as timeout).
inline ToolRun RunTool(const test_support::TempFolder& folder, const std::string& arguments,
                       const std::string& launcher = "") {
    ToolRun run;
    const std::string errors = folder.File("stderr.txt");
    test_support::RunCommand("TMPDIR='" + folder.Path() + "' " + launcher + " " + PHOTO_RUN_PATH + " " + arguments +
                                 " 2>" + errors,
                             &run.status);
    const std::vector<uint8_t> bytes = test_support::ReadFileBytes(errors);
    run.errors.assign(bytes.begin(), bytes.end());
    return run;
}

// Writes line.txt into `folder`: a grid with a horizontal line of nine cells (columns 46 to 54)
// through row 50. Returns its path.
inline std::string WriteLineGrid(const test_support::TempFolder& folder) {
    return test_support::WriteKernelGrid(folder.File("line.txt"), 50, 46, 54);
}

// Width, height and R G B bytes (top row first) of a PPM as photo-run writes it.
struct Ppm {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};
inline Ppm ReadPpm(const std::string& path) {
    const std::vector<uint8_t> bytes = test_support::ReadFileBytes(path);
    const long headerSize = long(std::min<std::size_t>(bytes.size(), 40));
    std::istringstream header(std::string(bytes.begin(), bytes.begin() + headerSize));
    std::string magic;
    int maxValue = 0;
    Ppm ppm;
    header >> magic >> ppm.width >> ppm.height >> maxValue;
    const std::size_t size = std::size_t(ppm.width) * std::size_t(ppm.height) * 3;
    if (magic != "P6" || maxValue != 255 || bytes.size() < size) return {};
    ppm.rgb.assign(bytes.end() - long(size), bytes.end());
    return ppm;
}

}  // namespace photo_run_test
