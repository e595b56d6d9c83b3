#include <gtest/gtest.h>

#include "pgm_image.h"
#include "tests/support/test_files.h"

namespace {

using enginerun::FileError;
using enginerun::ParsePgm;
using enginerun::PgmImage;

TEST(Pgm, ReadsEightBitSamplesAfterCommentsAndOneBlank) {
    const PgmImage image = ParsePgm(std::string("P5\n# made by hand\n3 2\n# max\n200\n") + "\x01\x02\x03\x0A\x0B\xC8");
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.maxValue, 200);
    EXPECT_EQ(image.samples, (std::vector<uint16_t>{1, 2, 3, 10, 11, 200}));
    // Sample bytes that look like blanks are data.
    EXPECT_EQ(ParsePgm(std::string("P5 2 1 255 ") + "\x20\x0A").samples, (std::vector<uint16_t>{0x20, 0x0A}));
}

TEST(Pgm, ReadsSixteenBitSamplesBigEndian) {
    const PgmImage image = ParsePgm(std::string("P5\n2 1\n65535\n") + std::string("\x12\x34\xFF\x00", 4));
    EXPECT_FALSE(image.IsEightBit());
    EXPECT_EQ(image.samples, (std::vector<uint16_t>{0x1234, 0xFF00}));
}

TEST(Pgm, RefusesBrokenFiles) {
    for (const std::string& bytes : {
             std::string("P2\n1 1\n255\n1"),
             std::string("P5\n1 1\n255\n"),  // no sample
             std::string("P5\n2 2\n4095\n") + std::string(7, '\0'),
             std::string("P5\n0 1\n255\nx"),
             std::string("P5\n1 1\n0\nx"),
             std::string("P5\n1 1\n65536\nxx"),
             std::string("P5\n1 1\n255"),
             std::string("P5\n99999999999999999999 1\n255\nx"),
             std::string("P5\n2000000 2000000\n255\nx"),
             std::string("P5\n1 1\n100\n") + "\x65",  // above the maximum
         })
        EXPECT_THROW(ParsePgm(bytes), FileError) << bytes;
}

TEST(Pgm, WrittenFilesReadBackInBothDepths) {
    const test_support::TempFolder folder;
    const std::string path = folder.File("round_trip.pgm");
    for (int maxValue : {255, 40000}) {
        const PgmImage image{3, 2, maxValue, {0, 1, 100, 255, uint16_t(maxValue / 2), uint16_t(maxValue)}};
        enginerun::WritePgm(path, image);
        const PgmImage back = enginerun::ReadPgm(path);
        EXPECT_EQ(back.width, 3);
        EXPECT_EQ(back.height, 2);
        EXPECT_EQ(back.maxValue, maxValue);
        EXPECT_EQ(back.samples, image.samples);
        const std::string header = "P5\n3 2\n" + std::to_string(maxValue) + "\n";
        EXPECT_EQ(test_support::ReadFileBytes(path).size(), header.size() + 6 * (maxValue < 256 ? 1 : 2));
    }
    EXPECT_THROW(enginerun::ReadPgm(folder.File("missing.pgm")), FileError);
}

}  // namespace
