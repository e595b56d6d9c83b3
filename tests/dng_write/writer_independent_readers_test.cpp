// Files written by the layer as LibRaw and exiftool see them: raw values equal the source's,
// exiftool reads them without errors, and the source's tags are carried.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "dng/dng_image_writer.h"
#include "dng_test_support.h"
#include "fixture_writer.h"
#include "libraw_values.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using test_support::RunCommand;
using test_support::TempFolder;
using test_support::WriteFileBytes;

// exiftool's tags of a file as "Group:Tag" → value (numbers unformatted).
std::map<std::string, std::string> ExifToolTags(const std::string& path, const std::string& selection) {
    const std::string text = RunCommand("exiftool -s -n -G1 -a " + selection + " '" + path + "'");
    std::map<std::string, std::string> tags;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t close = line.find(']');
        const size_t colon = line.find(" : ");
        if (line.empty() || line[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
        std::string name = line.substr(close + 1, colon - close - 1);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        const std::string group = line.substr(1, close - 1);
        tags[(group.rfind("SubIFD", 0) == 0 || group == "IFD0" ? std::string("IFD") : group) + ":" + name] =
            line.substr(colon + 3);
    }
    return tags;
}

std::string ExifToolProblems(const std::string& path) {
    return RunCommand("exiftool -validate -error -warning -a -s '" + path + "' | grep -E 'Error|Warning' || true");
}

// Writes `source` to `written` with dng-tool, as the program saves a photo.
void WriteThroughTool(const std::string& source, const std::string& written) {
    int status = -1;
    const std::string output = RunCommand(std::string("'") + DNG_TOOL + "' write '" + source + "' '" + written + "'", &status);
    ASSERT_EQ(status, 0) << output;
}

class SyntheticThroughTool : public ::testing::TestWithParam<bool> {};

TEST_P(SyntheticThroughTool, ReadsInLibRawAndExifTool) {
    FixtureOptions options;
    options.width = 64;
    options.height = 48;
    options.bits = 14;
    options.samples = PatternSamples(options.width, options.height, 1, 14, 9);
    options.whiteLevel = {16383};
    options.blackLevel = {128};
    options.asShotNeutral = {0.45, 1.0, 0.62};
    if (GetParam()) {  // big-endian lossless JPEG tiles
        options.bigEndian = true;
        options.compression = 7;
        options.tiled = true;
        options.tileWidth = 32;
        options.tileLength = 16;
        options.ljpegTwoColumnsPerPixel = true;
    }
    const TempFolder temp;
    const std::string path = temp.File("written.dng");
    WriteFileBytes(temp.File("synthetic.dng"), WriteFixtureDNG(options));
    ASSERT_NO_FATAL_FAILURE(WriteThroughTool(temp.File("synthetic.dng"), path));

    EXPECT_EQ(LibRawValues(path), options.samples);
    EXPECT_EQ(ExifToolProblems(path), "");
    const auto tags = ExifToolTags(path, "");
    EXPECT_EQ(tags.at("IFD:CFAPattern2"), "0 1 1 2");
    EXPECT_EQ(tags.at("IFD:BlackLevel"), "128");
    EXPECT_EQ(tags.at("IFD:WhiteLevel"), "16383");
    EXPECT_EQ(tags.at("IFD:AsShotNeutral"), "0.45 1 0.62");
    EXPECT_EQ(tags.at("IFD:PreviewColorSpace"), "2");
    auto back = LoadDNG(ReadFileBytes(path), false);
    EXPECT_EQ(back->info.fIFD[0]->fImageWidth, 320u) << "the thumbnail's longer side is 320 even for a small photo";
    EXPECT_EQ(back->info.fIFD[0]->fImageLength, 240u);
    std::string digest;
    char two[3];
    for (uint8_t b : RawDigest(options.samples)) std::snprintf(two, sizeof two, "%02x", b), digest += two;
    EXPECT_EQ(tags.at("IFD:RawImageDigest"), digest);
}

INSTANTIATE_TEST_SUITE_P(Synthetic, SyntheticThroughTool, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "BigEndianLJPEG" : "Uncompressed");
                         });

class RealFileRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RealFileRoundTrip, WrittenThroughTheToolEqualsTheSource) {
    const std::string source = DngTestFile(GetParam());
    const TempFolder temp;
    const std::string written = temp.File("out.dng");
    ASSERT_NO_FATAL_FAILURE(WriteThroughTool(source, written));

    // Raw values through LibRaw (which applies any linearization table to both alike).
    uint32_t width = 0, widthBack = 0;
    const std::vector<uint16_t> before = LibRawValues(source, &width);
    const std::vector<uint16_t> after = LibRawValues(written, &widthBack);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(width, widthBack);
    EXPECT_TRUE(before == after) << "raw values differ";

    // The layer validates the new digest; with a source digest it is the same one.
    auto back = LoadDNG(ReadFileBytes(written));
    auto original = LoadDNG(ReadFileBytes(source));
    EXPECT_EQ(InterleavedSamples(*back->negative->Stage1Image()),
              InterleavedSamples(*original->negative->Stage1Image()));
    if (!original->negative->RawImageDigest().IsNull()) {
        EXPECT_EQ(back->negative->RawImageDigest(), original->negative->RawImageDigest());
    }
    EXPECT_EQ(back->negative->OpcodeList1().Spool(), original->negative->OpcodeList1().Spool());
    EXPECT_EQ(back->negative->OpcodeList2().Spool(), original->negative->OpcodeList2().Spool());
    EXPECT_EQ(back->negative->OpcodeList3().Spool(), original->negative->OpcodeList3().Spool());
    EXPECT_EQ(back->negative->PrivateData(), original->negative->PrivateData());
    EXPECT_EQ(back->negative->XMP(), original->negative->XMP());

    // Warnings the source already had (e.g. a camera's malformed date) may remain; nothing new.
    const std::string sourceProblems = ExifToolProblems(source);
    std::istringstream problems(ExifToolProblems(written));
    for (std::string line; std::getline(problems, line);) {
        if (line.rfind("Warning", 0) == 0 || line.find("Error") != std::string::npos) {
            EXPECT_NE(sourceProblems.find(line), std::string::npos) << line;
        }
    }
    const auto sourceTags = ExifToolTags(source, "-EXIF:all -XMP:all");
    const auto writtenTags = ExifToolTags(written, "-EXIF:all -XMP:all");
    const char* carried[] = {
        "ColorMatrix1", "ColorMatrix2", "CameraCalibration1", "CameraCalibration2", "AsShotNeutral", "AsShotWhiteXY",
        "AnalogBalance", "BaselineExposure", "CFARepeatPatternDim", "CFAPattern2", "BlackLevelRepeatDim", "BlackLevel",
        "WhiteLevel", "DefaultCropOrigin", "DefaultCropSize", "DefaultScale", "ActiveArea", "LinearizationTable",
        "CalibrationIlluminant1", "CalibrationIlluminant2", "UniqueCameraModel", "Make", "Model", "Software",
        "Orientation", "DNGPrivateData", "CameraSerialNumber", "LensInfo", "ExposureTime", "ISO", "FrameRate",
        "TimeCodes", "TIFF-EPStandardID"};
    for (const char* name : carried) {
        const std::string key = std::string("IFD:") + name;
        const auto it = sourceTags.find(key);
        // An undefined value (0/0) reads back as 0; an empty text tag is not written.
        if (it == sourceTags.end() || it->second == "undef" || it->second.empty()) continue;
        ASSERT_TRUE(writtenTags.count(key)) << name << " missing";
        EXPECT_EQ(writtenTags.at(key), it->second) << name;
    }
    for (const auto& [key, value] : sourceTags) {
        if (key.rfind("ExifIFD:", 0) != 0 && key.rfind("GPS:", 0) != 0 && key.rfind("XMP", 0) != 0) continue;
        if (key == "ExifIFD:ExifByteOrder") continue;
        ASSERT_TRUE(writtenTags.count(key)) << key << " missing";
        EXPECT_EQ(writtenTags.at(key), value) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, RealFileRoundTrip,
                         ::testing::Values("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng",
                                           "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng",
                                           "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng"));

}  // namespace
