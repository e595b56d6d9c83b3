// Synthetic files: stage 1 holds exactly the samples the fixture writer stored, for every depth,
// encoding, layout and byte order; directories and metadata read as written.
#include <gtest/gtest.h>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_plane16.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

void ExpectRoundTrip(FixtureOptions options) {
    if (options.samples.empty())
        options.samples = PatternSamples(options.width, options.height, options.samplesPerPixel, options.bits);
    auto f = LoadDNG(WriteFixtureDNG(options));
    const dng_image& stage1 = *f->negative->Stage1Image();
    EXPECT_EQ(stage1.PixelType(), ttShort);
    EXPECT_EQ(stage1.Bounds(), dng_rect(options.height, options.width));
    EXPECT_EQ(InterleavedSamples(stage1), options.samples);
}

FixtureOptions Raw(uint32_t compression, uint32_t bits, uint32_t width, uint32_t height, uint32_t predictor,
                   uint32_t samplesPerPixel = 1) {
    FixtureOptions options;
    options.compression = compression;
    options.bits = bits;
    options.width = width;
    options.height = height;
    options.ljpegPredictor = predictor;
    options.cfa = samplesPerPixel == 1;
    options.samplesPerPixel = samplesPerPixel;
    return options;
}

// (compression, bits, variant, layout): the variant is the lossless-JPEG predictor, odd or even
// picks the byte order; the layout is one strip (0), strips of 5 rows (5) or 16 x 16 tiles (16).
class Stage1Read : public ::testing::TestWithParam<std::tuple<uint32, uint32, uint32, uint32>> {};

TEST_P(Stage1Read, HoldsTheStoredSamples) {
    const auto [compression, bits, variant, layout] = GetParam();
    FixtureOptions options = Raw(compression, bits, 37, 21, variant);
    options.bigEndian = variant % 2 == 0;
    options.tiled = layout == 16;
    options.tileWidth = options.tileLength = layout;
    ExpectRoundTrip(options);
}

INSTANTIATE_TEST_SUITE_P(Uncompressed, Stage1Read,
                         ::testing::Combine(::testing::Values(1u), ::testing::Values(8u, 10u, 12u, 14u, 16u),
                                            ::testing::Values(1u, 2u), ::testing::Values(0u, 5u, 16u)));
INSTANTIATE_TEST_SUITE_P(LosslessJPEG, Stage1Read,
                         ::testing::Combine(::testing::Values(7u), ::testing::Values(8u, 12u, 14u, 16u),
                                            ::testing::Range(1u, 8u), ::testing::Values(0u, 5u, 16u)));

TEST(Stage1Read, LosslessJPEGInterleavingRestartsThreeSamplesAndLongCodes) {
    FixtureOptions pairs = Raw(7, 14, 40, 12, 6);  // CFA rows as half-width JPEG rows of two components
    pairs.ljpegTwoColumnsPerPixel = true;
    FixtureOptions restarts = Raw(7, 14, 40, 12, 7);
    restarts.ljpegRestartRows = 3;
    FixtureOptions rgb = Raw(7, 14, 17, 9, 4, 3);
    rgb.tileLength = 4;
    FixtureOptions rgbPlain = rgb;
    rgbPlain.compression = 1;
    FixtureOptions extremes = Raw(7, 16, 64, 8, 1);  // differences of every category up to 16
    for (size_t i = 0; i < 64 * 8; ++i) extremes.samples.push_back((i * 7919) % 3 == 0 ? 65535 : (i % 2 ? 0 : 32768));
    for (const FixtureOptions& options : {pairs, restarts, rgb, rgbPlain, extremes}) ExpectRoundTrip(options);
}

