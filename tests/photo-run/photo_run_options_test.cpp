#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "photo_options.h"

namespace {

using Args = std::vector<std::string>;

TEST(PhotoRunOptions, EveryOptionReachesItsField) {
    const photorun::PhotoRunOptions o = photorun::ParsePhotoRunOptions(
        {"--grid", "g.txt", "--grid-mode", "1", "--smoothing", "12", "--lowpass", "3", "--localization", "40",
         "--localization-max", "900", "--mask", "7", "--circle", "10,20,30,40,50", "--circle", "1,2,3,4,5",
         "--three-plane", "--profile", "2", "--brightness", "-13", "--contrast", "61", "--crop", "124,36",
         "--zoom", "200", "--preview", "p.ppm", "--patch", "q.ppm", "--final", "out", "--plugin", "--thumbnail",
         "t.ppm", "--strip-exif", "photo.dng"});
    EXPECT_EQ(o.photo, "photo.dng");
    EXPECT_EQ(o.gridPath, "g.txt");
    EXPECT_EQ(o.engine.gridMode, 1);
    EXPECT_EQ(o.engine.smoothing, 12);
    EXPECT_EQ(o.engine.lowPass, 3);
    EXPECT_EQ(o.engine.localization, 40);
    EXPECT_EQ(o.engine.localizationMax, 900);
    EXPECT_EQ(o.engine.mask, 7);
    ASSERT_EQ(o.engine.circles.size(), 2u);
    EXPECT_EQ(o.engine.circles[0].row, 10);
    EXPECT_EQ(o.engine.circles[0].column, 20);
    EXPECT_EQ(o.engine.circles[1].percent, 5);
    EXPECT_TRUE(o.threePlane);
    EXPECT_EQ(o.profile, 2);
    EXPECT_EQ(o.brightness, -13);
    EXPECT_EQ(o.contrast, 61);
    EXPECT_EQ(o.cropLeft, 124);
    EXPECT_EQ(o.cropTop, 36);
    EXPECT_EQ(o.zoom, 200);
    EXPECT_EQ(o.previewPath, "p.ppm");
    EXPECT_EQ(o.patchPath, "q.ppm");
    EXPECT_EQ(o.finalFolder, "out");
    EXPECT_TRUE(o.plugin);
    EXPECT_EQ(o.thumbnailPath, "t.ppm");
    EXPECT_TRUE(o.stripExif);

    const photorun::PhotoRunOptions bare = photorun::ParsePhotoRunOptions({"a.dng"});
    EXPECT_FALSE(bare.threePlane || bare.plugin || bare.stripExif);
    EXPECT_EQ(bare.zoom, 100);
    EXPECT_FALSE(bare.engine.smoothing.has_value());
}

class PhotoRunBadArguments : public ::testing::TestWithParam<Args> {};

TEST_P(PhotoRunBadArguments, AreRefused) {
    EXPECT_THROW(photorun::ParsePhotoRunOptions(GetParam()), enginerun::UsageError);
}

INSTANTIATE_TEST_SUITE_P(Lines, PhotoRunBadArguments,
                         ::testing::Values(Args{}, Args{"a.dng", "b.dng"}, Args{"a.dng", "--zoom", "150"},
                                           Args{"a.dng", "--zoom", "300"}, Args{"a.dng", "--profile", "4"},
                                           Args{"a.dng", "--brightness", "76"}, Args{"a.dng", "--contrast", "-76"},
                                           Args{"a.dng", "--crop", "12"}, Args{"a.dng", "--crop", "-2,4"},
                                           Args{"a.dng", "--preview"}, Args{"a.dng", "--unknown", "1"},
                                           Args{"a.dng", "--grid-mode", "2"}));

}  // namespace
