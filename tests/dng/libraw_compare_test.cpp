// Stage-1 raw values against an independent reader (LibRaw) for every real DNG it decodes.
#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include "dng_test_support.h"
#include "tests/support/test_files.h"

namespace {

class LibRawCompare : public ::testing::TestWithParam<const char*> {};

TEST_P(LibRawCompare, Stage1EqualsLibRawRawValues) {
    const std::string path = DngTestFile(GetParam());
    auto loaded = LoadDNG(test_support::ReadFileBytes(path));
    const dng_image& stage1 = *loaded->negative->Stage1Image();
    const std::vector<uint16_t> ours = PlaneSamples(stage1, 0);
    const std::vector<uint16>& table = loaded->negative->GetLinearizationInfo()->fLinearizationTable;

    LibRaw raw;
    ASSERT_EQ(raw.open_file(path.c_str()), LIBRAW_SUCCESS);
    ASSERT_EQ(raw.unpack(), LIBRAW_SUCCESS);
    const libraw_rawdata_t& data = raw.imgdata.rawdata;
    ASSERT_NE(data.raw_image, nullptr) << "LibRaw did not give a one-sample mosaic";
    ASSERT_EQ(raw.imgdata.sizes.raw_width, stage1.Width());
    ASSERT_EQ(raw.imgdata.sizes.raw_height, stage1.Height());
    const size_t pitch = raw.imgdata.sizes.raw_pitch / 2;

    // LibRaw delivers values through the file's linearization table; stage 1 holds the stored values.
    size_t mismatches = 0;
    for (uint32_t r = 0; r < stage1.Height(); ++r)
        for (uint32_t c = 0; c < stage1.Width(); ++c) {
            uint16_t v = ours[size_t(r) * stage1.Width() + c];
            if (!table.empty()) v = table[std::min<size_t>(v, table.size() - 1)];
            if (v != data.raw_image[r * pitch + c] && mismatches++ < 5)
                ADD_FAILURE() << "row " << r << " col " << c << ": ours " << v << ", LibRaw "
                              << data.raw_image[r * pitch + c];
        }
    EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, LibRawCompare,
                         ::testing::Values("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng",
                                           "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng",
                                           "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng"));

}  // namespace
