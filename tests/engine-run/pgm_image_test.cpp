#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "pgm_image.h"

namespace {

using enginerun::FileError;
using enginerun::ParsePgm;
using enginerun::PgmImage;

TEST(Pgm, ReadsEightBitSamplesAfterCommentsAndOneBlank) {
    const std::string bytes = std::string("P5\n# made by hand\n3 2\n# max\n200\n") + "\x01\x02\x03\x0A\x0B\xC8";
    const PgmImage image = ParsePgm(bytes);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.maxValue, 200);
    EXPECT_TRUE(image.IsEightBit());
    EXPECT_EQ(image.samples, (std::vector<uint16_t>{1, 2, 3, 10, 11, 200}));
}

TEST(Pgm, SampleBytesThatLookLikeBlanksAreData) {
    const std::string bytes = std::string("P5 2 1 255 ") + "\x20\x0A";
    EXPECT_EQ(ParsePgm(bytes).samples, (std::vector<uint16_t>{0x20, 0x0A}));
}

TEST(Pgm, ReadsSixteenBitSamplesBigEndian) {
    const std::string bytes = std::string("P5\n2 1\n65535\n") + std::string("\x12\x34\xFF\x00", 4);
    const PgmImage image = ParsePgm(bytes);
    EXPECT_FALSE(image.IsEightBit());
    EXPECT_EQ(image.samples, (std::vector<uint16_t>{0x1234, 0xFF00}));
}

TEST(Pgm, RefusesBrokenFiles) {
    EXPECT_THROW(ParsePgm("P2\n1 1\n255\n1"), FileError);
    EXPECT_THROW(ParsePgm("P5\n1 1\n255\n"), FileError);  // no sample
    EXPECT_THROW(ParsePgm(std::string("P5\n2 2\n4095\n") + std::string(7, '\0')), FileError);
    EXPECT_THROW(ParsePgm("P5\n0 1\n255\nx"), FileError);
    EXPECT_THROW(ParsePgm("P5\n1 1\n0\nx"), FileError);
    EXPECT_THROW(ParsePgm("P5\n1 1\n65536\nxx"), FileError);
    EXPECT_THROW(ParsePgm("P5\n1 1\n255"), FileError);
    EXPECT_THROW(ParsePgm("P5\n99999999999999999999 1\n255\nx"), FileError);
    EXPECT_THROW(ParsePgm("P5\n2000000 2000000\n255\nx"), FileError);
    EXPECT_THROW(ParsePgm(std::string("P5\n1 1\n100\n") + "\x65"), FileError);  // above the maximum
}

TEST(Pgm, WrittenFilesReadBackInBothDepths) {
    const std::string path =
        (std::filesystem::path(::testing::TempDir()) / ("pgm_round_trip_" + std::to_string(getpid()) + ".pgm")).string();
    for (int maxValue : {255, 40000}) {
        PgmImage image;
        image.width = 3;
        image.height = 2;
        image.maxValue = maxValue;
        image.samples = {0, 1, 100, 255, uint16_t(maxValue / 2), uint16_t(maxValue)};
        enginerun::WritePgm(path, image);
        const PgmImage back = enginerun::ReadPgm(path);
        EXPECT_EQ(back.width, 3);
        EXPECT_EQ(back.height, 2);
        EXPECT_EQ(back.maxValue, maxValue);
        EXPECT_EQ(back.samples, image.samples);
        EXPECT_EQ(std::filesystem::file_size(path), std::string(maxValue < 256 ? "P5\n3 2\n255\n" : "P5\n3 2\n40000\n").size() +
                                                     image.samples.size() * (maxValue < 256 ? 1 : 2));
    }
    std::filesystem::remove(path);
    EXPECT_THROW(enginerun::ReadPgm(path), FileError);
}

}  // namespace
