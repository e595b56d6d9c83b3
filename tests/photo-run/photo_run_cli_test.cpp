#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "photo_run_support.h"
#include "tests/support/test_files.h"
#include "tests/support/tiff_edits.h"
#include "workflow_fixture.h"

namespace {

using photo_run_test::ToolRun;

class PhotoRunCli : public ::testing::Test {
protected:
    ToolRun Tool(const std::string& arguments) const { return photo_run_test::RunTool(folder, arguments); }

    test_support::TempFolder folder;
};

TEST_F(PhotoRunCli, OpensAPhotoAndWritesPreviewAndThumbnail) {
    const std::vector<uint8_t> renamed = test_support::WithUniqueCameraModel(
        test_support::ReadFileBytes(
            test_support::TestData("dng/canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng")),
        "Canon EOS 550D");
    test_support::WriteFileBytes(folder.File("real.dng"), renamed);
    const ToolRun run = Tool(folder.File("real.dng") + " --preview " + folder.File("p.ppm") + " --thumbnail " +
                         folder.File("t.ppm"));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "status: Opening DNG...\nstatus: Processing DNG...\nstatus: Creating preview...\n");
    const photo_run_test::Ppm preview = photo_run_test::ReadPpm(folder.File("p.ppm"));
    const photo_run_test::Ppm thumbnail = photo_run_test::ReadPpm(folder.File("t.ppm"));
    EXPECT_EQ(std::tuple(preview.width, preview.height, thumbnail.width, thumbnail.height),
              std::tuple(1732, 1156, 320, 213));
}

TEST_F(PhotoRunCli, RefusedCameraPrintsItsMessageOnOneLineAndFails) {
    pipelinetest::WriteFixtureFile(folder, "other.dng", pipelinetest::MosaicFixture(16, 12, "Canon EOS 7D"));
    const ToolRun run = Tool(folder.File("other.dng"));
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors.rfind("message: Unsupported camera: Unsupported camera... \\n\\nCurrently Clarivane", 0), 0u)
        << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1);
}

// A failure that shows no message still says why.
TEST_F(PhotoRunCli, SilentRefusalsAreExplainedOnStandardError) {
    auto tiff = pipelinetest::MosaicFixture(20, 14);
    tiff.colour = false;  // a CFA without a colour matrix is no valid DNG
    const std::string notDng = pipelinetest::WriteFixtureFile(folder, "tiff.dng", tiff);
    ToolRun run = Tool(notDng);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors, "photo-run: not a DNG that can be read: " + notDng + "\n");

    std::filesystem::copy_file(test_support::TestData("jpeg/greyscale_exif_xmp_icc.jpg"), folder.File("p.jpg"));
    run = Tool(folder.File("p.jpg") + " --plugin");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors, "photo-run: no final result: the kernel is empty\n");
    EXPECT_EQ(test_support::FolderEntries(folder.Path()), (std::vector<std::string>{"p.jpg", "stderr.txt", "tiff.dng"}));
}

TEST_F(PhotoRunCli, BadArgumentsAndUnreadableGridExitWithTwo) {
    EXPECT_EQ(Tool(folder.File("a.dng") + " --zoom 150").status, 2);
    pipelinetest::WriteFixtureFile(folder, "ok.dng", pipelinetest::MosaicFixture(16, 12, "Nikon D800"));
    EXPECT_EQ(Tool(folder.File("ok.dng") + " --grid " + folder.File("missing.txt")).status, 2);
    EXPECT_EQ(Tool(folder.File("ok.dng")).status, 0);
}

struct DeblurRunCase {
    const char* label;
    bool kernel;          // a line on the grid, or an empty grid
    std::string options;  // after PHOTO and the grid
    int status;
    std::vector<std::string> files;  // expected in the folder afterwards, besides the inputs
    int patchSize;                   // 0: no patch asked for
    const char* errorsContain;
};

class PhotoRunDeblur : public ::testing::TestWithParam<DeblurRunCase> {};

TEST_P(PhotoRunDeblur, PatchAndFinalResultReachTheirFiles) {
    const DeblurRunCase& c = GetParam();
    test_support::TempFolder folder;
    const std::string photo = pipelinetest::WriteFixtureFile(folder, "photo.dng",
                                                             pipelinetest::MosaicFixture(560, 530, "Nikon D800"));
    const std::string grid = c.kernel ? " --grid " + photo_run_test::WriteLineGrid(folder) : "";
    std::string options = c.options;
    for (std::size_t at; (at = options.find("DIR/")) != std::string::npos;) options.replace(at, 4, folder.Path() + "/");
    const ToolRun run = photo_run_test::RunTool(folder, photo + grid + " " + options);
    EXPECT_EQ(run.status, c.status) << run.errors;
    EXPECT_NE(run.errors.find(c.errorsContain), std::string::npos) << run.errors;
    for (const std::string& name : c.files) EXPECT_TRUE(std::filesystem::exists(folder.File(name))) << name;
    if (c.patchSize) {
        const photo_run_test::Ppm patch = photo_run_test::ReadPpm(folder.File("patch.ppm"));
        EXPECT_EQ(std::pair(patch.width, patch.height), std::pair(c.patchSize, c.patchSize));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PhotoRunDeblur,
    ::testing::Values(
        DeblurRunCase{"PatchAtFull", true, "--crop 20,10 --patch DIR/patch.ppm", 0, {"patch.ppm"}, 512,
                      "status: Working...\nstatus: Done...\n"},
        DeblurRunCase{"PatchAtDouble", true, "--zoom 200 --crop 200,120 --three-plane --patch DIR/patch.ppm", 0,
                      {"patch.ppm"}, 256, "status: Done...\n"},
        DeblurRunCase{"FinalIntoFolder", true, "--final DIR/ --circle 200,300,80,50,20", 0, {"photo-DB.dng"}, 0,
                      "status: Saving DNG to disk...\nstatus: Done...\n"},
        DeblurRunCase{"Plugin", true, "--plugin", 0, {"photo-DB.dng", "__exportfromclarivane.txt"}, 0,
                      "status: Processing final result...\n"},
        DeblurRunCase{"MissingFolder", true, "--final DIR/gone", 3, {}, 0,
                      "message: Oops: The auto-save folder doesn't exist...\\n"},
        DeblurRunCase{"EmptyKernel", false, "--final DIR/", 3, {}, 0,
                      "status: Creating preview...\nphoto-run: no final result: the kernel is empty\n"}),
    [](const ::testing::TestParamInfo<DeblurRunCase>& info) { return std::string(info.param.label); });

}  // namespace
