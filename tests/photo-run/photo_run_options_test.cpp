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
    EXPECT_EQ(o.photo + " " + o.gridPath + " " + o.previewPath + " " + o.patchPath + " " + o.finalFolder + " " +
                  o.thumbnailPath,
              "photo.dng g.txt p.ppm q.ppm out t.ppm");
    EXPECT_EQ((std::vector<int>{o.engine.gridMode, *o.engine.smoothing, *o.engine.lowPass, *o.engine.localization,
                                *o.engine.localizationMax, *o.engine.mask, o.profile, o.brightness, o.contrast,
                                o.cropLeft, o.cropTop, o.zoom}),
              (std::vector<int>{1, 12, 3, 40, 900, 7, 2, -13, 61, 124, 36, 200}));
    ASSERT_EQ(o.engine.circles.size(), 2u);
    EXPECT_EQ((std::vector<int>{o.engine.circles[0].row, o.engine.circles[0].column, o.engine.circles[1].percent}),
              (std::vector<int>{10, 20, 5}));
    EXPECT_TRUE(o.threePlane && o.plugin && o.stripExif);

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
