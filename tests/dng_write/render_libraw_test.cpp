// Overall colour of the layer's render against LibRaw's own processing of the same file
// (camera matrix, as-shot white balance, sRGB).
#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <array>
#include <cmath>

#include "dng/dng_color_space.h"
#include "dng/dng_render.h"
#include "dng_test_support.h"
#include "tests/support/test_files.h"

namespace {

using Means = std::array<double, 3>;

// Both renders are compared without a tone curve or black point: those are the layer's own
// look, which LibRaw does not have. Linear light, then the sRGB encoding.
Means LayerMeans(const std::string& path) {
    auto dng = LoadDNG(test_support::ReadFileBytes(path));
    BuildStages(*dng);
    dng_render render(dng->host, *dng->negative);
    dng_tone_curve identity;
    identity.SetNull();
    render.SetToneCurve(identity);
    render.SetShadows(0.0);
    render.SetExposure(-dng->negative->BaselineExposure());
    AutoPtr<dng_image> image = render.Render();
    Means m{};
    for (uint32 p = 0; p < 3; ++p) {
        for (uint16_t v : PlaneSamples(*image, p)) m[p] += v;
        m[p] /= double(image->Width()) * image->Height();
    }
    return m;
}

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

class RenderAgainstLibRaw : public ::testing::TestWithParam<const char*> {};

TEST_P(RenderAgainstLibRaw, MeanPerChannelWithinAFewLevels) {
    const std::string path = DngTestFile(GetParam());
    const Means ours = LayerMeans(path), theirs = LibRawMeans(path);
    for (int p = 0; p < 3; ++p)
        EXPECT_NEAR(ours[p], theirs[p], 4.0) << "channel " << p << " (ours " << ours[0] << " " << ours[1] << " "
                                             << ours[2] << ", LibRaw " << theirs[0] << " " << theirs[1] << " "
                                             << theirs[2] << ")";
}

INSTANTIATE_TEST_SUITE_P(RealFiles, RenderAgainstLibRaw,
                         ::testing::Values("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng",
                                           "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng",
                                           "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng"));

}  // namespace
