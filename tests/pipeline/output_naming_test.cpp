#include "pipeline/output_naming.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

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
