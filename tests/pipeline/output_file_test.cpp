#include "pipeline/output_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <thread>

#include "dng/dng_stream.h"
#include "tests/support/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;
Bytes BytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::string WriteText(const pipeline::OutputFile& output, const std::string& text) {
    return output.Write([&](dng_stream& s) { s.Put(text.data(), text.size()); });
}

// What is in the folder before a numbered save: a name and what stands there.
enum class Kind { File, Folder, DanglingLink, LinkToPhoto, HardLinkToPhoto };
struct Present {
    const char* name;
    Kind kind;
};
struct NumberCase {
    const char* label;
    const char* first;  // the first name tried, in the folder
    std::size_t extensionLength;
    std::vector<Present> present;
    const char* expected;
};

class NumberedOutputTest : public testing::TestWithParam<NumberCase> {};

// Every taken name is passed over, whatever holds it, and nothing present is touched.
TEST_P(NumberedOutputTest, TakesTheFirstFreeNameAndLeavesTheRest) {
    const NumberCase& c = GetParam();
    test_support::TempFolder folder;
    const std::string photo = folder.File("photo.dng");
    test_support::WriteFileBytes(photo, BytesOf("source"));
    for (const Present& p : c.present) {
        const std::string path = folder.File(p.name);
        switch (p.kind) {
        case Kind::File: test_support::WriteFileBytes(path, BytesOf(p.name)); break;
        case Kind::Folder: std::filesystem::create_directory(path); break;
        case Kind::DanglingLink: ASSERT_EQ(::symlink(folder.File("gone").c_str(), path.c_str()), 0); break;
        case Kind::LinkToPhoto: ASSERT_EQ(::symlink(photo.c_str(), path.c_str()), 0); break;
        case Kind::HardLinkToPhoto: ASSERT_EQ(::link(photo.c_str(), path.c_str()), 0); break;
        }
    }
    const auto before = test_support::FolderEntries(folder.Path());

    const std::string written =
        WriteText(pipeline::OutputFile::Numbered(folder.File(c.first), c.extensionLength, photo), "result");

    EXPECT_EQ(written, folder.File(c.expected));
    EXPECT_EQ(test_support::ReadFileBytes(written), BytesOf("result"));
    EXPECT_EQ(test_support::ReadFileBytes(photo), BytesOf("source"));
    for (const Present& p : c.present) {
        if (p.kind == Kind::File) {
            EXPECT_EQ(test_support::ReadFileBytes(folder.File(p.name)), BytesOf(p.name));
        }
    }
    // Exactly one new entry: the result, no temporary file beside it.
    auto after = test_support::FolderEntries(folder.Path());
    after.erase(std::find(after.begin(), after.end(), c.expected));
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Series, NumberedOutputTest,
    testing::Values(
        NumberCase{"Free", "x-DB.dng", 4, {}, "x-DB.dng"},
        NumberCase{"Second", "x-DB.dng", 4, {{"x-DB.dng", Kind::File}}, "x-DB-2.dng"},
        NumberCase{"Third", "L1000123-DB.DNG", 4, {{"L1000123-DB.DNG", Kind::File}, {"L1000123-DB-2.DNG", Kind::File}},
                   "L1000123-DB-3.DNG"},
        // A gap is filled: the series restarts from the first name.
        NumberCase{"Gap", "x-DB.dng", 4, {{"x-DB.dng", Kind::File}, {"x-DB-3.dng", Kind::File}}, "x-DB-2.dng"},
        NumberCase{"LongExtension", "y-DB.jpeg", 5, {{"y-DB.jpeg", Kind::File}}, "y-DB-2.jpeg"},
        NumberCase{"TwoDigits", "x-DB.jpg", 4,
                   {{"x-DB.jpg", Kind::File}, {"x-DB-2.jpg", Kind::File}, {"x-DB-3.jpg", Kind::File},
                    {"x-DB-4.jpg", Kind::File}, {"x-DB-5.jpg", Kind::File}, {"x-DB-6.jpg", Kind::File},
                    {"x-DB-7.jpg", Kind::File}, {"x-DB-8.jpg", Kind::File}, {"x-DB-9.jpg", Kind::File}},
                   "x-DB-10.jpg"},
        // Other spellings of the name do not take it.
        NumberCase{"OtherSpellings", "x-DB.dng", 4, {{"X-DB.dng", Kind::File}, {"x-DB.DNG", Kind::File}}, "x-DB.dng"},
        NumberCase{"Kinds", "x-DB.dng", 4,
                   {{"x-DB.dng", Kind::DanglingLink}, {"x-DB-2.dng", Kind::Folder}, {"x-DB-3.dng", Kind::File}},
                   "x-DB-4.dng"},
        // A name that stands for the photo is taken like any other, not a reason to refuse.
        NumberCase{"LinkToPhoto", "x-DB.dng", 4, {{"x-DB.dng", Kind::LinkToPhoto}}, "x-DB-2.dng"},
        NumberCase{"HardLinkToPhoto", "x-DB.dng", 4,
                   {{"x-DB.dng", Kind::HardLinkToPhoto}, {"x-DB-2.dng", Kind::LinkToPhoto}}, "x-DB-3.dng"}),
    [](const testing::TestParamInfo<NumberCase>& info) { return info.param.label; });

// Writers that all start from one name at the same moment each end with a name of their own
// and their own bytes under it.
TEST(NumberedOutputConcurrencyTest, WritersAtOnceNeverShareAName) {
    constexpr int kWriters = 6;
    constexpr int kRounds = 15;
    for (int round = 0; round < kRounds; ++round) {
        test_support::TempFolder folder;
        const pipeline::OutputFile output =
            pipeline::OutputFile::Numbered(folder.File("p-DB.jpg"), 4, folder.File("p.jpg"));
        std::vector<std::string> names(kWriters);
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w)
            writers.emplace_back([&, w] { names[w] = WriteText(output, "writer " + std::to_string(w)); });
        for (std::thread& writer : writers) writer.join();

        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), std::size_t(kWriters));
        for (int w = 0; w < kWriters; ++w)
            EXPECT_EQ(test_support::ReadFileBytes(names[w]), BytesOf("writer " + std::to_string(w))) << names[w];
        EXPECT_EQ(test_support::FolderEntries(folder.Path()).size(), std::size_t(kWriters));
    }
}

}  // namespace
