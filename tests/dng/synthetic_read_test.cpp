// Stage-1 reads of synthetic files: every depth, encoding, layout and byte order returns
// exactly the samples the fixture writer stored.
#include <gtest/gtest.h>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_plane16.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

void ExpectRoundTrip(FixtureOptions options) {
    options.samples = PatternSamples(options.width, options.height, options.samplesPerPixel, options.bits, options.width + options.bits);
    auto f = LoadDNG(WriteFixtureDNG(options));
    const dng_image& stage1 = *f->negative->Stage1Image();
    EXPECT_EQ(stage1.PixelType(), ttShort);
    EXPECT_EQ(stage1.Bounds(), dng_rect(options.height, options.width));
    EXPECT_EQ(stage1.Planes(), options.samplesPerPixel);
    EXPECT_EQ(InterleavedSamples(stage1), options.samples);
}

struct Layout {
    const char* name;
    bool tiled;
    uint32 tileWidth;
    uint32 tileLength;
};

const Layout kLayouts[] = {{"one_strip", false, 0, 0}, {"strips_of_5", false, 0, 5}, {"tiles_16x16", true, 16, 16}};

// (compression, bits, variant, layout); the variant is the lossless-JPEG predictor, and odd or
// even picks the byte order.
class Stage1Read : public ::testing::TestWithParam<std::tuple<uint32, uint32, uint32, Layout>> {};

TEST_P(Stage1Read, HoldsTheStoredSamples) {
    const auto [compression, bits, variant, layout] = GetParam();
    FixtureOptions options;
    options.compression = compression;
    options.bits = bits;
    options.ljpegPredictor = variant;
    options.bigEndian = variant % 2 == 0;
    options.width = 37;
    options.height = 21;
    options.tiled = layout.tiled;
    options.tileWidth = layout.tileWidth;
    options.tileLength = layout.tileLength;
    ExpectRoundTrip(options);
}

INSTANTIATE_TEST_SUITE_P(Uncompressed, Stage1Read,
                         ::testing::Combine(::testing::Values(1u), ::testing::Values(8u, 10u, 12u, 14u, 16u),
                                            ::testing::Values(1u, 2u), ::testing::ValuesIn(kLayouts)));
INSTANTIATE_TEST_SUITE_P(LosslessJPEG, Stage1Read,
                         ::testing::Combine(::testing::Values(7u), ::testing::Values(8u, 12u, 14u, 16u),
                                            ::testing::Range(1u, 8u), ::testing::ValuesIn(kLayouts)));

TEST(LosslessJPEGLayouts, TwoColumnsPerJPEGPixelRestartsAndThreeSamples) {
    FixtureOptions pairs;
    pairs.compression = 7;
    pairs.bits = 14;
    pairs.width = 40;
    pairs.height = 12;
    pairs.ljpegTwoColumnsPerPixel = true;
    pairs.ljpegPredictor = 6;
    ExpectRoundTrip(pairs);

    FixtureOptions restarts = pairs;
    restarts.ljpegTwoColumnsPerPixel = false;
    restarts.ljpegRestartRows = 3;
    restarts.ljpegPredictor = 7;
    ExpectRoundTrip(restarts);

    FixtureOptions rgb;
    rgb.compression = 7;
    rgb.cfa = false;
    rgb.samplesPerPixel = 3;
    rgb.width = 17;
    rgb.height = 9;
    rgb.tileLength = 4;
    rgb.ljpegPredictor = 4;
    ExpectRoundTrip(rgb);
    rgb.compression = 1;
    rgb.bits = 12;
    ExpectRoundTrip(rgb);
}

TEST(SyntheticFiles, LargeDifferencesUseLongHuffmanCodes) {
    FixtureOptions options;
    options.compression = 7;
    options.width = 64;
    options.height = 8;
    options.samples.resize(64 * 8);
    // Alternating extremes give differences of every category up to 16.
    for (size_t i = 0; i < options.samples.size(); ++i) options.samples[i] = (i * 7919) % 3 == 0 ? 65535 : (i % 2 ? 0 : 32768);
    auto f = LoadDNG(WriteFixtureDNG(options));
    EXPECT_EQ(PlaneSamples(*f->negative->Stage1Image(), 0), options.samples);
}

