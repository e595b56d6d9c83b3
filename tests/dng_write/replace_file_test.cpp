// A written file appears complete or not at all.
#include <gtest/gtest.h>

#include <fstream>

#include "dng/dng_exceptions.h"
#include "dng/dng_replace_file.h"
#include "write_test_support.h"

namespace {

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = FileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(WriteFileReplacing, ReplacesTheTargetOnlyWhenWritingCompleted) {
    const TempFolder temp;
    const std::string& folder = temp.path;
    const std::string target = folder + "/photo-DB.dng";
    WriteBytes(target, {'o', 'l', 'd'});

    EXPECT_THROW(WriteFileReplacing(target,
                                    [](dng_stream& s) {
                                        s.Put("partial", 7);
                                        ThrowWriteFile("disk full");
                                    }),
                 dng_exception);
    EXPECT_EQ(Text(target), "old");
    EXPECT_EQ(FolderEntries(folder).size(), 1u) << "the temporary file must be gone";

    WriteFileReplacing(target, [](dng_stream& s) { s.Put("new content", 11); });
    EXPECT_EQ(Text(target), "new content");
    EXPECT_EQ(FolderEntries(folder).size(), 1u);
}

TEST(WriteFileReplacing, AMissingFolderIsAnOpenError) {
    try {
        WriteFileReplacing("/nonexistent-folder-for-test/x.dng", [](dng_stream& s) { s.Put("x", 1); });
        FAIL();
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_open_file);
    }
}

}  // namespace
