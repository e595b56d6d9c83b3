// Facts the layer reads from the real files, checked against what exiftool reports for them.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "camera_data.h"
#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using test_support::RunCommand;
using test_support::TempFolder;
using test_support::WriteFileBytes;

const char* k550D = "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng";
const char* kBlackmagic = "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng";
const char* kPi = "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng";

std::string RefusalOf(const char* name) {
    try {
        LoadDNG(ReadFileBytes(DngTestFile(name)));
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << e.what();
        return e.what();
    }
    return "";
}

// The 2 x 2 CFA pattern as exiftool prints it.
std::string CFA(const dng_negative& n) {
    const auto& p = n.GetMosaicInfo()->fCFAPattern;
    return std::to_string(p[0][0]) + std::to_string(p[0][1]) + std::to_string(p[1][0]) + std::to_string(p[1][1]);
}

TEST(RealFiles, Canon550DMetadata) {
    auto f = LoadDNG(ReadFileBytes(DngTestFile(k550D)), false);
    const dng_negative& n = *f->negative;
    EXPECT_FALSE(f->info.fBigEndian);
    EXPECT_EQ(f->info.IFDCount(), 1u);
    EXPECT_EQ(f->info.fMainIndex, 0);
    EXPECT_EQ(n.ModelName(), "Canon EOS Kiss X4");
    EXPECT_EQ(f->info.fExif->fSoftware, "Magic Lantern");
    EXPECT_EQ(f->info.fShared->fDNGVersion, 0x01010000u);
    const dng_ifd& ifd = *f->info.fIFD[0];
    EXPECT_EQ(ifd.fBitsPerSample[0], 14u);
    EXPECT_EQ(ifd.fImageWidth, 1888u);
    EXPECT_EQ(ifd.fImageLength, 1182u);
    EXPECT_EQ(n.GetLinearizationInfo()->fActiveArea, dng_rect(26, 152, 1182, 1886));
    EXPECT_EQ(n.GetLinearizationInfo()->fBlackLevel[0][0][0], 2056.0);
    EXPECT_EQ(n.WhiteLevel(0), 15000u);
    EXPECT_EQ(n.DefaultCropSizeH().As_real64(), 1734.0);
    EXPECT_EQ(n.DefaultCropSizeV().As_real64(), 1156.0);
    EXPECT_TRUE(n.GetMosaicInfo()->IsBayerPattern());
    EXPECT_EQ(CFA(n), "0112");
    EXPECT_EQ(n.ColorChannels(), 3u);
    ASSERT_EQ(n.ProfileCount(), 1u);
    EXPECT_LE(MaxDifference(n.ProfileToEmbed()->ColorMatrix1(), Canon550DColorMatrix()), 1e-12);
    EXPECT_FALSE(n.ProfileToEmbed()->HasColorMatrix2());
    EXPECT_TRUE(n.OpcodeList1().IsEmpty() && n.OpcodeList2().IsEmpty() && n.OpcodeList3().IsEmpty());
}

TEST(RealFiles, BlackmagicBigEndianTiledWithTable) {
    auto f = LoadDNG(ReadFileBytes(DngTestFile(kBlackmagic)), false);
    const dng_negative& n = *f->negative;
    EXPECT_TRUE(f->info.fBigEndian);
    EXPECT_EQ(n.ModelName(), "Blackmagic Pocket Cinema Camera");
    EXPECT_TRUE(f->info.fExif->fMake.empty());
    const dng_ifd& ifd = *f->info.fIFD[f->info.fMainIndex];
    EXPECT_EQ(ifd.fCompression, 7u);
    EXPECT_TRUE(ifd.IsTiled());
    EXPECT_EQ(ifd.fTileWidth, 976u);
    EXPECT_EQ(ifd.fTileLength, 1112u);
    EXPECT_EQ(ifd.TileCount(), 2u);
    EXPECT_EQ(ifd.fTileOffset[1], 997412u);
    EXPECT_EQ(n.GetLinearizationInfo()->fLinearizationTable.size(), 4096u);
    EXPECT_EQ(n.WhiteLevel(0), 51080u);
    EXPECT_EQ(n.DefaultCropOriginH().As_real64(), 16.0);
    EXPECT_EQ(n.DefaultCropSizeH().As_real64(), 1920.0);
    EXPECT_EQ(CFA(n), "1201");
    ASSERT_TRUE(n.HasCameraNeutral());
    EXPECT_NEAR(n.CameraNeutral()[0], 0.8722, 1e-6);
    EXPECT_NEAR(n.CameraNeutral()[2], 0.5928, 1e-6);
}

