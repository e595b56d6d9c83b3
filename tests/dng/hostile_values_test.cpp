// Well-formed DNGs that carry a hostile number where the layer reads a real value: each gives a
// refusal with the bad-format error or a picture as if the value were sound or missing, never a
// crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "dng/dng_exceptions.h"
#include "dng/dng_render.h"
#include "dng/dng_tag_codes.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDenormal = std::numeric_limits<double>::denorm_min();
using namespace fixture_type;

// LinearRaw colour negative of an odd, non-square size, every pixel one unbalanced colour.
FixtureOptions Colour() {
    FixtureOptions s;
    s.width = 9;
    s.height = 5;
    s.cfa = false;
    s.samplesPerPixel = 3;
    for (uint32_t i = 0; i < s.width * s.height; ++i) s.samples.insert(s.samples.end(), {21000, 30000, 9000});
    return s;
}

FixtureOptions With(FixtureOptions s, std::vector<FixtureTag> tags) {
    s.extraTags.insert(s.extraTags.end(), tags.begin(), tags.end());
    return s;
}

// The 16-bit render of the whole negative, planes interleaved; nothing when the file is refused
// as a bad format (any other error fails the test).
std::optional<std::vector<uint16_t>> Rendered(const FixtureOptions& options) {
    try {
        auto dng = LoadDNG(WriteFixtureDNG(options));
        BuildStages(*dng);
        dng_render render(dng->host, *dng->negative);
        render.SetFinalPixelType(ttShort);
        return InterleavedSamples(*render.Render());
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << e.what();
        return std::nullopt;
    }
}

// Faults caught: a BaselineExposure taken as read (1075 stops underflow the white point to 0 and
// the render indexes past its pixel), or one refused although in range (the 1-stop case).
TEST(HostileValues, BaselineExposureOutOfRangeIsIgnored) {
    const auto plain = Rendered(Colour());
    ASSERT_TRUE(plain);
    const struct {
        uint16_t type;
        double value;
    } ignored[] = {{kSRational, 1075}, {kSRational, 1074}, {kSRational, -1075}, {kSRational, 16.5},
                   {kDouble, 1e300},   {kDouble, 1e308},   {kDouble, kNaN},     {kDouble, kInf},
                   {kDouble, -kInf},   {kFloat, 3e38f},    {kDouble, -1e-20},   {kDouble, kDenormal}};
    for (const auto& c : ignored)
        EXPECT_EQ(Rendered(With(Colour(), {{tcBaselineExposure, c.type, {c.value}}})), plain) << c.value;
    const auto brighter = Rendered(With(Colour(), {{tcBaselineExposure, kSRational, {1}}}));
    ASSERT_TRUE(brighter);
    EXPECT_GT((*brighter)[1], (*plain)[1] + 1000);
}

// A profile table of `hue` x 2 x 1 entries, each shifting the hue by `shift` degrees.
std::vector<FixtureTag> HueTable(uint16_t dimsTag, uint16_t dataTag, uint32_t hue, double shift,
                                 uint16_t type = kFloat) {
    std::vector<double> data;
    for (uint32_t i = 0; i < hue * 2; ++i) data.insert(data.end(), {shift, 1.0, 1.0});
    return {{dimsTag, kLong, {double(hue), 2, 1}}, {dataTag, type, data}};
}

// Faults caught: the hue wrap stepping by 6 (never ends for 1e30, slow for 1e6 degrees), a wrap
// that is not a true modulo (720 + 30 or -330 degrees not landing on 30), a non-finite or absurd
// table used instead of ignored, and a sound table ignored (the 30-degree shift must show).
TEST(HostileValues, HueShiftsWrapOnceAndAbsurdTablesAreIgnored) {
    for (const auto& [dims, data] : {std::pair(tcProfileHueSatMapDims, tcProfileHueSatMapData1),
                                     std::pair(tcProfileLookTableDims, tcProfileLookTableData)}) {
        SCOPED_TRACE(data);
        const auto plain = Rendered(Colour());
        const auto shifted = Rendered(With(Colour(), HueTable(dims, data, 7, 30)));
        ASSERT_TRUE(plain && shifted);
        EXPECT_NE(shifted, plain);
        for (double same : {750.0, -330.0, 360.0 * 1000 + 30})
            EXPECT_EQ(Rendered(With(Colour(), HueTable(dims, data, 7, same))), shifted) << same;
        for (double absurd : {1e30, -1e30, 1e7, kNaN, kInf, -kInf})
            EXPECT_EQ(Rendered(With(Colour(), HueTable(dims, data, 4, absurd))), plain) << absurd;
        EXPECT_EQ(Rendered(With(Colour(), HueTable(dims, data, 4, 1e300, kDouble))), plain);
    }
}

