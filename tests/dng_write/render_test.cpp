// The colour render: neutrals stay neutral, output spaces differ only as their primaries and
// encodings say, malformed colour data never yields NaNs, and the render sizes.
#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_color_space.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_render.h"
#include "dng/dng_render_task.h"
#include "dng/dng_xmp_orientation.h"
#include "dng_test_support.h"
#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace {

// LinearRaw 3-sample negative, every pixel (v0, v1, v2).
FixtureOptions Uniform(uint16_t v0, uint16_t v1, uint16_t v2, std::vector<double> neutral = {0.5, 1.0, 0.7}) {
    FixtureOptions s;
    s.cfa = false;
    s.samplesPerPixel = 3;
    s.width = 12;
    s.height = 8;
    s.asShotNeutral = neutral;
    for (uint32_t i = 0; i < s.width * s.height; ++i) s.samples.insert(s.samples.end(), {v0, v1, v2});
    return s;
}

AutoPtr<dng_image> RenderFixture(const std::vector<uint8_t>& bytes, const dng_color_space& space,
                                 uint32 pixelType = ttByte) {
    auto dng = LoadDNG(bytes);
    BuildStages(*dng);
    dng_render render(dng->host, *dng->negative);
    render.SetFinalSpace(space);
    render.SetFinalPixelType(pixelType);
    return render.Render();
}

std::vector<double> Pixel(const dng_image& image, uint32_t index = 0) {
    std::vector<double> px;
    for (uint32_t p = 0; p < 3; ++p) px.push_back(PlaneSamples(image, p)[index]);
    return px;
}

TEST(Render, CameraNeutralRendersGreyAndBlackBlackAndWhiteWhite) {
    for (uint16_t level : {uint16_t(0), uint16_t(3000), uint16_t(20000), uint16_t(65535)}) {
        // Camera values proportional to the as-shot neutral are grey.
        auto image = RenderFixture(WriteFixtureDNG(Uniform(uint16_t(level * 0.5), level, uint16_t(level * 0.7))),
                                   dng_space_sRGB::Get());
        const std::vector<double> px = Pixel(*image, 17);
        EXPECT_NEAR(px[0], px[1], 1.0) << level;
        EXPECT_NEAR(px[2], px[1], 1.0) << level;
        if (level == 0 || level == 65535) {
            EXPECT_EQ(px[1], level ? 255 : 0);
        }
    }
}

// XYZ of an encoded pixel of a space.
std::vector<double> ToXYZ(const dng_color_space& space, const std::vector<double>& encoded16) {
    dng_vector rgb(3);
    for (uint32_t i = 0; i < 3; ++i) rgb[i] = space.DecodeGamma(encoded16[i] / 65535.0);
    const dng_vector xyz = space.MatrixToPCS() * rgb;
    return {xyz[0], xyz[1], xyz[2]};
}

TEST(Render, OutputSpacesDifferAsTheirPrimariesSay) {
    const std::vector<uint8_t> bytes = WriteFixtureDNG(Uniform(9000, 20000, 9000));
    const dng_color_space* spaces[] = {&dng_space_sRGB::Get(), &dng_space_AdobeRGB::Get(), &dng_space_ColorMatch::Get(),
                                       &dng_space_ProPhoto::Get()};
    std::vector<std::vector<double>> rgb, xyz;
    for (const dng_color_space* space : spaces) {
        auto image = RenderFixture(bytes, *space, ttShort);
        rgb.push_back(Pixel(*image, 5));
        xyz.push_back(ToXYZ(*space, rgb.back()));
    }
    // A mild green lies inside every gamut: one colour, four encodings.
    for (size_t s = 1; s < 4; ++s)
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(xyz[s][i], xyz[0][i], 0.002) << "space " << s << " component " << i;
    // Wider primaries need less saturated values for the same colour.
    const auto spread = [](const std::vector<double>& v) { return v[1] - std::min(v[0], v[2]); };
    EXPECT_GT(spread(rgb[0]), spread(rgb[1]));
    EXPECT_GT(spread(rgb[1]), spread(rgb[3]));
    EXPECT_GT(std::fabs(rgb[0][0] - rgb[3][0]), 500);
}