TEST(SyntheticFiles, MaskedMarginsActiveAreaAndDefaultCrop) {
    FixtureOptions options;
    options.width = 20;
    options.height = 12;
    options.samples = PatternSamples(20, 12, 1, 16);
    options.activeArea = {2, 4, 12, 20};
    options.maskedAreas = {0, 0, 2, 20, 2, 0, 12, 4};
    options.defaultCrop = {2, 1, 12, 8};
    auto f = LoadDNG(WriteFixtureDNG(options));
    const dng_linearization_info& lin = *f->negative->GetLinearizationInfo();
    EXPECT_EQ(lin.fActiveArea, dng_rect(2, 4, 12, 20));
    ASSERT_EQ(lin.fMaskedAreaCount, 2u);
    EXPECT_EQ(lin.fMaskedArea[1], dng_rect(2, 0, 12, 4));
    EXPECT_EQ(f->negative->DefaultCropOriginH().As_real64(), 2.0);
    EXPECT_EQ(f->negative->DefaultCropOriginV().As_real64(), 1.0);
    EXPECT_EQ(f->negative->DefaultCropSizeH().As_real64(), 12.0);
    EXPECT_EQ(f->negative->DefaultCropSizeV().As_real64(), 8.0);
    // Stage 1 keeps the masked margins: it is the whole stored image.
    EXPECT_EQ(PlaneSamples(*f->negative->Stage1Image(), 0), options.samples);

    options.defaultCrop[2] = 17;  // reaches past the active area
    EXPECT_THROW(LoadDNG(WriteFixtureDNG(options)), dng_exception);
}

TEST(SyntheticFiles, MonochromeLinearRawHasOneChannelAndNoMosaic) {
    FixtureOptions options;
    options.cfa = false;
    options.colour = false;
    options.model = "M Monochrom";
    options.width = 11;
    options.height = 7;
    options.samples = PatternSamples(11, 7, 1, 16);
    auto f = LoadDNG(WriteFixtureDNG(options));
    EXPECT_EQ(f->negative->ColorChannels(), 1u);
    EXPECT_EQ(f->negative->GetMosaicInfo(), nullptr);
    EXPECT_EQ(f->negative->ProfileCount(), 0u);
    EXPECT_EQ(PlaneSamples(*f->negative->Stage1Image(), 0), options.samples);
}

TEST(SyntheticFiles, PreviewsComeFirstInIFD0ThenInSubIFDOrder) {
    FixtureOptions options;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    options.previews = {{256, 4, 3, false, true}, {1024, 8, 3, true, false}, {40, 30, 1, true, false}};
    auto f = LoadDNG(WriteFixtureDNG(options));
    const dng_info& info = f->info;
    ASSERT_EQ(info.IFDCount(), 4u);
    EXPECT_EQ(info.fIFD[0]->fNewSubFileType, 1u);
    EXPECT_EQ(info.fIFD[0]->fImageWidth, 256u);
    EXPECT_EQ(info.fIFD[0]->fCompression, 1u);
    EXPECT_EQ(info.fMainIndex, 1);
    EXPECT_EQ(info.fIFD[2]->fImageWidth, 1024u);
    EXPECT_EQ(info.fIFD[2]->fCompression, 7u);
    EXPECT_EQ(info.fIFD[3]->fSamplesPerPixel, 1u);
    // Previews without a colour-space tag get grey for one sample, sRGB otherwise.
    EXPECT_EQ(info.fIFD[3]->fPreviewColorSpace, 1u);
    EXPECT_EQ(info.fIFD[2]->fPreviewColorSpace, 2u);
    EXPECT_EQ(PlaneSamples(*f->negative->Stage1Image(), 0), options.samples);
}

TEST(SyntheticFiles, ChainedDirectoriesFollowTheSubIFDs) {
    FixtureOptions options;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    options.rawInSubIFD = true;
    FixturePreview chained{32, 24, 3, false, false, true};
    options.previews = {chained, {64, 48, 3, true, false, false}, chained};
    options.previews[2].width = 48;
    auto f = LoadDNG(WriteFixtureDNG(options));
    ASSERT_EQ(f->info.IFDCount(), 5u);
    EXPECT_EQ(f->info.ChainedIFDCount(), 2u);
    EXPECT_EQ(f->info.fMainIndex, 1);
    EXPECT_EQ(f->info.fIFD[2]->fImageWidth, 64u);
    EXPECT_EQ(f->info.fIFD[3]->fImageWidth, 32u);
    EXPECT_EQ(f->info.fIFD[4]->fImageWidth, 48u);
}

