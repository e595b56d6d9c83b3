// The real test files: facts checked against exiftool, raw values against LibRaw, refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <sstream>

#include "camera_data.h"
#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "libraw_values.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using Bytes = std::vector<uint8_t>;

const char* k550D = "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng";
const char* kBlackmagic = "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng";
const char* kPi = "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng";
const char* k350D = "canon_eos_350d_exiftool_metadata_only_MM.dng";
const char* kFusion = "gopro_fusion_GPBK7066_vc5_warprectilinear.gpr";
const char* kHero6 = "gopro_hero6_GOPR0024_vc5_gainmap.gpr";
const char* k6D = "canon_eos_6d_lossy_linearraw_mappolynomial.dng";

// The "key: value" lines of `dng-tool info`.
std::map<std::string, std::string> ToolInfo(const char* name, int* status) {
    std::map<std::string, std::string> values;
    const std::string command = std::string(DNG_TOOL) + " info '" + DngTestFile(name) + "' 2>/dev/null";
    std::istringstream lines(test_support::RunCommand(command, status));
    for (std::string line; std::getline(lines, line);)
        if (const size_t colon = line.find(": "); colon != std::string::npos)
            values[line.substr(0, colon)] = line.substr(colon + 2);
    return values;
}

// Values as exiftool reports them (the Pi file has no UniqueCameraModel: the layer's default name).
TEST(RealFiles, ToolInfoMatchesExiftool) {
    const std::map<const char*, std::map<std::string, std::string>> facts = {
        {k550D, {{"model", "Canon EOS Kiss X4"}, {"colour_channels", "3"}, {"raw_bits_per_sample", "14"},
                 {"raw_compression", "1"}, {"stage1_width", "1888"}, {"stage1_height", "1182"},
                 {"active_area", "26 152 1182 1886"}, {"default_crop", "0 0 1734 1156"}, {"cfa_pattern", "0112"},
                 {"black_level", "2056"}, {"white_level", "15000"}, {"opcode_list_3", "0"}, {"previews", "0"}}},
        {kBlackmagic, {{"model", "Blackmagic Pocket Cinema Camera"}, {"raw_bits_per_sample", "12"},
                       {"raw_compression", "7"}, {"default_crop", "16 16 1920 1080"}, {"cfa_pattern", "1201"},
                       {"black_level", "256"}, {"white_level", "51080"}, {"linearization_table_entries", "4096"},
                       {"as_shot_neutral", "0.8722 1 0.5928"}}},
        {kPi, {{"model", "Digital Negative"}, {"raw_bits_per_sample", "10"}, {"stage1_width", "1456"},
               {"cfa_pattern", "2110"}, {"black_level", "60 60 60 60"}, {"white_level", "1023"}}},
        {kFusion, {{"model", "GoPro FUSION"}, {"opcode_list_3", "1 1"}, {"as_shot_neutral", "0.493494 1 0.606815"}}},
        {kHero6, {{"opcode_list_2", "4 9"}}}};
    for (const auto& [file, expected] : facts) {
        int status = -1;
        auto info = ToolInfo(file, &status);
        EXPECT_EQ(status, 0) << file;
        for (const auto& [key, value] : expected) EXPECT_EQ(info[key], value) << file << " " << key;
    }
    int status = 0;
    ToolInfo(k350D, &status);
    EXPECT_EQ(status, 2);
}

TEST(RealFiles, ByteOrderExifAndCameraProfilesMatchExiftool) {
    EXPECT_EQ(LoadDNG(ReadFileBytes(DngTestFile(kPi)), false)->info.fExif->fMake, "RaspberryPi");
    EXPECT_TRUE(LoadDNG(ReadFileBytes(DngTestFile(kBlackmagic)), false)->info.fBigEndian);
    auto canon550D = LoadDNG(ReadFileBytes(DngTestFile(k550D)), false);
    EXPECT_EQ(canon550D->info.fExif->fSoftware, "Magic Lantern");
    EXPECT_LE(MaxDifference(canon550D->negative->ProfileToEmbed()->ColorMatrix1(), Canon550DColorMatrix()), 1e-12);
    EXPECT_FALSE(canon550D->negative->ProfileToEmbed()->HasColorMatrix2());
    auto canon6D = LoadDNG(ReadFileBytes(DngTestFile(k6D)), false);
    const dng_camera_profile& read = *canon6D->negative->ProfileToEmbed();
    const dng_camera_profile expected = Canon6DProfile(true);
    EXPECT_EQ(std::make_pair(read.CalibrationIlluminant1(), read.CalibrationIlluminant2()),
              std::make_pair(uint32(lsStandardLightA), uint32(lsD65)));
    for (const auto member : {&dng_camera_profile::ColorMatrix1, &dng_camera_profile::ColorMatrix2,
                              &dng_camera_profile::ForwardMatrix1, &dng_camera_profile::ForwardMatrix2})
        EXPECT_LE(MaxDifference((read.*member)(), (expected.*member)()), 1e-12);
    EXPECT_LE(MaxDifference(canon6D->negative->CameraCalibration1(), k6DCalibration1), 1e-12);
}

