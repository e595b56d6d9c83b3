// Stage-2 linearization against values worked out by hand from the DNG rules.
#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

// A one-row file whose samples are `values`, linearized with the given levels.
std::vector<uint16_t> Stage2Row(std::vector<uint16_t> values, FixtureOptions options) {
    options.width = static_cast<uint32_t>(values.size());
    options.height = 2;
    options.samples = values;
    options.samples.insert(options.samples.end(), values.begin(), values.end());
    auto f = LoadDNG(WriteFixtureDNG(options));
    f->negative->BuildStage2Image(f->host, ttShort);
    std::vector<uint16_t> plane = PlaneSamples(*f->negative->Stage2Image(), 0);
    plane.resize(values.size());
    return plane;
}

TEST(Stage2, SingleBlackLevelUsesTheDirectFormula) {
    FixtureOptions options;
    options.bits = 14;
    options.blackLevel = {0};
    options.whiteLevel = {16383};
    // 8192 / 16383 x 65535 = 32770.0, rounded.
    EXPECT_EQ(Stage2Row({0, 8192, 16383, 16000, 1}, options), (std::vector<uint16_t>{0, 32770, 65535, 64003, 4}));
    options.blackLevel = {512};
    options.bits = 16;
    options.whiteLevel = {16383};
    // (8192 - 512) / 15871 x 65535 + 0.5 = 31712.4 -> 31712; above white clips, below black is 0.
    EXPECT_EQ(Stage2Row({100, 512, 8192, 20000}, options), (std::vector<uint16_t>{0, 0, 31712, 65535}));
}

TEST(Stage2, BlackPatternUsesTheIntegerPath) {
    FixtureOptions options;
    options.bits = 16;
    options.blackRepeatRows = 2;
    options.blackRepeatCols = 2;
    options.blackLevel = {1024, 1024, 1024, 1024};
    options.whiteLevel = {16383};
    EXPECT_EQ(Stage2Row({1024, 8192, 16383, 16400, 0}, options), (std::vector<uint16_t>{0, 30585, 65535, 65535, 0}));
}

TEST(Stage2, DeltasAndActiveAreaFollowTheActiveOrigin) {
    FixtureOptions options;
    options.width = 6;
    options.height = 5;
    options.samples.assign(30, 0);
    for (uint32_t r = 0; r < 5; ++r)
        for (uint32_t c = 0; c < 6; ++c) options.samples[r * 6 + c] = static_cast<uint16_t>(600 + 10 * r + c);
    options.activeArea = {1, 2, 4, 5};
    options.blackLevel = {100};
    options.blackDeltaH = {0, 8, 4};
    options.blackDeltaV = {0, 16, 2};
    options.whiteLevel = {1100};
    auto f = LoadDNG(WriteFixtureDNG(options));
    f->negative->BuildStage2Image(f->host, ttShort);
    const dng_image& stage2 = *f->negative->Stage2Image();
    ASSERT_EQ(stage2.Bounds(), dng_rect(3, 3));
    const std::vector<uint16_t> out = PlaneSamples(stage2, 0);
    // Largest black 100 + 8 + 16, so the range is 976; K = 65535 x 256 / 976.
    const double K = 65535.0 * 256.0 / 976.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const double x = 600 + 10 * (r + 1) + (c + 2);
            const long expected = (std::lround(x * K) + 128 - std::lround(options.blackDeltaV[r] * K) -
                                   std::lround((100 + options.blackDeltaH[c]) * K)) >> 8;
            EXPECT_EQ(out[r * 3 + c], expected) << r << "," << c;
        }
    // Stage (0,0) is stored (1,2): (612 - 100) / 976 x 65535 = 34378.7 in exact arithmetic.
    EXPECT_NEAR(out[0], 34378.7, 1.0);
}

TEST(Stage2, EightBitWithLinearizationTable) {
    FixtureOptions options;
    options.bits = 8;
    options.linearizationTable.resize(256);
    for (int i = 0; i < 256; ++i) options.linearizationTable[i] = static_cast<uint16_t>(i * i / 4);
    options.whiteLevel = {16256};
    // 255 -> 16256 (white), 128 -> 4096 -> 4096 / 16256 x 65535 = 16512.7 -> 16513; 2 -> 1 -> 4.
    EXPECT_EQ(Stage2Row({255, 128, 2, 0}, options), (std::vector<uint16_t>{65535, 16513, 4, 0}));
}