TEST(Render, AZeroNeutralFallsBackToTheDefaultWhite) {
    const auto zero = RenderFixture(WriteFixtureDNG(Uniform(9000, 20000, 14000, {0, 0, 0})), dng_space_sRGB::Get());
    auto dng = LoadDNG(WriteFixtureDNG(Uniform(9000, 20000, 14000)));
    BuildStages(*dng);
    dng_render render(dng->host, *dng->negative);
    render.SetWhiteXY(D55_xy_coord());
    const auto d55 = render.Render();
    EXPECT_EQ(InterleavedSamples(*zero), InterleavedSamples(*d55));
    const std::vector<double> px = Pixel(*d55, 0);
    EXPECT_GT(px[0] + px[1] + px[2], 0);
}

TEST(Render, ASingularColourMatrixIsAClearErrorNotNaN) {
    FixtureOptions options = Uniform(9000, 20000, 14000);
    options.colorMatrix = {0.5, 0.2, 0.1, 0.5, 0.2, 0.1, 0.3, 0.3, 0.3};
    EXPECT_THROW(RenderFixture(WriteFixtureDNG(options), dng_space_sRGB::Get()), dng_exception);
}

TEST(Render, ExtremeExposureAndShadowsStayFinite) {
    auto dng = LoadDNG(WriteFixtureDNG(Uniform(3000, 8000, 5000)));
    BuildStages(*dng);
    double previous = -1;
    for (double exposure : {-40.0, -3.0, 0.0, 3.0, 40.0}) {
        dng_render render(dng->host, *dng->negative);
        render.SetExposure(exposure);
        render.SetShadows(exposure == 40.0 ? 1000.0 : 5.0);
        render.SetFinalPixelType(ttShort);
        auto image = render.Render();
        const std::vector<double> px = Pixel(*image, 0);
        const double sum = px[0] + px[1] + px[2];
        EXPECT_GT(sum, previous) << exposure;
        previous = sum;
        EXPECT_TRUE(exposure < 40.0 || sum == 3 * 65535.0) << "full white at +40 EV";
    }
}

TEST(Render, MonochromeGivesThreeEqualPlanes) {
    FixtureOptions s;
    s.cfa = false;
    s.colour = false;
    s.asShotNeutral.clear();
    s.samples = PatternSamples(s.width, s.height, 1, 16, 2);
    auto image = RenderFixture(WriteFixtureDNG(s), dng_space_sRGB::Get());
    ASSERT_EQ(image->Planes(), 3u);
    EXPECT_EQ(PlaneSamples(*image, 0), PlaneSamples(*image, 1));
    EXPECT_EQ(PlaneSamples(*image, 0), PlaneSamples(*image, 2));
}

TEST(Render, ExposureRampHasASoftKneeAtTheBlackPoint) {
    EXPECT_EQ(ExposureRamp(0.0, 0.005, 1.0), 0.0);
    EXPECT_NEAR(ExposureRamp(0.5, 0.005, 1.0), (0.5 - 0.005) / 0.995, 1e-12);
    EXPECT_EQ(ExposureRamp(1.5, 0.005, 1.0), 1.0);
    // Continuous at both ends of the knee (radius = black / 2 here).
    EXPECT_NEAR(ExposureRamp(0.0075 - 1e-9, 0.005, 1.0), ExposureRamp(0.0075 + 1e-9, 0.005, 1.0), 1e-6);
    EXPECT_NEAR(ExposureRamp(0.0025 + 1e-9, 0.005, 1.0), 0.0, 1e-6);
}

struct SizeCase {
    uint32_t width, height, cropW, cropH;
    int32 expectedW, expectedH;
};

TEST(Render, FinalSizeKeepsTheAspectWithinTheMaximum) {
    const SizeCase cases[] = {{744, 496, 744, 496, 320, 213},
                              {496, 744, 496, 744, 213, 320},
                              {300, 300, 300, 300, 300, 300},
                              {1300, 4, 1300, 2, 320, 1}};
    for (const SizeCase& c : cases) {
        FixtureOptions s;
        s.width = c.width;
        s.height = c.height;
        s.samples.assign(size_t(c.width) * c.height, 1000);
        s.defaultCrop = {0, 0, c.cropW, c.cropH};
        auto dng = LoadDNG(WriteFixtureDNG(s));
        BuildStages(*dng);
        dng_render render(dng->host, *dng->negative);
        render.SetMaximumSize(320);
        EXPECT_EQ(render.FinalSize(), dng_point(c.expectedH, c.expectedW)) << c.width << "x" << c.height;
        auto image = render.Render();
        EXPECT_EQ(image->Width(), uint32(c.expectedW));
        EXPECT_EQ(image->Height(), uint32(c.expectedH));
    }
}

