#include "pipeline/saving_step.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "dng/dng_stream.h"
#include "engine/progress_status.h"
#include "pipeline/handback_file.h"
#include "pipeline/headless_window.h"
#include "pipeline/output_naming.h"
#include "pipeline/plugin_mode.h"
#include "platform/message_box.h"
#include "tests/support/scoped_tmpdir.h"
#include "tests/support/test_files.h"
#include "tests/support/without_file_overrides.h"

namespace {

enum class Mode { Plugin, AutoSave, Dialog };

struct SaveCase {
    const char* label;
    Mode mode;
    const char* photo;                  // file name of the photo in the photo folder
    std::vector<std::string> present;   // names already in the destination folder
    std::vector<std::string> extensions;
    const char* expected;               // name written; null when refused
    const char* refusal;                // start of the refusal text, when refused
};

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// One saving run in a photo folder, an auto-save folder and a private temporary folder.
class SavingStep : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(root.File("photos"));
        std::filesystem::create_directory(root.File("auto"));
        window.overlayLabel.SetText("Preparing...");
        window.dialogPath = root.File("auto/chosen.dng");
        progress.label = &window.overlayLabel;
        progress.bar = &window.overlayBar;
    }
    void TearDown() override {
        pipeline::gPluginMode = false;
        pipeline::gFileToOpen.clear();
    }

    bool Save(const SaveCase& c) {
        const std::string photo = root.File("photos/") + c.photo;
        test_support::WriteFileBytes(photo, Bytes("source"));
        const std::string destination = c.mode == Mode::Plugin ? "photos" : "auto";
        for (const std::string& name : c.present)
            test_support::WriteFileBytes(root.File(destination + "/" + name), Bytes("earlier"));
        pipeline::gPluginMode = c.mode == Mode::Plugin;
        pipeline::gFileToOpen = pipeline::gPluginMode ? photo : "";
        window.autoSave = c.mode == Mode::AutoSave;
        window.autoSaveFolder = "  " + root.File("auto") + " ";

        pipeline::SaveRequest request;
        request.sourceName = c.photo;
        request.sourcePath = photo;
        request.choices = pipeline::TakeSaveChoices();
        // The run goes by the choices it took; the window's boxes may have changed since.
        window.autoSave = !window.autoSave;
        window.autoSaveFolder = root.File("photos");
        request.extensions = c.extensions;
        request.savingText = "Saving DNG to disk...";
        request.write = [&](const pipeline::OutputFile& output, pipeline::SaveDestination where) {
            return Write(output, where);
        };
        return pipeline::SaveFinalResult(request, progress);
    }
    std::string Write(const pipeline::OutputFile& output, pipeline::SaveDestination where) {
        const std::string path = output.Write([](dng_stream& s) { s.Put("result", 6); });
        written.push_back(path);
        destinations.push_back(where);
        return path;
    }

    test_support::TempFolder root;
    test_support::TempFolder temp;
    test_support::ScopedTmpDir tmpDir{temp.Path()};
    pipeline::HeadlessWindow window;
    engine::ProgressStatus progress;
    std::vector<std::string> written;
    std::vector<pipeline::SaveDestination> destinations;
};

class SavingStepTest : public SavingStep, public testing::WithParamInterface<SaveCase> {};

