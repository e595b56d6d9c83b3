// The real test files and fixtures with their traits: facts checked against exiftool, raw values against
// LibRaw, refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <sstream>

#include "camera_data.h"
#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_patch.h"
#include "libraw_values.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using Bytes = std::vector<uint8_t>;

const char* k550D = "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng";
const char* kBlackmagic = "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng";
const char* kFusion = "gopro_fusion_GPBK7066_vc5_warprectilinear.gpr";
const char* kHero6 = "gopro_hero6_GOPR0024_vc5_gainmap.gpr";

// The "key: value" lines of `dng-tool info`.
std::map<std::string, std::string> ToolInfo(const std::string& path, int* status) {
    std::map<std::string, std::string> values;
    const std::string command = std::string(DNG_TOOL) + " info '" + path + "' 2>/dev/null";
    std::istringstream lines(test_support::RunCommand(command, status));
    for (std::string line; std::getline(lines, line);)
        if (const size_t colon = line.find(": "); colon != std::string::npos)
            values[line.substr(0, colon)] = line.substr(colon + 2);
    return values;
}

// A big-endian converter's layout (IFD 0 a tiny RGB thumbnail, the tiled raw and two JPEG previews in
// sub-IFDs) whose tile list was cut down to one entry, as test suites shrink real files.
Bytes CutTileList() {
    FixtureOptions s;
    s.bigEndian = true;
    s.width = 40;
    s.height = 30;
    s.samples = PatternSamples(40, 30, 1, 16);
    s.tiled = true;
    s.tileWidth = s.tileLength = 16;
    s.previews = {{8, 8, 3, false, true, false, {}, 0}, {96, 64, 3, true, false, false, {}, 0},
                  {288, 192, 3, true, false, false, {}, 0}};
    Bytes bytes = WriteFixtureDNG(s);
    for (uint16_t tag : {324, 325}) fixture_patch::Put32(bytes, fixture_patch::EntryOf(bytes, tag) + 4, 1);
    return bytes;
}

// Real files: values as exiftool reports them. The packed BGGR fixture has no UniqueCameraModel: the
// layer's default name.
TEST(RealFiles, ToolInfoMatchesExiftool) {
    const test_support::TempFolder temp;
    const FixtureOptions packed = PackedBGGRFixture(45, 31);
    const std::string packedPath = DngSource{"packed", nullptr, packed}.Path(temp.Path());
    const std::map<std::string, std::map<std::string, std::string>> facts = {
        {DngTestFile(k550D),
         {{"model", "Canon EOS Kiss X4"}, {"colour_channels", "3"}, {"raw_bits_per_sample", "14"},
          {"raw_compression", "1"}, {"stage1_width", "1888"}, {"stage1_height", "1182"},
          {"active_area", "26 152 1182 1886"}, {"default_crop", "0 0 1734 1156"}, {"cfa_pattern", "0112"},
          {"black_level", "2056"}, {"white_level", "15000"}, {"opcode_list_3", "0"}, {"previews", "0"}}},
        {DngTestFile(kBlackmagic),
         {{"model", "Blackmagic Pocket Cinema Camera"}, {"raw_bits_per_sample", "12"}, {"raw_compression", "7"},
          {"default_crop", "16 16 1920 1080"}, {"cfa_pattern", "1201"}, {"black_level", "256"},
          {"white_level", "51080"}, {"linearization_table_entries", "4096"}, {"as_shot_neutral", "0.8722 1 0.5928"}}},
        {packedPath,
         {{"model", "Digital Negative"}, {"raw_bits_per_sample", "10"}, {"stage1_width", "45"},
          {"stage1_height", "31"}, {"cfa_pattern", "2110"}, {"black_level", "60 62 61 64"},
          {"white_level", "1023"}}},
        {DngTestFile(kFusion),
         {{"model", "GoPro FUSION"}, {"opcode_list_3", "1 1"}, {"as_shot_neutral", "0.493494 1 0.606815"}}},
        {DngTestFile(kHero6), {{"opcode_list_2", "4 9"}}}};
    for (const auto& [file, expected] : facts) {
        int status = -1;
        auto info = ToolInfo(file, &status);
        EXPECT_EQ(status, 0) << file;
        for (const auto& [key, value] : expected) EXPECT_EQ(info[key], value) << file << " " << key;
    }
    const std::string cut = temp.File("cut.dng");
    test_support::WriteFileBytes(cut, CutTileList());
    int status = 0;
    ToolInfo(cut, &status);
    EXPECT_EQ(status, 2);
}

TEST(RealFiles, ByteOrderExifAndCameraProfilesMatchExiftool) {
    auto fusion = LoadDNG(ReadFileBytes(DngTestFile(kFusion)), false);
    EXPECT_EQ(fusion->info.fExif->fMake, "GoPro");
    EXPECT_EQ(fusion->info.fShared->fOriginalRawFileName, "RAW FILE");
    auto canon550D = LoadDNG(ReadFileBytes(DngTestFile(k550D)), false);
    EXPECT_EQ(canon550D->info.fExif->fSoftware, "Magic Lantern");
    EXPECT_LE(MaxDifference(canon550D->negative->ProfileToEmbed()->ColorMatrix1(), Canon550DColorMatrix()), 1e-12);
    EXPECT_FALSE(canon550D->negative->ProfileToEmbed()->HasColorMatrix2());
    auto blackmagic = LoadDNG(ReadFileBytes(DngTestFile(kBlackmagic)), false);
    EXPECT_TRUE(blackmagic->info.fBigEndian);
    const dng_camera_profile& twoIlluminants = *blackmagic->negative->ProfileToEmbed();
    EXPECT_EQ(std::make_pair(twoIlluminants.CalibrationIlluminant1(), twoIlluminants.CalibrationIlluminant2()),
              std::make_pair(uint32(lsStandardLightA), uint32(lsD65)));
    // The layer scales a matrix to its white and keeps four decimals: exiftool's entries times one factor.
    const dng_matrix& read = twoIlluminants.ColorMatrix2();
    const dng_matrix_3by3 listed = BlackmagicColorMatrix2();
    const double scale = read[1][1] / listed[1][1];
    for (uint32 r = 0; r < 3; ++r)
        for (uint32 c = 0; c < 3; ++c) EXPECT_NEAR(read[r][c], listed[r][c] * scale, 2e-4) << r << c;
}

