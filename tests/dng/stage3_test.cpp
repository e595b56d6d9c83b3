// Stage-3 bilinear demosaic and the per-sample hook.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

// Records every hooked sample.
class RecordingNegative : public dng_negative {
public:
    explicit RecordingNegative(dng_memory_allocator& allocator) : dng_negative(allocator) {}
    void StoreSample(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, uint32 offset,
                     uint32 value) override {
        const int32 col = firstCol + static_cast<int32>(offset);
        ++calls[std::make_tuple(row, col, plane)];
        values[std::make_tuple(row, col, plane)] = value;
        height = H;
        width = W;
    }
    std::map<std::tuple<int32, int32, uint32>, int> calls;
    std::map<std::tuple<int32, int32, uint32>, uint32> values;
    uint32 height = 0;
    uint32 width = 0;
};

class RecordingHost : public dng_host {
public:
    std::unique_ptr<dng_negative> Make_dng_negative() override {
        auto negative = std::unique_ptr<dng_negative>(new RecordingNegative(Allocator()));
        negative->Initialize();
        return negative;
    }
    void SniffForAbort() override {
        if (abortAfter >= 0 && sniffs++ >= abortAfter) ThrowUserCanceled();
    }
    int abortAfter = -1;
    int sniffs = 0;
};

RecordingNegative& Recorder(LoadedDNG& dng) { return static_cast<RecordingNegative&>(*dng.negative); }

// Builds stage 3 of a file whose stage 2 equals its samples (black 0, white 65535).
std::unique_ptr<LoadedDNG> BuildStage3(const FixtureOptions& options, int abortAfter = -1) {
    auto dng = LoadDNG(WriteFixtureDNG(options), true, std::make_unique<RecordingHost>());
    dng->negative->BuildStage2Image(dng->host, ttShort);
    static_cast<RecordingHost&>(dng->host).abortAfter = abortAfter;
    dng->negative->BuildStage3Image(dng->host, -1);
    return dng;
}

FixtureOptions Ramp(uint32_t width, uint32_t height) {
    FixtureOptions options;
    options.width = width;
    options.height = height;
    options.samples.resize(size_t(width) * height);
    for (uint32_t r = 0; r < height; ++r)
        for (uint32_t c = 0; c < width; ++c) options.samples[r * width + c] = static_cast<uint16_t>(1000 + 40 * r + 3 * c);
    return options;
}

TEST(Stage3, BayerInterpolationOfARampIsExactInsideAndMirrorsAtEdges) {
    FixtureOptions options = Ramp(10, 8);
    auto s = BuildStage3(options);
    const dng_image& stage3 = *s->negative->Stage3Image();
    ASSERT_EQ(stage3.Planes(), 3u);
    auto at = [&](uint32 p, int r, int c) { return PlaneSamples(stage3, p)[r * 10 + c]; };
    auto ramp = [](int r, int c) { return 1000 + 40 * r + 3 * c; };
    for (int r = 1; r < 7; ++r)
        for (int c = 1; c < 9; ++c)
            for (uint32 p = 0; p < 3; ++p) EXPECT_EQ(at(p, r, c), ramp(r, c)) << p << " " << r << "," << c;
    // Red site (0,0): green from N,S,W,E with row -1 -> 1 and column -1 -> 1.
    EXPECT_EQ(at(1, 0, 0), (128 + 64 * (2 * ramp(1, 0) + 2 * ramp(0, 1))) >> 8);
    // Blue from the four diagonals, all folding onto (1,1).
    EXPECT_EQ(at(2, 0, 0), ramp(1, 1));
    EXPECT_EQ(at(0, 0, 0), ramp(0, 0));
    // Green site (0,1) in a red row: red from left and right, blue from N (-> row 1) and S.
    EXPECT_EQ(at(0, 0, 1), ramp(0, 1));
    EXPECT_EQ(at(2, 0, 1), ramp(1, 1));
    // Bottom-right blue site (7,9): red from diagonals with row 8 -> 6 and column 10 -> 8.
    EXPECT_EQ(at(0, 7, 9), (128 + 64 * (2 * ramp(6, 8) + 2 * ramp(6, 8))) >> 8);
}

TEST(Stage3, OtherBayerPhasesPutEachColourOnItsPlane) {
    FixtureOptions options = Ramp(6, 6);
    const uint8_t patterns[][4] = {{1, 2, 0, 1}, {2, 1, 1, 0}, {1, 0, 2, 1}};
    for (const auto& pattern : patterns) {
        std::copy(pattern, pattern + 4, options.cfaPattern.begin());
        auto s = BuildStage3(options);
        const dng_image& stage3 = *s->negative->Stage3Image();
        for (uint32 p = 0; p < 3; ++p)
            EXPECT_EQ(PlaneSamples(stage3, p)[2 * 6 + 2], 1000 + 80 + 6) << int(pattern[0]) << " plane " << p;
        // The stored site colour passes through unchanged.
        EXPECT_EQ(PlaneSamples(stage3, pattern[0])[0], 1000);
    }
}

TEST(Stage3, HookSeesEverySampleOnceAcrossTiles) {
    FixtureOptions options;
    options.width = 301;
    options.height = 133;
    options.samples = PatternSamples(301, 133, 1, 16);
    auto s = BuildStage3(options);
    RecordingNegative& rec = Recorder(*s);
    EXPECT_EQ(rec.height, 133u);
    EXPECT_EQ(rec.width, 301u);
    ASSERT_EQ(rec.calls.size(), size_t(301) * 133 * 3);
    for (const auto& [key, count] : rec.calls) ASSERT_EQ(count, 1);
    const dng_image& stage3 = *s->negative->Stage3Image();
    for (uint32 p = 0; p < 3; ++p) {
        const std::vector<uint16_t> plane = PlaneSamples(stage3, p);
        for (int r = 0; r < 133; r += 11)
            for (int c = 0; c < 301; c += 7)
                EXPECT_EQ(rec.values[std::make_tuple(r, c, p)], plane[r * 301 + c]);
    }
}

TEST(Stage3, MonochromeStage3IsStage2WithoutTheHook) {
    FixtureOptions options;
    options.cfa = false;
    options.colour = false;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    auto s = BuildStage3(options);
    EXPECT_TRUE(Recorder(*s).calls.empty());
    EXPECT_EQ(s->negative->Stage2Image(), nullptr);
    EXPECT_EQ(PlaneSamples(*s->negative->Stage3Image(), 0), options.samples);
}

TEST(Stage3, AbortTestStopsTheDemosaic) {
    FixtureOptions options;
    options.width = 300;
    options.height = 10;
    options.samples = PatternSamples(300, 10, 1, 16);
    try {
        BuildStage3(options, 1);
        FAIL() << "not stopped";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_user_canceled);
    }
}

}  // namespace