TEST_P(SavingStepTest, NamesGuardsAndWrites) {
    const SaveCase& c = GetParam();
    const bool saved = Save(c);
    const std::string handBack = temp.File(pipeline::kHandBackFileName);
    const std::string folder = root.File(c.mode == Mode::Plugin ? "photos/" : "auto/");

    EXPECT_EQ(test_support::ReadFileBytes(root.File("photos/") + c.photo), Bytes("source"));
    for (const std::string& name : c.present) {
        if (c.expected && name == c.expected) continue;
        EXPECT_EQ(test_support::ReadFileBytes(folder + name), Bytes("earlier")) << name;
    }

    if (!c.expected) {
        EXPECT_FALSE(saved);
        EXPECT_TRUE(written.empty());
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].caption, "Oops");
        EXPECT_EQ(window.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONWARNING));
        EXPECT_EQ(window.messages[0].text.rfind(c.refusal, 0), 0u) << window.messages[0].text;
        EXPECT_FALSE(std::filesystem::exists(handBack));
        EXPECT_EQ(window.overlayLabel.text, "Saving DNG to disk...");
        EXPECT_FALSE(window.lastSavedVisible);
        return;
    }
    EXPECT_TRUE(saved);
    EXPECT_TRUE(window.messages.empty());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], folder + c.expected);
    EXPECT_EQ(test_support::ReadFileBytes(folder + c.expected), Bytes("result"));

    switch (c.mode) {
    case Mode::Plugin:
        EXPECT_EQ(destinations[0], pipeline::SaveDestination::PhotoFolder);
        EXPECT_EQ(test_support::ReadFileBytes(handBack), Bytes(written[0]));
        EXPECT_FALSE(window.lastSavedVisible);
        break;
    case Mode::AutoSave:
        EXPECT_EQ(destinations[0], pipeline::SaveDestination::AutoSaveFolder);
        EXPECT_FALSE(std::filesystem::exists(handBack));
        EXPECT_TRUE(window.lastSavedVisible);
        EXPECT_EQ(window.lastSavedCaption, std::string("[last saved: ") + c.expected + "] ");
        break;
    case Mode::Dialog:
        EXPECT_EQ(destinations[0], pipeline::SaveDestination::Dialog);
        EXPECT_FALSE(std::filesystem::exists(handBack));
        EXPECT_TRUE(window.lastSavedVisible);
        EXPECT_EQ(window.lastSavedCaption, "[last saved: chosen.dng] ");
        break;
    }
    if (c.mode == Mode::Dialog) {
        EXPECT_EQ(window.statusLabel.text, "Done... ");
        EXPECT_EQ(window.overlayLabel.text, "Preparing...");
    } else {
        EXPECT_EQ(window.statusLabel.text, "Done...");
        EXPECT_EQ(window.overlayLabel.text, "Saving DNG to disk...");
    }
}

const std::vector<std::string> kDng{".dng"};
const std::vector<std::string> kJpeg{".jpg", ".jpeg"};

INSTANTIATE_TEST_SUITE_P(
    Destinations, SavingStepTest,
    testing::Values(
        SaveCase{"PluginFree", Mode::Plugin, "L1000123.DNG", {}, kDng, "L1000123-DB.DNG", nullptr},
        SaveCase{"PluginSecond", Mode::Plugin, "L1000123.DNG", {"L1000123-DB.DNG"}, kDng, "L1000123-DB-2.DNG",
                 nullptr},
        SaveCase{"PluginJpeg", Mode::Plugin, "p.jpeg", {"p-DB.jpeg"}, kJpeg, "p-DB-2.jpeg", nullptr},
        SaveCase{"PluginWrongName", Mode::Plugin, "p.tif", {}, kDng, nullptr, "The photo's name"},
        SaveCase{"AutoFree", Mode::AutoSave, "IMG_1.dng", {}, kDng, "IMG_1-DB.dng", nullptr},
        // Auto save replaces a file of the same name and numbers nothing.
        SaveCase{"AutoReplaces", Mode::AutoSave, "IMG_1.dng", {"IMG_1-DB.dng"}, kDng, "IMG_1-DB.dng", nullptr},
        SaveCase{"AutoJpegKeepsLetters", Mode::AutoSave, "P.JPEG", {}, kJpeg, "P-DB.JPEG", nullptr},
        SaveCase{"AutoWrongName", Mode::AutoSave, "photo.jpeg", {}, kDng, nullptr, "The photo's name"},
        SaveCase{"Dialog", Mode::Dialog, "photo.dng", {"photo-DB.dng"}, kDng, "chosen.dng", nullptr}),
    [](const testing::TestParamInfo<SaveCase>& info) { return info.param.label; });

TEST_F(SavingStepTest, AMissingAutoSaveFolderIsToldAndNothingIsWritten) {
    window.autoSave = true;
    std::filesystem::remove(root.File("auto"));
    SaveCase c{"", Mode::AutoSave, "x.dng", {}, kDng, nullptr, nullptr};
    EXPECT_FALSE(Save(c));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, pipeline::MissingFolderText(root.File("auto")));
    EXPECT_TRUE(written.empty());
    EXPECT_FALSE(std::filesystem::exists(root.File("auto")));
}

TEST_F(SavingStepTest, ALinkToThePhotoUnderTheOutputNameIsRefused) {
    const std::string photo = root.File("photos/x.dng");
    ASSERT_EQ(::symlink(photo.c_str(), root.File("auto/x-DB.dng").c_str()), 0);
    SaveCase c{"", Mode::AutoSave, "x.dng", {}, kDng, nullptr, nullptr};
    EXPECT_FALSE(Save(c));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, pipeline::kSameAsSourceText);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(test_support::ReadFileBytes(photo), Bytes("source"));
}

