// Stage-1 raw values against an independent reader (LibRaw) for every real DNG it decodes.
#include <gtest/gtest.h>

#include "dng_test_support.h"
#include "libraw_values.h"
#include "tests/support/test_files.h"

namespace {

class LibRawCompare : public ::testing::TestWithParam<const char*> {};

TEST_P(LibRawCompare, Stage1EqualsLibRawRawValues) {
    const std::string path = DngTestFile(GetParam());
    auto loaded = LoadDNG(test_support::ReadFileBytes(path));
    const dng_image& stage1 = *loaded->negative->Stage1Image();
    uint32_t width = 0, height = 0;
    const std::vector<uint16_t> theirs = LibRawValues(path, &width, &height);
    ASSERT_EQ(width, stage1.Width());
    ASSERT_EQ(height, stage1.Height());
    ASSERT_FALSE(theirs.empty()) << "LibRaw did not give a one-sample mosaic";

    // LibRaw delivers values through the file's linearization table; stage 1 holds the stored values.
    std::vector<uint16_t> ours = PlaneSamples(stage1, 0);
    const std::vector<uint16>& table = loaded->negative->GetLinearizationInfo()->fLinearizationTable;
    if (!table.empty())
        for (uint16_t& v : ours) v = table[std::min<size_t>(v, table.size() - 1)];
    size_t mismatches = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        if (ours[i] != theirs[i] && mismatches++ < 5)
            ADD_FAILURE() << "row " << i / width << " col " << i % width << ": ours " << ours[i] << ", LibRaw " << theirs[i];
    EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, LibRawCompare,
                         ::testing::Values("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng",
                                           "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng",
                                           "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng"));

}  // namespace