// Directories in the order IFD 0, its sub-IFDs, chained ones; the metadata as written; opcode lists
// parsed with unknown opcodes kept as bytes. Loading again into the same negative sets its metadata
// from the file anew; the stage images stay.
TEST(SyntheticFiles, DirectoriesMetadataAndReparsing) {
    FixtureOptions options;
    options.width = 20;
    options.height = 12;
    options.samples = PatternSamples(20, 12, 1, 16);
    options.activeArea = {2, 4, 12, 20};
    options.maskedAreas = {0, 0, 2, 20, 2, 0, 12, 4};
    options.defaultCrop = {2, 1, 12, 8};
    const FixturePreview chained{32, 24, 3, false, false, true, {}, 0};
    options.previews = {{256, 4, 3, false, true, false, {}, 0}, chained, {1024, 8, 3, true, false, false, {}, 0},
                        {40, 30, 1, true, false, false, {}, 0}, chained};
    options.previews[4].width = 48;
    options.opcodeList[0] = OpcodeListBytes({{99, 0x01040000, 1, {1, 2, 3, 4, 5}}});
    options.opcodeList[1] = OpcodeListBytes({{4, 0x01030000, 0, {0, 0, 0, 0, 0, 0, 0, 1}}, {7, 0x01030000, 2, {}}});
    options.opcodeList[2] =
        OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters({{{0.98, 0.02}}}, 0.45, 0.55)}});
    auto f = LoadDNG(WriteFixtureDNG(options));
    const dng_info& info = f->info;
    ASSERT_EQ(info.IFDCount(), 6u);
    EXPECT_EQ(info.ChainedIFDCount(), 2u);
    EXPECT_EQ(info.fMainIndex, 1);
    const uint32 widthsAndCompressions[][2] = {{256, 1}, {20, 1}, {1024, 7}, {40, 7}, {32, 1}, {48, 1}};
    for (uint32 i = 0; i < 6; ++i)
        EXPECT_EQ(std::make_pair(info.fIFD[i]->fImageWidth, info.fIFD[i]->fCompression),
                  std::make_pair(widthsAndCompressions[i][0], widthsAndCompressions[i][1])) << i;
    // Previews without a colour-space tag get grey for one sample, sRGB otherwise.
    EXPECT_EQ(info.fIFD[3]->fPreviewColorSpace, 1u);
    EXPECT_EQ(info.fIFD[2]->fPreviewColorSpace, 2u);

    dng_negative& n = *f->negative;
    EXPECT_EQ(n.GetLinearizationInfo()->fActiveArea, dng_rect(2, 4, 12, 20));
    ASSERT_EQ(n.GetLinearizationInfo()->fMaskedAreaCount, 2u);
    EXPECT_EQ(n.GetLinearizationInfo()->fMaskedArea[1], dng_rect(2, 0, 12, 4));
    EXPECT_EQ((std::vector<real64>{n.DefaultCropOriginH().As_real64(), n.DefaultCropOriginV().As_real64(),
                                   n.DefaultCropSizeH().As_real64(), n.DefaultCropSizeV().As_real64()}),
              (std::vector<real64>{2, 1, 12, 8}));
    const dng_opcode& unknown = n.OpcodeList1().Entry(0);
    EXPECT_EQ(std::make_tuple(unknown.OpcodeID(), unknown.MinVersion(), unknown.Optional()),
              std::make_tuple(99u, 0x01040000u, true));
    EXPECT_EQ(unknown.Parameters(), (std::vector<uint8>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(n.OpcodeList2().Entry(1).SkipIfPreview());
    const auto& warp = dynamic_cast<const dng_opcode_WarpRectilinear&>(n.OpcodeList3().Entry(0));
    EXPECT_EQ(warp.fPlanes.at(0).kr[1], 0.02);
    EXPECT_EQ(warp.fCenterV, 0.55);

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
    const dng_opcode_list* lists[] = {&n.OpcodeList1(), &n.OpcodeList2(), &n.OpcodeList3()};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lists[i]->Spool(), options.opcodeList[i]) << "list " << i + 1;
    EXPECT_NE(n.Stage1Image(), nullptr);

    options.defaultCrop[2] = 17;  // reaches past the active area
    EXPECT_THROW(LoadDNG(WriteFixtureDNG(options)), dng_exception);
}

// The engine's plane view over stage images (its reading and writing are the pipeline tests' daily bread).
TEST(Images, PlaneViewRefusesOtherPixelTypes) {
    dng_simple_image bytes(dng_rect(4, 4), 1, ttByte, gDefaultDNGMemoryAllocator());
    try {
        dng_image_plane16 view(bytes);
        FAIL() << "8-bit image accepted";
    } catch (const dng_exception& e) {
        EXPECT_STREQ(e.what(), "Pixel type access mismatch");
    }
}

}  // namespace
