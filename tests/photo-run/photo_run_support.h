#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

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
    std::string text;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) text += y == 50 && x >= 46 && x <= 54 ? 'c' : '.';
        text += '\n';
    }
    const std::string path = folder.File("line.txt");
    test_support::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    return path;
}

}  // namespace photo_run_test
