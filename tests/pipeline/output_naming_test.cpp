#include "pipeline/output_naming.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "tests/support/test_files.h"

namespace {

struct NameCase {
    const char* name;
    const char* extension;
    const char* expected;  // null: refused
};

class DeblurredNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(DeblurredNameTest, InsertsBeforeTheExtensionOrRefuses) {
    const NameCase& c = GetParam();
    const auto named = pipeline::DeblurredName(c.name, c.extension);
    if (c.expected) {
        ASSERT_TRUE(named.has_value());
        EXPECT_EQ(*named, c.expected);
    } else {
        EXPECT_FALSE(named.has_value()) << *named;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeblurredNameTest,
    testing::Values(NameCase{"IMG_1234.dng", ".dng", "IMG_1234-DB.dng"},
                    NameCase{"P1.DNG", ".dng", "P1-DB.DNG"},
                    NameCase{"p.DnG", ".dng", "p-DB.DnG"},
                    NameCase{"/home/u/Photos/L1000123.DNG", ".dng", "/home/u/Photos/L1000123-DB.DNG"},
                    NameCase{"a.b.c.dng", ".dng", "a.b.c-DB.dng"},
                    NameCase{"x.dng.bak", ".dng", nullptr},
                    NameCase{"xdng", ".dng", nullptr},
                    NameCase{"dng", ".dng", nullptr},
                    NameCase{"", ".dng", nullptr},
                    NameCase{"photo.jpg", ".dng", nullptr},
                    NameCase{"photo.JPG", ".jpg", "photo-DB.JPG"},
                    NameCase{"photo.jpeg", ".jpg", nullptr},
                    NameCase{"photo.jpeg", ".dng", nullptr},
                    NameCase{"photo.JPeG", ".jpeg", "photo-DB.JPeG"},
                    NameCase{"/a.dng/photo.jpg", ".dng", nullptr}));

struct NumberCase {
    const char* path;
    std::size_t extensionLength;
    std::set<std::string> taken;
    const char* expected;
};

class NumberedNameTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberedNameTest, TakesTheFirstFreeNumber) {
    const NumberCase& c = GetParam();
    std::vector<std::string> asked;
    const std::string chosen = pipeline::NumberedFreeName(c.path, c.extensionLength, [&](const std::string& p) {
        asked.push_back(p);
        return c.taken.count(p) > 0;
    });
    EXPECT_EQ(chosen, c.expected);
    // Stops at the first free name and never asks for one twice.
    EXPECT_EQ(asked.back(), chosen);
    EXPECT_EQ(std::set<std::string>(asked.begin(), asked.end()).size(), asked.size());
}

std::set<std::string> Series(const std::string& stem, const std::string& extension, int last) {
    std::set<std::string> names{stem + extension};
    for (int n = 2; n <= last; ++n) names.insert(stem + "-" + std::to_string(n) + extension);
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Series, NumberedNameTest,
    testing::Values(NumberCase{"/p/x-DB.dng", 4, {}, "/p/x-DB.dng"},
                    NumberCase{"/p/x-DB.dng", 4, {"/p/x-DB.dng"}, "/p/x-DB-2.dng"},
                    NumberCase{"/P/L1000123-DB.DNG", 4, {"/P/L1000123-DB.DNG", "/P/L1000123-DB-2.DNG"},
                               "/P/L1000123-DB-3.DNG"},
                    // A gap is filled: the series restarts from the base each time.
                    NumberCase{"/p/x-DB.dng", 4, {"/p/x-DB.dng", "/p/x-DB-3.dng"}, "/p/x-DB-2.dng"},
                    NumberCase{"/p/x-DB.dng", 4, Series("/p/x-DB", ".dng", 10), "/p/x-DB-11.dng"},
                    NumberCase{"/p/y-DB.jpeg", 5, {"/p/y-DB.jpeg"}, "/p/y-DB-2.jpeg"},
                    NumberCase{"/p/y-DB.jpg", 4, {"/p/y-DB.jpg", "/p/y-DB-2.jpg"}, "/p/y-DB-3.jpg"},
                    // Other spellings of the taken name do not count.
                    NumberCase{"/p/x-DB.dng", 4, {"/p/X-DB.dng", "/p/x-DB.DNG"}, "/p/x-DB.dng"}));

TEST(NumberedNameOnDiskTest, LinksAndFoldersHoldTheirNames) {
    test_support::TempFolder folder;
    const std::string base = folder.File("x-DB.dng");
    // A link to nothing, a folder and a file each keep their name from being used.
    ASSERT_EQ(::symlink(folder.File("gone").c_str(), base.c_str()), 0);
    std::filesystem::create_directory(folder.File("x-DB-2.dng"));
    test_support::WriteFileBytes(folder.File("x-DB-3.dng"), {1});
    EXPECT_EQ(pipeline::NumberedFreeName(base, 4), folder.File("x-DB-4.dng"));
    EXPECT_EQ(pipeline::NumberedFreeName(folder.File("y-DB.dng"), 4), folder.File("y-DB.dng"));
}

struct GuardCase {
    const char* label;
    const char* destination;  // names inside the test folder
    const char* source;
    bool refused;
};

class SourceGuardTest : public testing::TestWithParam<GuardCase> {};

TEST_P(SourceGuardTest, RefusesEveryNameOfTheSource) {
    const GuardCase& c = GetParam();
    test_support::TempFolder folder;
    test_support::WriteFileBytes(folder.File("photo.dng"), {1, 2});
    test_support::WriteFileBytes(folder.File("other.dng"), {1, 2});
    ASSERT_EQ(::link(folder.File("photo.dng").c_str(), folder.File("hard.dng").c_str()), 0);
    ASSERT_EQ(::symlink(folder.File("photo.dng").c_str(), folder.File("soft.dng").c_str()), 0);
    std::filesystem::create_directory(folder.File("sub"));
    EXPECT_EQ(pipeline::WouldOverwriteSource(folder.File(c.destination), folder.File(c.source)), c.refused);
}

INSTANTIATE_TEST_SUITE_P(Guard, SourceGuardTest,
                         testing::Values(GuardCase{"Same", "photo.dng", "photo.dng", true},
                                         GuardCase{"LetterCase", "PHOTO.DNG", "photo.dng", true},
                                         GuardCase{"OtherSpelling", "sub/../photo.dng", "photo.dng", true},
                                         GuardCase{"HardLink", "hard.dng", "photo.dng", true},
                                         GuardCase{"SymbolicLink", "soft.dng", "photo.dng", true},
                                         GuardCase{"OtherFile", "other.dng", "photo.dng", false},
                                         GuardCase{"NewName", "photo-DB.dng", "photo.dng", false},
                                         GuardCase{"NoSource", "photo-DB.dng", "gone.dng", false}),
                         [](const testing::TestParamInfo<GuardCase>& info) { return info.param.label; });

}  // namespace
