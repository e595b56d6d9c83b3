// Overall colour of the layer's render against LibRaw's own processing of the same file
// (camera matrix, as-shot white balance, sRGB).
#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <cmath>

#include "dng/dng_color_space.h"
#include "dng/dng_render.h"
#include "dng_test_support.h"
#include "tests/support/test_files.h"

namespace {

struct Means {
    double rgb[3] = {0, 0, 0};
};

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
    Means m;
    for (uint32 p = 0; p < 3; ++p) {
        double sum = 0;
        for (uint16_t v : PlaneSamples(*image, p)) sum += v;
        m.rgb[p] = sum / (double(image->Width()) * image->Height());
    }
    return m;
}

Means LibRawMeans(const std::string& path) {
    LibRaw raw;
    EXPECT_EQ(raw.open_file(path.c_str()), LIBRAW_SUCCESS);
    raw.imgdata.params.use_camera_wb = 1;
    raw.imgdata.params.use_camera_matrix = 1;
    raw.imgdata.params.output_color = 1;
    raw.imgdata.params.output_bps = 16;
    raw.imgdata.params.gamm[0] = 1.0;
    raw.imgdata.params.gamm[1] = 1.0;
    raw.imgdata.params.no_auto_bright = 1;
    raw.imgdata.params.user_qual = 0;
    raw.imgdata.params.highlight = 0;
    raw.imgdata.params.adjust_maximum_thr = 0.0f;  // keep the white level of the file
    EXPECT_EQ(raw.unpack(), LIBRAW_SUCCESS);
    EXPECT_EQ(raw.dcraw_process(), LIBRAW_SUCCESS);
    int error = 0;
    libraw_processed_image_t* image = raw.dcraw_make_mem_image(&error);
    Means m;
    if (!image) {
        ADD_FAILURE() << "LibRaw made no image";
        return m;
    }
    const dng_color_space& srgb = dng_space_sRGB::Get();
    const uint16_t* data = reinterpret_cast<const uint16_t*>(image->data);
    const size_t pixels = size_t(image->width) * image->height;
    for (size_t i = 0; i < pixels; ++i)
        for (int p = 0; p < 3; ++p) m.rgb[p] += std::floor(srgb.EncodeGamma(data[i * 3 + p] / 65535.0) * 255.0 + 0.5);
    for (double& v : m.rgb) v /= double(pixels);
    LibRaw::dcraw_clear_mem(image);
    return m;
}

class RenderAgainstLibRaw : public ::testing::TestWithParam<const char*> {};

TEST_P(RenderAgainstLibRaw, MeanPerChannelWithinAFewLevels) {
    const std::string path = DngTestFile(GetParam());
    const Means ours = LayerMeans(path);
    const Means theirs = LibRawMeans(path);
    for (int p = 0; p < 3; ++p)
        EXPECT_NEAR(ours.rgb[p], theirs.rgb[p], 4.0)
            << "channel " << p << " (ours " << ours.rgb[0] << " " << ours.rgb[1] << " " << ours.rgb[2] << ", LibRaw "
            << theirs.rgb[0] << " " << theirs.rgb[1] << " " << theirs.rgb[2] << ")";
}

INSTANTIATE_TEST_SUITE_P(RealFiles, RenderAgainstLibRaw,
                         ::testing::Values("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng",
                                           "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng",
                                           "raspberrypi_gs_pidng_10bit_uncompressed_bggr.dng"));

}  // namespace
