// Synthetic DNGs written by the layer and read back by it: raw values, digest and tags survive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_writer.h"
#include "dng/dng_tag_codes.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

struct Case {
    const char* name;
    FixtureOptions options;
};

FixtureOptions Base() {
    FixtureOptions s;
    s.width = 24;
    s.height = 16;
    s.samples = PatternSamples(s.width, s.height, 1, s.bits, 3);
    s.asShotNeutral = {0.5, 1.0, 0.7};
    return s;
}

std::vector<Case> Cases() {
    std::vector<Case> cases = {{"Plain16BitCFA", Base()}};
    const auto add = [&](const char* name, const std::function<void(FixtureOptions&)>& change) {
        FixtureOptions s = Base();
        change(s);
        s.samples = PatternSamples(s.width, s.height, s.samplesPerPixel, s.bits, uint32_t(cases.size()) + 3);
        cases.push_back({name, s});
    };
    add("BigEndianLosslessJPEGTiles", [](FixtureOptions& s) {
        s.bigEndian = true;
        s.bits = 12;
        s.compression = 7;
        s.tiled = true;
        s.tileWidth = s.tileLength = 16;
        s.ljpegTwoColumnsPerPixel = true;
        s.cfaPattern = {1, 2, 0, 1};
    });
    add("ActiveAreaCropBlackPatternDeltas", [](FixtureOptions& s) {
        s.bits = 14;
        s.activeArea = {2, 4, 16, 24};
        s.defaultCrop = {2, 2, 16, 10};
        s.blackRepeatRows = s.blackRepeatCols = 2;
        s.blackLevel = {512, 514.5, 516, 518.25};
        s.blackDeltaH = std::vector<double>(20, 0.0);
        s.blackDeltaH[3] = 1.5;
        s.blackDeltaV = std::vector<double>(14, -0.5);
        s.whiteLevel = {15000};
        s.bayerGreenSplit = 250;
    });
    add("EightBitWithLinearizationTable", [](FixtureOptions& s) {
        s.bits = 8;
        for (uint32_t i = 0; i < 256; ++i) s.linearizationTable.push_back(uint16_t(i * i / 16));
        s.whiteLevel = {4064};
    });
    add("LinearRawThreeSamples", [](FixtureOptions& s) {
        s.cfa = false;
        s.samplesPerPixel = 3;
    });
    add("MonochromeLinearRaw", [](FixtureOptions& s) {
        s.cfa = s.colour = false;
        s.asShotNeutral.clear();
    });
    add("OpcodeLists", [](FixtureOptions& s) {
        s.opcodeList[0] = OpcodeListBytes({{99, 0x01040000, 1, {4, 5}}});
        s.opcodeList[1] = OpcodeListBytes({{9, 0x01030000, 1, std::vector<uint8_t>(40, 7)}});
        s.opcodeList[2] = OpcodeListBytes(
            {{1, 0x01030000, 0, WarpRectilinearParameters({{{1.0, 0.02}}}, 0.5, 0.5)}, {77, 0x01040000, 1, {1, 2, 3}}});
    });
    return cases;
}

class WriterRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(WriterRoundTrip, RawValuesDigestAndTagsSurvive) {
    const FixtureOptions& options = GetParam().options;
    auto source = LoadDNG(WriteFixtureDNG(options));
    dng_negative& negative = *source->negative;
    const std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:Description tiff:Orientation=\"6\" tiff:Make=\"X\"/></x:xmpmeta>";
    negative.Shared().fXMP.assign(xmp.begin(), xmp.end());
    negative.Shared().fDNGPrivateData = {'A', 'd', 'o', 'b', 'e', 0, 1, 2, 3, 4, 5};
    negative.GetExif().fSoftware = "Clarivane 1.1.0";
    negative.ClearRawImageDigest();
    const std::vector<uint16_t> rawBefore = InterleavedSamples(*negative.Stage1Image());

    const std::vector<uint8_t> bytes = WriteToBytes(source->host, negative, MakeThumbnail(source->host, 32, 21));
    ASSERT_EQ(std::memcmp(bytes.data(), "II*\0", 4), 0);

    std::unique_ptr<LoadedDNG> written;
    ASSERT_NO_THROW(written = LoadDNG(bytes)) << "the written file must read back with a valid digest";
    const dng_negative& back = *written->negative;
    EXPECT_EQ(InterleavedSamples(*back.Stage1Image()), rawBefore);
    // The digest is an independent MD5 of the samples (the fixture's own implementation).
    const std::vector<uint8_t> expectedDigest = RawDigest(rawBefore);
    EXPECT_EQ(std::vector<uint8_t>(back.RawImageDigest().data, back.RawImageDigest().data + 16), expectedDigest);

