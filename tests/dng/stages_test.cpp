// Stage 2 (linearization) and stage 3 (bilinear demosaic and its per-sample hook) against
// values worked out by hand from the DNG rules.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <tuple>

#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

// A negative the way the program's subclass uses its hooks: it records every hooked sample and,
// with `dropTable`, rewrites the linearization step to run without the table.
class TestNegative : public dng_negative {
public:
    explicit TestNegative(dng_memory_allocator& allocator) : dng_negative(allocator) {}
    // The demosaic's workers call this for several tiles at once.
    void StoreSample(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, uint32 offset,
                     uint32 value) override {
        const std::lock_guard<std::mutex> lock(mutex);
        repeats += !values.emplace(std::make_tuple(row, firstCol + static_cast<int32>(offset), plane), value).second;
        size = {H, W};
    }
    bool dropTable = false;
    std::map<std::tuple<int32, int32, uint32>, uint32> values;
    int repeats = 0;
    std::pair<uint32, uint32> size;
    std::mutex mutex;

protected:
    void DoBuildStage2(dng_host& host, uint32 pixelType) override {
        if (dropTable) fLinearizationInfo->fLinearizationTable.clear();
        dng_negative::DoBuildStage2(host, pixelType);
    }
};

class TestHost : public dng_host {
public:
    explicit TestHost(bool dropTable) : dropTable(dropTable) {}
    std::unique_ptr<dng_negative> Make_dng_negative() override {
        auto negative = std::make_unique<TestNegative>(Allocator());
        negative->dropTable = dropTable;
        negative->Initialize();
        return negative;
    }
    const bool dropTable;
};

// The file read and built up to `stage`.
std::unique_ptr<LoadedDNG> Build(const FixtureOptions& options, int stage, bool dropTable = false) {
    auto dng = LoadDNG(WriteFixtureDNG(options), true, std::make_unique<TestHost>(dropTable));
    dng->negative->BuildStage2Image(dng->host, ttShort);
    if (stage == 3) dng->negative->BuildStage3Image(dng->host, -1);
    return dng;
}

FixtureOptions Levels(uint32_t bits, std::vector<double> black, std::vector<uint32_t> white, uint32_t repeat = 1) {
    FixtureOptions options;
    options.bits = bits;
    options.blackLevel = std::move(black);
    options.whiteLevel = std::move(white);
    options.blackRepeatRows = options.blackRepeatCols = repeat;
    return options;
}

// Stage 2 of a two-row file whose rows are both `row` (interleaved samples), as its first row.
std::vector<uint16_t> Stage2Row(FixtureOptions options, const std::vector<uint16_t>& row, bool dropTable = false) {
    options.width = static_cast<uint32_t>(row.size() / options.samplesPerPixel);
    options.height = 2;
    options.samples = row;
    options.samples.insert(options.samples.end(), row.begin(), row.end());
    std::vector<uint16_t> samples = InterleavedSamples(*Build(options, 2, dropTable)->negative->Stage2Image());
    samples.resize(row.size());
    return samples;
}

TEST(Stage2, LevelsTableAndPlanes) {
    FixtureOptions table = Levels(8, {}, {16256});
    for (int i = 0; i < 256; ++i) table.linearizationTable.push_back(static_cast<uint16_t>(i * i / 4));
    FixtureOptions rgb = Levels(16, {}, {1000, 2000, 4000});
    rgb.cfa = false;
    rgb.samplesPerPixel = 3;
    const struct {
        FixtureOptions options;
        std::vector<uint16_t> in, out;
    } cases[] = {
        // 8192 / 16383 x 65535 = 32769.5, rounded up
        {Levels(14, {0}, {16383}), {0, 8192, 16383, 16000, 1}, {0, 32770, 65535, 64003, 4}},
        // (8192 - 512) / 15871 x 65535 + 0.5 = 31712.4; above white clips, below black is 0.
        {Levels(16, {512}, {16383}), {100, 512, 8192, 20000}, {0, 0, 31712, 65535}},
        // A 2 x 2 black pattern takes the integer path: (8192 - 1024) / 15359 x 65535 = 30585.0
        {Levels(16, {1024, 1024, 1024, 1024}, {16383}, 2), {1024, 8192, 16383, 16400, 0}, {0, 30585, 65535, 65535, 0}},
        // 128 -> 4096 -> 4096 / 16256 x 65535 = 16512.7; 2 -> 1 -> 4.
        {table, {255, 128, 2, 0}, {65535, 16513, 4, 0}},
        // Each plane its own white level: 1, 0.5, 0.25.
        {rgb, {1000, 1000, 1000}, {65535, 32768, 16384}}};
    for (const auto& c : cases) EXPECT_EQ(Stage2Row(c.options, c.in), c.out) << c.in[1];

    // A subclass's step without the table: 128 / 255 x 65535 + 0.5 = 32896.5 -> 32896.
    FixtureOptions ignored = Levels(8, {}, {255});
    ignored.linearizationTable.assign(256, 9999);
    EXPECT_EQ(Stage2Row(ignored, {0, 1, 128, 255}, true), (std::vector<uint16_t>{0, 257, 32896, 65535}));
}

