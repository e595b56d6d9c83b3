#include "pipeline/handback_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/scoped_tmpdir.h"
#include "tests/support/test_files.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class HandBackBytesTest : public testing::TestWithParam<std::string> {};

TEST_P(HandBackBytesTest, HoldsExactlyThePathsBytes) {
    test_support::TempFolder folder;
    const std::string file = folder.File(pipeline::kHandBackFileName);
    // A longer earlier content must not survive past the new end.
    test_support::WriteFileBytes(file, std::vector<uint8_t>(300, 'z'));
    ASSERT_TRUE(pipeline::WriteHandBackFile(folder.Path() + "/", GetParam()));
    EXPECT_EQ(test_support::ReadFileBytes(file), Bytes(GetParam()));
    EXPECT_EQ(test_support::FolderEntries(folder.Path()).size(), 1u);  // no temporary file left beside it
}

INSTANTIATE_TEST_SUITE_P(Paths, HandBackBytesTest,
                         testing::Values("/home/u/Photos/L1000123-DB-2.DNG", "/tmp/with blank/a-DB.dng",
                                         "/home/jörg/Fotos/Straße-DB.jpg", "x-DB.dng"));

TEST(HandBackFileTest, APlantedLinkIsReplacedNotFollowed) {
    test_support::TempFolder folder;
    const std::string victim = folder.File("victim.txt");
    test_support::WriteFileBytes(victim, Bytes("keep me"));
    const std::string file = folder.File(pipeline::kHandBackFileName);
    ASSERT_EQ(::symlink(victim.c_str(), file.c_str()), 0);

    ASSERT_TRUE(pipeline::WriteHandBackFile(folder.Path() + "/", "/p/x-DB.dng"));
    EXPECT_EQ(test_support::ReadFileBytes(victim), Bytes("keep me"));
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    EXPECT_EQ(test_support::ReadFileBytes(file), Bytes("/p/x-DB.dng"));
}

TEST(HandBackFileTest, FailuresAreReportedWithoutThrowingOrLeavingFiles) {
    test_support::TempFolder folder;
    EXPECT_FALSE(pipeline::WriteHandBackFile(folder.File("missing") + "/", "/p/x-DB.dng"));

    // A folder in the way of the name stays as it was.
    std::filesystem::create_directory(folder.File(pipeline::kHandBackFileName));
    EXPECT_FALSE(pipeline::WriteHandBackFile(folder.Path() + "/", "/p/x-DB.dng"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File(pipeline::kHandBackFileName)));
    EXPECT_EQ(test_support::FolderEntries(folder.Path()).size(), 1u);
}

// TMPDIR as given, even when missing (the write then fails there), else /tmp; always ending in "/".
TEST(HandBackFileTest, TemporaryFolderFollowsTheEnvironmentAndEndsInASlash) {
    test_support::TempFolder folder;
    const test_support::ScopedTmpDir tmp(folder.Path());
    EXPECT_EQ(pipeline::TemporaryFolder(), folder.Path() + "/");
    ::setenv("TMPDIR", (folder.Path() + "/missing/").c_str(), 1);
    EXPECT_EQ(pipeline::TemporaryFolder(), folder.Path() + "/missing/");
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(pipeline::TemporaryFolder(), "/tmp/");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(pipeline::TemporaryFolder(), "/tmp/");
}

}  // namespace
