// Real and synthetic DNGs written through dng-tool, as the program saves a photo, and checked by
// independent readers: LibRaw's raw values, exiftool's tags and the digest, and the layer's own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "dng_test_support.h"
#include "exiftool_tags.h"
#include "fixture_writer.h"
#include "libraw_values.h"
#include "tests/support/test_files.h"

namespace {

using test_support::RunCommand;

// 14-bit with an active area, crop, black pattern and deltas, green split and opcode lists. (The real files
// bring big-endian lossless-JPEG tiles and a linearization table; the packed fixture 10-bit samples in one
// strip, BGGR and no UniqueCameraModel.)
FixtureOptions Fixture() {
    FixtureOptions s;
    s.width = 64;
    s.height = 48;
    s.bits = 14;
    s.samples = PatternSamples(s.width, s.height, 1, s.bits, 9);
    s.asShotNeutral = {0.45, 1.0, 0.62};
    s.whiteLevel = {16383};
    s.activeArea = {2, 4, 48, 64};
    s.defaultCrop = {2, 2, 56, 40};
    s.blackRepeatRows = s.blackRepeatCols = 2;
    s.blackLevel = {512, 514.5, 516, 518.25};
    s.blackDeltaH = std::vector<double>(60, 0.0);
    s.blackDeltaH[3] = 1.5;
    s.blackDeltaV = std::vector<double>(46, -0.5);
    s.bayerGreenSplit = 250;
    s.opcodeList[0] = OpcodeListBytes({{99, 0x01040000, 1, {4, 5}}});
    s.opcodeList[1] = OpcodeListBytes({{9, 0x01030000, 1, std::vector<uint8_t>(40, 7)}});
    s.opcodeList[2] = OpcodeListBytes(
        {{1, 0x01030000, 0, WarpRectilinearParameters({{{1.0, 0.02}}}, 0.5, 0.5)}, {77, 0x01040000, 1, {1, 2, 3}}});
    return s;
}

class WrittenThroughTool : public ::testing::TestWithParam<DngSource> {};

TEST_P(WrittenThroughTool, EqualsTheSourceForLibRawExifToolAndTheLayer) {
    const test_support::TempFolder temp;
    const std::string written = temp.File("out.dng");
    const std::string source = GetParam().Path(temp.Path());
    int status = -1;
    const std::string output =
        RunCommand(std::string("'") + DNG_TOOL + "' write '" + source + "' '" + written + "'", &status);
    ASSERT_EQ(status, 0) << output;

    // LibRaw's raw values equal what was meant: the synthetic samples, or LibRaw's reading of the real
    // source (which applies any linearization table to both alike).
    const std::vector<uint16_t> expected = GetParam().realFile ? LibRawValues(source) : GetParam().fixture.samples;
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(LibRawValues(written) == expected) << "raw values differ";

    // The layer validates the new digest; it is an independent MD5 of the samples, the source's when it had one.
    auto back = LoadDNG(test_support::ReadFileBytes(written));
    auto original = LoadDNG(test_support::ReadFileBytes(source));
    const std::vector<uint16_t> samples = InterleavedSamples(*original->negative->Stage1Image());
    EXPECT_EQ(InterleavedSamples(*back->negative->Stage1Image()), samples);
    if (!original->negative->RawImageDigest().IsNull()) {
        EXPECT_EQ(back->negative->RawImageDigest(), original->negative->RawImageDigest());
    }
    EXPECT_EQ(back->negative->OpcodeList1().Spool(), original->negative->OpcodeList1().Spool());
    EXPECT_EQ(back->negative->OpcodeList2().Spool(), original->negative->OpcodeList2().Spool());
    EXPECT_EQ(back->negative->OpcodeList3().Spool(), original->negative->OpcodeList3().Spool());
    // The thumbnail's longer side is 320, also for a smaller photo.
    EXPECT_EQ(std::max(back->info.fIFD[0]->fImageWidth, back->info.fIFD[0]->fImageLength), 320u);
    // Warnings the source already had (e.g. a camera's malformed date) may remain; nothing new.
    const std::string sourceProblems = ExifToolProblems(source);
    std::istringstream problems(ExifToolProblems(written));
    for (std::string line; std::getline(problems, line);) EXPECT_NE(sourceProblems.find(line), std::string::npos);
    const auto sourceTags = ExifToolTags(source);
    const auto writtenTags = ExifToolTags(written);
    dng_fingerprint digest;
    const std::vector<uint8_t> md5 = RawDigest(samples);
    std::copy(md5.begin(), md5.end(), digest.data);
    EXPECT_EQ(writtenTags.at("IFD:RawImageDigest"), digest.ToHex());
    EXPECT_EQ(writtenTags.at("IFD:PreviewColorSpace"), "2");
    const char* carried[] = {
        "ColorMatrix1", "ColorMatrix2", "CameraCalibration1", "CameraCalibration2", "AsShotNeutral", "AsShotWhiteXY",
        "AnalogBalance", "BaselineExposure", "CFARepeatPatternDim", "CFAPattern2", "BlackLevelRepeatDim", "BlackLevel",
        "BlackLevelDeltaH", "BlackLevelDeltaV", "WhiteLevel", "DefaultCropOrigin", "DefaultCropSize", "DefaultScale",
        "ActiveArea", "LinearizationTable", "BayerGreenSplit", "CalibrationIlluminant1", "CalibrationIlluminant2",
        "UniqueCameraModel", "Make", "Model", "Software", "Orientation", "DNGPrivateData", "CameraSerialNumber",
        "LensInfo", "ExposureTime", "ISO", "FrameRate", "TimeCodes", "TIFF-EPStandardID"};
    for (const char* name : carried) {
        const auto it = sourceTags.find(std::string("IFD:") + name);
        // An undefined value (0/0) reads back as 0; an empty text tag is not written.
        if (it == sourceTags.end() || it->second == "undef" || it->second.empty()) continue;
        EXPECT_EQ(writtenTags.count(it->first) ? writtenTags.at(it->first) : "missing", it->second) << name;
    }
    for (const auto& [key, value] : sourceTags) {
        if (key.rfind("ExifIFD:", 0) != 0 && key.rfind("GPS:", 0) != 0 && key.rfind("XMP", 0) != 0) continue;
        if (key == "ExifIFD:ExifByteOrder") continue;
        EXPECT_EQ(writtenTags.count(key) ? writtenTags.at(key) : "missing", value) << key;
    }
}

const DngSource kSources[] = {
    {"Canon550D", "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng", {}},
    {"Blackmagic", "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng", {}},
    {"PackedBGGR", nullptr, PackedBGGRFixture(211, 130)},
    {"Synthetic", nullptr, Fixture()}};

INSTANTIATE_TEST_SUITE_P(Sources, WrittenThroughTool, ::testing::ValuesIn(kSources),
                         [](const ::testing::TestParamInfo<DngSource>& info) { return std::string(info.param.name); });

}  // namespace
