#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "dng/dng_exceptions.h"
#include "pass_helpers.h"
#include "pipeline/module_loaded.h"

namespace pipelinetest {
namespace {

int Raw(int r, int c) { return (r * 31 + c * 17) % 4000; }

// A negative holding a 600 x 700 raw image with levels that leave values unchanged.
std::unique_ptr<SyntheticNegative> WholePhoto() {
    auto negative = SyntheticNegative::WithMosaic(MakePlane(600, 700, Raw));
    negative->Linearization().fActiveArea = dng_rect(0, 0, 600, 700);
    return negative;
}

// Maps a file named Tonewick.exe into the process for the lifetime of the object.
class MappedTonewick {
public:
    MappedTonewick() {
        test_support::WriteFileBytes(folder_.File("Tonewick.exe"), {'M', 'Z'});
        const int fd = open(folder_.File("Tonewick.exe").c_str(), O_RDONLY);
        address_ = mmap(nullptr, 2, PROT_READ, MAP_PRIVATE, fd, 0);
        close(fd);
    }
    ~MappedTonewick() { munmap(address_, 2); }

private:
    test_support::TempFolder folder_;
    void* address_;
};

TEST(Stage2Test, ResultBoxFollowsTheResultScaleAndTonewickInTheProcessShortensIt) {
    EXPECT_EQ(TWKNegative::ResultBoxSize(1.0), 512);
    EXPECT_EQ(TWKNegative::ResultBoxSize(2.0), 256);
    EXPECT_THROW(TWKNegative::ResultBoxSize(0.0), dng_exception);

    TWKHost host;
    for (const double scale : {1.0, 2.0}) {
        const int box = TWKNegative::ResultBoxSize(scale);
        const auto build = [&] {
            auto negative = WholePhoto();
            negative->fResultScale = scale;
            negative->CropStage1(host, 6, 4, box, box);
            negative->BuildStage2Image(host);
            return negative;
        };
        EXPECT_FALSE(pipeline::IsModuleLoaded("Tonewick.exe"));
        const auto negative = build();
        EXPECT_EQ(negative->Stage2Image()->Height(), uint32(box));
        EXPECT_EQ(negative->Stage2Image()->Width(), uint32(box));
        EXPECT_EQ(At(*negative->Stage2Image(), 0, 0), Raw(4, 6));
        EXPECT_EQ(At(*negative->Stage2Image(), box - 1, box - 1), Raw(4 + box - 1, 6 + box - 1));

        const MappedTonewick module;
        ASSERT_TRUE(pipeline::IsModuleLoaded("Tonewick.exe"));
        const auto shortened = build();
        EXPECT_EQ(shortened->Stage2Image()->Height(), uint32(472 / scale));
        EXPECT_EQ(shortened->Stage2Image()->Width(), uint32(box));
    }
    EXPECT_FALSE(pipeline::IsModuleLoaded("Tonewick.exe"));
}

TEST(Stage2Test, WholePhotoKeepsTheFilesActiveArea) {
    TWKHost host;
    auto negative = WholePhoto();
    negative->Linearization().fActiveArea = dng_rect(2, 4, 300, 700);
    negative->BuildStage2Image(host);
    EXPECT_EQ(negative->Stage2Image()->Height(), 298u);
    EXPECT_EQ(negative->Stage2Image()->Width(), 696u);
    EXPECT_EQ(At(*negative->Stage2Image(), 0, 0), Raw(2, 4));
    EXPECT_EQ(negative->Stage1Image(), nullptr);

    // Smaller than the result box and without an active area: all of it.
    auto small = SyntheticNegative::Make();
    small->SetStage1(MakePlane(100, 120, Raw));
    small->BuildStage2Image(host);
    EXPECT_EQ(small->Stage2Image()->Height(), 100u);
    EXPECT_EQ(small->Stage2Image()->Width(), 120u);
}

TEST(Stage2Test, LinearizationTableIsNeverApplied) {
    TWKHost host;
    auto negative = SyntheticNegative::Make();
    negative->SetStage1(MakePlane({{0, 1, 500, 1000, 1200}}));
    dng_linearization_info& linearization = negative->Linearization();
    linearization.fWhiteLevel[0] = 1000;
    linearization.fLinearizationTable.assign(4096, 0);
    for (int x = 0; x < 4096; ++x) linearization.fLinearizationTable[x] = uint16(4095 - x);
    negative->BuildStage2Image(host);

    // Without the table: x / 1000 of full scale, rounded; 1200 is clipped.
    EXPECT_EQ(At(*negative->Stage2Image(), 0, 0), 0);
    EXPECT_EQ(At(*negative->Stage2Image(), 0, 1), 66);     // 65.535
    EXPECT_EQ(At(*negative->Stage2Image(), 0, 2), 32768);  // 32767.5
    EXPECT_EQ(At(*negative->Stage2Image(), 0, 3), 65535);
    EXPECT_EQ(At(*negative->Stage2Image(), 0, 4), 65535);
    EXPECT_TRUE(negative->GetLinearizationInfo()->fLinearizationTable.empty());
}

TEST(Stage2Test, RealFileWithATableLinearizesByBlackAndWhiteAlone) {
    RealPhoto photo("blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng");
    dng_negative* negative = photo.negative;
    ASSERT_EQ(negative->GetLinearizationInfo()->fLinearizationTable.size(), 4096u);
    const AutoPtr<dng_image> raw = negative->Stage1Image()->Clone();
    negative->BuildStage2Image(photo.host);

    // Black 256, white 51080, no table: (x - 256) / 50824 of full scale, rounded, held to 0..65535.
    dng_image_plane16 in(*raw);
    dng_image_plane16 out(*negative->Stage2Image());
    ASSERT_EQ(out.Height(), in.Height());
    ASSERT_EQ(out.Width(), in.Width());
    int mismatches = 0;
    for (int r = 0; r < in.Height(); ++r)
        for (int c = 0; c < in.Width(); ++c) {
            const double x = std::min(std::max((in.Row(r)[c] - 256.0) / 50824.0, 0.0), 1.0);
            mismatches += out.Row(r)[c] != int(x * 65535.0 + 0.5);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(Stage2Test, ModuleTestReadsTheFileNameOfEachMapping) {
    std::istringstream maps(
        "00400000-00452000 r-xp 00000000 08:02 173521      /usr/bin/dbus-daemon\n"
        "7f1c-7f1d r--p 00000000 08:02 99 /opt/old tools/TONEWICK.EXE (deleted)\n");
    EXPECT_TRUE(pipeline::MapsListModule(maps, "Tonewick.exe"));
    std::istringstream others(
        "7f1c-7f1d r--p 00000000 08:02 99 /opt/Tonewick.exe.bak\n"
        "7f1e-7f1f rw-p 00000000 00:00 0 [heap]\n"
        "7f20-7f21 rw-p 00000000 00:00 0\n");
    EXPECT_FALSE(pipeline::MapsListModule(others, "Tonewick.exe"));
}

TEST(Stage2Test, EightBitRawExpandsBySquareLaw) {
    auto negative = SyntheticNegative::Make();
    negative->SetStage1(MakePlane({{255, 1, 2, 0, 3, 100}}));
    negative->ExpandEightBitRaw();
    const int expected[] = {16256, 0, 1, 0, 2, 2500};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(At(*negative->Stage1Image(), 0, c), expected[c]) << c;
}

TEST(Stage2Test, CropKeepsTheSampleOfItsTopLeftSiteAtEvenAndOddOriginsAndStaysInside) {
    TWKHost host;
    for (const auto& origin : {std::make_pair(2, 4), std::make_pair(3, 5)}) {
        auto negative = WholePhoto();
        negative->CropStage1(host, origin.second, origin.first, 7, 5);
        const dng_image& cropped = *negative->Stage1Image();
        EXPECT_EQ(cropped.Width(), 7u);
        EXPECT_EQ(cropped.Height(), 5u);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 7; ++c)
                ASSERT_EQ(At(*negative->Stage1Image(), r, c), Raw(origin.first + r, origin.second + c));
    }
    EXPECT_THROW(WholePhoto()->CropStage1(host, 600, 0, 512, 512), dng_exception);  // reaches outside
}

TEST(Stage2Test, StageTwoCopiedToStageThreeStaysItsOwn) {
    auto negative = SyntheticNegative::Make();
    negative->SetStage2Image(MakePlane(2, 3, [](int r, int c) { return r + c; }));
    negative->CopyStage2ToStage3();
    ASSERT_NE(negative->Stage3Image(), nullptr);
    EXPECT_NE(negative->Stage3Image(), negative->Stage2Image());
    EXPECT_EQ(At(*negative->Stage3Image(), 1, 2), 3);
}

}  // namespace
}  // namespace pipelinetest