TEST(Stage2, DeltasAndActiveAreaFollowTheActiveOrigin) {
    FixtureOptions options = Levels(16, {100}, {1100});
    options.width = 6;
    options.height = 5;
    for (uint32_t i = 0; i < 30; ++i) options.samples.push_back(static_cast<uint16_t>(600 + 10 * (i / 6) + i % 6));
    options.activeArea = {1, 2, 4, 5};
    options.blackDeltaH = {0, 8, 4};
    options.blackDeltaV = {0, 16, 2};
    auto f = Build(options, 2);
    const dng_image& stage2 = *f->negative->Stage2Image();
    ASSERT_EQ(stage2.Bounds(), dng_rect(3, 3));
    const std::vector<uint16_t> out = PlaneSamples(stage2, 0);
    // The range is white minus the largest black, 1100 - (100 + 8 + 16) = 976; stage (r, c) is stored (r + 1, c + 2).
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const double black = 100 + options.blackDeltaH[c] + options.blackDeltaV[r];
            EXPECT_NEAR(out[r * 3 + c], (600 + 10 * (r + 1) + c + 2 - black) / 976 * 65535, 1.0) << r << "," << c;
        }
}

int Ramp(int r, int c) { return 1000 + 40 * r + 3 * c; }

// A ramp whose stage 2 equals its samples (black 0, white 65535).
FixtureOptions RampFile(uint32_t width, uint32_t height) {
    FixtureOptions options;
    options.width = width;
    options.height = height;
    for (uint32_t i = 0; i < width * height; ++i) options.samples.push_back(Ramp(i / width, i % width));
    return options;
}

TEST(Stage3, BayerInterpolationOfARampIsExactInsideAndMirrorsAtEdgesInEveryPhase) {
    auto s = Build(RampFile(10, 8), 3);
    const dng_image& stage3 = *s->negative->Stage3Image();
    ASSERT_EQ(stage3.Planes(), 3u);
    auto at = [&](uint32 p, int r, int c) { return PlaneSamples(stage3, p)[r * 10 + c]; };
    for (int r = 1; r < 7; ++r)
        for (int c = 1; c < 9; ++c)
            for (uint32 p = 0; p < 3; ++p) EXPECT_EQ(at(p, r, c), Ramp(r, c)) << p << " " << r << "," << c;
    // Red site (0,0): green from N,S,W,E with row -1 -> 1 and column -1 -> 1; blue from the four
    // diagonals, all folding onto (1,1).
    EXPECT_EQ(at(1, 0, 0), (128 + 64 * (2 * Ramp(1, 0) + 2 * Ramp(0, 1))) >> 8);
    EXPECT_EQ(at(2, 0, 0), Ramp(1, 1));
    // Green site (0,1) in a red row: blue from N (-> row 1) and S.
    EXPECT_EQ(at(2, 0, 1), Ramp(1, 1));
    // Bottom-right blue site (7,9): red from diagonals with row 8 -> 6 and column 10 -> 8.
    EXPECT_EQ(at(0, 7, 9), Ramp(6, 8));

    // The other Bayer phases put each colour on its plane; the stored site colour passes unchanged.
    FixtureOptions options = RampFile(6, 6);
    const std::array<uint8_t, 4> patterns[] = {{1, 2, 0, 1}, {2, 1, 1, 0}, {1, 0, 2, 1}};
    for (const auto& pattern : patterns) {
        options.cfaPattern = pattern;
        auto phase = Build(options, 3);
        const dng_image& image = *phase->negative->Stage3Image();
        for (uint32 p = 0; p < 3; ++p) EXPECT_EQ(PlaneSamples(image, p)[2 * 6 + 2], Ramp(2, 2)) << int(pattern[0]) << p;
        EXPECT_EQ(PlaneSamples(image, pattern[0])[0], Ramp(0, 0));
    }
}

// Across several demosaic tiles; the stage builds release their source and keep the metadata.
TEST(Stage3, HookSeesEverySampleOnceAndMetadataStays) {
    FixtureOptions options;
    options.width = 301;
    options.height = 133;
    options.samples = PatternSamples(301, 133, 1, 16);
    options.opcodeList[2] = OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters({{{1, 0}}}, 0.5, 0.5)}});
    auto s = Build(options, 3);
    const auto& n = static_cast<const TestNegative&>(*s->negative);
    EXPECT_EQ(n.size, std::make_pair(133u, 301u));
    EXPECT_EQ(n.repeats, 0);
    ASSERT_EQ(n.values.size(), size_t(301) * 133 * 3);
    const std::vector<uint16_t> planes[] = {PlaneSamples(*n.Stage3Image(), 0), PlaneSamples(*n.Stage3Image(), 1),
                                            PlaneSamples(*n.Stage3Image(), 2)};
    for (const auto& [key, value] : n.values)
        ASSERT_EQ(value, planes[std::get<2>(key)][std::get<0>(key) * 301 + std::get<1>(key)]);
    EXPECT_EQ(n.Stage1Image(), nullptr);
    EXPECT_EQ(n.Stage2Image(), nullptr);
    EXPECT_NE(n.GetMosaicInfo(), nullptr);
    EXPECT_FALSE(n.RawImageDigest().IsNull());
    EXPECT_EQ(n.OpcodeList3().Count(), 1u);
}

TEST(Stage3, MonochromeHasNoMosaicAndItsStage3IsStage2WithoutTheHook) {
    FixtureOptions options = RampFile(8, 6);
    options.cfa = false;
    options.colour = false;
    auto s = Build(options, 3);
    EXPECT_EQ(s->negative->ColorChannels(), 1u);
    EXPECT_EQ(s->negative->GetMosaicInfo(), nullptr);
    EXPECT_TRUE(static_cast<const TestNegative&>(*s->negative).values.empty());
    EXPECT_EQ(PlaneSamples(*s->negative->Stage3Image(), 0), options.samples);
}

}  // namespace