TEST(RealFiles, RaspberryPiWithoutModelTagGetsTheDefaultName) {
    auto f = LoadDNG(ReadFileBytes(DngTestFile(kPi)), false);
    EXPECT_EQ(f->negative->ModelName(), "Digital Negative");
    EXPECT_EQ(f->info.fExif->fMake, "RaspberryPi");
    EXPECT_EQ(f->info.fExif->fModel, "PiDNG / PiCamera2");
    const dng_linearization_info& lin = *f->negative->GetLinearizationInfo();
    EXPECT_EQ(lin.fBlackLevelRepeatRows, 2u);
    EXPECT_EQ(lin.fBlackLevel[1][1][0], 60.0);
    EXPECT_EQ(f->negative->WhiteLevel(0), 1023u);
    EXPECT_EQ(CFA(*f->negative), "2110");
}

TEST(RealFiles, Canon350DDirectoryOrderIsIFD0ThenSubIFDs) {
    auto bytes = ReadFileBytes(DngTestFile("canon_eos_350d_exiftool_metadata_only_MM.dng"));
    dng_memory_stream stream(bytes);
    dng_host host;
    dng_info info;
    info.Parse(host, stream);
    info.PostParse(host);
    ASSERT_EQ(info.IFDCount(), 4u);
    EXPECT_EQ(info.fIFD[0]->fImageWidth, 8u);
    EXPECT_EQ(info.fIFD[0]->fNewSubFileType, 1u);
    EXPECT_EQ(info.fIFD[1]->fImageWidth, 3516u);
    EXPECT_EQ(info.fIFD[1]->fNewSubFileType, 0u);
    EXPECT_EQ(info.fIFD[2]->fImageWidth, 1024u);
    EXPECT_EQ(info.fIFD[3]->fImageWidth, 3456u);
    EXPECT_EQ(info.fMainIndex, 1);
    EXPECT_EQ(info.fShared->fUniqueCameraModel, "Canon EOS 350D");
    EXPECT_EQ(info.fShared->fOriginalRawFileName, "Canon350D.CR2");
    // ExifTool cut the tile list down to one entry, so the raw image cannot be read.
    EXPECT_FALSE(info.IsValidDNG());
    EXPECT_NE(info.ValidityFault().find("1 offsets, 1 byte counts) does not match the 140"), std::string::npos);
}

TEST(RealFiles, OpcodeListsAreParsedAndSpooledByteForByte) {
    struct Case {
        const char* file;
        int list;
        uint32 count;
        uint32 id;
    };
    for (const Case& c : {Case{"canon_eos_6d_lossy_linearraw_mappolynomial.dng", 2, 3, 8},
                          Case{"gopro_fusion_GPBK7066_vc5_warprectilinear.gpr", 3, 1, 1},
                          Case{"gopro_hero6_GOPR0024_vc5_gainmap.gpr", 2, 4, 9}}) {
        SCOPED_TRACE(c.file);
        auto bytes = ReadFileBytes(DngTestFile(c.file));
        auto f = LoadDNG(bytes, false);
        const dng_opcode_list& list = c.list == 2 ? f->negative->OpcodeList2() : f->negative->OpcodeList3();
        ASSERT_EQ(list.Count(), c.count);
        for (uint32 i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Entry(i).OpcodeID(), c.id);
        const dng_ifd& ifd = *f->info.fIFD[f->info.fMainIndex];
        const dng_tag& tag = c.list == 2 ? ifd.fOpcodeList2 : ifd.fOpcodeList3;
        const std::vector<uint8> stored(bytes.begin() + tag.offset, bytes.begin() + tag.offset + tag.count);
        EXPECT_EQ(list.Spool(), stored);
    }
}

TEST(RealFiles, UnsupportedEncodingsAreRefusedWithAClearBadFormatError) {
    EXPECT_NE(RefusalOf("gopro_fusion_GPBK7066_vc5_warprectilinear.gpr").find("VC-5"), std::string::npos);
    EXPECT_NE(RefusalOf("gopro_hero6_GOPR0024_vc5_gainmap.gpr").find("VC-5"), std::string::npos);
    EXPECT_NE(RefusalOf("canon_eos_6d_lossy_linearraw_mappolynomial.dng").find("lossy JPEG"), std::string::npos);
    EXPECT_NE(RefusalOf("oneplus_a6003_lossy_linearraw.dng").find("lossy JPEG"), std::string::npos);
    EXPECT_NE(RefusalOf("dngsdk_testcamera_float32_linearraw.dng").find("Floating-point"), std::string::npos);
    // Both files lost their pixel data to size cuts in the projects they come from.
    EXPECT_NE(RefusalOf("apple_iphone12pro_proraw_metadata_only_MM.dng").find("outside the file"), std::string::npos);
    EXPECT_NE(RefusalOf("canon_eos_350d_exiftool_metadata_only_MM.dng").find("not a valid DNG"), std::string::npos);
}

