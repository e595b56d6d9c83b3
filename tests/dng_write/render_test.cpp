// The colour render: neutrals stay neutral, output spaces differ only as their primaries and
// encodings say, malformed colour data never yields NaNs, the render sizes, and real files' overall
// colour matches LibRaw's.
#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <array>
#include <cmath>
#include <functional>
#include <numeric>

#include "dng/dng_color_space.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_render.h"
#include "dng/dng_render_task.h"
#include "dng_test_support.h"
#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace {

// LinearRaw 3-sample negative, every pixel (v0, v1, v2).
FixtureOptions Uniform(uint16_t v0, uint16_t v1, uint16_t v2, std::vector<double> neutral = {0.5, 1.0, 0.7}) {
    FixtureOptions s;
    s.cfa = false;
    s.samplesPerPixel = 3;
    s.asShotNeutral = neutral;
    for (uint32_t i = 0; i < s.width * s.height; ++i) s.samples.insert(s.samples.end(), {v0, v1, v2});
    return s;
}

// Stage 3 of a DNG rendered with the settings `configure` makes (8-bit sRGB unless it says otherwise).
AutoPtr<dng_image> Render(const std::vector<uint8_t>& bytes,
                          const std::function<void(dng_render&, dng_negative&)>& configure) {
    auto dng = LoadDNG(bytes);
    BuildStages(*dng);
    dng_render render(dng->host, *dng->negative);
    configure(render, *dng->negative);
    return render.Render();
}

AutoPtr<dng_image> Render(const FixtureOptions& options, const std::function<void(dng_render&)>& configure = {}) {
    return Render(WriteFixtureDNG(options), [&](dng_render& r, dng_negative&) { configure ? configure(r) : void(); });
}

std::vector<double> Pixel(const dng_image& image, uint32_t index = 0) {
    std::vector<double> px;
    for (uint32_t p = 0; p < 3; ++p) px.push_back(PlaneSamples(image, p)[index]);
    return px;
}

TEST(Render, NeutralsRenderGreyBlackBlackAndWhiteWhite) {
    for (uint16_t level : {uint16_t(0), uint16_t(3000), uint16_t(20000), uint16_t(65535)}) {
        // Camera values proportional to the as-shot neutral are grey.
        const std::vector<double> px = Pixel(*Render(Uniform(uint16_t(level * 0.5), level, uint16_t(level * 0.7))), 17);
        EXPECT_NEAR(px[0], px[1], 1.0) << level;
        EXPECT_NEAR(px[2], px[1], 1.0) << level;
        EXPECT_TRUE((level != 0 && level != 65535) || px[1] == (level ? 255 : 0)) << level;
    }
    // Monochrome gives three equal planes.
    FixtureOptions s;
    s.cfa = s.colour = false;
    s.asShotNeutral.clear();
    s.samples = PatternSamples(s.width, s.height, 1, 16, 2);
    auto image = Render(s);
    ASSERT_EQ(image->Planes(), 3u);
    EXPECT_EQ(PlaneSamples(*image, 0), PlaneSamples(*image, 1));
    EXPECT_EQ(PlaneSamples(*image, 0), PlaneSamples(*image, 2));
}

TEST(Render, OutputSpacesDifferAsTheirPrimariesSay) {
    const dng_color_space* spaces[] = {&dng_space_sRGB::Get(), &dng_space_AdobeRGB::Get(),
                                       &dng_space_ColorMatch::Get(), &dng_space_ProPhoto::Get()};
    std::vector<std::vector<double>> rgb;
    std::vector<dng_vector> xyz;
    for (const dng_color_space* space : spaces) {
        rgb.push_back(Pixel(*Render(Uniform(9000, 20000, 9000), [&](dng_render& r) {
            r.SetFinalSpace(*space);
            r.SetFinalPixelType(ttShort);
        })));
        dng_vector linear(3);
        for (uint32_t i = 0; i < 3; ++i) linear[i] = space->DecodeGamma(rgb.back()[i] / 65535.0);
        xyz.push_back(space->MatrixToPCS() * linear);
    }
    // A mild green lies inside every gamut: one colour, four encodings.
    for (size_t s = 1; s < 4; ++s)
        for (uint32_t i = 0; i < 3; ++i) EXPECT_NEAR(xyz[s][i], xyz[0][i], 0.002) << "space " << s << " XYZ " << i;
    // ... so wider primaries need less saturated values.
    EXPECT_GT(rgb[0][1] - rgb[0][0], rgb[3][1] - rgb[3][0] + 500);
}

