#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "message_log.h"
#include "section_exercise.h"
#include "tests/support/test_files.h"

// Every input the fuzz target has kept goes through the same checks here,
// in the ordinary build.
TEST(JPGExifCorpus, EveryKeptInputReadsConsistently) {
    MessageLog log;
    ErrorStreamCapture diagnostics;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(JPEG_FUZZ_CORPUS)) {
        if (!entry.is_regular_file()) continue;
        const std::vector<uint8_t> bytes = test_support::ReadFileBytes(entry.path().string());
        EXPECT_TRUE(ExerciseSections(bytes.data(), bytes.size())) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 10);
}