TEST(RealFiles, Canon350DDirectoryOrderIsIFD0ThenSubIFDs) {
    dng_memory_stream stream(ReadFileBytes(DngTestFile(k350D)));
    dng_host host;
    dng_info info;
    info.Parse(host, stream);
    info.PostParse(host);
    ASSERT_EQ(info.IFDCount(), 4u);
    for (uint32 i : {0, 1, 2, 3}) EXPECT_EQ(info.fIFD[i]->fImageWidth, (std::array<uint32, 4>{8, 3516, 1024, 3456}[i]));
    EXPECT_EQ(info.fMainIndex, 1);
    EXPECT_EQ(info.fShared->fUniqueCameraModel, "Canon EOS 350D");
    EXPECT_EQ(info.fShared->fOriginalRawFileName, "Canon350D.CR2");
    // ExifTool cut the tile list down to one entry, so the raw image cannot be read.
    EXPECT_NE(info.ValidityFault().find("1 offsets, 1 byte counts) does not match the 140"), std::string::npos);
}

// Opcode lists spool back to the bytes they were read from; the raw encodings the reader does not
// decode end in a clear bad-format error.
TEST(RealFiles, OpcodeListsSpoolByteForByteAndUnsupportedEncodingsAreRefused) {
    for (const char* file : {k6D, kFusion, kHero6}) {
        auto bytes = ReadFileBytes(DngTestFile(file));
        auto f = LoadDNG(bytes, false);
        const dng_ifd& ifd = *f->info.fIFD[f->info.fMainIndex];
        for (const auto& [tag, list] : {std::pair(&ifd.fOpcodeList2, &f->negative->OpcodeList2()),
                                        std::pair(&ifd.fOpcodeList3, &f->negative->OpcodeList3())})
            EXPECT_EQ(list->Spool(), Bytes(bytes.begin() + tag->offset, bytes.begin() + tag->offset + tag->count))
                << file;
    }
    const std::pair<const char*, const char*> refusals[] = {
        {kFusion, "VC-5"}, {kHero6, "VC-5"}, {k6D, "lossy JPEG"}, {"oneplus_a6003_lossy_linearraw.dng", "lossy JPEG"},
        {"dngsdk_testcamera_float32_linearraw.dng", "Floating-point"},
        // Both files lost their pixel data to size cuts in the projects they come from.
        {"apple_iphone12pro_proraw_metadata_only_MM.dng", "outside the file"}, {k350D, "Not a valid DNG"}};
    for (const auto& [file, reason] : refusals) {
        try {
            LoadDNG(ReadFileBytes(DngTestFile(file)));
            ADD_FAILURE() << file << " accepted";
        } catch (const dng_exception& e) {
            EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << file;
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << file << ": " << e.what();
        }
    }
}

// Each readable file: stage 1 equals LibRaw's raw values (taken through the file's linearization
// table, as LibRaw delivers them). None stores a RawImageDigest, so the digest check has nothing to refuse.
class ReadableFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ReadableFile, Stage1EqualsLibRaw) {
    const std::string path = DngTestFile(GetParam());
    auto f = LoadDNG(ReadFileBytes(path));
    dng_negative& n = *f->negative;
    uint32_t width = 0, height = 0;
    const std::vector<uint16_t> theirs = LibRawValues(path, &width, &height);
    ASSERT_EQ(dng_rect(height, width), n.Stage1Image()->Bounds());
    std::vector<uint16_t> ours = PlaneSamples(*n.Stage1Image(), 0);
    const std::vector<uint16>& table = n.GetLinearizationInfo()->fLinearizationTable;
    if (!table.empty())
        for (uint16_t& v : ours) v = table[std::min<size_t>(v, table.size() - 1)];
    ASSERT_EQ(ours.size(), theirs.size());
    const size_t first = std::mismatch(ours.begin(), ours.end(), theirs.begin()).first - ours.begin();
    EXPECT_EQ(first, ours.size()) << "first difference at row " << first / width << " col " << first % width;
}

INSTANTIATE_TEST_SUITE_P(RealFiles, ReadableFile, ::testing::Values(k550D, kBlackmagic, kPi));

}  // namespace