TEST(Render, MalformedColourDataFallsBackOrFailsClearly) {
    // A zero neutral falls back to the default white, D55.
    const auto zero = Render(Uniform(9000, 20000, 14000, {0, 0, 0}));
    const auto d55 = Render(Uniform(9000, 20000, 14000), [](dng_render& r) { r.SetWhiteXY(D55_xy_coord()); });
    EXPECT_EQ(InterleavedSamples(*zero), InterleavedSamples(*d55));
    EXPECT_GT(Pixel(*d55)[1], 0);
    // A singular colour matrix is a clear error, not NaNs.
    FixtureOptions singular = Uniform(9000, 20000, 14000);
    singular.colorMatrix = {0.5, 0.2, 0.1, 0.5, 0.2, 0.1, 0.3, 0.3, 0.3};
    EXPECT_THROW(Render(singular), dng_exception);
}

TEST(Render, ExtremeExposureAndShadowsStayFinite) {
    double previous = -1;
    for (double exposure : {-40.0, -3.0, 0.0, 3.0, 40.0}) {
        const std::vector<double> px = Pixel(*Render(Uniform(3000, 8000, 5000), [&](dng_render& r) {
            r.SetExposure(exposure);
            r.SetShadows(exposure == 40.0 ? 1000.0 : 5.0);
            r.SetFinalPixelType(ttShort);
        }));
        const double sum = px[0] + px[1] + px[2];
        EXPECT_GT(sum, previous) << exposure;
        previous = sum;
    }
    EXPECT_EQ(previous, 3 * 65535.0) << "full white at +40 EV";
    // The exposure ramp's soft knee at the black point is continuous at both ends (radius = black / 2 here).
    EXPECT_NEAR(ExposureRamp(0.0075 - 1e-9, 0.005, 1.0), ExposureRamp(0.0075 + 1e-9, 0.005, 1.0), 1e-6);
    EXPECT_NEAR(ExposureRamp(0.0025 + 1e-9, 0.005, 1.0), 0.0, 1e-6);
}

TEST(Render, FinalSizeKeepsTheAspectWithinTheMaximum) {
    const struct { uint32_t width, height, cropH; uint32 expectedW, expectedH; } cases[] = {
        {744, 496, 496, 320, 213}, {496, 744, 744, 213, 320}, {300, 300, 300, 300, 300}, {1300, 4, 2, 320, 1}};
    for (const auto& c : cases) {
        FixtureOptions s;
        s.width = c.width;
        s.height = c.height;
        s.samples.assign(size_t(c.width) * c.height, 1000);
        s.defaultCrop = {0, 0, c.width, c.cropH};
        auto image = Render(s, [](dng_render& r) { r.SetMaximumSize(320); });
        EXPECT_EQ(image->Bounds(), dng_rect(c.expectedH, c.expectedW)) << c.width << "x" << c.height;
    }
}