    const dng_info& info = written->info;
    EXPECT_GE(info.fShared->fDNGVersion, 0x01030000u);
    ASSERT_GE(info.IFDCount(), 2u);
    const dng_ifd& thumbnail = *info.fIFD[0];
    EXPECT_EQ(thumbnail.fNewSubFileType, sfPreviewImage);
    EXPECT_EQ(thumbnail.fImageWidth, 32u);
    EXPECT_EQ(thumbnail.fImageLength, 21u);
    EXPECT_EQ(thumbnail.fPreviewColorSpace, 2u);
    EXPECT_EQ(thumbnail.fPreviewApplicationName, "Clarivane");
    EXPECT_EQ(info.fMainIndex, 1);
    EXPECT_EQ(info.fIFD[1]->fCompression, 1u);

    EXPECT_EQ(back.ModelName(), negative.ModelName());
    EXPECT_EQ(back.ColorChannels(), negative.ColorChannels());
    EXPECT_EQ(back.CameraNeutral(), negative.CameraNeutral());
    EXPECT_EQ(back.DefaultCropOriginH(), negative.DefaultCropOriginH());
    EXPECT_EQ(back.DefaultCropOriginV(), negative.DefaultCropOriginV());
    EXPECT_DOUBLE_EQ(back.DefaultCropSizeH().As_real64(), negative.DefaultCropSizeH().As_real64());
    EXPECT_DOUBLE_EQ(back.DefaultCropSizeV().As_real64(), negative.DefaultCropSizeV().As_real64());
    if (negative.ProfileToEmbed()) {
        ASSERT_NE(back.ProfileToEmbed(), nullptr);
        EXPECT_EQ(back.ProfileToEmbed()->ColorMatrix1(), negative.ProfileToEmbed()->ColorMatrix1());
        EXPECT_EQ(back.ProfileToEmbed()->CalibrationIlluminant1(), negative.ProfileToEmbed()->CalibrationIlluminant1());
    }

    const dng_linearization_info& lin = *negative.GetLinearizationInfo();
    const dng_linearization_info& linBack = *back.GetLinearizationInfo();
    EXPECT_EQ(linBack.fActiveArea, lin.fActiveArea);
    EXPECT_EQ(linBack.fLinearizationTable, lin.fLinearizationTable);
    EXPECT_EQ(linBack.fBlackLevelRepeatRows, lin.fBlackLevelRepeatRows);
    EXPECT_EQ(linBack.fBlackLevelRepeatCols, lin.fBlackLevelRepeatCols);
    EXPECT_EQ(0, std::memcmp(linBack.fBlackLevel, lin.fBlackLevel, sizeof lin.fBlackLevel));
    EXPECT_EQ(linBack.fBlackDeltaH, lin.fBlackDeltaH);
    EXPECT_EQ(linBack.fBlackDeltaV, lin.fBlackDeltaV);
    for (uint32 p = 0; p < back.Stage1Image()->Planes(); ++p) {
        EXPECT_EQ(back.WhiteLevel(p), negative.WhiteLevel(p));
    }

