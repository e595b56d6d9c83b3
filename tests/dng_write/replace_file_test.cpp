// A written file appears complete or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "dng/dng_exceptions.h"
#include "dng/dng_replace_file.h"
#include "tests/support/test_files.h"

namespace {

TEST(WriteFileReplacing, ReplacesTheTargetOnlyWhenWritingCompleted) {
    const test_support::TempFolder temp;
    const std::string target = temp.File("photo-DB.dng");
    const auto entries = [&] { return std::distance(std::filesystem::directory_iterator(temp.Path()), {}); };
    test_support::WriteFileBytes(target, {'o', 'l', 'd'});
    const auto failing = [](dng_stream& s) {
        s.Put("partial", 7);
        ThrowWriteFile("disk full");
    };
    EXPECT_THROW(WriteFileReplacing(target, failing), dng_exception);
    EXPECT_EQ(test_support::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(entries(), 1) << "the temporary file must be gone";

    WriteFileReplacing(target, [](dng_stream& s) { s.Put("new", 3); });
    EXPECT_EQ(test_support::ReadFileBytes(target), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(entries(), 1);

    dng_error_code code = dng_error_none;
    try {
        WriteFileReplacing("/nonexistent-folder-for-test/x.dng", [](dng_stream& s) { s.Put("x", 1); });
    } catch (const dng_exception& e) {
        code = e.ErrorCode();
    }
    EXPECT_EQ(code, dng_error_open_file) << "a missing folder is an open error";
}

}  // namespace