TEST(RealFiles, ReadableFilesPassDigestValidationAndBuildAllStages) {
    for (const char* name : {k550D, kBlackmagic, kPi}) {
        SCOPED_TRACE(name);
        auto f = LoadDNG(ReadFileBytes(DngTestFile(name)));
        // None of these files stores a RawImageDigest, so validation has nothing to refuse.
        EXPECT_TRUE(f->negative->RawImageDigest().IsNull());
        const dng_rect active = f->negative->GetLinearizationInfo()->fActiveArea;
        f->negative->BuildStage2Image(f->host, ttShort);
        EXPECT_EQ(f->negative->Stage1Image(), nullptr);
        EXPECT_EQ(f->negative->Stage2Image()->Bounds(), dng_rect(active.H(), active.W()));
        f->negative->BuildStage3Image(f->host, -1);
        EXPECT_EQ(f->negative->Stage3Image()->Planes(), 3u);
        EXPECT_EQ(f->negative->Stage3Image()->Bounds(), dng_rect(active.H(), active.W()));
    }
}

// The "key: value" lines of `dng-tool info`.
std::map<std::string, std::string> ToolInfo(const std::string& path, int& status) {
    std::map<std::string, std::string> values;
    std::istringstream lines(RunCommand(std::string(DNG_TOOL) + " info '" + path + "' 2>/dev/null", &status));
    for (std::string line; std::getline(lines, line);)
        if (const size_t colon = line.find(": "); colon != std::string::npos)
            values[line.substr(0, colon)] = line.substr(colon + 2);
    return values;
}

TEST(DngTool, InfoPrintsTheFileFacts) {
    int status = 0;
    auto v = ToolInfo(DngTestFile(k550D), status);
    EXPECT_EQ(status, 0);
    const std::map<std::string, std::string> expected = {
        {"model", "Canon EOS Kiss X4"},  {"raw_bits_per_sample", "14"},     {"raw_compression", "1"},
        {"active_area", "26 152 1182 1886"}, {"default_crop", "0 0 1734 1156"}, {"cfa_pattern", "0112"},
        {"black_level", "2056"},         {"white_level", "15000"},          {"opcode_list_3", "0"},
        {"previews", "0"}};
    for (const auto& [key, value] : expected) EXPECT_EQ(v[key], value) << key;
    v = ToolInfo(DngTestFile("gopro_fusion_GPBK7066_vc5_warprectilinear.gpr"), status);
    EXPECT_EQ(v["opcode_list_3"], "1 1");
    ToolInfo(DngTestFile("canon_eos_350d_exiftool_metadata_only_MM.dng"), status);
    EXPECT_EQ(status, 2);
}

TEST(DngTool, RawAndStageDumpsAreNetpbmOfTheStagesAndRefusalsExitWithTwo) {
    const TempFolder temp;
    FixtureOptions options;
    options.width = 7;
    options.height = 5;
    options.bigEndian = true;
    options.compression = 7;
    options.samples = PatternSamples(7, 5, 1, 16);
    WriteFileBytes(temp.File("fixture.dng"), WriteFixtureDNG(options));
    const std::string tool = std::string(DNG_TOOL);
    int status = -1;
    RunCommand(tool + " raw " + temp.File("fixture.dng") + " " + temp.File("raw.pgm"), &status);
    ASSERT_EQ(status, 0);
    RunCommand(tool + " stage3 " + temp.File("fixture.dng") + " " + temp.File("stage3.ppm"), &status);
    ASSERT_EQ(status, 0);
    const std::vector<uint8_t> pgm = ReadFileBytes(temp.File("raw.pgm"));
    const std::string header = "P5\n7 5\n65535\n";
    ASSERT_EQ(pgm.size(), header.size() + 7 * 5 * 2);
    EXPECT_EQ(std::string(pgm.begin(), pgm.begin() + header.size()), header);
    for (size_t i = 0; i < options.samples.size(); ++i)
        ASSERT_EQ(pgm[header.size() + 2 * i] << 8 | pgm[header.size() + 2 * i + 1], options.samples[i]) << i;
    EXPECT_EQ(ReadFileBytes(temp.File("stage3.ppm")).size(), std::string("P6\n7 5\n65535\n").size() + 7 * 5 * 3 * 2);

    RunCommand(tool + " raw '" + DngTestFile("gopro_hero6_GOPR0024_vc5_gainmap.gpr") + "' " + temp.File("no.pgm") +
                   " 2>/dev/null",
               &status);
    EXPECT_EQ(status, 2);
}

}  // namespace