// Faults caught: colour matrices, calibrations and balances of huge or non-finite entries taken
// as read (their products overflow and the render refuses the matrix or yields NaN), or a sound
// forward matrix ignored.
TEST(HostileValues, AbsurdColourEntriesMakeTheTagIgnored) {
    const auto plain = Rendered(Colour());
    ASSERT_TRUE(plain);
    const std::vector<double> forward = {0.7, 0.2, 0.05, 0.3, 0.65, 0.05, 0.0, 0.05, 0.8};
    EXPECT_NE(Rendered(With(Colour(), {{tcForwardMatrix1, kDouble, forward}})), plain);
    for (double bad : {1e300, -1e300, 1e308, 2e6, kNaN, kInf}) {
        SCOPED_TRACE(bad);
        std::vector<double> matrix = forward;
        matrix[5] = bad;
        EXPECT_EQ(Rendered(With(Colour(), {{tcForwardMatrix1, kDouble, matrix}})), plain);
        std::vector<double> calibration = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        calibration[7] = bad;
        EXPECT_EQ(Rendered(With(Colour(), {{tcCameraCalibration1, kDouble, calibration}})), plain);
        EXPECT_EQ(Rendered(With(Colour(), {{tcAnalogBalance, kDouble, {1, bad, 1}}})), plain);
    }
}

// Faults caught: a default scale taken as read (a 5-row negative renders two million rows; larger
// scales overflow the size's integers), or the in-range limits refused.
TEST(HostileValues, DefaultScaleBeyondSixteenIsRefused) {
    const struct {
        double h, v;
        bool refused;
    } cases[] = {{16, 1, false}, {1, 1.0 / 16, false}, {16.5, 1, true}, {1, 400000, true}, {1, 0.01, true}};
    for (const auto& c : cases) {
        const auto image = Rendered(With(Colour(), {{tcDefaultScale, kRational, {c.h, c.v}}}));
        EXPECT_EQ(!image, c.refused) << c.h << " " << c.v;
        if (image) {
            EXPECT_EQ(image->size(), size_t(std::max(1L, std::lround(9 * c.h)) * std::max(1L, std::lround(5 * c.v)) * 3));
        }
    }
}

// A WarpRectilinear opcode of one plane, applied as the thumbnail render applies it, to a
// 37 x 23 three-plane pattern; nothing when the file is refused.
std::optional<std::vector<uint16_t>> Warped(const WarpPlane& plane, double cx, double cy) {
    FixtureOptions options = Colour();
    options.opcodeList[2] = OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters({plane}, cx, cy)}});
    std::unique_ptr<LoadedDNG> dng;
    try {
        dng = LoadDNG(WriteFixtureDNG(options));
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << e.what();
        return std::nullopt;
    }
    AutoPtr<dng_image> image =
        MakeImage(dng->host, 37, 23, 3, [](uint32_t r, uint32_t c, uint32_t p) { return (r * 37 + c) * 50 + p; });
    dng->negative->OpcodeList3().Entry(0).Apply(dng->host, *dng->negative, image);
    return InterleavedSamples(*image);
}

// Faults caught: a source position a hair below a pixel reading weights row 32 of 32 (past the
// table) instead of the next pixel's row 0, huge coefficients overflowing to a NaN that becomes a
// table index, and a transposed or misplaced warp (the identity must give back its picture).
TEST(HostileValues, WarpCoefficientsNeverIndexPastTheWeights) {
    for (const auto& [cx, cy] : {std::pair(0.0, 0.0), std::pair(1.0, 1.0), std::pair(0.0, 1.0), std::pair(0.5, 0.3)}) {
        SCOPED_TRACE(testing::Message() << "centre " << cx << ", " << cy);
        const auto identity = Warped(WarpPlane{{1}, {}}, cx, cy);
        ASSERT_TRUE(identity);
        for (size_t i = 0; i < identity->size(); ++i) ASSERT_EQ((*identity)[i], (i / 3) * 50 + i % 3) << i;
        for (double tiny : {-1e-20, -kDenormal, -1e-300}) {
            EXPECT_EQ(Warped(WarpPlane{{1}, {tiny, 0}}, cx, cy), identity) << tiny;
            EXPECT_EQ(Warped(WarpPlane{{1}, {0, tiny}}, cx, cy), identity) << tiny;
        }
    }
    const WarpPlane refused[] = {{{1e308}, {}},          {{1, 1e308}, {}}, {{1}, {1e308, 0}}, {{1}, {0, -1e308}},
                                 {{1, 0, 0, 1e300}, {}}, {{1, 1001}, {}},  {{kNaN}, {}},      {{1}, {kInf, 0}}};
    for (const WarpPlane& plane : refused) EXPECT_FALSE(Warped(plane, 0.5, 0.5)) << plane.kr[0] << plane.kt[0];
    // The largest accepted coefficients send most positions far off the picture.
    const auto far = Warped(WarpPlane{{1000, 1000, 1000, 1000}, {1000, -1000}}, 0, 0);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->size(), size_t(37) * 23 * 3);
}

}  // namespace