dng_hue_sat_map UniformMap(uint32_t hues, uint32_t sats, uint32_t vals, dng_hue_sat_map::Delta delta) {
    dng_hue_sat_map map;
    map.SetDivisions(hues, sats, vals);
    for (uint32_t v = 0; v < vals; ++v)
        for (uint32_t h = 0; h < hues; ++h)
            for (uint32_t s = 0; s < sats; ++s) map.Set(h, s, v, delta);
    return map;
}

TEST(HueSatMap, ShiftsHueScalesSaturationAndValue) {
    double r = 0.8, g = 0.2, b = 0.2;
    ApplyHueSatMap(UniformMap(6, 3, 1, {120.0f, 1.0f, 1.0f}), r, g, b);  // red becomes green
    EXPECT_NEAR(r, 0.2, 1e-6);
    EXPECT_NEAR(g, 0.8, 1e-6);
    EXPECT_NEAR(b, 0.2, 1e-6);
    r = 0.8, g = 0.2, b = 0.4;
    ApplyHueSatMap(UniformMap(8, 4, 3, {0.0f, 0.0f, 0.5f}), r, g, b);  // no saturation, half value
    EXPECT_NEAR(r, 0.4, 1e-6);
    EXPECT_NEAR(g, 0.4, 1e-6);
    EXPECT_NEAR(b, 0.4, 1e-6);
    r = 0.3, g = 0.6, b = 0.9;
    ApplyHueSatMap(UniformMap(4, 2, 1, {0.0f, 1.0f, 1.0f}), r, g, b);  // identity
    EXPECT_NEAR(r, 0.3, 1e-9);
    EXPECT_NEAR(g, 0.6, 1e-9);
    EXPECT_NEAR(b, 0.9, 1e-9);
}

TEST(HueSatMap, InterpolatesBetweenHueDivisions) {
    // Shift 0 at hue division 0 (red), 60 degrees at division 1 (yellow) of 6: orange, halfway, shifts 30.
    dng_hue_sat_map map = UniformMap(6, 2, 1, {0.0f, 1.0f, 1.0f});
    for (uint32_t s = 0; s < 2; ++s) map.Set(1, s, 0, {60.0f, 1.0f, 1.0f});
    double r = 1.0, g = 0.5, b = 0.0;  // hue 0.5 (30 degrees)
    ApplyHueSatMap(map, r, g, b);
    // Hue 30 + 30 = 60 degrees: yellow.
    EXPECT_NEAR(r, 1.0, 1e-6);
    EXPECT_NEAR(g, 1.0, 1e-6);
    EXPECT_NEAR(b, 0.0, 1e-6);
}

TEST(RenderTool, WritesAPPMOfTheRequestedSizeAndRefusesBadOptions) {
    const test_support::TempFolder temp;
    const std::string out = temp.File("render.ppm");
    const std::string tool = std::string("'") + DNG_TOOL + "' render '" +
                             DngTestFile("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng") + "' '" + out + "'";
    int status = -1;
    test_support::RunCommand(tool + " --space adobergb --max-size 300", &status);
    ASSERT_EQ(status, 0);
    const std::vector<uint8_t> ppm = test_support::ReadFileBytes(out);
    const std::string header = "P6\n300 200\n255\n";  // crop 1734 x 1156
    ASSERT_GT(ppm.size(), header.size());
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
    EXPECT_EQ(ppm.size(), header.size() + 300 * 200 * 3);
    test_support::RunCommand(tool + " --space cmyk 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
    test_support::RunCommand(tool + " --max-size 0 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
}

TEST(XMPOrientation, AttributeAndElementFormsAreSetOthersUntouched) {
    const std::string in =
        "<a tiff:Orientation=\"8\" b='2'/><tiff:Orientation>3</tiff:Orientation><c exif:Orientation=\"5\"/>";
    const std::vector<uint8> out = XMPWithOrientation(std::vector<uint8>(in.begin(), in.end()), 1);
    EXPECT_EQ(std::string(out.begin(), out.end()),
              "<a tiff:Orientation=\"1\" b='2'/><tiff:Orientation>1</tiff:Orientation><c exif:Orientation=\"5\"/>");
    const std::string none = "<x/>";
    EXPECT_EQ(XMPWithOrientation(std::vector<uint8>(none.begin(), none.end()), 6),
              std::vector<uint8>(none.begin(), none.end()));
}

}  // namespace
