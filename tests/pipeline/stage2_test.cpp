#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

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
struct MappedTonewick {
    MappedTonewick() {
        test_support::WriteFileBytes(folder.File("Tonewick.exe"), {'M', 'Z'});
        const int fd = open(folder.File("Tonewick.exe").c_str(), O_RDONLY);
        address = mmap(nullptr, 2, PROT_READ, MAP_PRIVATE, fd, 0);
        close(fd);
    }
    ~MappedTonewick() { munmap(address, 2); }
    test_support::TempFolder folder;
    void* address;
};

TEST(Stage2Test, ResultBoxFollowsTheResultScaleAndTonewickInTheProcessShortensIt) {
    EXPECT_THROW(TWKNegative::ResultBoxSize(0.0), dng_exception);
    TWKHost host;
    for (const int box : {512, 256}) {
        const double scale = 512.0 / box;
        const auto build = [&] {
            auto negative = WholePhoto();
            negative->fResultScale = scale;
            negative->CropStage1(host, 6, 4, box, box);
            negative->BuildStage2Image(host);
            return negative;
        };
        EXPECT_FALSE(pipeline::IsModuleLoaded("Tonewick.exe"));
        const auto negative = build();
        EXPECT_EQ(negative->Stage2Image()->Bounds(), dng_rect(box, box));
        EXPECT_EQ(At(*negative->Stage2Image(), 0, 0), Raw(4, 6));
        EXPECT_EQ(At(*negative->Stage2Image(), box - 1, box - 1), Raw(4 + box - 1, 6 + box - 1));

        const MappedTonewick module;
        ASSERT_TRUE(pipeline::IsModuleLoaded("Tonewick.exe"));
        const auto shortened = build();
        EXPECT_EQ(shortened->Stage2Image()->Bounds(), dng_rect(int32(472 / scale), box));
    }
    EXPECT_FALSE(pipeline::IsModuleLoaded("Tonewick.exe"));
}

// Only a window cut for the patch takes the result box; a whole raw image no
// wider or taller than the box keeps the file's active area, and its window
// of a photo smaller than the box is the whole window.
TEST(Stage2Test, SmallWholeImageKeepsItsActiveAreaAndItsWindowIsWhole) {
    TWKHost host;
    struct Case {
        int rows, columns;
        dng_rect active;
    };
    const Case cases[] = {{700, 301, dng_rect(0, 0, 700, 301)},
                          {306, 412, dng_rect(2, 8, 302, 408)},
                          {511, 255, dng_rect(3, 1, 510, 254)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + " x " + std::to_string(c.rows));
        auto whole = SyntheticNegative::WithMosaic(MakePlane(c.rows, c.columns, Raw));
        whole->Linearization().fActiveArea = c.active;
        whole->BuildStage2Image(host);
        EXPECT_EQ(whole->Stage2Image()->Bounds(), dng_rect(c.active.H(), c.active.W()));
        EXPECT_EQ(At(*whole->Stage2Image(), 0, 0), Raw(c.active.t, c.active.l));

        auto window = SyntheticNegative::WithMosaic(MakePlane(c.rows, c.columns, Raw));
        window->Linearization().fActiveArea = c.active;
        window->CropStage1(host, c.active.l, c.active.t, int32(c.active.W()), int32(std::min(c.active.H(), 512u)));
        window->BuildStage2Image(host);
        EXPECT_EQ(window->Stage2Image()->Bounds(), dng_rect(std::min(c.active.H(), 512u), c.active.W()));
        EXPECT_EQ(At(*window->Stage2Image(), 0, 0), Raw(c.active.t, c.active.l));
    }
}

TEST(Stage2Test, RealFileWithATableLinearizesByBlackAndWhiteAlone) {
    const std::unique_ptr<LoadedDNG> photo = LoadRealPhoto("blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng");
    dng_negative* negative = photo->negative.get();
    ASSERT_EQ(negative->GetLinearizationInfo()->fLinearizationTable.size(), 4096u);
    const AutoPtr<dng_image> raw = negative->Stage1Image()->Clone();
    negative->BuildStage2Image(photo->host);

    // Black 256, white 51080, no table: (x - 256) / 50824 of full scale, rounded, held to 0..65535.
    dng_image_plane16 in(*raw);
    dng_image_plane16 out(*negative->Stage2Image());
    ASSERT_EQ(negative->Stage2Image()->Bounds(), raw->Bounds());
    int mismatches = 0;
    for (int r = 0; r < in.Height(); ++r)
        for (int c = 0; c < in.Width(); ++c) {
            const double x = std::min(std::max((in.Row(r)[c] - 256.0) / 50824.0, 0.0), 1.0);
            mismatches += out.Row(r)[c] != int(x * 65535.0 + 0.5);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(Stage2Test, EightBitRawExpandsBySquareLaw) {
    auto negative = SyntheticNegative::Make();
    const int raw[] = {255, 1, 2, 0, 3, 100};
    negative->SetStage1(MakePlane(1, 6, [&](int, int c) { return raw[c]; }));
    negative->ExpandEightBitRaw();
    const int expected[] = {16256, 0, 1, 0, 2, 2500};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(At(*negative->Stage1Image(), 0, c), expected[c]) << c;
}

// The window comes from stage 1 itself or, for a patch, from the cached raw image
// (other samples here), which stays as it is.
TEST(Stage2Test, CropKeepsTheSampleOfItsTopLeftSiteAtEvenAndOddOriginsAndStaysInside) {
    TWKHost host;
    const auto cached = [](int r, int c) { return (r * 13 + c * 29) % 4000; };
    const AutoPtr<dng_image> cache = MakePlane(600, 700, cached);
    for (const bool fromCache : {false, true})
        for (const auto& origin : {std::make_pair(2, 4), std::make_pair(3, 5)}) {
            auto negative = WholePhoto();
            if (fromCache)
                negative->InstallStage1Crop(host, *cache, origin.second, origin.first, 7, 5);
            else
                negative->CropStage1(host, origin.second, origin.first, 7, 5);
            EXPECT_EQ(negative->Stage1Image()->Bounds(), dng_rect(5, 7));
            for (int r = 0; r < 5; ++r)
                for (int c = 0; c < 7; ++c) {
                    const int row = origin.first + r, col = origin.second + c;
                    ASSERT_EQ(At(*negative->Stage1Image(), r, c), fromCache ? cached(row, col) : Raw(row, col));
                }
        }
    EXPECT_EQ(cache->Bounds(), dng_rect(600, 700));
    EXPECT_EQ(At(*cache, 599, 699), cached(599, 699));
    EXPECT_THROW(WholePhoto()->CropStage1(host, 600, 0, 512, 512), dng_exception);                 // reaches outside
    EXPECT_THROW(WholePhoto()->InstallStage1Crop(host, *cache, 0, 600, 512, 512), dng_exception);  // reaches outside
}

}  // namespace
}  // namespace pipelinetest
