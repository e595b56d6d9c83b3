// The bicubic resampler: weights, flat and linear images, areas.
#include <gtest/gtest.h>

#include <cmath>

#include "dng/dng_resample.h"
#include "dng_test_support.h"

namespace {

TEST(ResampleTaps, WeightsSumToOne) {
    const dng_resample_bicubic& kernel = dng_resample_bicubic::Get();
    for (uint32_t src : {7u, 100u, 6000u})
        for (uint32_t dst : {1u, 3u, 64u, 320u, 1000u}) {
            const auto taps = MakeResampleTaps(0, src, dst, kernel);
            ASSERT_EQ(taps.size(), dst);
            for (const dng_resample_taps& t : taps) {
                int32 sum = 0;
                for (int32 w : t.weights) sum += w;
                EXPECT_EQ(sum, 16384) << src << " -> " << dst;
            }
        }
}

TEST(ResampleImage, AFlatImageStaysFlat) {
    dng_host host;
    auto src = MakeImage(host, 90, 61, 1, [](uint32_t, uint32_t, uint32_t) -> uint16_t { return 41234; });
    for (const dng_rect dstBounds : {dng_rect(20, 30), dng_rect(100, 150), dng_rect(1, 1)}) {
        auto dst = host.Make_dng_image(dstBounds, 1, ttShort);
        ResampleImage(host, *src, *dst, src->Bounds(), dst->Bounds(), dng_resample_bicubic::Get());
        for (uint16_t v : PlaneSamples(*dst, 0)) ASSERT_EQ(v, 41234);
    }
}

TEST(ResampleImage, ALinearRampIsSampledAtPixelCentres) {
    dng_host host;
    auto src = MakeImage(host, 200, 40, 1,
                         [](uint32_t r, uint32_t c, uint32_t) -> uint16_t { return uint16_t(500 + 100 * c + 10 * r); });
    // Shrink 4:1 from an area that starts at column 20, row 4.
    const dng_rect area(4, 20, 36, 180);
    auto dst = host.Make_dng_image(dng_rect(8, 40), 1, ttShort);
    ResampleImage(host, *src, *dst, area, dst->Bounds(), dng_resample_bicubic::Get());
    const std::vector<uint16_t> out = PlaneSamples(*dst, 0);
    for (uint32_t j = 2; j < 6; ++j)
        for (uint32_t i = 3; i < 37; ++i) {
            const double col = 20 + (i + 0.5) * 4 - 0.5, row = 4 + (j + 0.5) * 4 - 0.5;
            EXPECT_NEAR(out[j * 40 + i], 500 + 100 * col + 10 * row, 1.5) << j << " " << i;
        }
    // Enlarge 20 -> 57 columns. This kernel keeps a ramp only to within 5 % of a step.
    auto dst2 = host.Make_dng_image(dng_rect(40, 57), 1, ttShort);
    ResampleImage(host, *src, *dst2, dng_rect(0, 0, 40, 20), dst2->Bounds(), dng_resample_bicubic::Get());
    const std::vector<uint16_t> out2 = PlaneSamples(*dst2, 0);
    for (uint32_t i = 6; i < 50; ++i) {
        const double col = (i + 0.5) * 20 / 57 - 0.5;
        EXPECT_NEAR(out2[10 * 57 + i], 500 + 100 * col + 100, 6.0) << i;
        EXPECT_GT(out2[10 * 57 + i], out2[10 * 57 + i - 1]);
    }
}

TEST(ResampleImage, OutsideTheImageTheEdgeRepeats) {
    dng_host host;
    auto src = MakeImage(host, 10, 10, 1, [](uint32_t, uint32_t c, uint32_t) -> uint16_t { return c ? 1000 : 9000; });
    auto dst = host.Make_dng_image(dng_rect(10, 10), 1, ttShort);
    // Same size: the weights reduce to the sample itself, so column 0 keeps its value.
    ResampleImage(host, *src, *dst, src->Bounds(), dst->Bounds(), dng_resample_bicubic::Get());
    EXPECT_EQ(PlaneSamples(*dst, 0), PlaneSamples(*src, 0));
}

}  // namespace