// The 6D's colour tags, written independently of the layer, come back as they were.
TEST(CameraProfileTags, ForwardMatricesCalibrationAndIlluminantsReadAsWritten) {
    auto canon6D = LoadDNG(WriteFixtureDNG(Canon6DProfileFixture()), false);
    const dng_camera_profile& read = *canon6D->negative->ProfileToEmbed();
    const dng_camera_profile expected = Canon6DProfile(true);
    EXPECT_EQ(std::make_pair(read.CalibrationIlluminant1(), read.CalibrationIlluminant2()),
              std::make_pair(uint32(lsStandardLightA), uint32(lsD65)));
    for (const auto member : {&dng_camera_profile::ColorMatrix1, &dng_camera_profile::ColorMatrix2,
                              &dng_camera_profile::ForwardMatrix1, &dng_camera_profile::ForwardMatrix2})
        EXPECT_LE(MaxDifference((read.*member)(), (expected.*member)()), 1e-12);
    EXPECT_LE(MaxDifference(canon6D->negative->CameraCalibration1(), k6DCalibration1), 1e-12);
}

TEST(RealFiles, CutTileListKeepsTheDirectoryOrderAndIsNoValidDNG) {
    dng_memory_stream stream(CutTileList());
    dng_host host;
    dng_info info;
    info.Parse(host, stream);
    info.PostParse(host);
    ASSERT_EQ(info.IFDCount(), 4u);
    for (uint32 i : {0, 1, 2, 3}) EXPECT_EQ(info.fIFD[i]->fImageWidth, (std::array<uint32, 4>{8, 40, 96, 288}[i]));
    EXPECT_EQ(info.fMainIndex, 1);
    EXPECT_NE(info.ValidityFault().find("1 offsets, 1 byte counts) does not match the 6"), std::string::npos)
        << info.ValidityFault();
}

// Opcode lists spool back to the bytes they were read from; the raw encodings the reader does not
// decode end in a clear bad-format error.
TEST(RealFiles, OpcodeListsSpoolByteForByteAndUnsupportedEncodingsAreRefused) {
    for (const char* file : {kFusion, kHero6}) {
        auto bytes = ReadFileBytes(DngTestFile(file));
        auto f = LoadDNG(bytes, false);
        const dng_ifd& ifd = *f->info.fIFD[f->info.fMainIndex];
        for (const auto& [tag, list] : {std::pair(&ifd.fOpcodeList2, &f->negative->OpcodeList2()),
                                        std::pair(&ifd.fOpcodeList3, &f->negative->OpcodeList3())})
            EXPECT_EQ(list->Spool(), Bytes(bytes.begin() + tag->offset, bytes.begin() + tag->offset + tag->count))
                << file;
    }
    // Eight-bit LinearRaw tiles marked as lossy JPEG, as converters write them.
    FixtureOptions lossy;
    lossy.cfa = false;
    lossy.bits = 8;
    lossy.samplesPerPixel = 3;
    lossy.samples = PatternSamples(lossy.width, lossy.height, 3, 8);
    lossy.tiled = true;
    lossy.tileWidth = lossy.tileLength = 16;
    FixtureOptions floating = lossy;
    floating.bits = 16;
    floating.samples = PatternSamples(lossy.width, lossy.height, 3, 16);
    floating.sampleFormat = 3;
    Bytes lossyBytes = WriteFixtureDNG(lossy);
    fixture_patch::Put16(lossyBytes, fixture_patch::ValueOf(lossyBytes, 259), 34892);
    const std::pair<Bytes, const char*> refusals[] = {{ReadFileBytes(DngTestFile(kFusion)), "VC-5"},
                                                      {ReadFileBytes(DngTestFile(kHero6)), "VC-5"},
                                                      {lossyBytes, "lossy JPEG"},
                                                      {WriteFixtureDNG(floating), "Floating-point"},
                                                      {CutTileList(), "Not a valid DNG"}};
    for (const auto& [bytes, reason] : refusals) {
        try {
            LoadDNG(bytes);
            ADD_FAILURE() << reason << " accepted";
        } catch (const dng_exception& e) {
            EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << reason;
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << reason << ": " << e.what();
        }
    }
}

// Each readable file: stage 1 equals LibRaw's raw values (taken through the file's linearization
// table, as LibRaw delivers them).
class ReadableFile : public ::testing::TestWithParam<DngSource> {};

TEST_P(ReadableFile, Stage1EqualsLibRaw) {
    const test_support::TempFolder temp;
    const std::string path = GetParam().Path(temp.Path());
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

INSTANTIATE_TEST_SUITE_P(RealFiles, ReadableFile,
                         ::testing::Values(DngSource{"Canon550D", k550D, {}},
                                           DngSource{"Blackmagic", kBlackmagic, {}},
                                           DngSource{"PackedBGGR", nullptr, PackedBGGRFixture(147, 93)}),
                         [](const ::testing::TestParamInfo<DngSource>& info) { return std::string(info.param.name); });

}  // namespace
