// WarpRectilinear against the DNG format's formula, evaluated here on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dng/dng_opcode_list.h"
#include "dng/dng_tile_buffer.h"
#include "fixture_writer.h"
#include "write_test_support.h"

namespace {

struct PlaneCoefficients {
    double kr[4];
    double kt[2];
};

void PutDouble(std::vector<uint8_t>& out, double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, 8);
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(uint8_t(bits >> shift));
}

dng_opcode_WarpRectilinear MakeWarp(const std::vector<PlaneCoefficients>& planes, double cx, double cy) {
    std::vector<uint8_t> p = {0, 0, 0, uint8_t(planes.size())};
    for (const PlaneCoefficients& k : planes) {
        for (double x : k.kr) PutDouble(p, x);
        for (double x : k.kt) PutDouble(p, x);
    }
    PutDouble(p, cx);
    PutDouble(p, cy);
    return dng_opcode_WarpRectilinear(0x01030000, 0, p);
}

// Source position of destination pixel (row, col) for square pixels, straight from the format's definition.
void Expected(const PlaneCoefficients& k, double cx, double cy, double width, double height, double row, double col,
              double& srcRow, double& srcCol) {
    const double ch = cx * width, cv = cy * height;
    double m = 0;
    for (double v : {0.0, height})
        for (double h : {0.0, width}) m = std::max(m, std::sqrt((h - ch) * (h - ch) + (v - cv) * (v - cv)));
    const double dx = (col - ch) / m, dy = (row - cv) / m;
    const double r2 = std::min(dx * dx + dy * dy, 1.0);
    const double f = k.kr[0] + k.kr[1] * r2 + k.kr[2] * r2 * r2 + k.kr[3] * r2 * r2 * r2;
    const double dxT = k.kt[1] * (r2 + 2 * dx * dx) + 2 * k.kt[0] * dx * dy;
    const double dyT = k.kt[0] * (r2 + 2 * dy * dy) + 2 * k.kt[1] * dx * dy;
    srcCol = ch + m * (dx * f + dxT);
    srcRow = cv + m * (dy * f + dyT);
}

// A plane whose value is a linear function of the position, which bicubic sampling reproduces.
uint16_t Ramp(double row, double col, uint32_t plane) {
    return uint16_t(std::lround(1000 + 40 * col + 25 * row + 300 * plane));
}

AutoPtr<dng_image> RampImage(dng_host& host, uint32_t width, uint32_t height, uint32_t planes) {
    AutoPtr<dng_image> image = host.Make_dng_image(dng_rect(height, width), planes, ttShort);
    dng_dirty_tile_buffer buffer(*image, image->Bounds());
    for (uint32_t p = 0; p < planes; ++p)
        for (uint32_t r = 0; r < height; ++r)
            for (uint32_t c = 0; c < width; ++c) buffer.DirtyPixel_uint16(r, 0, p)[c] = Ramp(r, c, p);
    return image;
}

class WarpRectilinear : public ::testing::Test {
protected:
    static FixtureSpec Spec() {
        FixtureSpec s;
        s.samples = PatternSamples(s.width, s.height, 1, s.bits);
        return s;
    }
    std::unique_ptr<ReadBack> dng = ReadDNG(WriteFixtureDNG(Spec()), false);
};

TEST_F(WarpRectilinear, SamplesMatchTheFormulaPerPlane) {
    const uint32_t width = 64, height = 48;
    const std::vector<PlaneCoefficients> planes = {{{1.0, 0.05, -0.02, 0.01}, {0.001, -0.002}},
                                                   {{0.98, 0.03, 0.0, 0.0}, {0.0, 0.0}},
                                                   {{1.01, -0.04, 0.02, 0.0}, {-0.003, 0.001}}};
    const double cx = 0.45, cy = 0.55;
    const dng_opcode_WarpRectilinear warp = MakeWarp(planes, cx, cy);
    AutoPtr<dng_image> image = RampImage(dng->host, width, height, 3);
    warp.Apply(dng->host, *dng->negative, image);
    ASSERT_EQ(image->Bounds(), dng_rect(height, width));

    int checked = 0;
    for (uint32_t p = 0; p < 3; ++p) {
        const std::vector<uint16_t> out = Samples(*image, p);
        for (uint32_t row = 0; row < height; row += 3)
            for (uint32_t col = 0; col < width; col += 5) {
                double sr, sc;
                Expected(planes[p], cx, cy, width, height, row, col, sr, sc);
                if (sr < 1 || sc < 1 || sr > height - 3 || sc > width - 3) continue;  // edge repeat, not linear
                // Positions are sampled in 1/32 steps (up to 65/32 levels here) and the kernel keeps a
                // ramp to within 5 % of a step (about 3.3 levels).
                EXPECT_NEAR(out[row * width + col], 1000 + 40 * sc + 25 * sr + 300 * p, 6.0)
                    << "plane " << p << " row " << row << " col " << col;
                ++checked;
            }
    }
    EXPECT_GT(checked, 200);
}

TEST_F(WarpRectilinear, IdentityCoefficientsLeaveTheImageUnchanged) {
    const dng_opcode_WarpRectilinear warp = MakeWarp({{{1, 0, 0, 0}, {0, 0}}}, 0.3, 0.7);
    AutoPtr<dng_image> image = RampImage(dng->host, 20, 14, 2);
    const std::vector<uint16_t> before = InterleavedSamples(*image);
    warp.Apply(dng->host, *dng->negative, image);
    EXPECT_EQ(InterleavedSamples(*image), before);
}

TEST_F(WarpRectilinear, PlanesWithoutCoefficientsUseTheFirstPlanes) {
    const PlaneCoefficients k = {{1.0, 0.08, 0, 0}, {0, 0}};
    AutoPtr<dng_image> oneSet = RampImage(dng->host, 30, 20, 3);
    MakeWarp({k}, 0.5, 0.5).Apply(dng->host, *dng->negative, oneSet);
    AutoPtr<dng_image> threeSets = RampImage(dng->host, 30, 20, 3);
    MakeWarp({k, k, k}, 0.5, 0.5).Apply(dng->host, *dng->negative, threeSets);
    EXPECT_EQ(InterleavedSamples(*oneSet), InterleavedSamples(*threeSets));
}

TEST_F(WarpRectilinear, AStrongBarrelPullsTheCornersInward) {
    // A vertical line at column 4 of a 40 x 40 image: with kr1 > 0 the destination near the
    // left edge samples further out, so the line moves towards the centre.
    AutoPtr<dng_image> image = dng->host.Make_dng_image(dng_rect(40, 40), 1, ttShort);
    {
        dng_dirty_tile_buffer buffer(*image, image->Bounds());
        for (int r = 0; r < 40; ++r)
            for (int c = 0; c < 40; ++c) buffer.DirtyPixel_uint16(r, 0, 0)[c] = c == 4 ? 60000 : 0;
    }
    MakeWarp({{{1.0, 0.2, 0, 0}, {0, 0}}}, 0.5, 0.5).Apply(dng->host, *dng->negative, image);
    const std::vector<uint16_t> out = Samples(*image, 0);
    uint32_t brightest = 0;
    for (uint32_t c = 0; c < 40; ++c)
        if (out[20 * 40 + c] > out[20 * 40 + brightest]) brightest = c;
    double sr, sc;
    Expected({{1.0, 0.2, 0, 0}, {0, 0}}, 0.5, 0.5, 40, 40, 20, brightest, sr, sc);
    EXPECT_GT(brightest, 4u);
    EXPECT_NEAR(sc, 4.0, 0.6);
}

}  // namespace