// The label names only a file that was written: a cancel leaves it as it was.
TEST_F(SavingStepTest, ACancelledDialogShowsNoLastSavedName) {
    window.lastSavedName = "earlier-DB.dng";
    window.dialogPath.clear();
    EXPECT_TRUE(Save(SaveCase{"", Mode::Dialog, "x.dng", {}, kDng, nullptr, nullptr}));
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(window.statusLabel.text, "Done... ");
    EXPECT_FALSE(window.lastSavedVisible);
}

enum class HandBackBlock { MissingFolder, ReadOnlyFolder, FolderInTheWay, OtherUsersFile };

class HandBackFailureTest : public SavingStep, public testing::WithParamInterface<HandBackBlock> {};

// The result is saved and the message says so, where it is and which file could not be written;
// whatever stood at the hand-back name stays.
TEST_P(HandBackFailureTest, IsToldWithTheSavedResult) {
    const std::string folder = temp.File("handback");
    const std::string handBack = folder + "/" + pipeline::kHandBackFileName;
    constexpr uid_t kOtherUser = 65534;
    switch (GetParam()) {
    case HandBackBlock::MissingFolder: break;
    case HandBackBlock::ReadOnlyFolder:
        std::filesystem::create_directory(folder);
        ::chmod(folder.c_str(), 0555);
        break;
    case HandBackBlock::FolderInTheWay: std::filesystem::create_directories(handBack); break;
    case HandBackBlock::OtherUsersFile:
        // A shared sticky folder where another user's file has the name.
        if (::geteuid() != 0) GTEST_SKIP() << "only root can make another user's file";
        std::filesystem::create_directory(folder);
        test_support::WriteFileBytes(handBack, Bytes("theirs"));
        ASSERT_EQ(::chown(handBack.c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(::chown(folder.c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
        break;
    }
    const test_support::ScopedTmpDir blocked(folder);
    bool saved = false;
    {
        const test_support::WithoutFileOverrides limits;
        saved = Save(SaveCase{"", Mode::Plugin, "x.dng", {}, kDng, nullptr, nullptr});
    }
    const std::string result = root.File("photos/x-DB.dng");
    EXPECT_TRUE(saved);
    EXPECT_EQ(test_support::ReadFileBytes(result), Bytes("result"));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].caption, "Oops");
    EXPECT_EQ(window.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONWARNING));
    EXPECT_EQ(window.messages[0].text.rfind("The result is saved as\n\n" + result + "\n\n", 0), 0u)
        << window.messages[0].text;
    EXPECT_NE(window.messages[0].text.find(handBack), std::string::npos) << window.messages[0].text;
    // Whatever stood at the name is still there, and nothing appeared where nothing was.
    switch (GetParam()) {
    case HandBackBlock::OtherUsersFile: EXPECT_EQ(test_support::ReadFileBytes(handBack), Bytes("theirs")); break;
    case HandBackBlock::FolderInTheWay: EXPECT_TRUE(std::filesystem::is_directory(handBack)); break;
    default: EXPECT_FALSE(std::filesystem::exists(handBack)); break;
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, HandBackFailureTest,
                         testing::Values(HandBackBlock::MissingFolder, HandBackBlock::ReadOnlyFolder,
                                         HandBackBlock::FolderInTheWay, HandBackBlock::OtherUsersFile));

// A photo named by a relative path is handed back by its absolute one.
TEST_F(SavingStepTest, TheHandBackPathIsAbsolute) {
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(root.Path());
    SaveCase c{"", Mode::Plugin, "x.dng", {}, kDng, nullptr, nullptr};
    test_support::WriteFileBytes(root.File("photos/x.dng"), Bytes("source"));
    pipeline::gPluginMode = true;
    pipeline::gFileToOpen = "./photos/x.dng";
    pipeline::SaveRequest request;
    request.sourceName = "x.dng";
    request.sourcePath = "./photos/x.dng";
    request.extensions = kDng;
    request.write = [&](const pipeline::OutputFile& output, pipeline::SaveDestination where) {
        return Write(output, where);
    };
    const bool saved = pipeline::SaveFinalResult(request, progress);
    std::filesystem::current_path(before);
    EXPECT_TRUE(saved);
    EXPECT_EQ(test_support::ReadFileBytes(temp.File(pipeline::kHandBackFileName)),
              Bytes(root.File("photos/x-DB.dng")));
}

}  // namespace