    ASSERT_EQ(back.GetMosaicInfo() != nullptr, negative.GetMosaicInfo() != nullptr);
    if (const dng_mosaic_info* m = negative.GetMosaicInfo()) {
        const dng_mosaic_info& mb = *back.GetMosaicInfo();
        EXPECT_EQ(mb.fCFAPatternSize, m->fCFAPatternSize);
        EXPECT_EQ(0, std::memcmp(mb.fCFAPattern, m->fCFAPattern, sizeof m->fCFAPattern));
        EXPECT_EQ(mb.fBayerGreenSplit, m->fBayerGreenSplit);
    }
    EXPECT_EQ(back.OpcodeList1().Spool(), options.opcodeList[0]);
    EXPECT_EQ(back.OpcodeList2().Spool(), options.opcodeList[1]);
    EXPECT_EQ(back.OpcodeList3().Spool(), options.opcodeList[2]);
    EXPECT_EQ(back.PrivateData(), negative.PrivateData());
    EXPECT_EQ(back.GetExif().fSoftware, "Clarivane 1.1.0");
    // Orientation of the file is 1, so the XMP copy says 1 as well; the rest passes through.
    const std::string xmpBack(back.XMP().begin(), back.XMP().end());
    EXPECT_NE(xmpBack.find("tiff:Orientation=\"1\""), std::string::npos) << xmpBack;
    EXPECT_NE(xmpBack.find("tiff:Make=\"X\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Synthetic, WriterRoundTrip, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(WriterDigest, ADamagedRawSampleInTheWrittenFileIsRefused) {
    auto source = LoadDNG(WriteFixtureDNG(Base()));
    source->negative->ClearRawImageDigest();
    std::vector<uint8_t> bytes = WriteToBytes(source->host, *source->negative, MakeThumbnail(source->host, 8, 6));
    bytes[bytes.size() - 100] ^= 0x55;  // inside the raw strip, which ends the file
    try {
        LoadDNG(bytes);
        FAIL() << "a damaged raw image must not validate";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format);
    }
}

TEST(WriterDigest, AHeldDigestIsWrittenUnchangedAndStaleOnesAreNotCarried) {
    auto source = LoadDNG(WriteFixtureDNG(Base()));
    dng_fingerprint held;
    for (int i = 0; i < 16; ++i) held.data[i] = uint8(i + 1);
    source->negative->SetRawImageDigest(held);
    const std::vector<uint8_t> bytes = WriteToBytes(source->host, *source->negative, MakeThumbnail(source->host, 8, 6));
    auto back = LoadDNG(bytes, false);
    EXPECT_EQ(back->negative->RawImageDigest(), held);
    // No NewRawImageDigest (51111 = 0xC7A7) anywhere in the file's directories.
    const uint8_t tag[2] = {0xA7, 0xC7};
    const uint8_t* end = bytes.data() + back->info.fIFD[1]->fTileOffset[0];
    EXPECT_EQ(std::search(bytes.data(), end, tag, tag + 2), end);
}

TEST(WriterUnmodelledTags, PlainDataTagsOfIFD0AreCarriedOthersDropped) {
    auto source = LoadDNG(WriteFixtureDNG(Base()));
    const auto entry = [](uint16 code, uint16 type, std::vector<uint8> bytes) {
        dng_exif_entry e;
        e.code = code;
        e.type = type;
        e.count = type == 10 ? 1 : uint32(bytes.size());
        e.bytes = std::move(bytes);
        return e;
    };
    auto& entries = source->negative->GetExif().fEntries;
    entries.push_back(entry(51044, 10, {30, 0, 0, 0, 1, 0, 0, 0}));  // FrameRate 30/1: carried
    entries.push_back(entry(51043, 1, {1, 2, 3, 4, 5, 6, 7, 8}));    // TimeCodes: carried
    entries.push_back(entry(50000, 4, {1, 0, 0, 0}));                // a LONG may be an offset: dropped
    entries.push_back(entry(282, 5, {72, 0, 0, 0, 1, 0, 0, 0}));     // the source image's resolution: dropped
    entries.push_back(entry(51125, 5, std::vector<uint8>(32, 1)));   // a DNG 1.4 tag: dropped
    const std::vector<uint8_t> bytes = WriteToBytes(source->host, *source->negative, MakeThumbnail(source->host, 8, 6));
    auto back = LoadDNG(bytes, false);
    std::map<uint16, std::vector<uint8>> carried;
    for (const dng_exif_entry& e : back->negative->GetExif().fEntries)
        if (e.ifd == 0) carried[e.code] = e.bytes;
    EXPECT_EQ(carried.count(50000), 0u);
    EXPECT_EQ(carried.count(282), 0u);
    EXPECT_EQ(carried.count(51125), 0u);
    EXPECT_EQ(carried[51044], (std::vector<uint8>{30, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(carried[51043], (std::vector<uint8>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(WriterRefusals, OnlyUncompressedAndAnEightBitThumbnail) {
    auto source = LoadDNG(WriteFixtureDNG(Base()));
    dng_memory_stream stream;
    dng_image_writer writer;
    EXPECT_THROW(writer.WriteDNG(source->host, stream, *source->negative, MakeThumbnail(source->host, 8, 6), 7),
                 dng_exception);
    dng_image_preview sixteenBit;
    sixteenBit.fImage = source->host.Make_dng_image(dng_rect(4, 4), 3, ttShort);
    EXPECT_THROW(writer.WriteDNG(source->host, stream, *source->negative, sixteenBit, 1), dng_exception);
    BuildStages(*source);  // stage 1 released: nothing to write
    EXPECT_THROW(writer.WriteDNG(source->host, stream, *source->negative, MakeThumbnail(source->host, 8, 6), 1),
                 dng_exception);
}

}  // namespace