TEST(SyntheticFiles, OpcodeListsKeepUnknownOpcodesAndSpoolByteExact) {
    FixtureOptions options;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    options.opcodeList[0] = OpcodeListBytes({{99, 0x01040000, 1, {1, 2, 3, 4, 5}}});
    options.opcodeList[1] = OpcodeListBytes({{4, 0x01030000, 0, {0, 0, 0, 0, 0, 0, 0, 1}}, {7, 0x01030000, 2, {}}});
    options.opcodeList[2] = OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters({{{0.98, 0.02}}}, 0.45, 0.55)}});
    auto f = LoadDNG(WriteFixtureDNG(options));
    const dng_negative& n = *f->negative;
    ASSERT_EQ(n.OpcodeList1().Count(), 1u);
    EXPECT_EQ(n.OpcodeList1().Entry(0).OpcodeID(), 99u);
    EXPECT_EQ(n.OpcodeList1().Entry(0).MinVersion(), 0x01040000u);
    EXPECT_TRUE(n.OpcodeList1().Entry(0).Optional());
    EXPECT_EQ(n.OpcodeList1().Entry(0).Parameters(), (std::vector<uint8>{1, 2, 3, 4, 5}));
    ASSERT_EQ(n.OpcodeList2().Count(), 2u);
    EXPECT_TRUE(n.OpcodeList2().Entry(1).SkipIfPreview());
    EXPECT_EQ(n.OpcodeList2().MinVersion(false), 0x01030000u);
    for (int i = 0; i < 3; ++i) {
        const dng_opcode_list& list = i == 0 ? n.OpcodeList1() : (i == 1 ? n.OpcodeList2() : n.OpcodeList3());
        EXPECT_EQ(list.Spool(), options.opcodeList[i]) << "list " << i + 1;
    }
    const auto& warp = dynamic_cast<const dng_opcode_WarpRectilinear&>(n.OpcodeList3().Entry(0));
    ASSERT_EQ(warp.fPlanes.size(), 1u);
    EXPECT_EQ(warp.fPlanes[0].kr[0], 0.98);
    EXPECT_EQ(warp.fPlanes[0].kr[1], 0.02);
    EXPECT_EQ(warp.fCenterH, 0.45);
    EXPECT_EQ(warp.fCenterV, 0.55);
}

TEST(SyntheticFiles, ReparsingResetsMetadataAndKeepsStageImages) {
    FixtureOptions options;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    options.opcodeList[2] = OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters({{{1, 0}}}, 0.5, 0.5)}});
    auto f = LoadDNG(WriteFixtureDNG(options));
    dng_negative& n = *f->negative;
    n.SetModelName("changed");
    n.ClearRawImageDigest();
    n.OpcodeList3().Clear();
    f->stream->SetReadPosition(0);
    f->info.Parse(f->host, *f->stream);
    f->info.PostParse(f->host);
    n.Parse(f->host, *f->stream, f->info);
    n.PostParse(f->host, *f->stream, f->info);
    EXPECT_EQ(n.ModelName(), options.model);
    EXPECT_FALSE(n.RawImageDigest().IsNull());
    EXPECT_EQ(n.OpcodeList3().Count(), 1u);
    EXPECT_NE(n.Stage1Image(), nullptr);
    EXPECT_EQ(n.fResultScale, 1.0);
}

TEST(Images, PlaneViewGivesRowsOfPlaneZeroAndRefusesOtherPixelTypes) {
    FixtureOptions options;
    options.width = 13;
    options.height = 5;
    options.samples = PatternSamples(13, 5, 1, 16);
    auto f = LoadDNG(WriteFixtureDNG(options));
    dng_image& stage1 = *f->negative->Stage1Image();
    {
        dng_image_plane16 view(stage1);
        ASSERT_EQ(view.Width(), 13);
        ASSERT_EQ(view.Height(), 5);
        EXPECT_EQ(view.Row(4)[12], options.samples[4 * 13 + 12]);
        view.MutableRow(2)[3] = 4242;
    }
    EXPECT_EQ(PlaneSamples(stage1, 0)[2 * 13 + 3], 4242);
    auto clone = stage1.Clone();
    EXPECT_EQ(PlaneSamples(*clone, 0), PlaneSamples(stage1, 0));

    dng_simple_image bytes(dng_rect(4, 4), 1, ttByte, gDefaultDNGMemoryAllocator());
    try {
        dng_image_plane16 view(bytes);
        FAIL() << "8-bit image accepted";
    } catch (const dng_exception& e) {
        EXPECT_STREQ(e.what(), "Pixel type access mismatch");
    }
}

}  // namespace
