#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/test_files.h"
#include "tests/support/tiff_edits.h"
#include "workflow_fixture.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string errors;
};

class PhotoRunCli : public ::testing::Test {
protected:
    ToolRun Tool(const std::string& arguments) const {
        ToolRun run;
        const std::string errors = folder.File("stderr.txt");
        test_support::RunCommand(std::string(PHOTO_RUN_PATH) + " " + arguments + " 2>" + errors, &run.status);
        const std::vector<uint8_t> bytes = test_support::ReadFileBytes(errors);
        run.errors.assign(bytes.begin(), bytes.end());
        return run;
    }

    std::string Header(const std::string& path) const {
        const std::vector<uint8_t> bytes = test_support::ReadFileBytes(path);
        std::string text(bytes.begin(), bytes.end());
        return text.substr(0, text.find('\n', text.find('\n') + 1));
    }

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
    EXPECT_EQ(Header(folder.File("p.ppm")), "P6\n1732 1156");
    EXPECT_EQ(Header(folder.File("t.ppm")), "P6\n320 213");
}

TEST_F(PhotoRunCli, RefusedCameraPrintsItsMessageOnOneLineAndFails) {
    pipelinetest::WriteFixtureFile(folder, "other.dng", pipelinetest::MosaicFixture(16, 12, "Canon EOS 7D"));
    const ToolRun run = Tool(folder.File("other.dng"));
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors.rfind("message: Unsupported camera: Unsupported camera... \\n\\nCurrently Clarivane", 0), 0u)
        << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1);
}

TEST_F(PhotoRunCli, BadArgumentsAndUnreadableGridExitWithTwo) {
    EXPECT_EQ(Tool("").status, 2);
    EXPECT_EQ(Tool(folder.File("a.dng") + " --zoom 150").status, 2);
    pipelinetest::WriteFixtureFile(folder, "ok.dng", pipelinetest::MosaicFixture(16, 12, "Nikon D800"));
    EXPECT_EQ(Tool(folder.File("ok.dng") + " --grid " + folder.File("missing.txt")).status, 2);
    EXPECT_EQ(Tool(folder.File("ok.dng")).status, 0);
}

}  // namespace