TEST(Stage2, ThreePlanesEachUseTheirOwnWhiteLevel) {
    FixtureOptions options;
    options.cfa = false;
    options.samplesPerPixel = 3;
    options.width = 1;
    options.height = 1;
    options.samples = {1000, 1000, 1000};
    options.whiteLevel = {1000, 2000, 4000};
    auto f = LoadDNG(WriteFixtureDNG(options));
    f->negative->BuildStage2Image(f->host, ttShort);
    const dng_image& stage2 = *f->negative->Stage2Image();
    EXPECT_EQ(PlaneSamples(stage2, 0)[0], 65535);
    EXPECT_EQ(PlaneSamples(stage2, 1)[0], 32768);  // 0.5 x 65535 + 0.5
    EXPECT_EQ(PlaneSamples(stage2, 2)[0], 16384);  // 0.25 x 65535 + 0.5
}

TEST(Stage2, StageBuildsReleaseTheirSourceButKeepTheMetadata) {
    FixtureOptions options;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    options.opcodeList[2] = OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters({{{1, 0}}}, 0.5, 0.5)}});
    auto f = LoadDNG(WriteFixtureDNG(options));
    dng_negative& n = *f->negative;
    BuildStages(*f);
    EXPECT_EQ(n.Stage1Image(), nullptr);
    EXPECT_EQ(n.Stage2Image(), nullptr);
    EXPECT_NE(n.GetMosaicInfo(), nullptr);
    EXPECT_FALSE(n.RawImageDigest().IsNull());
    EXPECT_EQ(n.OpcodeList3().Count(), 1u);
}

// A subclass the way the program's negative rewrites the step: table dropped, base linearization.
class TableFreeNegative : public dng_negative {
public:
    explicit TableFreeNegative(dng_memory_allocator& allocator) : dng_negative(allocator) {}
    int builds = 0;

protected:
    void DoBuildStage2(dng_host& host, uint32 pixelType) override {
        ++builds;
        fLinearizationInfo->fLinearizationTable.clear();
        dng_negative::DoBuildStage2(host, pixelType);
    }
};

class TableFreeHost : public dng_host {
public:
    std::unique_ptr<dng_negative> Make_dng_negative() override {
        auto negative = std::unique_ptr<dng_negative>(new TableFreeNegative(Allocator()));
        negative->Initialize();
        return negative;
    }
};

TEST(Stage2, SubclassOverridesTheLinearizationStep) {
    FixtureOptions options;
    options.bits = 8;
    options.width = 4;
    options.height = 2;
    options.samples = {0, 1, 128, 255, 0, 1, 128, 255};
    options.linearizationTable.assign(256, 9999);
    options.whiteLevel = {255};
    auto f = LoadDNG(WriteFixtureDNG(options), true, std::make_unique<TableFreeHost>());
    f->negative->BuildStage2Image(f->host, ttShort);
    EXPECT_EQ(static_cast<TableFreeNegative&>(*f->negative).builds, 1);
    // Without the table: 128 / 255 x 65535 + 0.5 = 32896.5 -> 32896.
    EXPECT_EQ(PlaneSamples(*f->negative->Stage2Image(), 0),
              (std::vector<uint16_t>{0, 257, 32896, 65535, 0, 257, 32896, 65535}));
}

TEST(Stage2, BlackAtOrAboveWhiteIsABadFormat) {
    FixtureOptions options;
    options.blackLevel = {1000};
    options.blackDeltaV = std::vector<double>(6, 200.0);
    options.whiteLevel = {1100};
    options.samples = PatternSamples(options.width, options.height, 1, 10);
    auto f = LoadDNG(WriteFixtureDNG(options));
    try {
        f->negative->BuildStage2Image(f->host, ttShort);
        FAIL() << "no error";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format);
    }
}

}  // namespace
