// A final result that the system refuses to store: one message that keeps its fixed text and
// adds the result's path and the system's reason, and nothing on disk changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "dng/dng_publish_file.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "pipeline/plugin_mode.h"
#include "platform/message_box.h"
#include "tests/support/scoped_tmpdir.h"
#include "tests/support/without_file_overrides.h"
#include "workflow_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

enum class Photo { Dng, JpegWithExif, JpegStripped };
enum class Fault { FullDisk, ReadOnlyFolder, NameTooLong, FolderAtName };
enum class Destination { AutoSave, Plugin, Dialog };

struct WriteFailureCase {
    const char* label;
    Photo photo;
    Fault fault;
    Destination destination;
};

void PrintTo(const WriteFailureCase& c, std::ostream* out) { *out << c.label; }

const char* ReasonOf(Fault fault) {
    switch (fault) {
    case Fault::FullDisk: return "No space left on device";
    case Fault::ReadOnlyFolder: return "Permission denied";
    case Fault::NameTooLong: return "File name too long";
    case Fault::FolderAtName: return "Is a directory";
    }
    return "";
}

// The fixed text, caption and icon each kind of result keeps.
struct Box {
    std::string text;
    const char* caption;
    unsigned flags;
};

Box FixedPartOf(Photo photo, Fault fault) {
    const unsigned warning = platform::MB_OK | platform::MB_ICONWARNING;
    switch (photo) {
    case Photo::Dng: return {"Whoa... that's a bug...\n\nFailed to process this DNG...", "Oops", warning};
    case Photo::JpegWithExif:
        // A folder that refuses the file refuses it from the start.
        return {fault == Fault::ReadOnlyFolder ? "Could not open file for write" : "Could not write file in JPGExif",
                "JPGExif error", platform::MB_OK | platform::MB_ICONERROR};
    case Photo::JpegStripped: return {"The JPG could not be written...", "Oops", warning};
    }
    return {};
}

// Every write of the file being published lands on /dev/full, which refuses it as a full disk does.
void WriteToFullDevice(PublishStage stage, int descriptor) {
    if (stage != PublishStage::TemporaryCreated) return;
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) return;
    ::dup2(full, descriptor);
    ::close(full);
}

class ResultWriteFailure : public testing::TestWithParam<WriteFailureCase> {
protected:
    void SetUp() override {
        std::filesystem::create_directory(root.File("photos"));
        std::filesystem::create_directory(root.File("out"));
        for (int x = 46; x <= 54; ++x) window.grid.ClickCell(x, 50, false, controls::KernelGrid::kCoreColor);
    }
    void TearDown() override {
        gPublishStageHook = nullptr;
        pipeline::gPluginMode = false;
        pipeline::gFileToOpen.clear();
        for (const char* folder : {"photos", "out"}) ::chmod(root.File(folder).c_str(), 0755);
    }

    test_support::TempFolder root;
    test_support::TempFolder temp;
    test_support::ScopedTmpDir tmpDir{temp.Path()};
    pipeline::HeadlessWindow window;
};