TEST(HueSatMap, ShiftsHueScalesSaturationAndValueInterpolatingBetweenDivisions) {
    using D = dng_hue_sat_map::Delta;
    const struct {
        uint32_t hues, sats, vals;
        D delta, atHue1;  // for every division, and for hue division 1
        double in[3], out[3];
    } cases[] = {
        {6, 3, 1, {120, 1, 1}, {120, 1, 1}, {0.8, 0.2, 0.2}, {0.2, 0.8, 0.2}},  // red becomes green
        {8, 4, 3, {0, 0, 0.5f}, {0, 0, 0.5f}, {0.8, 0.2, 0.4}, {0.4, 0.4, 0.4}},  // no saturation, half value
        // Shift 0 at red, 60 degrees at yellow (division 1 of 6): orange, halfway, turns yellow.
        {6, 2, 1, {0, 1, 1}, {60, 1, 1}, {1.0, 0.5, 0.0}, {1.0, 1.0, 0.0}},
    };
    for (const auto& c : cases) {
        dng_hue_sat_map map;
        map.SetDivisions(c.hues, c.sats, c.vals);
        for (uint32_t v = 0; v < c.vals; ++v)
            for (uint32_t h = 0; h < c.hues; ++h)
                for (uint32_t s = 0; s < c.sats; ++s) map.Set(h, s, v, h == 1 ? c.atHue1 : c.delta);
        double rgb[3] = {c.in[0], c.in[1], c.in[2]};
        ApplyHueSatMap(map, rgb[0], rgb[1], rgb[2]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(rgb[i], c.out[i], 1e-6) << (&c - cases) << " " << i;
    }
}

TEST(RenderTool, WritesAPPMOfTheRequestedSizeAndRefusesBadOptions) {
    const test_support::TempFolder temp;
    const std::string out = temp.File("render.ppm");
    const std::string file = DngTestFile("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng");
    const std::string tool = std::string("'") + DNG_TOOL + "' render '" + file + "' '" + out + "'";
    int status = -1;
    test_support::RunCommand(tool + " --space adobergb --max-size 300", &status);
    ASSERT_EQ(status, 0);
    const std::vector<uint8_t> ppm = test_support::ReadFileBytes(out);
    const std::string header = "P6\n300 200\n255\n";  // crop 1734 x 1156
    ASSERT_EQ(ppm.size(), header.size() + 300 * 200 * 3);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
    for (const char* bad : {" --space cmyk", " --max-size 0"}) {
        test_support::RunCommand(tool + bad + " 2>/dev/null", &status);
        EXPECT_EQ(status, 1) << bad;
    }
}

// LibRaw's processed image (camera matrix, as-shot white balance, linear light), sRGB-encoded to 8 bits:
// mean per channel.
using Means = std::array<double, 3>;

Means LibRawMeans(const std::string& path) {
    LibRaw raw;
    libraw_output_params_t& params = raw.imgdata.params;
    params.use_camera_wb = params.use_camera_matrix = params.output_color = params.no_auto_bright = 1;
    params.output_bps = 16;
    params.gamm[0] = params.gamm[1] = 1.0;
    params.user_qual = params.highlight = 0;
    params.adjust_maximum_thr = 0.0f;  // keep the white level of the file
    Means m{};
    int error = 0;
    libraw_processed_image_t* image = nullptr;
    if (raw.open_file(path.c_str()) != LIBRAW_SUCCESS || raw.unpack() != LIBRAW_SUCCESS ||
        raw.dcraw_process() != LIBRAW_SUCCESS || !(image = raw.dcraw_make_mem_image(&error))) {
        ADD_FAILURE() << "LibRaw made no image";
        return m;
    }
    const uint16_t* data = reinterpret_cast<const uint16_t*>(image->data);
    const size_t pixels = size_t(image->width) * image->height;
    for (size_t i = 0; i < pixels * 3; ++i)
        m[i % 3] += std::floor(dng_space_sRGB::Get().EncodeGamma(data[i] / 65535.0) * 255.0 + 0.5) / double(pixels);
    LibRaw::dcraw_clear_mem(image);
    return m;
}

class RenderAgainstLibRaw : public ::testing::TestWithParam<DngSource> {};

// Both renders are made without a tone curve or black point: those are the layer's own look, which
// LibRaw does not have.
TEST_P(RenderAgainstLibRaw, MeanPerChannelWithinAFewLevels) {
    const test_support::TempFolder temp;
    const std::string path = GetParam().Path(temp.Path());
    dng_tone_curve identity;
    identity.SetNull();
    const auto image = Render(test_support::ReadFileBytes(path), [&](dng_render& r, dng_negative& negative) {
        r.SetToneCurve(identity);
        r.SetShadows(0.0);
        r.SetExposure(-negative.BaselineExposure());
    });
    const Means theirs = LibRawMeans(path);
    for (uint32 p = 0; p < 3; ++p) {
        const std::vector<uint16_t> plane = PlaneSamples(*image, p);
        EXPECT_NEAR(std::accumulate(plane.begin(), plane.end(), 0.0) / plane.size(), theirs[p], 4.0) << p;
    }
}

// The packed fixture with a smooth dark scene: the two demosaics agree, and no channel clips.
DngSource SmoothPackedBGGR() {
    DngSource source{"PackedBGGR", nullptr, PackedBGGRFixture(321, 240)};
    for (uint32_t y = 0; y < 240; ++y)
        for (uint32_t x = 0; x < 321; ++x) source.fixture.samples[y * 321 + x] = uint16_t(70 + (x + 2 * y) / 3);
    return source;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RenderAgainstLibRaw,
    ::testing::Values(DngSource{"Canon550D", "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng", {}},
                      DngSource{"Blackmagic", "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng", {}},
                      SmoothPackedBGGR()),
    [](const ::testing::TestParamInfo<DngSource>& info) { return std::string(info.param.name); });

}  // namespace
