// A written file appears complete or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "dng/dng_exceptions.h"
#include "dng/dng_replace_file.h"
#include "tests/support/test_files.h"

namespace {

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = test_support::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

size_t EntryCount(const std::string& folder) {
    const std::filesystem::directory_iterator entries(folder);
    return size_t(std::distance(begin(entries), end(entries)));
}

TEST(WriteFileReplacing, ReplacesTheTargetOnlyWhenWritingCompleted) {
    const test_support::TempFolder temp;
    const std::string& folder = temp.Path();
    const std::string target = temp.File("photo-DB.dng");
    test_support::WriteFileBytes(target, {'o', 'l', 'd'});

    EXPECT_THROW(WriteFileReplacing(target,
                                    [](dng_stream& s) {
                                        s.Put("partial", 7);
                                        ThrowWriteFile("disk full");
                                    }),
                 dng_exception);
    EXPECT_EQ(Text(target), "old");
    EXPECT_EQ(EntryCount(folder), 1u) << "the temporary file must be gone";

    WriteFileReplacing(target, [](dng_stream& s) { s.Put("new content", 11); });
    EXPECT_EQ(Text(target), "new content");
    EXPECT_EQ(EntryCount(folder), 1u);
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
