#include <gtest/gtest.h>
#include <algorithm>

#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "tests/support/test_files.h"
#include "tests/support/tiff_edits.h"

namespace {

// A real 550D frame whose firmware wrote the Japanese model name; renamed in
// place to the supported one.
std::string RenamedRealPhoto(const test_support::TempFolder& folder) {
    const std::vector<uint8_t> original = test_support::ReadFileBytes(
        test_support::TestData("dng/canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng"));
    const std::vector<uint8_t> renamed = test_support::WithUniqueCameraModel(original, "Canon EOS 550D");
    EXPECT_EQ(renamed.size(), original.size());
    const std::string path = folder.File("IMG_0550.dng");
    test_support::WriteFileBytes(path, renamed);
    return path;
}

TEST(RealPhoto, RenamedModelBrowsesAndOpensWithActiveAreaPreviewAndThumbnail) {
    test_support::TempFolder folder;
    const std::string path = RenamedRealPhoto(folder);
    pipeline::HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();

    EXPECT_TRUE(convert.ReadPreviewDNG(path));
    EXPECT_EQ(window.modelText, "from: Canon EOS 550D");
    EXPECT_EQ(window.browser.Width(), 0) << "the file stores no preview";

    ASSERT_TRUE(convert.ProcessDNG(path, "IMG_0550.dng"));
    EXPECT_TRUE(convert.HasOpenDNG());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(convert.CameraCode, 12);
    // ActiveArea 26 152 1182 1886: 1156 rows, 1734 columns shown 1732 wide.
    EXPECT_EQ(convert.ActiveTop, 26);
    EXPECT_EQ(convert.ActiveLeft, 152);
    EXPECT_EQ(window.preview.Width(), 1732);
    EXPECT_EQ(window.preview.Height(), 1156);
    ASSERT_NE(convert.Thumbnail.fImage, nullptr);
    EXPECT_EQ(convert.Thumbnail.fImage->Width(), 320u);
    EXPECT_EQ(convert.Thumbnail.fImage->Height(), 213u);
    ASSERT_NE(convert.RawCache, nullptr);
    EXPECT_EQ(convert.RawCache->Width(), 1888u);
    EXPECT_EQ(convert.RawCache->Height(), 1182u);

    // The colour chart is not a flat picture: the preview spans dark and light.
    const uint8_t* bits = window.preview.Bits();
    const auto [low, high] = std::minmax_element(bits, bits + window.preview.ByteSize());
    EXPECT_LT(*low, 40);
    EXPECT_GT(*high, 150);
}

TEST(RealPhoto, OriginalModelNameIsRefused) {
    pipeline::HeadlessWindow window;
    const std::string original =
        test_support::TestData("dng/canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng");
    EXPECT_FALSE(window.Convert().ProcessDNG(original, "colorchart.dng"));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].caption, "Unsupported camera");
}

}  // namespace