TEST_P(ResultWriteFailure, IsToldOnceWithPathAndReasonAndChangesNothing) {
    const WriteFailureCase& c = GetParam();
    const bool dng = c.photo == Photo::Dng;
    const std::string extension = dng ? ".dng" : ".jpg";
    // A photo name at the file system's limit, whose result name is three letters longer.
    const std::string stem = c.fault == Fault::NameTooLong ? std::string(255 - extension.size(), 'n') : "photo";
    const std::string name = stem + extension;
    const std::string photo = root.File("photos/" + name);
    const Bytes source = dng ? WriteFixtureDNG(pipelinetest::MosaicFixture(200, 150))
                             : test_support::ReadFileBytes(test_support::TestData("jpeg/greyscale_exif_xmp_icc.jpg"));
    test_support::WriteFileBytes(photo, source);

    const std::string folder = root.File(c.destination == Destination::Plugin ? "photos" : "out");
    const std::string result = folder + "/" + stem + "-DB" + extension;
    const Bytes earlier{'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    if (c.fault == Fault::FolderAtName) {
        std::filesystem::create_directory(result);
    } else if (c.fault != Fault::NameTooLong) {
        test_support::WriteFileBytes(result, earlier);
    }

    window.autoSave = c.destination == Destination::AutoSave;
    window.autoSaveFolder = root.File("out");
    window.stripExif = c.photo == Photo::JpegStripped;
    window.dialogPath = c.destination == Destination::Dialog ? result : "";
    if (dng) {
        ASSERT_TRUE(window.Convert().ProcessDNG(photo, name));
    } else {
        ASSERT_TRUE(window.Convert().LoadJPG(photo));
    }
    ASSERT_TRUE(window.messages.empty()) << window.messages[0].text;
    pipeline::gPluginMode = c.destination == Destination::Plugin;
    pipeline::gFileToOpen = pipeline::gPluginMode ? photo : "";
    if (c.fault == Fault::FullDisk) {
        if (::access("/dev/full", W_OK) != 0) {
            GTEST_SKIP() << "no /dev/full to stand for a full disk";
        }
        gPublishStageHook = WriteToFullDevice;
    }
    if (c.fault == Fault::ReadOnlyFolder) {
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    }
    const auto photos = test_support::FolderEntries(root.File("photos"));
    const auto outs = test_support::FolderEntries(root.File("out"));

    bool saved = true;
    {
        const test_support::WithoutFileOverrides limits;
        if (!limits.Holds()) {
            GTEST_SKIP() << "root's powers over file modes could not be set aside";
        }
        saved = dng ? window.Convert().DeblurDNG(pipeline::DNGConvert::kFinalResult)
                    : window.Convert().SaveJPG(window.preview, photo);
    }

    EXPECT_FALSE(saved);
    ASSERT_EQ(window.messages.size(), 1u);
    const Box fixed = FixedPartOf(c.photo, c.fault);
    EXPECT_EQ(window.messages[0].text, fixed.text + "\n\n" + result + "\n" + ReasonOf(c.fault) +
                                           "\n\nThe result isn't stored; an earlier file of its name is unchanged.");
    EXPECT_EQ(window.messages[0].caption, fixed.caption);
    EXPECT_EQ(window.messages[0].flags, fixed.flags);
    EXPECT_FALSE(window.lastSavedVisible);
    EXPECT_NE(window.statusLabel.text.rfind("Done...", 0), 0u) << window.statusLabel.text;

    // The photo, an earlier result and both folders are as they were; no hand-back file names a result.
    EXPECT_EQ(test_support::ReadFileBytes(photo), source);
    if (c.fault == Fault::FolderAtName) {
        EXPECT_TRUE(std::filesystem::is_empty(result));
    } else if (c.fault != Fault::NameTooLong) {
        EXPECT_EQ(test_support::ReadFileBytes(result), earlier);
    }
    EXPECT_EQ(test_support::FolderEntries(root.File("photos")), photos);
    EXPECT_EQ(test_support::FolderEntries(root.File("out")), outs);
    EXPECT_EQ(test_support::FolderEntries(temp.Path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ResultWriteFailure,
    testing::Values(
        WriteFailureCase{"DngFullAuto", Photo::Dng, Fault::FullDisk, Destination::AutoSave},
        WriteFailureCase{"DngReadOnlyAuto", Photo::Dng, Fault::ReadOnlyFolder, Destination::AutoSave},
        WriteFailureCase{"DngTooLongAuto", Photo::Dng, Fault::NameTooLong, Destination::AutoSave},
        WriteFailureCase{"DngFolderAuto", Photo::Dng, Fault::FolderAtName, Destination::AutoSave},
        WriteFailureCase{"DngFullPlugin", Photo::Dng, Fault::FullDisk, Destination::Plugin},
        WriteFailureCase{"DngReadOnlyPlugin", Photo::Dng, Fault::ReadOnlyFolder, Destination::Plugin},
        WriteFailureCase{"DngTooLongPlugin", Photo::Dng, Fault::NameTooLong, Destination::Plugin},
        WriteFailureCase{"DngReadOnlyDialog", Photo::Dng, Fault::ReadOnlyFolder, Destination::Dialog},
        WriteFailureCase{"ExifFullAuto", Photo::JpegWithExif, Fault::FullDisk, Destination::AutoSave},
        WriteFailureCase{"ExifReadOnlyAuto", Photo::JpegWithExif, Fault::ReadOnlyFolder, Destination::AutoSave},
        WriteFailureCase{"ExifTooLongAuto", Photo::JpegWithExif, Fault::NameTooLong, Destination::AutoSave},
        WriteFailureCase{"ExifFolderAuto", Photo::JpegWithExif, Fault::FolderAtName, Destination::AutoSave},
        WriteFailureCase{"ExifFullPlugin", Photo::JpegWithExif, Fault::FullDisk, Destination::Plugin},
        WriteFailureCase{"ExifTooLongPlugin", Photo::JpegWithExif, Fault::NameTooLong, Destination::Plugin},
        WriteFailureCase{"ExifFullDialog", Photo::JpegWithExif, Fault::FullDisk, Destination::Dialog},
        WriteFailureCase{"ExifReadOnlyDialog", Photo::JpegWithExif, Fault::ReadOnlyFolder, Destination::Dialog},
        WriteFailureCase{"StrippedFullAuto", Photo::JpegStripped, Fault::FullDisk, Destination::AutoSave},
        WriteFailureCase{"StrippedReadOnlyAuto", Photo::JpegStripped, Fault::ReadOnlyFolder, Destination::AutoSave},
        WriteFailureCase{"StrippedTooLongAuto", Photo::JpegStripped, Fault::NameTooLong, Destination::AutoSave},
        WriteFailureCase{"StrippedFolderAuto", Photo::JpegStripped, Fault::FolderAtName, Destination::AutoSave},
        WriteFailureCase{"StrippedTooLongDialog", Photo::JpegStripped, Fault::NameTooLong, Destination::Dialog},
        WriteFailureCase{"StrippedFolderDialog", Photo::JpegStripped, Fault::FolderAtName, Destination::Dialog}),
    [](const testing::TestParamInfo<WriteFailureCase>& info) { return info.param.label; });

}  // namespace
